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
    T2DBooleanArray elements;
    if (const TByteMatrix* matrix = record.Matrix()) {
        // First index the column X, second the row Y.
        const T2DByteArray& rows = matrix->GetArray();
        elements.resize(static_cast<std::size_t>(matrix->Width()));
        for (std::size_t x = 0; x < elements.size(); ++x) {
            std::vector<bool>& column = elements[x];
            column.reserve(rows.size());
            for (const TByteArray& row : rows) column.push_back(row[x] == 1);
        }
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
