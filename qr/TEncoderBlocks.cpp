// Terminating and padding the data codewords, and splitting them into
// Reed-Solomon blocks whose data and EC codewords are interleaved.
#include <algorithm>

#include "TEncoder.h"
#include "TGenericGF.h"

namespace vd::qr {

namespace {

// Pad codewords 11101100 and 00010001, alternately (ISO/IEC 18004 7.4.10).
constexpr std::uint32_t kPadBytes[2] = {0xEC, 0x11};

struct TBlockPair {
    TByteArray FDataBytes;
    TByteArray FErrorCorrectionBytes;
};

// Byte i of every block that has one, blocks in order.
void AppendColumn(const std::vector<TBlockPair>& blocks, TByteArray TBlockPair::*part,
                  std::size_t i, TBitArray& result) {
    for (const TBlockPair& block : blocks)
        if (i < (block.*part).size()) result.AppendBits((block.*part)[i], 8);
}

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
    const auto field = TGenericGF::CreateQRCodeField256();
    TReedSolomonEncoder encoder(*field);
    std::vector<TBlockPair> blocks;
    int offset = 0;
    std::size_t maxData = 0;
    std::size_t maxEC = 0;
    for (int i = 0; i < numRSBlocks; ++i) {
        int n = 0;
        int e = 0;
        if (!BlockSizes(numTotalBytes, numDataBytes, numRSBlocks, i, n, e)) continue;
        TByteArray data(static_cast<std::size_t>(n));
        bits.ToBytes(8 * offset, data, 0, n);
        TByteArray ec = ComputeECBytes(data, e, encoder);
        maxData = std::max(maxData, data.size());
        maxEC = std::max(maxEC, ec.size());
        blocks.push_back({std::move(data), std::move(ec)});
        offset += n;
    }
    if (offset != numDataBytes) {
        FEncoderError = true;
        return;
    }
    for (std::size_t i = 0; i < maxData; ++i)
        AppendColumn(blocks, &TBlockPair::FDataBytes, i, result);
    for (std::size_t i = 0; i < maxEC; ++i)
        AppendColumn(blocks, &TBlockPair::FErrorCorrectionBytes, i, result);
    if (result.GetSizeInBytes() != numTotalBytes) FEncoderError = true;
}

TByteArray TEncoder::ComputeECBytes(const TByteArray& data, int numECBytes,
                                    TReedSolomonEncoder& encoder) {
    TIntegerArray toEncode(data.begin(), data.end());
    toEncode.resize(data.size() + static_cast<std::size_t>(numECBytes), 0);
    encoder.Encode(toEncode, numECBytes);
    return TByteArray(toEncode.end() - numECBytes, toEncode.end());
}

}  // namespace vd::qr
