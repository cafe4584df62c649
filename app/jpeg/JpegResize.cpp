#include "app/jpeg/JpegResize.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "app/jpeg/JpegCoefficientRelease.h"
#include "app/jpeg/JpegErrorTrap.h"
#include "app/jpeg/JpegMetadata.h"
#include "platform/SpecialFolders.h"

namespace vd::app {
namespace {

struct TResizeJob {
    FILE* Source = nullptr;
    const char* OutputPath = nullptr;
    std::int32_t Percent = 100;
    FILE* Output = nullptr;  // opened once the source is known to be a JPEG
    int OutputErrno = 0;
    unsigned long SourceWidth = 0, SourceHeight = 0;  // as the header declares
};

// The smallest k/8 decode scale whose output still covers the target, so
// that the final pick of rows and columns only ever drops pixels.
unsigned DctScaleNumerator(const jpeg_decompress_struct& D, int TargetWidth, int TargetHeight) {
    for (unsigned k = 1; k < 8; ++k) {
        const auto w = (static_cast<unsigned long>(D.image_width) * k + 7) / 8;
        const auto h = (static_cast<unsigned long>(D.image_height) * k + 7) / 8;
        if (w >= static_cast<unsigned long>(TargetWidth) &&
            h >= static_cast<unsigned long>(TargetHeight))
            return k;
    }
    return 8;
}

// Returned by the decoder's start for a source above kMaxJpegSourcePixels.
constexpr int kTooLarge = -3;
// Returned when the output cannot be opened (not for errors while writing,
// which the codec reports).
constexpr int kOutputFailed = -1;

struct TGeometry {
    int Width = 0;  // of the copy
    int Height = 0;
    bool Progressive = false;
    bool Cmyk = false;             // the source is CMYK or YCCK: rows come as CMYK
    bool InvertedCmyk = false;     // as Adobe's applications write it
    bool Ycc = false;              // rows stay YCbCr from decoder to encoder
    int Orientation = 0;           // EXIF, 0 for none
    JOCTET* IccProfile = nullptr;  // malloc'ed by the codec; freed by the job
    unsigned IccLength = 0;
    std::uint64_t SourcePixels = 0;
    JDIMENSION SourceWidth = 0, SourceHeight = 0;
    UINT8 DensityUnit = 0;  // the source's stated resolution, which the copy keeps
    UINT16 XDensity = 1, YDensity = 1;
};

// CMYK to RGB. Adobe's applications store the inks inverted (0 is full
// ink); plain CMYK stores them as they are. Either way red stays red.
inline void CmykToRgb(const JSAMPLE* Cmyk, JSAMPLE* Rgb, bool Inverted) {
    for (int i = 0; i < 3; ++i) {
        const unsigned ink = Inverted ? 255u - Cmyk[i] : Cmyk[i];
        const unsigned black = Inverted ? 255u - Cmyk[3] : Cmyk[3];
        Rgb[i] = static_cast<JSAMPLE>((255u - ink) * (255u - black) / 255u);
    }
}

int OrientationOf(const jpeg_decompress_struct& D) {
    for (jpeg_saved_marker_ptr m = D.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1) continue;
        const int orientation = ExifOrientation(std::string_view(
            reinterpret_cast<const char*>(m->data), static_cast<std::size_t>(m->data_length)));
        if (orientation) return orientation;
    }
    return 0;
}

constexpr std::size_t kPipeRows = 32;

// Finished rows of the copy, handed from the decoding thread to the
// encoding one through a small ring, so that the two run side by side.
class TRowPipe final {
  public:
    // Left unwritten, so that a row only takes memory once it is filled.
    TRowPipe(std::size_t RowBytes, std::size_t Rows)
        : FRowBytes(RowBytes),
          FRows(Rows),
          FStore(std::make_unique_for_overwrite<JSAMPLE[]>(RowBytes * Rows)) {}

