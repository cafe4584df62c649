// Mode choice, segment bits, version choice, padding, blocks and
// interleaving, through the codewords the encoder produces.
#include <gtest/gtest.h>

#include <random>

#include "DataSegment.h"
#include "EQRCodeTooLong.h"
#include "QrTestSupport.h"
#include "TEncoder.h"

namespace vd::qr {
namespace {

using test::Bytes;
using test::Hex;
using test::Kind;
using test::ToHex;

// The data codewords given, then pad codewords EC 11 EC ... up to count.
std::string Padded(std::string_view hex, int count) {
    Bytes bytes = Hex(hex);
    for (int i = 0; bytes.size() < static_cast<std::size_t>(count); ++i)
        bytes.push_back(i % 2 == 0 ? 0xEC : 0x11);
    return ToHex(bytes);
}

TEncodedData Encode(const std::u16string& text, int encoding = 0,
                    const TErrorCorrectionLevel& level = LevelL()) {
    TEncoder encoder;
    TEncodedData data = encoder.EncodeCodewords(text, encoding, level);
    EXPECT_FALSE(encoder.EncoderError());
    return data;
}

struct CodewordCase {
    const char* name;
    std::u16string text;
    int encoding;
    TMode mode;
    int encodingAfter;
    int count;
    const char* dataCodewords;  // pad codewords follow up to 19
};

TEST(QrDataEncoding, WorkedExamplesAtVersion1) {
    const CodewordCase cases[] = {
        {"12345", u"12345", 0, TMode::qmNumeric, 0, 5, "10 14 7B 5A 00"},
        {"HELLO WORLD", u"HELLO WORLD", 0, TMode::qmAlphanumeric, 0, 11,
         "20 5B 0B 78 D1 72 DC 4D 43 40"},
        {"A0B keeps its 0", u"A0B", 0, TMode::qmAlphanumeric, 0, 3, "20 19 C2 2C 00"},
        {"lower case is byte mode", u"hello", 0, TMode::qmByte, 3, 5, "40 56 86 56 C6 C6 F0"},
        {"e acute is Latin-1", u"\u00E9", 0, TMode::qmByte, 3, 1, "40 1E 90"},
        {"euro is UTF-8 with EF BB BF", u"\u20AC", 0, TMode::qmByte, 4, 6,
         "40 6E FB BB FE 28 2A C0"},
        {"empty text", u"", 0, TMode::qmByte, 4, 3, "40 3E FB BB F0"},
        {"surrogate pair is one 4-byte sequence", u"\U0001F600", 0, TMode::qmByte, 4, 7,
         "40 7E FB BB FF 09 F9 88 00"},
        {"lone surrogate becomes U+FFFD", std::u16string(1, char16_t(0xD800)), 0, TMode::qmByte, 4,
         6, "40 6E FB BB FE FB FB D0"},
        {"encoding 5 writes UTF-8 alone", u"ab", 5, TMode::qmByte, 5, 2, "40 26 16 20"},
        {"encoding 4 writes EF BB BF first", u"ab", 4, TMode::qmByte, 4, 5, "40 5E FB BB F6 16 20"},
        {"numeric drops other characters", u"12a3", 1, TMode::qmNumeric, 1, 3, "10 0C 7B 00"},
        {"alphanumeric of lower case is empty", u"hello", 2, TMode::qmAlphanumeric, 2, 0,
         "20 00 00"},
        {"Latin-1 drops what it cannot carry", u"a\u20ACb", 3, TMode::qmByte, 3, 2, "40 26 16 20"},
        {"unknown encoding writes no data", u"abc", 9, TMode::qmByte, 9, 0, "40 00"},
    };
    for (const CodewordCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TEncodedData data = Encode(c.text, c.encoding);
        EXPECT_EQ(data.Mode, c.mode);
        EXPECT_EQ(data.Encoding, c.encodingAfter);
        EXPECT_EQ(data.CharacterCount, c.count);
        ASSERT_NE(data.Version, nullptr);
        EXPECT_EQ(data.Version->VersionNumber(), 1);
        EXPECT_EQ(ToHex(test::BytesOf(data.DataBits)), Padded(c.dataCodewords, 19));
        EXPECT_EQ(data.Codewords.GetSize(), 26 * 8);
    }
}

TEST(QrDataEncoding, ErrorCorrectionCodewordsOf12345) {
    const Bytes codewords = test::BytesOf(Encode(u"12345").Codewords);
    EXPECT_EQ(ToHex(codewords), Padded("10 14 7B 5A 00", 19) + " 9B 8F 29 1B F3 9C 91");
}

TEST(QrDataEncoding, AlphanumericTable) {
    const std::u16string set = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    for (std::size_t i = 0; i < set.size(); ++i) EXPECT_EQ(AlphanumericValue(set[i]), int(i));
    for (char16_t ch : std::u16string(u"abz!\"#&'(),;=?@[\\]^_`{|}~\u00C4\u20AC"))
        EXPECT_EQ(AlphanumericValue(ch), -1) << int(ch);
    EXPECT_EQ(AlphanumericValue(0), -1);
    EXPECT_EQ(AlphanumericValue(0x0130), -1);
}

TEST(QrDataEncoding, ByteModeAtTheVersion9To10Border) {
    const TEncodedData fits9 = Encode(std::u16string(230, u'x'));
    EXPECT_EQ(fits9.Version->VersionNumber(), 9);
    const TEncodedData needs10 = Encode(std::u16string(231, u'x'));
    EXPECT_EQ(needs10.Version->VersionNumber(), 10);
    // Version 10 counts bytes in 16 bits: 0100, then 231 as 0000000011100111.
    EXPECT_EQ(ToHex(test::BytesOf(needs10.DataBits)).substr(0, 8), "40 0E 77");
}

TEST(QrDataEncoding, FortyOneDigitsFillVersion1WithOneTerminatorBit) {
    const std::u16string digits = u"12345678901234567890123456789012345678901";
    const TEncodedData data = Encode(digits);
    ASSERT_EQ(data.Version->VersionNumber(), 1);
    // 4 + 10 + 13 * 10 + 7 = 151 data bits, one terminator bit, no pad.
    ASSERT_EQ(data.DataBits.GetSize(), 152);
    EXPECT_FALSE(data.DataBits.Get(151));
    std::string lastGroup;  // "01" in 7 bits closes the data
    for (int i = 144; i < 151; ++i) lastGroup += data.DataBits.Get(i) ? '1' : '0';
    EXPECT_EQ(lastGroup, "0000001");
    EXPECT_EQ(Encode(digits + u"2").Version->VersionNumber(), 2);
}

TEST(QrDataEncoding, LargestTextsOfVersion40AndOneMore) {
    // ISO/IEC 18004 Table 7, version 40: digits, alphanumeric characters and
    // bytes per level.
    struct Case {
        char level;
        std::size_t digits, alphanumeric, bytes;
    };
    const Case cases[] = {
        {'L', 7089, 4296, 2953},
        {'M', 5596, 3391, 2331},
        {'Q', 3993, 2420, 1663},
        {'H', 3057, 1852, 1273},
    };
    for (const Case& c : cases) {
        const TErrorCorrectionLevel level = test::Level(c.level).level;
        for (const std::u16string& largest :
             {std::u16string(c.digits, u'7'), std::u16string(c.alphanumeric, u'Q'),
              std::u16string(c.bytes, u'q')}) {
            SCOPED_TRACE(std::to_string(largest.size()) + " characters at " + c.level);
            EXPECT_EQ(Encode(largest, 0, level).Version->VersionNumber(), 40);
            TEncoder encoder;
            EXPECT_THROW(encoder.EncodeCodewords(largest + largest.substr(0, 1), 0, level),
                         EQRCodeTooLong);
        }
    }
    TEncoder encoder;
    EXPECT_THROW(encoder.EncodeCodewords(std::u16string(10000, u'1'), 0, LevelL()), EQRCodeTooLong);
    // Far beyond any symbol: refused without counting its bits.
    EXPECT_THROW(encoder.EncodeCodewords(std::u16string(100'000'000, u'\u20AC'), 0, LevelL()),
                 EQRCodeTooLong);
    // Filtering comes first: what is left of a long text may fit.
    std::u16string mostlyLetters(100'000, u'a');
    mostlyLetters += u"12345";
    EXPECT_EQ(encoder.EncodeCodewords(mostlyLetters, 1, LevelL()).CharacterCount, 5);
    TQRCode record;
    EXPECT_THROW(encoder.EncodeText(std::u16string(3000, u'a'), 0, LevelL(), record),
                 EQRCodeTooLong);
    EXPECT_EQ(record.Matrix(), nullptr);
}

TEST(QrDataEncoding, EveryVersionHoldsExactlyItsCapacityInEveryModeAndLevel) {
    const std::pair<Kind, char16_t> kinds[] = {
        {Kind::Numeric, u'9'}, {Kind::Alphanumeric, u'%'}, {Kind::Byte, u'~'}};
    for (const test::LevelCase& level : test::kLevels) {
        for (int v = 1; v <= 40; ++v) {
            for (const auto& [kind, ch] : kinds) {
                const int n = test::MaxLength(kind, v, level.letter);
                SCOPED_TRACE("version " + std::to_string(v) + "-" + level.letter + ", " +
                             std::to_string(n) + " chars");
                EXPECT_EQ(Encode(std::u16string(n, ch), 0, level.level).Version->VersionNumber(),
                          v);
                if (v < 40) {
                    EXPECT_EQ(
                        Encode(std::u16string(n + 1, ch), 0, level.level).Version->VersionNumber(),
                        v + 1);
                }
            }
        }
    }
}

// Data codewords split into the blocks the table lists for the version in
// the level's column (0 to 3: L, M, Q, H), each with its textbook EC
// codewords, read column by column.
Bytes ExpectedInterleaving(const Bytes& data, const TVersion& version, std::size_t column) {
    const TECBlocks& layout = version.ECBlocks()[column];
    std::vector<std::vector<int>> dataBlocks, ecBlocks;
    std::size_t offset = 0;
    for (const TECB& group : layout.GetECBlocks()) {
        for (int b = 0; b < group.GetCount(); ++b) {
            const auto n = static_cast<std::size_t>(group.GetDataCodewords());
            dataBlocks.emplace_back(data.begin() + offset, data.begin() + offset + n);
            ecBlocks.push_back(
                test::TextbookRemainder(dataBlocks.back(), layout.GetECCodewordsPerBlock()));
            offset += n;
        }
    }
    Bytes result;
    for (const auto* blocks : {&dataBlocks, &ecBlocks})
        for (std::size_t i = 0; i < blocks->back().size(); ++i)
            for (const std::vector<int>& block : *blocks)
                if (i < block.size()) result.push_back(static_cast<std::uint8_t>(block[i]));
    return result;
}

TEST(QrDataEncoding, BlocksAndInterleavingOnEveryVersionAndLevel) {
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> latin1(0, 255);
    for (std::size_t column = 0; column < std::size(test::kLevels); ++column) {
        const test::LevelCase& level = test::kLevels[column];
        for (int v = 1; v <= 40; ++v) {
            SCOPED_TRACE("version " + std::to_string(v) + "-" + level.letter);
            std::u16string text(
                static_cast<std::size_t>(test::MaxLength(Kind::Byte, v, level.letter)), u' ');
            for (char16_t& ch : text) ch = static_cast<char16_t>(latin1(random));
            const TEncodedData data = Encode(text, 3, level.level);
            ASSERT_EQ(data.Version->VersionNumber(), v);
            const Bytes dataCodewords = test::BytesOf(data.DataBits);
            ASSERT_EQ(dataCodewords.size(),
                      static_cast<std::size_t>(test::DataCodewords(v, level.letter)));
            EXPECT_EQ(test::BytesOf(data.Codewords),
                      ExpectedInterleaving(dataCodewords, *data.Version, column));
        }
    }
}

}  // namespace
}  // namespace vd::qr
