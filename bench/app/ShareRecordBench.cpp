// What the record of shares costs a share: the row written before the
// upload and its state after it, in a database that already holds 10,000
// shares, beside the same two steps with nothing written (the baseline the
// share pays without a record). The start-up question, which shares may
// still be on a server, over the same rows.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/record/ShareRecord.h"

namespace {

using namespace vd::app;

constexpr int kRows = 10000;

TShareRow Row(int I) {
    TShareRow row;
    row.SharedAt = I;
    row.Transport = QStringLiteral("ftp");
    row.Host = QStringLiteral("files.example.org");
    row.Port = 21;
    row.User = QStringLiteral("anna");
    row.Folder = QStringLiteral("/drop");
    row.RemoteName = QStringLiteral("velodrop_Ab3De6Gh9K_%1.pdf").arg(I);
    row.Link = QStringLiteral("https://example.org/drop/") + row.RemoteName;
    row.LocalName = QStringLiteral("/home/anna/%1.pdf").arg(I);
    row.Run = CurrentRun();
    return row;
}

// A database of kRows finished shares, all deleted but the last hundred.
struct TFilledRecord {
    QTemporaryDir Dir;
    TShareRecord Record;
    TFilledRecord() {
        if (!Record.Open(Dir.filePath(QStringLiteral("shares.sqlite")))) std::abort();
        for (int i = 0; i < kRows; ++i) {
            const auto id = Record.Add(Row(i));
            Record.SetState(*id, i < kRows - 100 ? TShareState::Deleted : TShareState::Up, i);
        }
    }
};

void BM_ShareWithoutRecord(benchmark::State& State) {
    int i = 0;
    for (auto _ : State) benchmark::DoNotOptimize(Row(++i));
}
BENCHMARK(BM_ShareWithoutRecord);

void BM_ShareRowWrittenAndFinished(benchmark::State& State) {
    TFilledRecord filled;
    int i = kRows;
    for (auto _ : State) {
        const auto id = filled.Record.Add(Row(++i));
        filled.Record.SetState(*id, TShareState::Up, i);
    }
}
BENCHMARK(BM_ShareRowWrittenAndFinished)->Unit(benchmark::kMillisecond);

void BM_SharesStillOnServers(benchmark::State& State) {
    TFilledRecord filled;
    for (auto _ : State) benchmark::DoNotOptimize(filled.Record.OnServers());
}
BENCHMARK(BM_SharesStillOnServers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
