#pragma once
// A run of a program: its process id and the time the process started, so
// that a later run can tell a run that still lives from one that died (and
// from another process that has got the same number since); and where those
// numbers mean something: the boot, the PID namespace and the host. A run
// elsewhere (another host sharing the home folder, a container, a sandbox
// with its own PID namespace) cannot be looked up from here.

#include <cstdint>
#include <optional>
#include <string>

namespace vd::platform {

struct TRunPlace {
    std::string BootId;              // /proc/sys/kernel/random/boot_id
    std::uint64_t PidNamespace = 0;  // the inode of /proc/self/ns/pid
    std::string HostName;
    std::string MachineId;  // /etc/machine-id: the same system across restarts

    /// False for a run recorded without its place (by an older version).
    bool IsKnown() const {
        return !BootId.empty() || PidNamespace != 0 || !HostName.empty() || !MachineId.empty();
    }
    friend bool operator==(const TRunPlace&, const TRunPlace&) = default;
};

struct TRunIdentity {
    std::int64_t ProcessId = 0;
    std::int64_t StartTicks = 0;  // clock ticks since boot, as /proc/PID/stat has it
    TRunPlace Place;

    friend bool operator==(const TRunIdentity&, const TRunIdentity&) = default;
};

enum class TRunLiveness { Alive, Dead, Unknown };

/// Where this process runs.
TRunPlace CurrentPlace();

/// This process as a run.
TRunIdentity CurrentRun();

/// The process `ProcessId` (of this place) as a run; nothing when it does
/// not live.
std::optional<TRunIdentity> RunOf(std::int64_t ProcessId);

/// Whether `Run` still lives: a process with its id that started when it
/// did. Dead for a run of an earlier boot of this system (same machine id
/// and host name): a restart ended it. Unknown for a run in another place;
/// a run recorded without its place is looked up here.
TRunLiveness LivenessOf(const TRunIdentity& Run);

}  // namespace vd::platform
