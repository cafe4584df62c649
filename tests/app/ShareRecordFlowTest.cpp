// The record of shares as the flows keep it: a share's row and its states,
// the sweep of what is due at a start, the exit's clean-up and --delete,
// against a host directory in memory and a real SQLite file.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <map>

#include "app/VelodropCore.h"
#include "app/record/ShareRecord.h"
#include "common/TempDir.h"
#include "fakes/FakeLinkChecker.h"
#include "fakes/FakeRemoteFolder.h"
#include "fakes/RecordingUser.h"

namespace vd::app {
namespace {

using test::TFakeLinkChecker;
using test::TFakeRemoteFolder;
using test::TRecordingUser;

constexpr qint64 kNow = 1'800'000'000;
constexpr qint64 kDay = 24 * 60 * 60;

// A remote name of the form the program makes, with `Label` as its file name.
QString Own(const char* Label) { return QStringLiteral("velodrop_Ab3dEf7hJk_") + Label; }

// A run that has ended: a child process, reaped.
TRunIdentity DeadRun() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return {child, 1, platform::CurrentPlace()};
}

class ShareRecordFlow : public ::testing::Test {
  public:
    ShareRecordFlow() {
        ::setenv("LANG", "C", 1);
        auto folder = std::make_unique<TFakeRemoteFolder>();
        FFolder = folder.get();
        FCore = std::make_unique<TVelodropCore>(FUser, std::move(folder),
                                                std::make_unique<TFakeLinkChecker>());
        TSettings& settings = FCore->State().Settings;
        settings.Host = QStringLiteral("files.example.org");
        settings.Username = QStringLiteral("anna");
        settings.Directory = QStringLiteral("drop");
        settings.BaseURL = QStringLiteral("https://example.org/drop");
        FCore->LocalizeRuntimeTexts();
        FCore->UseShareRecord(FPath);
        FCore->Record().SetClock([this] { return FNow; });
    }

    TSettings& Settings() { return FCore->State().Settings; }

    QString LocalFile(const std::string& Name) const {
        const std::string path = FFiles.File(Name);
        test::WriteFileBytes(path, "content of " + Name);
        return QString::fromStdString(path);
    }

    /// Every row, by remote name, as another process reads the record.
    std::map<QString, TShareRow> Rows() const {
        TShareRecord record;
        EXPECT_TRUE(record.Open(FPath)) << record.Error().toStdString();
        std::map<QString, TShareRow> rows;
        for (const TShareRow& row : record.Recent(1000).value_or(std::vector<TShareRow>()))
            rows[row.RemoteName] = row;
        return rows;
    }

    /// A share of another run on the server of the settings, written by it
    /// and present on the server.
    TShareRow Seed(const QString& Name, TShareState State, bool RemoveAtExit,
                   std::optional<qint64> ExpiresAt, TRunIdentity Run) {
        TShareRow row = ServerRowOf(Settings());
        row.SharedAt = kNow - 30 * kDay;
        row.RemoteName = Name;
        row.Link = QStringLiteral("https://example.org/drop/") + Name;
        row.RemoveAtExit = RemoveAtExit;
        row.ExpiresAt = ExpiresAt;
        row.State = State;
        row.Run = Run;
        TShareRecord record;
        EXPECT_TRUE(record.Open(FPath));
        row.Id = record.Add(row).value_or(0);
        if (State != TShareState::Deleted) FFolder->Files[Name] = "x";
        return row;
    }

