// Versions 1 to 40: side length, codeword counts and, per error-correction
// level, the Reed-Solomon block layout.
#pragma once

#include <vector>

#include "QRTypes.h"
#include "TErrorCorrectionLevel.h"

namespace vd::qr {

// One group of equally sized blocks.
class TECB final {
  public:
    TECB(int Count, int DataCodewords) : FCount(Count), FDataCodewords(DataCodewords) {}
    int GetCount() const noexcept { return FCount; }
    int GetDataCodewords() const noexcept { return FDataCodewords; }

  private:
    int FCount = 0;
    int FDataCodewords = 0;
};

using TECBArray = std::vector<TECB>;

// The block layout of one version at one level: one or two groups, the one
// with fewer data codewords first; every block has the same EC count.
class TECBlocks final {
  public:
    TECBlocks(int ECCodewordsPerBlock, TECB ECBlocks);
    TECBlocks(int ECCodewordsPerBlock, TECB ECBlocks1, TECB ECBlocks2);

    int GetECCodewordsPerBlock() const noexcept { return FECCodewordsPerBlock; }
    const TECBArray& GetECBlocks() const noexcept { return FECBlocks; }
    int GetNumBlocks() const noexcept;
    int GetTotalECCodewords() const noexcept { return FECCodewordsPerBlock * GetNumBlocks(); }

  private:
    int FECCodewordsPerBlock = 0;
    TECBArray FECBlocks;
};

class TVersion final {
  public:
    // Layouts for L, M, Q, H in this order. TotalCodewords comes from the
    // L layout.
    TVersion(int VersionNumber, TIntegerArray AlignmentPatternCenters, TECBlocks ECBlocks1,
             TECBlocks ECBlocks2, TECBlocks ECBlocks3, TECBlocks ECBlocks4);

    int VersionNumber() const noexcept { return FVersionNumber; }
    // Ascending; empty for version 1.
    const TIntegerArray& AlignmentPatternCenters() const noexcept {
        return FAlignmentPatternCenters;
    }
    int GetTotalCodewords() const noexcept { return FTotalCodewords; }
    // The layouts of levels L, M, Q and H, in this order.
    const std::vector<TECBlocks>& ECBlocks() const noexcept { return FECBlocks; }
    // EC codewords per block of the L layout.
    int ECCodewords() const noexcept { return FECCodewords; }
    // The layout in the level's column.
    const TECBlocks& GetECBlocksForLevel(const TErrorCorrectionLevel& ecLevel) const noexcept;
    // 17 + 4 * version: 21 to 177.
    int GetDimensionForVersion() const noexcept { return 17 + 4 * FVersionNumber; }

    // Version VersionNum (1..40), or nullptr for any other number. The
    // versions are immutable and shared; they live for the whole program.
    static const TVersion* GetVersionForNumber(int VersionNum);
    // The smallest version whose data codewords at ecLevel hold NumInputBits
    // (rounded up to whole bytes), or nullptr when version 40 is too small.
    static const TVersion* ChooseVersion(int NumInputBits, const TErrorCorrectionLevel& ecLevel);

  private:
    int FVersionNumber = 0;
    TIntegerArray FAlignmentPatternCenters;
    std::vector<TECBlocks> FECBlocks;
    int FTotalCodewords = 0;
    int FECCodewords = 0;
};

}  // namespace vd::qr
