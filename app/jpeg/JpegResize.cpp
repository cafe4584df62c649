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

struct TFileCloser {
    void operator()(FILE* F) const { std::fclose(F); }
};
using TFilePtr = std::unique_ptr<FILE, TFileCloser>;

// How one step of the copy ended. The decoding and the encoding thread each
// report one, and a failing side stops the other, which then must not bury
// the real error under its own.
enum class TStepOutcome {
    Done,
    CodecError,       // `CodecMessage` is the codec's message number
    TooLarge,         // the header declares more than kMaxJpegSourcePixels
    OutputUnopened,   // not for errors while writing, which the codec reports
    OtherSideFailed,  // the other thread failed; its result names the error
};

struct TStepResult {
    TStepOutcome Outcome = TStepOutcome::Done;
    int CodecMessage = 0;
};

constexpr TStepResult kStepDone{};

TStepResult CodecFailure(const TJpegErrorTrap& Error) {
    return {TStepOutcome::CodecError, TrappedMessage(Error)};
}

// What the codec run is given.
struct TResizeRequest {
    FILE* Source = nullptr;
    const char* OutputPath = nullptr;
    std::int32_t Percent = 100;
};

// What the codec run leaves behind. The output file stays open, so that the
// caller can tell whether everything written reached it.
struct TCodecResult {
    TStepResult Status;
    TFilePtr Output;    // opened once the source is known to be a JPEG
    int OpenErrno = 0;  // why the output could not be opened
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

// How the copy is made, all decided from the source's header: its size, and
// what of the source it keeps or has to convert.
struct TCopyPlan {
    int Width = 0;  // of the copy
    int Height = 0;
    bool Progressive = false;
    bool Cmyk = false;             // the source is CMYK or YCCK: rows come as CMYK
    bool InvertedCmyk = false;     // as Adobe's applications write it
    bool Ycc = false;              // rows stay YCbCr from decoder to encoder
    int Orientation = 0;           // EXIF, 0 for none
    JOCTET* IccProfile = nullptr;  // malloc'ed by the codec; freed by ResizeWithCodec
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

// The copy's size and what it takes over from the source, from fields the
// header has filled in; no codec call here, so no jump target either.
void PlanCopy(const jpeg_decompress_struct& D, std::int32_t Percent, TCopyPlan& Plan) {
    Plan.Width = ScaledDimension(static_cast<int>(D.image_width), Percent);
    Plan.Height = ScaledDimension(static_cast<int>(D.image_height), Percent);
    Plan.Cmyk = D.jpeg_color_space == JCS_CMYK || D.jpeg_color_space == JCS_YCCK;
    Plan.InvertedCmyk = Plan.Cmyk && D.saw_Adobe_marker;
    Plan.Orientation = OrientationOf(D);
    Plan.DensityUnit = D.density_unit;
    Plan.XDensity = D.X_density;
    Plan.YDensity = D.Y_density;
    // A YCbCr source goes to the encoder as YCbCr: the round trip through
    // RGB would only cost time and round the colours twice.
    Plan.Ycc = D.jpeg_color_space == JCS_YCbCr;
}

// Each function below that calls libjpeg sets its own jump target and keeps
// only plain locals, since the codec's error exit jumps back into it.

TStepResult StartDecoding(jpeg_decompress_struct& D, TJpegErrorTrap& Error,
                          TJpegCoefficientRelease& Release, FILE* Source, std::int32_t Percent,
                          TCopyPlan& Plan) {
    if (setjmp(Error.Jump)) return CodecFailure(Error);
    jpeg_stdio_src(&D, Source);
    D.mem->max_memory_to_use = kMaxCodecMemory;
    jpeg_save_markers(&D, JPEG_APP0 + 1, 0xFFFF);  // EXIF, for the orientation
    jpeg_save_markers(&D, JPEG_APP0 + 2, 0xFFFF);  // the ICC profile
    jpeg_read_header(&D, TRUE);
    Plan.SourceWidth = D.image_width;
    Plan.SourceHeight = D.image_height;
    Plan.SourcePixels = std::uint64_t{D.image_width} * D.image_height;
    if (Plan.SourcePixels > kMaxJpegSourcePixels) return {TStepOutcome::TooLarge};
    Plan.Progressive = jpeg_has_multiple_scans(&D);
    PlanCopy(D, Percent, Plan);
    jpeg_read_icc_profile(&D, &Plan.IccProfile, &Plan.IccLength);
    // libjpeg turns YCCK into CMYK, not into RGB: the last step is ours.
    D.out_color_space = Plan.Cmyk ? JCS_CMYK : Plan.Ycc ? JCS_YCbCr : JCS_RGB;
    D.scale_num = DctScaleNumerator(D, Plan.Width, Plan.Height);
    D.scale_denom = 8;
    ReleaseCoefficientsOnceRead(D, Release);
    jpeg_start_decompress(&D);
    return kStepDone;
}

TStepResult StartEncoding(jpeg_compress_struct& C, TJpegErrorTrap& Error, FILE* Output,
                          const TCopyPlan& Plan) {
    if (setjmp(Error.Jump)) return CodecFailure(Error);
    jpeg_stdio_dest(&C, Output);
    C.image_width = static_cast<JDIMENSION>(Plan.Width);
    C.image_height = static_cast<JDIMENSION>(Plan.Height);
    C.input_components = 3;
    C.in_color_space = Plan.Ycc ? JCS_YCbCr : JCS_RGB;
    jpeg_set_defaults(&C);
    jpeg_set_quality(&C, 90, TRUE);
    if (Plan.Progressive) jpeg_simple_progression(&C);
    C.density_unit = Plan.DensityUnit;
    C.X_density = Plan.XDensity;
    C.Y_density = Plan.YDensity;
    jpeg_start_compress(&C, TRUE);
    // The orientation alone, so that the picture stands as it was taken.
    if (Plan.Orientation > 1) {
        const std::string exif = OrientationOnlyExif(Plan.Orientation);
        jpeg_write_marker(&C, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                          static_cast<unsigned>(exif.size()));
    }
    // Wide-gamut photos keep their colours.
    if (Plan.IccProfile) jpeg_write_icc_profile(&C, Plan.IccProfile, Plan.IccLength);
    return kStepDone;
}

// For each column of the copy, where the source column nearest to its pixel
// centre starts in a decoded row.
void FillColumnOffsets(JDIMENSION* ColumnOffset, JDIMENSION Width, JDIMENSION SourceWidth,
                       JDIMENSION Components) {
    for (JDIMENSION x = 0; x < Width; ++x) {
        ColumnOffset[x] =
            static_cast<JDIMENSION>((2ull * x + 1) * SourceWidth / (2ull * Width)) * Components;
    }
}

// One row of the copy from its source row: the columns nearest to its pixel
// centres (`ColumnOffset`), as three samples a pixel: YCbCr for a YCbCr
// source, RGB otherwise.
void PickColumns(const JSAMPLE* Source, JSAMPLE* Out, const JDIMENSION* ColumnOffset,
                 JDIMENSION SourceWidth, JDIMENSION Width, const TCopyPlan& Plan) {
    if (Plan.Cmyk) {
        for (JDIMENSION x = 0; x < Width; ++x)
            CmykToRgb(Source + ColumnOffset[x], Out + 3 * x, Plan.InvertedCmyk);
    } else if (SourceWidth == Width) {
        std::memcpy(Out, Source, std::size_t{Width} * 3);  // the DCT scale hit the size exactly
    } else {
        for (JDIMENSION x = 0; x < Width; ++x)
            std::memcpy(Out + 3 * x, Source + ColumnOffset[x], 3);
    }
}

// The decoding thread: reads source rows in order and picks, for each row
// of the copy, the source row and columns nearest to its pixel centres.
TStepResult DecodeRows(jpeg_decompress_struct& D, TJpegErrorTrap& Error, TRowPipe& Pipe,
                       const TCopyPlan& Plan) {
    if (setjmp(Error.Jump)) {
        Pipe.Abort();
        return CodecFailure(Error);
    }
    const JDIMENSION sourceWidth = D.output_width;
    const JDIMENSION sourceHeight = D.output_height;
    const auto components = static_cast<JDIMENSION>(D.output_components);  // 3, or 4 for CMYK
    const auto rowsPerRead = static_cast<JDIMENSION>(D.rec_outbuf_height);
    const auto width = static_cast<JDIMENSION>(Plan.Width);
    JSAMPARRAY sourceRows = (*D.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&D), JPOOL_IMAGE,
                                                   sourceWidth * components, rowsPerRead);
    auto* columnOffset = static_cast<JDIMENSION*>((*D.mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(&D), JPOOL_IMAGE, sizeof(JDIMENSION) * width));
    FillColumnOffsets(columnOffset, width, sourceWidth, components);
    JDIMENSION firstBuffered = 0;
    JDIMENSION buffered = 0;
    for (JDIMENSION y = 0; y < static_cast<JDIMENSION>(Plan.Height); ++y) {
        const auto wanted = static_cast<JDIMENSION>((2ull * y + 1) * sourceHeight /
                                                    (2ull * static_cast<unsigned>(Plan.Height)));
        while (wanted >= firstBuffered + buffered) {
            firstBuffered = D.output_scanline;
            buffered = jpeg_read_scanlines(&D, sourceRows, rowsPerRead);
        }
        JSAMPLE* out = Pipe.FreeRow();
        if (!out) return {TStepOutcome::OtherSideFailed};  // the encoder's error is reported
        PickColumns(sourceRows[wanted - firstBuffered], out, columnOffset, sourceWidth, width,
                    Plan);
        Pipe.Publish();
    }
    jpeg_abort_decompress(&D);  // rows below the last one picked are not needed
    return kStepDone;
}

// Feeds the started encoder every row of the copy.
TStepResult EncodeRows(jpeg_compress_struct& C, TJpegErrorTrap& Error, TRowPipe& Pipe,
                       const TCopyPlan& Plan) {
    if (setjmp(Error.Jump)) {
        Pipe.Abort();
        return CodecFailure(Error);
    }
    for (int y = 0; y < Plan.Height; ++y) {
        JSAMPROW row = Pipe.FilledRow();
        if (!row) return {TStepOutcome::OtherSideFailed};  // the decoder's error is reported
        jpeg_write_scanlines(&C, &row, 1);
        Pipe.Release();
    }
    jpeg_finish_compress(&C);
    return kStepDone;
}

// The encoding side, on the calling thread.
TStepResult EncodeCopy(jpeg_compress_struct& C, TJpegErrorTrap& Error, FILE* Output, TRowPipe& Pipe,
                       const TCopyPlan& Plan) {
    // For a progressive source the encoder takes its buffers once the pipe
    // is full: by then the decoder has given back the pages of its first
    // coefficient rows, so the two never add up.
    const std::size_t firstRows =
        Plan.Progressive ? std::min(kPipeRows, static_cast<std::size_t>(Plan.Height)) : 0;
    if (!Pipe.AwaitFilled(firstRows)) return {TStepOutcome::OtherSideFailed};
    if (const TStepResult started = StartEncoding(C, Error, Output, Plan);
        started.Outcome != TStepOutcome::Done) {
        Pipe.Abort();
        return started;
    }
    return EncodeRows(C, Error, Pipe, Plan);
}

// Both codecs of one copy, each with its own error trap, since they run on
// different threads.
struct TCodecs {
    jpeg_decompress_struct Decoder{};
    jpeg_compress_struct Encoder{};
    TJpegErrorTrap DecodeError{};
    TJpegErrorTrap EncodeError{};
};

void CreateCodecs(TCodecs& Codecs) {
    InitErrorTrap(Codecs.DecodeError);
    InitErrorTrap(Codecs.EncodeError);
    Codecs.Decoder.err = &Codecs.DecodeError.Pub;
    Codecs.Encoder.err = &Codecs.EncodeError.Pub;
    jpeg_create_decompress(&Codecs.Decoder);
    jpeg_create_compress(&Codecs.Encoder);
}

void DestroyCodecs(TCodecs& Codecs) {
    jpeg_destroy_compress(&Codecs.Encoder);
    jpeg_destroy_decompress(&Codecs.Decoder);
}

// Decodes on a thread of its own while this one encodes. When either side
// fails, the decoder's error is the one to report if it has one: the
// encoder then only saw the rows run out.
TStepResult CopyRows(TCodecs& Codecs, FILE* Output, const TCopyPlan& Plan) {
    TRowPipe pipe(static_cast<std::size_t>(Plan.Width) * 3, kPipeRows);
    TStepResult decoded;
    std::thread decoder(
        [&] { decoded = DecodeRows(Codecs.Decoder, Codecs.DecodeError, pipe, Plan); });
    const TStepResult encoded = EncodeCopy(Codecs.Encoder, Codecs.EncodeError, Output, pipe, Plan);
    decoder.join();
    return decoded.Outcome == TStepOutcome::CodecError ? decoded : encoded;
}

TCodecResult ResizeWithCodec(const TResizeRequest& Request) {
    TCodecs codecs;
    CreateCodecs(codecs);
    TCopyPlan plan;
    TJpegCoefficientRelease release;
    TCodecResult result;
    result.Status = StartDecoding(codecs.Decoder, codecs.DecodeError, release, Request.Source,
                                  Request.Percent, plan);
    if (result.Status.Outcome == TStepOutcome::Done) {
        result.Output.reset(std::fopen(Request.OutputPath, "wb"));
        if (!result.Output) {
            result.OpenErrno = errno;
            result.Status = {TStepOutcome::OutputUnopened};
        }
    }
    if (result.Status.Outcome == TStepOutcome::Done)
        result.Status = CopyRows(codecs, result.Output.get(), plan);
    DestroyCodecs(codecs);
    std::free(plan.IccProfile);
    result.SourceWidth = plan.SourceWidth;
    result.SourceHeight = plan.SourceHeight;
    return result;
}

// What the caller learns: the codec run's end, unless everything went well
// but the written bytes did not reach the file.
TJpegResizeResult Reported(const TCodecResult& Run, bool WriteFailed, int WriteErrno) {
    using TOutcome = TJpegResizeResult::TOutcome;
    TJpegResizeResult result;
    result.SourceWidth = Run.SourceWidth;
    result.SourceHeight = Run.SourceHeight;
    switch (Run.Status.Outcome) {
        case TStepOutcome::TooLarge:
            result.Outcome = TOutcome::TooLarge;
            return result;
        case TStepOutcome::OutputUnopened:
            result.Outcome = TOutcome::OutputUnwritable;
            result.Errno = Run.OpenErrno;
            return result;
        case TStepOutcome::CodecError:
            result.Outcome = TOutcome::CodecError;
            result.CodecMessage = Run.Status.CodecMessage;
            return result;
        case TStepOutcome::Done:
        case TStepOutcome::OtherSideFailed:  // never last: the failing side's error wins
            break;
    }
    if (WriteFailed) {
        result.Outcome = TOutcome::OutputUnwritable;
        result.Errno = WriteErrno;
    }
    return result;
}

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
    const TFilePtr source(std::fopen(SourcePath.c_str(), "rb"));
    if (!source) {
        TJpegResizeResult result;
        result.Outcome = TJpegResizeResult::TOutcome::SourceUnreadable;
        result.Errno = errno;
        return result;
    }
    const TCodecResult run = ResizeWithCodec({source.get(), OutputPath.c_str(), Percent});
    FILE* output = run.Output.get();
    const bool writeFailed = output && (std::ferror(output) || std::fflush(output) != 0);
    const int writeErrno = errno;
    return Reported(run, writeFailed, writeErrno);
}

}  // namespace vd::app
