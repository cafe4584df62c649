// The mask choice: the lowest total penalty of the eight masked matrices,
// and the finished matrix with the chosen mask.
#include <algorithm>
#include <array>
#include <climits>
#include <memory>

#include "MaskPenalty.h"
#include "PackedLines.h"
#include "TEncoder.h"
#include "TMaskUtil.h"
#include "TMatrixUtil.h"
#include "VersionTemplate.h"

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

// Modules of the placed matrix as two bit planes, as rows or as columns:
// the value (a dark function module, or the data bit) and whether the cell
// holds data.
struct TPlacedLines {
    const TPackedLines& Values;
    const TPackedLines& Data;
};

// The dark modules of the lines with the mask applied to the data cells and
// the format word of the level and mask written.
void Mask(const TPlacedLines& placed, int mask, int orientation, int levelBits,
          TPackedLines& dark) {
    for (int line = 0, phase = 0; line < dark.Count(); ++line, phase = (phase + 1) % kMaskPeriod) {
        const TMaskLine& inverted = kMaskLines[mask][orientation][phase];
        const std::uint64_t* values = placed.Values.Line(line);
        const std::uint64_t* data = placed.Data.Line(line);
        std::uint64_t* out = dark.Line(line);
        for (int w = 0; w < dark.Words(); ++w) out[w] = values[w] ^ (inverted[w] & data[w]);
    }
    const int side = dark.Count();
    TMatrixUtil::ForEachFormatModule(levelBits, mask, side, side,
                                     [&dark, orientation](int x, int y, bool isDark) {
                                         if (orientation == 0)
                                             dark.Set(y, x, isDark);
                                         else
                                             dark.Set(x, y, isDark);
                                     });
}

// The mask with the lowest total penalty, the lower one on equal scores.
int BestMask(const TPlacedLines& placedRows, const TPlacedLines& placedColumns, int levelBits) {
    TPackedLines rows(placedRows.Values.Count(), placedRows.Values.Length());
    TPackedLines columns(placedColumns.Values.Count(), placedColumns.Values.Length());
    int bestScore = INT_MAX;
    int bestMask = -1;
    for (int mask = 0; mask < 8; ++mask) {
        Mask(placedRows, mask, 0, levelBits, rows);
        Mask(placedColumns, mask, 1, levelBits, columns);
        const int score = TotalPenalty(rows, columns);
        if (score < bestScore) {
            bestScore = score;
            bestMask = mask;
        }
    }
    return bestMask;
}

// Sets the modules of the data cells whose bit is 1 in the packed rows and
// columns. Bits beyond the data cells are left out.
void PlaceBits(const TBitArray& bits, const std::vector<std::uint16_t>& cells, TPackedLines& rows,
               TPackedLines& columns) {
    const int count = std::min(bits.GetSize(), static_cast<int>(cells.size()));
    // Without a branch on the bit: data bits are as good as random, and a
    // mispredicted jump per bit would cost more than the two stores.
    for (int i = 0; i < count; ++i) {
        const std::uint64_t bit = bits.Get(i) ? 1 : 0;
        const int y = cells[static_cast<std::size_t>(i)] >> 8;
        const int x = cells[static_cast<std::size_t>(i)] & 0xFF;
        rows.Line(y)[x >> 6] |= bit << (x & 63);
        columns.Line(x)[y >> 6] |= bit << (y & 63);
    }
}

// The cells of Matrix from packed rows of the same size.
void Unpack(const TPackedLines& rows, TByteMatrix& matrix) {
    T2DByteArray& cells = matrix.GetArray();
    for (int y = 0; y < rows.Count(); ++y) {
        const std::uint64_t* line = rows.Line(y);
        std::uint8_t* row = cells[static_cast<std::size_t>(y)].data();
        for (int x = 0; x < rows.Length(); ++x)
            row[x] = static_cast<std::uint8_t>((line[x >> 6] >> (x & 63)) & 1);
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

    const auto [valueRows, dataRows] = PackBitPlanes(Matrix, true);
    const auto [valueColumns, dataColumns] = PackBitPlanes(Matrix, false);
    return BestMask({valueRows, dataRows}, {valueColumns, dataColumns}, ecLevel.Bits());
}

void TEncoder::BuildMaskedMatrix(const TBitArray& Bits, const TErrorCorrectionLevel& ecLevel,
                                 int Version, TQRCode& QRCode) {
    // ChooseMaskPattern's work without drawing a matrix: the version's
    // template holds the function modules and the data cells packed, and
    // the symbol adds its dark data modules.
    const TVersionTemplate& shape = VersionTemplate(Version);
    const int side = shape.FunctionRows.Count();
    if (Bits.GetSize() > static_cast<int>(shape.DataCells.size())) FEncoderError = true;
    TPackedLines valueRows = shape.FunctionRows;
    TPackedLines valueColumns = shape.FunctionColumns;
    PlaceBits(Bits, shape.DataCells, valueRows, valueColumns);
    const TPlacedLines placedRows{valueRows, shape.DataRows};
    const int mask = BestMask(placedRows, {valueColumns, shape.DataColumns}, ecLevel.Bits());
    QRCode.SetMaskPattern(mask);

    TPackedLines rows(side, side);
    Mask(placedRows, mask, 0, ecLevel.Bits(), rows);
    auto matrix = std::make_unique<TByteMatrix>(side, side);
    Unpack(rows, *matrix);
    QRCode.SetMatrix(std::move(matrix));
}

}  // namespace vd::qr
