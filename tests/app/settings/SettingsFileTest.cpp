#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "app/settings/PasswordScrambler.h"
#include "app/settings/SettingsFile.h"
#include "common/TempDir.h"
#include "platform/UserName.h"

namespace vd::app {
namespace {

using test::ReadFileBytes;
using test::TTempDir;
using test::WriteFileBytes;

QString Q(const std::string& S) { return QString::fromStdString(S); }

TSettings ReadFrom(const TTempDir& Dir, const std::string& Content) {
    const std::string path = Dir.File("velodrop_settings.ini");
    WriteFileBytes(path, Content);
    return ReadSettingsFile(Q(path));
}

TEST(SettingsFile, ValuesFollowTheReadingRules) {
    TTempDir dir;
    const struct {
        const char* Line;  // in its section
        bool Common;
        std::function<void(const TSettings&)> Check;
    } cases[] = {
        {"Port=0x15", false, [](auto& s) { EXPECT_EQ(s.Port, 21); }},
        {"Port=$15", false, [](auto& s) { EXPECT_EQ(s.Port, 21); }},
        {"Port=abc", false, [](auto& s) { EXPECT_EQ(s.Port, 21); }},
        {"Port=70000", false, [](auto& s) { EXPECT_EQ(s.Port, 4464); }},
        {"Port=-1", false, [](auto& s) { EXPECT_EQ(s.Port, 65535); }},
        {"UseTLS=true", false, [](auto& s) { EXPECT_FALSE(s.UseTLS); }},
        {"UseTLS=01", false, [](auto& s) { EXPECT_FALSE(s.UseTLS); }},
        {"UseTLS=  1  ", false, [](auto& s) { EXPECT_TRUE(s.UseTLS); }},
        {"Directory=a\nDirectory_1=b", false,
         [](auto& s) { EXPECT_EQ(s.Directory, QStringLiteral("a b")); }},
        {"Directory_1=b", false, [](auto& s) { EXPECT_EQ(s.Directory, QString()); }},
        {"Directory=a\nDirectory_2=c", false,
         [](auto& s) { EXPECT_EQ(s.Directory, QStringLiteral("a")); }},
        {"BaseURL=\" https://x \"", false,
         [](auto& s) { EXPECT_EQ(s.BaseURL, QStringLiteral("https://x")); }},
        {"ResizeJPGImages=-50", true, [](auto& s) { EXPECT_EQ(s.ResizeJPGImages, 50); }},
        {"ResizeJPGImages=-2147483648", true, [](auto& s) { EXPECT_LT(s.ResizeJPGImages, 0); }},
        {"Timeout=-5", true, [](auto& s) { EXPECT_EQ(s.Timeout, -5); }},
        {"DeleteAfterDays=7", true, [](auto& s) { EXPECT_EQ(s.DeleteAfterDays, 7); }},
        {"DeleteAfterDays=-7", true, [](auto& s) { EXPECT_EQ(s.DeleteAfterDays, 0); }},
        {"DeleteAfterDays=week", true, [](auto& s) { EXPECT_EQ(s.DeleteAfterDays, 0); }},
        {"AutoLanguage=no", true, [](auto& s) { EXPECT_TRUE(s.AutoLanguage); }},
        {"AutoLanguage=0", true, [](auto& s) { EXPECT_FALSE(s.AutoLanguage); }},
        {"Log=1", true, [](auto& s) { EXPECT_TRUE(s.Log); }},
        {"Log=yes", true, [](auto& s) { EXPECT_FALSE(s.Log); }},
        {"Timeout=9", false, [](auto& s) { EXPECT_EQ(s.Timeout, 0); }},  // wrong section
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        c.Check(ReadFrom(dir, std::string(c.Common ? "[Common]\n" : "[FTP]\n") + c.Line + "\n"));
    }
}

TEST(SettingsFile, MissingKeysGiveTheDefaults) {
    TTempDir dir;
    const TSettings s = ReadFrom(dir, "");
    EXPECT_EQ(s.Host, QString());
    EXPECT_EQ(s.Port, 21);
    EXPECT_EQ(s.Password, QString());
    EXPECT_FALSE(s.UseTLS);
    EXPECT_EQ(s.Timeout, 0);
    EXPECT_EQ(s.ResizeJPGImages, 0);
    EXPECT_EQ(s.DeleteAfterDays, 0);
    EXPECT_FALSE(s.Log);
    EXPECT_TRUE(s.AutoLanguage);
}

TEST(SettingsFile, PasswordDecodesOrFallsBackToEmpty) {
    TTempDir dir;
    const std::string scrambled =
        EncodePassword(QStringLiteral("pw"), kPasswordStartKey).toStdString();
    EXPECT_EQ(ReadFrom(dir, "[FTP]\nPassword=" + scrambled + "7\n").Password, QStringLiteral("pw"));
    // A continuation joins the parts with a blank, which no scrambled text holds.
    EXPECT_EQ(ReadFrom(dir, "[FTP]\nPassword=" + scrambled.substr(0, 2) +
                                "\nPassword_1=" + scrambled.substr(2) + "\n")
                  .Password,
              QString());
}

TEST(SettingsFile, SurvivesBadFiles) {
    TTempDir dir;
    std::string garbage;
    for (int i = 0; i < 70000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    EXPECT_EQ(ReadFrom(dir, garbage).Port, 21);

    const TSettings longLines =
        ReadFrom(dir, "[FTP]\n" + std::string(100000, '#') + "\nHost=" + std::string(5000, 'h') +
                          "\nHost_1=tail\n");
    EXPECT_EQ(longLines.Host, QString(2047, u'h') + QStringLiteral(" tail"));

    const TSettings noSections = ReadFrom(dir, "Host=h\nPort=99\n");
    EXPECT_EQ(noSections.Host, QString());
    EXPECT_EQ(noSections.Port, 21);

    EXPECT_EQ(ReadFrom(dir, "\xEF\xBB\xBF[FTP]\r\nHost=bom\r\n").Host, QStringLiteral("bom"));
    EXPECT_EQ(ReadFrom(dir, std::string("[FTP]\nHost=ab\0cd\n", 17)).Host, QStringLiteral("ab"));
}

TEST(SettingsFile, ReadIniValueLooksInTheCurrentFolderAndUserSections) {
    TTempDir dir;
    WriteFileBytes(dir.File("only-here.ini"), "[FTP]\nHost=h\n[" + platform::UserName() +
                                                  "]\nKey=mine\n[" + platform::UserName() +
                                                  "X]\nKey=mineX\n");
    const auto oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    TIniValueBuffer buffer{};
    EXPECT_TRUE(ReadIniValue(buffer, QStringLiteral("/no/such/folder/only-here.ini"),
                             QStringLiteral("FTP"), QStringLiteral("Host")));
    EXPECT_EQ(QString::fromUtf16(buffer.data()), QStringLiteral("h"));
    EXPECT_EQ(ReadSetting(QStringLiteral("only-here.ini"), QString(), QStringLiteral("Key")),
              QStringLiteral("mine"));
    EXPECT_EQ(
        ReadSetting(QStringLiteral("only-here.ini"), QStringLiteral("&X"), QStringLiteral("Key")),
        QStringLiteral("mineX"));
    std::filesystem::current_path(oldCwd);

    buffer.fill(u'z');
    EXPECT_FALSE(ReadIniValue(buffer, QStringLiteral("/no/such/file.ini"), QStringLiteral("FTP"),
                              QStringLiteral("Host")));
    EXPECT_EQ(buffer[0], u'z');
}

TSettings SampleSettings() {
    TSettings s;
    s.Host = QStringLiteral("ftp.example.org");
    s.Port = 2121;
    s.Username = QStringLiteral("jörg");
    s.Password = QStringLiteral("Pässwort €1");
    s.Directory = QStringLiteral("web/drop");
    s.BaseURL = QStringLiteral("https://example.org/drop");
    s.UseTLS = true;
    s.Timeout = -5;
    s.RemoveFileAtExit = true;
    s.CopyLinkToClipboard = false;
    s.ResizeJPGImages = 50;
    s.DeleteAfterDays = 30;
    return s;
}

TEST(SettingsFile, WritesExactlyTheTwelveKeysFtpFirst) {
    TTempDir dir;
    const std::string path = dir.File("new/folder/velodrop_settings.ini");
    WriteSettingsFile(Q(path), SampleSettings());
    const std::string password =
        EncodePassword(QStringLiteral("Pässwort €1"), kPasswordStartKey).toStdString();
    EXPECT_EQ(ReadFileBytes(path),
              "[FTP]\nHost=ftp.example.org\nPort=2121\nUsername=j\xC3\xB6rg\nPassword=" + password +
                  "\nDirectory=web/drop\nBaseURL=https://example.org/drop\nUseTLS=1\n"
                  "[Common]\nTimeout=-5\nRemoveFileAtExit=1\nCopyLinkToClipboard="
                  "0\nResizeJPGImages=50\nDeleteAfterDays=30\n");
}

TEST(SettingsFile, SaveThenLoadKeepsEverySettingAndHandWrittenKeys) {
    TTempDir dir;
    const std::string path = dir.File("velodrop_settings.ini");
    WriteFileBytes(
        path, "[Common]\r\nLog=1\r\nAutoLanguage=0\r\n[FTP]\r\nHost=old\r\nUsername_1=more\r\n");
    WriteSettingsFile(Q(path), SampleSettings());
    const TSettings s = ReadSettingsFile(Q(path));
    EXPECT_EQ(s.Host, QStringLiteral("ftp.example.org"));
    EXPECT_EQ(s.Port, 2121);
    EXPECT_EQ(s.Username, QStringLiteral("jörg more"));  // the hand-written continuation stays
    EXPECT_EQ(s.Password, QStringLiteral("Pässwort €1"));
    EXPECT_EQ(s.Directory, QStringLiteral("web/drop"));
    EXPECT_TRUE(s.UseTLS);
    EXPECT_EQ(s.Timeout, -5);
    EXPECT_TRUE(s.RemoveFileAtExit);
    EXPECT_EQ(s.ResizeJPGImages, 50);
    EXPECT_EQ(s.DeleteAfterDays, 30);
    EXPECT_TRUE(s.Log);
    EXPECT_FALSE(s.AutoLanguage);
    EXPECT_TRUE(
        ReadFileBytes(path).starts_with("[Common]\r\nLog=1\r\nAutoLanguage=0\r\nTimeout=-5\r\n"));
}

TEST(SettingsFile, WriteErrorNamesTheFileAndKeepsEarlierKeys) {
    TTempDir dir;
    const std::string path = dir.File("velodrop_settings.ini");
    int calls = 0;
    const TProfileWriter failsAtFourth = [&](const std::string& Section, const std::string& Key,
                                             const std::string& Value, const std::string& Path) {
        return ++calls < 4 && DefaultProfileWriter()(Section, Key, Value, Path);
    };
    try {
        WriteSettingsFile(Q(path), SampleSettings(), failsAtFourth);
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(std::string(e.what()), "In " + path + " kann nicht geschrieben werden");
    }
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(ReadFileBytes(path),
              "[FTP]\nHost=ftp.example.org\nPort=2121\nUsername=j\xC3\xB6rg\n");
}

// The password leaves the file for the keyring, or comes back: a write that
// stops at any key leaves the password or the word that the keyring has it.
TEST(SettingsFile, AWriteStoppedHalfWayNeverLosesThePassword) {
    using TWrite = std::function<void(const QString&, const TSettings&, const TProfileWriter&)>;
    const TWrite whole = [](const QString& F, const TSettings& S, const TProfileWriter& W) {
        WriteSettingsFile(F, S, W);
    };
    const TWrite passwordOnly = [](const QString& F, const TSettings& S, const TProfileWriter& W) {
        WritePasswordKeys(F, S, W);
    };
    for (const TPasswordPlace from : {TPasswordPlace::Unset, TPasswordPlace::Keyring}) {
        const TPasswordPlace to =
            from == TPasswordPlace::Keyring ? TPasswordPlace::File : TPasswordPlace::Keyring;
        for (const TWrite& write : {whole, passwordOnly}) {
            for (int failing = 1; failing <= 14; ++failing) {
                SCOPED_TRACE(::testing::Message() << "from " << int(from) << ", key " << failing);
                TTempDir dir;
                const QString path = Q(dir.File("velodrop_settings.ini"));
                TSettings before = SampleSettings();
                before.PasswordPlace = from;
                WriteSettingsFile(path, before);
                TSettings after = before;
                after.PasswordPlace = to;
                int calls = 0;
                const TProfileWriter stops = [&](const std::string& Section, const std::string& Key,
                                                 const std::string& Value,
                                                 const std::string& Path) {
                    return ++calls < failing && DefaultProfileWriter()(Section, Key, Value, Path);
                };
                try {
                    write(path, after, stops);
                } catch (const EIniFileException&) {
                }
                const TSettings read = ReadSettingsFile(path);
                EXPECT_TRUE(!read.Password.isEmpty() ||
                            read.PasswordPlace == TPasswordPlace::Keyring);
            }
        }
    }
}

TEST(SettingsFile, FolderThatCannotBeMadeIsAWriteError) {
    TTempDir dir;
    WriteFileBytes(dir.File("blocker"), "a file where the folder should be");
    EXPECT_THROW(
        WriteSettingsFile(Q(dir.File("blocker/Velodrop/velodrop_settings.ini")), SampleSettings()),
        EIniFileException);
}

}  // namespace
}  // namespace vd::app
