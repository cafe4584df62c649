// Matrix construction: function patterns, format and version information,
// data placement and masks.
#include <gtest/gtest.h>

#include <algorithm>

#include "FormatVersionBits.h"
#include "MaskPenalty.h"
#include "QrTestSupport.h"
#include "TEncoder.h"
#include "TMaskUtil.h"
#include "TMatrixUtil.h"

namespace vd::qr {
namespace {

std::string BitString(const TBitArray& bits) {
    std::string text;
    for (int i = 0; i < bits.GetSize(); ++i) text += bits.Get(i) ? '1' : '0';
    return text;
}

TBitArray CodewordsOf(const std::u16string& text) {
    return TEncoder().EncodeCodewords(text, 0, LevelL()).Codewords;
}

// A text that needs the given version (byte mode, its full capacity).
std::u16string TextForVersion(int version) {
    return std::u16string(static_cast<std::size_t>(test::MaxLength(test::Kind::Byte, version)),
                          u'v');
}

TByteMatrix Build(const TBitArray& bits, int version, int mask, bool* error = nullptr) {
    const int size = 17 + 4 * version;
    TByteMatrix matrix(size, size);
    TMatrixUtil builder;
    builder.BuildMatrix(bits, LevelL(), version, mask, matrix);
    if (error != nullptr) *error = builder.MatrixUtilError();
    return matrix;
}

// Cells that function patterns, format and version information leave free.
TByteMatrix FunctionTemplate(int version) {
    const int size = 17 + 4 * version;
    TByteMatrix matrix(size, size);
    TMatrixUtil builder;
    builder.DrawFunctionPatterns(version, matrix);
    builder.EmbedFormatBits(LevelL(), 0, matrix);
    builder.EmbedVersionBits(version, matrix);
    return matrix;
}

std::string Row(const TByteMatrix& m, int y, int x0, int count) {
    std::string text;
    for (int x = x0; x < x0 + count; ++x) text += char('0' + m.Get(x, y));
    return text;
}
std::string Column(const TByteMatrix& m, int x, int y0, int count) {
    std::string text;
    for (int y = y0; y < y0 + count; ++y) text += char('0' + m.Get(x, y));
    return text;
}

void ExpectPattern(const TByteMatrix& m, int x0, int y0, const std::vector<std::string>& rows) {
    for (std::size_t dy = 0; dy < rows.size(); ++dy)
        EXPECT_EQ(Row(m, y0 + int(dy), x0, int(rows[dy].size())), rows[dy])
            << "pattern at (" << x0 << ", " << y0 << "), row " << dy;
}

const std::vector<std::string> kFinder = {"1111111", "1000001", "1011101", "1011101",
                                          "1011101", "1000001", "1111111"};
const std::vector<std::string> kAlignment = {"11111", "10001", "10101", "10001", "11111"};

TEST(QrFormatVersionBits, FormatWordsOfLevelL) {
    // ISO/IEC 18004 Table C.1, level L, masks 000 to 111.
    const char* expected[8] = {"111011111000100", "111001011110011", "111110110101010",
                               "111100010011101", "110011000101111", "110001100011000",
                               "110110001000001", "110100101110110"};
    for (int mask = 0; mask < 8; ++mask)
        EXPECT_EQ(BitString(FormatBits(1, mask)), expected[mask]) << "mask " << mask;
}

TEST(QrFormatVersionBits, VersionWords) {
    // ISO/IEC 18004 Table D.1.
    const std::pair<int, std::uint32_t> cases[] = {{7, 0x07C94},  {8, 0x085BC},  {9, 0x09A99},
                                                   {10, 0x0A4D3}, {11, 0x0BBF6}, {12, 0x0C762},
                                                   {40, 0x28C69}};
    for (const auto& [version, word] : cases) {
        std::string expected;
        for (int i = 17; i >= 0; --i) expected += (word >> i) & 1 ? '1' : '0';
        EXPECT_EQ(BitString(VersionBits(version)), expected) << "version " << version;
    }
    EXPECT_EQ(BitString(VersionBits(7)), "000111110010010100");
    EXPECT_EQ(BitString(VersionBits(40)), "101000110001101001");
}

TEST(QrMatrix, Version1FunctionPatternsAndFormatInformation) {
    bool error = true;
    const TByteMatrix m = Build(CodewordsOf(u"12345"), 1, 0, &error);
    EXPECT_FALSE(error);
    ExpectPattern(m, 0, 0, kFinder);
    ExpectPattern(m, 14, 0, kFinder);
    ExpectPattern(m, 0, 14, kFinder);
    EXPECT_EQ(Row(m, 7, 0, 8), "00000000");
    EXPECT_EQ(Row(m, 7, 13, 8), "00000000");
    EXPECT_EQ(Row(m, 13, 0, 8), "00000000");
    EXPECT_EQ(Column(m, 7, 0, 7), "0000000");
    EXPECT_EQ(Column(m, 13, 0, 7), "0000000");
    EXPECT_EQ(Column(m, 7, 14, 7), "0000000");
    EXPECT_EQ(Row(m, 6, 8, 5), "10101");
    EXPECT_EQ(Column(m, 6, 8, 5), "10101");
    EXPECT_EQ(m.Get(8, 13), 1);  // the dark module
    // Format word 111011111000100: bit 0 (the last) at (8, 0) and (20, 8),
    // bit 14 (the first) at (0, 8) and (8, 20).
    EXPECT_EQ(Column(m, 8, 0, 6) + Column(m, 8, 7, 2) + char('0' + m.Get(7, 8)) +
                  Row(m, 8, 0, 6).substr(0, 6),
              "001000"
              "11"
              "1"
              "111011");  // bits 0..5, 6..7, 8, then 14..9 left to right
    std::string secondCopy;
    for (int i = 0; i < 8; ++i) secondCopy += char('0' + m.Get(20 - i, 8));
    for (int i = 8; i < 15; ++i) secondCopy += char('0' + m.Get(8, 6 + i));
    EXPECT_EQ(secondCopy, "001000111110111");  // bits 0..14: the word read backwards
}

TEST(QrMatrix, Version2HasOneAlignmentPattern) {
    bool error = true;
    const TByteMatrix m = Build(CodewordsOf(TextForVersion(2)), 2, 3, &error);
    EXPECT_FALSE(error);  // the three centres on finder patterns are skipped quietly
    ExpectPattern(m, 16, 16, kAlignment);
    ExpectPattern(m, 0, 0, kFinder);
    ExpectPattern(m, 18, 0, kFinder);
    ExpectPattern(m, 0, 18, kFinder);
}

TEST(QrMatrix, Version7AlignmentPatternsAndVersionInformation) {
    bool error = true;
    const TByteMatrix m = Build(CodewordsOf(TextForVersion(7)), 7, 5, &error);
    EXPECT_FALSE(error);
    const std::pair<int, int> centres[] = {{22, 6},  {6, 22},  {22, 22},
                                           {38, 22}, {22, 38}, {38, 38}};
    for (const auto& [x, y] : centres) ExpectPattern(m, x - 2, y - 2, kAlignment);
    // Version word 000111110010010100, bit 0 (the last) first: bit 3i + j
    // at (i, 34 + j) and at (34 + j, i).
    const std::string word = "000111110010010100";
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int bit = word[17 - (3 * i + j)] - '0';
            EXPECT_EQ(m.Get(i, 34 + j), bit) << i << "," << j;
            EXPECT_EQ(m.Get(34 + j, i), bit) << i << "," << j;
        }
    }
}

