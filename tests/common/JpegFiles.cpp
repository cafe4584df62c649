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
