// The flows without a window or a server: each runs against a host
// directory in memory and a user interface that records what it is told.

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "app/VelodropCore.h"
#include "app/core/RandomNames.h"
#include "app/core/ShortenerScripts.h"
#include "app/trust/KnownCertificates.h"
#include "common/JpegFiles.h"
#include "common/TempDir.h"
#include "fakes/FakeLinkChecker.h"
#include "fakes/FakeRemoteFolder.h"
#include "fakes/RecordingUser.h"

namespace vd::app {
namespace {

using test::TFakeLinkChecker;
using test::TFakeRemoteFolder;
using test::TRecordingUser;

QString Q(const std::string& S) { return QString::fromStdString(S); }

class Flow : public ::testing::Test {
  public:
    Flow() {
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        ::setenv("LANG", "C", 1);
        Renew();
    }

    /// A new core over a new, empty host directory and web.
    void Renew() {
        auto folder = std::make_unique<TFakeRemoteFolder>();
        auto links = std::make_unique<TFakeLinkChecker>();
        FFolder = folder.get();
        FLinks = links.get();
        FUser = {};
        FCore = std::make_unique<TVelodropCore>(FUser, std::move(folder), std::move(links));
        State().Settings.BaseURL = QStringLiteral("https://files.example.org/drop");
        FCore->LocalizeRuntimeTexts();
    }

    TControllerState& State() { return FCore->State(); }

    QString LocalFile(const std::string& Name, const std::string& Bytes) const {
        const std::string path = FFiles.File(Name);
        vd::test::WriteFileBytes(path, Bytes);
        return Q(path);
    }

