#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <set>

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

TEST(ShareRecord, TwoProcessesWritingAtOnceLoseNothing) {
    const vd::test::TTempDir dir;
    const QString path = QString::fromStdString(dir.File("shares.sqlite"));
    {
        TShareRecord record;
        ASSERT_TRUE(record.Open(path));
    }
    constexpr int kEach = 200;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            TShareRecord record;
            bool ok = record.Open(path);
            for (int i = 0; ok && i < kEach; ++i) {
                const auto id = record.Add(Share(QStringLiteral("%1-%2").arg(child).arg(i), i));
                ok = id && record.SetState(*id, TShareState::Up, i);
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TShareRecord record;
    ASSERT_TRUE(record.Open(path));
    const auto rows = record.Recent(10 * kEach);
    ASSERT_TRUE(rows);
    std::set<QString> names;
    for (const TShareRow& row : *rows) {
        EXPECT_EQ(row.State, TShareState::Up);
        names.insert(row.RemoteName);
    }
    EXPECT_EQ(names.size(), 2u * kEach);
}

}  // namespace
}  // namespace vd::app
