#include "TIdSSLIOHandlerSocketOpenSSL.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <ctime>
#include <utility>

#include "SocketErrors.h"

namespace vd::ftp {

namespace {

constexpr const char* kDefaultCipherList = "AES:ALL:!aNULL:!eNULL:+RC4:@STRENGTH";
constexpr const char* kProtocolEOF = "EOF festgestellt, das gegen das Protokoll verstößt";
constexpr int kDefaultTLSSocketTimeoutMs = 30000;
// RawRead/RawWrite error meaning "a TLS failure is waiting to be raised".
constexpr int kTLSFailure = -1000;

// OpenSSL writes to the socket with write(), which raises SIGPIPE when the
// peer has gone; that would end the whole program. The signal is held back
// on this thread for the duration of each TLS call and a SIGPIPE the call
// caused is taken off again (the errno EPIPE reports the failure).
class TSigPipeBlock final {
  public:
    TSigPipeBlock() noexcept {
        sigemptyset(&FPipe);
        sigaddset(&FPipe, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        ::sigpending(&pending);
        FWasPending = sigismember(&pending, SIGPIPE) == 1;
        ::pthread_sigmask(SIG_BLOCK, &FPipe, &FOld);
    }
    TSigPipeBlock(const TSigPipeBlock&) = delete;
    TSigPipeBlock& operator=(const TSigPipeBlock&) = delete;
    ~TSigPipeBlock() {
        const int savedErrno = errno;
        if (!FWasPending) {
            sigset_t pending;
            sigemptyset(&pending);
            ::sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                const timespec zero{};
                while (::sigtimedwait(&FPipe, nullptr, &zero) < 0 && errno == EINTR) {
                }
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &FOld, nullptr);
        errno = savedErrno;
    }

  private:
    sigset_t FPipe, FOld;
    bool FWasPending = false;
};

// The socket without blocking for the life of the object, as it was after.
class TNonBlockingSocket final {
  public:
    explicit TNonBlockingSocket(int handle) noexcept
        : FHandle(handle), FFlags(::fcntl(handle, F_GETFL)) {
        if (FFlags >= 0) ::fcntl(FHandle, F_SETFL, FFlags | O_NONBLOCK);
    }
    TNonBlockingSocket(const TNonBlockingSocket&) = delete;
    TNonBlockingSocket& operator=(const TNonBlockingSocket&) = delete;
    ~TNonBlockingSocket() {
        if (FFlags >= 0) ::fcntl(FHandle, F_SETFL, FFlags);
    }

