// The FTP folder with UseTLS on against real servers: vsftpd as its
// documentation sets TLS up (data encrypted, the control session resumed),
// vsftpd without those two demands, and pyftpdlib requiring encrypted data.
// The certificate a server shows is checked before the login.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "PyFtpServer.h"
#include "TlsPeers.h"
#include "VsftpdServer.h"
#include "app/VelodropCore.h"
#include "app/net/FtpRemoteFolder.h"
#include "app/trust/KnownCertificates.h"
#include "common/TempDir.h"
#include "fakes/FakeLinkChecker.h"
#include "fakes/RecordingUser.h"

namespace vd::app {
namespace {

using test::TPyFtpServer;
using test::TPyFtpServerOptions;
using test::TVsftpdServer;

#define VD_NEED_VSFTPD() \
    if (const std::string why = TVsftpdServer::Unusable(); !why.empty()) GTEST_SKIP() << why

QString Q(const std::string& S) { return QString::fromStdString(S); }

// A server as the tests need it, whichever program runs it.
struct TServer {
    std::string Name;
    TSettings Settings;
    std::function<std::string(const std::string&)> Read;
};

TSettings TlsSettings(const std::string& Host, uint16_t Port, const std::string& User,
                      const std::string& Password) {
    TSettings s;
    s.Host = Q(Host);
    s.Port = Port;
    s.Username = Q(User);
    s.Password = Q(Password);
    s.UseTLS = true;
    s.BaseURL = QStringLiteral("https://files.example.org/drop");
    return s;
}

TServer Describe(const std::string& Name, const TVsftpdServer& Server) {
    return {Name, TlsSettings(Server.Host(), Server.Port(), Server.User(), Server.Password()),
            [&Server](const std::string& File) { return Server.ReadFile(File); }};
}

TServer Describe(const std::string& Name, const TPyFtpServer& Server) {
    return {Name, TlsSettings(Server.Host(), Server.Port(), Server.User(), Server.Password()),
            [&Server](const std::string& File) { return Server.ReadFile(File); }};
}

std::string Pattern(size_t Size) {
    std::string bytes(Size, '\0');
    for (size_t i = 0; i < Size; ++i) bytes[i] = static_cast<char>((i * 7919 + i / 251) & 0xFF);
    return bytes;
}

// The commands and refusals of a traffic log, without the times: "> PROT C",
// "< 522 Data connections must be encrypted.", and "--" where a connection
// opens.
QStringList Dialogue(const QString& LogFile) {
    QFile file(LogFile);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        const QString data =
            line.mid(line.indexOf(QStringLiteral(": ")) + 2).remove(QStringLiteral("<EOL>"));
        if (line.startsWith(QStringLiteral("Stat Verbunden.")))
            lines << QStringLiteral("--");
        else if (line.startsWith(QStringLiteral("Ges ")))
            lines << QStringLiteral("> ") + data;
        else if (line.startsWith(QStringLiteral("Erh ")) && data.startsWith(u'5'))
            lines << QStringLiteral("< ") + data;
    }
    return lines;
}

// 0 B, 1 MB and 20 MB arrive as they were sent, whatever the server
// demands of the data connections.
TEST(FtpsFolder, UploadsArriveByteIdenticalOnEveryServer) {
    VD_NEED_VSFTPD();
    TVsftpdServer strict;
    TVsftpdServer permissive({.Strict = false});
    TPyFtpServerOptions options;
    options.Tls = true;
    options.TlsDataRequired = true;
    TPyFtpServer pyftpd(options);
    const TServer servers[] = {
        Describe("strict vsftpd", strict),
        Describe("permissive vsftpd", permissive),
        Describe("pyftpdlib, TLS data required", pyftpd),
    };
    test::TTempDir files;
    std::map<std::string, std::string> contents;
    for (const size_t size : {0, 1000000, 20000000}) {
        const std::string name = std::to_string(size) + ".bin";
        contents[name] = Pattern(size);
        test::WriteFileBytes(files.File(name), contents[name]);
    }
    for (const TServer& server : servers) {
        SCOPED_TRACE(server.Name);
        TFtpRemoteFolder folder;
        folder.Open(ServerAccountOf(server.Settings));
        for (const auto& [name, content] : contents) {
            folder.Put(Q(files.File(name)), Q(name));
            EXPECT_TRUE(server.Read(name) == content) << name;
        }
        folder.Close();
    }
}

// The log shows the way to encrypted data: "PROT C", the server's refusal,
// "PROT P" and the upload once more; the next session of the same run
// sends "PROT P" at once. Only its owner may read the log.
TEST(FtpsFolder, LogShowsTheSwitchToProtPAndTheNextSessionStartsThere) {
    VD_NEED_VSFTPD();
    TVsftpdServer server;
    test::TTempDir dir;
    const QString log = Q(dir.File("ftp.log"));
    TFtpRemoteFolder folder;
    folder.SetLogFileName(log);
    for (const char* name : {"a.txt", "b.txt"}) {
        folder.Open(ServerAccountOf(Describe("strict vsftpd", server).Settings));
        folder.PutContent(QByteArray(name), QString::fromLatin1(name));
        folder.Close();
        EXPECT_EQ(server.ReadFile(name), name);
    }
    const QStringList dialogue = Dialogue(log);
    const qsizetype second = dialogue.lastIndexOf(QStringLiteral("--"));
    ASSERT_GT(second, 0);
    const QStringList first = dialogue.mid(0, second);
    const qsizetype pbsz = first.indexOf(QStringLiteral("> PBSZ 0"));
    ASSERT_GE(pbsz, 0);
    EXPECT_EQ(first.mid(pbsz, 8), (QStringList{"> PBSZ 0", "> PROT C", "> PASV", "> STOR a.txt",
                                               "< 522 Data connections must be encrypted.",
                                               "> PROT P", "> PASV", "> STOR a.txt"}));
    const QStringList next = dialogue.mid(second);
    const qsizetype nextPbsz = next.indexOf(QStringLiteral("> PBSZ 0"));
    ASSERT_GE(nextPbsz, 0);
    EXPECT_EQ(next.mid(nextPbsz, 4),
              (QStringList{"> PBSZ 0", "> PROT P", "> PASV", "> STOR b.txt"}));
    struct stat st {};
    ASSERT_EQ(::stat(log.toStdString().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A core over the real FTP folder, with its files in a configuration folder
// of its own.
struct TCoreOnFtp {
    test::TTempDir Config;
    test::TRecordingUser User;
    TVelodropCore Core{User, nullptr, std::make_unique<test::TFakeLinkChecker>()};
    explicit TCoreOnFtp(const TSettings& Settings) {
        std::filesystem::create_directories(Config.Path() / "Velodrop");
        Core.PrepareRunFiles(Q(Config.Path().string()), QStringLiteral("velodrop_settings"));
        Core.State().Settings = Settings;
    }
};

// The shortener lists, stores, appends and reads: every kind of transfer,
// all of them encrypted and resuming the session.
TEST(FtpsFolder, ShortenerWorksAgainstStrictVsftpd) {
    VD_NEED_VSFTPD();
    TVsftpdServer server;
    TCoreOnFtp run(Describe("strict vsftpd", server).Settings);
    const QString first = run.Core.ShortenURL(QStringLiteral("https://example.org/a/long/path"));
    ASSERT_FALSE(first.isEmpty()) << run.User.Messages.join(u'\n').toStdString();
    EXPECT_TRUE(server.Exists(".htaccess"));
    EXPECT_TRUE(server.Exists("index.php"));
    const std::string code = first.section(u'/', -1).toStdString();
    EXPECT_EQ(server.ReadFile("shortener.ini"), code + "=\"https://example.org/a/long/path\"\r\n");
    // Known now: read back from the table, not stored again.
    EXPECT_EQ(run.Core.ShortenURL(QStringLiteral("https://example.org/a/long/path")), first);
    EXPECT_EQ(server.ReadFile("shortener.ini"), code + "=\"https://example.org/a/long/path\"\r\n");
    EXPECT_TRUE(run.User.Messages.isEmpty()) << run.User.Messages.join(u'\n').toStdString();
}

// A certificate that changed between two sessions: the question comes
// before USER, with both fingerprints. No sends nothing further and keeps
// the old fingerprint; Yes remembers the new one and logs in.
TEST(FtpsFolder, ChangedCertificateIsAskedAboutBeforeTheLogin) {
    TPyFtpServerOptions options;
    options.Tls = true;
    TPyFtpServer server(options);
    const QString shown = Q(test::CertificateFingerprint(server.CertFile()));
    const QString other = Q(test::CertificateFingerprint(test::TTestCertificates::Get().Cert));
    const QString key = QStringLiteral("127.0.0.1:") + QString::number(server.Port());
    TCoreOnFtp run(Describe("pyftpdlib", server).Settings);
    const QString known = run.Core.State().KnownCertificatesFile;
    const QString log = run.Core.State().LogFileName;

    // First use: remembered without a question.
    ASSERT_TRUE(run.Core.ConnectToServer()) << run.User.Messages.join(u'\n').toStdString();
    run.Core.Folder().Close();
    EXPECT_EQ(TKnownCertificates(known).Find(key), shown);
    EXPECT_TRUE(run.User.Questions.isEmpty());

    // The certificate remembered is another one now (as if the server's had
    // been replaced since).
    TKnownCertificates(known).Store(key, other);
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        QFile::remove(log);
        run.User = {};
        run.User.Answers = {yes};
        EXPECT_EQ(run.Core.ConnectToServer(), yes);
        run.Core.Folder().Close();
        ASSERT_EQ(run.User.Questions.size(), 1);
        EXPECT_TRUE(run.User.Questions[0].contains(other));
        EXPECT_TRUE(run.User.Questions[0].contains(shown));
        const QStringList dialogue = Dialogue(log);
        const qsizetype auth = dialogue.indexOf(QStringLiteral("> AUTH TLS"));
        ASSERT_GE(auth, 0);
        if (yes) {
            EXPECT_EQ(dialogue.value(auth + 1), QStringLiteral("> USER velodrop"));
            EXPECT_EQ(TKnownCertificates(known).Find(key), shown);
        } else {
            EXPECT_EQ(dialogue.mid(auth), QStringList{"> AUTH TLS"});  // no USER, no QUIT
            EXPECT_EQ(TKnownCertificates(known).Find(key), other);
            ASSERT_EQ(run.User.Messages.size(), 1);
            EXPECT_TRUE(run.User.Messages[0].contains(known));
        }
    }
}

}  // namespace
}  // namespace vd::app
