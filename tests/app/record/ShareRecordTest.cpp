#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <cstdio>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "app/record/ShareRecord.h"
#include "common/TempDir.h"

namespace vd::app {
namespace {

TShareRow Share(const QString& Name, qint64 At) {
    TShareRow row;
    row.SharedAt = At;
    row.Transport = QStringLiteral("sftp");
    row.Host = QStringLiteral("files.example.org");
    row.Port = 22;
    row.User = QStringLiteral("anna");
    row.Folder = QStringLiteral("/var/www/drop");
    row.RemoteName = QStringLiteral("velodrop_Ab3De6Gh9K_") + Name;
    row.Link = QStringLiteral("https://example.org/drop/") + row.RemoteName;
    row.LocalName = QStringLiteral("/home/anna/") + Name;
    row.RemoveAtExit = true;
    row.Run = platform::CurrentRun();
    return row;
}

TEST(ShareRecord, RowsComeBackAsWrittenAndFollowTheirState) {
    const vd::test::TTempDir dir;
    const QString path = QString::fromStdString(dir.File("deep/er/shares.sqlite"));
    TShareRecord record;
    ASSERT_TRUE(record.Open(path)) << record.Error().toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    TShareRow kept = Share(QStringLiteral("a b.pdf"), 1000);
    TShareRow expiring = Share(QStringLiteral("Grüße.txt"), 2000);
    expiring.ExpiresAt = 2000 + 7 * 86400;
    expiring.RemoveAtExit = false;
    expiring.Folder = QString();  // the login folder: a null string is still text
    const auto first = record.Add(kept);
    const auto second = record.Add(expiring);
    ASSERT_TRUE(first && second) << record.Error().toStdString();
    EXPECT_TRUE(record.SetState(*first, TShareState::Up, 12345));
    EXPECT_TRUE(record.SetState(*second, TShareState::Failed));
    EXPECT_FALSE(record.SetState(*second + 100, TShareState::Up));

    const auto recent = record.Recent(10);
    ASSERT_TRUE(recent);
    ASSERT_EQ(recent->size(), 2u);
    const TShareRow& newest = (*recent)[0];
    EXPECT_EQ(newest.RemoteName, expiring.RemoteName);
    EXPECT_EQ(newest.LocalName, expiring.LocalName);
    EXPECT_EQ(newest.Folder, QString());
    EXPECT_EQ(newest.ExpiresAt, expiring.ExpiresAt);
    EXPECT_FALSE(newest.RemoveAtExit);
    EXPECT_EQ(newest.State, TShareState::Failed);
    EXPECT_EQ(newest.Size, -1);  // a failed upload keeps the size unknown
    EXPECT_EQ(newest.Run, platform::CurrentRun());
    const TShareRow& older = (*recent)[1];
    EXPECT_EQ(older.State, TShareState::Up);
    EXPECT_EQ(older.Size, 12345);
    EXPECT_EQ(older.ExpiresAt, std::nullopt);
    EXPECT_EQ(older.Host, kept.Host);
    EXPECT_EQ(older.Port, 22);

    EXPECT_TRUE(record.SetRemoveAtExit(*first, false));
    EXPECT_FALSE(record.Recent(10)->back().RemoveAtExit);

    // A new process (here: a new connection) finds the rows as they were.
    TShareRecord again;
    ASSERT_TRUE(again.Open(path));
    EXPECT_EQ(again.Recent(10)->size(), 2u);
}

TEST(ShareRecord, TheStartUpQuestionFindsExactlyTheSharesThatMayBeDue) {
    const vd::test::TTempDir dir;
    TShareRecord record;
    ASSERT_TRUE(record.Open(QString::fromStdString(dir.File("shares.sqlite"))));
    constexpr qint64 kNow = 1'000'000;
    const struct {
        const char* Name;
        bool RemoveAtExit;
        std::optional<qint64> ExpiresAt;
        TShareState State;
        bool MaybeDue;
    } cases[] = {
        {"kept", false, std::nullopt, TShareState::Up, false},
        {"removed at exit", true, std::nullopt, TShareState::Up, true},
        {"removed at exit, still uploading", true, std::nullopt, TShareState::Uploading, true},
        {"removed at exit, already deleted", true, std::nullopt, TShareState::Deleted, false},
        // An upload that did not end well may have left part of its file.
        {"removed at exit, upload failed", true, std::nullopt, TShareState::Failed, true},
        {"kept, upload failed", false, std::nullopt, TShareState::Failed, true},
        {"kept, still uploading", false, std::nullopt, TShareState::Uploading, true},
        {"expired", false, kNow - 1, TShareState::Up, true},
        {"expires now", false, kNow, TShareState::Up, true},
        {"expires later", false, kNow + 1, TShareState::Up, false},
        {"expired, delete failed", false, kNow - 1, TShareState::DeleteFailed, false},
        {"expired and removed at exit", true, kNow - 1, TShareState::Up, true},
    };
    std::set<QString> expected;
    for (const auto& c : cases) {
        TShareRow row = Share(QString::fromLatin1(c.Name), 1);
        row.RemoveAtExit = c.RemoveAtExit;
        row.ExpiresAt = c.ExpiresAt;
        row.State = c.State;
        ASSERT_TRUE(record.Add(row));
        if (c.MaybeDue) expected.insert(row.RemoteName);
    }
    const auto due = record.MaybeDue(kNow);
    ASSERT_TRUE(due) << record.Error().toStdString();
    std::set<QString> found;
    for (const TShareRow& row : *due) EXPECT_TRUE(found.insert(row.RemoteName).second);
    EXPECT_EQ(found, expected);
}

TEST(ShareRecord, AFileThatCannotBeTheRecordIsRefusedWithAReason) {
    const vd::test::TTempDir dir;
    const struct {
        const char* Name;
        std::string Bytes;
    } cases[] = {
        {"not a database", std::string(8192, 'x')},
        {"a truncated database header", "SQLite format 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = dir.File(std::string(c.Name) + ".sqlite");
        vd::test::WriteFileBytes(file, c.Bytes);
        TShareRecord record;
        EXPECT_FALSE(record.Open(QString::fromStdString(file)));
        EXPECT_FALSE(record.Error().isEmpty());
        EXPECT_FALSE(record.Add(Share(QStringLiteral("x"), 1)));
    }
    if (::geteuid() != 0) {  // root writes anywhere
        const std::string locked = dir.File("locked");
        ::mkdir(locked.c_str(), 0500);
        TShareRecord record;
        EXPECT_FALSE(record.Open(QString::fromStdString(locked + "/shares.sqlite")));
    }
    // A newer program's schema is left alone.
    const QString newer = QString::fromStdString(dir.File("newer.sqlite"));
    {
        TShareRecord record;
        ASSERT_TRUE(record.Open(newer));
    }
    const auto userVersion = [&](const char* Statement) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "peer");
        db.setDatabaseName(newer);
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(QString::fromLatin1(Statement)));
        const int version = query.next() ? query.value(0).toInt() : -1;
        query = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("peer");
        return version;
    };
    userVersion("PRAGMA user_version = 99");
    TShareRecord record;
    EXPECT_FALSE(record.Open(newer));
    EXPECT_TRUE(record.Error().contains(u"newer Velodrop")) << record.Error().toStdString();
    EXPECT_EQ(userVersion("PRAGMA user_version"), 99);
}

