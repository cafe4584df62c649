#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vd::platform
