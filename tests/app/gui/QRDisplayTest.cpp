#include <QPainter>

#include "app/gui/PaintBox.h"
#include "app/gui/WindowTestFixture.h"
#include "common/ZbarImage.h"
#include "qr/EQRCodeTooLong.h"

namespace vd::app {
namespace {

using QRDisplay = WindowTest;

QString LinkOfLength(int Length) {
    QString link = QStringLiteral("https://example.org/");
    while (link.size() < Length) link += QChar(char16_t(u'a' + link.size() % 26));
    return link;
}

TEST(QRCodeTargetRect, ScalesToTheBoxAndTruncates) {
    EXPECT_EQ(QRCodeTargetRect({430, 430}, {29, 29}), QRect(0, 0, 430, 430));
    EXPECT_EQ(QRCodeTargetRect({430, 430}, {73, 73}), QRect(0, 0, 429, 429));
    EXPECT_EQ(QRCodeTargetRect({300, 430}, {29, 29}),
              QRect(0, 0, 300, 300));  // the smaller side rules
}

TEST_F(QRDisplay, BitmapHasOnePixelPerModuleAndTheBoxReadsBack) {
    WriteSettings("[FTP]\n");
    auto w = MakeWindow();
    w->show();
    const struct {
        QString Link;
        int Modules;
    } cases[] = {
        {QStringLiteral("https://x.io/abc"), 29},  // version 1 with the quiet zone
        {LinkOfLength(340), 73},                   // version 12
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Modules);
        w->ShowQRCode(c.Link);
        const QImage& bitmap = w->QRCodeBitmapImage();
        ASSERT_EQ(bitmap.size(), QSize(c.Modules, c.Modules));
        for (int i = 0; i < c.Modules; ++i) {  // the quiet zone is white
            ASSERT_EQ(bitmap.pixel(i, 0), qRgb(255, 255, 255));
            ASSERT_EQ(bitmap.pixel(0, i), qRgb(255, 255, 255));
        }
        EXPECT_EQ(bitmap.pixel(4, 4), qRgb(0, 0, 0));  // the finder pattern's corner

        const QImage box = w->QRCodePaintBox->grab().toImage();
        EXPECT_EQ(test::DecodeQRCode(box), c.Link.toStdString());
        if (c.Modules == 73) {
            for (int i = 0; i < 430; ++i) {
                ASSERT_EQ(box.pixel(429, i) & 0xFFFFFF, 0xFFFFFFu) << i;
                ASSERT_EQ(box.pixel(i, 429) & 0xFFFFFF, 0xFFFFFFu) << i;
            }
        }
    }
}

TEST_F(QRDisplay, TooLongLinkKeepsThePreviousCode) {
    WriteSettings("[FTP]\n");
    auto w = MakeWindow();
    w->ShowQRCode(QStringLiteral("https://x.io/abc"));
    const QImage before = w->QRCodeBitmapImage();
    EXPECT_THROW(w->ShowQRCode(LinkOfLength(3000)), qr::EQRCodeTooLong);
    EXPECT_EQ(w->QRCodeBitmapImage(), before);
}

}  // namespace
}  // namespace vd::app
