// The mask choice: the lowest total penalty of the eight masked matrices.
#include <climits>

#include "MaskPenalty.h"
#include "TEncoder.h"
#include "TMatrixUtil.h"

namespace vd::qr {

int TEncoder::ChooseMaskPattern(const TBitArray& Bits, const TErrorCorrectionLevel& ecLevel,
                                int Version, TByteMatrix& Matrix) {
    // Function patterns and data positions are the same for every mask:
    // place the data once, then mask and score a copy per mask. Each copy
    // equals what BuildMatrix makes with that mask.
    TMatrixUtil builder;
    TByteMatrix placed(Matrix.Width(), Matrix.Height());
    builder.DrawFunctionPatterns(Version, placed);
    builder.EmbedFormatBits(ecLevel, 0, placed);  // reserves the format cells
    builder.EmbedVersionBits(Version, placed);
    builder.PlaceData(Bits, placed);

    int bestScore = INT_MAX;
    int bestMask = -1;
    for (int mask = 0; mask < 8; ++mask) {
        TMatrixUtil::ApplyMask(placed, mask, Matrix);
        builder.EmbedFormatBits(ecLevel, mask, Matrix);
        const int score = TotalPenalty(Matrix);
        if (score < bestScore) {
            bestScore = score;
            bestMask = mask;
        }
    }
    return bestMask;
}

}  // namespace vd::qr
