// The connection object: an I/O handler plus the command and reply
// machinery (send one command line, read one reply, check its code), and the
// TCP client that opens it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TIdIOHandlerStack.h"
#include "TIdReply.h"

namespace vd::ftp {

class TIdConnectionIntercept;

// Accepted reply codes; an empty list accepts any code.
using TIdReplyCodes = std::vector<int>;

// The most one reply may accumulate, its lines and any blank lines before
// it. Careful clients allow 64 KiB.
constexpr size_t kMaxReplyBytes = 65536;

class TIdTCPConnection {
  public:
    TIdTCPConnection() = default;
    TIdTCPConnection(const TIdTCPConnection&) = delete;
    TIdTCPConnection& operator=(const TIdTCPConnection&) = delete;
    virtual ~TIdTCPConnection();

    // The handler in use: the one assigned (not owned) or the one the client
    // created itself (owned).
    TIdIOHandler* IOHandler() const noexcept { return FIOHandler; }
    TIdConnectionIntercept* Intercept() const noexcept { return FIntercept; }
    // Not owned; also given to the current handler.
    void SetIntercept(TIdConnectionIntercept* intercept);

    const TIdReply& LastCmdResult() const noexcept { return FLastCmdResult; }

    // Writes the command with CR LF and reads its reply.
    int SendCmd(const std::string& command, const TIdReplyCodes& accepted = {});
    int GetResponse(const TIdReplyCodes& accepted = {});
    // Reads one reply into LastCmdResult. A reply that does not come within
    // the read timeout closes the connection (without QUIT).
    void GetInternalResponse();
    virtual int CheckResponse(int code, const TIdReplyCodes& accepted);
    [[noreturn]] void RaiseExceptionForLastCmdResult();

    virtual bool Connected();
    // Closes the connection; with notifyPeer, tells the peer first.
    virtual void Disconnect(bool notifyPeer = true);

  protected:
    virtual void DisconnectNotifyPeer() {}
    // Replaces the handler; one created by this client is destroyed.
    void AssignIOHandler(TIdIOHandler* handler);
    void CreateOwnIOHandler();
    bool OwnsIOHandler() const noexcept { return FOwnedIOHandler != nullptr; }
    void SetLastCmdResult(TIdReply reply) { FLastCmdResult = std::move(reply); }

  private:
    std::unique_ptr<TIdIOHandler> FOwnedIOHandler;
    TIdIOHandler* FIOHandler = nullptr;
    TIdConnectionIntercept* FIntercept = nullptr;
    TIdReply FLastCmdResult;
};

class TIdTCPClientCustom : public TIdTCPConnection {
  public:
    const std::string& Host() const noexcept { return FHost; }
    void SetHost(std::string host);
    uint16_t Port() const noexcept { return FPort; }
    void SetPort(uint16_t port);
    int ConnectTimeout() const noexcept { return FConnectTimeout; }
    void SetConnectTimeout(int ms) noexcept { FConnectTimeout = ms; }
    int ReadTimeout() const noexcept { return FReadTimeout; }
    void SetReadTimeout(int ms);
    TIdIPVersion IPVersion() const noexcept { return FIPVersion; }
    void SetIPVersion(TIdIPVersion v) noexcept { FIPVersion = v; }

  protected:
    // Opens the TCP connection (creating a plain handler when none is set).
    void ConnectTCP();
    void CopySettingsToHandler();

  private:
    std::string FHost;
    uint16_t FPort = 0;
    int FConnectTimeout = 0;
    int FReadTimeout = IdTimeoutInfinite;
    TIdIPVersion FIPVersion = TIdIPVersion::Id_IPv4;
};

}  // namespace vd::ftp
