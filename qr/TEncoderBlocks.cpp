// Terminating and padding the data codewords, and splitting them into
// Reed-Solomon blocks whose data and EC codewords are interleaved.
#include <algorithm>
#include <array>

#include "QRCodeReedSolomon.h"
#include "TEncoder.h"

namespace vd::qr {

namespace {

// Pad codewords 11101100 and 00010001, alternately (ISO/IEC 18004 7.4.10).
constexpr std::uint32_t kPadBytes[2] = {0xEC, 0x11};

// A block's data codewords: where they start in the data, how many.
struct TBlock {
    int Offset;
    int Count;
};

// Version 40 at level H has the most blocks (ISO/IEC 18004 Table 9).
constexpr int kMaxBlocks = 81;

}  // namespace

void TEncoder::TerminateAndPad(int numDataBytes, TBitArray& bits) {
    const int capacity = numDataBytes * 8;
    if (bits.GetSize() > capacity) {
        FEncoderError = true;
        return;
    }
    for (int i = 0; i < 4 && bits.GetSize() < capacity; ++i) bits.AppendBit(false);
    while (bits.GetSize() % 8 != 0) bits.AppendBit(false);
    const int padCount = numDataBytes - bits.GetSizeInBytes();
    for (int i = 0; i < padCount; ++i) bits.AppendBits(kPadBytes[i % 2], 8);
    if (bits.GetSize() != capacity) FEncoderError = true;
}

bool TEncoder::BlockSizes(int numTotalBytes, int numDataBytes, int numRSBlocks, int blockIndex,
                          int& numDataBytesInBlock, int& numECBytesInBlock) {
    if (blockIndex >= numRSBlocks) {
        FEncoderError = true;
        return false;
    }
    // Blocks differ by at most one data codeword; the longer ones come last.
    const int inGroup2 = numTotalBytes % numRSBlocks;
    const int inGroup1 = numRSBlocks - inGroup2;
    const int total1 = numTotalBytes / numRSBlocks;
    const int data1 = numDataBytes / numRSBlocks;
    const int ec1 = total1 - data1;
    const int ec2 = (total1 + 1) - (data1 + 1);
    if (ec1 != ec2 || (data1 + ec1) * inGroup1 + (data1 + 1 + ec2) * inGroup2 != numTotalBytes) {
        FEncoderError = true;
        return false;
    }
    numDataBytesInBlock = blockIndex < inGroup1 ? data1 : data1 + 1;
    numECBytesInBlock = ec1;
    return true;
}

void TEncoder::InterleaveBlocks(const TBitArray& bits, int numTotalBytes, int numDataBytes,
                                int numRSBlocks, TBitArray& result) {
    if (bits.GetSizeInBytes() != numDataBytes) {
        FEncoderError = true;
        return;
    }
    // The blocks split the data codewords in stream order; their EC
    // codewords go one block after another into a second buffer, which is
    // all the memory the step needs.
    TByteArray data(static_cast<std::size_t>(numDataBytes));
    bits.ToBytes(0, data, 0, numDataBytes);
    std::array<TBlock, kMaxBlocks> blocks{};
    if (numRSBlocks > kMaxBlocks) {
        FEncoderError = true;
        return;
    }
    int offset = 0;
    int ecPerBlock = 0;
    int maxData = 0;
    for (int i = 0; i < numRSBlocks; ++i) {
        int n = 0;
        if (!BlockSizes(numTotalBytes, numDataBytes, numRSBlocks, i, n, ecPerBlock)) return;
        blocks[static_cast<std::size_t>(i)] = {offset, n};
        maxData = std::max(maxData, n);
        offset += n;
    }
    if (offset != numDataBytes || ecPerBlock < 1 || ecPerBlock > kMaxECCodewordsPerBlock) {
        FEncoderError = true;
        return;
    }
    TByteArray ec(static_cast<std::size_t>(numRSBlocks * ecPerBlock));
    for (int i = 0; i < numRSBlocks; ++i) {
        const TBlock& block = blocks[static_cast<std::size_t>(i)];
        QRCodeECBytes(data.data() + block.Offset, block.Count, ec.data() + i * ecPerBlock,
                      ecPerBlock);
    }
    // Codeword i of every block that has one, blocks in order: first the
    // data codewords, then the EC codewords.
    for (int i = 0; i < maxData; ++i)
        for (int b = 0; b < numRSBlocks; ++b)
            if (const TBlock& block = blocks[static_cast<std::size_t>(b)]; i < block.Count)
                result.AppendBits(data[static_cast<std::size_t>(block.Offset + i)], 8);
    for (int i = 0; i < ecPerBlock; ++i)
        for (int b = 0; b < numRSBlocks; ++b)
            result.AppendBits(ec[static_cast<std::size_t>(b * ecPerBlock + i)], 8);
    if (result.GetSizeInBytes() != numTotalBytes) FEncoderError = true;
}

}  // namespace vd::qr