TEST(QrMatrix, FreeCellsHoldTheCodewordsAndRemainderBitsOfEveryVersion) {
    // ISO/IEC 18004 Table 1: remainder bits per version.
    const int remainder[40] = {0, 7, 7, 7, 7, 7, 0, 0, 0, 0, 0, 0, 0, 3, 3, 3, 3, 3, 3, 3,
                               4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0};
    for (int v = 1; v <= 40; ++v) {
        const TByteMatrix m = FunctionTemplate(v);
        int free = 0;
        for (int y = 0; y < m.Height(); ++y)
            for (int x = 0; x < m.Width(); ++x) free += m.Get(x, y) == -1;
        EXPECT_EQ(free,
                  8 * TVersion::GetVersionForNumber(v)->GetTotalCodewords() + remainder[v - 1])
            << "version " << v;
        bool error = true;
        const TByteMatrix built = Build(CodewordsOf(TextForVersion(v)), v, v % 8, &error);
        EXPECT_FALSE(error) << "version " << v;
        for (int y = 0; y < built.Height(); ++y)
            for (int x = 0; x < built.Width(); ++x)
                ASSERT_TRUE(built.Get(x, y) == 0 || built.Get(x, y) == 1)
                    << v << ": " << x << "," << y;
    }
}

TEST(QrMatrix, DataGoesUpwardInColumnPairsFromTheBottomRight) {
    const TBitArray zeros = [] {
        TBitArray bits;
        bits.AppendBits(0, 26 * 8);
        return bits;
    }();
    const TByteMatrix base = Build(zeros, 1, 0);
    // Bit index -> position: up columns 20/19 from row 20 to row 9, then
    // down columns 18/17 from row 9.
    const std::tuple<int, int, int> cases[] = {{0, 20, 20}, {1, 19, 20}, {2, 20, 19}, {7, 19, 17},
                                               {23, 19, 9}, {24, 18, 9}, {25, 17, 9}, {26, 18, 10}};
    for (const auto& [index, x, y] : cases) {
        TBitArray bits;
        bits.AppendBits(0, index);
        bits.AppendBit(true);
        bits.AppendBits(0, 26 * 8 - index - 1);
        const TByteMatrix m = Build(bits, 1, 0);
        int differences = 0;
        for (int yy = 0; yy < 21; ++yy)
            for (int xx = 0; xx < 21; ++xx) differences += m.Get(xx, yy) != base.Get(xx, yy);
        EXPECT_EQ(differences, 1) << "bit " << index;
        EXPECT_NE(m.Get(x, y), base.Get(x, y)) << "bit " << index << " at " << x << "," << y;
    }
}

