#include <gtest/gtest.h>

#include <cstdlib>

#include "common/TempDir.h"
#include "platform/SpecialFolders.h"
#include "platform/TempFiles.h"

namespace vd::platform {
namespace {

// Sets an environment variable for the life of the object.
class TScopedEnv final {
  public:
    TScopedEnv(const char* Name, const char* Value) : FName(Name) {
        if (const char* old = std::getenv(Name)) FOld = old, FHadOld = true;
        if (Value)
            ::setenv(Name, Value, 1);
        else
            ::unsetenv(Name);
    }
    ~TScopedEnv() {
        if (FHadOld)
            ::setenv(FName, FOld.c_str(), 1);
        else
            ::unsetenv(FName);
    }

  private:
    const char* FName;
    std::string FOld;
    bool FHadOld = false;
};

TEST(SpecialFolders, ConfigAndDataFoldersFromXdgThenHome) {
    struct TCase {
        const char* Variable;
        std::string (*Folder)();
        const char* UnderHome;
    };
    for (const TCase& c : {TCase{"XDG_CONFIG_HOME", CommonAppDataFolder, "/home/u/.config"},
                           TCase{"XDG_DATA_HOME", UserDataFolder, "/home/u/.local/share"}}) {
        SCOPED_TRACE(c.Variable);
        {
            TScopedEnv xdg(c.Variable, "/x/folder");
            TScopedEnv home("HOME", "/home/u");
            EXPECT_EQ(c.Folder(), "/x/folder");
        }
        {
            TScopedEnv xdg(c.Variable, "");
            TScopedEnv home("HOME", "/home/u");
            EXPECT_EQ(c.Folder(), c.UnderHome);
        }
        {
            TScopedEnv xdg(c.Variable, nullptr);
            TScopedEnv home("HOME", nullptr);
            EXPECT_EQ(c.Folder(), "");
        }
    }
}

TEST(SpecialFolders, TempFolderEndsInSlash) {
    {
        TScopedEnv tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(TempFolder(), "/var/tmp/");
    }
    {
        TScopedEnv tmp("TMPDIR", nullptr);
        EXPECT_EQ(TempFolder(), "/tmp/");
    }
}

TEST(SpecialFolders, ForceDirectoriesMakesEveryLevel) {
    test::TTempDir dir;
    EXPECT_TRUE(ForceDirectories(dir.File("a/b/c")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("a/b/c")));
    test::WriteFileBytes(dir.File("file"), "x");
    EXPECT_FALSE(ForceDirectories(dir.File("file/sub")));
}

TEST(TempFiles, CreatesDistinctEmptyFilesWithPrefix) {
    test::TTempDir dir;
    const std::string a = GetTempFileName(dir.Path().string(), "vdf");
    const std::string b = GetTempFileName(dir.Path().string() + "/", "vdf");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(FileNamePart(a).starts_with("vdf"));
    EXPECT_TRUE(a.ends_with(".TMP"));
    EXPECT_TRUE(FileExists(a));
    EXPECT_EQ(std::filesystem::file_size(a), 0u);
    EXPECT_EQ(GetTempFileName(dir.File("missing"), "vdf"), "");
}

}  // namespace
}  // namespace vd::platform
