#pragma once
// A run of a program: its process id and the time the process started, so
// that a later run can tell a run that still lives from one that died (and
// from another process that has got the same number since).

#include <cstdint>
#include <optional>

namespace vd::platform {

struct TRunIdentity {
    std::int64_t ProcessId = 0;
    std::int64_t StartTicks = 0;  // clock ticks since boot, as /proc/PID/stat has it

    friend bool operator==(const TRunIdentity&, const TRunIdentity&) = default;
};

/// This process as a run.
TRunIdentity CurrentRun();

/// The process `ProcessId` as a run; nothing when it does not live.
std::optional<TRunIdentity> RunOf(std::int64_t ProcessId);

/// Whether `Run` still lives: a process with its id that started when it did.
bool RunIsAlive(const TRunIdentity& Run);

}  // namespace vd::platform
