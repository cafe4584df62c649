#include <gtest/gtest.h>

#include "app/core/RandomNames.h"

namespace vd::app {
namespace {

TEST(RandomNames, FollowsTheGeneratorExactly) {
    Randomize(0);
    EXPECT_EQ(randomString(1), QStringLiteral("1"));
    EXPECT_EQ(RandSeed(), 1u);
    // Known answers, worked out independently of this code.
    Randomize(0);
    EXPECT_EQ(randomString(10), QStringLiteral("12rDHgKANR"));
    Randomize(0xDEADBEEF);
    EXPECT_EQ(randomString(8), QStringLiteral("NBbavpTo"));
}

TEST(RandomNames, EmptyForNoCharactersAndDrawsNothing) {
    Randomize(7);
    EXPECT_EQ(randomString(0), QString());
    EXPECT_EQ(randomString(-3), QString());
    EXPECT_EQ(RandSeed(), 7u);
}

TEST(RandomNames, UsesTheWholeAlphabetButNeverZeroOrCapitalO) {
    Randomize(12345);
    const QString text = randomString(20000);
    ASSERT_EQ(text.size(), 20000);
    const QString alphabet = QString::fromUtf16(kRandomAlphabet);
    EXPECT_EQ(alphabet.size(), 60);
    for (QChar c : alphabet) EXPECT_TRUE(text.contains(c)) << c.toLatin1();
    EXPECT_FALSE(text.contains(u'0'));
    EXPECT_FALSE(text.contains(u'O'));
}

}  // namespace
}  // namespace vd::app
