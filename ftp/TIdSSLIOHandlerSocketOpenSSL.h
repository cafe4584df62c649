// The TLS I/O handler on OpenSSL 3 (loaded at run time, see
// TIdOpenSSLLibrary.h). While PassThrough is on, bytes go to and from the
// socket unchanged; switching it off on an open connection runs a TLS 1.2
// client handshake there (explicit TLS, RFC 4217), after which every write
// is encrypted and every read decrypted until Close. The intercept sees the
// plain text on both sides.
//
//   TIdSSLIOHandlerSocketOpenSSL tls;
//   tls.SSLOptions().SetMethod(TIdSSLVersion::sslvTLSv1_2);
//   ftp.SetIOHandler(&tls);
//   ftp.SetUseTLS(TIdUseTLS::utUseRequireTLS);
//   ftp.Connect();   // greeting and AUTH in clear, then the handshake
//
// The server's certificate is not checked against authorities (VerifyMode
// empty): users' own servers often carry self-signed certificates. Its
// SHA-256 fingerprint is there for the caller to compare with the one seen
// before (trust on first use). The server name is sent in the handshake
// unless it is an IP address. Each connection gets its own context; OpenSSL
// stays loaded once loaded. Clone makes the handler of a data connection,
// which resumes this connection's TLS session.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "EIdOpenSSLError.h"
#include "TIdOpenSSLLibrary.h"
#include "TIdSSLIOHandlerSocketBase.h"
#include "TIdSSLOptions.h"

namespace vd::ftp {

class TIdSSLIOHandlerSocketOpenSSL;

// The OpenSSL context of one connection: a copy of the options and the
// SSL_CTX made from them. Creating one loads OpenSSL
// (EIdOSSLCouldNotLoadSSLLibrary when that fails).
class TIdSSLContext final {
  public:
    TIdSSLContext(TIdOpenSSLLibrary& library, const TIdSSLOptions& options,
                  TIdSSLIOHandlerSocketOpenSSL* parent);
    TIdSSLContext(const TIdSSLContext&) = delete;
    TIdSSLContext& operator=(const TIdSSLContext&) = delete;
    ~TIdSSLContext();

    // Makes the SSL_CTX: method, protocol versions, mode, password callback,
    // default verify paths, cipher list and (only when VerifyMode is set)
    // peer verification.
    void InitContext(TIdSSLCtxMode ctxMode);

    ossl::SSL_CTX* Context() const noexcept { return FContext; }
    TIdOpenSSLLibrary& Library() const noexcept { return FLibrary; }
    TIdSSLIOHandlerSocketOpenSSL* Parent() const noexcept { return FParent; }
    TIdSSLMode Mode() const noexcept { return FMode; }
    TIdSSLVersion Method() const noexcept { return FMethod; }
    const TIdSSLVersions& SSLVersions() const noexcept { return FSSLVersions; }
    // The protocol range set on the context (0x0303 is TLS 1.2).
    int MinProtoVersion() const noexcept { return FMinProto; }
    int MaxProtoVersion() const noexcept { return FMaxProto; }

  private:
    const ossl::SSL_METHOD* ChooseMethod() const;
    void SetProtocolVersions();
    void SetCipherList();
    void SetVerification();

    TIdOpenSSLLibrary& FLibrary;
    TIdSSLIOHandlerSocketOpenSSL* FParent;
    TIdSSLVersion FMethod;
    TIdSSLVersions FSSLVersions;
    TIdSSLMode FMode;
    std::string FRootCertFile, FCertFile, FKeyFile, FDHParamsFile;
    int FVerifyDepth;
    TIdSSLVerifyModeSet FVerifyMode;
    std::string FVerifyDirs, FCipherList;
    bool FStatusInfoOn = false;
    int FMinProto = 0, FMaxProto = 0;
    ossl::SSL_CTX* FContext = nullptr;
};

// A TLS session's resumption data (SSL_SESSION), shared by the
// connections that offer it; freed with the last of them.
using TIdSSLSessionHandle = std::shared_ptr<ossl::SSL_SESSION>;

// One TLS session over a connected socket. Destroying it sends the close
// notification once (when the handshake completed and nothing failed
// fatally), without waiting for the server's, and frees the session.
class TIdSSLSocket final {
  public:
    TIdSSLSocket(TIdSSLIOHandlerSocketOpenSSL* parent, TIdSSLContext& context);
    TIdSSLSocket(const TIdSSLSocket&) = delete;
    TIdSSLSocket& operator=(const TIdSSLSocket&) = delete;
    ~TIdSSLSocket();

