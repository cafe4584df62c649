#include "app/net/SftpRemoteFolder.h"

#include <fcntl.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/core/EFileError.h"
#include "app/core/ShareNames.h"
#include "app/net/SftpKeyboardInteractive.h"
#include "app/net/SftpPipelinedWrite.h"
#include "app/net/SftpWatchdog.h"

namespace vd::app {
namespace {

// Only small files come into memory (the short-link table), as over FTP.
constexpr qint64 kMaxDownloadBytes = 16ll * 1024 * 1024;
// A listing costs its names and the record of each entry, "." and ".."
// included: a server cannot list for ever, nor grow memory with empty names.
constexpr qint64 kMaxListingBytes = 16ll * 1024 * 1024;
constexpr qint64 kListingEntryBytes = 64;
constexpr int kMaxListingEntries = 100000;
// A server that goes quiet ends the session instead of blocking the program.
constexpr std::chrono::milliseconds kRequestTimeout = std::chrono::seconds(60);
// OpenSSH takes messages up to 256 KiB; 32 KiB is what every server must
// take. An upload keeps up to 2 MiB unconfirmed (OpenSSH's sftp: 64 writes
// of 32 KiB).
constexpr std::size_t kOpenSshWriteSize = 255 * 1024;
constexpr std::size_t kPortableWriteSize = 32 * 1024;
constexpr std::size_t kInFlightBytes = 2 * 1024 * 1024;
constexpr std::size_t kReadSize = 64 * 1024;
// AES-GCM first: with the AES instructions of today's desktop processors it
// is the fastest of the ciphers OpenSSH offers, and libssh would otherwise
// start with ChaCha20. The rest as libssh orders them.
constexpr const char* kCiphers =
    "aes128-gcm@openssh.com,aes256-gcm@openssh.com,chacha20-poly1305@openssh.com,"
    "aes256-ctr,aes192-ctr,aes128-ctr";
// The keys OpenSSH's client tries by default, in its order.
constexpr const char* kDefaultKeys[] = {"id_ed25519", "id_ecdsa", "id_rsa"};

std::string Utf8(const QString& Text) { return Text.toStdString(); }

std::chrono::milliseconds DefaultRequestTimeout() {
#ifdef VELODROP_TEST_HOOKS
    // Tests of quiet servers run the real program; a minute per case would
    // make them slow. Only test builds read this.
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("VELODROP_TEST_SFTP_TIMEOUT_SECONDS", &ok);
    if (ok && seconds > 0) return std::chrono::seconds(seconds);
#endif
    return kRequestTimeout;
}

long WholeSeconds(std::chrono::milliseconds Time) {
    return static_cast<long>(
        std::max<std::chrono::milliseconds::rep>(1, (Time.count() + 999) / 1000));
}

QString SshError(ssh_session Ssh) { return QString::fromUtf8(ssh_get_error(Ssh)); }

// A key with a passphrase is the agent's: nobody is asked for one here.
int RefusePassphrase(const char*, char*, std::size_t, int, int, void*) { return -1; }

// OpenSSH's form: "SHA256:" and the unpadded Base64 of the key's hash.
QString HostKeyFingerprint(ssh_session Ssh) {
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(Ssh, &key) != SSH_OK)
        throw ESftpError("The server showed no host key: " + Utf8(SshError(Ssh)));
    unsigned char* hash = nullptr;
    std::size_t length = 0;
    const int rc = ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length);
    ssh_key_free(key);
    if (rc != SSH_OK) throw ESftpError("The host key cannot be hashed: " + Utf8(SshError(Ssh)));
    char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    ssh_clean_pubkey_hash(&hash);
    const QString fingerprint = QString::fromLatin1(text);
    ssh_string_free_char(text);
    return fingerprint;
}

// What a login tried, for the message when nothing is accepted.
struct TLoginTrial {
    QStringList RefusedKeys;     // "ssh-agent" and the key files the server turned down
    QStringList PassphraseKeys;  // key files that would need a passphrase
    QString PasswordReason;      // why the password did not log in
};

