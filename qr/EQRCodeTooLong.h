// Raised when a text does not fit the largest symbol (version 40) at the
// requested error-correction level.
#pragma once

#include <stdexcept>

namespace vd::qr {

class EQRCodeTooLong : public std::runtime_error {
  public:
    EQRCodeTooLong() : std::runtime_error("The link is too long for a QR code") {}
};

}  // namespace vd::qr
