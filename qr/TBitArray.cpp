#include "TBitArray.h"

#include <algorithm>

namespace vd::qr {

void TBitArray::ReserveBits(int N) {
    const auto words = static_cast<std::size_t>((N + 31) / 32);
    if (FBits.size() < words) {
        // Grow geometrically so that appending a whole stream bit by bit
        // stays linear; the new words are 0 either way.
        FBits.reserve(std::max(words, FBits.size() * 2));
        FBits.resize(words, 0);
    }
}

void TBitArray::AppendBit(bool Bit) {
    ReserveBits(FSize + 1);
    if (Bit) FBits[FSize >> 5] |= 1u << (FSize & 31);
    ++FSize;
}

void TBitArray::AppendBits(std::uint32_t Value, int NumBits) {
    if (NumBits <= 0) return;
    ReserveBits(FSize + NumBits);
    for (int i = NumBits - 1; i >= 0; --i) {
        // Beyond 32 bits the value has only leading zeros.
        if (i < 32 && ((Value >> i) & 1u)) FBits[FSize >> 5] |= 1u << (FSize & 31);
        ++FSize;
    }
}

void TBitArray::AppendBitArray(const TBitArray& NewBitArray) {
    const int count = NewBitArray.FSize;  // read first: NewBitArray may be *this
    ReserveBits(FSize + count);
    for (int i = 0; i < count; ++i) AppendBit(NewBitArray.Get(i));
}

void TBitArray::ToBytes(int BitOffset, TByteArray& Source, int Offset, int NumBytes) const {
    for (int i = 0; i < NumBytes; ++i) {
        unsigned byte = 0;
        for (int j = 0; j < 8; ++j) byte = (byte << 1) | (Get(BitOffset + 8 * i + j) ? 1u : 0u);
        Source[static_cast<std::size_t>(Offset + i)] = static_cast<std::uint8_t>(byte);
    }
}

void TBitArray::XorOperation(const TBitArray& Other) {
    if (FBits.size() != Other.FBits.size()) return;
    for (std::size_t i = 0; i < FBits.size(); ++i) FBits[i] ^= Other.FBits[i];
}

}  // namespace vd::qr
