#include "PyFtpServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace vd::test {

namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs a program and waits for it; true on exit code 0.
bool RunProgram(const std::vector<std::string>& argv, const std::string& logPath) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
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

}  // namespace

TPyFtpServer::TPyFtpServer(TPyFtpServerOptions options) : FOptions(std::move(options)) {
    char pattern[] = "/tmp/vd-pyftpd-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    FRoot = pattern;
    FHome = FRoot + "/home";
    fs::create_directory(FHome);
    try {
        if (FOptions.Tls) MakeCertificate();
        Start();
    } catch (...) {
        Stop();
        throw;
    }
}

TPyFtpServer::~TPyFtpServer() { Stop(); }

void TPyFtpServer::MakeCertificate() {
    FCertFile = FRoot + "/cert.pem";
    const bool ok =
        RunProgram({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days",
                    "2", "-subj", "/CN=localhost", "-keyout", FCertFile, "-out", FCertFile},
                   FRoot + "/openssl.log");
    if (!ok) throw std::runtime_error("openssl req failed: " + Slurp(FRoot + "/openssl.log"));
}

void TPyFtpServer::Start() {
    std::vector<std::string> argv = {
        "/usr/bin/python3", VD_PYFTPD_SCRIPT, "--home",     FHome,
        "--user",           FOptions.User,    "--password", FOptions.Password};
    if (FOptions.NlstReturnsPaths) argv.push_back("--nlst-paths");
    for (const auto& n : FOptions.RefuseStor) argv.insert(argv.end(), {"--refuse-stor", n});
    for (const auto& n : FOptions.RefuseRetr) argv.insert(argv.end(), {"--refuse-retr", n});
    if (FOptions.Tls) argv.insert(argv.end(), {"--certfile", FCertFile});

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const std::string logPath = FRoot + "/server.log";
    const pid_t parent = ::getpid();
    FPid = ::fork();
    if (FPid == 0) {
        // The server must not outlive a test process that dies.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
        ::dup2(out[1], 1);
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(log, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) continue;
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        line.append(buffer, static_cast<size_t>(n));
    }
    ::close(out[0]);
    if (line.rfind("READY ", 0) != 0)
        throw std::runtime_error("pyftpdlib did not start: " + Slurp(logPath));
    FPort = static_cast<uint16_t>(std::stoi(line.substr(6)));
}

void TPyFtpServer::Stop() noexcept {
    if (FPid > 0) {
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
    if (!FRoot.empty()) {
        std::error_code ec;
        fs::remove_all(FRoot, ec);
        FRoot.clear();
    }
}

std::string TPyFtpServer::ReadFile(const std::string& relativePath) const {
    return Slurp(FHome + "/" + relativePath);
}

void TPyFtpServer::WriteFile(const std::string& relativePath, const std::string& bytes) const {
    std::ofstream out(FHome + "/" + relativePath, std::ios::binary);
    out << bytes;
}

bool TPyFtpServer::Exists(const std::string& relativePath) const {
    return fs::exists(FHome + "/" + relativePath);
}

}  // namespace vd::test
