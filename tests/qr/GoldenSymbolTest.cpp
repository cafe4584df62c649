// Symbols recorded once and compared module for module ever since: a digest
// of every symbol in a fixed set of texts (every mode, forced encodings,
// versions 1 to 40, all four levels). Work on the encoder's speed must leave
// each symbol exactly as it was; a changed digest names the text and level.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "EQRCodeTooLong.h"
#include "QrTestSupport.h"
#include "TQRCodeSymbol.h"

namespace vd::qr {
namespace {

enum class Alphabet { Digits, Alphanumeric, Latin1, Utf16, Mixed, Lower };

// The characters a text is drawn from. Utf16 holds a surrogate pair, which
// is one piece of two code units.
std::u16string_view Characters(Alphabet alphabet) {
    switch (alphabet) {
        case Alphabet::Digits:
            return u"0123456789";
        case Alphabet::Alphanumeric:
            return u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
        case Alphabet::Latin1:
            return u"abcdefghijklmnopqrstuvwxyz ABC/.:-_?=&0123456789\u00E9\u00FC\u00DF\u00C6~";
        case Alphabet::Utf16:
            return u"a\u00FC\u20AC\u65E5 /Z\U0001F600";
        case Alphabet::Mixed:
            return u"0123456789abcXYZ-/";
        case Alphabet::Lower:
            return u"abcdefghijklmnopqrstuvwxyzABC0123 ";
    }
    return u"";
}

// Length pieces drawn from the alphabet by a fixed linear congruential
// sequence seeded with the length: the same text on every machine.
std::u16string MakeText(Alphabet alphabet, int length) {
    const std::u16string_view characters = Characters(alphabet);
    std::u16string text;
    std::uint32_t state = static_cast<std::uint32_t>(length) * 2654435761u + 1;
    for (int i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        std::size_t at = (state >> 16) % characters.size();
        if (at > 0 && characters[at] >= 0xDC00 && characters[at] <= 0xDFFF) --at;  // whole pair
        text += characters[at];
        if (characters[at] >= 0xD800 && characters[at] <= 0xDBFF) text += characters[at + 1];
    }
    return text;
}

// 64-bit FNV-1a over the side length and every module, row by row.
std::uint64_t Digest(const TQRCodeSymbol& symbol) {
    std::uint64_t hash = 14695981039346656037u;
    const auto add = [&hash](unsigned byte) {
        hash ^= byte;
        hash *= 1099511628211u;
    };
    add(static_cast<unsigned>(symbol.Rows()));
    for (int r = 0; r < symbol.Rows(); ++r)
        for (int c = 0; c < symbol.Columns(); ++c) add(symbol.IsBlack(r, c) ? 1 : 0);
    return hash;
}

// What a level gives: the version (0 when the text does not fit version 40)
// and the digest of the symbol (0 then).
struct Result {
    int version;
    std::uint64_t digest;
    friend bool operator==(const Result&, const Result&) = default;
};

struct GoldenCase {
    Alphabet alphabet;
    int length;
    TQRCodeEncoding encoding;
    std::array<Result, 4> levels;  // L, M, Q, H
};

constexpr TQRCodeEncoding kAuto = TQRCodeEncoding::qrAuto;

// Recorded from the encoder before its speed work: version and digest per
// level; {0, 0} where the text does not fit version 40 at that level.
// clang-format off
const GoldenCase kGolden[] = {
    {Alphabet::Digits, 1, kAuto,
     {{{1, 0x54bfd47ff4654ff2u}, {1, 0x42763d6c0c7bf2e4u},
       {1, 0xd2de414b4f241852u}, {1, 0x65a096a0a274ff42u}}}},
    {Alphabet::Digits, 17, kAuto,
     {{{1, 0x12fea49234ca734cu}, {1, 0xfc8ff6c1623c4ca0u},
       {1, 0x24c7182010470948u}, {1, 0xd9f9998ba0123ffau}}}},
    {Alphabet::Digits, 41, kAuto,
     {{{1, 0x6d756a675826c2c8u}, {2, 0xdd9f632155b68e98u},
       {2, 0xa6b8be0a19624456u}, {3, 0x2ae44128a0e6a2feu}}}},
    {Alphabet::Digits, 100, kAuto,
     {{{3, 0xc80ae83cb488fe70u}, {3, 0xcd974305897a93a6u},
       {4, 0xe2628d6c9bd60353u}, {5, 0x1ff5b4d4ae60f572u}}}},
    {Alphabet::Digits, 300, kAuto,
     {{{6, 0x23fbfc856ea9af23u}, {8, 0x9f71924a97ab1db8u},
       {9, 0x52efc924fa74ea6eu}, {11, 0x8e967e42f9af00e7u}}}},
    {Alphabet::Digits, 700, kAuto,
     {{{11, 0x97057e84df6d79a6u}, {13, 0x973281b59dc70ff6u},
       {15, 0xbd5a5b81ba48da7du}, {18, 0x1f0c45ebe3db2db3u}}}},
    {Alphabet::Digits, 1500, kAuto,
     {{{17, 0x3cd79d4c5c7bff72u}, {19, 0x04c61ca139f896d0u},
       {24, 0x9f100e9d2d7210f2u}, {27, 0xae34c38447ef1817u}}}},
    {Alphabet::Digits, 3000, kAuto,
     {{{25, 0x0273ad8cc1f5864eu}, {29, 0xc13918b508d1c750u},
       {35, 0x09d96cd378ecc30cu}, {40, 0xc2bda6ef22e6189eu}}}},
    {Alphabet::Digits, 5000, kAuto,
     {{{34, 0x572986887d4f88ecu}, {38, 0x14ce407f42e9f792u},
       {0, 0}, {0, 0}}}},
    {Alphabet::Digits, 7089, kAuto,
     {{{40, 0xb79afb1f372e95d6u}, {0, 0},
       {0, 0}, {0, 0}}}},
    {Alphabet::Digits, 7090, kAuto,
     {{{0, 0}, {0, 0},
       {0, 0}, {0, 0}}}},
    {Alphabet::Alphanumeric, 1, kAuto,
     {{{1, 0x6cbd076fa0471be0u}, {1, 0x7033c81efe603d4eu},
       {1, 0xb36b87be47be9adeu}, {1, 0x24d9ed11fdfd0020u}}}},
    {Alphabet::Alphanumeric, 25, kAuto,
     {{{1, 0xf32ab3ffa5a5b9deu}, {2, 0xe5c5dc9f5d7bb142u},
       {2, 0x77248f49e3d2badau}, {3, 0x22dd8cb755e43df8u}}}},
    {Alphabet::Alphanumeric, 60, kAuto,
     {{{3, 0xb6c2bc9d451652c7u}, {3, 0xbdc9eb7cd6b759a8u},
       {4, 0xa932d077fadc6abcu}, {5, 0x0296378f2e189126u}}}},
    {Alphabet::Alphanumeric, 200, kAuto,
     {{{7, 0x84c83ad35d7903deu}, {8, 0x44bbbde7135ce92eu},
       {10, 0xa7f04e03fdf882f2u}, {11, 0x5cfce5d882cd8e1eu}}}},
    {Alphabet::Alphanumeric, 500, kAuto,
     {{{12, 0x6915d691b0236a1fu}, {14, 0xe4ddfa388a58eaa8u},
       {17, 0x32c961cd94080994u}, {20, 0x9fc45d54f3412ffcu}}}},
    {Alphabet::Alphanumeric, 1000, kAuto,
     {{{18, 0x60d902614e4e2459u}, {21, 0xaa9497bfdc7dbd84u},
       {25, 0xbc8e64be34ee69f0u}, {29, 0x623dd3b2fe622777u}}}},
    {Alphabet::Alphanumeric, 2000, kAuto,
     {{{27, 0xf0d511d6a5ac7ddcu}, {31, 0x91205caafe9045e4u},
       {37, 0xd35ba23d8d2923e8u}, {0, 0}}}},
    {Alphabet::Alphanumeric, 3000, kAuto,
     {{{33, 0xaee2c9f42638a211u}, {38, 0x52bed220541b1144u},
       {0, 0}, {0, 0}}}},
    {Alphabet::Alphanumeric, 4296, kAuto,
     {{{40, 0xc3c9a798b6014284u}, {0, 0},
       {0, 0}, {0, 0}}}},
    {Alphabet::Latin1, 10, kAuto,
     {{{1, 0x7bbf45c681013088u}, {1, 0x9a00794fe9fb9586u},
       {1, 0x6cb2e96477461328u}, {2, 0xbe3bf54c9480ee20u}}}},
    {Alphabet::Latin1, 60, kAuto,
     {{{4, 0xadf86eccc9909e17u}, {4, 0xe89909860275b511u},
       {5, 0x5c0b09adffffb5f8u}, {7, 0x852f1095d3739390u}}}},
    {Alphabet::Latin1, 150, kAuto,
     {{{7, 0x9549cc67966a4772u}, {8, 0x688d9dcca911af8eu},
       {10, 0xbac438878d78f8d4u}, {12, 0x136b7562a7c66012u}}}},
    {Alphabet::Latin1, 300, kAuto,
     {{{11, 0x97f179ec8b028278u}, {13, 0xd1245be8582183b0u},
       {16, 0x8db048a4f60e5e35u}, {18, 0x9c75ca96b9434702u}}}},
    {Alphabet::Latin1, 600, kAuto,
     {{{17, 0xd6a311e6d4acb1deu}, {19, 0x479f64fa2b5dc422u},
       {23, 0x22bfe3a4e714ceb6u}, {27, 0x94fd35984a61c0d6u}}}},
    {Alphabet::Latin1, 1000, kAuto,
     {{{22, 0x45c57d5d71473f6au}, {26, 0x6cd0f620bf00f33eu},
       {31, 0x1f5874fe40221cf1u}, {36, 0x7c8f68f079b52abeu}}}},
    {Alphabet::Latin1, 1500, kAuto,
     {{{28, 0xe72e3288a49c306fu}, {32, 0xef0805a76e513551u},
       {39, 0x8bc848b4f93bb3bcu}, {0, 0}}}},
    {Alphabet::Latin1, 2331, kAuto,
     {{{36, 0xa93c5b403d67bfeeu}, {40, 0xd936210748478f16u},
       {0, 0}, {0, 0}}}},
    {Alphabet::Latin1, 2953, kAuto,
     {{{40, 0x6688e5574ffa45bcu}, {0, 0},
       {0, 0}, {0, 0}}}},
    {Alphabet::Utf16, 1, kAuto,
     {{{1, 0xdddeafb3ed24f77cu}, {1, 0x843eec93eb70579eu},
       {1, 0x5768e84b1f98f6e6u}, {1, 0x141860cd8a0df118u}}}},
    {Alphabet::Utf16, 20, kAuto,
     {{{3, 0xe9effcb7bec9a9f4u}, {3, 0x03fcab1070973d30u},
       {4, 0xaf152cdeae96662cu}, {5, 0xf548d8ace3555298u}}}},
    {Alphabet::Utf16, 200, kAuto,
     {{{15, 0x5f2e60ded41e3299u}, {17, 0xf2acd75ce7cf38a8u},
       {20, 0xc3b8be23b3f600e6u}, {24, 0x352e661f717ac296u}}}},
    {Alphabet::Utf16, 700, kAuto,
     {{{28, 0x2254873a5f05460eu}, {32, 0xf7a50e024c2e6856u},
       {39, 0x6f59b81e84084039u}, {0, 0}}}},
    {Alphabet::Latin1, 40, TQRCodeEncoding::qrUTF8BOM,
     {{{3, 0xadebd22a92066631u}, {4, 0x66faac48bada0723u},
       {4, 0x191609cca3c7e375u}, {5, 0x35bc5e6dc6b7b0e4u}}}},
    {Alphabet::Latin1, 400, TQRCodeEncoding::qrUTF8BOM,
     {{{14, 0x610473db9f5e6fccu}, {16, 0x4bfde023fb46b0efu},
       {19, 0x43e95436f8e76394u}, {22, 0x1efe1dbbb587147au}}}},
    {Alphabet::Latin1, 120, TQRCodeEncoding::qrISO88591,
     {{{6, 0x4042910a627fcb99u}, {7, 0xe1e8b9d708ebe85eu},
       {9, 0xd0650de55ed953e4u}, {11, 0x247ac255094e1286u}}}},
    {Alphabet::Utf16, 50, TQRCodeEncoding::qrUTF8NoBOM,
     {{{6, 0xd994d625120a9154u}, {7, 0xc4daa3b5c976627cu},
       {9, 0x8bb8c95e061b5280u}, {10, 0x41bab291b1b8991cu}}}},
    {Alphabet::Mixed, 90, TQRCodeEncoding::qrNumeric,
     {{{2, 0x0ead9f0e671fe022u}, {2, 0xd607813a80ed3386u},
       {3, 0x313ba179f371a916u}, {3, 0x3acd4c80a257f24eu}}}},
    {Alphabet::Mixed, 300, TQRCodeEncoding::qrAlphanumeric,
     {{{8, 0xd32c2f3648fa9ae2u}, {9, 0x5890e4b61886426cu},
       {11, 0x53e6f146307e5df0u}, {13, 0x23d9d1c811481964u}}}},
    {Alphabet::Lower, 80, TQRCodeEncoding::qrAlphanumeric,
     {{{1, 0xf82011b4916bfeacu}, {1, 0x3474239d4ed371aeu},
       {2, 0x676b708651dfcbbeu}, {2, 0x3fda87f42ded738du}}}},
};
// clang-format on

std::string Describe(const GoldenCase& c) {
    return "alphabet " + std::to_string(static_cast<int>(c.alphabet)) + ", length " +
           std::to_string(c.length) + ", encoding " + std::to_string(static_cast<int>(c.encoding));
}

TEST(QrGoldenSymbols, EverySymbolIsTheOneRecorded) {
    for (const GoldenCase& golden : kGolden) {
        const std::u16string text = MakeText(golden.alphabet, golden.length);
        for (std::size_t level = 0; level < 4; ++level) {
            const test::LevelCase& levelCase = test::Level("LMQH"[level]);
            SCOPED_TRACE(Describe(golden) + ", level " + levelCase.letter);
            TQRCodeSymbol symbol;
            symbol.SetErrorCorrectionLevel(levelCase.level);
            symbol.SetEncoding(golden.encoding);
            Result result{0, 0};
            try {
                symbol.SetData(text);
                result = {(symbol.Columns() - 8 - 17) / 4, Digest(symbol)};
            } catch (const EQRCodeTooLong&) {
                // Too long for version 40: the result stays {0, 0}.
            }
            EXPECT_EQ(result, golden.levels[level])
                << "recorded {" << golden.levels[level].version << ", 0x" << std::hex
                << golden.levels[level].digest << "}, now {" << std::dec << result.version << ", 0x"
                << std::hex << result.digest << "u}";
        }
    }
}

}  // namespace
}  // namespace vd::qr
