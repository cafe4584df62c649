// Our encoder against libqrencode, side by side in one run: a symbol per
// iteration at level L in byte mode, all eight masks evaluated by both.
// Prints ours/theirs per case after the usual table.
#include <benchmark/benchmark.h>
#include <qrencode.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "TQRCodeSymbol.h"

namespace {

std::string Repeat(const std::string& start, const std::string& filler, std::size_t length) {
    std::string text = start;
    while (text.size() < length) text += filler;
    text.resize(length);
    return text;
}

struct Case {
    const char* name;
    std::string text;
};

const Case kCases[] = {
    {"link60", Repeat("https://files.example.org/share/velodrop_x7Kp2mQr9Z_", "photo", 60)},
    {"link300",
     Repeat("https://files.example.org/share/velodrop_x7Kp2mQr9Z_", "holiday-pictures-2026-", 300)},
    {"text2000", Repeat("", "The quick brown fox jumps over the lazy dog; ", 2000)},
};

void Ours(benchmark::State& state, const std::string& text) {
    const std::u16string data(text.begin(), text.end());  // ASCII
    for (auto _ : state) {
        vd::qr::TQRCodeSymbol symbol;
        symbol.SetData(data);
        symbol.SetEncoding(vd::qr::TQRCodeEncoding::qrAuto);
        symbol.SetQuietZone(4);
        benchmark::DoNotOptimize(symbol.IsBlack(4, 4));
        state.counters["modules"] = symbol.Rows() - 8;
    }
}

void Theirs(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        QRcode* code = QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_L);
        if (code == nullptr) {
            state.SkipWithError("libqrencode failed");
            return;
        }
        benchmark::DoNotOptimize(code->data[0]);
        state.counters["modules"] = code->width;
        QRcode_free(code);
    }
}

// The console table, then ours / theirs per case from the mean time of
// each run.
class TRatioReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions the median stands for the case, else the one run.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                FTimes[name] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration && run.repetitions <= 1)
                FTimes[name] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-10s %14s %14s %8s\n", "case", "ours (us)", "theirs (us)", "ratio");
        for (const Case& c : kCases) {
            const std::string ours = std::string("Ours/") + c.name;
            const std::string theirs = std::string("Theirs/") + c.name;
            if (!FTimes.count(ours) || !FTimes.count(theirs)) continue;
            std::printf("%-10s %14.1f %14.1f %8.2f\n", c.name, FTimes[ours], FTimes[theirs],
                        FTimes[ours] / FTimes[theirs]);
        }
    }

  private:
    std::map<std::string, double> FTimes;
};

}  // namespace

int main(int argc, char** argv) {
    for (const Case& c : kCases) {
        benchmark::RegisterBenchmark((std::string("Ours/") + c.name).c_str(), Ours, c.text)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("Theirs/") + c.name).c_str(), Theirs, c.text)
            ->Unit(benchmark::kMicrosecond);
    }
    // These machines are noisy: by default run each case five times,
    // interleaved with the others, and compare medians. Flags given on the
    // command line come later and win.
    std::vector<char*> args{argv[0]};
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleaving = "--benchmark_enable_random_interleaving=true";
    args.push_back(repetitions.data());
    args.push_back(interleaving.data());
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
