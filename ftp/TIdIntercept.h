// Connection intercepts: hooks that see every byte of a connection. The I/O
// handler calls Connect once its socket is open, Disconnect when it closes,
// Receive with the bytes of each read and Send with the bytes of each write.
// An intercept may replace the bytes; intercepts chain through Intercept().
#pragma once

#include <functional>
#include <string>

namespace vd::ftp {

class TIdIOHandler;

class TIdConnectionIntercept {
  public:
    using TNotifyEvent = std::function<void(TIdConnectionIntercept&)>;
    using TDataEvent = std::function<void(TIdConnectionIntercept&, std::string&)>;

    TIdConnectionIntercept() = default;
    TIdConnectionIntercept(const TIdConnectionIntercept&) = delete;
    TIdConnectionIntercept& operator=(const TIdConnectionIntercept&) = delete;
    virtual ~TIdConnectionIntercept() = default;

    // The next intercept of the chain; not owned.
    TIdConnectionIntercept* Intercept() const noexcept { return FIntercept; }
    void SetIntercept(TIdConnectionIntercept* next) noexcept { FIntercept = next; }
    TIdIOHandler* Connection() const noexcept { return FConnection; }

    TNotifyEvent OnConnect, OnDisconnect;
    TDataEvent OnReceive, OnSend;

    virtual void Connect(TIdIOHandler* connection);
    virtual void Disconnect();
    // The chain first, then this intercept's own work.
    virtual void Receive(std::string& bytes);
    // This intercept's own work first, then the chain.
    virtual void Send(std::string& bytes);

  private:
    TIdConnectionIntercept* FIntercept = nullptr;
    TIdIOHandler* FConnection = nullptr;
};

}  // namespace vd::ftp
