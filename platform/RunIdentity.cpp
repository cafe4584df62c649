#include "platform/RunIdentity.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

namespace vd::platform {
namespace {

// Field 22 of /proc/PID/stat. It is counted from the last ')': the command
// name before it is in parentheses and may itself hold blanks and ')'.
std::optional<std::int64_t> StartTicksOf(std::int64_t ProcessId) {
    std::ifstream stat("/proc/" + std::to_string(ProcessId) + "/stat");
    if (!stat) return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>()};
    const std::size_t end = text.rfind(')');
    if (end == std::string::npos) return std::nullopt;
    std::istringstream fields(text.substr(end + 1));
    std::string field;
    // The state is field 3: the start time is the 20th field after the name.
    for (int i = 0; i < 20; ++i) {
        if (!(fields >> field)) return std::nullopt;
    }
    try {
        std::size_t used = 0;
        const long long ticks = std::stoll(field, &used);
        if (used != field.size()) return std::nullopt;
        return ticks;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

TRunIdentity CurrentRun() {
    const std::int64_t pid = ::getpid();
    return {pid, StartTicksOf(pid).value_or(0)};
}

std::optional<TRunIdentity> RunOf(std::int64_t ProcessId) {
    if (ProcessId <= 0) return std::nullopt;
    const auto ticks = StartTicksOf(ProcessId);
    if (!ticks) return std::nullopt;
    return TRunIdentity{ProcessId, *ticks};
}

bool RunIsAlive(const TRunIdentity& Run) { return RunOf(Run.ProcessId) == Run; }

}  // namespace vd::platform
