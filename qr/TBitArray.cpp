#include "TBitArray.h"

#include <algorithm>
#include <array>

namespace vd::qr {

namespace {

// The low n bits of value in reverse order (n = 1..32): the most
// significant of them becomes bit 0, the first bit of the sequence.
constexpr std::uint32_t ReverseLowBits(std::uint32_t value, int n) {
    value = ((value >> 1) & 0x55555555u) | ((value & 0x55555555u) << 1);
    value = ((value >> 2) & 0x33333333u) | ((value & 0x33333333u) << 2);
    value = ((value >> 4) & 0x0F0F0F0Fu) | ((value & 0x0F0F0F0Fu) << 4);
    value = ((value >> 8) & 0x00FF00FFu) | ((value & 0x00FF00FFu) << 8);
    value = (value >> 16) | (value << 16);
    return value >> (32 - n);
}

constexpr std::array<std::uint8_t, 256> MakeReversedBytes() {
    std::array<std::uint8_t, 256> table{};
    for (std::uint32_t b = 0; b < 256; ++b)
        table[b] = static_cast<std::uint8_t>(ReverseLowBits(b, 8));
    return table;
}
constexpr std::array<std::uint8_t, 256> kReversedBytes = MakeReversedBytes();

}  // namespace

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
    if (Bit) FBits[static_cast<std::size_t>(FSize >> 5)] |= 1u << (FSize & 31);
    ++FSize;
}

void TBitArray::OrBitsAt(std::uint32_t Bits, int Count) {
    // Bits holds the next Count bits in sequence order (first bit in bit 0);
    // the positions from FSize on are still 0.
    const auto word = static_cast<std::size_t>(FSize >> 5);
    const int offset = FSize & 31;
    FBits[word] |= Bits << offset;
    if (offset != 0 && offset + Count > 32) FBits[word + 1] |= Bits >> (32 - offset);
    FSize += Count;
}

void TBitArray::AppendBits(std::uint32_t Value, int NumBits) {
    if (NumBits <= 0) return;
    ReserveBits(FSize + NumBits);
    // Beyond 32 bits the value has only leading zeros.
    if (NumBits > 32) {
        FSize += NumBits - 32;
        NumBits = 32;
    }
    OrBitsAt(ReverseLowBits(Value, NumBits), NumBits);
}

void TBitArray::AppendBitArray(const TBitArray& NewBitArray) {
    if (&NewBitArray == this) {
        const TBitArray copy = NewBitArray;
        AppendBitArray(copy);
        return;
    }
    const TBitArray& other = NewBitArray;
    ReserveBits(FSize + other.FSize);
    // Both sequences keep their first bit in the low bit of a word, so the
    // words go over whole, shifted to the current end.
    for (int done = 0; done < other.FSize; done += 32) {
        const int count = std::min(32, other.FSize - done);
        const std::uint32_t word = other.FBits[static_cast<std::size_t>(done >> 5)];
        OrBitsAt(count == 32 ? word : word & ((1u << count) - 1), count);
    }
}

void TBitArray::ToBytes(int BitOffset, TByteArray& Source, int Offset, int NumBytes) const {
    // Eight bits at a time: the sequence keeps its first bit lowest, a byte
    // wants it highest, so each chunk is reversed by table.
    for (int i = 0; i < NumBytes; ++i) {
        const int position = BitOffset + 8 * i;
        const auto word = static_cast<std::size_t>(position >> 5);
        const int shift = position & 31;
        std::uint32_t chunk = FBits[word] >> shift;
        if (shift > 24 && word + 1 < FBits.size()) chunk |= FBits[word + 1] << (32 - shift);
        Source[static_cast<std::size_t>(Offset + i)] = kReversedBytes[chunk & 0xFF];
    }
}

void TBitArray::XorOperation(const TBitArray& Other) {
    if (FBits.size() != Other.FBits.size()) return;
    for (std::size_t i = 0; i < FBits.size(); ++i) FBits[i] ^= Other.FBits[i];
}

}  // namespace vd::qr
