#pragma once
// How an upload's progress is shown, in the window and on the terminal.

#include <QElapsedTimer>
#include <QString>
#include <cstdint>

namespace vd::app {

/// "1.0 MiB / 3.0 MiB (33 %)"; an empty upload is at 100 %.
QString ProgressText(std::uint64_t Sent, std::uint64_t Total);

/// A few updates a second keep a long upload from looking frozen without
/// costing it time; the first piece and the last always show.
class TProgressPace final {
  public:
    /// True when the piece that brought `Sent` of `Total` is to be shown.
    bool Due(std::uint64_t Sent, std::uint64_t Total);
    /// The next piece shows at once.
    void Restart() { FShown.invalidate(); }

  private:
    QElapsedTimer FShown;
};

}  // namespace vd::app
