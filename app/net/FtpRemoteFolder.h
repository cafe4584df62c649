#pragma once
// The host directory over FTP, with explicit TLS when the account asks for
// it: the FTP client, its TLS handler and the traffic log, configured once.
// Under TLS the listing and the contents this program writes and reads
// itself (PutContent, Append, Get: the short-link table and its scripts)
// always go over encrypted data connections; a shared file (Put) goes in
// clear where the server allows it.

#include "app/core/RemoteFolder.h"
#include "app/net/TrafficLog.h"
#include "ftp/TIdFTP.h"
#include "ftp/TIdSSLIOHandlerSocketOpenSSL.h"

namespace vd::app {

class TFtpRemoteFolder final : public TRemoteFolder {
  public:
    TFtpRemoteFolder();

    void SetLogFileName(const QString& FileName) override;
    QString LogFileName() const override;
    /// Called with "host:port" (the host as set, in lower case) after the
    /// control connection's handshake, before USER.
    void SetCertificateCheck(TCertificateCheck Check) override;

    /// Switches the log on (when it has a file), closes a session left open,
    /// selects TLS, logs in and enters the host directory level by level:
    /// each level is made first (a failure there is passed over, typically
    /// it exists) and then entered (a failure there fails the session).
    void Open(const TServerAccount& Account) override;
    void Put(const QString& LocalFile, const QString& RemoteName,
             const TProgress& Progress = {}) override;
    void PutContent(const QByteArray& Content, const QString& RemoteName) override;
    void Append(const QByteArray& Content, const QString& RemoteName) override;
    QByteArray Get(const QString& RemoteName) override;
    QStringList ListNames() override;
    void Delete(const QString& RemoteName) override;
    /// "QUIT", then the log is switched off.
    void Close() noexcept override;

  private:
    void SelectTLS(bool UseTLS);
    void ProtectData(bool Private);
    void EnterDirectory(const QString& Directory);

    TCertificateCheck FCertificateCheck;
    QString FServer;  // "host:port" of the session

    // Declared before the client, which keeps pointers to them.
    TTrafficLog FLog;
    ftp::TIdSSLIOHandlerSocketOpenSSL IdSSLIOHandlerSocketOpenSSL1;
    ftp::TIdFTP IdFTP1;
};

}  // namespace vd::app
