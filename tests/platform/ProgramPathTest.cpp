#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "common/TempDir.h"
#include "platform/ProgramPath.h"

namespace vd::platform {
namespace {

TEST(ProgramPath, MakesRelativePathsAbsoluteWithoutResolvingLinks) {
    test::TTempDir dir;
    const std::string target = dir.File("velodrop");
    test::WriteFileBytes(target, "#!/bin/sh\n");
    std::filesystem::permissions(target, std::filesystem::perms::owner_all);
    std::filesystem::create_symlink(target, dir.File("velodrop-shortener"));

    const auto oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_EQ(AbsoluteProgramPath("./velodrop-shortener"), dir.File("velodrop-shortener"));
    EXPECT_EQ(AbsoluteProgramPath(dir.File("velodrop-shortener")), dir.File("velodrop-shortener"));

    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    ::setenv("PATH", ("/nonexistent:" + dir.Path().string()).c_str(), 1);
    EXPECT_EQ(AbsoluteProgramPath("velodrop-shortener"), dir.File("velodrop-shortener"));
    ::setenv("PATH", savedPath.c_str(), 1);
    std::filesystem::current_path(oldCwd);
}

}  // namespace
}  // namespace vd::platform