// Only with an agent running: it holds the keys that have a passphrase.
// Each way of logging in is a request of its own, with the whole timeout.
bool LogInWithAgent(ssh_session Ssh, TSftpWatchdog& Watchdog, TTrafficLog& Log,
                    TLoginTrial& Trial) {
    if (qEnvironmentVariableIsEmpty("SSH_AUTH_SOCK")) return false;
    Log.Sent(QStringLiteral("login with ssh-agent"));
    Watchdog.Arm();
    if (ssh_userauth_agent(Ssh, nullptr) == SSH_AUTH_SUCCESS) return true;
    Trial.RefusedKeys << QStringLiteral("ssh-agent");
    return false;
}

bool LogInWithDefaultKeys(ssh_session Ssh, TSftpWatchdog& Watchdog, TTrafficLog& Log,
                          TLoginTrial& Trial) {
    const QString folder = QDir::homePath() + QStringLiteral("/.ssh/");
    for (const char* name : kDefaultKeys) {
        const QString file = folder + QLatin1String(name);
        if (!QFile::exists(file) || !ssh_is_connected(Ssh)) continue;
        ssh_key key = nullptr;
        if (ssh_pki_import_privkey_file(Utf8(file).c_str(), nullptr, RefusePassphrase, nullptr,
                                        &key) != SSH_OK) {
            Trial.PassphraseKeys << QStringLiteral("~/.ssh/") + QLatin1String(name);
            continue;
        }
        Log.Sent(QStringLiteral("login with ~/.ssh/") + QLatin1String(name));
        Watchdog.Arm();
        const int rc = ssh_userauth_publickey(Ssh, nullptr, key);
        ssh_key_free(key);
        if (rc == SSH_AUTH_SUCCESS) return true;
        Trial.RefusedKeys << QStringLiteral("~/.ssh/") + QLatin1String(name);
    }
    return false;
}

// By the password method, or by keyboard-interactive where the server
// offers only that.
bool LogInWithPassword(ssh_session Ssh, int Methods, const QString& Password,
                       TSftpWatchdog& Watchdog, TTrafficLog& Log, TLoginTrial& Trial) {
    if (Password.isEmpty()) {
        Trial.PasswordReason = QStringLiteral("no password set");
    } else if (!(Methods & (SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_INTERACTIVE))) {
        Trial.PasswordReason = QStringLiteral("the server takes no password");
    } else if (ssh_is_connected(Ssh)) {
        Log.Sent(QStringLiteral("login with the password"));
        Watchdog.Arm();
        const std::string secret = Utf8(Password);
        if (Methods & SSH_AUTH_METHOD_PASSWORD) {
            if (ssh_userauth_password(Ssh, nullptr, secret.c_str()) == SSH_AUTH_SUCCESS)
                return true;
            Trial.PasswordReason = QStringLiteral("password refused");
        } else {
            const TKeyboardInteractiveResult result = LogInKeyboardInteractive(Ssh, secret);
            if (result.LoggedIn) return true;
            Trial.PasswordReason =
                result.Refusal.isEmpty() ? QStringLiteral("password refused") : result.Refusal;
        }
    }
    return false;
}

// Names each way that was tried and why it failed, so that the user knows
// what to change.
QString LoginRefusal(const QString& Username, const QString& Server, const TLoginTrial& Trial) {
    QString keyReason =
        Trial.RefusedKeys.isEmpty()
            ? QStringLiteral("no key to offer")
            : QStringLiteral("no key accepted (%1)").arg(Trial.RefusedKeys.join(u", "));
    if (!Trial.PassphraseKeys.isEmpty())
        keyReason += QStringLiteral(" (%1: keys with a passphrase need ssh-agent)")
                         .arg(Trial.PassphraseKeys.join(u", "));
    return QStringLiteral("The login as %1 at %2 was refused: %3, %4.")
        .arg(Username, Server, keyReason, Trial.PasswordReason);
}

}  // namespace

struct TSftpRemoteFolder::TSession {
    ssh_session Ssh = nullptr;
    sftp_session Sftp = nullptr;
    QString Server;  // "host:port", for messages
    QString Folder;  // the host directory's path on the server
    std::size_t WriteSize = kPortableWriteSize;
    TSftpWatchdog Watchdog;

