// The mask choice: the lowest total penalty of the eight masked matrices.
#include <array>
#include <climits>

#include "MaskPenalty.h"
#include "PackedLines.h"
#include "TEncoder.h"
#include "TMaskUtil.h"
#include "TMatrixUtil.h"

namespace vd::qr {

namespace {

// Every mask condition repeats after 12 rows and after 12 columns (its
// periods are 2, 3, 4 or 6), and no line is longer than 177 modules.
constexpr int kMaskPeriod = 12;
constexpr int kLineWords = 3;
static_assert(64 * kLineWords >= 17 + 4 * 40);
using TMaskLine = std::array<std::uint64_t, kLineWords>;
// [mask][0 rows, 1 columns][line mod 12]: the inverted modules of the line.
using TMaskLines = std::array<std::array<std::array<TMaskLine, kMaskPeriod>, 2>, 8>;

constexpr TMaskLines MakeMaskLines() {
    TMaskLines lines{};
    for (int mask = 0; mask < 8; ++mask) {
        for (int j = 0; j < kMaskPeriod; ++j) {
            for (int i = 0; i < 64 * kLineWords; ++i) {
                const std::uint64_t bit = std::uint64_t{1} << (i % 64);
                if (TMaskUtil::GetDataMaskBit(mask, i, j)) lines[mask][0][j][i / 64] |= bit;
                if (TMaskUtil::GetDataMaskBit(mask, j, i)) lines[mask][1][j][i / 64] |= bit;
            }
        }
    }
    return lines;
}

// Computed by the compiler: pure, and shared by every symbol.
constexpr TMaskLines kMaskLines = MakeMaskLines();

// Modules of the placed matrix as two bit planes: the value (a dark function
// module, or the data bit) and whether the cell holds data.
struct TPlacedLines {
    TPackedLines Values;
    TPackedLines Data;
};

TPlacedLines PackPlaced(const TByteMatrix& placed, bool horizontal) {
    auto [values, data] = PackBitPlanes(placed, horizontal);
    return {std::move(values), std::move(data)};
}

// The dark modules of the lines with the mask applied to the data cells.
void ApplyMask(const TPlacedLines& placed, int mask, int orientation, TPackedLines& dark) {
    for (int line = 0; line < dark.Count(); ++line) {
        const TMaskLine& inverted = kMaskLines[mask][orientation][line % kMaskPeriod];
        const std::uint64_t* values = placed.Values.Line(line);
        const std::uint64_t* data = placed.Data.Line(line);
        std::uint64_t* out = dark.Line(line);
        for (int w = 0; w < dark.Words(); ++w) out[w] = values[w] ^ (inverted[w] & data[w]);
    }
}

}  // namespace

int TEncoder::ChooseMaskPattern(const TBitArray& Bits, const TErrorCorrectionLevel& ecLevel,
                                int Version, TByteMatrix& Matrix) {
    // Function patterns and data positions are the same for every mask:
    // place the data once (it stays in Matrix, unmasked), then mask and
    // score packed rows and columns. Each masked copy holds the modules
    // BuildMatrix makes with that mask.
    TMatrixUtil builder;
    builder.DrawFunctionPatterns(Version, Matrix);
    builder.EmbedFormatBits(ecLevel, 0, Matrix);  // reserves the format cells
    builder.EmbedVersionBits(Version, Matrix);
    builder.PlaceData(Bits, Matrix);

    const TPlacedLines placedRows = PackPlaced(Matrix, true);
    const TPlacedLines placedColumns = PackPlaced(Matrix, false);
    TPackedLines rows(Matrix.Height(), Matrix.Width());
    TPackedLines columns(Matrix.Width(), Matrix.Height());
    int bestScore = INT_MAX;
    int bestMask = -1;
    for (int mask = 0; mask < 8; ++mask) {
        ApplyMask(placedRows, mask, 0, rows);
        ApplyMask(placedColumns, mask, 1, columns);
        TMatrixUtil::ForEachFormatModule(ecLevel.Bits(), mask, Matrix.Width(), Matrix.Height(),
                                         [&rows, &columns](int x, int y, bool dark) {
                                             rows.Set(y, x, dark);
                                             columns.Set(x, y, dark);
                                         });
        const int score = TotalPenalty(rows, columns);
        if (score < bestScore) {
            bestScore = score;
            bestMask = mask;
        }
    }
    return bestMask;
}

}  // namespace vd::qr