    test::TTempDir FFiles;
    QString FPath = QString::fromStdString(FFiles.File("data/Velodrop/shares.sqlite"));
    qint64 FNow = kNow;
    TRecordingUser FUser;
    TFakeRemoteFolder* FFolder = nullptr;
    std::unique_ptr<TVelodropCore> FCore;
};

TEST_F(ShareRecordFlow, AShareIsRecordedBeforeItsUploadAndFollowedToItsEnd) {
    Settings().DeleteAfterDays = 7;
    Settings().RemoveFileAtExit = true;
    const TShareResult shared = FCore->ShareFile(LocalFile("report.pdf"));
    ASSERT_TRUE(shared.Ok());
    EXPECT_EQ(shared.ExpiresAt, kNow + 7 * kDay);

    FFolder->FailOn(QStringLiteral("PUT *"), QStringLiteral("452 Disk full."));
    const TShareResult failed = FCore->ShareFile(LocalFile("big.iso"));
    ASSERT_FALSE(failed.Ok());

    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    const TShareRow& up = rows.at(shared.RemoteName);
    EXPECT_EQ(up.State, TShareState::Up);
    EXPECT_EQ(up.Size, shared.Size);
    EXPECT_EQ(up.Link, shared.Link);
    EXPECT_EQ(up.SharedAt, kNow);
    EXPECT_EQ(up.ExpiresAt, kNow + 7 * kDay);
    EXPECT_TRUE(up.RemoveAtExit);
    EXPECT_EQ(up.Transport, QStringLiteral("ftp"));
    EXPECT_EQ(up.Host, QStringLiteral("files.example.org"));
    EXPECT_EQ(up.Port, 21);
    EXPECT_EQ(up.User, QStringLiteral("anna"));
    EXPECT_EQ(up.Folder, QStringLiteral("drop"));
    EXPECT_TRUE(up.LocalName.endsWith(u"/report.pdf"));
    EXPECT_EQ(up.Run, platform::CurrentRun());
    // The failed upload had its row before the first byte went; what
    // arrived of it went again at once.
    EXPECT_EQ(rows.at(failed.RemoteName).State, TShareState::Deleted);
    EXPECT_EQ(FUser.Messages, QStringList{QStringLiteral("FTP: 452 Disk full.")});
}

TEST_F(ShareRecordFlow, TheStartDeletesExactlyWhatIsDueOnTheServerOfTheSettings) {
    const TRunIdentity dead = DeadRun();
    const TRunIdentity living = *platform::RunOf(::getppid());
    const struct {
        const char* Name;
        TShareState State;
        bool RemoveAtExit;
        std::optional<qint64> ExpiresAt;
        TRunIdentity Run;
        bool OtherServer;
        bool Due;
    } cases[] = {
        {"crashed-run", TShareState::Up, true, std::nullopt, dead, false, true},
        {"crashed-mid-upload", TShareState::Uploading, true, std::nullopt, dead, false, true},
        {"living-run", TShareState::Up, true, std::nullopt, living, false, false},
        {"this-run", TShareState::Up, true, std::nullopt, platform::CurrentRun(), false, false},
        {"kept", TShareState::Up, false, std::nullopt, dead, false, false},
        {"expired", TShareState::Up, false, kNow - 1, living, false, true},
        {"expires-later", TShareState::Up, false, kNow + kDay, dead, false, false},
        {"other-server", TShareState::Up, true, kNow - 1, dead, true, false},
        // What an upload that did not end well left: nobody links to it.
        {"failed-dead-run", TShareState::Failed, false, std::nullopt, dead, false, true},
        {"failed-living-run", TShareState::Failed, false, std::nullopt, living, false, true},
        {"failed-this-run", TShareState::Failed, false, std::nullopt, platform::CurrentRun(), false,
         true},
        {"failed-other-server", TShareState::Failed, false, std::nullopt, dead, true, false},
        {"cut-off-mid-upload", TShareState::Uploading, false, std::nullopt, dead, false, true},
        {"still-uploading", TShareState::Uploading, false, std::nullopt, living, false, false},
    };
    for (const auto& c : cases) {
        if (c.OtherServer) Settings().Port = 2121;
        Seed(Own(c.Name), c.State, c.RemoveAtExit, c.ExpiresAt, c.Run);
        Settings().Port = 21;
    }
    EXPECT_EQ(FCore->RemoveDueShares(), 7);
    const auto rows = Rows();
    QStringList deletes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString name = Own(c.Name);
        if (c.Due) deletes << QStringLiteral("DELETE ") + name;
        EXPECT_EQ(FFolder->Files.contains(name), !c.Due);
        EXPECT_EQ(rows.at(name).State, c.Due ? TShareState::Deleted : c.State);
    }
    // One session, in the order the shares were made.
    EXPECT_EQ(FFolder->Calls, QStringList{"OPEN"} + deletes + QStringList{"CLOSE"});
    EXPECT_TRUE(FUser.Messages.isEmpty());

    // Nothing due: no connection at all.
    FFolder->Calls.clear();
    EXPECT_EQ(FCore->RemoveDueShares(), 0);
    EXPECT_TRUE(FFolder->Calls.isEmpty());
}