    explicit TSession(std::chrono::milliseconds RequestTimeout)
        : Ssh(ssh_new()), Watchdog(RequestTimeout) {
        if (!Ssh) throw ESftpError("libssh cannot start a session");
    }
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;
    // The goodbye is a request too: a quiet server does not hold it.
    ~TSession() {
        const TSftpWatchdog::TGuard guard(Watchdog);
        if (Sftp) sftp_free(Sftp);
        ssh_disconnect(Ssh);
        ssh_free(Ssh);
    }

    // The connection failed, went quiet or was given up: nothing more can
    // go over it.
    bool Lost() const { return Watchdog.SocketShutDown() || !ssh_is_connected(Ssh); }

    // Why the session failed: a request without an answer in time, or
    // libssh's word (a connection lost).
    QString SessionError() const {
        if (Watchdog.Fired())
            return QStringLiteral("no answer within %1 s").arg(WholeSeconds(Watchdog.Timeout()));
        return SshError(Ssh);
    }

    QString PathOf(const QString& Name) const {
        return Folder.endsWith(u'/') ? Folder + Name : Folder + u'/' + Name;
    }

    // "what: why", with the session's error where the connection failed
    // and the server's status otherwise.
    ESftpError Failure(const QString& What) const {
        return ESftpError(Utf8(What + QStringLiteral(": ") + Reason()));
    }

  private:
    QString Reason() const {
        if (Lost()) return SessionError();
        const int status = Sftp ? sftp_get_error(Sftp) : SSH_FX_OK;
        QString why;
        switch (status) {
            case SSH_FX_NO_SUCH_FILE:
                why = QStringLiteral("no such file or folder");
                break;
            case SSH_FX_PERMISSION_DENIED:
                why = QStringLiteral("permission denied");
                break;
            case SSH_FX_FILE_ALREADY_EXISTS:
                why = QStringLiteral("it already exists");
                break;
            case SSH_FX_OP_UNSUPPORTED:
                why = QStringLiteral("not supported by the server");
                break;
            case SSH_FX_FAILURE:
                why = QStringLiteral("the server reports a failure");
                break;
            case SSH_FX_OK:  // no status: libssh's own failure
                why = SshError(Ssh);
                break;
            default:  // a status without a name here, maybe of a later SFTP version
                why = QStringLiteral("server status %1").arg(status);
                break;
        }
        return why;
    }
};

// An SFTP file is closed however the work on it ends.
void TSftpRemoteFolder::TSftpFileCloser::operator()(sftp_file File) const noexcept {
    sftp_close(File);
}

TSftpRemoteFolder::TSftpRemoteFolder() : TSftpRemoteFolder(DefaultRequestTimeout()) {}

TSftpRemoteFolder::TSftpRemoteFolder(std::chrono::milliseconds RequestTimeout)
    : FRequestTimeout(RequestTimeout) {}

TSftpRemoteFolder::~TSftpRemoteFolder() { Close(); }

void TSftpRemoteFolder::SetHostKeyCheck(THostKeyCheck Check) { FHostKeyCheck = std::move(Check); }

void TSftpRemoteFolder::SetLogFileName(const QString& FileName) { FLog.SetFileName(FileName); }

QString TSftpRemoteFolder::LogFileName() const { return FLog.FileName(); }

void TSftpRemoteFolder::SetCertificateCheck(TCertificateCheck) {}

TSftpRemoteFolder::TSession& TSftpRemoteFolder::Session() {
    if (!FSession) throw ESftpError("Not connected");
    return *FSession;
}

template <class TBody>
decltype(auto) TSftpRemoteFolder::OnSession(TBody&& Body) {
    TSession& S = Session();
    try {
        // Ends before the catch below: nothing watches a session dropped.
        const TSftpWatchdog::TGuard guard(S.Watchdog);
        return Body(S);
    } catch (...) {
        if (S.Lost()) {
            FLog.Received(QStringLiteral("session lost: ") + S.SessionError());
            FSession.reset();
        }
        throw;
    }
}

