#include "app/net/FtpRemoteFolder.h"

#include "app/core/ShareNames.h"

namespace vd::app {
namespace {

constexpr std::uint64_t kMaxDownloadBytes = 16ull * 1024 * 1024;

std::string Utf8(const QString& Text) { return Text.toStdString(); }

}  // namespace

TFtpRemoteFolder::TFtpRemoteFolder() {
    IdSSLIOHandlerSocketOpenSSL1.SetIntercept(&FLog.ClientIntercept());
    IdSSLIOHandlerSocketOpenSSL1.SetMaxLineAction(ftp::TIdMaxLineAction::maException);
    IdSSLIOHandlerSocketOpenSSL1.SetPort(21);
    IdSSLIOHandlerSocketOpenSSL1.SetReadTimeout(60000);
    ftp::TIdSSLOptions& tls = IdSSLIOHandlerSocketOpenSSL1.SSLOptions();
    tls.SetMethod(ftp::TIdSSLVersion::sslvTLSv1_2);
    tls.SetSSLVersions({ftp::TIdSSLVersion::sslvTLSv1_2});
    tls.SetMode(ftp::TIdSSLMode::sslmUnassigned);
    tls.SetVerifyMode({});  // users' own servers often have self-signed certificates
    tls.SetVerifyDepth(0);

    IdFTP1.SetIntercept(&FLog.ClientIntercept());
    IdFTP1.SetIPVersion(ftp::TIdIPVersion::Id_IPv4);
    IdFTP1.SetPassiveUseControlHost(true);
    IdFTP1.SetConnectTimeout(0);
    IdFTP1.SetTransferType(ftp::TIdFTPTransferType::ftBinary);
    // A data connection that goes quiet must not block the program for good.
    IdFTP1.SetTransferTimeout(60000);
    IdFTP1.OnServerCertificate = [this](const std::string& Fingerprint) {
        if (FCertificateCheck) FCertificateCheck(FServer, QString::fromStdString(Fingerprint));
    };
}

void TFtpRemoteFolder::SetCertificateCheck(TCertificateCheck Check) {
    FCertificateCheck = std::move(Check);
}

void TFtpRemoteFolder::SetLogFileName(const QString& FileName) { FLog.SetFileName(FileName); }

QString TFtpRemoteFolder::LogFileName() const { return FLog.FileName(); }

void TFtpRemoteFolder::SelectTLS(bool UseTLS) {
    if (UseTLS) {
        IdFTP1.SetIOHandler(&IdSSLIOHandlerSocketOpenSSL1);
        // Asking for TLS means no password in clear: a server that refuses
        // every AUTH ends the session instead of the login going on plain.
        IdFTP1.SetUseTLS(ftp::TIdUseTLS::utUseRequireTLS);
    } else {
        IdFTP1.SetIOHandler(nullptr);
        IdFTP1.SetUseTLS(ftp::TIdUseTLS::utNoTLSSupport);
    }
}

void TFtpRemoteFolder::EnterDirectory(const QString& Directory) {
    for (const QString& component : DirectoryComponents(Directory)) {
        try {
            IdFTP1.MakeDir(Utf8(component));
        } catch (const ftp::EIdException&) {
            // Typically there already; entering it tells.
        }
        IdFTP1.ChangeDir(Utf8(component));
    }
}

void TFtpRemoteFolder::Open(const TServerAccount& Account) {
    FLog.BeginSession();
    if (IdFTP1.Connected()) IdFTP1.Disconnect();  // a session an earlier failure left open
    // The client refuses a TLS change while connected: closed just above.
    SelectTLS(Account.UseTLS);
    IdFTP1.SetHost(Utf8(Account.Host));
    IdFTP1.SetPort(Account.Port);
    FServer = Account.Server();
    IdFTP1.SetUsername(Utf8(Account.Username));
    IdFTP1.SetPassword(Utf8(Account.Password));
    FLog.ClientIntercept().SetHiddenText(Account.PasswordIsSecret ? Utf8(Account.Password)
                                                                  : std::string());
    IdFTP1.Connect();
    EnterDirectory(Account.Directory);
}

// Under TLS the program's own files (the short-link table and the two
// scripts that serve it) go encrypted, and so does the listing: someone on
// the path who rewrote the table would send every short link where he
// likes, a rewritten index.php runs on the user's web server, and the
// listing names every file shared there. A shared file goes as the client
// chooses (in clear where the server allows it): it becomes public anyway.
void TFtpRemoteFolder::ProtectData(bool Private) {
    IdFTP1.SetDataPortProtection(Private ? ftp::TIdFTPDataPortSecurity::ftpdpsPrivate
                                         : ftp::TIdFTPDataPortSecurity::ftpdpsClear);
}

void TFtpRemoteFolder::Put(const QString& LocalFile, const QString& RemoteName,
                           const TProgress& Progress) {
    ProtectData(false);
    IdFTP1.Put(Utf8(LocalFile), Utf8(RemoteName), Progress);
}

void TFtpRemoteFolder::PutContent(const QByteArray& Content, const QString& RemoteName) {
    ProtectData(true);
    ftp::TIdMemoryStream stream(Content.toStdString());
    IdFTP1.Put(stream, Utf8(RemoteName));
}

void TFtpRemoteFolder::Append(const QByteArray& Content, const QString& RemoteName) {
    ProtectData(true);
    ftp::TIdMemoryStream stream(Content.toStdString());
    IdFTP1.Append(stream, Utf8(RemoteName));
}

QByteArray TFtpRemoteFolder::Get(const QString& RemoteName) {
    ProtectData(true);
    ftp::TIdMemoryStream stream;
    // Only small files come this way (the short-link table).
    stream.SetLimit(kMaxDownloadBytes);
    IdFTP1.Get(Utf8(RemoteName), stream, true);
    return QByteArray::fromStdString(stream.Bytes());
}

QStringList TFtpRemoteFolder::ListNames() {
    ProtectData(true);
    std::vector<std::string> names;
    IdFTP1.List(names);
    QStringList list;
    for (const std::string& name : names) list << QString::fromStdString(name);
    return list;
}

void TFtpRemoteFolder::Delete(const QString& RemoteName) { IdFTP1.Delete(Utf8(RemoteName)); }

void TFtpRemoteFolder::Close() noexcept {
    IdFTP1.Disconnect();
    FLog.EndSession();
}

}  // namespace vd::app
