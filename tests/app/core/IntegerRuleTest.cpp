#include <gtest/gtest.h>

#include <QString>
#include <limits>

#include "app/core/IntegerRule.h"

namespace vd::app {
namespace {

TEST(IntegerRule, ParsesAsTheRuntimeDoes) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const struct {
        const char16_t* Text;
        std::optional<std::int32_t> Expected;
    } cases[] = {
        {u"21", 21},
        {u"0x15", 21},
        {u"$15", 21},
        {u"x1F", 31},
        {u"X1f", 31},
        {u"0X10", 16},
        {u"-$10", -16},
        {u"+7", 7},
        {u"  42", 42},
        {u"\t42", 42},
        {u"0021", 21},
        {u"70000", 70000},
        {u"-1", -1},
        {u"$FFFFFFFF", -1},
        {u"-2147483648", kMin},
        {u"2147483647", 2147483647},
        {u"abc", {}},
        {u"", {}},
        {u"   ", {}},
        {u"42 ", {}},
        {u"4 2", {}},
        {u"+", {}},
        {u"-", {}},
        {u"$", {}},
        {u"0x", {}},
        {u"2147483648", {}},
        {u"-2147483649", {}},
        {u"$123456789", {}},
        {u"1.5", {}},
        {u"\u0663", {}},
        {u"99999999999999999999", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInteger(QStringView(c.Text)), c.Expected)
            << QString::fromUtf16(c.Text).toStdString();
    }
}

TEST(IntegerRule, PortIsTheIntegerModulo65536) {
    const struct {
        const char16_t* Text;
        std::uint16_t Port;
    } cases[] = {{u"0x15", 21},    {u"$15", 21},   {u"abc", 21},
                 {u"70000", 4464}, {u"-1", 65535}, {u"0", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<std::uint16_t>(IntegerOrDefault(QStringView(c.Text), 21)), c.Port);
    }
}

TEST(IntegerRule, AbsoluteValueKeepsOnlyTheSmallestIntegerNegative) {
    EXPECT_EQ(AbsoluteValue(-50), 50);
    EXPECT_EQ(AbsoluteValue(50), 50);
    EXPECT_EQ(AbsoluteValue(std::numeric_limits<std::int32_t>::min()),
              std::numeric_limits<std::int32_t>::min());
}

}  // namespace
}  // namespace vd::app