void TSftpRemoteFolder::CheckHostKey(TSession& S) {
    const int known = ssh_session_is_known_server(S.Ssh);
    if (known == SSH_KNOWN_HOSTS_OK) return;
    if (known == SSH_KNOWN_HOSTS_ERROR)
        throw ESftpError(Utf8(QStringLiteral("The host key of %1 cannot be checked: %2")
                                  .arg(S.Server, SshError(S.Ssh))));
    const QString fingerprint = HostKeyFingerprint(S.Ssh);
    if (known == SSH_KNOWN_HOSTS_CHANGED || known == SSH_KNOWN_HOSTS_OTHER) {
        FLog.Received(QStringLiteral("host key changed: ") + fingerprint);
        if (FHostKeyCheck) FHostKeyCheck(THostKeyStatus::Changed, S.Server, fingerprint);
        throw ESftpError(Utf8(QStringLiteral("The host key of %1 has changed (now %2); nothing "
                                             "was sent.")
                                  .arg(S.Server, fingerprint)));
    }
    FLog.Received(QStringLiteral("host key unknown: ") + fingerprint);
    if (!FHostKeyCheck)
        throw ESftpError(Utf8(QStringLiteral("The host key of %1 is not known (%2); nothing was "
                                             "sent.")
                                  .arg(S.Server, fingerprint)));
    FHostKeyCheck(THostKeyStatus::Unknown, S.Server, fingerprint);
    if (ssh_session_update_known_hosts(S.Ssh) != SSH_OK)
        throw ESftpError(Utf8(QStringLiteral("The host key of %1 cannot be added to "
                                             "known_hosts: %2")
                                  .arg(S.Server, SshError(S.Ssh))));
    FLog.Sent(QStringLiteral("host key added to known_hosts"));
}

void TSftpRemoteFolder::LogIn(TSession& S, const TServerAccount& Account) {
    S.Watchdog.Arm();
    if (ssh_userauth_none(S.Ssh, nullptr) == SSH_AUTH_SUCCESS) return;
    const int methods = ssh_userauth_list(S.Ssh, nullptr);
    TLoginTrial trial;
    if (methods & SSH_AUTH_METHOD_PUBLICKEY) {
        if (LogInWithAgent(S.Ssh, S.Watchdog, FLog, trial)) return;
        if (LogInWithDefaultKeys(S.Ssh, S.Watchdog, FLog, trial)) return;
    }
    if (LogInWithPassword(S.Ssh, methods, Account.Password, S.Watchdog, FLog, trial)) return;
    if (S.Lost())
        throw ESftpError(Utf8(QStringLiteral("The connection to %1 ended during the login: %2")
                                  .arg(S.Server, S.SessionError())));
    throw ESftpError(Utf8(LoginRefusal(Account.Username, S.Server, trial)));
}

void TSftpRemoteFolder::EnterFolder(TSession& S, const QString& Directory) {
    S.Watchdog.Arm();
    char* start = sftp_canonicalize_path(S.Sftp, ".");
    if (!start) throw S.Failure(QStringLiteral("The start folder cannot be found"));
    S.Folder = QString::fromUtf8(start);
    ssh_string_free_char(start);
    // A leading "/" starts at the server's root; empty levels are no levels.
    if (Directory.startsWith(u'/')) S.Folder = QStringLiteral("/");
    for (const QString& level : DirectoryComponents(Directory)) {
        if (level.isEmpty()) continue;
        const QString path = S.PathOf(level);
        FLog.Sent(QStringLiteral("mkdir ") + path);
        S.Watchdog.Arm();
        if (sftp_mkdir(S.Sftp, Utf8(path).c_str(), 0755) != SSH_OK)
            FLog.Received(S.Failure(QStringLiteral("mkdir")).what());  // typically there already
        S.Watchdog.Arm();
        sftp_attributes attributes = sftp_stat(S.Sftp, Utf8(path).c_str());
        if (!attributes)
            throw S.Failure(QStringLiteral("The folder %1 cannot be entered").arg(path));
        const bool folder = attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
        sftp_attributes_free(attributes);
        if (!folder) throw ESftpError(Utf8(path + QStringLiteral(" is not a folder")));
        S.Folder = path;
    }
}

