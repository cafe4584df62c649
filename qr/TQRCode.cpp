#include "TQRCode.h"

namespace vd::qr {

int TQRCode::At(int X, int Y) {
    const int value = FMatrix->Get(X, Y);
    if (value != 0 && value != 1) FQRCodeError = true;
    return value;
}

bool TQRCode::IsValid() const noexcept {
    const bool allSet = FVersion != -1 && FMatrixWidth != -1 && FMaskPattern != -1 &&
                        FNumTotalBytes != -1 && FNumDataBytes != -1 && FNumECBytes != -1 &&
                        FNumRSBlocks != -1;
    return FECLevel && allSet && IsValidMaskPattern(FMaskPattern) &&
           FNumTotalBytes == FNumDataBytes + FNumECBytes && FMatrix &&
           FMatrixWidth == FMatrix->Width() && FMatrix->Width() == FMatrix->Height();
}

void TQRCode::SetECLevel(const TErrorCorrectionLevel& NewECLevel) {
    FECLevel = std::make_unique<TErrorCorrectionLevel>();
    FECLevel->Assign(NewECLevel);
}

void TQRCode::SetAll(int VersionNum, int NumBytes, int NumDataBytes, int NumRSBlocks,
                     int NumECBytes, int MatrixWidth) noexcept {
    FVersion = VersionNum;
    FNumTotalBytes = NumBytes;
    FNumDataBytes = NumDataBytes;
    FNumRSBlocks = NumRSBlocks;
    FNumECBytes = NumECBytes;
    FMatrixWidth = MatrixWidth;
}

}  // namespace vd::qr
