// The version table against ISO/IEC 18004 Table 9 and Annex E.
#include <gtest/gtest.h>

#include "QrTestSupport.h"
#include "TVersion.h"

namespace vd::qr {
namespace {

int DataCodewords(const TVersion& version, const TECBlocks& blocks) {
    return version.GetTotalCodewords() - blocks.GetTotalECCodewords();
}

TEST(QrVersion, OnlyVersionsOneToFortyExist) {
    EXPECT_EQ(TVersion::GetVersionForNumber(0), nullptr);
    EXPECT_EQ(TVersion::GetVersionForNumber(41), nullptr);
    const TVersion* v1 = TVersion::GetVersionForNumber(1);
    ASSERT_NE(v1, nullptr);
    EXPECT_TRUE(v1->AlignmentPatternCenters().empty());
    EXPECT_EQ(v1->GetDimensionForVersion(), 21);
    EXPECT_EQ(v1->GetTotalCodewords(), 26);
    EXPECT_EQ(TVersion::GetVersionForNumber(40)->GetDimensionForVersion(), 177);
}

TEST(QrVersion, DataCodewordsAtEveryLevel) {
    // ISO/IEC 18004 Table 7, read through the level objects.
    for (const test::LevelCase& c : test::kLevels) {
        for (int v = 1; v <= 40; ++v) {
            const TVersion& version = *TVersion::GetVersionForNumber(v);
            EXPECT_EQ(version.VersionNumber(), v);
            EXPECT_EQ(DataCodewords(version, version.GetECBlocksForLevel(c.level)),
                      test::DataCodewords(v, c.letter))
                << "version " << v << "-" << c.letter;
        }
    }
}

TEST(QrVersion, TotalCodewords) {
    const std::pair<int, int> cases[] = {{1, 26},   {2, 44},    {3, 70},   {4, 100}, {5, 134},
                                         {6, 172},  {7, 196},   {8, 242},  {9, 292}, {10, 346},
                                         {14, 581}, {27, 1828}, {40, 3706}};
    for (const auto& [v, total] : cases)
        EXPECT_EQ(TVersion::GetVersionForNumber(v)->GetTotalCodewords(), total) << v;
}

// Groups written as in the standard: "count x data" per group.
std::string Layout(const TECBlocks& blocks) {
    std::string text = std::to_string(blocks.GetECCodewordsPerBlock()) + ";";
    for (const TECB& group : blocks.GetECBlocks())
        text +=
            " " + std::to_string(group.GetCount()) + "x" + std::to_string(group.GetDataCodewords());
    return text;
}

TEST(QrVersion, TellingRowsOfAllFourLevels) {
    struct Row {
        int version;
        std::vector<int> centers;
        const char* levels[4];
    };
    const Row rows[] = {
        {1, {}, {"7; 1x19", "10; 1x16", "13; 1x13", "17; 1x9"}},
        {2, {6, 18}, {"10; 1x34", "16; 1x28", "22; 1x22", "28; 1x16"}},
        {5, {6, 30}, {"26; 1x108", "24; 2x43", "18; 2x15 2x16", "22; 2x11 2x12"}},
        {7, {6, 22, 38}, {"20; 2x78", "18; 4x31", "18; 2x14 4x15", "26; 4x13 1x14"}},
        {10, {6, 28, 50}, {"18; 2x68 2x69", "26; 4x43 1x44", "24; 6x19 2x20", "28; 6x15 2x16"}},
        {14,
         {6, 26, 46, 66},
         {"30; 3x115 1x116", "24; 4x40 5x41", "20; 11x16 5x17", "24; 11x12 5x13"}},
        {27,
         {6, 34, 62, 90, 118},
         {"30; 8x122 4x123", "28; 22x45 3x46", "30; 8x23 26x24", "30; 12x15 28x16"}},
        {40,
         {6, 30, 58, 86, 114, 142, 170},
         {"30; 19x118 6x119", "28; 18x47 31x48", "30; 34x24 34x25", "30; 20x15 61x16"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("version " + std::to_string(row.version));
        const TVersion& version = *TVersion::GetVersionForNumber(row.version);
        EXPECT_EQ(version.AlignmentPatternCenters(),
                  TIntegerArray(row.centers.begin(), row.centers.end()));
        for (int column = 0; column < 4; ++column) {
            const test::LevelCase& c = test::kLevels[column];
            EXPECT_EQ(Layout(version.ECBlocks()[column]), row.levels[column]) << c.letter;
            EXPECT_EQ(Layout(version.GetECBlocksForLevel(c.level)), row.levels[column]) << c.letter;
        }
    }
}

TEST(QrVersion, EveryLevelFillsTheSameTotalWithBlocksOfNearlyEqualSize) {
    for (int v = 1; v <= 40; ++v) {
        const TVersion& version = *TVersion::GetVersionForNumber(v);
        ASSERT_EQ(version.ECBlocks().size(), 4u);
        for (int level = 0; level < 4; ++level) {
            const TECBlocks& blocks = version.ECBlocks()[level];
            int total = 0;
            for (const TECB& g : blocks.GetECBlocks())
                total += g.GetCount() * (g.GetDataCodewords() + blocks.GetECCodewordsPerBlock());
            EXPECT_EQ(total, version.GetTotalCodewords()) << "version " << v << " level " << level;
            const TECBArray& groups = blocks.GetECBlocks();
            if (groups.size() == 2) {
                EXPECT_EQ(groups[1].GetDataCodewords(), groups[0].GetDataCodewords() + 1) << v;
            }
        }
        const TIntegerArray& centers = version.AlignmentPatternCenters();
        if (v >= 2) {
            EXPECT_EQ(centers.front(), 6);
            EXPECT_EQ(centers.back(), version.GetDimensionForVersion() - 7) << v;
            EXPECT_EQ(centers.size(), static_cast<std::size_t>(v / 7 + 2)) << v;
        }
    }
}

TEST(QrVersion, ChooseVersionTakesTheSmallestThatHoldsTheBits) {
    struct Case {
        char level;
        int bits;
        int expected;  // 0: none holds them
    };
    // Capacities of versions 1, 2 and 40 at each level, ISO/IEC 18004 Table 7.
    const Case cases[] = {
        {'L', 0, 1},      {'L', 152, 1},    {'L', 153, 2},   {'L', 272, 2}, {'L', 273, 3},
        {'L', 23648, 40}, {'L', 23649, 0},  {'M', 128, 1},   {'M', 129, 2}, {'M', 224, 2},
        {'M', 225, 3},    {'M', 18672, 40}, {'M', 18673, 0}, {'Q', 104, 1}, {'Q', 105, 2},
        {'Q', 13328, 40}, {'Q', 13329, 0},  {'H', 72, 1},    {'H', 73, 2},  {'H', 128, 2},
        {'H', 129, 3},    {'H', 10208, 40}, {'H', 10209, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits at " + c.level);
        const TVersion* version = TVersion::ChooseVersion(c.bits, test::Level(c.level).level);
        if (c.expected == 0) {
            EXPECT_EQ(version, nullptr);
        } else {
            ASSERT_NE(version, nullptr);
            EXPECT_EQ(version->VersionNumber(), c.expected);
        }
    }
}

TEST(QrVersion, Version40AtLevelL) {
    const TECBlocks& blocks = TVersion::GetVersionForNumber(40)->GetECBlocksForLevel(LevelL());
    EXPECT_EQ(blocks.GetNumBlocks(), 25);
    EXPECT_EQ(blocks.GetTotalECCodewords(), 750);
    EXPECT_EQ(Layout(blocks), "30; 19x118 6x119");
    EXPECT_EQ(TVersion::GetVersionForNumber(40)->ECCodewords(), 30);
}

}  // namespace
}  // namespace vd::qr
