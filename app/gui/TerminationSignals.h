#pragma once
// The end of the session or of the terminal the program was started from
// (SIGTERM, SIGHUP) is a request to close, like the window manager's: the
// exit sequence runs, with this run's clean-up, before the program ends.
// The session manager waits only so long before it kills the program
// without any clean-up, and a server that stops answering could hold the
// exit for minutes: from the signal on, the program has a few seconds to
// end and is then ended without further ado.

#include <QObject>
#include <chrono>
#include <functional>

class QSocketNotifier;

namespace vd::app {

/// While it lives, SIGTERM and SIGHUP call `OnSignal` from the event loop
/// instead of ending the process at once; `Grace` after the first signal
/// the process ends in any case, even when the event loop never gets to
/// run again (a read that waits on a server). One at a time per process.
class TTerminationSignals final : public QObject {
  public:
    static constexpr std::chrono::seconds kDefaultGrace{10};

    explicit TTerminationSignals(std::function<void()> OnSignal,
                                 std::chrono::seconds Grace = kDefaultGrace);
    ~TTerminationSignals() override;
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

  private:
    std::function<void()> FOnSignal;
    QSocketNotifier* FNotifier = nullptr;
};

}  // namespace vd::app
