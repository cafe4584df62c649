#include "TIdIOHandlerStack.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "SocketErrors.h"

namespace vd::ftp {

std::string ResolveIPv4(const std::string& host) {
    in_addr literal{};
    if (::inet_pton(AF_INET, host.c_str(), &literal) == 1) return host;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || !result)
        RaiseSocketError(kWSAHOST_NOT_FOUND);
    char text[INET_ADDRSTRLEN] = {};
    const auto* sin = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    ::inet_ntop(AF_INET, &sin->sin_addr, text, sizeof text);
    ::freeaddrinfo(result);
    return text;
}

TIdIOHandlerSocket::~TIdIOHandlerSocket() { RawClose(); }

void TIdIOHandlerSocket::RawOpen() {
    RawClose();
    const std::string address = ResolveIPv4(Host());
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(Port());
    ::inet_pton(AF_INET, address.c_str(), &peer.sin_addr);
    FHandle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (FHandle < 0) RaiseSocketError(WinSockErrorFromErrno(errno));
    if (!FUseNagle) {
        const int on = 1;
        ::setsockopt(FHandle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    try {
        ConnectSocket(&peer, sizeof peer);
    } catch (...) {
        RawClose();
        throw;
    }
    LimitBlockedWrites();
    SetPeerIP(address);
}

// A peer that stops reading must not hold a write for ever (the window
// waits on it): with a read timeout, a write that makes no progress for
// that long fails with EAGAIN, reported as WSAETIMEDOUT.
void TIdIOHandlerSocket::LimitBlockedWrites() noexcept {
    const int ms = ReadTimeout();
    if (ms <= 0) return;
    const timeval tv{ms / 1000, (ms % 1000) * 1000};
    ::setsockopt(FHandle, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// A blocking connect; with a connect timeout, a non-blocking one that waits
// at most that long.
void TIdIOHandlerSocket::ConnectSocket(const void* address, unsigned addressLength) {
    const auto* sa = static_cast<const sockaddr*>(address);
    if (ConnectTimeout() <= 0) {
        int rc;
        do rc = ::connect(FHandle, sa, addressLength);
        while (rc != 0 && errno == EINTR);
        if (rc != 0) RaiseSocketError(WinSockErrorFromErrno(errno));
        return;
    }
    const int flags = ::fcntl(FHandle, F_GETFL);
    ::fcntl(FHandle, F_SETFL, flags | O_NONBLOCK);
    if (::connect(FHandle, sa, addressLength) != 0) {
        if (errno != EINPROGRESS) RaiseSocketError(WinSockErrorFromErrno(errno));
        pollfd p{FHandle, POLLOUT, 0};
        int rc;
        do rc = ::poll(&p, 1, ConnectTimeout());
        while (rc < 0 && errno == EINTR);
        if (rc == 0) RaiseSocketError(kWSAETIMEDOUT);
        int soError = 0;
        socklen_t len = sizeof soError;
        ::getsockopt(FHandle, SOL_SOCKET, SO_ERROR, &soError, &len);
        if (soError != 0) RaiseSocketError(WinSockErrorFromErrno(soError));
    }
    ::fcntl(FHandle, F_SETFL, flags);
}

void TIdIOHandlerSocket::RawClose() noexcept {
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
}

bool TIdIOHandlerSocket::RawWaitReadable(int ms) {
    if (FHandle < 0) return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    for (;;) {
        pollfd p{FHandle, POLLIN, 0};
        int wait = ms;
        if (ms > 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int rc = ::poll(&p, 1, wait);
        if (rc > 0) return true;
        if (rc == 0) return false;
        if (errno != EINTR) return true;  // let the read report the error
    }
}

long TIdIOHandlerSocket::RawRead(char* buffer, size_t n, int& error) {
    for (;;) {
        const ssize_t r = ::recv(FHandle, buffer, n, 0);
        if (r >= 0) return static_cast<long>(r);
        if (errno == EINTR) continue;
        error = WinSockErrorFromErrno(errno);
        return -1;
    }
}

long TIdIOHandlerSocket::RawWrite(const char* buffer, size_t n, bool more, int& error) {
    for (;;) {
        const ssize_t w = ::send(FHandle, buffer, n, MSG_NOSIGNAL | (more ? MSG_MORE : 0));
        if (w >= 0) return static_cast<long>(w);
        if (errno == EINTR) continue;
        error = WinSockErrorFromErrno(errno);
        return -1;
    }
}

}  // namespace vd::ftp