    // The next free row to fill, or null once the other side gave up.
    JSAMPLE* FreeRow() {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [&] { return FAborted || FFilled < FRows; });
        return FAborted ? nullptr : Row((FFirst + FFilled) % FRows);
    }
    void Publish() {
        {
            std::lock_guard lock(FMutex);
            ++FFilled;
        }
        FChanged.notify_all();
    }
    // Waits until `Rows` rows (at most the pipe's size) are filled; false
    // once the other side gave up.
    bool AwaitFilled(std::size_t Rows) {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [&] { return FAborted || FFilled >= Rows; });
        return !FAborted;
    }
    // The oldest filled row, or null once the other side gave up.
    JSAMPLE* FilledRow() {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [&] { return FAborted || FFilled > 0; });
        return FAborted ? nullptr : Row(FFirst);
    }
    void Release() {
        {
            std::lock_guard lock(FMutex);
            FFirst = (FFirst + 1) % FRows;
            --FFilled;
        }
        FChanged.notify_all();
    }
    void Abort() {
        {
            std::lock_guard lock(FMutex);
            FAborted = true;
        }
        FChanged.notify_all();
    }

  private:
    JSAMPLE* Row(std::size_t Index) { return FStore.get() + Index * FRowBytes; }

    std::size_t FRowBytes;
    std::size_t FRows;
    std::unique_ptr<JSAMPLE[]> FStore;
    std::size_t FFirst = 0;
    std::size_t FFilled = 0;
    bool FAborted = false;
    std::mutex FMutex;
    std::condition_variable FChanged;
};

// Each function below that calls libjpeg sets its own jump target and keeps
// only plain locals, since the codec's error exit jumps back into it.

int StartDecoding(jpeg_decompress_struct& D, TJpegErrorTrap& Error,
                  TJpegCoefficientRelease& Release, FILE* Source, std::int32_t Percent,
                  TGeometry& G) {
    if (setjmp(Error.Jump)) return TrappedMessage(Error);
    jpeg_stdio_src(&D, Source);
    D.mem->max_memory_to_use = kMaxCodecMemory;
    jpeg_save_markers(&D, JPEG_APP0 + 1, 0xFFFF);  // EXIF, for the orientation
    jpeg_save_markers(&D, JPEG_APP0 + 2, 0xFFFF);  // the ICC profile
    jpeg_read_header(&D, TRUE);
    G.SourceWidth = D.image_width;
    G.SourceHeight = D.image_height;
    G.SourcePixels = std::uint64_t{D.image_width} * D.image_height;
    if (G.SourcePixels > kMaxJpegSourcePixels) return kTooLarge;
    G.Progressive = jpeg_has_multiple_scans(&D);
    G.Width = ScaledDimension(static_cast<int>(D.image_width), Percent);
    G.Height = ScaledDimension(static_cast<int>(D.image_height), Percent);
    G.Cmyk = D.jpeg_color_space == JCS_CMYK || D.jpeg_color_space == JCS_YCCK;
    G.InvertedCmyk = G.Cmyk && D.saw_Adobe_marker;
    G.Orientation = OrientationOf(D);
    G.DensityUnit = D.density_unit;
    G.XDensity = D.X_density;
    G.YDensity = D.Y_density;
    jpeg_read_icc_profile(&D, &G.IccProfile, &G.IccLength);
    // libjpeg turns YCCK into CMYK, not into RGB: the last step is ours.
    // A YCbCr source goes to the encoder as YCbCr: the round trip through
    // RGB would only cost time and round the colours twice.
    G.Ycc = D.jpeg_color_space == JCS_YCbCr;
    D.out_color_space = G.Cmyk ? JCS_CMYK : G.Ycc ? JCS_YCbCr : JCS_RGB;
    D.scale_num = DctScaleNumerator(D, G.Width, G.Height);
    D.scale_denom = 8;
    ReleaseCoefficientsOnceRead(D, Release);
    jpeg_start_decompress(&D);
    return 0;
}

int StartEncoding(jpeg_compress_struct& C, TJpegErrorTrap& Error, FILE* Output,
                  const TGeometry& G) {
    if (setjmp(Error.Jump)) return TrappedMessage(Error);
    jpeg_stdio_dest(&C, Output);
    C.image_width = static_cast<JDIMENSION>(G.Width);
    C.image_height = static_cast<JDIMENSION>(G.Height);
    C.input_components = 3;
    C.in_color_space = G.Ycc ? JCS_YCbCr : JCS_RGB;
    jpeg_set_defaults(&C);
    jpeg_set_quality(&C, 90, TRUE);
    if (G.Progressive) jpeg_simple_progression(&C);
    C.density_unit = G.DensityUnit;
    C.X_density = G.XDensity;
    C.Y_density = G.YDensity;
    jpeg_start_compress(&C, TRUE);
    // The orientation alone, so that the picture stands as it was taken.
    if (G.Orientation > 1) {
        const std::string exif = OrientationOnlyExif(G.Orientation);
        jpeg_write_marker(&C, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                          static_cast<unsigned>(exif.size()));
    }
    // Wide-gamut photos keep their colours.
    if (G.IccProfile) jpeg_write_icc_profile(&C, G.IccProfile, G.IccLength);
    return 0;
}

