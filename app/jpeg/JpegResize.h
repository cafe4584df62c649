#pragma once
// Shrinks (or enlarges) a JPEG file by a percentage: the codec work behind
// ResizeJPG, on plain paths and without Qt, so that a benchmark can drive
// it without carrying the framework.

#include <cstdint>
#include <string>

namespace vd::app {

/// The pixel size of the copy: round half to even, never below one pixel.
int ScaledDimension(int Source, std::int32_t Percent);

/// Larger sources are refused before decoding: a decompression bomb (a few
/// KiB declaring 60000 x 60000 pixels) must not take the machine down. 200
/// megapixels covers the largest phone cameras (16320 x 12240).
inline constexpr std::uint64_t kMaxJpegSourcePixels = 200'000'000;

/// Where the copy of `SourcePath` goes: "_tmp_" + its file name in the
/// temporary folder.
std::string ResizedCopyPath(const std::string& SourcePath);

/// How a resize ended.
struct TJpegResizeResult {
    enum class TOutcome {
        Written,
        SourceUnreadable,  // `Errno` says why
        OutputUnwritable,  // `Errno` says why
        CodecError,        // `CodecMessage` is the codec's message number
        TooLarge,          // above kMaxJpegSourcePixels; the size is the header's
    };
    TOutcome Outcome = TOutcome::Written;
    int Errno = 0;
    int CodecMessage = 0;
    unsigned long SourceWidth = 0, SourceHeight = 0;
};

/// Writes `SourcePath` scaled by `Percent` percent to `OutputPath`,
/// replacing a file there; the output is only created once the source is
/// known to be a JPEG. Quality 90; progressive exactly when the source has
/// more than one scan. The image is streamed: it is decoded at the smallest
/// DCT scale that still covers the target size, then rows and columns are
/// picked to the exact size, so memory holds a few rows of a baseline source.
/// The decoder holds a progressive source whole, as coefficients, and gives
/// their pages back as it reads them out; the progressive copy's own
/// whole-picture buffer fills as they go, so the two never add up.
/// CMYK and YCCK sources come out as RGB. The copy keeps the ICC profile and
/// the EXIF orientation, and no other EXIF field: it goes to a public link.
TJpegResizeResult ResizeJpegFile(const std::string& SourcePath, const std::string& OutputPath,
                                 std::int32_t Percent);

}  // namespace vd::app
