#include "app/core/ResizeJPG.h"

#include <csetjmp>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>

#include "platform/SpecialFolders.h"

namespace vd::app {
namespace {

// libjpeg reports errors through a callback that must not return; a long
// jump back to the codec's caller is the one way out that never unwinds
// C++ frames. Everything between the jump and its target is plain C.
struct TJpegErrorManager {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
};

[[noreturn]] void ErrorExit(j_common_ptr Codec) {
    std::longjmp(reinterpret_cast<TJpegErrorManager*>(Codec->err)->Jump, 1);
}

void IgnoreMessage(j_common_ptr, int) {}  // warnings (a truncated file) are not errors

struct TResizeJob {
    FILE* Source = nullptr;
    const char* OutputPath = nullptr;
    std::int32_t Percent = 100;
    FILE* Output = nullptr;  // opened once the source is known to be a JPEG
    int OutputErrno = 0;
};

// The smallest k/8 decode scale whose output still covers the target, so
// that the final pick of rows and columns only ever drops pixels.
unsigned DctScaleNumerator(const jpeg_decompress_struct& D, int TargetWidth, int TargetHeight) {
    for (unsigned k = 1; k < 8; ++k) {
        const auto w = (static_cast<unsigned long>(D.image_width) * k + 7) / 8;
        const auto h = (static_cast<unsigned long>(D.image_height) * k + 7) / 8;
        if (w >= static_cast<unsigned long>(TargetWidth) && h >= static_cast<unsigned long>(TargetHeight)) return k;
    }
    return 8;
}

void SetUpEncoder(jpeg_compress_struct& C, const jpeg_decompress_struct& D, int Width, int Height, bool Progressive) {
    C.image_width = static_cast<JDIMENSION>(Width);
    C.image_height = static_cast<JDIMENSION>(Height);
    C.input_components = 3;
    C.in_color_space = JCS_RGB;
    jpeg_set_defaults(&C);
    jpeg_set_quality(&C, 90, TRUE);
    if (Progressive) jpeg_simple_progression(&C);
    C.density_unit = D.density_unit;  // keep the source's stated resolution
    C.X_density = D.X_density;
    C.Y_density = D.Y_density;
}

// Streams the source through the scaler into the encoder. Returns 0, or
// the codec's message number (negative: the output could not be opened).
int RunCodec(TResizeJob& Job, jpeg_decompress_struct& D, jpeg_compress_struct& C) {
    jpeg_read_header(&D, TRUE);
    const bool progressive = jpeg_has_multiple_scans(&D);
    const int width = ScaledDimension(static_cast<int>(D.image_width), Job.Percent);
    const int height = ScaledDimension(static_cast<int>(D.image_height), Job.Percent);
    D.out_color_space = JCS_RGB;
    D.scale_num = DctScaleNumerator(D, width, height);
    D.scale_denom = 8;
    jpeg_start_decompress(&D);

    Job.Output = std::fopen(Job.OutputPath, "wb");
    if (!Job.Output) {
        Job.OutputErrno = errno;
        return -1;
    }
    jpeg_stdio_dest(&C, Job.Output);
    SetUpEncoder(C, D, width, height, progressive);
    jpeg_start_compress(&C, TRUE);

    const JDIMENSION sourceWidth = D.output_width;
    const JDIMENSION sourceHeight = D.output_height;
    const auto rowsPerRead = static_cast<JDIMENSION>(D.rec_outbuf_height);
    JSAMPARRAY sourceRows = (*D.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&D), JPOOL_IMAGE, sourceWidth * 3, rowsPerRead);
    JSAMPARRAY outputRow = (*C.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&C), JPOOL_IMAGE, static_cast<JDIMENSION>(width) * 3, 1);
    auto* columnOffset = static_cast<JDIMENSION*>(
        (*C.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&C), JPOOL_IMAGE, sizeof(JDIMENSION) * static_cast<size_t>(width)));
    for (int x = 0; x < width; ++x) {
        columnOffset[x] = static_cast<JDIMENSION>((2ull * static_cast<unsigned>(x) + 1) * sourceWidth / (2ull * static_cast<unsigned>(width))) * 3;
    }

    // Output row y shows source row (2y+1)*H/(2h): the nearest centre.
    JDIMENSION firstBuffered = 0;
    JDIMENSION buffered = 0;
    for (JDIMENSION y = 0; y < static_cast<JDIMENSION>(height); ++y) {
        const auto wanted = static_cast<JDIMENSION>((2ull * y + 1) * sourceHeight / (2ull * static_cast<unsigned>(height)));
        while (wanted >= firstBuffered + buffered) {
            firstBuffered = D.output_scanline;
            buffered = jpeg_read_scanlines(&D, sourceRows, rowsPerRead);
        }
        JSAMPROW source = sourceRows[wanted - firstBuffered];
        if (sourceWidth == static_cast<JDIMENSION>(width)) {
            jpeg_write_scanlines(&C, &source, 1);  // the DCT scale hit the size exactly
            continue;
        }
        JSAMPLE* out = outputRow[0];
        for (int x = 0; x < width; ++x, out += 3) std::memcpy(out, source + columnOffset[x], 3);
        jpeg_write_scanlines(&C, outputRow, 1);
    }
    jpeg_finish_compress(&C);
    jpeg_abort_decompress(&D);  // rows below the last one picked are not needed
    return 0;
}

