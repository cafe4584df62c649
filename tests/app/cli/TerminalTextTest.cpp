#include <gtest/gtest.h>

#include "app/cli/TerminalText.h"

namespace vd::app {
namespace {

TEST(TerminalText, ControlsShowAsEscapesAndLinesStay) {
    const struct {
        QString Text;
        QString Shown;
    } cases[] = {
        {QStringLiteral("530 Login incorrect."), QStringLiteral("530 Login incorrect.")},
        // Retitling the window, writing the clipboard (OSC 52), clearing the screen.
        {QStringLiteral("a\x1b]0;owned\x07z"), QStringLiteral("a\\x1b]0;owned\\x07z")},
        {QStringLiteral("\x1b]52;c;aGk=\x1b\\"), QStringLiteral("\\x1b]52;c;aGk=\\x1b\\")},
        {QStringLiteral("\x1b[2J"), QStringLiteral("\\x1b[2J")},
        // A CR alone would let the rest overwrite the line; before LF it ends one.
        {QStringLiteral("ok\rFAKE"), QStringLiteral("ok\\x0dFAKE")},
        {QStringLiteral("230-a\r\n230 b"), QStringLiteral("230-a\n230 b")},
        {QStringLiteral("tab\there"), QStringLiteral("tab\there")},
        {QStringLiteral("del\x7f c1\u009b[2J"), QStringLiteral("del\\x7f c1\\u009b[2J")},
        {QStringLiteral("nul") + QChar(0) + u'x', QStringLiteral("nul\\x00x")},
        {QStringLiteral("Grüße 日本語 \u00a0"), QStringLiteral("Grüße 日本語 \u00a0")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        EXPECT_EQ(TerminalSafe(c.Text), c.Shown);
    }
}

}  // namespace
}  // namespace vd::app
