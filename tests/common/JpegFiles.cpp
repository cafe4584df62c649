#include "common/JpegFiles.h"

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vd::test {

void WriteQuadrantJpeg(const std::string& Path, int Width, int Height, bool Progressive,
                       int Quality) {
    FILE* out = std::fopen(Path.c_str(), "wb");
    if (!out) std::abort();
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, out);
    c.image_width = static_cast<JDIMENSION>(Width);
    c.image_height = static_cast<JDIMENSION>(Height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, Quality, TRUE);
    if (Progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(Width) * 3);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const int quadrant =
                (y * 2 >= Height) ? (x * 2 >= Width ? 2 : 3) : (x * 2 >= Width ? 1 : 0);
            const std::uint32_t colour = kQuadrantColours[quadrant];
            row[x * 3] = static_cast<JSAMPLE>(colour >> 16);
            row[x * 3 + 1] = static_cast<JSAMPLE>(colour >> 8);
            row[x * 3 + 2] = static_cast<JSAMPLE>(colour);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(out);
}

namespace {

// A compressor writing to `Path`; the caller sets the image and starts it.
struct TCompressor {
    FILE* Out;
    jpeg_compress_struct C{};
    jpeg_error_mgr Err{};
    explicit TCompressor(const std::string& Path) : Out(std::fopen(Path.c_str(), "wb")) {
        if (!Out) std::abort();
        C.err = jpeg_std_error(&Err);
        jpeg_create_compress(&C);
        jpeg_stdio_dest(&C, Out);
    }
    void WriteRows(const std::vector<JSAMPLE>& Row, int Height) {
        JSAMPROW rows[1] = {const_cast<JSAMPLE*>(Row.data())};
        for (int y = 0; y < Height; ++y) jpeg_write_scanlines(&C, rows, 1);
    }
    ~TCompressor() {
        jpeg_finish_compress(&C);
        jpeg_destroy_compress(&C);
        std::fclose(Out);
    }
};

}  // namespace

void WriteInkJpeg(const std::string& Path, int Width, int Height, const TInkJpeg& Ink) {
    TCompressor out(Path);
    out.C.image_width = static_cast<JDIMENSION>(Width);
    out.C.image_height = static_cast<JDIMENSION>(Height);
    out.C.input_components = 4;
    out.C.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&out.C);
    jpeg_set_colorspace(&out.C, Ink.Ycck ? JCS_YCCK : JCS_CMYK);
    // libjpeg marks CMYK and YCCK with Adobe's APP14; plain CMYK goes without.
    out.C.write_Adobe_marker = Ink.AdobeInverted;
    jpeg_start_compress(&out.C, TRUE);
    const std::uint8_t inks[4] = {Ink.Cyan, Ink.Magenta, Ink.Yellow, Ink.Black};
    std::vector<JSAMPLE> row(static_cast<std::size_t>(Width) * 4);
    for (std::size_t i = 0; i < row.size(); ++i) {
        const std::uint8_t ink = inks[i % 4];
        row[i] = static_cast<JSAMPLE>(Ink.AdobeInverted ? 255 - ink : ink);
    }
    out.WriteRows(row, Height);
}

void WriteJpegWithIcc(const std::string& Path, const std::string& IccProfile, bool Progressive) {
    TCompressor out(Path);
    out.C.image_width = 16;
    out.C.image_height = 16;
    out.C.input_components = 3;
    out.C.in_color_space = JCS_RGB;
    jpeg_set_defaults(&out.C);
    if (Progressive) jpeg_simple_progression(&out.C);
    jpeg_start_compress(&out.C, TRUE);
    jpeg_write_icc_profile(&out.C, reinterpret_cast<const JOCTET*>(IccProfile.data()),
                           static_cast<unsigned>(IccProfile.size()));
    out.WriteRows(std::vector<JSAMPLE>(16 * 3, 128), 16);
}

namespace {

// Opens a file for decoding; returns false when libjpeg would fail on it.
bool StartDecoding(FILE* In, jpeg_decompress_struct& D, jpeg_error_mgr& Err) {
    D.err = jpeg_std_error(&Err);
    jpeg_create_decompress(&D);
    jpeg_stdio_src(&D, In);
    std::fseek(In, 0, SEEK_SET);
    unsigned char soi[2] = {};
    if (std::fread(soi, 1, 2, In) != 2 || soi[0] != 0xFF || soi[1] != 0xD8) return false;
    std::fseek(In, 0, SEEK_SET);
    jpeg_read_header(&D, TRUE);
    return true;
}

}  // namespace

std::string ReadIccProfile(const std::string& Path) {
    FILE* in = std::fopen(Path.c_str(), "rb");
    if (!in) return {};
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    std::string profile;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_stdio_src(&d, in);
    jpeg_save_markers(&d, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&d, TRUE);
    JOCTET* data = nullptr;
    unsigned length = 0;
    if (jpeg_read_icc_profile(&d, &data, &length)) {
        profile.assign(reinterpret_cast<const char*>(data), length);
        std::free(data);
    }
    jpeg_destroy_decompress(&d);
    std::fclose(in);
    return profile;
}

TJpegInfo ReadJpegInfo(const std::string& Path) {
    TJpegInfo info;
    FILE* in = std::fopen(Path.c_str(), "rb");
    if (!in) return info;
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    if (StartDecoding(in, d, err)) {
        info.Width = static_cast<int>(d.image_width);
        info.Height = static_cast<int>(d.image_height);
        info.Progressive = jpeg_has_multiple_scans(&d);
        info.LuminanceQuant0 = d.quant_tbl_ptrs[0] ? d.quant_tbl_ptrs[0]->quantval[0] : 0;
        info.Valid = true;
    }
    jpeg_destroy_decompress(&d);
    std::fclose(in);
    return info;
}

std::uint32_t JpegPixel(const std::string& Path, int X, int Y) {
    FILE* in = std::fopen(Path.c_str(), "rb");
    if (!in) return 0xFFFFFFFF;
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    std::uint32_t colour = 0xFFFFFFFF;
    if (StartDecoding(in, d, err)) {
        d.out_color_space = JCS_RGB;
        jpeg_start_decompress(&d);
        std::vector<JSAMPLE> row(static_cast<std::size_t>(d.output_width) * 3);
        JSAMPROW rows[1] = {row.data()};
        while (d.output_scanline <= static_cast<JDIMENSION>(Y)) jpeg_read_scanlines(&d, rows, 1);
        colour = (std::uint32_t{row[X * 3]} << 16) | (std::uint32_t{row[X * 3 + 1]} << 8) |
                 row[X * 3 + 2];
        jpeg_abort_decompress(&d);
    }
    jpeg_destroy_decompress(&d);
    std::fclose(in);
    return colour;
}

bool SimilarColour(std::uint32_t A, std::uint32_t B, int Tolerance) {
    for (int shift : {16, 8, 0}) {
        if (std::abs(static_cast<int>((A >> shift) & 0xFF) -
                     static_cast<int>((B >> shift) & 0xFF)) > Tolerance)
            return false;
    }
    return true;
}

}  // namespace vd::test
