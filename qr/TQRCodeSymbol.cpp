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

void TQRCodeSymbol::Regenerate() {
    TQRCode record;
    TEncoder().EncodeText(FData, static_cast<int>(FEncoding), LevelL(), record);
    T2DBooleanArray elements;
    if (const TByteMatrix* matrix = record.Matrix()) {
        // First index the column, second the row: [x][y].
        elements.assign(static_cast<std::size_t>(matrix->Height()),
                        std::vector<bool>(static_cast<std::size_t>(matrix->Width())));
        for (int a = 0; a < matrix->Height(); ++a)
            for (int b = 0; b < matrix->Width(); ++b)
                elements[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] =
                    matrix->Get(a, b) == 1;
    }
    FElements = std::move(elements);
    FRows = static_cast<int>(FElements.size()) + 2 * FQuietZone;
    FColumns = FRows;
}

bool TQRCodeSymbol::GetIsBlack(int Row, int Column) const noexcept {
    // The quiet zone of the symbol on show: after a failed regeneration
    // FQuietZone may already hold a new width that the symbol was not
    // built with.
    const int size = static_cast<int>(FElements.size());
    const int quietZone = (FRows - size) / 2;
    const int r = Row - quietZone;
    const int c = Column - quietZone;
    if (r < 0 || c < 0 || r >= size || c >= size) return false;
    return FElements[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
}

}  // namespace vd::qr
