// The keyring and the password's place against a real GNOME Keyring on a
// private session bus (keyring_session.py), started once for the process
// before anything talks to D-Bus: libsecret keeps its first connection.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <memory>
#include <ostream>

#include "ChildProcess.h"
#include "app/settings/Keyring.h"
#include "app/settings/SettingsFile.h"
#include "app/settings/SettingsPassword.h"
#include "common/TempDir.h"

// Failures show texts as text.
static void PrintTo(const QString& Text, std::ostream* Out) {
    *Out << '"' << Text.toStdString() << '"';
}

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

// What the keyring itself shows for an entry: the labels of the items whose
// attributes are those of `Entry`, asked of the Secret Service directly.
QStringList LabelsInKeyring(const TKeyringEntry& Entry) {
    using TAttributes = QMap<QString, QString>;
    qDBusRegisterMetaType<TAttributes>();
    const QString service = QStringLiteral("org.freedesktop.secrets");
    QDBusInterface secrets(service, QStringLiteral("/org/freedesktop/secrets"),
                           QStringLiteral("org.freedesktop.Secret.Service"));
    const QDBusMessage found =
        secrets.call(QStringLiteral("SearchItems"),
                     QVariant::fromValue(TAttributes{{QStringLiteral("user"), Entry.Key},
                                                     {QStringLiteral("server"), Entry.Label}}));
    EXPECT_EQ(found.type(), QDBusMessage::ReplyMessage) << found.errorMessage().toStdString();
    QStringList labels;
    if (found.arguments().isEmpty()) return labels;
    for (const QDBusObjectPath& item :
         qdbus_cast<QList<QDBusObjectPath>>(found.arguments().first())) {
        QDBusInterface properties(service, item.path(),
                                  QStringLiteral("org.freedesktop.DBus.Properties"));
        const QDBusReply<QDBusVariant> label =
            properties.call(QStringLiteral("Get"), QStringLiteral("org.freedesktop.Secret.Item"),
                            QStringLiteral("Label"));
        labels << label.value().variant().toString();
    }
    return labels;
}

TEST(Keyring, EntriesAreWrittenReadAndRemovedByLabelAndKey) {
    const TKeyring keyring;
    const TKeyringEntry a{QStringLiteral("Velodrop a"), QStringLiteral("/one")};
    const TKeyringEntry b{QStringLiteral("Velodrop b"), QStringLiteral("/one")};
    const TKeyringEntry c{QStringLiteral("Velodrop a"), QStringLiteral("/two")};
    EXPECT_EQ(keyring.Write(a, QStringLiteral("pw a")).Status, TKeyringStatus::Done);
    EXPECT_EQ(keyring.Write(b, QStringLiteral("pw b")).Status, TKeyringStatus::Done);
    const TKeyringResult readA = keyring.Read(a);
    EXPECT_EQ(readA.Status, TKeyringStatus::Done);
    EXPECT_EQ(readA.Password, QStringLiteral("pw a"));
    EXPECT_EQ(keyring.Read(b).Password, QStringLiteral("pw b"));
    EXPECT_EQ(keyring.Read(c).Status, TKeyringStatus::NotFound);
    EXPECT_EQ(LabelsInKeyring(a), QStringList{a.Label});
    EXPECT_EQ(keyring.Remove(a).Status, TKeyringStatus::Done);
    EXPECT_EQ(keyring.Read(a).Status, TKeyringStatus::NotFound);
    EXPECT_EQ(keyring.Read(b).Status, TKeyringStatus::Done);
}

TEST(SettingsPassword, TheEntryNamesItsServerAndFollowsIt) {
    const test::TTempDir dir;
    const QString file = QString::fromStdString(dir.File("velodrop_settings.ini"));
    const TKeyring keyring;
    TSettings s = Server("ftp.example.org");
    EXPECT_EQ(StorePassword(file, s, {}, keyring, TLanguage::English), QString());
    EXPECT_EQ(s.PasswordPlace, TPasswordPlace::Keyring);
    const TKeyringEntry first = KeyringEntry(file, s);
    EXPECT_EQ(first.Key, file);
    EXPECT_EQ(LabelsInKeyring(first),
              QStringList{QStringLiteral("Velodrop anna@ftp.example.org:21")});
    EXPECT_EQ(keyring.Read(first).Password, s.Password);
    WriteSettingsFile(file, s);
    EXPECT_EQ(ReadSetting(file, QStringLiteral("FTP"), QStringLiteral("Password")), QString());
    EXPECT_EQ(ReadSettingsFile(file).PasswordPlace, TPasswordPlace::Keyring);

    // Another server: its own entry, the old one gone.
    s.Host = QStringLiteral("sftp://files.example.org");
    EXPECT_EQ(StorePassword(file, s, first.Label, keyring, TLanguage::English), QString());
    const TKeyringEntry second = KeyringEntry(file, s);
    EXPECT_EQ(LabelsInKeyring(second),
              QStringList{QStringLiteral("Velodrop anna@files.example.org:22")});
    EXPECT_EQ(keyring.Read(second).Password, s.Password);
    EXPECT_EQ(keyring.Read(first).Status, TKeyringStatus::NotFound);

    // No password at all: nothing to keep, and the old entry goes too.
    s.Password.clear();
    StorePassword(file, s, second.Label, keyring, TLanguage::English);
    EXPECT_EQ(s.PasswordPlace, TPasswordPlace::Unset);
    EXPECT_EQ(keyring.Read(second).Status, TKeyringStatus::NotFound);
}

