// What the record of shares costs: a share's two writes (the row before the
// upload, its state after it) in a database that already holds 10,000
// shares, each beside the same step with the record switched off; the
// start-up check with nothing due over the same rows; and in a record of
// 1,000,000 shares, the link menu's question (the 15 newest), the history
// table's (the 50 newest) and reading every share as --history --json does.
// bench/app/history_bench.py times the real program over such a record.

#include <benchmark/benchmark.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/core/ShareBook.h"
#include "app/record/ShareRecord.h"

namespace {

using namespace vd::app;

constexpr int kRows = 10000;
constexpr qint64 kNow = 1'800'000'000;

TSettings Server() {
    TSettings settings;
    settings.Host = QStringLiteral("files.example.org");
    settings.Username = QStringLiteral("anna");
    settings.Directory = QStringLiteral("drop");
    settings.BaseURL = QStringLiteral("https://example.org/drop");
    settings.RemoveFileAtExit = true;
    settings.DeleteAfterDays = 7;
    return settings;
}

// The rows of a user who has shared for years: most shares kept on the
// server, some deleted at exit, some expired and deleted, the last hundred
// expiring next week. Nothing is due.
struct TFilledRecord {
    QTemporaryDir Dir;
    QString Path = Dir.filePath(QStringLiteral("shares.sqlite"));
    TFilledRecord() {
        TShareRecord record;
        if (!record.Open(Path)) std::abort();
        TShareRow row = ServerRowOf(Server());
        for (int i = 0; i < kRows; ++i) {
            row.SharedAt = kNow - kRows + i;
            row.RemoteName = QStringLiteral("velodrop_Ab3De6Gh9K_%1.pdf").arg(i);
            row.Link = QStringLiteral("https://example.org/drop/") + row.RemoteName;
            row.LocalName = QStringLiteral("/home/anna/%1.pdf").arg(i);
            row.RemoveAtExit = i % 3 == 1 && i < kRows - 100;
            row.ExpiresAt.reset();
            if (i % 3 == 2 || i >= kRows - 100) row.ExpiresAt = kNow + (i >= kRows - 100 ? 1 : -1);
            row.State = i % 3 == 0 || i >= kRows - 100 ? TShareState::Up : TShareState::Deleted;
            row.Run = {1, 1, {}};
            const auto id = record.Add(row);
            if (!id) std::abort();
        }
    }
};

// A book on the filled record (already opened), or with the record off.
struct TBook {
    TFilledRecord Filled;
    TShareBook Book;
    explicit TBook(bool RecordOn) {
        if (RecordOn) {
            Book.SetOpener([this](QString&) -> std::unique_ptr<TShareStore> {
                auto record = std::make_unique<TShareRecord>();
                if (!record->Open(Filled.Path)) std::abort();
                return record;
            });
        }
        Book.SetClock([] { return kNow; });
        Book.DueOn(Server());  // opens the store outside the timing
        if (RecordOn && !Book.Trouble().isEmpty()) std::abort();
    }
};

void RowBeforeUpload(benchmark::State& State, bool RecordOn) {
    TBook book(RecordOn);
    const TSettings settings = Server();
    int i = 0;
    for (auto _ : State) {
        const QString name = QStringLiteral("velodrop_Zz9Yy8Xx7W_%1.pdf").arg(++i);
        benchmark::DoNotOptimize(book.Book.UploadStarting(
            settings, name, name, QStringLiteral("/home/anna/a.pdf"), kNow));
    }
}
BENCHMARK_CAPTURE(RowBeforeUpload, record_off, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RowBeforeUpload, record_on, true)->Unit(benchmark::kMillisecond);

void StateAfterUpload(benchmark::State& State, bool RecordOn) {
    TBook book(RecordOn);
    const TSettings settings = Server();
    const QString name = QStringLiteral("velodrop_Zz9Yy8Xx7W_a.pdf");
    book.Book.UploadStarting(settings, name, name, QStringLiteral("/home/anna/a.pdf"), kNow);
    const std::optional<qint64> row = RecordOn ? book.Book.RowOf(name) : std::optional<qint64>(1);
    if (!row) std::abort();
    qint64 size = 0;
    for (auto _ : State) book.Book.SetState(row, TShareState::Up, ++size);
}
BENCHMARK_CAPTURE(StateAfterUpload, record_off, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StateAfterUpload, record_on, true)->Unit(benchmark::kMillisecond);

void StartUpCheckNothingDue(benchmark::State& State) {
    TBook book(true);
    const TSettings settings = Server();
    for (auto _ : State) {
        const auto due = book.Book.DueOn(settings);
        if (!due.empty()) std::abort();
    }
}
BENCHMARK(StartUpCheckNothingDue)->Unit(benchmark::kMillisecond);

// 1,000,000 shares over some years, written in one transaction (through
// SQLite: a row at a time would take the bench hours).
struct TLargeRecord {
    static constexpr int kShares = 1'000'000;
    QTemporaryDir Dir;
    QString Path = Dir.filePath(QStringLiteral("shares.sqlite"));
    TShareRecord Record;
    TLargeRecord() {
        {
            TShareRecord maker;
            if (!maker.Open(Path)) std::abort();
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "filler");
            db.setDatabaseName(Path);
            QSqlQuery query(db);
            if (!db.open() || !query.exec(QStringLiteral("BEGIN")) ||
                !query.exec(
                    QStringLiteral(
                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                        "%1)"
                        " INSERT INTO shares (shared_at, transport, host, port, user, folder,"
                        " remote_name, link, size, local_name, remove_at_exit, expires_at, state,"
                        " run_pid, run_start) SELECT 1700000000 + i * 60, 'sftp', "
                        "'files.example.org',"
                        " 22, 'anna', '/var/www/drop', printf('velodrop_Ab3De6Gh9K_%d.pdf', i),"
                        " printf('https://example.org/drop/velodrop_Ab3De6Gh9K_%d.pdf', i), i * 37,"
                        " printf('/home/anna/report %d.pdf', i), i % 3 = 1,"
                        " CASE WHEN i % 3 = 2 THEN 1700000000 + i * 60 + 604800 END,"
                        " CASE i % 3 WHEN 0 THEN 'up' ELSE 'deleted' END, 1000, i FROM n")
                        .arg(kShares)) ||
                !query.exec(QStringLiteral("COMMIT")))
                std::abort();
        }
        QSqlDatabase::removeDatabase("filler");
        if (!Record.Open(Path)) std::abort();
    }
};

TLargeRecord& LargeRecord() {
    static TLargeRecord record;
    return record;
}

void NewestShares(benchmark::State& State) {
    TShareRecord& record = LargeRecord().Record;
    for (auto _ : State) {
        const auto rows = record.Recent(static_cast<int>(State.range(0)));
        if (!rows || rows->size() != static_cast<std::size_t>(State.range(0))) std::abort();
    }
}
// 15: the link menu's question; 50: --history's table.
BENCHMARK(NewestShares)->Arg(15)->Arg(50)->Unit(benchmark::kMillisecond);

void EveryShare(benchmark::State& State) {
    TShareRecord& record = LargeRecord().Record;
    for (auto _ : State) {
        qint64 read = 0;
        if (!record.EachShare([&](const TShareRow& Row) {
                read += Row.Size >= 0;
                return true;
            }) ||
            read != TLargeRecord::kShares)
            std::abort();
    }
    State.SetItemsProcessed(State.iterations() * TLargeRecord::kShares);
}
BENCHMARK(EveryShare)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
