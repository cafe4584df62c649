// The module matrix of a symbol: Height rows of Width cells. Cells hold
// 0 (light), 1 (dark) or 255 (empty, not yet written); Get reports 255 as -1.
#pragma once

#include <cstdint>

#include "QRTypes.h"

namespace vd::qr {

class TByteMatrix final {
  public:
    // Height rows of Width cells, every cell 0.
    TByteMatrix(int Width, int Height);

    // None of the cell operations checks its coordinates:
    // 0 <= X < Width(), 0 <= Y < Height().
    int Get(int X, int Y) const noexcept {
        const std::uint8_t v = FBytes[Y][X];
        return v == 255 ? -1 : v;
    }
    void SetBoolean(int X, int Y, bool Value) noexcept { FBytes[Y][X] = Value ? 1 : 0; }
    // Stores the low 8 bits of Value, so -1 becomes 255 (empty).
    void SetInteger(int X, int Y, int Value) noexcept {
        FBytes[Y][X] = static_cast<std::uint8_t>(Value & 0xFF);
    }
    // Every cell becomes the low 8 bits of Value.
    void Clear(int Value);

    // The rows themselves, indexed [Y][X], as stored (255 included).
    T2DByteArray& GetArray() noexcept { return FBytes; }
    const T2DByteArray& GetArray() const noexcept { return FBytes; }

    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }

  private:
    T2DByteArray FBytes;
    int FWidth = 0;
    int FHeight = 0;
};

}  // namespace vd::qr
