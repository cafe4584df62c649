#include "platform/RunIdentity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
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

// The first line of a small file; empty when it cannot be read.
std::string FirstLineOf(const char* Path) {
    std::ifstream file(Path);
    std::string line;
    std::getline(file, line);
    return line;
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

}  // namespace

TRunPlace CurrentPlace() {
    TRunPlace place;
    place.BootId = FirstLineOf("/proc/sys/kernel/random/boot_id");
    struct stat pidNamespace {};
    if (::stat("/proc/self/ns/pid", &pidNamespace) == 0) place.PidNamespace = pidNamespace.st_ino;
    place.HostName = HostName();
    place.MachineId = FirstLineOf("/etc/machine-id");
    if (place.MachineId.empty()) place.MachineId = FirstLineOf("/var/lib/dbus/machine-id");
    return place;
}

TRunIdentity CurrentRun() {
    const std::int64_t pid = ::getpid();
    return {pid, StartTicksOf(pid).value_or(0), CurrentPlace()};
}

std::optional<TRunIdentity> RunOf(std::int64_t ProcessId) {
    if (ProcessId <= 0) return std::nullopt;
    const auto ticks = StartTicksOf(ProcessId);
    if (!ticks) return std::nullopt;
    return TRunIdentity{ProcessId, *ticks, CurrentPlace()};
}

TRunLiveness LivenessOf(const TRunIdentity& Run) {
    // Elsewhere, the same number names another process or none: a run
    // there may well live on.
    if (Run.Place.IsKnown()) {
        const TRunPlace here = CurrentPlace();
        // This system restarted since (a power cut, a crash of the whole
        // desktop): nothing of that boot runs any more.
        if (!here.MachineId.empty() && Run.Place.MachineId == here.MachineId &&
            Run.Place.HostName == here.HostName && Run.Place.BootId != here.BootId)
            return TRunLiveness::Dead;
        if (Run.Place != here) return TRunLiveness::Unknown;
    }
    const auto found = RunOf(Run.ProcessId);
    return found && found->StartTicks == Run.StartTicks ? TRunLiveness::Alive : TRunLiveness::Dead;
}

}  // namespace vd::platform