int ResizeWithCodec(TResizeJob& Job) {
    jpeg_decompress_struct d{};
    jpeg_compress_struct c{};
    TJpegErrorManager error{};
    d.err = jpeg_std_error(&error.Pub);
    error.Pub.error_exit = ErrorExit;
    error.Pub.emit_message = IgnoreMessage;
    c.err = &error.Pub;
    jpeg_create_decompress(&d);
    jpeg_create_compress(&c);
    int result = 0;
    if (setjmp(error.Jump) == 0) {
        jpeg_stdio_src(&d, Job.Source);
        result = RunCodec(Job, d, c);
    } else {
        result = error.Pub.msg_code > 0 ? error.Pub.msg_code : 1;
    }
    jpeg_destroy_compress(&c);
    jpeg_destroy_decompress(&d);
    return result;
}

struct TFileCloser {
    void operator()(FILE* F) const { std::fclose(F); }
};

QString SystemMessage(int Errno) { return QString::fromLocal8Bit(std::strerror(Errno)); }

}  // namespace

EJPEGError::EJPEGError(int Code)
    : std::runtime_error("JPEG-Fehler #" + std::to_string(Code)), FCode(Code) {}

int ScaledDimension(int Source, std::int32_t Percent) {
    const double scaled = std::nearbyint(static_cast<double>(Source) * (Percent / 100.0));  // ties to even
    return scaled < 1 ? 1 : static_cast<int>(std::min(scaled, 2147483647.0));
}

QString ResizeJPG(const QString& FileName, std::int32_t Percent) {
    const QString out = QString::fromStdString(platform::TempFolder()) + QStringLiteral("_tmp_") +
                        QString::fromStdString(platform::FileNamePart(FileName.toStdString()));
    const QByteArray sourcePath = FileName.toLocal8Bit();
    const QByteArray outputPath = out.toLocal8Bit();

    std::unique_ptr<FILE, TFileCloser> source(std::fopen(sourcePath.constData(), "rb"));
    if (!source) {
        throw EFileError(QStringLiteral("Datei %1 kann nicht geöffnet werden. %2").arg(FileName, SystemMessage(errno)).toStdString());
    }
    TResizeJob job;
    job.Source = source.get();
    job.OutputPath = outputPath.constData();
    job.Percent = Percent;
    const int code = ResizeWithCodec(job);
    std::unique_ptr<FILE, TFileCloser> output(job.Output);
    const bool writeFailed = job.Output && (std::ferror(job.Output) || std::fflush(job.Output) != 0);
    if (code < 0 || (code == 0 && writeFailed)) {
        const int err = code < 0 ? job.OutputErrno : errno;
        throw EFileError(QStringLiteral("Datei %1 kann nicht erstellt werden. %2").arg(out, SystemMessage(err)).toStdString());
    }
    if (code > 0) throw EJPEGError(code);
    return out;
}

}  // namespace vd::app
