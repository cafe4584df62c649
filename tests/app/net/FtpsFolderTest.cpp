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

// The log shows a shared file's way to encrypted data: "PROT C", the
// server's refusal, "PROT P" and the upload once more; the next session of
// the same run sends "PROT P" at once. Only its owner may read the log.
TEST(FtpsFolder, LogShowsTheSwitchToProtPAndTheNextSessionStartsThere) {
    VD_NEED_VSFTPD();
    TVsftpdServer server;
    test::TTempDir dir;
    const QString log = Q(dir.File("ftp.log"));
    TFtpRemoteFolder folder;
    folder.SetLogFileName(log);
    for (const char* name : {"a.txt", "b.txt"}) {
        test::WriteFileBytes(dir.File(name), name);
        folder.Open(ServerAccountOf(Describe("strict vsftpd", server).Settings));
        folder.Put(Q(dir.File(name)), QString::fromLatin1(name));
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

// Each transfer of a traffic log with the protection level in force for it:
// "P STOR x", "C RETR x", "P NLST" ("-" where no level was sent).
QStringList TransfersWithProtection(const QStringList& Dialogue) {
    QStringList transfers;
    QString level = QStringLiteral("-");
    for (const QString& line : Dialogue) {
        if (line == QStringLiteral("--")) level = QStringLiteral("-");  // a new session
        if (line.startsWith(QStringLiteral("> PROT "))) level = line.mid(7);
        for (const char* verb : {"> STOR ", "> RETR ", "> APPE ", "> NLST"}) {
            if (line.startsWith(QLatin1String(verb))) transfers << level + u' ' + line.mid(2);
        }
    }
    return transfers;
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

// Someone on the path who rewrote the short-link table would send every
// short link where he likes: under TLS the table, its scripts and the
// listing go over encrypted data connections even where the server takes
// clear ones, while a shared file still goes in clear first.
TEST(FtpsFolder, ShortLinkTableGoesEncryptedWhileSharedFilesGoInClear) {
    VD_NEED_VSFTPD();
    TVsftpdServer server({.Strict = false});
    TCoreOnFtp run(Describe("permissive vsftpd", server).Settings);
    test::TTempDir files;
    test::WriteFileBytes(files.File("photo.jpg"), "shared bytes");

    ASSERT_FALSE(run.Core.ShortenURL(QStringLiteral("https://example.org/first")).isEmpty())
        << run.User.Messages.join(u'\n').toStdString();
    const TShareResult shared = run.Core.UploadFile(Q(files.File("photo.jpg")), "photo.jpg");
    ASSERT_FALSE(shared.Link.isEmpty()) << run.User.Messages.join(u'\n').toStdString();
    ASSERT_FALSE(run.Core.ShortenURL(QStringLiteral("https://example.org/second")).isEmpty())
        << run.User.Messages.join(u'\n').toStdString();
    EXPECT_EQ(server.ReadFile("photo.jpg"), "shared bytes");

    const QStringList expected = {
        // the first shortening: an empty folder gets the scripts and the table
        "P NLST", "P STOR .htaccess", "P STOR index.php", "P APPE shortener.ini",
        "P RETR shortener.ini", "P STOR shortener.ini",
        // the share
        "C STOR photo.jpg",
        // the second shortening (vsftpd's listing leaves out dot files)
        "P NLST", "P STOR .htaccess", "P RETR shortener.ini", "P STOR shortener.ini"};
    EXPECT_EQ(TransfersWithProtection(Dialogue(run.Core.State().LogFileName)), expected)
        << TransfersWithProtection(Dialogue(run.Core.State().LogFileName))
               .join(QStringLiteral(", "))
               .toStdString();
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

// A settings folder that cannot be written (its path goes through a regular
// file, which fails for root too) leaves TLS working: both sessions log in,
// and the user is told once that the certificate could not be remembered.
TEST(FtpsFolder, UnwritableKnownCertificatesLeaveTheLoginWorking) {
    TPyFtpServerOptions options;
    options.Tls = true;
    TPyFtpServer server(options);
    TCoreOnFtp run(Describe("pyftpdlib", server).Settings);
    const std::string notAFolder = (run.Config.Path() / "not-a-folder").string();
    test::WriteFileBytes(notAFolder, "a file");
    run.Core.State().KnownCertificatesFile = Q(notAFolder + "/known_certificates");
    run.Core.State().Settings.AutoLanguage = false;  // English, whatever the locale
    for (const int session : {1, 2}) {
        SCOPED_TRACE(session);
        ASSERT_TRUE(run.Core.ConnectToServer()) << run.User.Messages.join(u'\n').toStdString();
        run.Core.Folder().Close();
    }
    ASSERT_EQ(run.User.Messages.size(), 1);
    EXPECT_TRUE(run.User.Messages[0].contains(QStringLiteral("could not be remembered")));
    EXPECT_TRUE(run.User.Messages[0].contains(run.Core.State().KnownCertificatesFile));
    EXPECT_TRUE(run.User.Questions.isEmpty());
    EXPECT_EQ(Dialogue(run.Core.State().LogFileName).count(QStringLiteral("> USER velodrop")), 2);
}

}  // namespace
}  // namespace vd::app
