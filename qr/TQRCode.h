// The record the encoder leaves its result in: mode, level, version, mask
// and the finished module matrix.
#pragma once

#include <memory>

#include "TByteMatrix.h"
#include "TErrorCorrectionLevel.h"
#include "TMode.h"

namespace vd::qr {

class TQRCode final {
  public:
    bool QRCodeError() const noexcept { return FQRCodeError; }
    TMode Mode() const noexcept { return FMode; }
    void SetMode(TMode Mode) noexcept { FMode = Mode; }
    int Version() const noexcept { return FVersion; }
    void SetVersion(int Version) noexcept { FVersion = Version; }
    int NumDataBytes() const noexcept { return FNumDataBytes; }
    int NumTotalBytes() const noexcept { return FNumTotalBytes; }
    int NumRSBlocks() const noexcept { return FNumRSBlocks; }
    int MatrixWidth() const noexcept { return FMatrixWidth; }
    int MaskPattern() const noexcept { return FMaskPattern; }
    void SetMaskPattern(int MaskPattern) noexcept { FMaskPattern = MaskPattern; }
    // The record's own copy of the level; nullptr until SetECLevel.
    const TErrorCorrectionLevel* ecLevel() const noexcept { return FECLevel.get(); }
    // The matrix; nullptr until SetMatrix.
    const TByteMatrix* Matrix() const noexcept { return FMatrix.get(); }

    // The cell at column X, row Y (-1 for an empty cell); a value other than
    // 0 or 1 sets QRCodeError. Needs a matrix.
    int At(int X, int Y);
    // All fields set and consistent with each other and with the matrix.
    bool IsValid() const noexcept;
    static bool IsValidMaskPattern(int MaskPattern) noexcept {
        return MaskPattern >= 0 && MaskPattern <= 7;
    }
    void SetMatrix(std::unique_ptr<TByteMatrix> NewMatrix) noexcept {
        FMatrix = std::move(NewMatrix);
    }
    void SetECLevel(const TErrorCorrectionLevel& NewECLevel);
    void SetAll(int VersionNum, int NumBytes, int NumDataBytes, int NumRSBlocks, int NumECBytes,
                int MatrixWidth) noexcept;

  private:
    TMode FMode = TMode::qmTerminator;
    std::unique_ptr<TErrorCorrectionLevel> FECLevel;
    int FVersion = -1;
    int FMatrixWidth = -1;
    int FMaskPattern = -1;
    int FNumTotalBytes = -1;
    int FNumDataBytes = -1;
    int FNumECBytes = -1;
    int FNumRSBlocks = -1;
    std::unique_ptr<TByteMatrix> FMatrix;
    bool FQRCodeError = false;
};

}  // namespace vd::qr
