// A raw loopback TCP copy of one file, the limit an FTP upload is measured
// against in upload_vs_raw_tcp.sh.
//   raw_tcp_copy receive OUT_FILE   listens on 127.0.0.1 (port printed on
//                                   stdout), takes one connection, writes
//                                   what arrives into OUT_FILE, then prints
//                                   its own CPU seconds ("cpu USER SYS")
//   raw_tcp_copy send PORT FILE     sends FILE to 127.0.0.1:PORT
// The receiver works as a C FTP server does (vsftpd: a 64 KiB buffer, read
// from the socket, write to the file). The sender reads the file in large
// pieces and writes each to the socket, then waits for the receiver to
// close, which it does once the last byte is in the file: the sender's run,
// like an upload that waits for the server's "226", ends when the copy is
// complete.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "raw_tcp_copy: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void WriteAll(int fd, const char* data, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, data, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            Fail("write");
        }
        data += w;
        n -= static_cast<size_t>(w);
    }
}

// Reads `from` to its end in pieces of `piece` bytes, writing each to `to`.
void CopyAll(int from, int to, size_t piece) {
    std::vector<char> buffer(piece);
    for (;;) {
        const ssize_t r = ::read(from, buffer.data(), buffer.size());
        if (r == 0) return;
        if (r < 0) {
            if (errno == EINTR) continue;
            Fail("read");
        }
        WriteAll(to, buffer.data(), static_cast<size_t>(r));
    }
}

// The receiver's piece, vsftpd's.
constexpr size_t kReceivePiece = 64 * 1024;
// The sender's piece: large, so the copy makes few system calls. sendfile
// was tried and dropped: on loopback the receiver then copies out of page
// cache fragments, which made its runs slower and far less steady (850 to
// 2400 MiB/s between runs of one call here).
constexpr size_t kSendPiece = 256 * 1024;

double Seconds(const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; }

int Receive(const char* outPath) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        ::listen(listener, 1))
        Fail("listen");
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::printf("%u\n", ntohs(address.sin_port));
    std::fflush(stdout);
    const int connection = ::accept(listener, nullptr, nullptr);
    if (connection < 0) Fail("accept");
    const int out = ::open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) Fail("open");
    CopyAll(connection, out, kReceivePiece);
    ::close(out);
    ::close(connection);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("cpu %.6f %.6f\n", Seconds(usage.ru_utime), Seconds(usage.ru_stime));
    return 0;
}

int Send(const char* port, const char* path) {
    const int in = ::open(path, O_RDONLY);
    if (in < 0) Fail("open");
    const int connection = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(static_cast<uint16_t>(std::atoi(port)));
    if (connection < 0 ||
        ::connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address))
        Fail("connect");
    CopyAll(in, connection, kSendPiece);
    ::shutdown(connection, SHUT_WR);
    char byte;
    while (::read(connection, &byte, 1) > 0) {
    }
    ::close(connection);
    ::close(in);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "receive") == 0) return Receive(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "send") == 0) return Send(argv[2], argv[3]);
    std::fprintf(stderr, "usage: %s receive OUT_FILE | send PORT FILE\n", argv[0]);
    return 2;
}