// A run on another host or system (the same home folder over NFS) or in
// another PID namespace (a sandbox, a container) cannot be looked up: its
// number here names another process or none. It removes its shares at its
// own exit; only their expiry is the start's business. A run of an earlier
// boot of this system ended with it (a power cut): its shares are due.
TEST_F(ShareRecordFlow, ARunElsewhereKeepsItsSharesForItsOwnExitUntilTheyExpire) {
    const TRunIdentity here = DeadRun();
    const auto elsewhere = [&](auto Change) {
        TRunIdentity run = here;
        Change(run.Place);
        return run;
    };
    const struct {
        const char* Name;
        TRunIdentity Run;
        std::optional<qint64> ExpiresAt;
        bool Due;
    } cases[] = {
        {"ended-here", here, std::nullopt, true},
        {"earlier-boot",
         elsewhere([](auto& P) { P.BootId = "3f1c0de2-77aa-4b1e-9d3c-0a1b2c3d4e5f"; }),
         std::nullopt, !here.Place.MachineId.empty()},
        {"other-system", elsewhere([](auto& P) {
             P.BootId = "3f1c0de2-77aa-4b1e-9d3c-0a1b2c3d4e5f";
             P.MachineId = "5d1a0c7e9b2f4e6a8c3d1f0b2a4c6e8d";
         }),
         std::nullopt, false},
        {"other-pid-namespace", elsewhere([](auto& P) { ++P.PidNamespace; }), std::nullopt, false},
        {"other-host", elsewhere([](auto& P) { P.HostName = "laptop"; }), std::nullopt, false},
        {"other-host-expired", elsewhere([](auto& P) { P.HostName = "laptop"; }), kNow - 1, true},
        {"recorded-without-place", elsewhere([](auto& P) { P = {}; }), std::nullopt, true},
    };
    ASSERT_TRUE(here.Place.IsKnown());
    for (const auto& c : cases) Seed(Own(c.Name), TShareState::Up, true, c.ExpiresAt, c.Run);
    FCore->RemoveDueShares();
    const auto rows = Rows();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString name = Own(c.Name);
        EXPECT_EQ(FFolder->Files.contains(name), !c.Due);
        EXPECT_EQ(rows.at(name).State, c.Due ? TShareState::Deleted : TShareState::Up);
    }
}

TEST_F(ShareRecordFlow, AServerThatFailsKeepsItsSharesAndARefusalIsRecordedNotRetried) {
    const TRunIdentity dead = DeadRun();
    const struct {
        const char* Name;
        QStringList Failing;  // calls that fail
        TShareState After;    // the state of the due share "a"
        bool BStillDue;       // the next share was not reached
        int Removed;
    } cases[] = {
        {"server unreachable", {"OPEN"}, TShareState::Up, true, 0},
        {"refused, still listed", {"DELETE *_a"}, TShareState::DeleteFailed, false, 1},
        {"connection lost", {"DELETE *_a", "LIST"}, TShareState::Up, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile::remove(FPath);
        *FFolder = TFakeRemoteFolder();
        FCore->UseShareRecord(FPath);
        Seed(Own("a"), TShareState::Up, true, std::nullopt, dead);
        Seed(Own("b"), TShareState::Up, true, std::nullopt, dead);
        for (const QString& call : c.Failing) FFolder->FailOn(call, QStringLiteral("550 No."));
        EXPECT_EQ(FCore->RemoveDueShares(), c.Removed);
        const auto rows = Rows();
        EXPECT_EQ(rows.at(Own("a")).State, c.After);
        EXPECT_EQ(rows.at(Own("b")).State, c.BStillDue ? TShareState::Up : TShareState::Deleted);
        EXPECT_TRUE(FUser.Messages.isEmpty());  // a start is quiet about its server
    }
    // A file that is gone already counts as deleted.
    QFile::remove(FPath);
    *FFolder = TFakeRemoteFolder();
    FCore->UseShareRecord(FPath);
    Seed(Own("gone"), TShareState::Up, true, std::nullopt, dead);
    FFolder->Files.clear();
    EXPECT_EQ(FCore->RemoveDueShares(), 1);
    EXPECT_EQ(Rows().at(Own("gone")).State, TShareState::Deleted);
}

TEST_F(ShareRecordFlow, OnlyNamesThisProgramMakesAreDeleted) {
    const TRunIdentity dead = DeadRun();
    const QString foreign[] = {
        "../victim.txt",
        "/victim.txt",
        "notours.txt",
        "velodrop_Ab3dEf7hJ_short.txt",        // a random part one short
        "velodrop_Ab3dEf7hJ0_zero.txt",        // "0" is not drawn
        "velodrop_Ab3dEf7hJkx.txt",            // no "_" after the random part
        "velodrop_Ab3dEf7hJk_a/../../victim",  // a folder
        "velodrop_Ab3dEf7hJk_..\\..\\victim",  // a folder where "\\" separates
        "velodrop_Ab3dEf7hJk_..",
        "velodrop_Ab3dEf7hJk_a\r\nDELE victim",  // a second command
        "Velodrop_Ab3dEf7hJk_case.txt",
    };
    std::map<QString, TShareRow> planted;
    for (const QString& name : foreign)
        planted[name] = Seed(name, TShareState::Up, true, kNow - 1, dead);
    const QString ours = Own("ours.txt");
    Seed(ours, TShareState::Failed, false, std::nullopt, dead);

    // Asked by its link, a foreign name is refused before any connection.
    for (const auto& [name, row] : planted) {
        SCOPED_TRACE(name.toStdString());
        FUser = {};
        EXPECT_FALSE(FCore->DeleteShare(row.Link));
        ASSERT_EQ(FUser.Messages.size(), 1);
        EXPECT_TRUE(FUser.Messages[0].contains(u"refuses to delete"))
            << FUser.Messages[0].toStdString();
        EXPECT_EQ(Rows().at(name).State, TShareState::Up);
    }
    EXPECT_TRUE(FFolder->Calls.isEmpty());

    // The sweep deletes only its own, and marks the others so that no later
    // start opens a session for them.
    FUser = {};
    EXPECT_EQ(FCore->RemoveDueShares(), 1);
    EXPECT_EQ(FFolder->Calls, (QStringList{"OPEN", "DELETE " + ours, "CLOSE"}));
    const auto rows = Rows();
    for (const QString& name : foreign) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(FFolder->Files.contains(name));
        EXPECT_EQ(rows.at(name).State, TShareState::DeleteFailed);
    }
    EXPECT_TRUE(FUser.Messages.isEmpty());
    FFolder->Calls.clear();
    EXPECT_EQ(FCore->RemoveDueShares(), 0);
    EXPECT_TRUE(FFolder->Calls.isEmpty());
}

