#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/RunIdentity.h"

namespace vd::platform {
namespace {

TEST(RunIdentity, ARunIsAliveOnlyAsTheProcessItWas) {
    const TRunIdentity me = CurrentRun();
    EXPECT_EQ(me.ProcessId, ::getpid());
    EXPECT_GT(me.StartTicks, 0);
    EXPECT_TRUE(RunIsAlive(me));
    EXPECT_FALSE(RunIsAlive({me.ProcessId, me.StartTicks + 1}));  // the number reused since
    EXPECT_FALSE(RunIsAlive({0, 0}));
    const auto parent = RunOf(::getppid());
    ASSERT_TRUE(parent);
    EXPECT_TRUE(RunIsAlive(*parent));
    EXPECT_LE(parent->StartTicks, me.StartTicks);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(RunIsAlive({child, me.StartTicks}));
    EXPECT_EQ(RunOf(child), std::nullopt);
}

}  // namespace
}  // namespace vd::platform
