#include "TMatrixUtil.h"

#include <array>

#include "FormatVersionBits.h"
#include "TMaskUtil.h"
#include "VersionTable.h"

namespace vd::qr {

namespace {

constexpr std::uint8_t kEmpty = 255;

// Patterns as rows of '1' (dark) and '0' (light): ISO/IEC 18004 Figures 10
// (finder) and 11 (alignment), and the light separators around the finders.
constexpr const char* kFinderPattern[] = {"1111111", "1000001", "1011101", "1011101",
                                          "1011101", "1000001", "1111111"};
constexpr const char* kAlignmentPattern[] = {"11111", "10001", "10101", "10001", "11111"};
constexpr const char* kHorizontalSeparator[] = {"00000000"};
constexpr const char* kVerticalSeparator[] = {"0", "0", "0", "0", "0", "0", "0"};

// Bit i of a word, counted from its least significant bit.
bool WordBit(const TBitArray& word, int i) { return word.Get(word.GetSize() - 1 - i); }

// Data cells (marked kDataCell | bit) become their bit, inverted where
// Invert says; function modules are copied as they are.
template <typename Invert>
void MaskRows(const T2DByteArray& from, T2DByteArray& to, Invert invert) {
    for (std::size_t y = 0; y < from.size(); ++y) {
        const std::uint8_t* source = from[y].data();
        std::uint8_t* target = to[y].data();
        const int width = static_cast<int>(from[y].size());
        for (int x = 0; x < width; ++x) {
            const std::uint8_t cell = source[x];
            const bool data = cell != kEmpty && (cell & TMatrixUtil::kDataCell) != 0;
            target[x] = data ? static_cast<std::uint8_t>((cell & 1) ^ invert(x, int(y))) : cell;
        }
    }
}

// One loop per mask, so that the condition is known inside it.
template <int Mask>
void MaskRowsWith(const T2DByteArray& from, T2DByteArray& to) {
    MaskRows(from, to, [](int x, int y) { return TMaskUtil::GetDataMaskBit(Mask, x, y) ? 1 : 0; });
}

// Calls Visit(x, y) for every empty cell in the order the data fills them:
// column pairs from the right, skipping the vertical timing column 6,
// upward first, then down, alternately. Visit may fill the cell it is given.
template <typename Visit>
void ForEachFreeCell(const TByteMatrix& Matrix, Visit visit) {
    const T2DByteArray& rows = Matrix.GetArray();
    const int w = Matrix.Width();
    const int h = Matrix.Height();
    int direction = -1;  // upward first
    int y = h - 1;
    for (int x = w - 1; x > 0; x -= 2) {
        if (x == 6) x = 5;
        for (; y >= 0 && y < h; y += direction) {
            for (int column = x; column > x - 2; --column) {
                if (rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(column)] == kEmpty)
                    visit(column, y);
            }
        }
        direction = -direction;
        y += direction;
    }
}

}  // namespace

void TMatrixUtil::BuildMatrix(const TBitArray& DataBits, const TErrorCorrectionLevel& ecLevel,
                              int Version, int MaskPattern, TByteMatrix& Matrix) {
    DrawFunctionPatterns(Version, Matrix);
    EmbedFormatBits(ecLevel, MaskPattern, Matrix);
    EmbedVersionBits(Version, Matrix);
    PlaceData(DataBits, Matrix);
    ApplyMask(MaskPattern, Matrix);
}

void TMatrixUtil::DrawFunctionPatterns(int Version, TByteMatrix& Matrix) {
    Matrix.Clear(kEmpty);
    DrawFinderPatterns(Matrix);
    DrawSeparators(Matrix);
    DrawDarkModule(Matrix);
    if (Version >= 2) DrawAlignmentPatterns(Version, Matrix);
    DrawTimingPatterns(Matrix);
}

bool TMatrixUtil::WritePattern(const char* const* Rows, int Width, int Height, int X, int Y,
                               TByteMatrix& Matrix) {
    // A pattern goes onto empty cells only; meeting a set cell abandons the
    // rest of it, what was written stays.
    for (int dy = 0; dy < Height; ++dy) {
        for (int dx = 0; dx < Width; ++dx) {
            if (Matrix.Get(X + dx, Y + dy) != -1) {
                FMatrixUtilError = true;
                return false;
            }
            Matrix.SetBoolean(X + dx, Y + dy, Rows[dy][dx] == '1');
        }
    }
    return true;
}

void TMatrixUtil::DrawFinderPatterns(TByteMatrix& Matrix) {
    const int far = Matrix.Width() - 7;
    WritePattern(kFinderPattern, 7, 7, 0, 0, Matrix);
    WritePattern(kFinderPattern, 7, 7, far, 0, Matrix);
    WritePattern(kFinderPattern, 7, 7, 0, far, Matrix);
}

