#include "ScriptedWebServer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace vd::test {
namespace {

constexpr int kPollMs = 20;

// One header line of about 64 bytes; the number keeps every name new, so
// that no client can fold them into one.
std::string HeaderLine(uint64_t Number) {
    return "X-Filler-" + std::to_string(Number) + ": " + std::string(40, 'a') + "\r\n";
}

bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

// Waits for the request's blank line; false when the client went first.
bool ReadRequest(int Fd, const std::atomic<bool>& Stop) {
    std::string request;
    while (!Stop && request.find("\r\n\r\n") == std::string::npos) {
        pollfd wait{Fd, POLLIN, 0};
        if (::poll(&wait, 1, kPollMs) <= 0) continue;
        char buffer[4096];
        const ssize_t got = ::recv(Fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && !WouldBlock())) return false;
        if (got > 0) request.append(buffer, static_cast<size_t>(got));
    }
    return !Stop;
}

}  // namespace

TScriptedWebServer::TScriptedWebServer(std::string Answer) : FStart(std::move(Answer)) { Listen(); }

TScriptedWebServer::TScriptedWebServer(std::string Start, std::chrono::milliseconds Pause)
    : FStart(std::move(Start)), FPause(Pause) {
    Listen();
}

void TScriptedWebServer::Listen() {
    FListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (FListenFd < 0 || ::bind(FListenFd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(FListenFd, 4) != 0 ||
        ::getsockname(FListenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (FListenFd >= 0) ::close(FListenFd);
        throw std::runtime_error("the scripted web server cannot listen");
    }
    FPort = ntohs(address.sin_port);
    FThread = std::thread([this] { Serve(); });
}

TScriptedWebServer::~TScriptedWebServer() {
    FStop = true;
    FThread.join();
    ::close(FListenFd);
}

std::string TScriptedWebServer::Base() const { return "http://127.0.0.1:" + std::to_string(FPort); }

std::optional<TScriptedWebServer::TClock::time_point> TScriptedWebServer::ClosedAt() const {
    const int64_t at = FClosedAtNs;
    if (at < 0) return std::nullopt;
    return TClock::time_point(std::chrono::nanoseconds(at));
}

void TScriptedWebServer::NoteClosed() {
    FClosedAtNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(TClock::now().time_since_epoch())
            .count();
}

// Connections are answered one after the other, each the same way.
void TScriptedWebServer::Serve() {
    while (!FStop) {
        pollfd wait{FListenFd, POLLIN, 0};
        if (::poll(&wait, 1, kPollMs) <= 0) continue;
        const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) continue;
        if (ReadRequest(fd, FStop)) Stream(fd);
        ::close(fd);
    }
}

void TScriptedWebServer::Stream(int Fd) {
    std::string pending = FStart;
    uint64_t lines = 0;
    auto nextLine = TClock::now();
    while (!FStop) {
        if (pending.empty() && !FPause) return;  // the whole answer went: close
        if (pending.empty() && TClock::now() >= nextLine) {
            // Without a pause, a batch per write keeps the stream fast.
            for (int i = FPause->count() == 0 ? 1000 : 1; i > 0; --i)
                pending += HeaderLine(lines++);
            nextLine = TClock::now() + *FPause;
        }
        const short events = POLLIN | POLLRDHUP | (pending.empty() ? 0 : POLLOUT);
        pollfd wait{Fd, events, 0};
        ::poll(&wait, 1, kPollMs);
        if (wait.revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) {
            char buffer[4096];
            const ssize_t got = ::recv(Fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got == 0 || (got < 0 && !WouldBlock())) break;
        }
        if (pending.empty()) continue;
        const ssize_t sent =
            ::send(Fd, pending.data(), pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && !WouldBlock()) break;
        if (sent > 0) {
            pending.erase(0, static_cast<size_t>(sent));
            FBytesSent += static_cast<uint64_t>(sent);
        }
    }
    if (FStop) return;
    NoteClosed();
    // A client that only shut down its sending side still takes bytes; one
    // that closed answers the first with a reset, and the next write fails.
    for (int attempt = 0; attempt < 50 && !FStop; ++attempt) {
        const std::string line = HeaderLine(lines++);
        if (::send(Fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
            !WouldBlock()) {
            FPushRefused = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

}  // namespace vd::test
