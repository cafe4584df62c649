#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace vd::test {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A descriptor closed when the object goes, unless released.
class TFd final {
  public:
    explicit TFd(int fd = -1) noexcept : FFd(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() { Reset(); }
    int Get() const noexcept { return FFd; }
    int Release() noexcept { return std::exchange(FFd, -1); }
    void Reset(int fd = -1) noexcept {
        if (FFd >= 0) ::close(FFd);
        FFd = fd;
    }

  private:
    int FFd = -1;
};

int OpenOrThrow(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    return fd;
}

std::string TemporaryLog() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vd-child-XXXXXX.log";
    const int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0)
        throw std::runtime_error("cannot create a log file: " + std::string(std::strerror(errno)));
    ::close(fd);
    return pattern;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Makes `from` the descriptor `to` of the new program. dup2 clears the
// close-on-exec flag of the copy, except when there is nothing to copy.
void Redirect(int from, int to) noexcept {
    if (from == to)
        ::fcntl(to, F_SETFD, 0);
    else
        ::dup2(from, to);
}

// Why the child did not reach the program; sent through a pipe that
// exec closes, so the parent reads nothing when the program runs.
struct TStartFailure {
    int Step;  // 0: working directory, 1: exec
    int Error;
};

// Runs in the child between fork and exec: system calls only (another
// thread of the test may have held the allocator's lock at the fork).
[[noreturn]] void BecomeProgram(char* const* argv, const char* workingDirectory, pid_t parent,
                                int in, int out, int err, int report) noexcept {
    // Nobody is left to wait for a graceful end once the test is gone.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);  // the test ended before prctl
    Redirect(in, 0);
    Redirect(out, 1);
    Redirect(err, 2);
    // Every other descriptor of the test (listening sockets, pipes of other
    // children) closes when the program starts; `report` stays open till then.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    TStartFailure failure{0, 0};
    if (workingDirectory && ::chdir(workingDirectory) != 0) {
        failure = {0, errno};
    } else {
        ::execv(argv[0], argv);
        failure = {1, errno};
    }
    [[maybe_unused]] const ssize_t n = ::write(report, &failure, sizeof failure);
    ::_exit(127);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TChildProcess::TChildProcess(const std::vector<std::string>& argv, const TChildOptions& options) {
    if (argv.empty()) throw std::runtime_error("TChildProcess: no program");
    // Everything the child needs is made here, before the fork.
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const char* workingDirectory =
        options.WorkingDirectory.empty() ? nullptr : options.WorkingDirectory.c_str();

    TFd in(OpenOrThrow("/dev/null", O_RDONLY));
    TFd outRead, outWrite;
    if (options.StdoutFile.empty()) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        outRead.Reset(fds[0]);
        outWrite.Reset(fds[1]);
    } else {
        outWrite.Reset(OpenOrThrow(options.StdoutFile, O_WRONLY | O_CREAT | O_APPEND));
    }
    FOwnsErrorFile = options.StderrFile.empty();
    FErrorFile = FOwnsErrorFile ? TemporaryLog() : options.StderrFile;
    try {
        TFd err(OpenOrThrow(FErrorFile, O_WRONLY | O_CREAT | O_APPEND));
        int reportFds[2];
        if (::pipe2(reportFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        TFd reportRead(reportFds[0]), reportWrite(reportFds[1]);

        const pid_t parent = ::getpid();
        FPid = ::fork();
        if (FPid < 0) throw std::runtime_error("fork failed: " + std::string(std::strerror(errno)));
        if (FPid == 0)
            BecomeProgram(args.data(), workingDirectory, parent, in.Get(), outWrite.Get(),
                          err.Get(), reportWrite.Get());

        reportWrite.Reset();
        TStartFailure failure{};
        ssize_t n;
        do n = ::read(reportRead.Get(), &failure, sizeof failure);
        while (n < 0 && errno == EINTR);
        if (n == static_cast<ssize_t>(sizeof failure)) {
            Reap(0);
            throw std::runtime_error((failure.Step == 0
                                          ? "cannot change to " + options.WorkingDirectory + " for "
                                          : std::string("cannot start ")) +
                                     argv[0] + ": " + std::strerror(failure.Error));
        }
    } catch (...) {
        if (FOwnsErrorFile) ::unlink(FErrorFile.c_str());
        throw;
    }
    FOut = outRead.Release();
}

TChildProcess::~TChildProcess() {
    Stop();
    if (FOut >= 0) ::close(FOut);
    if (FOwnsErrorFile) ::unlink(FErrorFile.c_str());
}

bool TChildProcess::ReadSome(int ms) {
    if (FOut < 0) return false;
    pollfd p{FOut, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(FOut, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return false;
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
        for (size_t lf; (lf = FBuffer.find('\n')) != std::string::npos;) {
            std::string line = FBuffer.substr(0, lf);
            FBuffer.erase(0, lf + 1);
            if (line.rfind(prefix, 0) == 0) return line;
        }
        const int left = MsLeft(deadline);
        if (left == 0 || FOut < 0) return {};
        ReadSome(left);
    }
}

std::string TChildProcess::ReadToEnd(int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (FOut >= 0 && Clock::now() < deadline) ReadSome(std::min(100, MsLeft(deadline)));
    Stop();
    return std::exchange(FBuffer, {});
}

std::vector<std::string> TChildProcess::Finish(int ms) { return SplitLines(ReadToEnd(ms)); }

bool TChildProcess::Reap(int options) noexcept {
    if (FPid <= 0) return true;
    int status = 0;
    pid_t r;
    do r = ::waitpid(FPid, &status, options);
    while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r == FPid) FExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    FPid = -1;
    return true;
}

std::optional<int> TChildProcess::WaitForExit(int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!Reap(WNOHANG)) {
        const int left = MsLeft(deadline);
        if (left == 0) return std::nullopt;
        if (!ReadSome(std::min(left, 20)))
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 10)));
    }
    return FExitCode;
}

std::string TChildProcess::ErrorLog() const { return ReadWholeFile(FErrorFile); }

void TChildProcess::Stop() noexcept {
    if (FPid <= 0) return;
    // Until it is waited for, the id cannot go to another process.
    ::kill(FPid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (Reap(WNOHANG)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(FPid, SIGKILL);
    Reap(0);
}

TRunResult RunToCompletion(const std::vector<std::string>& argv, const TChildOptions& options,
                           int timeoutMs) {
    TChildProcess child(argv, options);
    TRunResult result;
    const std::optional<int> code = child.WaitForExit(timeoutMs);
    result.TimedOut = !code;
    result.ExitCode = code.value_or(-1);
    // The rest of the output; bounded, as a process the program left behind
    // may still hold the pipe.
    result.Output = child.ReadToEnd(code ? 1000 : 0);
    result.Errors = child.ErrorLog();
    return result;
}

TRunResult RunOrThrow(const std::vector<std::string>& argv, const TChildOptions& options,
                      int timeoutMs) {
    TRunResult result = RunToCompletion(argv, options, timeoutMs);
    if (result.TimedOut || result.ExitCode != 0) {
        std::string command;
        for (const auto& a : argv) command += (command.empty() ? "" : " ") + a;
        throw std::runtime_error(
            command +
            (result.TimedOut ? " did not end in time"
                             : " failed with exit code " + std::to_string(result.ExitCode)) +
            ": " + result.Errors);
    }
    return result;
}

}  // namespace vd::test