void TSftpRemoteFolder::Open(const TServerAccount& Account) {
    Close();  // a session an earlier failure left open
    FLog.BeginSession();
    auto session = std::make_unique<TSession>(FRequestTimeout);
    TSession& S = *session;
    S.Server = Account.Server();
    const std::string host = Utf8(Account.Host), user = Utf8(Account.Username);
    const std::string sshFolder = Utf8(QDir::homePath() + QStringLiteral("/.ssh"));
    const std::string knownHosts = sshFolder + "/known_hosts";
    const unsigned port = Account.Port;
    // libssh's own bound on each wait (the connect among them); the
    // watchdog bounds each request as a whole.
    const long timeout = WholeSeconds(FRequestTimeout);
    const int yes = 1, no = 0;
    ssh_options_set(S.Ssh, SSH_OPTIONS_HOST, host.c_str());
    ssh_options_set(S.Ssh, SSH_OPTIONS_PORT, &port);
    if (!user.empty()) ssh_options_set(S.Ssh, SSH_OPTIONS_USER, user.c_str());
    // The home of the environment, as everywhere in the program (not the
    // password database's, which libssh would take).
    ssh_options_set(S.Ssh, SSH_OPTIONS_SSH_DIR, sshFolder.c_str());
    ssh_options_set(S.Ssh, SSH_OPTIONS_KNOWNHOSTS, knownHosts.c_str());
    ssh_options_set(S.Ssh, SSH_OPTIONS_TIMEOUT, &timeout);
    ssh_options_set(S.Ssh, SSH_OPTIONS_CIPHERS_C_S, kCiphers);
    ssh_options_set(S.Ssh, SSH_OPTIONS_CIPHERS_S_C, kCiphers);
    // Small packets (each write's answer) must not wait for more to come.
    ssh_options_set(S.Ssh, SSH_OPTIONS_NODELAY, &yes);
    // The settings say where to go; ~/.ssh/config could send us elsewhere.
    ssh_options_set(S.Ssh, SSH_OPTIONS_PROCESS_CONFIG, &no);

    FLog.Sent(QStringLiteral("connect sftp://%1@%2").arg(Account.Username, S.Server));
    if (ssh_connect(S.Ssh) != SSH_OK)
        throw ESftpError(
            Utf8(QStringLiteral("Cannot connect to %1: %2").arg(S.Server, SshError(S.Ssh))));
    S.Watchdog.Watch(ssh_get_fd(S.Ssh));
    FLog.Connected();
    // Not watched: the user may take a while to answer about the host key.
    CheckHostKey(S);
    {
        const TSftpWatchdog::TGuard guard(S.Watchdog);
        LogIn(S, Account);
        guard.Next();
        S.Sftp = sftp_new(S.Ssh);
        guard.Next();
        if (!S.Sftp || sftp_init(S.Sftp) != SSH_OK)
            throw ESftpError(
                Utf8(QStringLiteral("%1 offers no SFTP: %2").arg(S.Server, S.SessionError())));
        const char* banner = ssh_get_serverbanner(S.Ssh);
        if (banner && std::string_view(banner).find("OpenSSH") != std::string_view::npos)
            S.WriteSize = kOpenSshWriteSize;
        EnterFolder(S, Account.Directory);
    }
    FSession = std::move(session);
}

void TSftpRemoteFolder::Put(const QString& LocalFile, const QString& RemoteName,
                            const TProgress& Progress) {
    OnSession([&](TSession& S) {
        QFile in(LocalFile);
        if (!in.open(QIODevice::ReadOnly))
            throw EFileError(
                Utf8(QStringLiteral("Cannot open %1: %2").arg(LocalFile, in.errorString())));
        const auto total = static_cast<std::uint64_t>(in.size());
        FLog.Sent(QStringLiteral("put %1 (%2 bytes)").arg(RemoteName).arg(total));
        TSftpFile file(sftp_open(S.Sftp, Utf8(S.PathOf(RemoteName)).c_str(),
                                 O_WRONLY | O_CREAT | O_TRUNC, 0644));
        if (!file) throw S.Failure(RemoteName + QStringLiteral(" cannot be created"));
        const auto read = [&](char* Buffer, std::size_t Size) {
            const qint64 n = in.read(Buffer, static_cast<qint64>(Size));
            if (n < 0)
                throw EFileError(
                    Utf8(QStringLiteral("Cannot read %1: %2").arg(LocalFile, in.errorString())));
            return static_cast<std::size_t>(n);
        };
        WriteAndClose(S, std::move(file), RemoteName, read, [&](std::uint64_t Confirmed) {
            if (Progress) Progress(Confirmed, total);
        });
    });
}

