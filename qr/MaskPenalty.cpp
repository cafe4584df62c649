#include "MaskPenalty.h"

#include <cmath>
#include <cstdlib>

namespace vd::qr {

namespace {

// Reads a cell along a row (Horizontal) or a column; i along the line, j
// across it.
struct TLine {
    const T2DByteArray& Rows;
    bool Horizontal;
    std::uint8_t At(int i, int j) const {
        return Horizontal ? Rows[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)]
                          : Rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    }
};

constexpr std::uint8_t kFinderLike[7] = {1, 0, 1, 1, 1, 0, 1};

bool IsLight(const TLine& line, int from, int to, int j) {
    for (int i = from; i < to; ++i)
        if (line.At(i, j) != 0) return false;
    return true;
}

int FinderLikeAt(const TLine& line, int i, int j, int length) {
    if (i + 6 >= length) return 0;
    for (int k = 0; k < 7; ++k)
        if (line.At(i + k, j) != kFinderLike[k]) return 0;
    const bool lightAfter = i + 10 < length && IsLight(line, i + 7, i + 11, j);
    const bool lightBefore = i >= 4 && IsLight(line, i - 4, i, j);
    return lightAfter || lightBefore ? 40 : 0;
}

}  // namespace

int PenaltyRule1(const TByteMatrix& Matrix, bool Horizontal) {
    const TLine line{Matrix.GetArray(), Horizontal};
    const int lines = Horizontal ? Matrix.Height() : Matrix.Width();
    const int length = Horizontal ? Matrix.Width() : Matrix.Height();
    int penalty = 0;
    for (int j = 0; j < lines; ++j) {
        int run = 0;
        std::uint8_t colour = 255;
        for (int i = 0; i < length; ++i) {
            const std::uint8_t cell = line.At(i, j);
            run = cell == colour ? run + 1 : 1;
            colour = cell;
            if (run == 5) penalty += 3;
            if (run > 5) ++penalty;
        }
    }
    return penalty;
}

int PenaltyRule2(const TByteMatrix& Matrix) {
    const T2DByteArray& rows = Matrix.GetArray();
    int penalty = 0;
    for (std::size_t y = 0; y + 1 < rows.size(); ++y) {
        const TByteArray& top = rows[y];
        const TByteArray& bottom = rows[y + 1];
        for (std::size_t x = 0; x + 1 < top.size(); ++x) {
            const std::uint8_t v = top[x];
            if (v == top[x + 1] && v == bottom[x] && v == bottom[x + 1]) penalty += 3;
        }
    }
    return penalty;
}

int PenaltyRule3(const TByteMatrix& Matrix) {
    const TLine alongRow{Matrix.GetArray(), true};
    const TLine alongColumn{Matrix.GetArray(), false};
    int penalty = 0;
    for (int y = 0; y < Matrix.Height(); ++y) {
        for (int x = 0; x < Matrix.Width(); ++x) {
            penalty += FinderLikeAt(alongRow, x, y, Matrix.Width());
            penalty += FinderLikeAt(alongColumn, y, x, Matrix.Height());
        }
    }
    return penalty;
}

int PenaltyRule4(const TByteMatrix& Matrix) {
    long dark = 0;
    for (const TByteArray& row : Matrix.GetArray())
        for (std::uint8_t cell : row) dark += cell == 1;
    const double total = static_cast<double>(Matrix.Width()) * Matrix.Height();
    return static_cast<int>(std::lround(std::abs(100.0 * dark / total - 50.0) / 50.0));
}

int TotalPenalty(const TByteMatrix& Matrix) {
    return PenaltyRule1(Matrix, true) + PenaltyRule1(Matrix, false) + PenaltyRule2(Matrix) +
           PenaltyRule3(Matrix) + PenaltyRule4(Matrix);
}

}  // namespace vd::qr
