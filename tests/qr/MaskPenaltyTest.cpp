// The four penalty rules on small hand-made matrices.
#include <gtest/gtest.h>

#include "MaskPenalty.h"

namespace vd::qr {
namespace {

// Rows of '1' (dark) and '0' (light), top to bottom.
TByteMatrix FromRows(const std::vector<std::string>& rows) {
    TByteMatrix m(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            m.SetBoolean(int(x), int(y), rows[y][x] == '1');
    return m;
}

// The same modules with rows and columns swapped.
TByteMatrix Transposed(const std::vector<std::string>& rows) {
    std::vector<std::string> columns(rows[0].size(), std::string(rows.size(), '0'));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x) columns[x][y] = rows[y][x];
    return FromRows(columns);
}

TEST(QrPenalty, Rule1ScoresRunsOfFiveAndMore) {
    const std::pair<const char*, int> cases[] = {
        {"11111111111010101010", 9},  // 11 dark: 3 + 6
        {"1111011110", 0},            // runs of 4
        {"0000011111", 6},            // two runs of 5
        {"11111110", 5},              // the top row of a finder and its separator
        {"00000000000000000000", 18},
    };
    for (const auto& [row, expected] : cases) {
        EXPECT_EQ(PenaltyRule1(FromRows({row}), true), expected) << row;
        EXPECT_EQ(PenaltyRule1(FromRows({row}), false), 0) << row;
        EXPECT_EQ(PenaltyRule1(Transposed({row}), false), expected) << row;
    }
    // A run does not continue into the next row (or column).
    EXPECT_EQ(PenaltyRule1(FromRows({"0101000111", "1110001010"}), true), 0);
    EXPECT_EQ(PenaltyRule1(Transposed({"0101000111", "1110001010"}), false), 0);
}

TEST(QrPenalty, Rule2ScoresEveryTwoByTwoBlock) {
    const TByteMatrix area =
        FromRows({"0101010", "1010101", "0111010", "1111101", "0111010", "1010101", "0101010"});
    EXPECT_EQ(PenaltyRule2(area), 12);  // a 3 x 3 area: 3 x 2 x 2
    EXPECT_EQ(PenaltyRule2(FromRows({"0101", "1010", "0101"})), 0);
    EXPECT_EQ(PenaltyRule2(FromRows({"0000", "0000", "0011"})), 3 * 4);
}

TEST(QrPenalty, Rule3ScoresFinderLookAlikesWithFourLightModulesInside) {
    const std::pair<const char*, int> cases[] = {
        {"10111010000", 40},      // light after
        {"00001011101", 40},      // light before
        {"000010111010000", 40},  // light on both sides: once per direction
        {"11111011101", 0},       // ends in the last column, no light before
        {"0001011101", 0},        // three light before; the edge is not light
        {"1011101000", 0},        // three light after
        {"10111010000"
         "1011101",
         40 + 40},
        {"10110010000", 0},
    };
    for (const auto& [row, expected] : cases) {
        EXPECT_EQ(PenaltyRule3(FromRows({row})), expected) << row;
        EXPECT_EQ(PenaltyRule3(Transposed({row})), expected) << row << " as a column";
    }
}

TEST(QrPenalty, Rule4ScoresOnlyAStrongImbalance) {
    const auto withDark = [](int dark) {
        std::vector<std::string> rows(10, std::string(10, '0'));
        for (int i = 0; i < dark; ++i)
            rows[static_cast<std::size_t>(i / 10)][static_cast<std::size_t>(i % 10)] = '1';
        return FromRows(rows);
    };
    const std::pair<int, int> cases[] = {{50, 0}, {30, 0}, {70, 0}, {26, 0},
                                         {20, 1}, {80, 1}, {0, 1},  {100, 1}};
    for (const auto& [dark, expected] : cases)
        EXPECT_EQ(PenaltyRule4(withDark(dark)), expected) << dark << " % dark";
}

TEST(QrPenalty, TotalOfAnAllDarkSquare) {
    // Rows 5 x 3, columns 5 x 3, blocks 3 x 4 x 4, no finder look-alike,
    // balance 1.
    EXPECT_EQ(TotalPenalty(FromRows(std::vector<std::string>(5, "11111"))), 15 + 15 + 48 + 0 + 1);
}

}  // namespace
}  // namespace vd::qr
