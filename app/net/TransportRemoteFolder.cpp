#include "app/net/TransportRemoteFolder.h"

namespace vd::app {

TTransportRemoteFolder::TTransportRemoteFolder(std::unique_ptr<TRemoteFolder> Ftp,
                                               std::unique_ptr<TRemoteFolder> Sftp)
    : FFtp(std::move(Ftp)), FSftp(std::move(Sftp)), FCurrent(FFtp.get()) {}

void TTransportRemoteFolder::SetLogFileName(const QString& FileName) {
    FFtp->SetLogFileName(FileName);
    FSftp->SetLogFileName(FileName);
}

QString TTransportRemoteFolder::LogFileName() const { return FFtp->LogFileName(); }

void TTransportRemoteFolder::SetCertificateCheck(TCertificateCheck Check) {
    FFtp->SetCertificateCheck(Check);
    FSftp->SetCertificateCheck(std::move(Check));
}

void TTransportRemoteFolder::Open(const TServerAccount& Account) {
    TRemoteFolder* next = Account.Transport == TTransport::Sftp ? FSftp.get() : FFtp.get();
    if (next != FCurrent) FCurrent->Close();
    FCurrent = next;
    FCurrent->Open(Account);
}

void TTransportRemoteFolder::Put(const QString& LocalFile, const QString& RemoteName,
                                 const TProgress& Progress) {
    FCurrent->Put(LocalFile, RemoteName, Progress);
}

void TTransportRemoteFolder::PutContent(const QByteArray& Content, const QString& RemoteName) {
    FCurrent->PutContent(Content, RemoteName);
}

void TTransportRemoteFolder::Append(const QByteArray& Content, const QString& RemoteName) {
    FCurrent->Append(Content, RemoteName);
}

QByteArray TTransportRemoteFolder::Get(const QString& RemoteName) {
    return FCurrent->Get(RemoteName);
}

QStringList TTransportRemoteFolder::ListNames() { return FCurrent->ListNames(); }

void TTransportRemoteFolder::Delete(const QString& RemoteName) { FCurrent->Delete(RemoteName); }

void TTransportRemoteFolder::Close() noexcept { FCurrent->Close(); }

}  // namespace vd::app
