#include "app/trust/HostKeyTrust.h"

namespace vd::app {
namespace {

// The server as known_hosts and OpenSSH's tools name it: the bare host on
// port 22, "[host]:port" on any other.
QString KnownHostsName(const QString& Server) {
    const qsizetype colon = Server.lastIndexOf(u':');
    const QString host = Server.left(colon), port = Server.mid(colon + 1);
    return port == u"22" ? host : QStringLiteral("[%1]:%2").arg(host, port);
}

QString SshCommand(const QString& Server) {
    const qsizetype colon = Server.lastIndexOf(u':');
    return QStringLiteral("ssh -p %1 %2").arg(Server.mid(colon + 1), Server.left(colon));
}

}  // namespace

THostKeyTrust::THostKeyTrust(TUserInterface& User, TLanguage Language)
    : FUser(User), FLanguage(Language) {}

void THostKeyTrust::Check(THostKeyStatus Status, const QString& Server,
                          const QString& Fingerprint) {
    if (Status == THostKeyStatus::Changed)
        throw EHostKeyNotTrusted(Text(FLanguage, TText::HostKeyChanged)
                                     .arg(Server, Fingerprint, KnownHostsName(Server))
                                     .toStdString());
    if (FUser.AskYesNo(Text(FLanguage, TText::HostKeyUnknown).arg(Server, Fingerprint))) return;
    throw EHostKeyNotTrusted(Text(FLanguage, TText::HostKeyNotTrusted)
                                 .arg(Server, Fingerprint, SshCommand(Server))
                                 .toStdString());
}

}  // namespace vd::app
