#include "app/clipboard/ClipboardKeeperProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <vector>

extern char** environ;

namespace vd::app {
namespace {

// The keeper on X11 starts a GUI application before it can take the
// clipboard, which takes a moment (longer under a sanitizer).
constexpr int kAnswerMilliseconds = 10000;

// Keepers that answered "ok" and serve on; each is reaped once it ends, so
// that a long run with many shares leaves no zombies behind.
std::vector<pid_t>& RunningKeepers() {
    static std::vector<pid_t> keepers;
    return keepers;
}

void ReapEndedKeepers() {
    auto& keepers = RunningKeepers();
    for (auto it = keepers.begin(); it != keepers.end();) {
        int status = 0;
        if (::waitpid(*it, &status, WNOHANG) != 0)
            it = keepers.erase(it);
        else
            ++it;
    }
}

// Through a socket rather than a pipe: a keeper that died at once is no
// reason for SIGPIPE to end the sender.
bool SendAll(int Fd, const std::string& Bytes) {
    std::size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = ::send(Fd, Bytes.data() + done, Bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

// The keeper's one line, or empty when it ended or the time ran out first
// (`TimedOut`).
std::string ReadAnswer(int Fd, bool& TimedOut) {
    TimedOut = false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerMilliseconds);
    std::string answer;
    while (answer.find('\n') == std::string::npos && answer.size() < 4096) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd in{Fd, POLLIN, 0};
        const int ready = ::poll(&in, 1, left > 0 ? int(left) : 0);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            TimedOut = ready == 0;
            break;
        }
        char buffer[256];
        const ssize_t n = ::read(Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        answer.append(buffer, std::size_t(n));
    }
    const auto end = answer.find('\n');
    return end == std::string::npos ? std::string() : answer.substr(0, end);
}

// Starts the keeper in a session of its own, in "/" (it must keep no
// folder busy), with `Text` on its standard input, its answer on a pipe and
// nothing else open: a caller reading our output to its end must not wait
// ten minutes for it. The process id, or -1.
pid_t StartKeeper(const std::string& Program, const std::string& Text, int& AnswerFd) {
    int input[2];
    int answer[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0) return -1;
    if (::pipe2(answer, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return -1;
    }
    const std::string seconds = std::to_string(kKeepClipboardSeconds);
    char option[] = "--keep-clipboard";
    char* argv[] = {const_cast<char*>(Program.c_str()), option, const_cast<char*>(seconds.c_str()),
                    nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, answer[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawn_file_actions_addchdir_np(&actions, "/");
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    pid_t pid = -1;
    if (::posix_spawn(&pid, Program.c_str(), &actions, &attributes, argv, environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(answer[1]);
    if (pid > 0) SendAll(input[1], Text);
    ::close(input[1]);
    if (pid > 0)
        AnswerFd = answer[0];
    else
        ::close(answer[0]);
    return pid;
}

}  // namespace

std::string CopyThroughKeeper(const std::string& Program, const std::string& Text) {
    ReapEndedKeepers();
    int answerFd = -1;
    const pid_t keeper = StartKeeper(Program, Text, answerFd);
    if (keeper <= 0) return "the clipboard keeper could not be started (" + Program + ")";
    bool timedOut = false;
    const std::string answer = ReadAnswer(answerFd, timedOut);
    ::close(answerFd);
    if (answer == "ok") {
        RunningKeepers().push_back(keeper);
        return {};
    }
    // A keeper that failed ends by itself; one that did not answer in time
    // is stopped, so that it cannot take the clipboard later by surprise.
    if (timedOut) ::kill(keeper, SIGKILL);
    int status = 0;
    while (::waitpid(keeper, &status, 0) < 0 && errno == EINTR) {
    }
    static const std::string kFailed = "failed: ";
    if (answer.compare(0, kFailed.size(), kFailed) == 0) return answer.substr(kFailed.size());
    if (timedOut)
        return "the clipboard keeper gave no answer within " +
               std::to_string(kAnswerMilliseconds / 1000) + " s";
    return "the clipboard keeper ended without taking the clipboard";
}

std::string ReadKeeperText() {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return text;
        text.append(buffer, std::size_t(n));
    }
}

void AnswerKeeperStarter(const std::string& Why) {
    const std::string line = Why.empty() ? std::string("ok\n") : "failed: " + Why + "\n";
    // The starter may have given up waiting and closed the pipe.
    const sighandler_t previous = std::signal(SIGPIPE, SIG_IGN);
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += std::size_t(n);
    }
    std::signal(SIGPIPE, previous);
    // The starter may be a script reading our output to its end.
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
}

}  // namespace vd::app
