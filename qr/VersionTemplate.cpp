#include "VersionTemplate.h"

#include <array>
#include <mutex>
#include <optional>

#include "TMatrixUtil.h"
#include "VersionTable.h"

namespace vd::qr {

namespace {

// Draws the version's function patterns with the matrix builder itself, so
// that the template cannot differ from what BuildMatrix makes; PlaceData
// without bits then marks every data cell (bit plane 1) and leaves its
// value 0.
TVersionTemplate Build(int version) {
    const int size = 17 + 4 * version;
    TByteMatrix matrix(size, size);
    TMatrixUtil builder;
    builder.DrawFunctionPatterns(version, matrix);
    builder.EmbedFormatBits(LevelL(), 0, matrix);  // reserves the format cells
    builder.EmbedVersionBits(version, matrix);
    std::vector<std::uint16_t> cells;
    for (std::uint32_t cell : TMatrixUtil::FreeCells(matrix))
        cells.push_back(static_cast<std::uint16_t>((cell / size) << 8 | (cell % size)));
    builder.PlaceData(TBitArray(), matrix);
    auto [functionRows, dataRows] = PackBitPlanes(matrix, true);
    auto [functionColumns, dataColumns] = PackBitPlanes(matrix, false);
    return {std::move(functionRows), std::move(functionColumns), std::move(dataRows),
            std::move(dataColumns), std::move(cells)};
}

}  // namespace

const TVersionTemplate& VersionTemplate(int Version) {
    static std::array<std::once_flag, kMaxVersion> built;
    static std::array<std::optional<TVersionTemplate>, kMaxVersion> templates;
    const auto index = static_cast<std::size_t>(Version - 1);
    std::call_once(built[index], [index, Version] { templates[index].emplace(Build(Version)); });
    return *templates[index];
}

}  // namespace vd::qr