// A record as version 2 of the schema left it, with one share of a run that
// had no place; made without this program, as an older one wrote it.
void WriteVersion2Record(const QString& Path, const TShareRow& Row) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "version 2");
        db.setDatabaseName(Path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        for (const char* statement : {
                 "PRAGMA journal_mode=WAL",
                 "CREATE TABLE shares (id INTEGER PRIMARY KEY, shared_at INTEGER NOT NULL,"
                 " transport TEXT NOT NULL, host TEXT NOT NULL, port INTEGER NOT NULL,"
                 " user TEXT NOT NULL, folder TEXT NOT NULL, remote_name TEXT NOT NULL,"
                 " link TEXT NOT NULL, size INTEGER NOT NULL, local_name TEXT NOT NULL,"
                 " remove_at_exit INTEGER NOT NULL, expires_at INTEGER, state TEXT NOT NULL,"
                 " run_pid INTEGER NOT NULL, run_start INTEGER NOT NULL)",
                 "CREATE INDEX shares_by_state ON shares(state)",
                 "CREATE INDEX shares_by_expiry ON shares(expires_at) WHERE expires_at IS NOT NULL",
                 "CREATE INDEX shares_to_remove_at_exit ON shares(id)"
                 " WHERE remove_at_exit = 1 AND state IN ('uploading', 'up')",
                 "CREATE INDEX shares_on_server_by_expiry ON shares(expires_at)"
                 " WHERE state IN ('uploading', 'up')",
                 "PRAGMA user_version = 2",
             })
            ASSERT_TRUE(query.exec(QString::fromLatin1(statement))) << statement;
        query.prepare(QStringLiteral(
            "INSERT INTO shares (shared_at, transport, host, port, user, folder, remote_name,"
            " link, size, local_name, remove_at_exit, expires_at, state, run_pid, run_start)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, NULL, 'up', ?, ?)"));
        for (const QVariant& value :
             {QVariant(Row.SharedAt), QVariant(Row.Transport), QVariant(Row.Host),
              QVariant(Row.Port), QVariant(Row.User), QVariant(Row.Folder),
              QVariant(Row.RemoteName), QVariant(Row.Link), QVariant(Row.Size),
              QVariant(Row.LocalName), QVariant(qint64{Row.Run.ProcessId}),
              QVariant(qint64{Row.Run.StartTicks})})
            query.addBindValue(value);
        ASSERT_TRUE(query.exec());
    }
    QSqlDatabase::removeDatabase("version 2");
}