void TSftpRemoteFolder::WriteAndClose(TSession& S, TSftpFile File, const QString& RemoteName,
                                      const TUploadSource& Source,
                                      const std::function<void(std::uint64_t)>& Progress) {
    // Each confirmed write is progress: the next answer has the whole time.
    const TWriteResult result = WritePipelined(File.get(), Source, S.WriteSize, kInFlightBytes,
                                               static_cast<int>(S.Watchdog.Timeout().count()),
                                               [&](std::uint64_t Confirmed) {
                                                   S.Watchdog.Arm();
                                                   if (Progress) Progress(Confirmed);
                                               });
    if (!result.InStep()) {
        // Answers are still due, or came broken: the next answer the session
        // reads would be one of them. Shut down first, so that freeing the
        // file sends no CLOSE to wait for. The writer's own deadline may end
        // a quiet server's wait before the watchdog's: the same timeout.
        if (result.Outcome == TWriteOutcome::TimedOut)
            S.Watchdog.Expire();
        else
            S.Watchdog.ShutDown();
        File.reset();
    }
    if (result.Stopped) std::rethrow_exception(result.Stopped);
    switch (result.Outcome) {
        case TWriteOutcome::Done:
            break;
        case TWriteOutcome::Refused:
            throw S.Failure(RemoteName + QStringLiteral(" cannot be written"));
        case TWriteOutcome::ConnectionLost:
        case TWriteOutcome::TimedOut: {
            const QString why = S.SessionError();
            throw ESftpError(Utf8(QStringLiteral("The connection to %1 failed or went quiet "
                                                 "during the upload of %2: %3")
                                      .arg(S.Server, RemoteName, why)));
        }
        case TWriteOutcome::BrokenReply:
            throw ESftpError(Utf8(QStringLiteral("%1 answered the upload of %2 with something "
                                                 "other than a write status")
                                      .arg(S.Server, RemoteName)));
    }
    // The server's answer to the close tells whether everything landed.
    S.Watchdog.Arm();
    if (sftp_close(File.release()) != SSH_NO_ERROR)
        throw S.Failure(RemoteName + QStringLiteral(" cannot be completed"));
}

namespace {

// `Content` in the pieces an upload asks for.
TUploadSource ContentSource(const QByteArray& Content) {
    return [&Content, at = qsizetype{0}](char* Buffer, std::size_t Size) mutable {
        const auto n = std::min<std::size_t>(Size, static_cast<std::size_t>(Content.size() - at));
        std::memcpy(Buffer, Content.constData() + at, n);
        at += static_cast<qsizetype>(n);
        return n;
    };
}

}  // namespace

void TSftpRemoteFolder::PutContent(const QByteArray& Content, const QString& RemoteName) {
    OnSession([&](TSession& S) {
        FLog.Sent(QStringLiteral("put %1 (%2 bytes)").arg(RemoteName).arg(Content.size()));
        TSftpFile file(sftp_open(S.Sftp, Utf8(S.PathOf(RemoteName)).c_str(),
                                 O_WRONLY | O_CREAT | O_TRUNC, 0644));
        if (!file) throw S.Failure(RemoteName + QStringLiteral(" cannot be created"));
        WriteAndClose(S, std::move(file), RemoteName, ContentSource(Content));
    });
}

void TSftpRemoteFolder::Append(const QByteArray& Content, const QString& RemoteName) {
    OnSession([&](TSession& S) {
        FLog.Sent(QStringLiteral("append %1 (%2 bytes)").arg(RemoteName).arg(Content.size()));
        const std::string path = Utf8(S.PathOf(RemoteName));
        // Written at the end found by a stat, not with the append flag: some
        // servers pass over that flag and would overwrite the file's start
        // (and libssh 0.10 leaks a little memory on it).
        TSftpFile file(sftp_open(S.Sftp, path.c_str(), O_WRONLY | O_CREAT, 0644));
        if (!file) throw S.Failure(RemoteName + QStringLiteral(" cannot be opened"));
        S.Watchdog.Arm();
        sftp_attributes attributes = sftp_fstat(file.get());
        if (!attributes) throw S.Failure(RemoteName + QStringLiteral(" cannot be measured"));
        const std::uint64_t size = attributes->size;
        sftp_attributes_free(attributes);
        if (sftp_seek64(file.get(), size) != 0)
            throw S.Failure(RemoteName + QStringLiteral(" cannot be appended to"));
        S.Watchdog.Arm();
        WriteAndClose(S, std::move(file), RemoteName, ContentSource(Content));
    });
}

