// The QR encoder on any UTF-16 text: it either says the text is too long,
// or gives a symbol whose size is that of a version from 1 to 40.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "EQRCodeTooLong.h"
#include "TQRCodeSymbol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace vd::qr;
    if (Size < 1) return 0;
    std::u16string text;
    for (size_t i = 1; i + 1 < Size; i += 2)
        text += static_cast<char16_t>(Data[i] | (Data[i + 1] << 8));
    TQRCodeSymbol symbol;
    symbol.SetQuietZone(Data[0] % 8);
    try {
        symbol.SetData(text);
    } catch (const EQRCodeTooLong&) {
        return 0;
    }
    const int modules = symbol.Rows() - 2 * symbol.QuietZone();
    const bool aVersion = modules >= 21 && modules <= 177 && (modules - 21) % 4 == 0;
    if (!text.empty() && (!aVersion || symbol.Rows() != symbol.Columns())) std::abort();
    return 0;
}
