// A web server for tests that answers every request with bytes given by the
// test: a whole answer, after which it closes, or the start of one followed
// by header lines for ever, while it watches from its own side when the
// client lets go of the connection. On 127.0.0.1 with a port from
// the kernel; its thread ends when the object goes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

namespace vd::test {

class TScriptedWebServer final {
  public:
    using TClock = std::chrono::steady_clock;

    /// Sends `Answer` and closes.
    explicit TScriptedWebServer(std::string Answer);
    /// Sends `Start`, then a header line every `Pause` for ever; a zero
    /// pause sends as fast as the connection takes them.
    TScriptedWebServer(std::string Start, std::chrono::milliseconds Pause);
    ~TScriptedWebServer();
    TScriptedWebServer(const TScriptedWebServer&) = delete;
    TScriptedWebServer& operator=(const TScriptedWebServer&) = delete;

    /// "http://127.0.0.1:<port>"
    std::string Base() const;
    /// Bytes the client's side took so far.
    uint64_t BytesSent() const noexcept { return FBytesSent; }
    /// When the client closed or reset the last connection; nothing before
    /// the first was let go.
    std::optional<TClock::time_point> ClosedAt() const;
    /// True once a write after the close failed: the connection can carry
    /// nothing more.
    bool PushRefused() const noexcept { return FPushRefused; }

  private:
    void Listen();
    void Serve();
    /// Streams FStart and then header lines to `Fd` until the client lets
    /// go or the object goes.
    void Stream(int Fd);
    void NoteClosed();

    std::string FStart;
    std::optional<std::chrono::milliseconds> FPause;  // none: no header lines, a close
    int FListenFd = -1;
    uint16_t FPort = 0;
    std::atomic<bool> FStop = false;
    std::atomic<uint64_t> FBytesSent = 0;
    std::atomic<int64_t> FClosedAtNs = -1;
    std::atomic<bool> FPushRefused = false;
    std::thread FThread;
};

}  // namespace vd::test
