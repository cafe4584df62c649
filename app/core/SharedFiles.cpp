#include "app/core/SharedFiles.h"

#include <iterator>

namespace vd::app {
namespace {

// Written as text, so that the store reads plainly in a database shell.
constexpr const char* kStateNames[] = {"uploading", "up", "failed", "deleted", "delete failed"};

}  // namespace

QString ShareStateName(TShareState State) {
    return QString::fromLatin1(kStateNames[static_cast<int>(State)]);
}

std::optional<TShareState> ShareStateNamed(const QString& Name) {
    for (std::size_t i = 0; i < std::size(kStateNames); ++i)
        if (Name == QLatin1String(kStateNames[i])) return static_cast<TShareState>(i);
    return std::nullopt;
}

}  // namespace vd::app
