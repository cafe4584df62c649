// A QR code symbol for a text, quiet zone included: the object the
// application uses. Each effective write of Data, Encoding, QuietZone or
// ErrorCorrectionLevel encodes the text anew.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "EQRCodeTooLong.h"
#include "QRTypes.h"
#include "TErrorCorrectionLevel.h"
#include "TQRCodeEncoding.h"

namespace vd::qr {

class TQRCodeSymbol final {
  public:
    const std::u16string& Data() const noexcept { return FData; }
    // Stores a different text and encodes it. Throws EQRCodeTooLong when it
    // does not fit version 40 at the symbol's level; the previous symbol then
    // stays, the new text is stored all the same.
    void SetData(const std::u16string& Data);

    TQRCodeEncoding Encoding() const noexcept { return FEncoding; }
    // Stores a different encoding and encodes anew; may throw as SetData.
    void SetEncoding(TQRCodeEncoding Encoding);

    int QuietZone() const noexcept { return FQuietZone; }
    // Stores a different width from 0 to 100 and encodes anew (may throw as
    // SetData); any other value is ignored.
    void SetQuietZone(int QuietZone);

    // L unless set: the level that holds the most data.
    const TErrorCorrectionLevel& ErrorCorrectionLevel() const noexcept {
        return FErrorCorrectionLevel;
    }
    // Stores a different level and encodes anew; may throw as SetData, since
    // a higher level leaves room for less data.
    void SetErrorCorrectionLevel(const TErrorCorrectionLevel& Level);

    // Side length in modules, quiet zone included; 0 before the first
    // effective write.
    int Rows() const noexcept { return FRows; }
    int Columns() const noexcept { return FColumns; }
    // True for a dark module; False in the quiet zone and outside the symbol.
    bool IsBlack(int Row, int Column) const noexcept { return GetIsBlack(Row, Column); }
    bool GetIsBlack(int Row, int Column) const noexcept;

  private:
    void Regenerate();

    std::u16string FData;
    int FRows = 0;
    int FColumns = 0;
    TQRCodeEncoding FEncoding = TQRCodeEncoding::qrAuto;
    int FQuietZone = 4;
    TErrorCorrectionLevel FErrorCorrectionLevel = LevelL();
    // The modules without quiet zone, row by row, 1 for dark; FSize on a
    // side. One flat block: one allocation per symbol, none per line.
    std::vector<std::uint8_t> FModules;
    int FSize = 0;
};

}  // namespace vd::qr
