// JPEG downscaling on mutated files: it either writes a JPEG or raises the
// codec's or the file's error; it never crashes or runs away with memory.

#include <unistd.h>

#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "app/core/ResizeJPG.h"

namespace {

char gScratch[] = "/tmp/vd-fuzz-jpeg-XXXXXX";

// libFuzzer ends the process with exit(): the folder goes then.
void RemoveScratchFolder() { std::filesystem::remove_all(gScratch); }

const QString& ScratchFolder() {
    static const QString folder = [] {
        const QString path = QString::fromLocal8Bit(::mkdtemp(gScratch));
        ::setenv("TMPDIR", gScratch, 1);  // the shrunk copy goes there too
        std::atexit(RemoveScratchFolder);
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size < 1) return 0;
    const QString source = ScratchFolder() + QStringLiteral("/in.jpg");
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly)) std::abort();
    file.write(reinterpret_cast<const char*>(Data + 1), static_cast<qint64>(Size - 1));
    file.close();
    // The first byte picks the percentage: shrinking and enlarging both.
    const std::int32_t percent = 1 + Data[0] % 200;
    try {
        vd::app::ResizeJPG(source, percent);
    } catch (const std::exception&) {
        // the codec's or the file's error, as the user would see it
    }
    return 0;
}