// One row of the copy from its source row: the columns nearest to its pixel
// centres (`ColumnOffset`), as three samples a pixel: YCbCr for a YCbCr
// source, RGB otherwise.
void PickColumns(const JSAMPLE* Source, JSAMPLE* Out, const JDIMENSION* ColumnOffset,
                 JDIMENSION SourceWidth, JDIMENSION Width, const TGeometry& G) {
    if (G.Cmyk) {
        for (JDIMENSION x = 0; x < Width; ++x)
            CmykToRgb(Source + ColumnOffset[x], Out + 3 * x, G.InvertedCmyk);
    } else if (SourceWidth == Width) {
        std::memcpy(Out, Source, std::size_t{Width} * 3);  // the DCT scale hit the size exactly
    } else {
        for (JDIMENSION x = 0; x < Width; ++x)
            std::memcpy(Out + 3 * x, Source + ColumnOffset[x], 3);
    }
}

// The decoding thread: reads source rows in order and picks, for each row
// of the copy, the source row and columns nearest to its pixel centres.
int DecodeRows(jpeg_decompress_struct& D, TJpegErrorTrap& Error, TRowPipe& Pipe,
               const TGeometry& G) {
    if (setjmp(Error.Jump)) {
        Pipe.Abort();
        return TrappedMessage(Error);
    }
    const JDIMENSION sourceWidth = D.output_width;
    const JDIMENSION sourceHeight = D.output_height;
    const auto components = static_cast<JDIMENSION>(D.output_components);  // 3, or 4 for CMYK
    const auto rowsPerRead = static_cast<JDIMENSION>(D.rec_outbuf_height);
    const auto width = static_cast<JDIMENSION>(G.Width);
    JSAMPARRAY sourceRows = (*D.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&D), JPOOL_IMAGE,
                                                   sourceWidth * components, rowsPerRead);
    auto* columnOffset = static_cast<JDIMENSION*>((*D.mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(&D), JPOOL_IMAGE, sizeof(JDIMENSION) * width));
    for (JDIMENSION x = 0; x < width; ++x) {
        columnOffset[x] =
            static_cast<JDIMENSION>((2ull * x + 1) * sourceWidth / (2ull * width)) * components;
    }
    JDIMENSION firstBuffered = 0;
    JDIMENSION buffered = 0;
    for (JDIMENSION y = 0; y < static_cast<JDIMENSION>(G.Height); ++y) {
        const auto wanted = static_cast<JDIMENSION>((2ull * y + 1) * sourceHeight /
                                                    (2ull * static_cast<unsigned>(G.Height)));
        while (wanted >= firstBuffered + buffered) {
            firstBuffered = D.output_scanline;
            buffered = jpeg_read_scanlines(&D, sourceRows, rowsPerRead);
        }
        JSAMPLE* out = Pipe.FreeRow();
        if (!out) return 0;  // the encoder failed; its error is the one to report
        PickColumns(sourceRows[wanted - firstBuffered], out, columnOffset, sourceWidth, width, G);
        Pipe.Publish();
    }
    jpeg_abort_decompress(&D);  // rows below the last one picked are not needed
    return 0;
}

// Feeds the started encoder every row of the copy. Returns -2 when the
// decoder gave up.
int EncodeRows(jpeg_compress_struct& C, TJpegErrorTrap& Error, TRowPipe& Pipe, const TGeometry& G) {
    if (setjmp(Error.Jump)) {
        Pipe.Abort();
        return TrappedMessage(Error);
    }
    for (int y = 0; y < G.Height; ++y) {
        JSAMPROW row = Pipe.FilledRow();
        if (!row) return -2;
        jpeg_write_scanlines(&C, &row, 1);
        Pipe.Release();
    }
    jpeg_finish_compress(&C);
    return 0;
}

