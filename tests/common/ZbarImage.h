#pragma once
// Reads QR codes out of pictures with zbar, the way a phone's camera app
// would see them.

#include <QImage>
#include <optional>
#include <string>

namespace vd::test {

/// The raw bytes of the one QR code zbar finds in `Image` (binary mode, so
/// UTF-8 is not taken for Shift-JIS), or nothing when it finds none or more.
std::optional<std::string> DecodeQRCode(const QImage& Image);

}  // namespace vd::test
