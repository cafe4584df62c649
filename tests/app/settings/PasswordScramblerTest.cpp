#include <gtest/gtest.h>

#include <QRegularExpression>

#include "app/settings/PasswordScrambler.h"

namespace vd::app {
namespace {

TEST(PasswordScrambler, RoundTripsAnyPassword) {
    for (const QString& password :
         {QString(), QStringLiteral("secret"), QStringLiteral("pässwörd €"),
          QString::fromUtf8("\xF0\x9F\x98\x80 x"), QString(300, u'z')}) {
        const QString scrambled = EncodePassword(password, kPasswordStartKey);
        EXPECT_EQ(scrambled.size(), password.toUtf8().size() * 2);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]*$")).match(scrambled).hasMatch());
        EXPECT_EQ(DecodePassword(scrambled, kPasswordStartKey), password);
    }
}

TEST(PasswordScrambler, HidesRepeatsAndDependsOnTheStartKey) {
    const QString scrambled = EncodePassword(QStringLiteral("aaaa"), kPasswordStartKey);
    EXPECT_NE(scrambled.mid(0, 2), scrambled.mid(2, 2));
    EXPECT_NE(scrambled, QStringLiteral("61616161"));
    EXPECT_NE(EncodePassword(QStringLiteral("aaaa"), 1), scrambled);
}

TEST(PasswordScrambler, MalformedTextDecodesToEmptyOrDropsTheLastDigit) {
    const QString scrambled = EncodePassword(QStringLiteral("abc"), kPasswordStartKey);
    EXPECT_EQ(DecodePassword(scrambled + u'7', kPasswordStartKey), QStringLiteral("abc"));
    EXPECT_EQ(DecodePassword(scrambled.toLower(), kPasswordStartKey), QStringLiteral("abc"));
    EXPECT_EQ(DecodePassword(scrambled.left(2) + u' ' + scrambled.mid(2), kPasswordStartKey),
              QString());
    EXPECT_EQ(DecodePassword(QStringLiteral("GG"), kPasswordStartKey), QString());
    EXPECT_EQ(DecodePassword(QStringLiteral("+1"), kPasswordStartKey), QString());
}

}  // namespace
}  // namespace vd::app
