#include "MaskPenalty.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>

namespace vd::qr {

namespace {

// The rules run along a line; they are scored for 64 lines at once. The
// lines go across the words: word k of entry p holds module p of lines
// 64 k to 64 k + 63. The runs along the rows are thus scored from the
// packed columns, those along the columns from the packed rows, and no word
// is ever shifted to line modules up.

int Popcount(std::uint64_t word) {
#if defined(__POPCNT__) || !defined(__x86_64__)
    return std::popcount(word);
#else
    // Without the instruction std::popcount is a library call; this is the
    // same count in a few register operations.
    word -= (word >> 1) & 0x5555555555555555u;
    word = (word & 0x3333333333333333u) + ((word >> 2) & 0x3333333333333333u);
    word = (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((word * 0x0101010101010101u) >> 56);
#endif
}

// No line is longer than 177 modules (version 40).
constexpr int kMaxLength = 17 + 4 * 40;
using TSlice = std::array<std::uint64_t, kMaxLength>;

// The bits of word Word that stand for one of Count lines.
std::uint64_t LinesInWord(int Count, int Word) {
    const int bits = Count - 64 * Word;
    if (bits <= 0) return 0;
    return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

// One word of 64 lines, module by module along them, with what the rules ask
// of each position: Dark[p] the dark modules at p, Light[p] the light ones,
// Equal[p] where module p equals p + 1, Light4[p] where p to p + 3 are all
// light.
struct TSliceView {
    int Length;
    TSlice Dark;
    TSlice Light;
    TSlice Equal;
    TSlice Light4;

    TSliceView(const TPackedLines& across, int word) : Length(across.Count()) {
        const std::uint64_t lines = LinesInWord(across.Length(), word);
        for (int p = 0; p < Length; ++p) {
            Dark[p] = across.Line(p)[word];
            Light[p] = ~Dark[p] & lines;
        }
        for (int p = 0; p + 1 < Length; ++p) Equal[p] = ~(Dark[p] ^ Dark[p + 1]) & lines;
        for (int p = 0; p + 3 < Length; ++p)
            Light4[p] = Light[p] & Light[p + 1] & Light[p + 2] & Light[p + 3];
    }
};

// Rule 1. A run of n >= 5 scores 3 + (n - 5): one point for each of its
// n - 4 windows of five equal modules, plus 2 for the run, counted at its
// first window (the one whose module before differs, or the line's first).
int RunPenalty(const TSliceView& s) {
    int penalty = 0;
    std::uint64_t equalBefore = 0;
    for (int p = 0; p + 4 < s.Length; ++p) {
        const std::uint64_t windows = s.Equal[p] & s.Equal[p + 1] & s.Equal[p + 2] & s.Equal[p + 3];
        penalty += Popcount(windows) + 2 * Popcount(windows & ~equalBefore);
        equalBefore = s.Equal[p];
    }
    return penalty;
}

// Rule 3: 1011101 starting at p, with modules p + 7 to p + 10 or p - 4 to
// p - 1 light and inside the line.
int FinderPenalty(const TSliceView& s) {
    int count = 0;
    for (int p = 0; p + 6 < s.Length; ++p) {
        const std::uint64_t pattern = s.Dark[p] & s.Light[p + 1] & s.Dark[p + 2] & s.Dark[p + 3] &
                                      s.Dark[p + 4] & s.Light[p + 5] & s.Dark[p + 6];
        if (pattern == 0) continue;
        const std::uint64_t after = p + 10 < s.Length ? s.Light4[p + 7] : 0;
        const std::uint64_t before = p >= 4 ? s.Light4[p - 4] : 0;
        count += Popcount(pattern & (after | before));
    }
    return 40 * count;
}

// Rule 2 on packed columns: cells (x, y) whose 2 x 2 block to the right and
// below is of one colour. Bit y of a column compares with bit y + 1, which
// for y = 63 is bit 0 of the next word.
int BlockPenalty(const TPackedLines& columns) {
    int count = 0;
    const int rows = columns.Length();
    for (int word = 0; word < columns.Words(); ++word) {
        const std::uint64_t blockTops = LinesInWord(rows - 1, word);
        const auto belowEqual = [&columns, word](int x) {
            const std::uint64_t* column = columns.Line(x);
            const std::uint64_t next = word + 1 < columns.Words() ? column[word + 1] << 63 : 0;
            return ~(column[word] ^ ((column[word] >> 1) | next));
        };
        std::uint64_t leftBelowEqual = belowEqual(0);
        for (int x = 0; x + 1 < columns.Count(); ++x) {
            const std::uint64_t rightBelowEqual = belowEqual(x + 1);
            const std::uint64_t rowsEqual = ~(columns.Line(x)[word] ^ columns.Line(x + 1)[word]);
            // Row y agrees across the two columns, and each column with
            // itself from y to y + 1: the four cells are equal.
            const std::uint64_t blocks = rowsEqual & leftBelowEqual & rightBelowEqual & blockTops;
            count += Popcount(blocks);
            leftBelowEqual = rightBelowEqual;
        }
    }
    return 3 * count;
}

// Rules 1 and 3 along the lines that Across holds across its words.
template <bool Runs, bool Finders>
int AlongPenalty(const TPackedLines& across) {
    int penalty = 0;
    for (int word = 0; word < across.Words(); ++word) {
        const TSliceView slice(across, word);
        if constexpr (Runs) penalty += RunPenalty(slice);
        if constexpr (Finders) penalty += FinderPenalty(slice);
    }
    return penalty;
}

// Rule 4: |100 dark / total - 50| / 50, rounded.
int BalancePenalty(const TPackedLines& rows) {
    long dark = 0;
    for (int y = 0; y < rows.Count(); ++y)
        for (int w = 0; w < rows.Words(); ++w) dark += Popcount(rows.Line(y)[w]);
    const double total = static_cast<double>(rows.Count()) * rows.Length();
    return static_cast<int>(std::lround(std::abs(100.0 * dark / total - 50.0) / 50.0));
}

TPackedLines DarkLines(const TByteMatrix& Matrix, bool Horizontal) {
    return PackLines(Matrix, Horizontal, [](std::uint8_t cell) { return (cell & 1) != 0; });
}

}  // namespace

int PenaltyRule1(const TByteMatrix& Matrix, bool Horizontal) {
    // Along the rows means across the packed columns, and the other way.
    return AlongPenalty<true, false>(DarkLines(Matrix, !Horizontal));
}

int PenaltyRule2(const TByteMatrix& Matrix) { return BlockPenalty(DarkLines(Matrix, false)); }

int PenaltyRule3(const TByteMatrix& Matrix) {
    return AlongPenalty<false, true>(DarkLines(Matrix, true)) +
           AlongPenalty<false, true>(DarkLines(Matrix, false));
}

int PenaltyRule4(const TByteMatrix& Matrix) { return BalancePenalty(DarkLines(Matrix, true)); }

int TotalPenalty(const TByteMatrix& Matrix) {
    return TotalPenalty(DarkLines(Matrix, true), DarkLines(Matrix, false));
}

int TotalPenalty(const TPackedLines& Rows, const TPackedLines& Columns) {
    return AlongPenalty<true, true>(Columns) + AlongPenalty<true, true>(Rows) +
           BlockPenalty(Columns) + BalancePenalty(Rows);
}

}  // namespace vd::qr