void TMatrixUtil::DrawSeparators(TByteMatrix& Matrix) {
    const int w = Matrix.Width();
    const int h = Matrix.Height();
    WritePattern(kHorizontalSeparator, 8, 1, 0, 7, Matrix);
    WritePattern(kHorizontalSeparator, 8, 1, w - 8, 7, Matrix);
    WritePattern(kHorizontalSeparator, 8, 1, 0, w - 8, Matrix);
    WritePattern(kVerticalSeparator, 1, 7, 7, 0, Matrix);
    WritePattern(kVerticalSeparator, 1, 7, h - 8, 0, Matrix);
    WritePattern(kVerticalSeparator, 1, 7, 7, h - 7, Matrix);
}

void TMatrixUtil::DrawDarkModule(TByteMatrix& Matrix) {
    const int y = Matrix.Height() - 8;
    if (Matrix.Get(8, y) == 0) {
        FMatrixUtilError = true;
        return;
    }
    Matrix.SetInteger(8, y, 1);
}

void TMatrixUtil::DrawAlignmentPatterns(int Version, TByteMatrix& Matrix) {
    const std::array<int, 7> centers =
        kAlignmentPatternCenters[static_cast<std::size_t>(Version - 1)];
    for (int y : centers) {
        for (int x : centers) {
            // Centres on a finder pattern or its separator are skipped.
            if (x < 0 || y < 0 || Matrix.Get(x, y) != -1) continue;
            WritePattern(kAlignmentPattern, 5, 5, x - 2, y - 2, Matrix);
        }
    }
}

void TMatrixUtil::DrawTimingPatterns(TByteMatrix& Matrix) {
    // Dark at even positions; alignment modules on the line keep their value.
    for (int i = 8; i < Matrix.Width() - 8; ++i) {
        const int value = (i + 1) % 2;
        if (Matrix.Get(i, 6) == -1) Matrix.SetInteger(i, 6, value);
        if (Matrix.Get(6, i) == -1) Matrix.SetInteger(6, i, value);
    }
}

void TMatrixUtil::EmbedFormatBits(const TErrorCorrectionLevel& ecLevel, int MaskPattern,
                                  TByteMatrix& Matrix) {
    if (MaskPattern < 0 || MaskPattern > 7) return;
    if (FormatWord(ecLevel.Bits(), MaskPattern) >> 15 != 0) FMatrixUtilError = true;
    ForEachFormatModule(ecLevel.Bits(), MaskPattern, Matrix.Width(), Matrix.Height(),
                        [&Matrix](int x, int y, bool dark) { Matrix.SetBoolean(x, y, dark); });
}

void TMatrixUtil::EmbedVersionBits(int Version, TByteMatrix& Matrix) {
    if (Version < 7) return;
    const TBitArray word = VersionBits(Version);
    if (word.GetSize() != 18) FMatrixUtilError = true;
    const int h = Matrix.Height();
    // 6 x 3 blocks above the bottom-left and left of the top-right finder.
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 3; ++j) {
            const bool bit = WordBit(word, 3 * i + j);
            Matrix.SetBoolean(i, h - 11 + j, bit);
            Matrix.SetBoolean(h - 11 + j, i, bit);
        }
    }
}

void TMatrixUtil::PlaceData(const TBitArray& DataBits, TByteMatrix& Matrix) {
    T2DByteArray& rows = Matrix.GetArray();
    int index = 0;
    ForEachFreeCell(Matrix, [&](int x, int y) {
        const bool bit = index < DataBits.GetSize() && DataBits.Get(index);
        ++index;
        rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] =
            static_cast<std::uint8_t>(kDataCell | (bit ? 1 : 0));
    });
    if (index < DataBits.GetSize()) FMatrixUtilError = true;
}

std::vector<std::uint32_t> TMatrixUtil::FreeCells(const TByteMatrix& Matrix) {
    std::vector<std::uint32_t> cells;
    ForEachFreeCell(Matrix, [&cells, &Matrix](int x, int y) {
        cells.push_back(static_cast<std::uint32_t>(y * Matrix.Width() + x));
    });
    return cells;
}

void TMatrixUtil::ApplyMask(int MaskPattern, TByteMatrix& Matrix) {
    ApplyMask(Matrix, MaskPattern, Matrix);
}

void TMatrixUtil::ApplyMask(const TByteMatrix& Placed, int MaskPattern, TByteMatrix& Matrix) {
    const T2DByteArray& from = Placed.GetArray();
    T2DByteArray& to = Matrix.GetArray();
    switch (MaskPattern) {
        case -1:
            return MaskRows(from, to, [](int, int) { return 0; });
        case 0:
            return MaskRowsWith<0>(from, to);
        case 1:
            return MaskRowsWith<1>(from, to);
        case 2:
            return MaskRowsWith<2>(from, to);
        case 3:
            return MaskRowsWith<3>(from, to);
        case 4:
            return MaskRowsWith<4>(from, to);
        case 5:
            return MaskRowsWith<5>(from, to);
        case 6:
            return MaskRowsWith<6>(from, to);
        case 7:
            return MaskRowsWith<7>(from, to);
        default:
            return MaskRows(from, to, [](int, int) { return 1; });
    }
}

}  // namespace vd::qr
