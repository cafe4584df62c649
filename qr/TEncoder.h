// Turns a text into a finished QR code symbol: one segment in numeric,
// alphanumeric or byte mode, the smallest version that holds it, Reed-Solomon
// blocks, interleaving, the best of the eight masks, the module matrix.
#pragma once

#include <string>

#include "TBitArray.h"
#include "TByteMatrix.h"
#include "TErrorCorrectionLevel.h"
#include "TMode.h"
#include "TQRCode.h"
#include "TVersion.h"

namespace vd::qr {

// The codewords of one symbol, before the matrix is built.
struct TEncodedData {
    TMode Mode = TMode::qmTerminator;
    int Encoding = 0;        // as rewritten by auto mode
    int CharacterCount = 0;  // characters, or bytes in byte mode
    const TVersion* Version = nullptr;
    TBitArray DataBits;   // header, data, terminator, pad: the data codewords
    TBitArray Codewords;  // data and EC codewords, interleaved
};

class TEncoder final {
  public:
    // Encodes Content (UTF-16) with the TQRCodeEncoding ordinal Encoding at
    // ecLevel into QRCode: level, mode, version, mask and matrix. Throws
    // EQRCodeTooLong, leaving QRCode without a matrix, when the segment is
    // larger than version 40 holds at the level.
    void EncodeText(const std::u16string& Content, int Encoding,
                    const TErrorCorrectionLevel& ecLevel, TQRCode& QRCode);
    // The steps of EncodeText up to the final codeword stream.
    TEncodedData EncodeCodewords(const std::u16string& Content, int Encoding,
                                 const TErrorCorrectionLevel& ecLevel);
    // The mask 0..7 whose matrix has the lowest total penalty, the lower
    // mask on equal scores. Matrix (the symbol's size) is scratch; it is
    // left with the data placed but not yet masked (see TMatrixUtil).
    int ChooseMaskPattern(const TBitArray& Bits, const TErrorCorrectionLevel& ecLevel, int Version,
                          TByteMatrix& Matrix);

    // Set by any step that met an inconsistency; never cleared.
    bool EncoderError() const noexcept { return FEncoderError; }

  private:
    // Sets QRCode's mask, chosen as ChooseMaskPattern chooses, and the
    // matrix BuildMatrix makes with it, from the version's shared template.
    void BuildMaskedMatrix(const TBitArray& Bits, const TErrorCorrectionLevel& ecLevel, int Version,
                           TQRCode& QRCode);
    const TVersion& ChooseVersionFor(int HeaderBits, TMode mode, int PayloadBits,
                                     const TErrorCorrectionLevel& ecLevel);
    void AppendCharacterCount(int count, int versionNumber, TMode mode, TBitArray& bits);
    void TerminateAndPad(int numDataBytes, TBitArray& bits);
    bool BlockSizes(int numTotalBytes, int numDataBytes, int numRSBlocks, int blockIndex,
                    int& numDataBytesInBlock, int& numECBytesInBlock);
    void InterleaveBlocks(const TBitArray& bits, int numTotalBytes, int numDataBytes,
                          int numRSBlocks, TBitArray& result);

    bool FEncoderError = false;
};

}  // namespace vd::qr
