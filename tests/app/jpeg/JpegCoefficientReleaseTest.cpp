// A progressive source's decoder gives back the coefficient rows it has
// read out: the picture must not change, and the pages must really go.

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "app/jpeg/JpegCoefficientRelease.h"
#include "common/JpegFiles.h"
#include "common/TempDir.h"

namespace vd::app {
namespace {

struct TDecoded {
    std::string Pixels;
    int ArrayCount = 0;
    bool PagesGone = true;       // every page the release claims is no longer resident
    double SmallestShare = 1.0;  // of an array's bytes given back, at the end of the output pass
};

// What the release claims to have given back, checked with mincore while
// the decoder still holds its arrays.
void CheckReleased(const TJpegCoefficientRelease& Release, TDecoded& Out) {
    const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    Out.ArrayCount = Release.ArrayCount;
    for (int i = 0; i < Release.ArrayCount; ++i) {
        const auto& array = Release.Arrays[i];
        char* first = array.NextRowAddress - std::size_t{array.NextRow} * array.RowBytes;
        auto* from = reinterpret_cast<char*>(
            (reinterpret_cast<std::uintptr_t>(first) + pageSize - 1) & ~(pageSize - 1));
        const double released = array.ReleasedEnd > from ? array.ReleasedEnd - from : 0;
        Out.SmallestShare =
            std::min(Out.SmallestShare, released / (double(array.Rows) * double(array.RowBytes)));
        if (released == 0) continue;
        std::vector<unsigned char> resident(static_cast<std::size_t>(released) / pageSize);
        ASSERT_EQ(::mincore(from, static_cast<std::size_t>(released), resident.data()), 0);
        for (unsigned char page : resident) Out.PagesGone = Out.PagesGone && !(page & 1);
    }
}

// Decodes `Path` at half size, as a 50 % copy does, with or without the
// release.
TDecoded DecodeHalf(const std::string& Path, bool Release) {
    TDecoded out;
    FILE* in = std::fopen(Path.c_str(), "rb");
    if (!in) return out;
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, in);
    jpeg_read_header(&d, TRUE);
    d.scale_num = 4;
    d.scale_denom = 8;
    TJpegCoefficientRelease release;
    if (Release) ReleaseCoefficientsOnceRead(d, release);
    jpeg_start_decompress(&d);
    std::vector<JSAMPLE> row(std::size_t{d.output_width} * d.output_components);
    while (d.output_scanline < d.output_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&d, rows, 1);
        out.Pixels.append(reinterpret_cast<const char*>(row.data()), row.size());
    }
    if (Release) CheckReleased(release, out);
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    std::fclose(in);
    return out;
}

TEST(JpegCoefficientRelease, ProgressiveSourcesDecodeAlikeAndGiveTheirPagesBack) {
    test::TTempDir dir;
    const std::string whole = dir.File("whole.jpg");
    test::WriteQuadrantJpeg(whole, 1024, 768, true);
    // Cut in the middle of its fourth scan's data, the file is decoded with
    // the smoothing that reads rows above the current one as well.
    const std::string cut = dir.File("cut.jpg");
    const std::string bytes = test::ReadFileBytes(whole);
    std::size_t scanData = 0;
    for (int n = 0; n < 4; ++n) scanData = bytes.find("\xFF\xDA", scanData + 1);
    ASSERT_NE(scanData, bytes.npos);
    scanData += 2 + (std::uint8_t(bytes[scanData + 2]) << 8 | std::uint8_t(bytes[scanData + 3]));
    std::size_t nextMarker = scanData;
    while (bytes[nextMarker] != '\xFF' || bytes[nextMarker + 1] == 0) ++nextMarker;
    test::WriteFileBytes(cut, bytes.substr(0, (scanData + nextMarker) / 2));
    for (const std::string& source : {whole, cut}) {
        SCOPED_TRACE(source);
        const TDecoded plain = DecodeHalf(source, false);
        const TDecoded released = DecodeHalf(source, true);
        ASSERT_EQ(plain.Pixels.size(), std::size_t{512} * 384 * 3);
        EXPECT_TRUE(plain.Pixels == released.Pixels);
        EXPECT_EQ(released.ArrayCount, 3);  // Y, Cb, Cr
        EXPECT_TRUE(released.PagesGone);
        // All but the last rows read and the pages they share.
        EXPECT_GT(released.SmallestShare, 0.9);
    }
}

}  // namespace
}  // namespace vd::app
