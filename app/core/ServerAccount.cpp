#include "app/core/ServerAccount.h"

namespace vd::app {
namespace {

constexpr std::uint16_t kSshPort = 22;

// `Host` without `Scheme` ("sftp://") when it starts with it.
bool StripScheme(QString& Host, QStringView Scheme) {
    if (!Host.startsWith(Scheme, Qt::CaseInsensitive)) return false;
    Host.remove(0, Scheme.size());
    if (Host.endsWith(u'/')) Host.chop(1);
    return true;
}

}  // namespace

QString TransportName(TTransport Transport) {
    return Transport == TTransport::Sftp ? QStringLiteral("SFTP") : QStringLiteral("FTP");
}

QString TServerAccount::Server() const { return Host.toLower() + u':' + QString::number(Port); }

TServerAccount ServerAccountOf(const TSettings& Settings) {
    TServerAccount account{TTransport::Ftp,   Settings.Host.trimmed(),
                           Settings.Port,     Settings.Username,
                           Settings.Password, Settings.Directory,
                           Settings.UseTLS,   Settings.PasswordPlace == TPasswordPlace::Keyring};
    if (StripScheme(account.Host, u"sftp://")) {
        account.Transport = TTransport::Sftp;
        if (account.Port == 21 || account.Port == 0) account.Port = kSshPort;
    } else {
        StripScheme(account.Host, u"ftp://");
    }
    return account;
}

}  // namespace vd::app
