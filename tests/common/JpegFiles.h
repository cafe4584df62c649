#pragma once
// Writing and inspecting JPEG files for tests, straight through libjpeg.

#include <cstdint>
#include <string>

namespace vd::test {

/// Colours of the test picture's four quadrants, top-left clockwise.
inline constexpr std::uint32_t kQuadrantColours[4] = {0xE02020, 0x20C020, 0x2020E0, 0xF0F0F0};

/// Writes a Width x Height picture of four coloured quadrants.
void WriteQuadrantJpeg(const std::string& Path, int Width, int Height, bool Progressive,
                       int Quality = 85);

struct TJpegInfo {
    int Width = 0;
    int Height = 0;
    bool Progressive = false;
    int LuminanceQuant0 = 0;  // first entry of quantisation table 0: 3 at quality 90
    bool Valid = false;
};

TJpegInfo ReadJpegInfo(const std::string& Path);

/// The decoded colour (0xRRGGBB) at a pixel.
std::uint32_t JpegPixel(const std::string& Path, int X, int Y);

/// True when two colours differ by at most `Tolerance` in every channel.
bool SimilarColour(std::uint32_t A, std::uint32_t B, int Tolerance = 40);

}  // namespace vd::test
