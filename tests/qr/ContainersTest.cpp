// Bit sequence, byte matrix, level and mode tables.
#include <gtest/gtest.h>

#include "QrTestSupport.h"
#include "TBitArray.h"
#include "TByteMatrix.h"
#include "TErrorCorrectionLevel.h"
#include "TMode.h"

namespace vd::qr {
namespace {

std::string BitsOf(const TBitArray& bits) {
    std::string text;
    for (int i = 0; i < bits.GetSize(); ++i) text += bits.Get(i) ? '1' : '0';
    return text;
}

TBitArray FromString(std::string_view text) {
    TBitArray bits;
    for (char c : text) bits.AppendBit(c == '1');
    return bits;
}

TEST(QrBitArray, SizeInBytesCountsAPartialByteAsWhole) {
    TBitArray bits;
    EXPECT_EQ(bits.GetSize(), 0);
    EXPECT_EQ(bits.GetSizeInBytes(), 0);
    const std::pair<int, int> expected[] = {{1, 1}, {8, 1}, {9, 2}};
    int appended = 0;
    for (const auto& [size, bytes] : expected) {
        while (appended < size) {
            bits.AppendBit(true);
            ++appended;
        }
        EXPECT_EQ(bits.GetSize(), size);
        EXPECT_EQ(bits.GetSizeInBytes(), bytes) << "after " << size << " bits";
    }
}

TEST(QrBitArray, BitsBeyondTheFirstWordStayReadable) {
    TBitArray bits;
    for (int i = 0; i < 70; ++i) bits.AppendBit(i % 3 == 0 || i == 32);
    ASSERT_EQ(bits.GetSize(), 70);
    for (int i = 0; i < 70; ++i) EXPECT_EQ(bits.Get(i), i % 3 == 0 || i == 32) << "bit " << i;
}

TEST(QrBitArray, AppendBitsTakesTheLowBitsMostSignificantFirst) {
    TBitArray bits;
    bits.AppendBits(5, 4);
    bits.AppendBits(0x1F, 3);
    bits.AppendBits(0xFFFFFFFF, 0);
    bits.AppendBits(0xFFFFFFFF, -3);
    bits.AppendBits(0x80000001, 32);
    EXPECT_EQ(BitsOf(bits),
              "0101111"
              "10000000000000000000000000000001");
}

TEST(QrBitArray, AppendBitArrayCopiesTheOtherSequence) {
    TBitArray a = FromString("101");
    const TBitArray b = FromString("0110011001100110011001100110011001");
    a.AppendBitArray(b);
    EXPECT_EQ(BitsOf(a), "101" + BitsOf(b));
    EXPECT_EQ(b.GetSize(), 34);
    a.AppendBitArray(a);
    EXPECT_EQ(BitsOf(a), "101" + BitsOf(b) + "101" + BitsOf(b));
}

TEST(QrBitArray, ToBytesReadsMostSignificantBitFirst) {
    const TBitArray bits = FromString(
        "1010000011111111"
        "0011");
    test::Bytes buffer(4, 0x55);
    bits.ToBytes(0, buffer, 1, 2);
    EXPECT_EQ(test::ToHex(buffer), "55 A0 FF 55");
    bits.ToBytes(4, buffer, 0, 2);
    EXPECT_EQ(test::ToHex(buffer), "0F F3 FF 55");
}

TEST(QrBitArray, XorOperationNeedsTheSameWordCount) {
    TBitArray a = FromString("111000111000111");
    a.XorOperation(FromString("101010101010101"));
    EXPECT_EQ(BitsOf(a), "010010010010010");
    TBitArray longer = FromString(std::string(40, '1'));
    a.XorOperation(longer);
    EXPECT_EQ(BitsOf(a), "010010010010010");
}

TEST(QrByteMatrix, CellsAndEmptyValue) {
    TByteMatrix matrix(3, 2);
    EXPECT_EQ(matrix.Width(), 3);
    EXPECT_EQ(matrix.Height(), 2);
    ASSERT_EQ(matrix.GetArray().size(), 2u);
    ASSERT_EQ(matrix.GetArray()[0].size(), 3u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(matrix.Get(x, y), 0);
    matrix.Clear(255);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(matrix.Get(x, y), -1);
    matrix.SetBoolean(2, 1, true);
    matrix.SetInteger(0, 1, 0);
    matrix.SetInteger(1, 0, -1);
    EXPECT_EQ(matrix.Get(2, 1), 1);
    EXPECT_EQ(matrix.Get(0, 1), 0);
    EXPECT_EQ(matrix.Get(1, 0), -1);
    EXPECT_EQ(matrix.GetArray()[1][2], 1);  // indexed [Y][X]
    EXPECT_EQ(matrix.GetArray()[0][1], 255);
}

TEST(QrErrorCorrectionLevel, IndicatorsAndVersionTableColumns) {
    // The version table lists L, M, Q, H; the indicators run M, L, H, Q.
    for (std::size_t column = 0; column < std::size(test::kLevels); ++column) {
        const test::LevelCase& c = test::kLevels[column];
        SCOPED_TRACE(std::string("level ") + c.letter);
        EXPECT_EQ(c.level.Bits(), c.indicator);
        EXPECT_EQ(c.level.Ordinal(), static_cast<int>(column));
        TErrorCorrectionLevel copy;
        copy.Assign(c.level);
        EXPECT_EQ(copy, c.level);
    }
    EXPECT_EQ(TErrorCorrectionLevel(), LevelL());
}

TEST(QrErrorCorrectionLevel, IndicatorsOutsideTwoBitsAreIgnored) {
    TErrorCorrectionLevel level = LevelQ();
    for (int bits : {4, -1, 0x101}) level.SetBits(bits);
    EXPECT_EQ(level, LevelQ());
    level.SetBits(0b10);
    EXPECT_EQ(level, LevelH());
}

TEST(QrMode, IndicatorsAndCountFieldWidths) {
    struct Case {
        TMode mode;
        int indicator;
        int width9, width10, width26, width27;
    };
    const Case cases[] = {
        {TMode::qmTerminator, 0, 0, 0, 0, 0},
        {TMode::qmNumeric, 1, 10, 12, 12, 14},
        {TMode::qmAlphanumeric, 2, 9, 11, 11, 13},
        {TMode::qmStructuredAppend, 3, 0, 0, 0, 0},
        {TMode::qmByte, 4, 8, 16, 16, 16},
        {TMode::qmECI, 7, 0, 0, 0, 0},
        {TMode::qmKanji, 8, 8, 10, 10, 12},
        {TMode::qmFNC1FirstPosition, 5, 0, 0, 0, 0},
        {TMode::qmFNC1SecondPosition, 9, 0, 0, 0, 0},
        {TMode::qmHanzi, 13, 8, 10, 10, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        EXPECT_EQ(ModeIndicator(c.mode), c.indicator);
        EXPECT_EQ(CountFieldWidth(c.mode, 1), c.width9);
        EXPECT_EQ(CountFieldWidth(c.mode, 9), c.width9);
        EXPECT_EQ(CountFieldWidth(c.mode, 10), c.width10);
        EXPECT_EQ(CountFieldWidth(c.mode, 26), c.width26);
        EXPECT_EQ(CountFieldWidth(c.mode, 27), c.width27);
        EXPECT_EQ(CountFieldWidth(c.mode, 40), c.width27);
    }
}

}  // namespace
}  // namespace vd::qr
