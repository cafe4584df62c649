// What every symbol of one version shares before its data goes in: the
// function modules, which cells take data, and the order the data fills
// them. Built once per version, on first use, and shared by all symbols
// (and threads) from then on; a symbol only sets its dark data modules.
#pragma once

#include <cstdint>
#include <vector>

#include "PackedLines.h"

namespace vd::qr {

struct TVersionTemplate {
    // The dark function modules (version information included) as rows
    // and as columns. The format cells hold no particular value: the mask
    // choice writes them for each mask.
    TPackedLines FunctionRows;
    TPackedLines FunctionColumns;
    // 1 for each cell that takes data (remainder bits included).
    TPackedLines DataRows;
    TPackedLines DataColumns;
    // The data cells as Y << 8 | X (no side is longer than 177), in the
    // order the bits fill them.
    std::vector<std::uint16_t> DataCells;
};

// Version 1..40.
const TVersionTemplate& VersionTemplate(int Version);

}  // namespace vd::qr
