// The symbol object the application uses, and the result record.
#include <gtest/gtest.h>

#include "QrTestSupport.h"
#include "TEncoder.h"
#include "TQRCode.h"
#include "TQRCodeSymbol.h"

namespace vd::qr {
namespace {

std::vector<std::vector<bool>> Snapshot(const TQRCodeSymbol& symbol, int margin = 3) {
    std::vector<std::vector<bool>> modules;
    for (int r = -margin; r < symbol.Rows() + margin; ++r) {
        modules.emplace_back();
        for (int c = -margin; c < symbol.Columns() + margin; ++c)
            modules.back().push_back(symbol.IsBlack(r, c));
    }
    return modules;
}

TEST(QrSymbol, NoSymbolBeforeTheFirstWrite) {
    TQRCodeSymbol symbol;
    EXPECT_EQ(symbol.Rows(), 0);
    EXPECT_EQ(symbol.Columns(), 0);
    EXPECT_EQ(symbol.QuietZone(), 4);
    EXPECT_EQ(symbol.Encoding(), TQRCodeEncoding::qrAuto);
    EXPECT_EQ(symbol.ErrorCorrectionLevel(), LevelL());
    EXPECT_TRUE(symbol.Data().empty());
    EXPECT_FALSE(symbol.IsBlack(0, 0));
    EXPECT_FALSE(symbol.IsBlack(4, 4));
}

TEST(QrSymbol, Version1WithTheDefaultQuietZone) {
    TQRCodeSymbol symbol;
    symbol.SetData(u"12345");
    symbol.SetEncoding(TQRCodeEncoding::qrAuto);
    symbol.SetQuietZone(4);
    ASSERT_EQ(symbol.Rows(), 29);
    EXPECT_EQ(symbol.Columns(), 29);
    for (int i = 0; i < 29; ++i) {
        for (int q : {0, 1, 2, 3, 25, 26, 27, 28}) {
            EXPECT_FALSE(symbol.IsBlack(q, i)) << q << "," << i;
            EXPECT_FALSE(symbol.IsBlack(i, q)) << i << "," << q;
        }
    }
    EXPECT_TRUE(symbol.IsBlack(4, 4));
    EXPECT_TRUE(symbol.IsBlack(4 + 13, 4 + 8));  // the dark module: row 13, column 8
    EXPECT_FALSE(symbol.IsBlack(4 + 7, 4 + 7));  // separator corner
    EXPECT_TRUE(symbol.IsBlack(4 + 6, 4 + 8));   // timing: row 6, column 8
    EXPECT_FALSE(symbol.IsBlack(4 + 6, 4 + 9));
    for (int outside : {-1, -100, 29, 1000}) {
        EXPECT_FALSE(symbol.IsBlack(outside, 10));
        EXPECT_FALSE(symbol.IsBlack(10, outside));
    }
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), "12345");
}

TEST(QrSymbol, RowAndColumnAreNotSwapped) {
    TQRCodeSymbol symbol;
    symbol.SetQuietZone(0);
    symbol.SetData(u"HELLO WORLD");
    // The version word is absent at version 1, so use the asymmetric parts
    // of the function patterns: the dark module sits at row 13, column 8;
    // row 8, column 13 holds format bit 7.
    EXPECT_TRUE(symbol.IsBlack(13, 8));
    TQRCode record;
    TEncoder().EncodeText(u"HELLO WORLD", 0, LevelL(), record);
    for (int row = 0; row < 21; ++row)
        for (int column = 0; column < 21; ++column)
            ASSERT_EQ(symbol.IsBlack(row, column), record.Matrix()->Get(column, row) == 1)
                << row << "," << column;
}

TEST(QrSymbol, QuietZoneOutsideZeroToHundredIsIgnored) {
    TQRCodeSymbol symbol;
    symbol.SetData(u"HELLO WORLD");
    const auto before = Snapshot(symbol);
    symbol.SetQuietZone(101);
    symbol.SetQuietZone(-1);
    EXPECT_EQ(symbol.QuietZone(), 4);
    EXPECT_EQ(Snapshot(symbol), before);
    symbol.SetQuietZone(0);
    EXPECT_EQ(symbol.Rows(), 21);
    EXPECT_TRUE(symbol.IsBlack(0, 0));
    symbol.SetQuietZone(100);
    EXPECT_EQ(symbol.Rows(), 221);
    EXPECT_FALSE(symbol.IsBlack(99, 99));
    EXPECT_TRUE(symbol.IsBlack(100, 100));
}

TEST(QrSymbol, EncodingOrQuietZoneAloneEncodeTheEmptyText) {
    TQRCodeSymbol symbol;
    symbol.SetEncoding(TQRCodeEncoding::qrNumeric);
    EXPECT_EQ(symbol.Rows(), 29);
    TQRCodeSymbol other;
    other.SetQuietZone(2);
    EXPECT_EQ(other.Rows(), 25);
    // The empty text is a byte segment holding EF BB BF.
    EXPECT_EQ(test::DecodeWithZbar(other).value_or("<none>"), "\xEF\xBB\xBF");
}

