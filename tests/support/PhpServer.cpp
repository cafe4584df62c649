#include "PhpServer.h"

#include <chrono>
#include <regex>
#include <stdexcept>
#include <thread>

namespace vd::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartTime = std::chrono::seconds(20);

// Port 0: the kernel picks a free port at the bind and PHP reports it
// ("PHP 8.2.x Development Server (http://127.0.0.1:40123) started"). A port
// chosen first and handed over later could be taken by another test in
// between; this way there is no such window and nothing to retry.
std::vector<std::string> ServerArgv(const std::string& root, const std::string& router) {
    return {"/usr/bin/php", "-S", "127.0.0.1:0", "-t", root, router};
}

// It logs to stderr and has nothing to say on stdout.
TChildOptions ServerOptions(const std::string& root) {
    TChildOptions options;
    options.WorkingDirectory = root;
    options.StdoutFile = "/dev/null";
    return options;
}

// curl on loopback only, whatever proxy the environment names.
std::vector<std::string> Curl(std::vector<std::string> options, const std::string& url) {
    std::vector<std::string> argv = {"/usr/bin/curl", "-s", "--noproxy", "*", "--max-time", "10"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(url);
    return argv;
}

// The start and the end of the server's log: the first request shows why
// it fails, and a readiness loop repeats that request many times.
std::string Excerpt(const std::string& log) {
    constexpr size_t kPart = 2000;
    if (log.size() <= 2 * kPart) return log;
    return log.substr(0, kPart) + "\n[...]\n" + log.substr(log.size() - kPart);
}

}  // namespace

TPhpServer::TPhpServer(const std::string& root, const std::string& router)
    : FProcess(ServerArgv(root, router), ServerOptions(root)) {
    FPort = WaitForPort();
    WaitUntilAnswering();
}

uint16_t TPhpServer::WaitForPort() {
    static const std::regex started(R"(Development Server \(http://127\.0\.0\.1:(\d+)\) started)");
    const auto deadline = Clock::now() + kStartTime;
    while (Clock::now() < deadline) {
        std::smatch m;
        const std::string log = FProcess.ErrorLog();
        if (std::regex_search(log, m, started)) return static_cast<uint16_t>(std::stoi(m[1]));
        if (const auto code = FProcess.WaitForExit(50))
            throw std::runtime_error("php -S ended with exit code " + std::to_string(*code) + ": " +
                                     Excerpt(log));
    }
    throw std::runtime_error("php -S reported no port: " + Excerpt(FProcess.ErrorLog()));
}

// The "started" line comes after the listen, but only an answer proves the
// server and its router work. curl prints status 000 when nothing answered.
void TPhpServer::WaitUntilAnswering() {
    const auto deadline = Clock::now() + kStartTime;
    std::string status;
    while (Clock::now() < deadline) {
        status =
            RunToCompletion(Curl({"-o", "/dev/null", "-w", "%{http_code}"}, Base() + "/index.php"))
                .Output;
        if (status == "200" || status == "404") return;
        if (FProcess.WaitForExit(100)) break;
    }
    throw std::runtime_error("php -S at " + Base() + " did not answer (last status " + status +
                             "): " + Excerpt(FProcess.ErrorLog()));
}

std::string TPhpServer::Base() const { return "http://127.0.0.1:" + std::to_string(FPort); }

std::string TPhpServer::Get(const std::string& path) const {
    return RunToCompletion(Curl({"-w", "%{http_code} %{redirect_url}|"}, Base() + path)).Output;
}

}  // namespace vd::test
