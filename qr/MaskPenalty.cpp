#include "MaskPenalty.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>

namespace vd::qr {

namespace {

// The rules look at up to 10 modules ahead of a position.
constexpr std::size_t kReach = 11;

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

// For lines of one length: the bits of word w whose module i + k is inside
// the line.
class TLineShape {
  public:
    explicit TLineShape(int length) : FLength(length), FWords((length + 63) / 64) {}
    int Words() const { return FWords; }
    std::uint64_t InsideAhead(int w, int k) const {
        const int bits = FLength - k - 64 * w;
        if (bits >= 64) return ~std::uint64_t{0};
        return bits <= 0 ? 0 : (std::uint64_t{1} << bits) - 1;
    }

  private:
    int FLength;
    int FWords;
};

// Word w of a line seen from each of the next modules: Dark[k] holds, at
// bit i, module i + k (0 past the end); Light[k] the same for the light
// modules inside the line; Before[k] module i - k (0 before the start).
struct TWindow {
    std::array<std::uint64_t, kReach> Dark;
    std::array<std::uint64_t, kReach> Light;
    std::array<std::uint64_t, 5> Before;

    TWindow(const std::uint64_t* line, const TLineShape& shape, int w) {
        const std::uint64_t current = line[w];
        const std::uint64_t next = w + 1 < shape.Words() ? line[w + 1] : 0;
        const std::uint64_t previous = w > 0 ? line[w - 1] : 0;
        Dark[0] = current;
        Before[0] = current;
        for (std::size_t k = 1; k < kReach; ++k) Dark[k] = (current >> k) | (next << (64 - k));
        for (std::size_t k = 1; k < 5; ++k) Before[k] = (current << k) | (previous >> (64 - k));
        for (std::size_t k = 0; k < kReach; ++k)
            Light[k] = ~Dark[k] & shape.InsideAhead(w, static_cast<int>(k));
    }
};

// Rule 1 on one word. A run of n >= 5 scores 3 + (n - 5): one point for
// each of its n - 4 windows of five equal modules, plus 2 for the run,
// counted at its first window. PreviousEqual carries the equal-to-next bits
// of the word before.
int RunPenaltyWord(const TWindow& window, const TLineShape& shape, int w,
                   std::uint64_t& previousEqual) {
    std::array<std::uint64_t, 4> equal{};  // module i + k equals i + k + 1
    for (std::size_t k = 0; k < 4; ++k)
        equal[k] = ~(window.Dark[k] ^ window.Dark[k + 1]) & shape.InsideAhead(w, int(k) + 1);
    const std::uint64_t windows = equal[0] & equal[1] & equal[2] & equal[3];
    const std::uint64_t equalPrevious = (equal[0] << 1) | (previousEqual >> 63);
    previousEqual = equal[0];
    return Popcount(windows) + 2 * Popcount(windows & ~equalPrevious);
}

// Rule 3 on one word: 1011101 starting at module i, with modules i + 7 to
// i + 10 or i - 4 to i - 1 light and inside the line.
int FinderPenaltyWord(const TWindow& window, const TLineShape& shape, int w) {
    const auto& dark = window.Dark;
    const auto& light = window.Light;
    const std::uint64_t pattern =
        dark[0] & light[1] & dark[2] & dark[3] & dark[4] & light[5] & dark[6];
    const std::uint64_t after = light[7] & light[8] & light[9] & light[10];
    // Modules before the start are not light: the margin needs i >= 4.
    const std::uint64_t from4 = w > 0 ? ~std::uint64_t{0} : ~std::uint64_t{0xF};
    const std::uint64_t before =
        ~(window.Before[1] | window.Before[2] | window.Before[3] | window.Before[4]) & from4 &
        shape.InsideAhead(w, 0);
    return 40 * Popcount(pattern & (after | before));
}

template <bool Runs, bool Finders>
int LinesPenalty(const TPackedLines& lines) {
    const TLineShape shape(lines.Length());
    int penalty = 0;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::uint64_t* line = lines.Line(i);
        std::uint64_t previousEqual = 0;
        for (int w = 0; w < lines.Words(); ++w) {
            const TWindow window(line, shape, w);
            if constexpr (Runs) penalty += RunPenaltyWord(window, shape, w, previousEqual);
            if constexpr (Finders) penalty += FinderPenaltyWord(window, shape, w);
        }
    }
    return penalty;
}

// Rule 2 on rows: module x equals x + 1 in both rows, and the rows agree.
int BlockPenalty(const TPackedLines& rows) {
    const TLineShape shape(rows.Length());
    int count = 0;
    for (int y = 0; y + 1 < rows.Count(); ++y) {
        for (int w = 0; w < rows.Words(); ++w) {
            const TWindow a(rows.Line(y), shape, w);
            const TWindow b(rows.Line(y + 1), shape, w);
            const std::uint64_t differ =
                (a.Dark[0] ^ b.Dark[0]) | (a.Dark[0] ^ a.Dark[1]) | (b.Dark[0] ^ b.Dark[1]);
            count += Popcount(~differ & shape.InsideAhead(w, 1));
        }
    }
    return 3 * count;
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
    return LinesPenalty<true, false>(DarkLines(Matrix, Horizontal));
}

int PenaltyRule2(const TByteMatrix& Matrix) { return BlockPenalty(DarkLines(Matrix, true)); }

int PenaltyRule3(const TByteMatrix& Matrix) {
    return LinesPenalty<false, true>(DarkLines(Matrix, true)) +
           LinesPenalty<false, true>(DarkLines(Matrix, false));
}

int PenaltyRule4(const TByteMatrix& Matrix) { return BalancePenalty(DarkLines(Matrix, true)); }

int TotalPenalty(const TByteMatrix& Matrix) {
    return TotalPenalty(DarkLines(Matrix, true), DarkLines(Matrix, false));
}

int TotalPenalty(const TPackedLines& Rows, const TPackedLines& Columns) {
    return LinesPenalty<true, true>(Rows) + LinesPenalty<true, true>(Columns) + BlockPenalty(Rows) +
           BalancePenalty(Rows);
}

}  // namespace vd::qr
