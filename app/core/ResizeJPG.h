#pragma once
// Shrinks (or enlarges) a JPEG image by a percentage before it is shared.

#include <QString>
#include <cstdint>
#include <stdexcept>

#include "app/core/EFileError.h"
#include "app/jpeg/JpegResize.h"

namespace vd::app {

/// Raised by the JPEG codec; the message is "JPEG-Fehler #<n>" with the
/// codec's message number.
class EJPEGError : public std::runtime_error {
  public:
    explicit EJPEGError(int Code);
    int ErrorCode() const noexcept { return FCode; }

  private:
    int FCode;
};

/// Raised for a source too large to shrink safely; the message names the
/// file, its size and the limit.
class EJPEGTooLarge : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// True when the file begins with a JPEG's start-of-image marker (FF D8):
/// its content tells, not its name. False when it cannot be read.
bool StartsAsJpeg(const QString& FileName);

/// Writes `FileName` scaled by `Percent` percent to the temporary folder as
/// "_tmp_" + its file name (replacing a file there) and returns that path;
/// ResizeJpegFile says how.
/// Raises EJPEGError for anything the codec refuses, EJPEGTooLarge for a
/// source above 200 megapixels, EFileError when a file cannot be read or
/// written.
QString ResizeJPG(const QString& FileName, std::int32_t Percent);

}  // namespace vd::app
