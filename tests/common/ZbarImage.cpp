#include "common/ZbarImage.h"

#include <zbar.h>

#include <vector>

namespace vd::test {

std::optional<std::string> DecodeQRCode(const QImage& Image) {
    const QImage gray = Image.convertToFormat(QImage::Format_Grayscale8);
    std::vector<unsigned char> pixels;
    pixels.reserve(static_cast<std::size_t>(gray.width()) * gray.height());
    for (int y = 0; y < gray.height(); ++y) {
        const uchar* line = gray.constScanLine(y);
        pixels.insert(pixels.end(), line, line + gray.width());
    }
    zbar::zbar_image_scanner_t* scanner = zbar::zbar_image_scanner_create();
    zbar::zbar_image_scanner_set_config(scanner, zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(scanner, zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    zbar::zbar_image_scanner_set_config(scanner, zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_BINARY, 1);
    zbar::zbar_image_t* image = zbar::zbar_image_create();
    zbar::zbar_image_set_format(image, zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(image, static_cast<unsigned>(gray.width()),
                              static_cast<unsigned>(gray.height()));
    zbar::zbar_image_set_data(image, pixels.data(), pixels.size(), nullptr);
    std::optional<std::string> result;
    if (zbar::zbar_scan_image(scanner, image) == 1) {
        const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(image);
        result.emplace(zbar::zbar_symbol_get_data(symbol),
                       zbar::zbar_symbol_get_data_length(symbol));
    }
    zbar::zbar_image_destroy(image);
    zbar::zbar_image_scanner_destroy(scanner);
    return result;
}

}  // namespace vd::test
