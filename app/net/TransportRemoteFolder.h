#pragma once
// The host directory over the transport the account names: each session
// opens on FTP or SFTP as its account says; the other one stays closed.

#include <memory>

#include "app/core/RemoteFolder.h"

namespace vd::app {

class TTransportRemoteFolder final : public TRemoteFolder {
  public:
    TTransportRemoteFolder(std::unique_ptr<TRemoteFolder> Ftp, std::unique_ptr<TRemoteFolder> Sftp);

    /// Both transports log to the same file.
    void SetLogFileName(const QString& FileName) override;
    QString LogFileName() const override;
    void SetCertificateCheck(TCertificateCheck Check) override;

    /// Closes the other transport's session when the transport changes.
    void Open(const TServerAccount& Account) override;
    void Put(const QString& LocalFile, const QString& RemoteName,
             const TProgress& Progress = {}) override;
    void PutContent(const QByteArray& Content, const QString& RemoteName) override;
    void Append(const QByteArray& Content, const QString& RemoteName) override;
    QByteArray Get(const QString& RemoteName) override;
    QStringList ListNames() override;
    void Delete(const QString& RemoteName) override;
    void Close() noexcept override;

  private:
    std::unique_ptr<TRemoteFolder> FFtp;
    std::unique_ptr<TRemoteFolder> FSftp;
    TRemoteFolder* FCurrent;  // the transport of the last session; FTP before any
};

}  // namespace vd::app
