#include "app/net/SftpWatchdog.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vd::app {

TSftpWatchdog::TSftpWatchdog(std::chrono::milliseconds Timeout)
    : FTimeout(Timeout), FThread([this] { Run(); }) {}

TSftpWatchdog::~TSftpWatchdog() {
    {
        const std::lock_guard lock(FMutex);
        FEnding = true;
    }
    FChanged.notify_one();
    FThread.join();
    if (FSocket >= 0) ::close(FSocket);
}

void TSftpWatchdog::Watch(int Socket) {
    const std::lock_guard lock(FMutex);
    if (FSocket >= 0) ::close(FSocket);
    FSocket = Socket >= 0 ? ::fcntl(Socket, F_DUPFD_CLOEXEC, 0) : -1;
    if (FShutDown) ShutDownLocked();
}

void TSftpWatchdog::Arm() {
    {
        const std::lock_guard lock(FMutex);
        FArmed = true;
        FDeadline = TClock::now() + FTimeout;
    }
    FChanged.notify_one();
}

void TSftpWatchdog::Disarm() {
    const std::lock_guard lock(FMutex);
    FArmed = false;
}

void TSftpWatchdog::ShutDown() {
    const std::lock_guard lock(FMutex);
    ShutDownLocked();
}

void TSftpWatchdog::Expire() {
    const std::lock_guard lock(FMutex);
    FFired = true;
    FArmed = false;
    ShutDownLocked();
}

bool TSftpWatchdog::Fired() const {
    const std::lock_guard lock(FMutex);
    return FFired;
}

bool TSftpWatchdog::SocketShutDown() const {
    const std::lock_guard lock(FMutex);
    return FShutDown;
}

// Shutting down, unlike closing, leaves libssh's descriptor valid: its
// reads see the end of the connection, its writes fail.
void TSftpWatchdog::ShutDownLocked() {
    FShutDown = true;
    if (FSocket >= 0) ::shutdown(FSocket, SHUT_RDWR);
}

void TSftpWatchdog::Run() {
    std::unique_lock lock(FMutex);
    while (!FEnding) {
        if (!FArmed) {
            FChanged.wait(lock);
            continue;
        }
        const TClock::time_point deadline = FDeadline;
        if (FChanged.wait_until(lock, deadline) == std::cv_status::timeout && FArmed &&
            FDeadline == deadline && !FEnding) {
            FFired = true;
            FArmed = false;
            ShutDownLocked();
        }
    }
}

}  // namespace vd::app