    // Creates the session on the socket handle and runs the client handshake,
    // offering `resume` (when given) for resumption.
    void Connect(int handle, const std::string& hostName,
                 const TIdSSLSessionHandle& resume = nullptr);
    // > 0 bytes, 0 the peer closed (close notification or end of stream),
    // -1 a socket error (error: Windows socket number; 10060 a timeout;
    // 10035 on a non-blocking socket: the rest of a record has not arrived,
    // or OpenSSL must write first, as WantsWrite says). TLS failures raise.
    long Recv(char* buffer, size_t n, int& error);
    // The last Recv that could not go on waits for the socket to take bytes
    // rather than to deliver them.
    bool WantsWrite() const noexcept { return FWantsWrite; }
    long Send(const char* buffer, size_t n, int& error);
    // Bytes already decrypted and waiting inside OpenSSL.
    int Pending() const;
    bool Connected() const noexcept { return FConnected; }
    const std::string& HostName() const noexcept { return FHostName; }
    // "Cipher: name = ...; description = ...; bits = ...; version = ...; "
    std::string CipherInfo() const;
    // The established session, for a later connection to resume.
    TIdSSLSessionHandle Session() const;
    // The handshake resumed the offered session (no full handshake).
    bool SessionReused() const;
    // SHA-256 of the server's certificate, "AB:CD:..."; empty without one.
    std::string PeerFingerprint() const;

    // Called by OpenSSL's read hook with raw bytes from the socket.
    void NoteRawInput(const char* data, size_t n);

  private:
    class TCall;
    [[noreturn]] void RaiseError(int ret, int savedErrno, const std::string& message, int kind);
    std::string PlainTextNote();

    TIdSSLContext& FSSLContext;
    const TIdOpenSSLApi& FApi;
    ossl::SSL* FSSL = nullptr;
    int FHandle = -1;
    std::string FHostName;
    bool FConnected = false;
    bool FFatal = false;
    bool FWantsWrite = false;
    std::string FRawInput;  // the first raw bytes read during the current call
};

class TIdSSLIOHandlerSocketOpenSSL final : public TIdSSLIOHandlerSocketBase {
  public:
    using TStatusInfoEvent = std::function<void(const std::string& message)>;
    using TNotifyEvent = std::function<void()>;

    TIdSSLIOHandlerSocketOpenSSL() = default;
    ~TIdSSLIOHandlerSocketOpenSSL() override;

    TIdSSLOptions& SSLOptions() noexcept { return FSSLOptions; }
    const TIdSSLOptions& SSLOptions() const noexcept { return FSSLOptions; }
    // The loader to use; not owned. Default: TIdOpenSSLLibrary::Default().
    TIdOpenSSLLibrary& Library() const noexcept { return *FLibrary; }
    void SetLibrary(TIdOpenSSLLibrary* library) noexcept {
        FLibrary = library ? library : &TIdOpenSSLLibrary::Default();
    }

    // After the handshake: the cipher description (CipherInfo's text).
    TStatusInfoEvent OnStatusInfo;
    // After the TCP connect, before TLS is prepared.
    TNotifyEvent OnBeforeConnect;

    // The context and session of the current connection (none when closed).
    const TIdSSLContext* SSLContext() const noexcept { return FSSLContext.get(); }
    const TIdSSLSocket* SSLSocket() const noexcept { return FSSLSocket.get(); }
    // A TLS session carries the connection's bytes.
    bool TLSActive() const noexcept;
    // The name sent in the handshake (server name indication): the one set
    // here, else the host of URIToCheck when set, else Host.
    std::string ServerName() const;
    void SetServerName(std::string name) { FServerName = std::move(name); }
    // The session a handshake on this handler offers for resumption.
    void SetSessionToResume(TIdSSLSessionHandle session) { FResumeSession = std::move(session); }
    // The last handshake resumed the offered session.
    bool SessionReused() const { return TLSActive() && FSSLSocket->SessionReused(); }

    std::unique_ptr<TIdSSLIOHandlerSocketBase> Clone(bool resumeSession) const override;
    std::string PeerFingerprint() const override;

  protected:
    void StartTLS() override;
    void PassThroughEnabled() override;
    void RawOpen() override;
    void RawClose() noexcept override;
    bool RawWaitReadable(int ms) override;
    long RawRead(char* buffer, size_t n, int& error) override;
    long RawWrite(const char* buffer, size_t n, bool more, int& error) override;
    [[noreturn]] void RaiseIOError(int error) override;

  private:
    void StartSSL();
    void StartSession();
    void SetSocketTimeouts(int ms) noexcept;
    long ReadRecord(char* buffer, size_t n, int& error);
    void ReleaseTLS() noexcept;

    std::unique_ptr<TIdSSLContext> FSSLContext;
    TIdSSLOptions FSSLOptions;
    std::unique_ptr<TIdSSLSocket> FSSLSocket;
    TIdOpenSSLLibrary* FLibrary = &TIdOpenSSLLibrary::Default();
    std::string FServerName;
    TIdSSLSessionHandle FResumeSession;
    std::exception_ptr FPendingError;  // a TLS failure of the last raw read or write
};

}  // namespace vd::ftp
