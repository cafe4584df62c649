#include "app/gui/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace vd::app {
namespace {

// A signal handler may only write and start the alarm; the event loop reads
// the other end.
int gSignalPipe[2] = {-1, -1};
unsigned gGraceSeconds = 0;
volatile std::sig_atomic_t gGraceStarted = 0;
constexpr int kSignals[] = {SIGTERM, SIGHUP};

// The countdown runs in the kernel from the signal on: a GUI thread that
// waits in a read for a server's reply does not hold it up.
extern "C" void OnTerminationSignal(int) {
    const int saved = errno;
    if (!gGraceStarted) {
        gGraceStarted = 1;
        ::alarm(gGraceSeconds);
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

// The grace is over while the exit sequence still runs.
extern "C" void OnGraceOver(int) { ::_exit(EXIT_FAILURE); }

void Install(int Signal, void (*Handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(Signal, &action, nullptr);
}

}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void()> OnSignal, std::chrono::seconds Grace)
    : FOnSignal(std::move(OnSignal)) {
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    gGraceSeconds = static_cast<unsigned>(std::max<std::chrono::seconds::rep>(Grace.count(), 1));
    gGraceStarted = 0;
    FNotifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(gSignalPipe[0], bytes, sizeof bytes) > 0) {
        }
        FOnSignal();
    });
    // The alarm's handler stays after this object: once started, the
    // countdown covers everything up to the process's end.
    Install(SIGALRM, OnGraceOver);
    for (const int signal : kSignals) Install(signal, OnTerminationSignal);
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
