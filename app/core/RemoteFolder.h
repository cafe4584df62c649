#pragma once
// The host directory on the user's server, as the flows see it: one session
// at a time, opened in the host directory, a few file operations, closed.
// FTP and SFTP implement it. Every operation raises an error whose message
// is meant for the user.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <stdexcept>

#include "app/core/ServerAccount.h"

namespace vd::app {

/// A failure of a server session that names its transport. Errors of other
/// kinds (the FTP client's own, a local file's) are shown as FTP's.
class ETransportError : public std::runtime_error {
  public:
    ETransportError(TTransport Transport, const std::string& Message)
        : std::runtime_error(Message), FTransport(Transport) {}
    TTransport Transport() const noexcept { return FTransport; }

  private:
    TTransport FTransport;
};

/// The transport's name for the failure `Error` of server work: "SFTP" for
/// an SFTP session's, "FTP" for anything else.
QString TransportNameOf(const std::exception& Error);

/// Why a server's SSH host key needs a decision.
enum class THostKeyStatus {
    Unknown,  // known_hosts has no key for the server
    Changed,  // known_hosts has another key (or another key type) for it
};

/// Whether a listing of names holds `Name`. A listing may carry a path in
/// front of each name; the name is what counts, in any case.
bool IsListed(const QStringList& Names, const QString& Name);

class TRemoteFolder {
  public:
    using TProgress = std::function<void(std::uint64_t Sent, std::uint64_t Total)>;

    virtual ~TRemoteFolder() = default;

    /// The traffic log's file, written during each session; empty text: no
    /// log. Changed between sessions only.
    virtual void SetLogFileName(const QString& FileName) = 0;
    virtual QString LogFileName() const = 0;

    /// Hears the certificate a server shows, before anything of the login
    /// goes to it: the server as "host:port" and the SHA-256 fingerprint of
    /// its certificate. An error it raises ends Open with that error, with
    /// nothing more sent. A transport without certificates never calls it.
    using TCertificateCheck =
        std::function<void(const QString& Server, const QString& Fingerprint)>;
    virtual void SetCertificateCheck(TCertificateCheck Check) = 0;

    /// Connects to the server of `Account`, logs in and enters its host
    /// directory, creating the levels that are missing. A session that an
    /// earlier failure left open is closed first.
    virtual void Open(const TServerAccount& Account) = 0;
    /// Stores the local file under `RemoteName`, replacing a file there;
    /// `Progress` hears of each piece sent. This is the way of the files the
    /// user shares; PutContent, Append and Get carry the program's own files
    /// (the short-link table and its scripts), which must arrive unaltered.
    virtual void Put(const QString& LocalFile, const QString& RemoteName,
                     const TProgress& Progress = {}) = 0;
    /// Stores `Content` under `RemoteName`, replacing a file there.
    virtual void PutContent(const QByteArray& Content, const QString& RemoteName) = 0;
    /// Adds `Content` to the end of the file, creating it when missing.
    virtual void Append(const QByteArray& Content, const QString& RemoteName) = 0;
    /// The whole file.
    virtual QByteArray Get(const QString& RemoteName) = 0;
    /// The names in the host directory, as the server gives them.
    virtual QStringList ListNames() = 0;
    virtual void Delete(const QString& RemoteName) = 0;
    /// Ends the session. Never fails.
    virtual void Close() noexcept = 0;
};

}  // namespace vd::app
