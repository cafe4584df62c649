#include "TlsPeers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace vd::test {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

bool Run(const std::vector<std::string>& argv, const std::string& folder) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        const int log = ::open("openssl.log", O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(log, 1);
        ::dup2(log, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The certificates live in one folder for the test process.
struct TCertificateFolder {
    TTestCertificates Files;
    std::string Folder;

    TCertificateFolder() {
        char pattern[] = "/tmp/vd-tls-certs-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        Folder = pattern;
        const std::string openssl = "/usr/bin/openssl";
        const std::vector<std::string> ec = {"-newkey", "ec", "-pkeyopt",
                                             "ec_paramgen_curve:prime256v1", "-nodes"};
        auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
            a.insert(a.end(), b.begin(), b.end());
            return a;
        };
        bool ok = Run(
            with(with({openssl, "req", "-x509"}, ec), {"-days", "2", "-subj", "/CN=localhost",
                                                       "-keyout", "key.pem", "-out", "cert.pem"}),
            Folder);
        // An expired certificate for another name: `openssl ca` is the tool of
        // this OpenSSL that sets validity dates in the past.
        std::ofstream(Folder + "/ca.cnf")
            << "[ca]\ndefault_ca=d\n[d]\ndatabase=index.txt\nnew_certs_dir=.\n"
               "serial=serial\ndefault_md=sha256\npolicy=p\n[p]\ncommonName=supplied\n";
        std::ofstream(Folder + "/index.txt");
        std::ofstream(Folder + "/serial") << "01\n";
        ok = ok && Run(with(with({openssl, "req", "-new"}, ec),
                            {"-subj", "/CN=other.example", "-keyout", "expired-key.pem", "-out",
                             "expired.csr"}),
                       Folder);
        ok = ok && Run({openssl, "ca", "-batch", "-config", "ca.cnf", "-selfsign", "-keyfile",
                        "expired-key.pem", "-in", "expired.csr", "-startdate", "20200101000000Z",
                        "-enddate", "20200102000000Z", "-out", "expired.pem"},
                       Folder);
        if (!ok) throw std::runtime_error("openssl failed: " + Slurp(Folder + "/openssl.log"));
        Files = {Folder + "/cert.pem", Folder + "/key.pem", Folder + "/expired.pem",
                 Folder + "/expired-key.pem"};
    }
    ~TCertificateFolder() {
        std::error_code ec;
        fs::remove_all(Folder, ec);
    }
};

}  // namespace

const TTestCertificates& TTestCertificates::Get() {
    static const TCertificateFolder folder;
    return folder.Files;
}

TChildProcess::TChildProcess(const std::vector<std::string>& argv) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const pid_t parent = ::getpid();
    FPid = ::fork();
    if (FPid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the test
        if (::getppid() != parent) ::_exit(1);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(out[1], 1);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    FOut = out[0];
}

TChildProcess::~TChildProcess() {
    Stop();
    if (FOut >= 0) ::close(FOut);
}

bool TChildProcess::ReadSome(int ms) {
    if (FOut < 0) return false;
    pollfd p{FOut, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(FOut, buffer, sizeof buffer);
    if (n <= 0) {
        ::close(FOut);
        FOut = -1;
        return false;
    }
    FBuffer.append(buffer, static_cast<size_t>(n));
    return true;
}

std::string TChildProcess::WaitForLine(const std::string& prefix, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        size_t start = 0;
        for (size_t lf; (lf = FBuffer.find('\n', start)) != std::string::npos; start = lf + 1) {
            const std::string line = FBuffer.substr(start, lf - start);
            if (line.rfind(prefix, 0) == 0) {
                FBuffer.erase(0, lf + 1);
                return line;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || FOut < 0) return {};
        ReadSome(static_cast<int>(left));
    }
}

std::vector<std::string> TChildProcess::Finish(int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (FOut >= 0 && Clock::now() < deadline) ReadSome(100);
    Stop();
    std::vector<std::string> lines;
    std::istringstream in(FBuffer);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    FBuffer.clear();
    return lines;
}

void TChildProcess::Stop() noexcept {
    if (FPid <= 0) return;
    ::kill(FPid, SIGTERM);
    int status = 0;
    bool gone = false;
    for (int i = 0; i < 50 && !gone; ++i) {
        gone = ::waitpid(FPid, &status, WNOHANG) == FPid;
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!gone) {
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, &status, 0);
    }
    FPid = -1;
}

namespace {

std::vector<std::string> PeerArgv(const std::vector<std::string>& steps) {
    const TTestCertificates& c = TTestCertificates::Get();
    std::vector<std::string> argv = {
        "/usr/bin/python3", VD_TLS_SCRIPT_PEER, "--cert", c.Cert, "--key", c.Key};
    argv.insert(argv.end(), steps.begin(), steps.end());
    return argv;
}

}  // namespace

TTlsScriptPeer::TTlsScriptPeer(const std::vector<std::string>& steps) : FProcess(PeerArgv(steps)) {
    const std::string ready = FProcess.WaitForLine("READY ", 20000);
    if (ready.empty()) throw std::runtime_error("tls_script_peer.py did not start");
    FPort = static_cast<uint16_t>(std::stoi(ready.substr(6)));
}

std::vector<std::string> TTlsScriptPeer::Report() {
    if (!FDone) {
        FReport = FProcess.Finish(25000);
        FDone = true;
    }
    return FReport;
}

std::vector<std::string> TTlsScriptPeer::Commands() {
    std::vector<std::string> commands;
    for (const auto& line : Report())
        if (line.rfind("CMD ", 0) == 0) commands.push_back(line.substr(4));
    return commands;
}

uint16_t TOpenSSLServer::FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

namespace {

std::vector<std::string> ServerArgv(const std::string& cert, const std::string& key,
                                    const std::vector<std::string>& options, uint16_t port) {
    std::vector<std::string> argv = {"/usr/bin/openssl",
                                     "s_server",
                                     "-accept",
                                     "127.0.0.1:" + std::to_string(port),
                                     "-cert",
                                     cert,
                                     "-key",
                                     key};
    argv.insert(argv.end(), options.begin(), options.end());
    return argv;
}

}  // namespace

TOpenSSLServer::TOpenSSLServer(const std::string& cert, const std::string& key,
                               const std::vector<std::string>& options)
    : FPort(FreePort()), FProcess(ServerArgv(cert, key, options, FPort)) {
    if (FProcess.WaitForLine("ACCEPT", 10000).empty())
        throw std::runtime_error("openssl s_server did not start");
}

}  // namespace vd::test
