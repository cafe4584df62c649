#include <gtest/gtest.h>

#include "app/core/TextRules.h"

namespace vd::app {
namespace {

TEST(TextRules, ErrorBoxAppendsFullStopOnlyAfterCharactersAboveIt) {
    const struct {
        const char16_t* Message;
        const char16_t* Shown;
    } cases[] = {
        {u"Verbindung abgelehnt", u"Verbindung abgelehnt."},
        {u"Done.", u"Done."},
        {u"Wait!", u"Wait!"},        // "!" is below "."
        {u"(code 5)", u"(code 5)"},  // ")" is below "."
        {u"code 5", u"code 5."},     // "5" is above "."
        {u"Closed)", u"Closed)"},
        {u"trailing blank ", u"trailing blank "},
        {u"550 Failed\r\n", u"550 Failed\r\n"},
        {u"Größe", u"Größe."},
        {u"a/", u"a/."},
        {u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorBoxText(QString::fromUtf16(c.Message)), QString::fromUtf16(c.Shown));
    }
}

TEST(TextRules, TrimRemovesControlCharactersAndBlanks) {
    EXPECT_EQ(TrimControl(QStringLiteral(" \t\r\n a b \x01\x1F ")), QStringLiteral("a b"));
    EXPECT_EQ(TrimControl(QStringLiteral("\x7F x \xA0")), QStringLiteral("\x7F x \xA0"));
    EXPECT_EQ(TrimControl(QStringLiteral("   ")), QString());
}

}  // namespace
}  // namespace vd::app
