// A QR code symbol at error-correction level L for a text, quiet zone
// included: the object the application uses. Each effective write of Data,
// Encoding or QuietZone encodes the text anew.
#pragma once

#include <string>

#include "EQRCodeTooLong.h"
#include "QRTypes.h"
#include "TQRCodeEncoding.h"

namespace vd::qr {

class TQRCodeSymbol final {
  public:
    const std::u16string& Data() const noexcept { return FData; }
    // Stores a different text and encodes it. Throws EQRCodeTooLong when it
    // does not fit version 40; the previous symbol then stays, the new text
    // is stored all the same.
    void SetData(const std::u16string& Data);

    TQRCodeEncoding Encoding() const noexcept { return FEncoding; }
    // Stores a different encoding and encodes anew; may throw as SetData.
    void SetEncoding(TQRCodeEncoding Encoding);

    int QuietZone() const noexcept { return FQuietZone; }
    // Stores a different width from 0 to 100 and encodes anew (may throw as
    // SetData); any other value is ignored.
    void SetQuietZone(int QuietZone);

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
    T2DBooleanArray FElements;  // [column][row], without quiet zone
};

}  // namespace vd::qr