TEST(QrSymbol, ATextTooLongForVersion40KeepsThePreviousSymbol) {
    TQRCodeSymbol symbol;
    symbol.SetData(u"https://example.org/a");
    const auto before = Snapshot(symbol);
    const int rows = symbol.Rows();
    const std::u16string tooLong(2954, u'x');
    try {
        symbol.SetData(tooLong);
        FAIL() << "no error";
    } catch (const EQRCodeTooLong& error) {
        EXPECT_STREQ(error.what(), "The link is too long for a QR code");
    }
    EXPECT_EQ(symbol.Data(), tooLong);
    EXPECT_EQ(symbol.Rows(), rows);
    EXPECT_EQ(Snapshot(symbol), before);
    // A new quiet zone is stored although encoding fails again; the symbol
    // on show keeps the quiet zone it was built with.
    EXPECT_THROW(symbol.SetQuietZone(0), EQRCodeTooLong);
    EXPECT_EQ(symbol.QuietZone(), 0);
    EXPECT_EQ(symbol.Rows(), rows);
    EXPECT_EQ(Snapshot(symbol), before);
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), "https://example.org/a");
    // A text that fits brings the new quiet zone into effect.
    symbol.SetData(u"https://example.org/b");
    EXPECT_EQ(symbol.Rows(), rows - 8);
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), "https://example.org/b");
}

TEST(QrSymbol, ALevelChangeEncodesAnew) {
    TQRCodeSymbol symbol;
    symbol.SetData(u"https://example.org/a");
    const auto atL = Snapshot(symbol);
    symbol.SetErrorCorrectionLevel(LevelH());
    EXPECT_EQ(symbol.ErrorCorrectionLevel(), LevelH());
    EXPECT_NE(Snapshot(symbol), atL);
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), "https://example.org/a");
    symbol.SetErrorCorrectionLevel(LevelL());
    EXPECT_EQ(Snapshot(symbol), atL);
    // The level alone encodes the empty text.
    TQRCodeSymbol other;
    other.SetErrorCorrectionLevel(LevelQ());
    EXPECT_EQ(other.Rows(), 29);
}

TEST(QrSymbol, ALevelTooHighForTheTextKeepsThePreviousSymbol) {
    // 1500 bytes fit version 40 at L, M and Q (at most 1663 bytes), not at H
    // (at most 1273).
    const std::u16string text(1500, u'x');
    TQRCodeSymbol symbol;
    symbol.SetData(text);
    const auto atL = Snapshot(symbol);
    EXPECT_THROW(symbol.SetErrorCorrectionLevel(LevelH()), EQRCodeTooLong);
    EXPECT_EQ(symbol.ErrorCorrectionLevel(), LevelH());
    EXPECT_EQ(Snapshot(symbol), atL);
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), std::string(1500, 'x'));
    // Only a different level encodes anew: H again is no change.
    EXPECT_NO_THROW(symbol.SetErrorCorrectionLevel(LevelH()));
    symbol.SetErrorCorrectionLevel(LevelM());
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), std::string(1500, 'x'));
    EXPECT_NE(Snapshot(symbol), atL);
}

TEST(QrSymbol, EncodingChoiceReachesTheSymbol) {
    TQRCodeSymbol symbol;
    symbol.SetData(u"Caf\u00E9 ab12");
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), "Caf\xE9 ab12");
    symbol.SetEncoding(TQRCodeEncoding::qrUTF8BOM);
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), "Caf\xC3\xA9 ab12");
    symbol.SetEncoding(TQRCodeEncoding::qrUTF8NoBOM);
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"),
              "\xEF\xBB\xBF"
              "Caf\xC3\xA9 ab12");
    symbol.SetEncoding(TQRCodeEncoding::qrNumeric);
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), "12");
    symbol.SetEncoding(TQRCodeEncoding::qrAlphanumeric);
    EXPECT_EQ(test::DecodeWithZbar(symbol).value_or("<none>"), "C 12");
}

TEST(QrRecord, AtIsValidAndSetAll) {
    TQRCode record;
    EXPECT_EQ(record.Mode(), TMode::qmTerminator);
    EXPECT_EQ(record.Version(), -1);
    EXPECT_EQ(record.MaskPattern(), -1);
    EXPECT_FALSE(TQRCode::IsValidMaskPattern(-1));
    EXPECT_FALSE(TQRCode::IsValidMaskPattern(8));
    EXPECT_TRUE(TQRCode::IsValidMaskPattern(0));
    EXPECT_TRUE(TQRCode::IsValidMaskPattern(7));

    TEncoder().EncodeText(u"12345", 0, LevelL(), record);
    EXPECT_FALSE(record.IsValid());  // codeword counts and width stay -1
    EXPECT_EQ(record.NumTotalBytes(), -1);
    EXPECT_EQ(record.MatrixWidth(), -1);
    EXPECT_EQ(record.At(0, 0), 1);
    EXPECT_FALSE(record.QRCodeError());
    record.SetAll(1, 26, 19, 1, 7, 21);
    EXPECT_TRUE(record.IsValid());
    record.SetAll(1, 26, 19, 1, 6, 21);
    EXPECT_FALSE(record.IsValid());

    auto empty = std::make_unique<TByteMatrix>(21, 21);
    empty->Clear(255);
    record.SetMatrix(std::move(empty));
    EXPECT_EQ(record.At(3, 3), -1);
    EXPECT_TRUE(record.QRCodeError());
}

}  // namespace
}  // namespace vd::qr
