// The one way tests start a program (a server, a scripted peer, a one-shot
// tool such as `openssl req` or curl):
//   - argv[0] is the program's path: no PATH lookup, no shell;
//   - stdin is /dev/null; stdout is captured (read it with WaitForLine,
//     Finish or ReadToEnd) or written to a file; stderr goes to a log file,
//     the object's own temporary one unless the options name one, and
//     failure messages quote it (ErrorLog);
//   - the child inherits no other descriptor of the test, so a listening
//     socket the test closes is really closed;
//   - it is killed when the thread that started it ends (PR_SET_PDEATHSIG),
//     so a test that crashes leaves nothing running: start it from the
//     test's own thread;
//   - it is stopped by its process id only, never by name.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace vd::test {

struct TChildOptions {
    std::string WorkingDirectory;  // empty: the test's own
    std::string StdoutFile;        // empty: captured by the object
    std::string StderrFile;        // empty: a temporary log of the object's own
};

class TChildProcess final {
  public:
    // Starts the program; throws std::runtime_error when it cannot be started
    // (no such program, no such working directory).
    explicit TChildProcess(const std::vector<std::string>& argv, const TChildOptions& options = {});
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;
    ~TChildProcess();

    // The process id; -1 once the process has ended and been waited for.
    pid_t Pid() const noexcept { return FPid; }

    // The first captured output line that starts with prefix, waiting up to
    // ms for it; earlier lines are dropped. Empty when none came before the
    // deadline or the end of the output.
    std::string WaitForLine(const std::string& prefix, int ms);
    // Waits up to ms for the output to end, then stops the process; the
    // output not taken yet, as it came.
    std::string ReadToEnd(int ms);
    // The same as lines.
    std::vector<std::string> Finish(int ms);

    // Waits up to ms for the process to end by itself, reading its output
    // meanwhile so that it never blocks on a full pipe. Its exit code (128 +
    // the signal number when a signal ended it); nothing while it still runs.
    std::optional<int> WaitForExit(int ms);

    // What the process wrote to stderr so far.
    std::string ErrorLog() const;

    // SIGTERM, a grace period of about a second, then SIGKILL; waits for the
    // process. Idempotent.
    void Stop() noexcept;

  private:
    bool ReadSome(int ms);
    bool Reap(int options) noexcept;

    pid_t FPid = -1;
    int FOut = -1;  // read end of the captured stdout; -1 at its end
    std::string FBuffer;
    std::string FErrorFile;
    bool FOwnsErrorFile = false;
    std::optional<int> FExitCode;
};

// How a one-shot program ended.
struct TRunResult {
    int ExitCode = -1;      // 128 + signal number when a signal ended it
    bool TimedOut = false;  // it overran its time and was stopped
    std::string Output;     // stdout, unless the options sent it to a file
    std::string Errors;     // stderr
};

// Runs a program to its end, stopping it after timeoutMs.
TRunResult RunToCompletion(const std::vector<std::string>& argv, const TChildOptions& options = {},
                           int timeoutMs = 60000);

// The same; throws std::runtime_error naming the program and quoting its
// stderr unless it exits with 0 in time.
TRunResult RunOrThrow(const std::vector<std::string>& argv, const TChildOptions& options = {},
                      int timeoutMs = 60000);

}  // namespace vd::test