QByteArray TSftpRemoteFolder::Get(const QString& RemoteName) {
    return OnSession([&](TSession& S) {
        FLog.Sent(QStringLiteral("get ") + RemoteName);
        TSftpFile file(sftp_open(S.Sftp, Utf8(S.PathOf(RemoteName)).c_str(), O_RDONLY, 0));
        if (!file) throw S.Failure(RemoteName + QStringLiteral(" cannot be opened"));
        QByteArray content;
        std::vector<char> buffer(kReadSize);
        for (;;) {
            S.Watchdog.Arm();
            const ssize_t n = sftp_read(file.get(), buffer.data(), buffer.size());
            if (n < 0) throw S.Failure(RemoteName + QStringLiteral(" cannot be read"));
            if (n == 0) break;
            if (content.size() + n > kMaxDownloadBytes) {
                S.Watchdog.Arm();  // the close on the way out
                throw ESftpError(Utf8(QStringLiteral("%1 is larger than %2 MiB; it was not read.")
                                          .arg(RemoteName)
                                          .arg(kMaxDownloadBytes / (1024 * 1024))));
            }
            content.append(buffer.data(), static_cast<qsizetype>(n));
        }
        S.Watchdog.Arm();  // the close on the way out
        return content;
    });
}

namespace {

// libssh's open folder, closed however the listing ends.
struct TSftpDirCloser {
    void operator()(sftp_dir Dir) const noexcept { sftp_closedir(Dir); }
};

}  // namespace

QStringList TSftpRemoteFolder::ListNames() {
    return OnSession([&](TSession& S) {
        FLog.Sent(QStringLiteral("list ") + S.Folder);
        const std::unique_ptr<sftp_dir_struct, TSftpDirCloser> dir(
            sftp_opendir(S.Sftp, Utf8(S.Folder).c_str()));
        if (!dir) throw S.Failure(S.Folder + QStringLiteral(" cannot be listed"));
        QStringList names;
        qint64 bytes = 0;
        int entries = 0;
        for (;;) {
            S.Watchdog.Arm();
            sftp_attributes entry = sftp_readdir(S.Sftp, dir.get());
            if (!entry) break;
            const std::size_t length = entry->name ? std::strlen(entry->name) : 0;
            const QString name = QString::fromUtf8(entry->name, static_cast<qsizetype>(length));
            sftp_attributes_free(entry);
            bytes += kListingEntryBytes + static_cast<qint64>(length);
            if (bytes > kMaxListingBytes || ++entries > kMaxListingEntries) {
                S.Watchdog.Arm();  // the close on the way out
                throw ESftpError(Utf8(QStringLiteral("The listing of %1 is larger than %2 MiB or "
                                                     "has more than %3 entries.")
                                          .arg(S.Folder)
                                          .arg(kMaxListingBytes / (1024 * 1024))
                                          .arg(kMaxListingEntries)));
            }
            if (name != u"." && name != u"..") names << name;
        }
        if (!sftp_dir_eof(dir.get()))
            throw S.Failure(S.Folder + QStringLiteral(" cannot be listed to the end"));
        S.Watchdog.Arm();  // the close on the way out
        return names;
    });
}

void TSftpRemoteFolder::Delete(const QString& RemoteName) {
    OnSession([&](TSession& S) {
        FLog.Sent(QStringLiteral("delete ") + RemoteName);
        if (sftp_unlink(S.Sftp, Utf8(S.PathOf(RemoteName)).c_str()) != SSH_OK)
            throw S.Failure(RemoteName + QStringLiteral(" cannot be deleted"));
    });
}

void TSftpRemoteFolder::Close() noexcept {
    if (FSession) {
        FLog.Sent(QStringLiteral("disconnect"));
        FSession.reset();
        FLog.Disconnected();
    }
    FLog.EndSession();
}

}  // namespace vd::app
