#include "app/gui/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>

namespace vd::app {
namespace {

// A signal handler may only write; the event loop reads the other end.
int gSignalPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGHUP};

extern "C" void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void()> OnSignal,
                                         std::chrono::milliseconds Grace)
    : FOnSignal(std::move(OnSignal)), FGrace(Grace) {
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    FNotifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(gSignalPipe[0], bytes, sizeof bytes) > 0) {
        }
        StartWatchdog();
        FOnSignal();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

void TTerminationSignals::StartWatchdog() {
    if (FWatchdogStarted) return;
    FWatchdogStarted = true;
    // Detached: it outlives everything but the process, which it ends when
    // the exit sequence is still running after the grace.
    std::thread([Grace = FGrace] {
        std::this_thread::sleep_for(Grace);
        std::_Exit(EXIT_FAILURE);
    }).detach();
}

TTerminationSignals::~TTerminationSignals() {
    if (!FNotifier) return;
    for (const int signal : kSignals) std::signal(signal, SIG_DFL);
    delete FNotifier;
    ::close(gSignalPipe[0]);
    ::close(gSignalPipe[1]);
    gSignalPipe[0] = gSignalPipe[1] = -1;
}

}  // namespace vd::app
