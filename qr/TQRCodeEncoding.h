// How a text is to be encoded. The encoder takes the ordinal; any other
// ordinal gives a byte segment without data.
#pragma once

namespace vd::qr {

enum class TQRCodeEncoding {
    qrAuto,          // chosen from the text
    qrNumeric,       // digits only
    qrAlphanumeric,  // the 45 characters of the alphanumeric set
    qrISO88591,      // byte mode, code units 0..255 as one byte each
    qrUTF8NoBOM,     // byte mode: EF BB BF, then UTF-8 (the name notwithstanding)
    qrUTF8BOM,       // byte mode: UTF-8 alone (the name notwithstanding)
};

}  // namespace vd::qr
