// share_bench [SIZE_MIB]: one share against a local pyftpdlib server, timed
// in its parts (connect and login, upload, QR code), and the process's peak
// memory. SIZE_MIB 0 (the default) shares a 1 KiB file; the median of 15
// shares is printed, the whole share with the record of shares (holding
// 10,000 shares before) and then without it. A larger size
// shares one file of that many MiB, for the peak-memory comparison (run by
// share_memory.sh).

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "PyFtpServer.h"
#include "ServerSettings.h"
#include "app/gui/ModalSeam.h"
#include "app/gui/TVelodrop1.h"
#include "app/record/ShareRecord.h"
#include "app/settings/SettingsFile.h"

namespace {

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

long PeakKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// 10,000 shares made before on the same server, kept there: the record a
// user has after some years.
void FillRecord(const QString& Path, const vd::app::TSettings& Settings) {
    using namespace vd::app;
    TShareRecord record;
    if (!record.Open(Path)) std::abort();
    TShareRow row = ServerRowOf(Settings);
    for (int i = 0; i < 10000; ++i) {
        row.SharedAt = 1'700'000'000 + i;
        row.RemoteName = QStringLiteral("velodrop_Ab3De6Gh9K_%1.pdf").arg(i);
        row.Link = QStringLiteral("https://files.example.org/drop/") + row.RemoteName;
        row.State = i % 2 ? TShareState::Up : TShareState::Deleted;
        row.Run = {1, 1, {}};
        if (!record.Add(row)) std::abort();
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vd::app;
    const long sizeMiB = argc > 1 ? std::atol(argv[1]) : 0;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    TModalSeam::BeginTesting();

    vd::test::TPyFtpServer server;
    const std::string work =
        std::filesystem::temp_directory_path() / ("share-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work + "/Velodrop");
    ::setenv("XDG_CONFIG_HOME", work.c_str(), 1);
    ::setenv("XDG_DATA_HOME", work.c_str(), 1);
    const TSettings s =
        vd::test::SettingsFor(server, QStringLiteral("https://files.example.org/drop"));
    WriteSettingsFile(QString::fromStdString(work + "/Velodrop/velodrop_settings.ini"), s);

    const std::string file = work + "/shared.bin";
    {
        std::ofstream out(file, std::ios::binary);
        if (sizeMiB == 0) {
            out << std::string(1024, 'x');
        } else {
            const std::string chunk(1 << 20, 'y');
            for (long i = 0; i < sizeMiB; ++i) out << chunk;
        }
    }
    FillRecord(ShareRecordPath(QString::fromStdString(work)), s);
    TVelodrop1 window({QStringLiteral("share_bench")});
    const int rounds = sizeMiB == 0 ? 15 : 1;
    std::vector<double> connect, upload, qr, whole, withoutRecord;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        if (!window.ConnectToServer()) return 1;
        connect.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        window.Core().Folder().Put(QString::fromStdString(file), QStringLiteral("bench.bin"));
        window.Core().Folder().Close();
        upload.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        window.ShowQRCode(
            QStringLiteral("https://files.example.org/drop/velodrop_AbCdEfGhIj_shared.bin"));
        qr.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        window.WMDropFiles(
            {QString::fromStdString(file)});  // the whole flow, drop to link on screen
        whole.push_back(t.nsecsElapsed() / 1e6);
    }
    // The same share once more, with the record switched off (it opens once
    // per run, so the two are not alternated).
    window.Core().Record().SetOpener({});
    for (int i = 0; sizeMiB == 0 && i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        window.WMDropFiles({QString::fromStdString(file)});
        withoutRecord.push_back(t.nsecsElapsed() / 1e6);
    }
    if (!TModalSeam::ShownMessages().empty()) {
        std::fprintf(stderr, "%s\n",
                     TModalSeam::ShownMessages().front().Text.toLocal8Bit().constData());
        return 1;
    }
    std::printf(
        "size %s: connect+login %.2f ms, upload+QUIT %.2f ms, QR code %.3f ms; whole share %.2f "
        "ms; peak %ld KiB\n",
        sizeMiB ? (std::to_string(sizeMiB) + " MiB").c_str() : "1 KiB", Median(connect),
        Median(upload), Median(qr), Median(whole), PeakKiB());
    if (!withoutRecord.empty())
        std::printf("whole share without the record of shares %.2f ms: with it %.3fx\n",
                    Median(withoutRecord), Median(whole) / Median(withoutRecord));
    std::filesystem::remove_all(work);
    return 0;
}