    TRecordingUser FUser;
    TFakeRemoteFolder* FFolder = nullptr;
    TFakeLinkChecker* FLinks = nullptr;
    std::unique_ptr<TVelodropCore> FCore;
    vd::test::TTempDir FFiles;
};

// --- share ---

TEST_F(Flow, ShareUploadsUnderAFreshNameAndShowsTheLink) {
    const struct {
        const char* Name;
        bool CopyLinkToClipboard;
    } cases[] = {{"with the clipboard", true}, {"without", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FFolder->Calls.clear();
        FUser = {};
        State().Settings.CopyLinkToClipboard = c.CopyLinkToClipboard;
        const QString file = LocalFile("my photo #1.jpg", std::string(1000, 'p'));

        const TShareResult result = FCore->ShareFile(file);
        const QString link = result.Link;

        const QString name = State().RemoteName;
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^velodrop_[1-9A-NP-Za-z]{10}_my photo #1\\.jpg$"))
                .match(name)
                .hasMatch())
            << name.toStdString();
        EXPECT_EQ(FFolder->Calls, (QStringList{"OPEN", "PUT " + name, "CLOSE"}));
        EXPECT_EQ(FFolder->Files.value(name), QByteArray(1000, 'p'));
        // The "#" would end the path: escaped in the link, not in the name.
        EXPECT_EQ(link, "https://files.example.org/drop/" + QString(name).replace(u'#', "%23"));
        EXPECT_EQ(State().Link, link);
        EXPECT_EQ(State().UploadedFiles.last(), name);
        EXPECT_EQ(result.RemoteName, name);
        EXPECT_EQ(result.Size, 1000);
        EXPECT_FALSE(result.Shrunk);
        EXPECT_EQ(FUser.Clipboard, c.CopyLinkToClipboard ? QStringList{link} : QStringList{});
        EXPECT_TRUE(FUser.Messages.isEmpty());
        ASSERT_FALSE(FUser.Progress.empty());
        EXPECT_EQ(FUser.Progress.back(), (std::pair<std::uint64_t, std::uint64_t>{1000, 1000}));
        EXPECT_EQ(FUser.ProgressEnds, 1);
    }
}

TEST_F(Flow, SharingTheSameFileTwiceGivesTwoNamesAndLinksTakenAsTheyAre) {
    State().Settings.BaseURL = QStringLiteral("https://x.org/d/");
    const QString file = LocalFile("a b.txt", "x");
    const QString first = FCore->ShareFile(file).Link;
    const QString second = FCore->ShareFile(file).Link;
    EXPECT_NE(first, second);
    EXPECT_EQ(State().UploadedFiles.size(), 2);
    EXPECT_EQ(FFolder->Files.size(), 2);
    // No escaping, no check of the base's own "/".
    EXPECT_EQ(second, QStringLiteral("https://x.org/d//") + State().RemoteName);
}

TEST_F(Flow, ShareFailuresAreShownAndNothingIsListed) {
    const QString present = LocalFile("a.txt", "a");
    const QString damaged = LocalFile("damaged.jpg", std::string("\xFF\xD8\xFF\xE0not a JPEG", 14));
    const QString broken = LocalFile("two\nlines.txt", "x");
    const QString missing = Q(FFiles.File("gone.txt"));
    const QString folder = Q(FFiles.Path().string());
    const struct {
        const char* Name;
        QString File;
        std::function<void(Flow&)> Arrange;
        QString Message;  // a pattern, "*" a wildcard
        QStringList Calls;
        bool SessionLeftOpen;
    } cases[] = {
        {"missing file", missing, {}, missing + " not existing", {}, false},
        {"a folder", folder, {}, folder + " not existing", {}, false},
        {"line break in the name",
         broken,
         {},
         "The file name holds a line break and cannot be shared: " + broken,
         {},
         false},
        {"connection refused",
         present,
         [](Flow& F) { F.FFolder->FailOn("OPEN", "Login incorrect.\r\n"); },
         "FTP: Login incorrect.\r\n",
         {"OPEN"},
         false},
        {"upload refused",
         present,
         [](Flow& F) { F.FFolder->FailOn("PUT *", "Not allowed.\r\n"); },
         "FTP: Not allowed.\r\n",
         // Whatever arrived goes again at once; the refusal left nothing.
         {"OPEN", "PUT velodrop_??????????_a.txt", "DELETE velodrop_??????????_a.txt", "LIST",
          "CLOSE"},
         false},
        {"a damaged JPEG while downscaling",
         damaged,
         [](Flow& F) { F.State().Settings.ResizeJPGImages = 50; },
         "FTP: JPEG-Fehler #*",
         {"OPEN"},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Renew();
        if (c.Arrange) c.Arrange(*this);

        const TShareResult result = FCore->ShareFile(c.File);
        EXPECT_FALSE(result.Ok());

        EXPECT_TRUE(test::CallsMatch(FUser.Messages, {c.Message}))
            << FUser.Messages.join(u'|').toStdString();
        EXPECT_TRUE(test::CallsMatch(FFolder->Calls, c.Calls))
            << FFolder->Calls.join(u'|').toStdString();
        EXPECT_EQ(FFolder->SessionOpen, c.SessionLeftOpen);
        EXPECT_TRUE(State().UploadedFiles.isEmpty());
        EXPECT_TRUE(State().Link.isEmpty());
    }
}

TEST_F(Flow, JpegIsShrunkBeforeTheUpload) {
    ::setenv("TMPDIR", FFiles.Path().c_str(), 1);
    State().Settings.ResizeJPGImages = 50;
    const std::string photo = FFiles.File("holiday.jpg");
    vd::test::WriteQuadrantJpeg(photo, 1000, 750, true);
    const TShareResult result = FCore->ShareFile(Q(photo));
    ::unsetenv("TMPDIR");
    EXPECT_TRUE(FUser.Messages.isEmpty());
    EXPECT_TRUE(result.Shrunk);
    ASSERT_TRUE(State().RemoteName.endsWith(QStringLiteral("_holiday.jpg")));
    const std::string uploaded = FFiles.File("uploaded.jpg");
    vd::test::WriteFileBytes(uploaded, FFolder->Files.value(State().RemoteName).toStdString());
    const auto info = vd::test::ReadJpegInfo(uploaded);
    EXPECT_EQ(info.Width, 500);
    EXPECT_EQ(info.Height, 375);
    EXPECT_TRUE(info.Progressive);
}

// The content tells a JPEG, not the name: other files go up byte for byte,
// whatever they are called.
TEST_F(Flow, FilesThatAreNoJpegGoUpUnchangedWhileDownscaling) {
    State().Settings.ResizeJPGImages = 50;
    const struct {
        const char* Name;
        std::string Bytes;
    } cases[] = {
        {"report.pdf", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n"},
        {"named.jpg", "\x89PNG\r\n\x1A\n"},
        {"empty.jpg", ""},
        {"one byte.jpg", "\xFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FUser.Messages.clear();
        const TShareResult result = FCore->ShareFile(LocalFile(c.Name, c.Bytes));
        EXPECT_TRUE(result.Ok());
        EXPECT_FALSE(result.Shrunk);
        EXPECT_TRUE(FUser.Messages.isEmpty()) << FUser.Messages.join(u'|').toStdString();
        EXPECT_EQ(FFolder->Files.value(State().RemoteName).toStdString(), c.Bytes);
    }
}

TEST_F(Flow, ClipboardFailureIsShownAndKeepsTheUploadAndItsLink) {
    State().Settings.CopyLinkToClipboard = true;
    FUser.ClipboardFails = true;
    const QString link = FCore->ShareFile(LocalFile("c.txt", "c")).Link;
    EXPECT_EQ(FUser.Messages, QStringList{"FTP: Clipboard busy"});
    EXPECT_EQ(link, QStringLiteral("https://files.example.org/drop/") + State().RemoteName);
    EXPECT_EQ(State().UploadedFiles, QStringList{State().RemoteName});
}

TEST_F(Flow, SessionOpensWithTheSettingsAsTheyAreNow) {
    State().Settings.Host = QStringLiteral("ftp.example.org");
    State().Settings.Directory = QStringLiteral("a/b");
    State().Settings.UseTLS = true;
    ASSERT_TRUE(FCore->ConnectToServer());
    EXPECT_EQ(FFolder->OpenedWith.Host, QStringLiteral("ftp.example.org"));
    EXPECT_EQ(FFolder->OpenedWith.Directory, QStringLiteral("a/b"));
    EXPECT_TRUE(FFolder->OpenedWith.UseTLS);
}

// --- connection test ---

TEST_F(Flow, ConnectionTestPutsItsFileChecksItsLinkAndDeletesIt) {
    ::setenv("TMPDIR", FFiles.Path().c_str(), 1);
    const TLinkVerdict notFound{TLinkFault::HttpStatus, 404};
    const TLinkVerdict otherContent{TLinkFault::OtherContent};
    const struct {
        const char* Name;
        const char* FailingCall;
        TLinkVerdict Link;
        TTestResult Result;
        QStringList Calls;
        QString Message;  // a pattern, "*" a wildcard
    } cases[] = {
        {"passes",
         "",
         {},
         TTestResult::Passed,
         {"OPEN", "PUT vdf*.TMP", "DELETE vdf*.TMP", "CLOSE"},
         {}},
        {"cannot connect", "OPEN", {}, TTestResult::NotConnected, {"OPEN"}, "FTP: Refused.\r\n"},
        {"upload refused",
         "PUT *",
         {},
         TTestResult::FailedAfterConnecting,
         {"OPEN", "PUT vdf*.TMP"},
         "FTP: Refused.\r\n"},
        {"delete refused",
         "DELETE *",
         {},
         TTestResult::FailedAfterConnecting,
         {"OPEN", "PUT vdf*.TMP", "DELETE vdf*.TMP"},
         "FTP: Refused.\r\n"},
        // A link that leads elsewhere: the file is still deleted, then the user learns why.
        {"link gives 404",
         "",
         notFound,
         TTestResult::FailedAfterConnecting,
         {"OPEN", "PUT vdf*.TMP", "DELETE vdf*.TMP", "CLOSE"},
         "The test file went up, but its link does not lead to it (HTTP 404): "
         "https://files.example.org/drop/vdf*.TMP\n"
         "The link base must be the web address of the host directory."},
        {"link gives other content",
         "",
         otherContent,
         TTestResult::FailedAfterConnecting,
         {"OPEN", "PUT vdf*.TMP", "DELETE vdf*.TMP", "CLOSE"},
         "*(other content)*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Renew();
        FLinks->Verdict = c.Link;
        if (*c.FailingCall) FFolder->FailOn(c.FailingCall, "Refused.\r\n");
        EXPECT_EQ(FCore->TestConnection(), c.Result);
        EXPECT_TRUE(test::CallsMatch(FFolder->Calls, c.Calls))
            << FFolder->Calls.join(u'|').toStdString();
        EXPECT_TRUE(test::CallsMatch(FUser.Messages,
                                     c.Message.isEmpty() ? QStringList{} : QStringList{c.Message}))
            << FUser.Messages.join(u'|').toStdString();
        if (FFolder->Calls.size() > 2) {
            // Checked while the file was up, against the very bytes uploaded.
            ASSERT_EQ(FLinks->Links.size(), 1);
            EXPECT_EQ(FLinks->Links[0],
                      "https://files.example.org/drop/" + FFolder->Calls[1].mid(4));
            EXPECT_EQ(FLinks->Expected[0], QByteArray("Velodrop-FTP-TEST\r\n"));
        }
        if (c.Result == TTestResult::Passed) {
            EXPECT_TRUE(FFolder->Files.isEmpty());  // deleted at once
        }
    }
    // The local file is left behind: 19 bytes.
    int testFiles = 0;
    for (const auto& e : std::filesystem::directory_iterator(FFiles.Path())) {
        const std::string name = e.path().filename().string();
        if (!name.starts_with("vdf")) continue;
        ++testFiles;
        EXPECT_EQ(vd::test::ReadFileBytes(e.path().string()), "Velodrop-FTP-TEST\r\n");
    }
    EXPECT_EQ(testFiles, 5);  // one per test that got as far as making it
    ::unsetenv("TMPDIR");
}

// --- clean-up at exit ---

TEST_F(Flow, CleanUpDeletesThisRunsUploadsInOrder) {
    const struct {
        const char* Name;
        QStringList Uploads;
        const char* FailingCall;
        QStringList Calls;
        QStringList Left;  // on the server afterwards
        QStringList Kept;  // in the list afterwards
    } cases[] = {
        {"nothing uploaded: no connection", {}, "", {}, {}, {}},
        {"all deleted", {"u1", "u2"}, "", {"OPEN", "DELETE u1", "DELETE u2", "CLOSE"}, {}, {}},
        {"a refusal does not stop the others",
         {"u1", "u2", "u3"},
         "DELETE u2",
         {"OPEN", "DELETE u1", "DELETE u2", "LIST", "DELETE u3", "CLOSE"},
         {"u2"},
         {"u2"}},
        {"the session lost: the rest stays",
         {"u1", "u2", "u3"},
         "DELETE u2|LIST",
         {"OPEN", "DELETE u1", "DELETE u2", "LIST", "CLOSE"},
         {"u2", "u3"},
         {"u2", "u3"}},
        {"no connection", {"u1"}, "OPEN", {"OPEN"}, {"u1"}, {"u1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        *FFolder = TFakeRemoteFolder();
        FUser = {};
        for (const QString& name : c.Uploads) FFolder->Files[name] = "x";
        State().UploadedFiles = c.Uploads;
        for (const QString& call :
             QString::fromLatin1(c.FailingCall).split(u'|', Qt::SkipEmptyParts))
            FFolder->FailOn(call, "550 Refused.\r\n");
        FCore->RemoveUploadedFiles();
        EXPECT_EQ(FFolder->Calls, c.Calls);
        EXPECT_EQ(FFolder->Files.keys(), c.Left);
        EXPECT_EQ(State().UploadedFiles, c.Kept);
        EXPECT_EQ(FUser.Messages,
                  *c.FailingCall ? QStringList{"FTP: 550 Refused.\r\n"} : QStringList{});
    }
}

// --- the server's certificate ---

// Every operation that opens a session checks the server's certificate
// before its first command: the first one a server shows is remembered, the
// same one passes without a question, another one is asked about with both
// fingerprints. No ends the operation with nothing done on the server; Yes
// remembers the new one and the operation goes on.
TEST_F(Flow, ChangedCertificateIsAskedAboutBeforeEveryOperationGoesOn) {
    const QString known = Q(FFiles.File("known_certificates"));
    State().KnownCertificatesFile = known;
    auto remembered = [&] { return TKnownCertificates(known).Find("files.example.org:21"); };
    const struct {
        const char* Name;
        std::function<void()> Run;
    } operations[] = {
        {"share", [&] { FCore->ShareFile(LocalFile("a.txt", "a")); }},
        {"connection test", [&] { FCore->TestConnection(); }},
        {"clean-up",
         [&] {
             FFolder->Files["u1"] = "x";
             State().UploadedFiles = {"u1"};
             FCore->RemoveUploadedFiles();
         }},
        {"shortener", [&] { FCore->ShortenURL(QStringLiteral("https://example.org/long")); }},
    };
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.Name);
        QFile::remove(known);
        const struct {
            const char* Step;
            QString Shown;
            std::deque<bool> Answers;
            bool Asked;
            bool GoesOn;
            QString Remembered;
        } steps[] = {
            {"first use: remembered", "AA:01", {}, false, true, "AA:01"},
            {"the same again: no question", "AA:01", {}, false, true, "AA:01"},
            {"changed, No", "BB:02", {false}, true, false, "AA:01"},
            {"changed, Yes", "BB:02", {true}, true, true, "BB:02"},
        };
        for (const auto& step : steps) {
            SCOPED_TRACE(step.Step);
            FFolder->Calls.clear();
            FFolder->SessionOpen = false;
            FUser = {};
            FUser.Answers = step.Answers;
            FFolder->ShownFingerprint = step.Shown;
            operation.Run();
            EXPECT_EQ(FUser.Questions.size(), step.Asked ? 1 : 0);
            if (step.Asked) {
                EXPECT_TRUE(FUser.Questions[0].contains(QStringLiteral("AA:01")));
                EXPECT_TRUE(FUser.Questions[0].contains(QStringLiteral("BB:02")));
            }
            if (step.GoesOn) {
                EXPECT_GT(FFolder->Calls.size(), 1) << FFolder->Calls.join(", ").toStdString();
            } else {
                EXPECT_EQ(FFolder->Calls, QStringList{"OPEN"});
                ASSERT_EQ(FUser.Messages.size(), 1);
                EXPECT_TRUE(FUser.Messages[0].startsWith(
                    QStringLiteral("FTP: The new certificate of files.example.org:21 is not "
                                   "trusted")))
                    << FUser.Messages[0].toStdString();
                EXPECT_TRUE(FUser.Messages[0].contains(known));
            }
            EXPECT_EQ(remembered(), step.Remembered);
        }
    }
    QFile file(known);
    ASSERT_TRUE(file.exists());
    EXPECT_EQ(file.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
              QFile::ReadOwner | QFile::WriteOwner);
}

TEST(KnownCertificates, OneLinePerServerOthersKept) {
    vd::test::TTempDir dir;
    const QString path = QString::fromStdString(dir.File("sub/known_certificates"));
    TKnownCertificates known(path);
    EXPECT_EQ(known.Find("a:21"), QString());
    known.Store("a:21", "AA");  // the folder is made
    known.Store("b:990", "BB");
    known.Store("a:21", "CC");  // its old line goes
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("b:990 BB\na:21 CC\n"));
    EXPECT_EQ(known.Find("a:21"), "CC");
    EXPECT_EQ(known.Find("a:2"), QString());
    EXPECT_EQ(TKnownCertificates(QString()).Find("a:21"), QString());
}

// A settings folder that cannot be written (here: its path goes through a
// regular file, which fails for root too) must not turn TLS off: the first
// certificate is trusted for the run and the user is told once, in the
// interface's language; the run still notices a change of certificate.
TEST_F(Flow, UnwritableKnownCertificatesTrustForTheRunAndTellOnce) {
    const std::string notAFolder = FFiles.File("not-a-folder");
    vd::test::WriteFileBytes(notAFolder, "a file");
    const struct {
        const char* Lang;
        const char* Known;  // in notAFolder; each case its own (the run memory is by file)
        QString Told;       // %1 the file
    } cases[] = {
        {"C", "/en/known_certificates",
         QStringLiteral("The certificate of files.example.org:21 could not be remembered: %1 "
                        "cannot be written. It is trusted until Velodrop ends.")},
        {"de_DE.UTF-8", "/de/known_certificates",
         QStringLiteral("Das Zertifikat von files.example.org:21 konnte nicht gespeichert "
                        "werden: %1 ist nicht beschreibbar. Ihm wird vertraut, bis Velodrop "
                        "endet.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Lang);
        ::setenv("LANG", c.Lang, 1);
        const QString known = Q(notAFolder + c.Known);
        State().KnownCertificatesFile = known;
        FFolder->ShownFingerprint = QStringLiteral("AA:01");
        for (const int share : {1, 2}) {
            SCOPED_TRACE(share);
            FUser = {};
            EXPECT_FALSE(FCore->ShareFile(LocalFile("a.txt", "a")).Link.isEmpty());
            EXPECT_EQ(FUser.Messages, share == 1 ? QStringList{c.Told.arg(known)} : QStringList{});
            EXPECT_TRUE(FUser.Questions.isEmpty());
        }
        // Another certificate in the same run is asked about; a Yes holds
        // for the run as well, without a second message.
        FUser = {};
        FUser.Answers = {true};
        FFolder->ShownFingerprint = QStringLiteral("BB:02");
        EXPECT_FALSE(FCore->ShareFile(LocalFile("b.txt", "b")).Link.isEmpty());
        ASSERT_EQ(FUser.Questions.size(), 1);
        EXPECT_TRUE(FUser.Questions[0].contains(QStringLiteral("AA:01")));
        EXPECT_TRUE(FUser.Messages.isEmpty());
        EXPECT_EQ(TKnownCertificates(known).Find("files.example.org:21"), "BB:02");
        EXPECT_FALSE(QFile::exists(known));
    }
}

// Two instances storing at the same time each keep the other's line: the
// file is changed under a lock and read again under it. Each round, four
// store objects of their own add four servers at once.
TEST(KnownCertificates, StoresAtTheSameTimeKeepEveryLine) {
    vd::test::TTempDir dir;
    constexpr int kWriters = 4;
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(round);
        const QString path = Q(dir.File("known_" + std::to_string(round)));
        std::atomic<int> ready{0};
        std::vector<std::thread> writers;
        for (int w = 0; w < kWriters; ++w) {
            writers.emplace_back([&, w] {
                TKnownCertificates known(path);
                ++ready;
                while (ready < kWriters) {
                }
                known.Store(QStringLiteral("host%1:21").arg(w), QStringLiteral("FP:%1").arg(w));
            });
        }
        for (std::thread& writer : writers) writer.join();
        for (int w = 0; w < kWriters; ++w)
            EXPECT_EQ(TKnownCertificates(path).Find(QStringLiteral("host%1:21").arg(w)),
                      QStringLiteral("FP:%1").arg(w));
    }
}

// --- shortener ---

class ShortenerFlow : public Flow {
  protected:
    static QString Code(const QString& Link) { return Link.section(u'/', -1); }
};

TEST_F(ShortenerFlow, EmptyFolderGetsTheScriptsAndTheFirstRecord) {
    const QString link = FCore->ShortenURL(QStringLiteral("https://example.org/long?q=1"));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^https://files\\.example\\.org/drop/[1-9A-NP-Za-z]{5}$"))
            .match(link)
            .hasMatch())
        << link.toStdString();
    EXPECT_EQ(FFolder->Calls,
              (QStringList{"OPEN", "LIST", "PUTCONTENT .htaccess", "PUTCONTENT index.php",
                           "APPEND shortener.ini", "GET shortener.ini", "PUTCONTENT shortener.ini",
                           "CLOSE"}));
    EXPECT_EQ(FFolder->Files.value(".htaccess"), HtaccessContent());
    EXPECT_EQ(FFolder->Files.value("index.php"), IndexPhpContent());
    EXPECT_EQ(FFolder->Files.value("shortener.ini"),
              (Code(link) + "=\"https://example.org/long?q=1\"\r\n").toUtf8());
    EXPECT_EQ(FUser.Clipboard, QStringList{link});
    EXPECT_EQ(FUser.OpenedURLs, QStringList{link});
    EXPECT_TRUE(State().TerminationRequested);
    EXPECT_TRUE(FUser.Messages.isEmpty());
}

TEST_F(ShortenerFlow, TheTableDecidesBetweenTheKnownCodeAndANewOne) {
    const QByteArray table =
        "Abc12=\"https://one.example/Path\"\r\nXyz34=\"HTTPS://Two.Example\"\r\n";
    const struct {
        const char* Name;
        QString Address;
        QString Code;    // empty: a new one
        QString Stored;  // the address as the new record holds it
    } cases[] = {
        {"known address keeps its code", "HTTPS://Two.Example", "Xyz34", {}},
        {"other letter case is another address",
         "https://one.example/path",
         {},
         "https://one.example/path"},
        {"a trailing line break is not stored",
         "https://new.example/\r\n",
         {},
         "https://new.example/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        *FFolder = TFakeRemoteFolder();
        FUser = {};
        FFolder->Files = {{".htaccess", HtaccessContent()},
                          {"index.php", IndexPhpContent()},
                          {"shortener.ini", table}};
        const QString link = FCore->ShortenURL(c.Address);
        ASSERT_FALSE(link.isEmpty());
        if (!c.Code.isEmpty()) {
            EXPECT_EQ(Code(link), c.Code);
            EXPECT_EQ(FFolder->Calls, (QStringList{"OPEN", "LIST", "GET shortener.ini", "CLOSE"}));
            EXPECT_EQ(FFolder->Files.value("shortener.ini"), table);
        } else {
            EXPECT_NE(Code(link), QStringLiteral("Abc12"));
            EXPECT_EQ(FFolder->Files.value("shortener.ini"),
                      table + (Code(link) + "=\"" + c.Stored + "\"\r\n").toUtf8());
        }
        EXPECT_EQ(FUser.OpenedURLs, QStringList{link});
    }
}

TEST_F(ShortenerFlow, FailuresAndWhatFollowsThem) {
    // No session: a message, and the program stays.
    FFolder->FailOn("OPEN", "Login incorrect.\r\n");
    EXPECT_EQ(FCore->ShortenURL(QStringLiteral("https://a.example")), QString());
    EXPECT_EQ(FUser.Messages, QStringList{"FTP: Login incorrect.\r\n"});
    EXPECT_FALSE(State().TerminationRequested);

    // The installation fails: its own message, and the shortening goes on.
    *FFolder = TFakeRemoteFolder();
    FUser = {};
    FFolder->Files["shortener.ini"] = "";
    FFolder->FailOn("LIST", "425 No data connection.\r\n");
    EXPECT_FALSE(FCore->ShortenURL(QStringLiteral("https://a.example")).isEmpty());
    EXPECT_EQ(FUser.Messages, QStringList{"FTP (Shortener): 425 No data connection.\r\n"});

    // The table cannot be fetched: the error leaves the flow, nothing is
    // put on the clipboard or opened, and the program still ends.
    *FFolder = TFakeRemoteFolder();
    FUser = {};
    State().TerminationRequested = false;
    FFolder->FailOn("GET shortener.ini", "550 Refused.\r\n");
    EXPECT_THROW(FCore->ShortenURL(QStringLiteral("https://a.example")), std::runtime_error);
    EXPECT_TRUE(FUser.Clipboard.isEmpty());
    EXPECT_TRUE(FUser.OpenedURLs.isEmpty());
    EXPECT_TRUE(State().TerminationRequested);

    // Addresses no record can hold, or too long for the table: refused
    // before any connection, the message showing the start of the address.
    const struct {
        QString URL;
        QString Message;
    } refused[] = {
        {QStringLiteral("https://a.example/\"x\""),
         QStringLiteral("The address holds a line break, a quotation mark or a NUL character and "
                        "cannot be shortened: https://a.example/\"x\"")},
        {QStringLiteral("https://a.example/") + QString(8 * 1024, u'a'),
         QStringLiteral("The address is longer than 8 KiB and cannot be shortened: "
                        "https://a.example/") +
             QString(200 - 18, u'a') + QStringLiteral("…")},
    };
    for (const auto& r : refused) {
        *FFolder = TFakeRemoteFolder();
        FUser = {};
        EXPECT_EQ(FCore->ShortenURL(r.URL), QString());
        EXPECT_EQ(FUser.Messages, QStringList{r.Message});
        EXPECT_TRUE(FFolder->Calls.isEmpty());
    }
}

// A failed installation is named after the session's transport, also when
// the error the folder raises does not carry one (a local file's, a plain
// library error).
TEST_F(ShortenerFlow, InstallationFailureNamesTheTransportOfTheSession) {
    const struct {
        const char* Host;
        const char* Message;
    } cases[] = {
        {"files.example.org", "FTP (Shortener): cannot write\r\n"},
        {"sftp://files.example.org", "SFTP (Shortener): cannot write\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Host);
        *FFolder = TFakeRemoteFolder();
        FUser = {};
        State().Settings.Host = QString::fromLatin1(c.Host);
        FFolder->Files["shortener.ini"] = "";
        FFolder->FailOn("PUTCONTENT .htaccess", "cannot write\r\n");
        EXPECT_FALSE(FCore->ShortenURL(QStringLiteral("https://a.example")).isEmpty());
        EXPECT_EQ(FUser.Messages, QStringList{QString::fromLatin1(c.Message)});
    }
}

TEST_F(ShortenerFlow, InstallationRecognisesNamesListedWithAPathAndAnyLetterCase) {
    FFolder->Files = {
        {".HTACCESS", "custom"}, {"index.php", "custom"}, {"shortener.ini", "A=\"b\""}};
    FFolder->ListPrefix = QStringLiteral("/www/drop/");
    FCore->InstallShortenerScripts();
    EXPECT_EQ(FFolder->Calls, QStringList{"LIST"});
    EXPECT_EQ(FFolder->Files.value("shortener.ini"), QByteArray("A=\"b\""));
    EXPECT_TRUE(FUser.Messages.isEmpty());
}

}  // namespace
}  // namespace vd::app
