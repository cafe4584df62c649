#include "TEncoder.h"

#include "DataSegment.h"
#include "EQRCodeTooLong.h"

namespace vd::qr {

namespace {

// ISO/IEC 18004 Table 7: version 40-L holds 7089 digits, the densest mode.
constexpr std::size_t kMaxCharacters = 7089;

}  // namespace

void TEncoder::EncodeText(const std::u16string& Content, int Encoding,
                          const TErrorCorrectionLevel& ecLevel, TQRCode& QRCode) {
    const TEncodedData data = EncodeCodewords(Content, Encoding, ecLevel);
    QRCode.SetECLevel(ecLevel);
    QRCode.SetMode(data.Mode);
    QRCode.SetVersion(data.Version->VersionNumber());

    BuildMaskedMatrix(data.Codewords, ecLevel, QRCode.Version(), QRCode);
}

TEncodedData TEncoder::EncodeCodewords(const std::u16string& Content, int Encoding,
                                       const TErrorCorrectionLevel& ecLevel) {
    TEncodedData result;
    result.Mode = SelectMode(Content, Encoding);
    result.Encoding = Encoding;
    const std::u16string text = FilterForMode(Content, result.Mode, Encoding);
    // No segment holds more characters than version 40 holds digits; a
    // longer text is refused before its bits are counted, which keeps bit
    // counts of huge texts from overflowing.
    if (text.size() > kMaxCharacters) throw EQRCodeTooLong();
    TBitArray payload;
    if (!AppendSegmentData(text, result.Mode, payload, Encoding)) FEncoderError = true;

    const int indicatorBits = 4;
    result.Version = &ChooseVersionFor(indicatorBits, result.Mode, payload.GetSize(), ecLevel);
    const int versionNumber = result.Version->VersionNumber();

    TBitArray& stream = result.DataBits;
    stream.AppendBits(static_cast<std::uint32_t>(ModeIndicator(result.Mode)), indicatorBits);
    result.CharacterCount =
        result.Mode == TMode::qmByte ? payload.GetSizeInBytes() : static_cast<int>(text.size());
    AppendCharacterCount(result.CharacterCount, versionNumber, result.Mode, stream);
    stream.AppendBitArray(payload);

    const TECBlocks& ecBlocks = result.Version->GetECBlocksForLevel(ecLevel);
    const int numTotalBytes = result.Version->GetTotalCodewords();
    const int numDataBytes = numTotalBytes - ecBlocks.GetTotalECCodewords();
    TerminateAndPad(numDataBytes, stream);
    InterleaveBlocks(stream, numTotalBytes, numDataBytes, ecBlocks.GetNumBlocks(),
                     result.Codewords);
    return result;
}

const TVersion& TEncoder::ChooseVersionFor(int HeaderBits, TMode mode, int PayloadBits,
                                           const TErrorCorrectionLevel& ecLevel) {
    // The count field's width depends on the version: size it for versions
    // 1-9 first, then again for the version that this first guess gives.
    const int estimate = HeaderBits + CountFieldWidth(mode, 1) + PayloadBits;
    const TVersion* firstChoice = TVersion::ChooseVersion(estimate, ecLevel);
    if (firstChoice == nullptr) throw EQRCodeTooLong();
    const int needed =
        HeaderBits + CountFieldWidth(mode, firstChoice->VersionNumber()) + PayloadBits;
    const TVersion* version = TVersion::ChooseVersion(needed, ecLevel);
    if (version == nullptr) throw EQRCodeTooLong();
    return *version;
}

void TEncoder::AppendCharacterCount(int count, int versionNumber, TMode mode, TBitArray& bits) {
    const int width = CountFieldWidth(mode, versionNumber);
    if (count > (1 << width) - 1) {
        FEncoderError = true;
        return;
    }
    bits.AppendBits(static_cast<std::uint32_t>(count), width);
}

}  // namespace vd::qr
