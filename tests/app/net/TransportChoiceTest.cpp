// Which transport a host setting selects, how a session follows it, and
// what the user decides about SFTP host keys.
#include <gtest/gtest.h>

#include "app/core/ServerAccount.h"
#include "app/net/TransportRemoteFolder.h"
#include "app/trust/HostKeyTrust.h"
#include "fakes/FakeRemoteFolder.h"
#include "fakes/RecordingUser.h"

namespace vd::app {
namespace {

TEST(ServerAccount, TheSchemeSelectsTheTransportAndThePortFollows) {
    const struct {
        QString Host;
        std::uint16_t Port;
        TTransport Transport;
        QString ExpectedHost;
        std::uint16_t ExpectedPort;
    } cases[] = {
        {"files.example.org", 21, TTransport::Ftp, "files.example.org", 21},
        {"ftp://files.example.org", 2121, TTransport::Ftp, "files.example.org", 2121},
        {"FTP://files.example.org/", 21, TTransport::Ftp, "files.example.org", 21},
        {"sftp://files.example.org", 21, TTransport::Sftp, "files.example.org",
         22},  // FTP's default left
        {"sftp://files.example.org", 0, TTransport::Sftp, "files.example.org", 22},
        {"SFTP://files.example.org/", 2222, TTransport::Sftp, "files.example.org", 2222},
        {" sftp://files.example.org ", 22, TTransport::Sftp, "files.example.org", 22},
        {"sftp.example.org", 21, TTransport::Ftp, "sftp.example.org", 21},  // a name, not a scheme
    };
    for (const auto& c : cases) {
        TSettings settings;
        settings.Host = c.Host;
        settings.Port = c.Port;
        const TServerAccount address = ServerAccountOf(settings);
        EXPECT_EQ(address.Transport, c.Transport) << c.Host.toStdString();
        EXPECT_EQ(address.Host, c.ExpectedHost) << c.Host.toStdString();
        EXPECT_EQ(address.Port, c.ExpectedPort) << c.Host.toStdString();
    }
}

TEST(TransportRemoteFolder, EachSessionRunsOnTheTransportItsHostNames) {
    auto ftpOwned = std::make_unique<test::TFakeRemoteFolder>();
    auto sftpOwned = std::make_unique<test::TFakeRemoteFolder>();
    test::TFakeRemoteFolder& ftp = *ftpOwned;
    test::TFakeRemoteFolder& sftp = *sftpOwned;
    TTransportRemoteFolder folder(std::move(ftpOwned), std::move(sftpOwned));
    folder.SetLogFileName(QStringLiteral("/tmp/traffic.log"));
    EXPECT_EQ(ftp.LogFileName(), QStringLiteral("/tmp/traffic.log"));
    EXPECT_EQ(sftp.LogFileName(), QStringLiteral("/tmp/traffic.log"));

    TSettings settings;
    settings.Host = QStringLiteral("ftp://files.example.org");
    folder.Open(ServerAccountOf(settings));
    folder.PutContent("x", QStringLiteral("a.txt"));
    EXPECT_EQ(ftp.OpenedWith.Host, QStringLiteral("files.example.org"));  // FTP gets a bare name
    EXPECT_EQ(ftp.Files.value(QStringLiteral("a.txt")), QByteArray("x"));

    settings.Host = QStringLiteral("sftp://files.example.org");
    folder.Open(ServerAccountOf(settings));
    folder.PutContent("y", QStringLiteral("b.txt"));
    EXPECT_EQ(ftp.Calls.last(), QStringLiteral("CLOSE"));  // the FTP session ends
    EXPECT_EQ(sftp.OpenedWith.Host, QStringLiteral("files.example.org"));
    EXPECT_EQ(sftp.Files.value(QStringLiteral("b.txt")), QByteArray("y"));
    EXPECT_FALSE(ftp.Files.contains(QStringLiteral("b.txt")));

    folder.Delete(QStringLiteral("b.txt"));
    folder.Close();
    EXPECT_EQ(sftp.Calls, QStringList({"OPEN", "PUTCONTENT b.txt", "DELETE b.txt", "CLOSE"}));
}

TEST(HostKeyTrust, OnlyAYesTrustsAnUnknownKeyAndAChangedKeyIsNeverTrusted) {
    const QString server = QStringLiteral("files.example.org:2222");
    const QString fingerprint =
        QStringLiteral("SHA256:M+a9kEEO2BUcI1njHjh0nRTzJF/2JA0bOx09zuu7N+k");

    test::TRecordingUser yes;
    yes.Answers = {true};
    EXPECT_NO_THROW(
        THostKeyTrust(yes, TLanguage::English).Check(THostKeyStatus::Unknown, server, fingerprint));
    ASSERT_EQ(yes.Questions.size(), 1);
    EXPECT_TRUE(yes.Questions[0].contains(server) && yes.Questions[0].contains(fingerprint));

    test::TRecordingUser no;  // also the terminal: nobody there answers no
    try {
        THostKeyTrust(no, TLanguage::English).Check(THostKeyStatus::Unknown, server, fingerprint);
        ADD_FAILURE() << "an unknown key was trusted without a Yes";
    } catch (const EHostKeyNotTrusted& e) {
        // The refusal says how to trust the key another way.
        const QString message = QString::fromUtf8(e.what());
        EXPECT_TRUE(message.contains(fingerprint)) << e.what();
        EXPECT_TRUE(message.contains(QStringLiteral("ssh -p 2222 files.example.org"))) << e.what();
    }

    test::TRecordingUser asked;
    asked.Answers = {true};
    try {
        THostKeyTrust(asked, TLanguage::German).Check(THostKeyStatus::Changed, server, fingerprint);
        ADD_FAILURE() << "a changed key was trusted";
    } catch (const EHostKeyNotTrusted& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(
            QStringLiteral("ssh-keygen -R '[files.example.org]:2222'")))
            << e.what();
    }
    EXPECT_TRUE(asked.Questions.isEmpty());
}

}  // namespace
}  // namespace vd::app
