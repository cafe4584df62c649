// Symbols rendered to an image and read back by a real decoder (zbar, binary
// mode): the bytes it reads must be the bytes encoded, and the format
// information must name the error-correction level asked for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "QrTestSupport.h"
#include "TQRCodeSymbol.h"

namespace vd::qr {
namespace {

using test::Kind;

struct Sample {
    std::string name;
    std::u16string text;
    std::string bytes;  // what the symbol must carry
    int version = 0;    // 0: any
    char level = 'L';
};

// One character as UTF-16 and as UTF-8, both written by the compiler.
struct Piece {
    std::u16string_view utf16;
    std::u8string_view utf8;
};
constexpr Piece kUtf8Pieces[] = {{u"a", u8"a"},
                                 {u"\u00FC", u8"\u00FC"},
                                 {u"\u20AC", u8"\u20AC"},
                                 {u"\u65E5", u8"\u65E5"},
                                 {u"\U0001F600", u8"\U0001F600"},
                                 {u" ", u8" "},
                                 {u"/", u8"/"},
                                 {u"Z", u8"Z"}};
constexpr std::u16string_view kLatin1 =
    u"Gr\u00FC\u00DFe, \u00C6r\u00F8sk\u00F8bing! \u00BFQu\u00E9? ~";
constexpr std::u16string_view kAlphanumeric = u"HTTPS://EXAMPLE.ORG/$%*+-. 0123456789:";

// Appends characters of the kind until Length (characters, or bytes with
// EF BB BF for UTF-8) is reached; Pick chooses the next character.
template <typename Pick>
Sample Make(Kind kind, bool utf8, int length, Pick pick) {
    Sample s;
    if (utf8) {
        // A euro sign first: auto mode needs a character above U+00FF to
        // choose UTF-8.
        s.text = u"\u20AC";
        s.bytes = "\xEF\xBB\xBF\xE2\x82\xAC";
        for (;;) {
            const Piece& p = kUtf8Pieces[pick(std::size(kUtf8Pieces))];
            if (s.bytes.size() + p.utf8.size() > static_cast<std::size_t>(length)) break;
            s.text += p.utf16;
            s.bytes.append(p.utf8.begin(), p.utf8.end());
        }
        return s;
    }
    for (int i = 0; i < length; ++i) {
        char16_t ch = 0;
        if (kind == Kind::Numeric) ch = static_cast<char16_t>(u'0' + pick(10));
        if (kind == Kind::Alphanumeric) ch = kAlphanumeric[pick(kAlphanumeric.size())];
        if (kind == Kind::Byte) ch = kLatin1[pick(kLatin1.size())];
        s.text += ch;
        s.bytes += static_cast<char>(ch & 0xFF);
    }
    return s;
}

// Every version filled to its capacity at the level LevelOf gives it.
template <typename LevelOf>
std::vector<Sample> EveryVersion(LevelOf levelOf) {
    std::vector<Sample> samples;
    const char* names[] = {"numeric", "alphanumeric", "Latin-1", "UTF-8"};
    for (int v = 1; v <= 40; ++v) {
        const int style = v % 4;
        const Kind kind = style == 0 ? Kind::Numeric : style == 1 ? Kind::Alphanumeric : Kind::Byte;
        const char level = levelOf(v);
        std::size_t next = static_cast<std::size_t>(v);
        Sample s = Make(kind, style == 3, test::MaxLength(kind, v, level),
                        [&next](std::size_t n) { return next++ % n; });
        s.name = std::string(names[style]) + ", full version " + std::to_string(v) + "-" + level;
        s.version = v;
        s.level = level;
        samples.push_back(std::move(s));
    }
    return samples;
}

// The level indicator of the format word, after checking that both copies
// carry the same word.
int LevelIndicatorOf(const TQRCodeSymbol& symbol) {
    const int word = test::FormatWordOf(symbol, 0);
    EXPECT_EQ(test::FormatWordOf(symbol, 1), word) << "the two format copies differ";
    return ((word ^ 0b101010000010010) >> 13) & 0b11;
}

void ExpectRoundTrip(const Sample& sample) {
    SCOPED_TRACE(sample.name);
    TQRCodeSymbol symbol;
    symbol.SetErrorCorrectionLevel(test::Level(sample.level).level);
    symbol.SetData(sample.text);
    if (sample.version != 0) {
        ASSERT_EQ(symbol.Rows(), 17 + 4 * sample.version + 8);
    }
    EXPECT_EQ(LevelIndicatorOf(symbol), test::Level(sample.level).indicator);
    const std::optional<std::string> read = test::DecodeWithZbar(symbol);
    ASSERT_TRUE(read.has_value()) << "zbar found no symbol";
    EXPECT_EQ(*read, sample.bytes);
}

TEST(QrDecoderRoundTrip, TextsOfEveryModeAndEveryVersion) {
    std::vector<Sample> samples = {
        {"link", u"https://files.example.org/velodrop_x7Kp2mQr9Z_Holiday photos.zip",
         "https://files.example.org/velodrop_x7Kp2mQr9Z_Holiday photos.zip"},
        {"12345", u"12345", "12345"},
        {"HELLO WORLD", u"HELLO WORLD", "HELLO WORLD"},
        {"A0B", u"A0B", "A0B"},
        {"e acute", u"\u00E9", "\xE9"},
        {"euro", u"\u20AC", "\xEF\xBB\xBF\xE2\x82\xAC"},
        {"41 digits", std::u16string(41, u'4'), std::string(41, '4')},
        {"230 bytes", std::u16string(230, u'b'), std::string(230, 'b'), 9},
        {"231 bytes", std::u16string(231, u'b'), std::string(231, 'b'), 10},
        {"7089 digits", std::u16string(7089, u'1'), std::string(7089, '1'), 40},
        {"4296 alphanumeric", std::u16string(4296, u'Z'), std::string(4296, 'Z'), 40},
        {"2953 bytes", std::u16string(2953, u'z'), std::string(2953, 'z'), 40},
    };
    for (Sample& s : EveryVersion([](int) { return 'L'; })) samples.push_back(std::move(s));
    for (const Sample& sample : samples) ExpectRoundTrip(sample);
}

TEST(QrDecoderRoundTrip, ALinkGrowsFromVersion4AtLToVersion7AtH) {
    // 64 bytes, ISO/IEC 18004 Table 7: 3-L holds 53, 4-M 62, 5-Q 60 and 6-H
    // 58 bytes; 7-H holds exactly 64.
    const std::string link = "https://files.example.org/velodrop_x7Kp2mQr9Z_Holiday photos.zip";
    const std::u16string text(link.begin(), link.end());
    const std::pair<char, int> cases[] = {{'L', 4}, {'M', 5}, {'Q', 6}, {'H', 7}};
    for (const auto& [level, version] : cases) {
        ExpectRoundTrip({std::string("link at ") + level, text, link, version, level});
    }
}

TEST(QrDecoderRoundTrip, EveryVersionFullAtTheHigherLevels) {
    for (const Sample& sample : EveryVersion([](int v) { return "MQH"[v % 3]; }))
        ExpectRoundTrip(sample);
}

TEST(QrDecoderRoundTrip, SeededRandomTexts) {
    const char* fromEnvironment = std::getenv("QR_TEST_SEED");
    const unsigned seed = fromEnvironment != nullptr
                              ? static_cast<unsigned>(std::strtoul(fromEnvironment, nullptr, 10))
                              : std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed) +
                 " (rerun with QR_TEST_SEED=" + std::to_string(seed) + ")");
    std::mt19937 random(seed);
    const auto pick = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (int i = 0; i < 30; ++i) {
        const int style = static_cast<int>(pick(4));
        const Kind kind = style == 0 ? Kind::Numeric : style == 1 ? Kind::Alphanumeric : Kind::Byte;
        const int version = 1 + static_cast<int>(pick(40));
        const char level = "LMQH"[pick(4)];
        const int length =
            1 +
            static_cast<int>(pick(static_cast<std::size_t>(test::MaxLength(kind, version, level))));
        Sample s = Make(kind, style == 3, std::max(length, 8), pick);
        s.level = level;
        s.name = "sample " + std::to_string(i) + ", style " + std::to_string(style) + ", " +
                 std::to_string(s.text.size()) + " code units at " + level;
        ExpectRoundTrip(s);
    }
}

}  // namespace
}  // namespace vd::qr
