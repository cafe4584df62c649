#pragma once
// The host directory over SFTP, on libssh: the user's own ~/.ssh keys, the
// agent and ~/.ssh/known_hosts, as OpenSSH uses them. Paths on the server
// are built from the folder the login starts in; SFTP has no current
// directory of its own.

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>

#include "app/core/RemoteFolder.h"
#include "app/net/TrafficLog.h"

struct sftp_file_struct;  // libssh's open file

namespace vd::app {

/// A failure of an SFTP session; the message is meant for the user.
class ESftpError : public ETransportError {
  public:
    explicit ESftpError(const std::string& Message) : ETransportError(TTransport::Sftp, Message) {}
};

class TSftpRemoteFolder final : public TRemoteFolder {
  public:
    /// Hears a host key that known_hosts does not confirm: the server as
    /// "host:port" and the key's SHA-256 fingerprint as OpenSSH prints it
    /// ("SHA256:..."). Returning trusts an unknown key, which is then added
    /// to known_hosts; an error it raises ends Open with that error, before
    /// any credential is sent. A changed key is never trusted: the session
    /// ends after the call (with the call's error, or a message of its own).
    using THostKeyCheck = std::function<void(THostKeyStatus Status, const QString& Server,
                                             const QString& Fingerprint)>;

    /// Every request of a session ends within a minute: a server that does
    /// not answer it in that time, or trickles its answer, loses the session.
    TSftpRemoteFolder();
    /// The same with another time per request.
    explicit TSftpRemoteFolder(std::chrono::milliseconds RequestTimeout);
    ~TSftpRemoteFolder() override;

    void SetHostKeyCheck(THostKeyCheck Check);

    void SetLogFileName(const QString& FileName) override;
    QString LogFileName() const override;
    /// SFTP has no certificates: never called.
    void SetCertificateCheck(TCertificateCheck Check) override;

    /// Connects to the account's host on its SSH port, checks the host key,
    /// logs in (agent, then the default keys in ~/.ssh without a
    /// passphrase, then the password) and enters the host directory, making
    /// each missing level.
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
    struct TSession;
    struct TSftpFileCloser {
        void operator()(sftp_file_struct* File) const noexcept;
    };
    using TSftpFile = std::unique_ptr<sftp_file_struct, TSftpFileCloser>;

    // Runs one operation on the session under the watchdog; a session that
    // the operation found lost, or left out of step, is dropped after it.
    template <class TBody>
    decltype(auto) OnSession(TBody&& Body);
    // Writes what `Source` gives to `File` and closes it; any failure is
    // raised with the name. A session left out of step has its socket shut
    // down, so that nothing more, no CLOSE either, goes out before it is
    // dropped.
    void WriteAndClose(TSession& S, TSftpFile File, const QString& RemoteName,
                       const std::function<std::size_t(char*, std::size_t)>& Source,
                       const std::function<void(std::uint64_t)>& Progress = {});

    TSession& Session();
    void CheckHostKey(TSession& S);
    void LogIn(TSession& S, const TServerAccount& Account);
    void EnterFolder(TSession& S, const QString& Directory);

    std::chrono::milliseconds FRequestTimeout;
    THostKeyCheck FHostKeyCheck;
    TTrafficLog FLog;
    std::unique_ptr<TSession> FSession;
};

}  // namespace vd::app
