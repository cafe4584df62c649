#include "MaskPenalty.h"

#include <bit>
#include <cmath>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace vd::qr {

namespace {

// Word w of a line whose bit i holds module i + k (k = 0..63; 0 past the end).
std::uint64_t Ahead(const std::uint64_t* line, int words, int w, int k) {
    std::uint64_t value = line[w] >> k;
    if (k > 0 && w + 1 < words) value |= line[w + 1] << (64 - k);
    return value;
}

// Word w of a line whose bit i holds module i - k (0 before the start).
std::uint64_t Behind(const std::uint64_t* line, int w, int k) {
    std::uint64_t value = line[w] << k;
    if (k > 0 && w > 0) value |= line[w - 1] >> (64 - k);
    return value;
}

// The bits of word w that stand for modules 0 to length - 1.
std::uint64_t Inside(int w, int length) {
    const int bits = length - 64 * w;
    if (bits >= 64) return ~std::uint64_t{0};
    return bits <= 0 ? 0 : (std::uint64_t{1} << bits) - 1;
}

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

// Word w of a line and its neighbours ahead: Dark[k] holds, at bit i,
// module i + k (0 past the end); Light[k] the same for light modules inside
// the line.
struct TWindow {
    std::array<std::uint64_t, 11> Dark;
    std::array<std::uint64_t, 11> Light;
    std::uint64_t InsideMask;
    int Word;
    int Length;

    TWindow(const std::uint64_t* line, int words, int length, int w)
        : InsideMask(Inside(w, length)), Word(w), Length(length) {
        for (std::size_t k = 0; k < 11; ++k) {
            Dark[k] = Ahead(line, words, w, static_cast<int>(k));
            Light[k] = ~Dark[k] & Inside(w, length - static_cast<int>(k));
        }
    }
    // Bit i: module i + k equals module i + k + 1, both inside the line.
    std::uint64_t Equal(std::size_t k) const {
        return ~(Dark[k] ^ Dark[k + 1]) & Inside(Word, Length - static_cast<int>(k) - 1);
    }
};

// Rule 1 on one word of a line. A run of n >= 5 scores 3 + (n - 5): one
// point for each of its n - 4 windows of five equal modules, plus 2 for the
// run, counted at its first window. PreviousEqual carries the equal-to-next
// bits of the word before.
int RunPenaltyWord(const TWindow& window, std::uint64_t& previousEqual) {
    const std::uint64_t equalNext = window.Equal(0);
    const std::uint64_t windows = equalNext & window.Equal(1) & window.Equal(2) & window.Equal(3);
    const std::uint64_t equalPrevious = (equalNext << 1) | (previousEqual >> 63);
    previousEqual = equalNext;
    return Popcount(windows) + 2 * Popcount(windows & ~equalPrevious);
}

// Rule 3 on one word of a line: 1011101 starting at module i, with modules
// i + 7 to i + 10 or i - 4 to i - 1 light and inside the line.
int FinderPenaltyWord(const TWindow& window, const std::uint64_t* line) {
    const auto& dark = window.Dark;
    const auto& light = window.Light;
    const std::uint64_t pattern =
        dark[0] & light[1] & dark[2] & dark[3] & dark[4] & light[5] & dark[6];
    const std::uint64_t after = light[7] & light[8] & light[9] & light[10];
    // Before the start is not light: the margin needs i >= 4.
    std::uint64_t before = ~Inside(window.Word, 4);
    for (int k = 1; k <= 4; ++k) before &= ~Behind(line, window.Word, k) & window.InsideMask;
    return 40 * Popcount(pattern & (after | before));
}

template <bool Runs, bool Finders>
int LinePenalty(const std::uint64_t* line, int words, int length) {
    int penalty = 0;
    std::uint64_t previousEqual = 0;
    for (int w = 0; w < words; ++w) {
        const TWindow window(line, words, length, w);
        if constexpr (Runs) penalty += RunPenaltyWord(window, previousEqual);
        if constexpr (Finders) penalty += FinderPenaltyWord(window, line);
    }
    return penalty;
}

constexpr auto RunPenalty = LinePenalty<true, false>;
constexpr auto FinderPenalty = LinePenalty<false, true>;
constexpr auto RunAndFinderPenalty = LinePenalty<true, true>;

template <typename Score>
int LinesPenalty(const TPackedLines& lines, Score score) {
    int penalty = 0;
    for (int i = 0; i < lines.Count(); ++i)
        penalty += score(lines.Line(i), lines.Words(), lines.Length());
    return penalty;
}

// Rule 2 on rows: module x equals x + 1 in both rows, and the rows agree.
int BlockPenalty(const TPackedLines& rows) {
    int count = 0;
    const int words = rows.Words();
    for (int y = 0; y + 1 < rows.Count(); ++y) {
        const std::uint64_t* a = rows.Line(y);
        const std::uint64_t* b = rows.Line(y + 1);
        for (int w = 0; w < words; ++w) {
            const std::uint64_t differ = (a[w] ^ b[w]) | (a[w] ^ Ahead(a, words, w, 1)) |
                                         (b[w] ^ Ahead(b, words, w, 1));
            count += Popcount(~differ & Inside(w, rows.Length() - 1));
        }
    }
    return 3 * count;
}

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
    return LinesPenalty(DarkLines(Matrix, Horizontal), RunPenalty);
}

int PenaltyRule2(const TByteMatrix& Matrix) { return BlockPenalty(DarkLines(Matrix, true)); }

int PenaltyRule3(const TByteMatrix& Matrix) {
    return LinesPenalty(DarkLines(Matrix, true), FinderPenalty) +
           LinesPenalty(DarkLines(Matrix, false), FinderPenalty);
}

int PenaltyRule4(const TByteMatrix& Matrix) { return BalancePenalty(DarkLines(Matrix, true)); }

int TotalPenalty(const TByteMatrix& Matrix) {
    return TotalPenalty(DarkLines(Matrix, true), DarkLines(Matrix, false));
}

int TotalPenalty(const TPackedLines& Rows, const TPackedLines& Columns) {
    return LinesPenalty(Rows, RunAndFinderPenalty) + LinesPenalty(Columns, RunAndFinderPenalty) +
           BlockPenalty(Rows) + BalancePenalty(Rows);
}

}  // namespace vd::qr
