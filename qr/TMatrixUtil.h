// Builds the module matrix of a symbol from its final codeword bits:
// function patterns, format and version information, data in the two-column
// zig-zag order with the data mask applied (ISO/IEC 18004 7.3 to 7.10).
#pragma once

#include <cstdint>
#include <vector>

#include "FormatVersionBits.h"
#include "TBitArray.h"
#include "TByteMatrix.h"
#include "TErrorCorrectionLevel.h"

namespace vd::qr {

class TMatrixUtil final {
  public:
    // Rewrites Matrix (17 + 4 * Version square, Version 1..40) completely.
    // MaskPattern 0..7; -1 places the data unmasked and writes no format
    // information. Inconsistencies set MatrixUtilError; nothing is raised.
    void BuildMatrix(const TBitArray& DataBits, const TErrorCorrectionLevel& ecLevel, int Version,
                     int MaskPattern, TByteMatrix& Matrix);

    // Set once an inconsistency was met; never cleared.
    bool MatrixUtilError() const noexcept { return FMatrixUtilError; }

    // The steps of BuildMatrix, in order; each sees what the earlier wrote.
    // The mask choice runs the first four once per symbol and the last two
    // once per mask.

    // Clears to empty, then finder patterns, separators, dark module,
    // alignment patterns and timing patterns.
    void DrawFunctionPatterns(int Version, TByteMatrix& Matrix);
    // Both copies of the format word; nothing for a mask outside 0..7.
    void EmbedFormatBits(const TErrorCorrectionLevel& ecLevel, int MaskPattern,
                         TByteMatrix& Matrix);
    // Both copies of the version word, for versions 7 and higher.
    void EmbedVersionBits(int Version, TByteMatrix& Matrix);
    // Fills every empty cell with the next data bit (0 when they run out),
    // marked as data (kDataCell | bit) until ApplyMask.
    void PlaceData(const TBitArray& DataBits, TByteMatrix& Matrix);
    // The empty cells of Matrix as Y * Width + X, in the order PlaceData
    // fills them.
    static std::vector<std::uint32_t> FreeCells(const TByteMatrix& Matrix);
    // Turns the marked data cells into modules, inverted where MaskPattern
    // says (every one for a pattern outside 0..7, none for -1).
    static void ApplyMask(int MaskPattern, TByteMatrix& Matrix);
    // The same from a placed matrix into another of the same size; the
    // function modules are copied.
    static void ApplyMask(const TByteMatrix& Placed, int MaskPattern, TByteMatrix& Matrix);

    static constexpr std::uint8_t kDataCell = 2;

    // Calls Write(X, Y, Dark) for both copies of every module of the format
    // word, in the order EmbedFormatBits writes them; MaskPattern 0..7.
    template <typename Write>
    static void ForEachFormatModule(int LevelBits, int MaskPattern, int Width, int Height,
                                    Write write);

  private:
    bool WritePattern(const char* const* Rows, int Width, int Height, int X, int Y,
                      TByteMatrix& Matrix);
    void DrawFinderPatterns(TByteMatrix& Matrix);
    void DrawSeparators(TByteMatrix& Matrix);
    void DrawDarkModule(TByteMatrix& Matrix);
    void DrawAlignmentPatterns(int Version, TByteMatrix& Matrix);
    static void DrawTimingPatterns(TByteMatrix& Matrix);

    bool FMatrixUtilError = false;
};

// Where the 15 format bits go around the top-left finder, bit 0 first
// (ISO/IEC 18004 7.9.1, Figure 25).
inline constexpr int kFormatPositions[15][2] = {
    {8, 0}, {8, 1}, {8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 7}, {8, 8},
    {7, 8}, {5, 8}, {4, 8}, {3, 8}, {2, 8}, {1, 8}, {0, 8},
};

template <typename Write>
void TMatrixUtil::ForEachFormatModule(int LevelBits, int MaskPattern, int Width, int Height,
                                      Write write) {
    // A plain word rather than a bit sequence: the mask choice asks for it
    // eight times per symbol.
    const std::uint32_t word = FormatWord(LevelBits, MaskPattern);
    for (int i = 0; i < 15; ++i) {
        const bool bit = ((word >> i) & 1) != 0;  // bit i from the least significant
        write(kFormatPositions[i][0], kFormatPositions[i][1], bit);
        if (i < 8)
            write(Width - 1 - i, 8, bit);
        else
            write(8, Height - 15 + i, bit);
    }
}

}  // namespace vd::qr
