// A growable sequence of bits: header and data bits of a symbol, the final
// codeword stream, the format and version words of the matrix builder.
#pragma once

#include <cstdint>

#include "QRTypes.h"

namespace vd::qr {

class TBitArray final {
  public:
    // Number of bits appended so far.
    int GetSize() const noexcept { return FSize; }
    // (GetSize() + 7) / 8: a partial last byte counts as a whole byte.
    int GetSizeInBytes() const noexcept { return (FSize + 7) / 8; }
    // Bit I, 0 <= I < GetSize(); not range-checked.
    bool Get(int I) const noexcept { return (FBits[I >> 5] >> (I & 31)) & 1; }

    void AppendBit(bool Bit);
    // Appends the low NumBits bits of Value, most significant first; past 32
    // bits as leading zeros. NumBits <= 0 appends nothing.
    void AppendBits(std::uint32_t Value, int NumBits);
    void AppendBitArray(const TBitArray& NewBitArray);
    // Stores NumBytes bytes made of the bits from BitOffset on (first bit is
    // the byte's most significant) into Source[Offset...]; Source is sized by
    // the caller.
    void ToBytes(int BitOffset, TByteArray& Source, int Offset, int NumBytes) const;
    // Word-wise XOR; does nothing when the word counts differ.
    void XorOperation(const TBitArray& Other);

  private:
    void ReserveBits(int N);
    void OrBitsAt(std::uint32_t Bits, int Count);

    int FSize = 0;
    // Bit i lives in word i / 32 as 1 << (i % 32).
    std::vector<std::uint32_t> FBits = std::vector<std::uint32_t>(1, 0);
};

}  // namespace vd::qr
