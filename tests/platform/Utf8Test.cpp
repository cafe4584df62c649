#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/Utf8.h"

namespace vd::platform {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
    const std::u16string text = u"a\u00E9\u20AC\U0001F600z";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z");
}

TEST(Utf8, BrokenInputBecomesReplacementCharacters) {
    struct TCase {
        std::string Bytes;
        std::u16string Expected;
    };
    const TCase cases[] = {
        {"\xFF", u"\uFFFD"},
        {"a\xC3", u"a\uFFFD"},                    // truncated at the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong "/"
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const TCase& c : cases) EXPECT_EQ(Utf8ToUtf16(c.Bytes), c.Expected) << c.Bytes;
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Utf8, PrefixCountsUtf16Units) {
    EXPECT_EQ(Utf8PrefixOfUtf16Units("abc", 2), "ab");
    EXPECT_EQ(Utf8PrefixOfUtf16Units("\xC3\xA9\xC3\xA9", 1), "\xC3\xA9");
    EXPECT_EQ(Utf8PrefixOfUtf16Units("a\xF0\x9F\x98\x80", 2), "a");
    EXPECT_EQ(Utf8PrefixOfUtf16Units("a\xF0\x9F\x98\x80", 3), "a\xF0\x9F\x98\x80");
}

// Every character the decoder meets walking the text: a code point, or
// nothing for a rejected byte.
std::vector<std::optional<char32_t>> Walk(std::string_view text) {
    std::vector<std::optional<char32_t>> out;
    for (std::size_t pos = 0; pos < text.size();) out.push_back(DecodeUtf8(text, pos));
    return out;
}

TEST(Utf8, DecoderTakesWellFormedCharactersAndRejectsOneByteAtATime) {
    constexpr std::nullopt_t bad = std::nullopt;
    struct TCase {
        const char* Why;
        std::string Bytes;
        std::vector<std::optional<char32_t>> Expected;
    };
    const TCase cases[] = {
        {"ASCII and NUL", std::string("a\0", 2), {U'a', U'\0'}},
        {"two bytes", "\xC3\xA9", {0xE9}},
        {"three bytes", "\xE2\x82\xAC", {0x20AC}},
        {"four bytes", "\xF0\x9F\x98\x80", {0x1F600}},
        {"the last code point", "\xF4\x8F\xBF\xBF", {0x10FFFF}},
        {"U+FFFD itself", "\xEF\xBF\xBD", {0xFFFD}},
        {"stray continuation byte",
         "\x80"
         "a",
         {bad, U'a'}},
        {"cut short at the end", "a\xE2\x82", {U'a', bad, bad}},
        {"cut short by ASCII",
         "\xC3"
         "a",
         {bad, U'a'}},
        {"overlong two bytes", "\xC0\xAF", {bad, bad}},
        {"overlong three bytes", "\xE0\x80\xAF", {bad, bad, bad}},
        {"overlong four bytes", "\xF0\x8F\xBF\xBF", {bad, bad, bad, bad}},
        {"encoded surrogate", "\xED\xA0\x80", {bad, bad, bad}},
        {"above U+10FFFF", "\xF4\x90\x80\x80", {bad, bad, bad, bad}},
        {"lead byte F5", "\xF5\x80\x80\x80", {bad, bad, bad, bad}},
        {"five-byte form", "\xF8\x88\x80\x80\x80", {bad, bad, bad, bad, bad}},
        {"bad byte, then a good character", "\xFF\xC3\xA9", {bad, 0xE9}},
    };
    for (const TCase& c : cases) EXPECT_EQ(Walk(c.Bytes), c.Expected) << c.Why;
}

TEST(Utf8, EncoderWritesTheShortestFormAndReplacesWhatHasNone) {
    const std::string replacement = "\xEF\xBF\xBD";
    const struct {
        char32_t CodePoint;
        std::string Bytes;
    } cases[] = {
        {0x00, std::string(1, '\0')},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {0xD800, replacement},
        {0xDFFF, replacement},
        {0x110000, replacement},
    };
    for (const auto& c : cases) {
        std::string out = "x";
        AppendUtf8(out, c.CodePoint);
        EXPECT_EQ(out, "x" + c.Bytes) << std::hex << static_cast<unsigned long>(c.CodePoint);
    }
}

TEST(Utf8, EveryCodePointComesBackFromItsBytes) {
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp == 0xD800) cp = 0xE000;  // surrogates have no bytes
        std::string bytes;
        AppendUtf8(bytes, cp);
        std::size_t pos = 0;
        const std::optional<char32_t> back = DecodeUtf8(bytes, pos);
        ASSERT_EQ(back, cp) << std::hex << static_cast<unsigned long>(cp);
        ASSERT_EQ(pos, bytes.size()) << std::hex << static_cast<unsigned long>(cp);
    }
}

TEST(Utf8, RepairKeepsWellFormedTextAndReplacesEachRejectedByte) {
    const struct {
        std::string Bytes, Expected;
    } cases[] = {
        {"plain", "plain"},
        {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"a\xFF", "a\xEF\xBF\xBD"},
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xE2\x82x", "\xEF\xBF\xBD\xEF\xBF\xBDx"},
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToValidUtf8(c.Bytes), c.Expected) << c.Bytes;
}

}  // namespace
}  // namespace vd::platform
