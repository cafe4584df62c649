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

/// How a printer's colours are stored: CMYK or YCCK, inverted as Adobe's
/// applications write them (with their APP14 marker) or as they are.
struct TInkJpeg {
    std::uint8_t Cyan = 0, Magenta = 0, Yellow = 0, Black = 0;  // 0: no ink, 255: full
    bool Ycck = false;
    bool AdobeInverted = true;
};

/// Writes a Width x Height picture of one ink colour.
void WriteInkJpeg(const std::string& Path, int Width, int Height, const TInkJpeg& Ink);

/// Writes a small RGB picture carrying `IccProfile` as its ICC profile.
void WriteJpegWithIcc(const std::string& Path, const std::string& IccProfile,
                      bool Progressive = false);

/// The ICC profile of a JPEG file; empty when it has none.
std::string ReadIccProfile(const std::string& Path);

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