  private:
    int FHandle;
    int FFlags;
};

// Waits up to `ms` for the socket to be ready for `events`; false when the
// time ran out. A failed poll lets the next call report the error.
bool WaitForSocket(int handle, short events, int ms) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        pollfd p{handle, events, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (rc > 0) return true;
        if (rc == 0) return false;
        if (errno != EINTR) return true;
    }
}

// The session whose TLS call runs on this thread, for OpenSSL's read hook.
thread_local TIdSSLSocket* tCurrentSocket = nullptr;

long RawInputHook(ossl::BIO*, int oper, const char* argp, size_t, int, long, int ret,
                  size_t* processed) {
    if (oper == (ossl::BIO_CB_READ | ossl::BIO_CB_RETURN) && ret > 0 && argp && processed &&
        tCurrentSocket)
        tCurrentSocket->NoteRawInput(argp, *processed);
    return ret;
}

int PasswordCallback(char*, int, int, void*) { return 0; }  // no key files, no password events

// The first code of OpenSSL's error queue and its text (at most 159
// characters); the queue is emptied.
std::pair<std::string, unsigned long> TakeQueueError(const TIdOpenSSLApi& api) {
    const unsigned long code = api.ERR_get_error ? api.ERR_get_error() : api.ERR_peek_error();
    std::string text;
    if (code != 0 && api.ERR_error_string_n) {
        char buffer[160] = {};
        api.ERR_error_string_n(code, buffer, sizeof buffer);
        text = buffer;
    }
    api.ERR_clear_error();
    return {text, code};
}

std::string ErrorCodeText(const TIdOpenSSLApi& api, unsigned long code) {
    if (!api.ERR_error_string_n) return {};
    char buffer[160] = {};
    api.ERR_error_string_n(code, buffer, sizeof buffer);
    return buffer;
}

// OpenSSL 3 reports a peer that closed without a close notification as an
// SSL_ERROR_SSL "unexpected eof while reading"; OpenSSL 1.0 as an
// SSL_ERROR_SYSCALL with result 0.
bool IsUnexpectedEOF(const TIdOpenSSLApi& api) {
    const unsigned long code = api.ERR_peek_error();
    return ossl::ErrGetLib(code) == ossl::ERR_LIB_SSL &&
           ossl::ErrGetReason(code) == ossl::SSL_R_UNEXPECTED_EOF_WHILE_READING;
}

// RFC 6066, 3: "Literal IPv4 and IPv6 addresses are not permitted in
// HostName."
bool IsIPLiteral(const std::string& host) {
    unsigned char address[16];
    return ::inet_pton(AF_INET, host.c_str(), address) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// The host of "scheme://[user@]host[:port]/path".
std::string HostOfURI(const std::string& uri) {
    size_t start = uri.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    const size_t end = uri.find_first_of("/?#", start);
    std::string authority =
        uri.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (const size_t at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
    if (!authority.empty() && authority.front() == '[')
        return authority.substr(1, authority.find(']') - 1);
    return authority.substr(0, authority.find(':'));
}

int WireVersion(TIdSSLVersion v) {
    switch (v) {
        case TIdSSLVersion::sslvSSLv3:
            return ossl::SSL3_VERSION;
        case TIdSSLVersion::sslvTLSv1:
            return ossl::TLS1_VERSION;
        case TIdSSLVersion::sslvTLSv1_1:
            return ossl::TLS1_1_VERSION;
        case TIdSSLVersion::sslvTLSv1_2:
            return ossl::TLS1_2_VERSION;
        default:
            return 0;  // SSL 2 is gone from OpenSSL; sslvSSLv23 names no single version
    }
}

uint64_t NoVersionOption(int wire) {
    switch (wire) {
        case ossl::SSL3_VERSION:
            return ossl::SSL_OP_NO_SSLv3;
        case ossl::TLS1_VERSION:
            return ossl::SSL_OP_NO_TLSv1;
        case ossl::TLS1_1_VERSION:
            return ossl::SSL_OP_NO_TLSv1_1;
        default:
            return ossl::SSL_OP_NO_TLSv1_2;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// TIdSSLContext

TIdSSLContext::TIdSSLContext(TIdOpenSSLLibrary& library, const TIdSSLOptions& options,
                             TIdSSLIOHandlerSocketOpenSSL* parent)
    : FLibrary(library),
      FParent(parent),
      FMethod(options.Method()),
      FSSLVersions(options.SSLVersions()),
      FMode(options.Mode()),
      FRootCertFile(options.RootCertFile()),
      FCertFile(options.CertFile()),
      FKeyFile(options.KeyFile()),
      FDHParamsFile(options.DHParamsFile()),
      FVerifyDepth(options.VerifyDepth()),
      FVerifyMode(options.VerifyMode()),
      FVerifyDirs(options.VerifyDirs()),
      FCipherList(options.CipherList()) {
    if (!FLibrary.Load()) throw EIdOSSLCouldNotLoadSSLLibrary(FLibrary.FailedLoadList());
    FStatusInfoOn = parent && parent->OnStatusInfo != nullptr;
}

TIdSSLContext::~TIdSSLContext() {
    if (FContext) FLibrary.Api().SSL_CTX_free(FContext);
}

void TIdSSLContext::InitContext(TIdSSLCtxMode ctxMode) {
    const TIdOpenSSLApi& api = FLibrary.Api();
    if (FMode == TIdSSLMode::sslmUnassigned)
        FMode = ctxMode == TIdSSLCtxMode::sslCtxServer ? TIdSSLMode::sslmServer
                                                       : TIdSSLMode::sslmClient;
    const ossl::SSL_METHOD* method = ChooseMethod();
    api.ERR_clear_error();
    FContext = api.SSL_CTX_new(method);
    if (!FContext) {
        const auto [text, code] = TakeQueueError(api);
        throw EIdOSSLCreatingContextError(JoinDetail(EIdOSSLCreatingContextError::kMessage, text),
                                          code);
    }
    FLibrary.NoteContextCreated();
    SetProtocolVersions();
    api.SSL_CTX_ctrl(FContext, ossl::SSL_CTRL_MODE, ossl::SSL_MODE_AUTO_RETRY, nullptr);
    api.SSL_CTX_set_default_passwd_cb(FContext, PasswordCallback);
    api.SSL_CTX_set_default_passwd_cb_userdata(FContext, this);
    SetCipherList();
    SetVerification();
}

// One version-flexible method per role; the versions are limited on the
// context (SetProtocolVersions).
const ossl::SSL_METHOD* TIdSSLContext::ChooseMethod() const {
    const TIdOpenSSLApi& api = FLibrary.Api();
    const ossl::SSL_METHOD* (*get)() = nullptr;
    switch (FMode) {
        case TIdSSLMode::sslmUnassigned:
            throw EIdOSSLModeNotSet();
        case TIdSSLMode::sslmClient:
            get = api.TLS_client_method;
            break;
        case TIdSSLMode::sslmServer:
            get = api.TLS_server_method;
            break;
        case TIdSSLMode::sslmBoth:
            get = api.TLS_method;
            break;
    }
    const ossl::SSL_METHOD* method = get ? get() : nullptr;
    if (!method) throw EIdOSSLGetMethodError();
    return method;
}

// The lowest and highest version of SSLVersions become the context's range;
// a version missing in between is switched off by its option. With
// {sslvTLSv1_2} TLS 1.2 is the only protocol.
void TIdSSLContext::SetProtocolVersions() {
    const TIdOpenSSLApi& api = FLibrary.Api();
    std::set<int> wanted;
    for (const TIdSSLVersion v : FSSLVersions)
        if (const int wire = WireVersion(v)) wanted.insert(wire);
    if (wanted.empty()) throw EIdOSSLGetMethodError();
    FMinProto = *wanted.begin();
    FMaxProto = *wanted.rbegin();
    api.SSL_CTX_ctrl(FContext, ossl::SSL_CTRL_SET_MIN_PROTO_VERSION, FMinProto, nullptr);
    api.SSL_CTX_ctrl(FContext, ossl::SSL_CTRL_SET_MAX_PROTO_VERSION, FMaxProto, nullptr);
    uint64_t off = 0;
    for (int wire = FMinProto + 1; wire < FMaxProto; ++wire)
        if (!wanted.count(wire)) off |= NoVersionOption(wire);
    if (off && api.SSL_CTX_set_options) api.SSL_CTX_set_options(FContext, off);
}

void TIdSSLContext::SetCipherList() {
    const std::string list = FCipherList.empty() ? std::string(kDefaultCipherList) : FCipherList;
    if (FLibrary.Api().SSL_CTX_set_cipher_list(FContext, list.c_str()) <= 0) {
        FLibrary.Api().ERR_clear_error();
        throw EIdOSSLSettingCipherError();
    }
}

// Only when asked for: an empty VerifyMode accepts any certificate.
//
// The default certificate locations are loaded only then, too: nothing
// consults them without verification, and reading the system's bundle
// costs OpenSSL 3 about 25 ms per context (result deliberately unchecked).
void TIdSSLContext::SetVerification() {
    if (FVerifyMode.empty()) return;
    FLibrary.Api().SSL_CTX_set_default_verify_paths(FContext);
    FLibrary.Api().ERR_clear_error();
    int flags = 0;
    if (FVerifyMode.count(TIdSSLVerifyMode::sslvrfPeer)) flags |= 1;
    if (FVerifyMode.count(TIdSSLVerifyMode::sslvrfFailIfNoPeerCert)) flags |= 2;
    if (FVerifyMode.count(TIdSSLVerifyMode::sslvrfClientOnce)) flags |= 4;
    FLibrary.Api().SSL_CTX_set_verify(FContext, flags, nullptr);
    FLibrary.Api().SSL_CTX_set_verify_depth(FContext, FVerifyDepth);
}

// ---------------------------------------------------------------------------
// TIdSSLSocket

// Frames one TLS call: an empty error queue (SSL_get_error relies on it),
// SIGPIPE held back, and the raw input of this call recorded from its start.
class TIdSSLSocket::TCall final {
  public:
    explicit TCall(TIdSSLSocket& socket) : FPrevious(tCurrentSocket) {
        socket.FApi.ERR_clear_error();
        socket.FRawInput.clear();
        tCurrentSocket = &socket;
    }
    TCall(const TCall&) = delete;
    TCall& operator=(const TCall&) = delete;
    ~TCall() { tCurrentSocket = FPrevious; }

  private:
    TSigPipeBlock FBlock;
    TIdSSLSocket* FPrevious;
};

// The handler that owns the socket is not needed once the context is known.
TIdSSLSocket::TIdSSLSocket(TIdSSLIOHandlerSocketOpenSSL*, TIdSSLContext& context)
    : FSSLContext(context), FApi(context.Library().Api()) {}

TIdSSLSocket::~TIdSSLSocket() {
    if (!FSSL) return;
    if (FConnected && !FFatal) {
        // One close notification, not waiting for the server's (and not
        // looking at the result).
        TCall call(*this);
        FApi.SSL_shutdown(FSSL);
    }
    FApi.SSL_free(FSSL);
    FApi.ERR_clear_error();
}

void TIdSSLSocket::NoteRawInput(const char* data, size_t n) {
    constexpr size_t kKeep = 256;
    if (FRawInput.size() < kKeep) FRawInput.append(data, std::min(n, kKeep - FRawInput.size()));
}

void TIdSSLSocket::Connect(int handle, const std::string& hostName,
                           const TIdSSLSessionHandle& resume) {
    FHandle = handle;
    FHostName = hostName;
    FApi.ERR_clear_error();
    FSSL = FApi.SSL_new(FSSLContext.Context());
    if (!FSSL) {
        FApi.ERR_clear_error();
        throw EIdOSSLCreatingSessionError();
    }
    if (FApi.SSL_set_ex_data) {
        const int r = FApi.SSL_set_ex_data(FSSL, 0, this);
        if (r <= 0) RaiseError(r, errno, EIdOSSLDataBindingError::kMessage, 1);
    }
    if (const int r = FApi.SSL_set_fd(FSSL, handle); r <= 0)
        RaiseError(r, errno, EIdOSSLFDSetError::kMessage, 2);
    FApi.BIO_set_callback_ex(FApi.SSL_get_rbio(FSSL), RawInputHook);
    // A session the server does not know any more only costs the full
    // handshake it would have had anyway.
    if (resume) FApi.SSL_set_session(FSSL, resume.get());
    if (!hostName.empty() && !IsIPLiteral(hostName))
        FApi.SSL_ctrl(FSSL, ossl::SSL_CTRL_SET_TLSEXT_HOSTNAME, ossl::TLSEXT_NAMETYPE_host_name,
                      const_cast<char*>(hostName.c_str()));
    for (;;) {
        TCall call(*this);
        const int r = FApi.SSL_connect(FSSL);
        const int savedErrno = errno;
        if (r == 1) break;
        const int code = FApi.SSL_get_error(FSSL, r);
        if ((code == ossl::SSL_ERROR_WANT_READ || code == ossl::SSL_ERROR_WANT_WRITE) &&
            savedErrno == EINTR)
            continue;
        FFatal = true;
        RaiseError(r, savedErrno, EIdOSSLConnectError::kMessage, 3);
    }
    FConnected = true;
}

// Turns a failed call into its error (kind: 0 read or write, 1 data
// binding, 2 descriptor, 3 handshake).
void TIdSSLSocket::RaiseError(int ret, int savedErrno, const std::string& message, int kind) {
    const int code = FApi.SSL_get_error(FSSL, ret);
    const bool unexpectedEOF = code == ossl::SSL_ERROR_SSL && IsUnexpectedEOF(FApi);
    const bool queued = FApi.ERR_peek_error() != 0;
    if (!unexpectedEOF &&
        (code == ossl::SSL_ERROR_SSL || (code == ossl::SSL_ERROR_SYSCALL && queued))) {
        const std::string note = PlainTextNote();
        const auto [detail, first] = TakeQueueError(FApi);
        throw EIdOSSLUnderlyingCryptoError(JoinDetail(JoinDetail(message, detail), note), first);
    }
    // A blocking socket asks for a retry only when its SO_RCVTIMEO or
    // SO_SNDTIMEO ran out.
    if (code == ossl::SSL_ERROR_WANT_READ || code == ossl::SSL_ERROR_WANT_WRITE)
        RaiseSocketError(kWSAETIMEDOUT);
    std::string detail;
    int errorCode = code;
    if (unexpectedEOF || code == ossl::SSL_ERROR_SYSCALL) {
        FApi.ERR_clear_error();
        if (!unexpectedEOF && ret < 0 && savedErrno != 0)
            RaiseSocketError(WinSockErrorFromErrno(savedErrno));
        detail = kProtocolEOF;
        errorCode = ossl::SSL_ERROR_SYSCALL;
    } else {
        detail = ErrorCodeText(FApi, static_cast<unsigned long>(code));
    }
    const std::string text = JoinDetail(message, detail);
    switch (kind) {
        case 1:
            throw EIdOSSLDataBindingError(text, errorCode, ret);
        case 2:
            throw EIdOSSLFDSetError(text, errorCode, ret);
        case 3:
            throw EIdOSSLConnectError(text, errorCode, ret);
        default:
            throw EIdOpenSSLAPISSLError(text, errorCode, ret);
    }
}

// A server that writes plain text into the TLS session (vsftpd's "500 OOPS"
// does when it gives up) makes OpenSSL report a bad record. What it wrote
// is more use to the user than that: the line is read on from the socket
// (briefly) and quoted.
std::string TIdSSLSocket::PlainTextNote() {
    if (FRawInput.empty()) return {};
    const auto first = static_cast<unsigned char>(FRawInput[0]);
    if (first >= 20 && first <= 24) return {};  // a TLS record type
    std::string line = FRawInput;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (line.find('\n') == std::string::npos && line.size() < 256) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{FHandle, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char more[256];
        const ssize_t n = ::recv(FHandle, more, sizeof more, MSG_DONTWAIT);
        if (n <= 0) break;
        line.append(more, static_cast<size_t>(n));
    }
    std::string text;
    for (const char c : line) {
        if (c == '\r' || c == '\n') break;
        text += static_cast<unsigned char>(c) < 32 || c == 127 ? '?' : c;
        if (text.size() >= 200) break;
    }
    return "Unverschlüsselte Antwort des Servers: " + text;
}

long TIdSSLSocket::Recv(char* buffer, size_t n, int& error) {
    for (;;) {
        TCall call(*this);
        const int r = FApi.SSL_read(FSSL, buffer, static_cast<int>(std::min<size_t>(n, INT_MAX)));
        const int savedErrno = errno;
        if (r > 0) return r;
        const int code = FApi.SSL_get_error(FSSL, r);
        switch (code) {
            case ossl::SSL_ERROR_ZERO_RETURN:
                return 0;  // the server's close notification
            case ossl::SSL_ERROR_WANT_READ:
            case ossl::SSL_ERROR_WANT_WRITE:
                if (savedErrno == EINTR) continue;
                FWantsWrite = code == ossl::SSL_ERROR_WANT_WRITE;
                error = kWSAEWOULDBLOCK;
                return -1;
            case ossl::SSL_ERROR_SYSCALL:
                if (FApi.ERR_peek_error() != 0) break;
                FFatal = true;
                if (r == 0 || savedErrno == 0) return 0;
                error = WinSockErrorFromErrno(savedErrno);
                return -1;
            case ossl::SSL_ERROR_SSL:
                // The peer went without a close notification: for line-framed FTP
                // replies that is the end of the connection like any other.
                if (!IsUnexpectedEOF(FApi)) break;
                FApi.ERR_clear_error();
                FFatal = true;
                return 0;
            default:
                break;
        }
        FFatal = true;
        RaiseError(r, savedErrno, {}, 0);
    }
}

long TIdSSLSocket::Send(const char* buffer, size_t n, int& error) {
    size_t done = 0;
    while (done < n) {
        TCall call(*this);
        const int r = FApi.SSL_write(FSSL, buffer + done,
                                     static_cast<int>(std::min<size_t>(n - done, INT_MAX)));
        const int savedErrno = errno;
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        const int code = FApi.SSL_get_error(FSSL, r);
        if (code == ossl::SSL_ERROR_ZERO_RETURN) return 0;
        if (code == ossl::SSL_ERROR_WANT_READ || code == ossl::SSL_ERROR_WANT_WRITE) {
            if (savedErrno == EINTR) continue;
            error = kWSAETIMEDOUT;
            return -1;
        }
        FFatal = true;
        if (code == ossl::SSL_ERROR_SYSCALL && FApi.ERR_peek_error() == 0) {
            if (r == 0 || savedErrno == 0) return 0;
            error = WinSockErrorFromErrno(savedErrno);
            return -1;
        }
        RaiseError(r, savedErrno, {}, 0);
    }
    return static_cast<long>(done);
}

int TIdSSLSocket::Pending() const {
    if (!FSSL || !FApi.SSL_pending) return 0;
    return FApi.SSL_pending(FSSL);
}

std::string TIdSSLSocket::CipherInfo() const {
    const ossl::SSL_CIPHER* cipher = FApi.SSL_get_current_cipher(FSSL);
    if (!cipher) return {};
    char description[256] = {};
    FApi.SSL_CIPHER_description(cipher, description, sizeof description);
    std::string desc = description;
    while (!desc.empty() && (desc.back() == '\n' || desc.back() == ' ')) desc.pop_back();
    const char* name = FApi.SSL_CIPHER_get_name(cipher);
    const char* version = FApi.SSL_get_version(FSSL);
    return std::string("Cipher: name = ") + (name ? name : "") + "; description = " + desc +
           "; bits = " + std::to_string(FApi.SSL_CIPHER_get_bits(cipher, nullptr)) +
           "; version = " + (version ? version : "") + "; ";
}

TIdSSLSessionHandle TIdSSLSocket::Session() const {
    if (!FSSL || !FConnected) return nullptr;
    ossl::SSL_SESSION* session = FApi.SSL_get1_session(FSSL);
    if (!session) return nullptr;
    return TIdSSLSessionHandle(session, FApi.SSL_SESSION_free);
}

bool TIdSSLSocket::SessionReused() const {
    return FSSL && FConnected && FApi.SSL_session_reused(FSSL) == 1;
}

std::string TIdSSLSocket::PeerFingerprint() const {
    if (!FSSL || !FConnected) return {};
    ossl::X509* certificate = FApi.SSL_get1_peer_certificate(FSSL);
    if (!certificate) return {};
    unsigned char digest[64] = {};
    unsigned int length = 0;
    const int ok = FApi.X509_digest(certificate, FApi.EVP_sha256(), digest, &length);
    FApi.X509_free(certificate);
    FApi.ERR_clear_error();
    if (ok != 1) return {};
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length && i < sizeof digest; ++i) {
        if (i) text += ':';
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

// ---------------------------------------------------------------------------
// TIdSSLIOHandlerSocketOpenSSL

TIdSSLIOHandlerSocketOpenSSL::~TIdSSLIOHandlerSocketOpenSSL() { ReleaseTLS(); }

bool TIdSSLIOHandlerSocketOpenSSL::TLSActive() const noexcept {
    return !PassThrough() && FSSLSocket && FSSLSocket->Connected();
}

std::unique_ptr<TIdSSLIOHandlerSocketBase> TIdSSLIOHandlerSocketOpenSSL::Clone(
    bool resumeSession) const {
    auto data = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
    data->SetLibrary(FLibrary);
    data->FSSLOptions = FSSLOptions;
    data->SetServerName(ServerName());
    if (resumeSession && FSSLSocket) data->SetSessionToResume(FSSLSocket->Session());
    data->SetPassThrough(true);
    return data;
}

std::string TIdSSLIOHandlerSocketOpenSSL::PeerFingerprint() const {
    return TLSActive() ? FSSLSocket->PeerFingerprint() : std::string();
}

void TIdSSLIOHandlerSocketOpenSSL::ReleaseTLS() noexcept {
    FSSLSocket.reset();
    FSSLContext.reset();
}

// The TCP connect, then the context for this connection; without
// pass-through the handshake follows at once (implicit TLS).
void TIdSSLIOHandlerSocketOpenSSL::RawOpen() {
    FPendingError = nullptr;
    ReleaseTLS();
    TIdIOHandlerStack::RawOpen();
    try {
        if (OnBeforeConnect) OnBeforeConnect();
        StartSSL();
    } catch (...) {
        RawClose();
        throw;
    }
}

// A library that cannot be loaded does not stop a connection that starts
// in clear: it is reported when TLS is asked for.
void TIdSSLIOHandlerSocketOpenSSL::StartSSL() {
    if (!FSSLContext) {
        try {
            auto context = std::make_unique<TIdSSLContext>(*FLibrary, FSSLOptions, this);
            context->InitContext(TIdSSLCtxMode::sslCtxClient);
            FSSLContext = std::move(context);
        } catch (const EIdOSSLCouldNotLoadSSLLibrary&) {
            if (!PassThrough()) throw;
        }
    }
    if (!PassThrough()) StartSession();
}

// RFC 4217, 4: the client starts the handshake right after the 234 reply.
// Anything the server sent after that reply was not asked for and is no
// reply of the encrypted session.
void TIdSSLIOHandlerSocketOpenSSL::StartTLS() {
    if (!FSSLContext) throw EIdOSSLCouldNotLoadSSLLibrary(FLibrary->FailedLoadList());
    if (InputBufferSize() > 0) throw EIdOSSLPlainDataBeforeHandshake();
    StartSession();
}

void TIdSSLIOHandlerSocketOpenSSL::StartSession() {
    if (!FSSLSocket) FSSLSocket = std::make_unique<TIdSSLSocket>(this, *FSSLContext);
    SetSocketTimeouts(ReadTimeout() > 0 ? ReadTimeout() : kDefaultTLSSocketTimeoutMs);
    try {
        FSSLSocket->Connect(Handle(), ServerName(), FResumeSession);
    } catch (...) {
        FSSLSocket.reset();
        throw;
    }
    if (OnStatusInfo) OnStatusInfo(FSSLSocket->CipherInfo());
}

std::string TIdSSLIOHandlerSocketOpenSSL::ServerName() const {
    if (!FServerName.empty()) return FServerName;
    if (!URIToCheck().empty()) return HostOfURI(URIToCheck());
    return Host();
}

void TIdSSLIOHandlerSocketOpenSSL::PassThroughEnabled() {
    if (Handle() >= 0) SetSocketTimeouts(0);
}

void TIdSSLIOHandlerSocketOpenSSL::SetSocketTimeouts(int ms) noexcept {
    if (Handle() < 0) return;
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    ::setsockopt(Handle(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(Handle(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// The session goes first (one close notification), then the context, then
// the socket. PassThrough keeps its value.
void TIdSSLIOHandlerSocketOpenSSL::RawClose() noexcept {
    ReleaseTLS();
    TIdIOHandlerStack::RawClose();
}

bool TIdSSLIOHandlerSocketOpenSSL::RawWaitReadable(int ms) {
    if (TLSActive() && FSSLSocket->Pending() > 0) return true;
    return TIdIOHandlerStack::RawWaitReadable(ms);
}

// SSL_read on a blocking socket returns only with a whole record, and each
// byte of one restarts the socket's receive timeout: a server that trickles
// a record would hold the read far beyond the reply's deadline. The socket
// is read without blocking instead, and between the pieces of a record the
// read waits no longer than its timeout and the reply's deadline allow.
long TIdSSLIOHandlerSocketOpenSSL::ReadRecord(char* buffer, size_t n, int& error) {
    const TNonBlockingSocket nonBlocking(Handle());
    for (;;) {
        const long r = FSSLSocket->Recv(buffer, n, error);
        if (r >= 0 || error != kWSAEWOULDBLOCK) return r;
        // Without a limit of its own, a record begun waits as long as the
        // socket timeouts of the TLS session allow.
        const int left = ReadWaitLeft();
        const int wait =
            left >= 0 ? left : (ReadTimeout() > 0 ? ReadTimeout() : kDefaultTLSSocketTimeoutMs);
        if (!WaitForSocket(Handle(), FSSLSocket->WantsWrite() ? POLLOUT : POLLIN, wait)) {
            error = kWSAETIMEDOUT;
            return -1;
        }
    }
}

long TIdSSLIOHandlerSocketOpenSSL::RawRead(char* buffer, size_t n, int& error) {
    if (!TLSActive()) return TIdIOHandlerStack::RawRead(buffer, n, error);
    try {
        return ReadRecord(buffer, n, error);
    } catch (...) {
        FPendingError = std::current_exception();
        error = kTLSFailure;
        return -1;
    }
}

long TIdSSLIOHandlerSocketOpenSSL::RawWrite(const char* buffer, size_t n, bool more, int& error) {
    if (!TLSActive()) return TIdIOHandlerStack::RawWrite(buffer, n, more, error);
    try {
        return FSSLSocket->Send(buffer, n, error);
    } catch (...) {
        FPendingError = std::current_exception();
        error = kTLSFailure;
        return -1;
    }
}

void TIdSSLIOHandlerSocketOpenSSL::RaiseIOError(int error) {
    if (error == kTLSFailure && FPendingError)
        std::rethrow_exception(std::exchange(FPendingError, nullptr));
    TIdIOHandlerStack::RaiseIOError(error);
}

}  // namespace vd::ftp
