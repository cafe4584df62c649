#include "FakeFtpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace vd::ftp::test {

namespace {

constexpr int kIdleMs = 5000;

int ListenOnLoopback(uint16_t& port, bool listen = true) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        throw std::runtime_error("bind");
    if (listen && ::listen(fd, 8) != 0) throw std::runtime_error("listen");
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

bool WaitReadable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

int AcceptWithin(int listenFd, int ms) {
    if (!WaitReadable(listenFd, ms)) return -1;
    return ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
}

void SendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// One line without its CR LF; false when the client closed or went silent.
bool ReadLine(int fd, std::string& buffer, std::string& line) {
    for (;;) {
        const size_t lf = buffer.find('\n');
        if (lf != std::string::npos) {
            line = buffer.substr(0, lf);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            buffer.erase(0, lf + 1);
            return true;
        }
        if (!WaitReadable(fd, kIdleMs)) return false;
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<size_t>(n));
    }
}

std::string FillPort(std::string text, uint16_t port) {
    auto replace = [&](const std::string& key, int value) {
        const size_t at = text.find(key);
        if (at != std::string::npos) text.replace(at, key.size(), std::to_string(value));
    };
    // Out-of-range forms that still name the same port (16-bit wrap, signed
    // bytes) for servers that print them so.
    replace("{p1+256}", port / 256 + 256);
    replace("{p1-256}", port / 256 - 256);
    replace("{p2+256}", port % 256 + 256);
    replace("{p1}", port / 256);
    replace("{p2}", port % 256);
    return text + "\r\n";
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

TFakeFtpServer::TFakeFtpServer(std::vector<TScript> sessions) : FSessions(std::move(sessions)) {
    FListen = ListenOnLoopback(FPort);
    FThread = std::thread([this] { Run(); });
}

TFakeFtpServer::~TFakeFtpServer() {
    if (FThread.joinable()) FThread.join();
    CloseFd(FListen);
}

std::vector<std::string> TFakeFtpServer::Commands() {
    if (FThread.joinable()) FThread.join();
    std::lock_guard lock(FMutex);
    return FCommands;
}

std::string TFakeFtpServer::DataReceived() {
    if (FThread.joinable()) FThread.join();
    std::lock_guard lock(FMutex);
    return FData;
}

int TFakeFtpServer::SessionsAccepted() {
    if (FThread.joinable()) FThread.join();
    return FAccepted;
}

void TFakeFtpServer::Run() {
    for (size_t i = 0; i < FSessions.size(); ++i) {
        const int fd = AcceptWithin(FListen, kIdleMs);
        if (fd < 0) break;
        {
            std::lock_guard lock(FMutex);
            ++FAccepted;
            if (i > 0) FCommands.push_back("--");
        }
        RunSession(fd, FSessions[i]);
    }
    CloseFd(FListen);
}

void TFakeFtpServer::RunSession(int fd, const TScript& script) {
    std::string buffer, line;
    int dataListen = -1, data = -1, unusedPort = -1;
    auto record = [&](const std::string& l) {
        std::lock_guard lock(FMutex);
        FCommands.push_back(l);
    };
    bool open = true;
    for (const TStep& step : script) {
        if (!open) break;
        switch (step.Kind) {
            case TStep::TKind::Send:
                SendAll(fd, step.Text + "\r\n");
                break;
            case TStep::TKind::Raw:
                SendAll(fd, step.Text);
                break;
            case TStep::TKind::RawBytewise:
                for (const char c : step.Text) {
                    SendAll(fd, std::string(1, c));
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                break;
            case TStep::TKind::Recv:
                if (ReadLine(fd, buffer, line))
                    record(line);
                else
                    open = false;
                break;
            case TStep::TKind::Sleep:
                std::this_thread::sleep_for(std::chrono::milliseconds(step.Ms));
                break;
            case TStep::TKind::Close:
                CloseFd(fd);
                open = false;
                break;
            case TStep::TKind::SendClose: {
                // Corked, the reply and the FIN leave in one segment.
                const int on = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_CORK, &on, sizeof on);
                SendAll(fd, step.Text);
                ::shutdown(fd, SHUT_WR);
                CloseFd(fd);
                open = false;
                break;
            }
            case TStep::TKind::Pasv: {
                uint16_t port = 0;
                CloseFd(dataListen);
                dataListen = ListenOnLoopback(port);
                SendAll(fd, FillPort(step.Text, port));
                break;
            }
            case TStep::TKind::PasvRefused: {
                uint16_t port = 0;
                CloseFd(unusedPort);
                unusedPort = ListenOnLoopback(port, false);  // bound, never listening
                SendAll(fd, FillPort("227 Entering Passive Mode (127,0,0,1,{p1},{p2})", port));
                break;
            }
            case TStep::TKind::DataAccept:
                CloseFd(data);
                data = AcceptWithin(dataListen, kIdleMs);
                break;
            case TStep::TKind::DataSend:
                SendAll(data, step.Text);
                break;
            case TStep::TKind::DataRecvAll: {
                char chunk[65536];
                while (data >= 0 && WaitReadable(data, kIdleMs)) {
                    const ssize_t n = ::recv(data, chunk, sizeof chunk, 0);
                    if (n <= 0) break;
                    std::lock_guard lock(FMutex);
                    FData.append(chunk, static_cast<size_t>(n));
                }
                break;
            }
            case TStep::TKind::DataClose:
                CloseFd(data);
                break;
        }
    }
    // The script is done: record whatever else the client says until it
    // closes (QUIT, or commands the script did not expect).
    while (open && ReadLine(fd, buffer, line)) record(line);
    CloseFd(fd);
    CloseFd(data);
    CloseFd(dataListen);
    CloseFd(unusedPort);
}

}  // namespace vd::ftp::test
