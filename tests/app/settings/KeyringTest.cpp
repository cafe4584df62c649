// The keyring and the password's place against a real GNOME Keyring on a
// private session bus (keyring_session.py), started once for the process
// before anything talks to D-Bus: libsecret keeps its first connection.

#include <gtest/gtest.h>

#include <QFile>
#include <cstdlib>
#include <memory>

#include "ChildProcess.h"
#include "app/settings/Keyring.h"
#include "app/settings/SettingsFile.h"
#include "app/settings/SettingsPassword.h"
#include "common/TempDir.h"

namespace vd::app {
namespace {

class KeyringSession : public ::testing::Environment {
  public:
    void SetUp() override {
        FSession = std::make_unique<test::TChildProcess>(std::vector<std::string>{
            "/usr/bin/python3", VELODROP_KEYRING_SESSION, FFolder.File("keyring")});
        const std::string line = FSession->WaitForLine("DBUS_SESSION_BUS_ADDRESS=", 30000);
        ASSERT_FALSE(line.empty()) << FSession->ErrorLog();
        ::setenv("DBUS_SESSION_BUS_ADDRESS", line.substr(line.find('=') + 1).c_str(), 1);
    }
    void TearDown() override { FSession.reset(); }

  private:
    test::TTempDir FFolder;
    std::unique_ptr<test::TChildProcess> FSession;
};

const auto* const kSession = ::testing::AddGlobalTestEnvironment(new KeyringSession);

TSettings Server(const char* Host) {
    TSettings s;
    s.Host = QString::fromLatin1(Host);
    s.Username = QStringLiteral("anna");
    s.Password = QStringLiteral("gëheim 1");
    return s;
}

TEST(Keyring, EntriesAreWrittenReadAndRemovedByAccount) {
    const TKeyring keyring;
    EXPECT_EQ(keyring.Write(QStringLiteral("a"), QStringLiteral("pw a")).Status,
              TKeyringStatus::Done);
    EXPECT_EQ(keyring.Write(QStringLiteral("b"), QStringLiteral("pw b")).Status,
              TKeyringStatus::Done);
    const TKeyringResult a = keyring.Read(QStringLiteral("a"));
    EXPECT_EQ(a.Status, TKeyringStatus::Done);
    EXPECT_EQ(a.Password, QStringLiteral("pw a"));
    EXPECT_EQ(keyring.Read(QStringLiteral("b")).Password, QStringLiteral("pw b"));
    EXPECT_EQ(keyring.Read(QStringLiteral("c")).Status, TKeyringStatus::NotFound);
    EXPECT_EQ(keyring.Remove(QStringLiteral("a")).Status, TKeyringStatus::Done);
    EXPECT_EQ(keyring.Read(QStringLiteral("a")).Status, TKeyringStatus::NotFound);
    EXPECT_EQ(keyring.Read(QStringLiteral("b")).Status, TKeyringStatus::Done);
}

TEST(SettingsPassword, TheEntryFollowsTheServerAndNoOldOneStays) {
    const test::TTempDir dir;
    const QString file = QString::fromStdString(dir.File("velodrop_settings.ini"));
    const TKeyring keyring;
    TSettings s = Server("ftp.example.org");
    EXPECT_EQ(StorePassword(file, s, {}, keyring, TLanguage::English), QString());
    EXPECT_EQ(s.PasswordPlace, TPasswordPlace::Keyring);
    const QString first = KeyringAccount(file, s);
    EXPECT_EQ(first, QStringLiteral("velodrop_settings.ini anna@ftp.example.org:21"));
    EXPECT_EQ(keyring.Read(first).Password, s.Password);
    WriteSettingsFile(file, s);
    EXPECT_EQ(ReadSetting(file, QStringLiteral("FTP"), QStringLiteral("Password")), QString());
    EXPECT_EQ(ReadSettingsFile(file).PasswordPlace, TPasswordPlace::Keyring);

    // Another server: its own entry, the old one gone.
    s.Host = QStringLiteral("sftp://files.example.org");
    EXPECT_EQ(StorePassword(file, s, first, keyring, TLanguage::English), QString());
    const QString second = KeyringAccount(file, s);
    EXPECT_EQ(second, QStringLiteral("velodrop_settings.ini anna@files.example.org:22"));
    EXPECT_EQ(keyring.Read(second).Password, s.Password);
    EXPECT_EQ(keyring.Read(first).Status, TKeyringStatus::NotFound);

    // No password at all: nothing to keep, and the old entry goes too.
    s.Password.clear();
    StorePassword(file, s, second, keyring, TLanguage::English);
    EXPECT_EQ(s.PasswordPlace, TPasswordPlace::Unset);
    EXPECT_EQ(keyring.Read(second).Status, TKeyringStatus::NotFound);
}

TEST(SettingsPassword, AFilesPasswordMovesAndIsReadBackFromTheKeyring) {
    const test::TTempDir dir;
    const QString file = QString::fromStdString(dir.File("shortener_settings.ini"));
    const TKeyring keyring;
    TSettings written = Server("h.example.org");
    WriteSettingsFile(file, written);
    TSettings s = ReadSettingsFile(file);
    ASSERT_EQ(s.Password, written.Password);  // scrambled in the file, as always
    MovePasswordToKeyring(file, s, keyring);
    EXPECT_EQ(s.PasswordPlace, TPasswordPlace::Keyring);
    EXPECT_EQ(ReadSetting(file, QStringLiteral("FTP"), QStringLiteral("Password")), QString());
    EXPECT_EQ(ReadSetting(file, QStringLiteral("FTP"), QStringLiteral("Host")),
              QStringLiteral("h.example.org"));  // the rest as it was

    TSettings again = ReadSettingsFile(file);
    EXPECT_EQ(again.Password, QString());
    EXPECT_EQ(LoadPassword(file, again, keyring, TLanguage::English), QString());
    EXPECT_EQ(again.Password, written.Password);

    // The entry gone (removed by hand): a message, and no empty password.
    keyring.Remove(KeyringAccount(file, again));
    TSettings missing = ReadSettingsFile(file);
    EXPECT_TRUE(LoadPassword(file, missing, keyring, TLanguage::English)
                    .startsWith(u"The password is kept in the desktop's keyring, but"));
    EXPECT_EQ(missing.Password, QString());
}

}  // namespace
}  // namespace vd::app
