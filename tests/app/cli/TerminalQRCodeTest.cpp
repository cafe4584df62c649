// The terminal QR code read back the way a phone would see it on a dark and
// on a light terminal.
#include <gtest/gtest.h>

#include "app/cli/TerminalQRCode.h"
#include "app/cli/TerminalScreen.h"
#include "common/ZbarImage.h"
#include "qr/EQRCodeTooLong.h"

namespace vd::app {
namespace {

struct Case {
    const char* name;
    QString link;
    std::string bytes;  // what zbar must read: what automatic encoding writes
};

const Case kCases[] = {
    {"umlauts fit ISO-8859-1, so the symbol carries that",
     QString::fromUtf16(
         u"https://files.example.org/drop/velodrop_Ab3De6Gh9K_Gr\u00FC\u00DFe #3.txt"),
     "https://files.example.org/drop/velodrop_Ab3De6Gh9K_Gr\xFC\xDF"
     "e #3.txt"},
    {"short ASCII link", QStringLiteral("https://x.example/a"), "https://x.example/a"},
    {"a euro sign brings UTF-8 after EF BB BF",
     QString::fromUtf16(u"https://files.example.org/drop/velodrop_Q1w2E3r4T5_Preis 20\u20AC.pdf"),
     "\xEF\xBB\xBF"
     "https://files.example.org/drop/velodrop_Q1w2E3r4T5_Preis 20\xE2\x82\xAC.pdf"},
};

const test::TerminalTheme kThemes[] = {test::kDarkTheme, test::kLightTheme};

QImage ScaledUp(const QImage& screen) {
    constexpr int kPixelsPerModule = 4;
    return screen.scaled(screen.width() * kPixelsPerModule, screen.height() * kPixelsPerModule,
                         Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

TEST(TerminalQRCode, ScansOnDarkAndLightTerminals) {
    for (const Case& c : kCases) {
        const std::string text = TerminalQRCode(c.link);
        for (const test::TerminalTheme& theme : kThemes) {
            SCOPED_TRACE(std::string(c.name) + (theme.Background == 0 ? ", dark" : ", light"));
            const QImage screen = test::TerminalScreen(text, theme);
            ASSERT_FALSE(screen.isNull());
            EXPECT_EQ(test::DecodeQRCode(ScaledUp(screen)).value_or("<none>"), c.bytes);
        }
    }
}

// True when every pixel of the rectangle is light.
bool AllLight(const QImage& screen, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (qGray(screen.pixel(x, y)) < 128) return false;
    return true;
}

TEST(TerminalQRCode, SquareSymbolInAQuietZoneOfFourModulesAndLinesThatReset) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::string text = TerminalQRCode(c.link);
        // On a dark terminal the light modules are light only by the colours
        // the text sets.
        const QImage screen = test::TerminalScreen(text, test::kDarkTheme);
        ASSERT_FALSE(screen.isNull());
        const int size = screen.width();
        // An odd number of module rows: the last line's lower half is extra.
        ASSERT_EQ(screen.height(), size + 1);
        EXPECT_TRUE(AllLight(screen, 0, 0, size, 4));
        EXPECT_TRUE(AllLight(screen, 0, size - 4, size, size + 1));
        EXPECT_TRUE(AllLight(screen, 0, 0, 4, size));
        EXPECT_TRUE(AllLight(screen, size - 4, 0, size, size));
        EXPECT_FALSE(AllLight(screen, 4, 4, 5, 5));  // the finder's corner

        std::size_t lines = 0;
        for (std::size_t end = text.find('\n'); end != std::string::npos;
             end = text.find('\n', end + 1), ++lines) {
            EXPECT_EQ(text.substr(end - 4, 4), "\x1b[0m") << "line " << lines;
        }
        EXPECT_EQ(lines, static_cast<std::size_t>(screen.height() / 2));
    }
}

TEST(TerminalQRCode, NoSymbolForAnEmptyTextAndAnErrorForOneTooLong) {
    EXPECT_EQ(TerminalQRCode(QString()), "");
    // 2954 bytes: one more than version 40 holds at level L.
    EXPECT_THROW(TerminalQRCode(QString(2954, QChar(u'x'))), qr::EQRCodeTooLong);
}

}  // namespace
}  // namespace vd::app
