#pragma once
// A deadline for each request of an SFTP session. libssh 0.10 repeats a
// read that timed out (SSH_OPTIONS_TIMEOUT bounds only each wait for the
// socket), so a server that stops answering would hold a request, and the
// program, for ever. A thread of its own watches the request that runs:
// when it is still running at its deadline, the session's socket is shut
// down, libssh's read fails and the call returns. A session whose socket is
// shut down sends nothing more, so it can only be dropped.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vd::app {

class TSftpWatchdog {
  public:
    explicit TSftpWatchdog(std::chrono::milliseconds Timeout);
    ~TSftpWatchdog();
    TSftpWatchdog(const TSftpWatchdog&) = delete;
    TSftpWatchdog& operator=(const TSftpWatchdog&) = delete;

    /// The session's socket, once connected. A descriptor of its own is
    /// kept, so that a socket libssh has closed meanwhile is never mistaken
    /// for another one that got its number.
    void Watch(int Socket);

    /// A request starts, or the running one made progress: it has the whole
    /// timeout from now.
    void Arm();
    /// No request runs.
    void Disarm();
    /// Shuts the socket down at once: the session is given up, and nothing
    /// more (a CLOSE, say) may go out on it.
    void ShutDown();
    /// The same for a request whose caller found by itself that it outlived
    /// its deadline: the session ends as if the watchdog had fired.
    void Expire();

    /// Whether a request outlived its deadline.
    bool Fired() const;
    /// Whether the socket is shut down (a request outlived its deadline, or
    /// ShutDown was called).
    bool SocketShutDown() const;
    std::chrono::milliseconds Timeout() const noexcept { return FTimeout; }

    /// Arms for as long as it lives; Next() for each further request.
    class TGuard {
      public:
        explicit TGuard(TSftpWatchdog& Watchdog) : FWatchdog(Watchdog) { FWatchdog.Arm(); }
        ~TGuard() { FWatchdog.Disarm(); }
        TGuard(const TGuard&) = delete;
        TGuard& operator=(const TGuard&) = delete;
        void Next() const { FWatchdog.Arm(); }

      private:
        TSftpWatchdog& FWatchdog;
    };

  private:
    using TClock = std::chrono::steady_clock;

    void Run();
    void ShutDownLocked();

    const std::chrono::milliseconds FTimeout;
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    int FSocket = -1;
    bool FArmed = false;
    TClock::time_point FDeadline;
    bool FFired = false;
    bool FShutDown = false;
    bool FEnding = false;
    std::thread FThread;  // last: starts once everything above is set
};

}  // namespace vd::app