// A record of an older version gains the runs' places; its rows keep
// none, and read back as they were.
TEST(ShareRecord, AnOlderRecordIsBroughtUpAndItsRowsKeepNoPlace) {
    const vd::test::TTempDir dir;
    const QString path = QString::fromStdString(dir.File("shares.sqlite"));
    TShareRow old = Share(QStringLiteral("old.txt"), 1000);
    old.Size = 10;
    old.State = TShareState::Up;
    WriteVersion2Record(path, old);
    TShareRecord record;
    ASSERT_TRUE(record.Open(path)) << record.Error().toStdString();
    const TShareRow now = Share(QStringLiteral("new.txt"), 2000);
    ASSERT_TRUE(record.Add(now)) << record.Error().toStdString();
    const auto rows = record.Recent(10);
    ASSERT_TRUE(rows && rows->size() == 2u);
    EXPECT_EQ((*rows)[0].Run, now.Run);
    EXPECT_TRUE(now.Run.Place.IsKnown());
    const TShareRow& before = (*rows)[1];
    EXPECT_EQ(before.RemoteName, old.RemoteName);
    EXPECT_EQ(before.Run.ProcessId, old.Run.ProcessId);
    EXPECT_EQ(before.Run.StartTicks, old.Run.StartTicks);
    EXPECT_FALSE(before.Run.Place.IsKnown());
    EXPECT_TRUE(before.RemoveAtExit);
    EXPECT_EQ(before.Size, 10);
}

