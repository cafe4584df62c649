#include "TVersion.h"

#include <array>
#include <utility>

#include "VersionTable.h"

namespace vd::qr {

TECBlocks::TECBlocks(int ECCodewordsPerBlock, TECB ECBlocks)
    : FECCodewordsPerBlock(ECCodewordsPerBlock), FECBlocks{ECBlocks} {}

TECBlocks::TECBlocks(int ECCodewordsPerBlock, TECB ECBlocks1, TECB ECBlocks2)
    : FECCodewordsPerBlock(ECCodewordsPerBlock), FECBlocks{ECBlocks1, ECBlocks2} {}

int TECBlocks::GetNumBlocks() const noexcept {
    int total = 0;
    for (const TECB& group : FECBlocks) total += group.GetCount();
    return total;
}

TVersion::TVersion(int VersionNumber, TIntegerArray AlignmentPatternCenters, TECBlocks ECBlocks1,
                   TECBlocks ECBlocks2, TECBlocks ECBlocks3, TECBlocks ECBlocks4)
    : FVersionNumber(VersionNumber),
      FAlignmentPatternCenters(std::move(AlignmentPatternCenters)),
      FECBlocks{std::move(ECBlocks1), std::move(ECBlocks2), std::move(ECBlocks3),
                std::move(ECBlocks4)},
      FECCodewords(FECBlocks[0].GetECCodewordsPerBlock()) {
    for (const TECB& group : FECBlocks[0].GetECBlocks())
        FTotalCodewords += group.GetCount() * (group.GetDataCodewords() + FECCodewords);
}

const TECBlocks& TVersion::GetECBlocksForLevel(
    const TErrorCorrectionLevel& ecLevel) const noexcept {
    return FECBlocks[static_cast<std::size_t>(ecLevel.Ordinal())];
}

namespace {

TECBlocks MakeLayout(const TBlockLayout& row) {
    if (row.Count2 == 0) return TECBlocks(row.ECCodewordsPerBlock, TECB(row.Count1, row.Data1));
    return TECBlocks(row.ECCodewordsPerBlock, TECB(row.Count1, row.Data1),
                     TECB(row.Count2, row.Data2));
}

TVersion MakeVersion(int number) {
    const TVersionRow& row = kVersionTable[static_cast<std::size_t>(number - 1)];
    TIntegerArray centers;
    for (int c : kAlignmentPatternCenters[static_cast<std::size_t>(number - 1)])
        if (c >= 0) centers.push_back(c);
    return TVersion(number, std::move(centers), MakeLayout(row.Levels[0]),
                    MakeLayout(row.Levels[1]), MakeLayout(row.Levels[2]),
                    MakeLayout(row.Levels[3]));
}

// Built once on first use; immutable afterwards, so sharing it between
// symbols (and threads) cannot be observed.
const std::vector<TVersion>& AllVersions() {
    static const std::vector<TVersion> versions = [] {
        std::vector<TVersion> all;
        all.reserve(kMaxVersion);
        for (int v = kMinVersion; v <= kMaxVersion; ++v) all.push_back(MakeVersion(v));
        return all;
    }();
    return versions;
}

}  // namespace

const TVersion* TVersion::GetVersionForNumber(int VersionNum) {
    if (VersionNum < kMinVersion || VersionNum > kMaxVersion) return nullptr;
    return &AllVersions()[static_cast<std::size_t>(VersionNum - 1)];
}

const TVersion* TVersion::ChooseVersion(int NumInputBits, const TErrorCorrectionLevel& ecLevel) {
    const int needed = (NumInputBits + 7) / 8;
    for (const TVersion& version : AllVersions()) {
        const int dataCodewords = version.GetTotalCodewords() -
                                  version.GetECBlocksForLevel(ecLevel).GetTotalECCodewords();
        if (dataCodewords >= needed) return &version;
    }
    return nullptr;
}

}  // namespace vd::qr
