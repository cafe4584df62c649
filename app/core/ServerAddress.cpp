#include "app/core/ServerAddress.h"

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

TServerAddress ServerAddressOf(const TSettings& Settings) {
    TServerAddress address{TTransport::Ftp, Settings.Host.trimmed(), Settings.Port};
    if (StripScheme(address.Host, u"sftp://")) {
        address.Transport = TTransport::Sftp;
        if (address.Port == 21 || address.Port == 0) address.Port = kSshPort;
    } else {
        StripScheme(address.Host, u"ftp://");
    }
    return address;
}

}  // namespace vd::app