// --history --json reads every share this way: newest first, as the rows
// come, and no further than the reader wants.
TEST(ShareRecord, EveryShareIsHandedOverNewestFirstUntilTheReaderStops) {
    const vd::test::TTempDir dir;
    TShareRecord record;
    ASSERT_TRUE(record.Open(QString::fromStdString(dir.File("shares.sqlite"))));
    // Added out of order: the time of the share counts, then the order of adding.
    for (const qint64 at : {20, 10, 30, 20})
        ASSERT_TRUE(record.Add(Share(QString::number(at), at)));
    std::vector<std::pair<qint64, qint64>> seen;  // time, id
    const auto visit = [&](std::size_t Wanted) {
        seen.clear();
        return record.EachShare([&](const TShareRow& Row) {
            seen.emplace_back(Row.SharedAt, Row.Id);
            return seen.size() < Wanted;
        });
    };
    ASSERT_TRUE(visit(100));
    const std::vector<std::pair<qint64, qint64>> newestFirst{{30, 3}, {20, 4}, {20, 1}, {10, 2}};
    EXPECT_EQ(seen, newestFirst);
    ASSERT_TRUE(visit(2));
    EXPECT_EQ(seen.size(), 2u);
    TShareRecord closed;
    EXPECT_FALSE(closed.EachShare([](const TShareRow&) { return true; }));
    EXPECT_FALSE(closed.Error().isEmpty());
}

// Runs `Work(child)` in `Children` processes that start at the same moment;
// true when every one of them answered true.
template <class F>
bool AllAtOnce(int Children, F&& Work) {
    int go[2];
    if (::pipe(go) != 0) return false;
    std::vector<pid_t> children;
    for (int child = 0; child < Children; ++child) {
        const pid_t pid = ::fork();
        if (pid < 0) break;
        if (pid == 0) {
            ::close(go[1]);
            char byte = 0;
            // The end of the pipe is the starting shot: every child wakes at once.
            const bool started = ::read(go[0], &byte, 1) == 0;
            ::_exit(started && Work(child) ? 0 : 1);
        }
        children.push_back(pid);
    }
    ::close(go[0]);
    ::close(go[1]);
    bool ok = static_cast<int>(children.size()) == Children;
    for (pid_t child : children) {
        int status = 0;
        ok = ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
             WEXITSTATUS(status) == 0 && ok;
    }
    return ok;
}

// Many runs start together on a record that does not exist yet, as a
// desktop's launcher or a script starting several shares does: each one
// makes or opens the record, writes its rows and follows their state. Half
// are short runs (a --cli share opens the record for its one share), half
// keep the record open as a window does. Every row is found, up.
TEST(ShareRecord, ManyProcessesStartingTogetherLoseNothing) {
    constexpr int kProcesses = 20;
    constexpr int kEach = 50;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const vd::test::TTempDir dir;
        const QString path = QString::fromStdString(dir.File("data/shares.sqlite"));
        const bool ok = AllAtOnce(kProcesses, [&](int Child) {
            std::optional<TShareRecord> window;
            for (int i = 0; i < kEach; ++i) {
                std::optional<TShareRecord> run;
                TShareRecord& record =
                    Child % 2 ? (window ? *window : window.emplace()) : run.emplace();
                if (!record.IsOpen() && !record.Open(path)) {
                    std::fprintf(stderr, "open: %s\n", qPrintable(record.Error()));
                    return false;
                }
                const auto id = record.Add(Share(QStringLiteral("%1-%2").arg(Child).arg(i), i));
                if (!id || !record.SetState(*id, TShareState::Up, i)) {
                    std::fprintf(stderr, "write: %s\n", qPrintable(record.Error()));
                    return false;
                }
            }
            return true;
        });
        EXPECT_TRUE(ok);
        TShareRecord record;
        ASSERT_TRUE(record.Open(path));
        const auto rows = record.Recent(10 * kProcesses * kEach);
        ASSERT_TRUE(rows);
        std::set<QString> names;
        for (const TShareRow& row : *rows) {
            EXPECT_EQ(row.State, TShareState::Up);
            names.insert(row.RemoteName);
        }
        EXPECT_EQ(names.size(), std::size_t{kProcesses} * kEach);
    }
}

}  // namespace
}  // namespace vd::app