// The encoding side, on the calling thread. Returns -2 when the decoder gave up.
int EncodeCopy(jpeg_compress_struct& C, TJpegErrorTrap& Error, FILE* Output, TRowPipe& Pipe,
               const TGeometry& G) {
    // For a progressive source the encoder takes its buffers once the pipe
    // is full: by then the decoder has given back the pages of its first
    // coefficient rows, so the two never add up.
    const std::size_t firstRows =
        G.Progressive ? std::min(kPipeRows, static_cast<std::size_t>(G.Height)) : 0;
    if (!Pipe.AwaitFilled(firstRows)) return -2;
    if (const int started = StartEncoding(C, Error, Output, G); started != 0) {
        Pipe.Abort();
        return started;
    }
    return EncodeRows(C, Error, Pipe, G);
}

// Returns 0, the codec's message number, kTooLarge or kOutputFailed.
int ResizeWithCodec(TResizeJob& Job) {
    jpeg_decompress_struct d{};
    jpeg_compress_struct c{};
    TJpegErrorTrap decodeError{};
    TJpegErrorTrap encodeError{};
    InitErrorTrap(decodeError);
    InitErrorTrap(encodeError);
    d.err = &decodeError.Pub;
    c.err = &encodeError.Pub;
    jpeg_create_decompress(&d);
    jpeg_create_compress(&c);

    TGeometry geometry;
    TJpegCoefficientRelease release;
    int result = StartDecoding(d, decodeError, release, Job.Source, Job.Percent, geometry);
    if (result == 0) {
        Job.Output = std::fopen(Job.OutputPath, "wb");
        if (!Job.Output) Job.OutputErrno = errno, result = kOutputFailed;
    }
    if (result == 0) {
        TRowPipe pipe(static_cast<std::size_t>(geometry.Width) * 3, kPipeRows);
        int decoded = 0;
        std::thread decoder([&] { decoded = DecodeRows(d, decodeError, pipe, geometry); });
        const int encoded = EncodeCopy(c, encodeError, Job.Output, pipe, geometry);
        decoder.join();
        result = decoded != 0 ? decoded : encoded;
    }
    jpeg_destroy_compress(&c);
    jpeg_destroy_decompress(&d);
    std::free(geometry.IccProfile);
    Job.SourceWidth = geometry.SourceWidth;
    Job.SourceHeight = geometry.SourceHeight;
    return result;
}

struct TFileCloser {
    void operator()(FILE* F) const { std::fclose(F); }
};

}  // namespace

int ScaledDimension(int Source, std::int32_t Percent) {
    const double scaled = static_cast<double>(Source) * (Percent / 100.0);
    if (!(scaled >= 1)) return 1;
    if (scaled >= 2147483647.0) return 2147483647;
    // Round half to even by hand: the JPEG core needs nothing from libm.
    auto whole = static_cast<int>(scaled);
    const double fraction = scaled - whole;  // exact below 2^52
    if (fraction > 0.5 || (fraction == 0.5 && whole % 2 != 0)) ++whole;
    return whole;
}

std::string ResizedCopyPath(const std::string& SourcePath) {
    return platform::TempFolder() + "_tmp_" + platform::FileNamePart(SourcePath);
}

TJpegResizeResult ResizeJpegFile(const std::string& SourcePath, const std::string& OutputPath,
                                 std::int32_t Percent) {
    using TOutcome = TJpegResizeResult::TOutcome;
    TJpegResizeResult result;
    std::unique_ptr<FILE, TFileCloser> source(std::fopen(SourcePath.c_str(), "rb"));
    if (!source) {
        result.Outcome = TOutcome::SourceUnreadable;
        result.Errno = errno;
        return result;
    }
    TResizeJob job;
    job.Source = source.get();
    job.OutputPath = OutputPath.c_str();
    job.Percent = Percent;
    const int code = ResizeWithCodec(job);
    std::unique_ptr<FILE, TFileCloser> output(job.Output);
    const bool writeFailed =
        job.Output && (std::ferror(job.Output) || std::fflush(job.Output) != 0);
    const int writeErrno = errno;
    result.SourceWidth = job.SourceWidth;
    result.SourceHeight = job.SourceHeight;
    if (code == kTooLarge) {
        result.Outcome = TOutcome::TooLarge;
    } else if (code == kOutputFailed) {
        result.Outcome = TOutcome::OutputUnwritable;
        result.Errno = job.OutputErrno;
    } else if (code > 0) {
        result.Outcome = TOutcome::CodecError;
        result.CodecMessage = code;
    } else if (writeFailed) {
        result.Outcome = TOutcome::OutputUnwritable;
        result.Errno = writeErrno;
    }
    return result;
}

}  // namespace vd::app
