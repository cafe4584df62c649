// The main window's QR area: the link encoded once into a bitmap, one pixel
// per module, and stretched into the box at every paint.

#include <QPainter>

#include "app/gui/PaintBox.h"
#include "app/gui/TVelodrop1.h"
#include "qr/TQRCodeSymbol.h"

namespace vd::app {

QRect QRCodeTargetRect(QSize Box, QSize Bitmap) {
    // Anchored top-left, not centred; the product may fall just short of
    // the box in double precision and then truncates one pixel short.
    const double scale = Box.width() < Box.height() ? double(Box.width()) / Bitmap.width()
                                                    : double(Box.height()) / Bitmap.height();
    return {0, 0, static_cast<int>(scale * Bitmap.width()),
            static_cast<int>(scale * Bitmap.height())};
}

void TVelodrop1::ShowQRCode(const QString& Link) {
    qr::TQRCodeSymbol symbol;
    symbol.SetData(Link.toStdU16String());
    symbol.SetEncoding(qr::TQRCodeEncoding::qrAuto);
    symbol.SetQuietZone(4);
    QImage bitmap(symbol.Rows(), symbol.Columns(), QImage::Format_RGB32);
    for (int row = 0; row < symbol.Rows(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(row));
        for (int column = 0; column < symbol.Columns(); ++column) {
            line[column] = symbol.IsBlack(row, column) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        }
    }
    QRCodeBitmap = std::move(bitmap);
    QRCodePaintBox->repaint();
}

void TVelodrop1::QRCodePaintBoxPaint(QPainter& Canvas) {
    const int boxWidth = QRCodePaintBox->width();
    const int boxHeight = QRCodePaintBox->height();
    Canvas.fillRect(0, 0, boxWidth, boxHeight, Qt::white);
    if (QRCodeBitmap.width() < 1 || QRCodeBitmap.height() < 1) return;
    Canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    Canvas.drawImage(QRCodeTargetRect(QRCodePaintBox->size(), QRCodeBitmap.size()), QRCodeBitmap);
}

}  // namespace vd::app
