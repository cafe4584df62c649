// Lines of modules (the rows or the columns of a matrix) packed into 64-bit
// words, bit i of a line standing for module i along it. The penalty rules
// and the mask choice work on 64 modules per step this way.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "TByteMatrix.h"

namespace vd::qr {

class TPackedLines final {
  public:
    // Count lines of Length modules, all bits 0.
    TPackedLines(int Count, int Length)
        : FCount(Count),
          FLength(Length),
          FWords((Length + 63) / 64),
          FBits(static_cast<std::size_t>(Count) * static_cast<std::size_t>(FWords), 0) {}

    int Count() const noexcept { return FCount; }
    int Length() const noexcept { return FLength; }
    int Words() const noexcept { return FWords; }
    std::uint64_t* Line(int Index) noexcept { return FBits.data() + Offset(Index); }
    const std::uint64_t* Line(int Index) const noexcept { return FBits.data() + Offset(Index); }
    void Set(int Index, int Module, bool Value) noexcept {
        std::uint64_t& word = Line(Index)[Module / 64];
        const std::uint64_t bit = std::uint64_t{1} << (Module % 64);
        word = Value ? word | bit : word & ~bit;
    }

  private:
    std::size_t Offset(int Index) const noexcept {
        return static_cast<std::size_t>(Index) * static_cast<std::size_t>(FWords);
    }

    int FCount;
    int FLength;
    int FWords;
    std::vector<std::uint64_t> FBits;
};

// The rows (Horizontal) or columns of Matrix, a bit set where Select(cell)
// holds. Each word is gathered in a register: one store per 64 modules.
template <typename Select>
TPackedLines PackLines(const TByteMatrix& Matrix, bool Horizontal, Select select) {
    TPackedLines lines(Horizontal ? Matrix.Height() : Matrix.Width(),
                       Horizontal ? Matrix.Width() : Matrix.Height());
    std::vector<const std::uint8_t*> rows;
    for (const TByteArray& row : Matrix.GetArray()) rows.push_back(row.data());
    for (int line = 0; line < lines.Count(); ++line) {
        for (int w = 0; w < lines.Words(); ++w) {
            std::uint64_t word = 0;
            const int end = std::min(lines.Length(), 64 * w + 64);
            for (int i = 64 * w; i < end; ++i) {
                const std::uint8_t cell = Horizontal ? rows[line][i] : rows[i][line];
                word |= std::uint64_t{select(cell) ? 1u : 0u} << (i - 64 * w);
            }
            lines.Line(line)[w] = word;
        }
    }
    return lines;
}

}  // namespace vd::qr

namespace vd::qr {

// Bit planes 0 and 1 of the cells (values 0 to 3), packed as rows or
// columns in one pass.
inline std::pair<TPackedLines, TPackedLines> PackBitPlanes(const TByteMatrix& Matrix,
                                                           bool Horizontal) {
    std::pair<TPackedLines, TPackedLines> planes{
        TPackedLines(Horizontal ? Matrix.Height() : Matrix.Width(),
                     Horizontal ? Matrix.Width() : Matrix.Height()),
        TPackedLines(Horizontal ? Matrix.Height() : Matrix.Width(),
                     Horizontal ? Matrix.Width() : Matrix.Height())};
    TPackedLines& low = planes.first;
    std::vector<const std::uint8_t*> rows;
    for (const TByteArray& row : Matrix.GetArray()) rows.push_back(row.data());
    for (int line = 0; line < low.Count(); ++line) {
        for (int w = 0; w < low.Words(); ++w) {
            std::uint64_t bit0 = 0;
            std::uint64_t bit1 = 0;
            const int end = std::min(low.Length(), 64 * w + 64);
            for (int i = 64 * w; i < end; ++i) {
                const std::uint64_t cell = Horizontal ? rows[line][i] : rows[i][line];
                bit0 |= (cell & 1) << (i - 64 * w);
                bit1 |= ((cell >> 1) & 1) << (i - 64 * w);
            }
            low.Line(line)[w] = bit0;
            planes.second.Line(line)[w] = bit1;
        }
    }
    return planes;
}

}  // namespace vd::qr
