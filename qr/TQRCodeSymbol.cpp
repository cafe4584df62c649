#include "TQRCodeSymbol.h"

#include "TEncoder.h"

namespace vd::qr {

void TQRCodeSymbol::SetData(const std::u16string& Data) {
    if (Data == FData) return;
    FData = Data;
    Regenerate();
}

void TQRCodeSymbol::SetEncoding(TQRCodeEncoding Encoding) {
    if (Encoding == FEncoding) return;
    FEncoding = Encoding;
    Regenerate();
}

void TQRCodeSymbol::SetQuietZone(int QuietZone) {
    if (QuietZone == FQuietZone || QuietZone < 0 || QuietZone > 100) return;
    FQuietZone = QuietZone;
    Regenerate();
}

void TQRCodeSymbol::SetErrorCorrectionLevel(const TErrorCorrectionLevel& Level) {
    if (Level == FErrorCorrectionLevel) return;
    FErrorCorrectionLevel = Level;
    Regenerate();
}

void TQRCodeSymbol::Regenerate() {
    TQRCode record;
    TEncoder().EncodeText(FData, static_cast<int>(FEncoding), FErrorCorrectionLevel, record);
    std::vector<std::uint8_t> modules;
    int size = 0;
    if (const TByteMatrix* matrix = record.Matrix()) {
        size = matrix->Width();
        modules.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
        std::uint8_t* out = modules.data();
        for (const TByteArray& row : matrix->GetArray())
            for (std::uint8_t cell : row) *out++ = cell == 1 ? 1 : 0;
    }
    FModules = std::move(modules);
    FSize = size;
    FRows = FSize + 2 * FQuietZone;
    FColumns = FRows;
}

bool TQRCodeSymbol::GetIsBlack(int Row, int Column) const noexcept {
    // The quiet zone of the symbol on show: after a failed regeneration
    // FQuietZone may already hold a new width that the symbol was not
    // built with.
    const int quietZone = (FRows - FSize) / 2;
    const int r = Row - quietZone;
    const int c = Column - quietZone;
    if (r < 0 || c < 0 || r >= FSize || c >= FSize) return false;
    return FModules[static_cast<std::size_t>(r) * static_cast<std::size_t>(FSize) +
                    static_cast<std::size_t>(c)] != 0;
}

}  // namespace vd::qr
