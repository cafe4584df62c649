#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/TempDir.h"
#include "platform/ProfileFile.h"

namespace vd::platform {
namespace {

using test::ReadFileBytes;
using test::TTempDir;
using test::WriteFileBytes;

struct TReadCase {
    const char* Content;
    const char* Section;
    const char* Key;
    const char* Expected;
};

class ProfileRead : public ::testing::TestWithParam<TReadCase> {};

TEST_P(ProfileRead, FindsValueAsWindowsWould) {
    TTempDir dir;
    const std::string path = dir.File("s.ini");
    WriteFileBytes(path, GetParam().Content);
    EXPECT_EQ(GetPrivateProfileString(GetParam().Section, GetParam().Key, "<default>", path),
              GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileRead,
    ::testing::Values(TReadCase{"[FTP]\nHost=example.org\n", "FTP", "Host", "example.org"},
                      TReadCase{"[ftp]\nHOST=example.org\n", "FTP", "Host", "example.org"},
                      TReadCase{"[FTP]\r\nHost = \t spaced \t \r\n", "FTP", "Host", "spaced"},
                      TReadCase{"[FTP]\rHost=cr-only\rPort=21\r", "FTP", "Port", "21"},
                      TReadCase{"[FTP]\nHost=\"quoted value \"\n", "FTP", "Host", "quoted value "},
                      TReadCase{"[FTP]\nHost='single'\n", "FTP", "Host", "single"},
                      TReadCase{"[FTP]\nHost=\"unbalanced'\n", "FTP", "Host", "\"unbalanced'"},
                      TReadCase{"[FTP]\nHost=\"\"inner\"\"\n", "FTP", "Host", "\"inner\""},
                      TReadCase{"[FTP]\nHost=\n", "FTP", "Host", ""},
                      TReadCase{"[FTP]\nHost=a=b\n", "FTP", "Host", "a=b"},
                      TReadCase{"Host=outside\n[FTP]\nPort=1\n", "FTP", "Host", "<default>"},
                      TReadCase{"[Common]\nHost=other\n[FTP]\n", "FTP", "Host", "<default>"},
                      TReadCase{"[FTP]\nHost=first\nHost=second\n", "FTP", "Host", "first"},
                      TReadCase{"[FTP]\nHost=first\n[FTP]\nHost=second\n", "FTP", "Host", "first"},
                      TReadCase{"[FTP]\nPort=1\n[FTP]\nHost=second\n", "FTP", "Host", "<default>"},
                      TReadCase{"  [ FTP ] trailing\nHost=x\n", "FTP", "Host", "x"},
                      TReadCase{"\xEF\xBB\xBF[FTP]\nHost=after-bom\n", "FTP", "Host", "after-bom"},
                      TReadCase{"[FTP]\nHost=no-final-newline", "FTP", "Host", "no-final-newline"},
                      TReadCase{"[FTP]\njust a line\nHost=x\n", "FTP", "Host", "x"},
                      TReadCase{"[FTP]\nHost=gr\xC3\xBC\xC3\x9F\n", "FTP", "Host",
                                "gr\xC3\xBC\xC3\x9F"}));

TEST(ProfileFile, MissingFileGivesDefault) {
    TTempDir dir;
    EXPECT_EQ(GetPrivateProfileString("FTP", "Host", "d", dir.File("none.ini")), "d");
}

TEST(ProfileFile, CutsValuesAt2047Utf16Units) {
    TTempDir dir;
    const std::string path = dir.File("s.ini");
    WriteFileBytes(path, "[FTP]\nA=" + std::string(100000, 'x') + "\n" +
                             // 2046 ASCII characters, then one needing a surrogate pair
                             "B=" + std::string(2046, 'y') + "\xF0\x9F\x98\x80" + "\n");
    EXPECT_EQ(GetPrivateProfileString("FTP", "A", "", path), std::string(2047, 'x'));
    // The pair does not fit into the last unit: it is dropped whole, not split.
    EXPECT_EQ(GetPrivateProfileString("FTP", "B", "", path), std::string(2046, 'y'));
}

TEST(ProfileFile, BinaryGarbageNeverCrashes) {
    TTempDir dir;
    const std::string path = dir.File("s.ini");
    std::string garbage;
    std::uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        garbage += static_cast<char>(x >> 24);
    }
    WriteFileBytes(path, garbage + "\n[FTP]\nHost=found\n");
    EXPECT_EQ(GetPrivateProfileString("FTP", "Host", "", path), "found");
    EXPECT_TRUE(WritePrivateProfileString("FTP", "Host", "new", path));
    EXPECT_EQ(GetPrivateProfileString("FTP", "Host", "", path), "new");
    EXPECT_EQ(ReadFileBytes(path).substr(0, garbage.size()), garbage);
}

struct TWriteCase {
    const char* Before;
    const char* Section;
    const char* Key;
    const char* Value;
    const char* After;
};

class ProfileWrite : public ::testing::TestWithParam<TWriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheKey) {
    TTempDir dir;
    const std::string path = dir.File("s.ini");
    if (GetParam().Before) WriteFileBytes(path, GetParam().Before);
    ASSERT_TRUE(
        WritePrivateProfileString(GetParam().Section, GetParam().Key, GetParam().Value, path));
    EXPECT_EQ(ReadFileBytes(path), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWrite,
    ::testing::Values(
        TWriteCase{nullptr, "FTP", "Host", "h", "[FTP]\nHost=h\n"},
        TWriteCase{"", "FTP", "Host", "h", "[FTP]\nHost=h\n"},
        TWriteCase{"[FTP]\nHost=old\nPort=21\n", "FTP", "Host", "new",
                   "[FTP]\nHost=new\nPort=21\n"},
        TWriteCase{"[ftp]\r\nhost = old\r\n", "FTP", "Host", "new", "[ftp]\r\nHost=new\r\n"},
        TWriteCase{"[FTP]\nHost=h\n\n[Common]\nLog=1\n", "FTP", "Port", "21",
                   "[FTP]\nHost=h\nPort=21\n\n[Common]\nLog=1\n"},
        TWriteCase{"[FTP]\nHost=h\n", "Common", "Timeout", "0",
                   "[FTP]\nHost=h\n[Common]\nTimeout=0\n"},
        TWriteCase{"[FTP]\nHost=h", "FTP", "Port", "21", "[FTP]\nHost=h\nPort=21\n"},
        TWriteCase{"; note\n[FTP]\nDirectory_1=b\n", "FTP", "Directory", "a",
                   "; note\n[FTP]\nDirectory_1=b\nDirectory=a\n"},
        TWriteCase{"\xEF\xBB\xBF[FTP]\nHost=x\n", "FTP", "Host", "y",
                   "\xEF\xBB\xBF[FTP]\nHost=y\n"},
        TWriteCase{"[FTP]\n", "FTP", "Host", "two\nlines\r", "[FTP]\nHost=two lines \n"}));

TEST(ProfileFile, WriteToUnwritableFolderFailsAndChangesNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
    TTempDir dir;
    const std::string path = dir.File("s.ini");
    WriteFileBytes(path, "[FTP]\nHost=kept\n");
    ::chmod(dir.Path().c_str(), 0500);
    EXPECT_FALSE(WritePrivateProfileString("FTP", "Host", "lost", path));
    ::chmod(dir.Path().c_str(), 0700);
    EXPECT_EQ(ReadFileBytes(path), "[FTP]\nHost=kept\n");
}

TEST(ProfileFile, WriteIntoMissingFolderFails) {
    TTempDir dir;
    EXPECT_FALSE(WritePrivateProfileString("FTP", "Host", "h", dir.File("missing/s.ini")));
}

TEST(ProfileFile, NewFileIsPrivateToItsOwner) {
    TTempDir dir;
    const std::string path = dir.File("s.ini");
    ASSERT_TRUE(WritePrivateProfileString("FTP", "Password", "0A1B", path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace vd::platform