TEST(QrMatrix, CellsWithoutDataShowTheMaskAndSurplusBitsAreFlagged) {
    const TByteMatrix free = FunctionTemplate(2);
    for (int mask = 0; mask < 8; ++mask) {
        bool error = true;
        const TByteMatrix m = Build(TBitArray(), 2, mask, &error);
        EXPECT_FALSE(error);
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 25; ++x)
                if (free.Get(x, y) == -1) {
                    ASSERT_EQ(m.Get(x, y), TMaskUtil::GetDataMaskBit(mask, x, y) ? 1 : 0)
                        << "mask " << mask << " at " << x << "," << y;
                }
    }
    TBitArray exact;
    exact.AppendBits(0, 26 * 8);
    bool error = true;
    Build(exact, 1, 0, &error);
    EXPECT_FALSE(error);
    exact.AppendBit(true);
    Build(exact, 1, 0, &error);
    EXPECT_TRUE(error);
}

TEST(QrMatrix, MaskOutsideZeroToSevenWritesNoFormatInformation) {
    TBitArray ones;
    for (int i = 0; i < 26 * 8 + 30; ++i) ones.AppendBit(true);
    bool error = true;
    // -1: the 30 format cells take data too (26 codewords + 30 bits fit) and
    // nothing is masked.
    const TByteMatrix unmasked = Build(ones, 1, -1, &error);
    EXPECT_FALSE(error);
    EXPECT_EQ(Column(unmasked, 8, 0, 6) + Row(unmasked, 8, 0, 6), "111111111111");
    EXPECT_EQ(Row(unmasked, 8, 13, 8), "11111111");
    // Any other value inverts every data module.
    const TByteMatrix inverted = Build(TBitArray(), 1, 8, &error);
    EXPECT_EQ(Column(inverted, 8, 0, 6) + Row(inverted, 8, 0, 6), "111111111111");
    EXPECT_EQ(inverted.Get(20, 20), 1);
}

