#include "app/core/ProgressText.h"

#include "app/core/TextRules.h"

namespace vd::app {
namespace {

constexpr qint64 kProgressIntervalMs = 100;

}  // namespace

QString ProgressText(std::uint64_t Sent, std::uint64_t Total) {
    const int percent = Total ? static_cast<int>(Sent * 100 / Total) : 100;
    return QStringLiteral("%1 / %2 (%3 %)").arg(FormatBytes(Sent), FormatBytes(Total)).arg(percent);
}

bool TProgressPace::Due(std::uint64_t Sent, std::uint64_t Total) {
    if (FShown.isValid() && FShown.elapsed() < kProgressIntervalMs && Sent < Total) return false;
    FShown.start();
    return true;
}

}  // namespace vd::app
