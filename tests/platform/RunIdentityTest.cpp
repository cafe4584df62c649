#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

#include "platform/RunIdentity.h"

namespace vd::platform {
namespace {

constexpr auto kAlive = TRunLiveness::Alive;
constexpr auto kDead = TRunLiveness::Dead;
constexpr auto kUnknown = TRunLiveness::Unknown;

// A child process, reaped: its number names no run any more.
std::int64_t EndedChild() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(RunIdentity, ARunIsAliveOnlyAsTheProcessItWas) {
    const TRunIdentity me = CurrentRun();
    EXPECT_EQ(me.ProcessId, ::getpid());
    EXPECT_GT(me.StartTicks, 0);
    EXPECT_EQ(LivenessOf(me), kAlive);
    TRunIdentity reused = me;  // the number, taken by another process since
    ++reused.StartTicks;
    EXPECT_EQ(LivenessOf(reused), kDead);
    EXPECT_EQ(LivenessOf({0, 0, me.Place}), kDead);
    const auto parent = RunOf(::getppid());
    ASSERT_TRUE(parent);
    EXPECT_EQ(LivenessOf(*parent), kAlive);
    EXPECT_LE(parent->StartTicks, me.StartTicks);
    const std::int64_t child = EndedChild();
    EXPECT_EQ(LivenessOf({child, me.StartTicks, me.Place}), kDead);
    EXPECT_EQ(RunOf(child), std::nullopt);
}

TEST(RunIdentity, ThePlaceIsThisBootNamespaceAndHost) {
    const TRunPlace place = CurrentPlace();
    EXPECT_EQ(place.BootId.size(), 36u) << place.BootId;  // a UUID
    struct stat pidNamespace {};
    ASSERT_EQ(::stat("/proc/self/ns/pid", &pidNamespace), 0);
    EXPECT_EQ(place.PidNamespace, pidNamespace.st_ino);
    char host[HOST_NAME_MAX + 1] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(place.HostName, host);
    EXPECT_TRUE(place.IsKnown());
    EXPECT_FALSE(TRunPlace().IsKnown());
}

// A run elsewhere cannot be looked up here, whether or not a process here
// has its number and start time; a run of an earlier boot of this system
// ended with it; a run recorded without its place is looked up as before.
TEST(RunIdentity, ARunElsewhereHasUnknownLiveness) {
    const TRunIdentity me = CurrentRun();
    // Without a machine id a restart cannot be told from another system.
    const TRunLiveness restarted = me.Place.MachineId.empty() ? kUnknown : kDead;
    const std::int64_t ended = EndedChild();
    TRunPlace otherBoot = me.Place;
    otherBoot.BootId = "0b5e2c4e-1d3a-4f6b-9a7c-8e9f0a1b2c3d";
    TRunPlace otherSystem = otherBoot;
    otherSystem.MachineId = "5d1a0c7e9b2f4e6a8c3d1f0b2a4c6e8d";
    TRunPlace renamedAndRestarted = otherBoot;
    renamedAndRestarted.HostName += "-renamed";
    TRunPlace otherNamespace = me.Place;
    ++otherNamespace.PidNamespace;
    TRunPlace otherHost = me.Place;
    otherHost.HostName += "-other";
    const struct {
        const char* Name;
        TRunPlace Place;
        TRunLiveness AsThisProcess;  // with this process's number and start
        TRunLiveness AsEnded;        // with the number of a process that ended
    } cases[] = {
        {"here", me.Place, kAlive, kDead},
        {"an earlier boot of this system", otherBoot, restarted, restarted},
        {"another system (NFS home)", otherSystem, kUnknown, kUnknown},
        {"another boot under another host name", renamedAndRestarted, kUnknown, kUnknown},
        {"another PID namespace", otherNamespace, kUnknown, kUnknown},
        {"another host", otherHost, kUnknown, kUnknown},
        {"not recorded", TRunPlace(), kAlive, kDead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(LivenessOf({me.ProcessId, me.StartTicks, c.Place}), c.AsThisProcess);
        EXPECT_EQ(LivenessOf({ended, me.StartTicks, c.Place}), c.AsEnded);
    }
}

}  // namespace
}  // namespace vd::platform