TEST(QrMatrix, EveryMaskGivesASymbolThatZbarReads) {
    const std::u16string text = u"https://example.org/velodrop_Ab3dEf9HkM_report.pdf";
    const TEncodedData data = TEncoder().EncodeCodewords(text, 0, LevelL());
    ASSERT_EQ(data.Version->VersionNumber(), 3);
    for (int mask = 0; mask < 8; ++mask) {
        const TByteMatrix m = Build(data.Codewords, 3, mask);
        EXPECT_EQ(test::DecodeMatrixWithZbar(m).value_or("<none>"),
                  "https://example.org/velodrop_Ab3dEf9HkM_report.pdf")
            << "mask " << mask;
    }
}

TEST(QrMaskChoice, LowestTotalPenaltyWinsAndTheLowerMaskOnTies) {
    for (int v : {1, 2, 7, 14, 27, 40}) {
        const TBitArray codewords = CodewordsOf(TextForVersion(v));
        int bestMask = -1;
        int bestScore = 0;
        for (int mask = 0; mask < 8; ++mask) {
            const int score = TotalPenalty(Build(codewords, v, mask));
            if (bestMask < 0 || score < bestScore) {
                bestMask = mask;
                bestScore = score;
            }
        }
        const int size = 17 + 4 * v;
        TByteMatrix scratch(size, size);
        EXPECT_EQ(TEncoder().ChooseMaskPattern(codewords, LevelL(), v, scratch), bestMask)
            << "version " << v;
    }
}

TEST(QrMaskChoice, EncodeTextKeepsTheChosenMasksMatrix) {
    const std::u16string text = u"HELLO WORLD";
    TQRCode record;
    TEncoder encoder;
    encoder.EncodeText(text, 0, LevelL(), record);
    EXPECT_FALSE(encoder.EncoderError());
    ASSERT_NE(record.Matrix(), nullptr);
    ASSERT_NE(record.ecLevel(), nullptr);
    EXPECT_EQ(record.ecLevel()->Bits(), 1);
    EXPECT_EQ(record.Mode(), TMode::qmAlphanumeric);
    EXPECT_EQ(record.Version(), 1);
    TByteMatrix scratch(21, 21);
    EXPECT_EQ(record.MaskPattern(),
              TEncoder().ChooseMaskPattern(CodewordsOf(text), LevelL(), 1, scratch));
    const TByteMatrix expected = Build(CodewordsOf(text), 1, record.MaskPattern());
    EXPECT_EQ(record.Matrix()->GetArray(), expected.GetArray());
}

TEST(QrMaskChoice, OnEqualLowestScoresTheLowerMaskWins) {
    // Look for texts whose best score is shared by two masks; they are not
    // rare among small symbols.
    int ties = 0;
    for (int i = 0; i < 400 && ties < 3; ++i) {
        const std::u16string text = u"tie " + std::u16string(1, char16_t(u'a' + i % 26)) +
                                    std::u16string(static_cast<std::size_t>(i / 26), u'x');
        const TEncodedData data = TEncoder().EncodeCodewords(text, 0, LevelL());
        const int v = data.Version->VersionNumber();
        std::vector<int> scores;
        for (int mask = 0; mask < 8; ++mask)
            scores.push_back(TotalPenalty(Build(data.Codewords, v, mask)));
        const int best = *std::min_element(scores.begin(), scores.end());
        if (std::count(scores.begin(), scores.end(), best) < 2) continue;
        ++ties;
        const int size = 17 + 4 * v;
        TByteMatrix scratch(size, size);
        EXPECT_EQ(TEncoder().ChooseMaskPattern(data.Codewords, LevelL(), v, scratch),
                  std::find(scores.begin(), scores.end(), best) - scores.begin())
            << "text " << i;
    }
    EXPECT_GT(ties, 0) << "no text with a tie found";
}

}  // namespace
}  // namespace vd::qr
