#pragma once
// The end of the session or of the terminal the program was started from
// (SIGTERM, SIGHUP) is a request to close, like the window manager's: the
// exit sequence runs, with this run's clean-up, before the program ends.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vd::app {

/// While it lives, SIGTERM and SIGHUP call `OnSignal` from the event loop
/// instead of ending the process at once. One at a time per process.
class TTerminationSignals final : public QObject {
  public:
    explicit TTerminationSignals(std::function<void()> OnSignal);
    ~TTerminationSignals() override;
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

  private:
    std::function<void()> FOnSignal;
    QSocketNotifier* FNotifier = nullptr;
};

}  // namespace vd::app