// Two configuration folders, one file name, one server: two passwords.
TEST(SettingsPassword, TwoSettingsFilesOfOneNameKeepTheirOwnPasswords) {
    const test::TTempDir one, two;
    const QString first = QString::fromStdString(one.File("velodrop_settings.ini"));
    const QString second = QString::fromStdString(two.File("velodrop_settings.ini"));
    const TKeyring keyring;
    TSettings a = Server("same.example.org"), b = Server("same.example.org");
    b.Password = QStringLiteral("the other one");
    StorePassword(first, a, {}, keyring, TLanguage::English);
    WriteSettingsFile(first, a);
    StorePassword(second, b, {}, keyring, TLanguage::English);
    WriteSettingsFile(second, b);
    for (const auto& [file, password] : {std::pair{first, a.Password}, {second, b.Password}}) {
        TSettings read = ReadSettingsFile(file);
        EXPECT_EQ(LoadPassword(file, read, keyring, TLanguage::English), QString());
        EXPECT_EQ(read.Password, password) << file.toStdString();
    }
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
    keyring.Remove(KeyringEntry(file, again));
    TSettings missing = ReadSettingsFile(file);
    EXPECT_TRUE(LoadPassword(file, missing, keyring, TLanguage::English)
                    .startsWith(u"The password is kept in the desktop's keyring, but"));
    EXPECT_EQ(missing.Password, QString());
}

// One instance read the file's password; another saved a new one since
// (into the keyring). The first must not move its old password over it.
TEST(SettingsPassword, AnOlderPasswordNeverOverwritesANewerOne) {
    const test::TTempDir dir;
    const QString file = QString::fromStdString(dir.File("velodrop_settings.ini"));
    const TKeyring keyring;
    WriteSettingsFile(file, Server("race.example.org"));
    TSettings stale = ReadSettingsFile(file);

    TSettings saved = ReadSettingsFile(file);
    saved.Password = QStringLiteral("the newer one");
    StorePassword(file, saved, {}, keyring, TLanguage::English);
    WriteSettingsFile(file, saved);

    MovePasswordToKeyring(file, stale, keyring);
    EXPECT_EQ(keyring.Read(KeyringEntry(file, saved)).Password, QStringLiteral("the newer one"));
    TSettings now = ReadSettingsFile(file);
    EXPECT_EQ(LoadPassword(file, now, keyring, TLanguage::English), QString());
    EXPECT_EQ(now.Password, QStringLiteral("the newer one"));
}

// A password that an earlier version kept (one entry labelled "Velodrop"
// per file name and server) is still found after the update, and copied
// into the file's own entry.
TEST(SettingsPassword, AnEarlierVersionsEntryIsStillFound) {
    const test::TTempDir dir;
    const QString file = QString::fromStdString(dir.File("velodrop_settings.ini"));
    const TKeyring keyring;
    TSettings s = Server("old.example.org");
    s.PasswordPlace = TPasswordPlace::Keyring;
    WriteSettingsFile(file, s);
    const TKeyringEntry earlier{QStringLiteral("Velodrop"),
                                QStringLiteral("velodrop_settings.ini anna@old.example.org:21")};
    ASSERT_EQ(EarlierKeyringEntry(file, s), earlier);
    ASSERT_EQ(keyring.Write(earlier, QStringLiteral("kept for years")).Status,
              TKeyringStatus::Done);

    TSettings read = ReadSettingsFile(file);
    EXPECT_EQ(LoadPassword(file, read, keyring, TLanguage::English), QString());
    EXPECT_EQ(read.Password, QStringLiteral("kept for years"));
    EXPECT_EQ(keyring.Read(KeyringEntry(file, s)).Password, QStringLiteral("kept for years"));
    keyring.Remove(earlier);
}

}  // namespace
}  // namespace vd::app
