#include "ListeningPort.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

namespace vd::test {

namespace fs = std::filesystem;

namespace {

// The socket inodes a process holds open.
std::set<std::string> SocketInodes(pid_t pid) {
    std::set<std::string> inodes;
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string target = fs::read_symlink(entry.path(), ec).string();
        if (target.rfind("socket:[", 0) == 0) inodes.insert(target.substr(8, target.size() - 9));
    }
    return inodes;
}

}  // namespace

uint16_t ListeningPort(pid_t pid) {
    const std::set<std::string> inodes = SocketInodes(pid);
    if (inodes.empty()) return 0;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // header
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
            timeout >> inode;
        if (state != "0A" || !inodes.count(inode)) continue;
        return static_cast<uint16_t>(std::stoul(local.substr(local.find(':') + 1), nullptr, 16));
    }
    return 0;
}

uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(fd);
    if (!ok) throw std::runtime_error("no free loopback port");
    return ntohs(address.sin_port);
}

}  // namespace vd::test