TEST_F(ShareRecordFlow, AFailedUploadIsDeletedAtOnceOrLeftForTheNextSweep) {
    const struct {
        const char* Name;
        QStringList Failing;  // besides the upload
        TShareState After;    // the row's state after the share
        QStringList Calls;    // after the upload
        bool LeftForTheExit;  // the name waits for the exit's clean-up
    } cases[] = {
        {"the session works", {}, TShareState::Deleted, {"DELETE *", "CLOSE"}, false},
        {"the session is gone",
         {"DELETE *", "LIST"},
         TShareState::Failed,
         {"DELETE *", "LIST", "CLOSE"},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile::remove(FPath);
        *FFolder = TFakeRemoteFolder();
        FCore->UseShareRecord(FPath);
        FCore->State().UploadedFiles.clear();
        FUser = {};
        // What arrived before the failure is on the server.
        FFolder->CutPutAfterPieces = 2;
        for (const QString& call : c.Failing) FFolder->FailOn(call, QStringLiteral("550 No."));
        const TShareResult shared = FCore->ShareFile(LocalFile("cut.bin"));
        EXPECT_FALSE(shared.Ok());
        EXPECT_TRUE(FCore->State().Link.isEmpty());
        EXPECT_EQ(FUser.Messages, QStringList{"FTP: Connection reset by peer"});
        EXPECT_EQ(Rows().at(shared.RemoteName).State, c.After);
        EXPECT_EQ(FFolder->Files.contains(shared.RemoteName), c.After == TShareState::Failed);
        ASSERT_GE(FFolder->Calls.size(), 2);
        EXPECT_TRUE(test::CallsMatch(FFolder->Calls.mid(2), c.Calls))
            << FFolder->Calls.join(u'|').toStdString();
        EXPECT_EQ(FCore->State().UploadedFiles.contains(shared.RemoteName), c.LeftForTheExit);
    }
    // The next sweep, in a session that works, takes what was left.
    *FFolder = TFakeRemoteFolder();
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    FFolder->Files[rows.begin()->first] = "part";
    EXPECT_EQ(FCore->RemoveDueShares(), 1);
    EXPECT_TRUE(FFolder->Files.isEmpty());
    EXPECT_EQ(Rows().begin()->second.State, TShareState::Deleted);
}

TEST_F(ShareRecordFlow, TheExitRecordsWhatWentAndWhatStaysForTheNextStart) {
    Settings().RemoveFileAtExit = true;
    const QString first = FCore->ShareFile(LocalFile("a.txt")).RemoteName;
    const QString second = FCore->ShareFile(LocalFile("b.txt")).RemoteName;
    // The server refuses the second: it stays up and to be removed, so the
    // next start (this run ended by then) tries again.
    FFolder->FailOn(QStringLiteral("DELETE ") + second, QStringLiteral("550 Busy."));
    FCore->RemoveUploadedFiles();
    auto rows = Rows();
    EXPECT_EQ(rows.at(first).State, TShareState::Deleted);
    EXPECT_EQ(rows.at(second).State, TShareState::Up);
    EXPECT_TRUE(rows.at(second).RemoveAtExit);

    // The user unticked the removal before the exit: the uploads stay, and
    // no later start removes them.
    const QString third = FCore->ShareFile(LocalFile("c.txt")).RemoteName;
    FCore->KeepUploadedFiles();
    rows = Rows();
    EXPECT_FALSE(rows.at(third).RemoveAtExit);
    EXPECT_EQ(rows.at(third).State, TShareState::Up);

    // A run that removes nothing at its exit (--cli) never asks for it.
    FCore->Record().SetRunRemovesAtExit(false);
    const QString fourth = FCore->ShareFile(LocalFile("d.txt")).RemoteName;
    EXPECT_FALSE(Rows().at(fourth).RemoveAtExit);
}

TEST_F(ShareRecordFlow, ARecordThatCannotBeKeptIsToldOnceAndTheSharesGoOn) {
    test::WriteFileBytes(FFiles.File("a-file"), "not a folder");
    const struct {
        const char* Name;
        QString Path;
        std::string Content;  // written there first, when not empty
    } cases[] = {
        {"corrupt file", QString::fromStdString(FFiles.File("corrupt.sqlite")),
         std::string(4096, 'x')},
        {"folder cannot be made", QString::fromStdString(FFiles.File("a-file/shares.sqlite")), ""},
        {"no data folder", QString(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FUser = {};
        if (!c.Content.empty()) test::WriteFileBytes(c.Path.toStdString(), c.Content);
        auto core = std::make_unique<TVelodropCore>(FUser, std::make_unique<TFakeRemoteFolder>(),
                                                    std::make_unique<TFakeLinkChecker>());
        core->State().Settings = Settings();
        core->LocalizeRuntimeTexts();
        core->UseShareRecord(c.Path);
        EXPECT_EQ(core->RemoveDueShares(), 0);
        EXPECT_TRUE(core->ShareFile(LocalFile("a.txt")).Ok());
        EXPECT_TRUE(core->ShareFile(LocalFile("b.txt")).Ok());
        ASSERT_EQ(FUser.Messages.size(), 1) << FUser.Messages.join(u'|').toStdString();
        EXPECT_TRUE(FUser.Messages[0].startsWith(u"The record of shares could not be kept"));
        if (!c.Content.empty()) {  // the user's file is left as it was
            EXPECT_EQ(test::ReadFileBytes(c.Path.toStdString()), c.Content);
        }
    }
}

TEST_F(ShareRecordFlow, DeletingByLinkOnlyOnTheServerOfTheSettings) {
    const TShareResult shared = FCore->ShareFile(LocalFile("a.txt"));
    ASSERT_TRUE(shared.Ok());
    FUser = {};
    FFolder->Calls.clear();

    EXPECT_FALSE(FCore->DeleteShare(QStringLiteral("https://example.org/drop/never")));
    EXPECT_EQ(FUser.Messages, QStringList{"No share with this link in the record: "
                                          "https://example.org/drop/never"});

    FUser = {};
    Settings().Username = QStringLiteral("bert");
    EXPECT_FALSE(FCore->DeleteShare(shared.Link));
    EXPECT_EQ(FUser.Messages, QStringList{"The share is on ftp://anna@files.example.org:21, not "
                                          "on the server of the settings; it was not deleted: " +
                                          shared.Link});
    EXPECT_TRUE(FFolder->Calls.isEmpty());
    Settings().Username = QStringLiteral("anna");

    FUser = {};
    FFolder->FailOn(QStringLiteral("DELETE *"), QStringLiteral("550 Permission denied."));
    EXPECT_FALSE(FCore->DeleteShare(shared.Link));
    EXPECT_EQ(FUser.Messages, QStringList{"FTP: 550 Permission denied."});
    EXPECT_EQ(Rows().at(shared.RemoteName).State, TShareState::DeleteFailed);

    FUser = {};
    *FFolder = TFakeRemoteFolder();
    FFolder->Files[shared.RemoteName] = "x";
    EXPECT_TRUE(FCore->DeleteShare(shared.Link));
    EXPECT_EQ(FFolder->Calls, (QStringList{"OPEN", "DELETE " + shared.RemoteName, "CLOSE"}));
    EXPECT_EQ(FUser.Messages, QStringList{"Deleted from the server: " + shared.Link});
    EXPECT_EQ(Rows().at(shared.RemoteName).State, TShareState::Deleted);
    EXPECT_TRUE(FCore->State().UploadedFiles.isEmpty());  // nothing left for the exit
}

}  // namespace
}  // namespace vd::app
