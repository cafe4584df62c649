#include "app/core/ShortenerTable.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

namespace vd::app {
namespace {

using TEncoding = TShortenerTable::TEncoding;

// The file's code units: bytes, or UTF-16 units in the mark's byte order.
class TCodeUnits final {
  public:
    explicit TCodeUnits(const QByteArray& Bytes) : FBytes(Bytes) {
        if (Bytes.startsWith("\xEF\xBB\xBF")) {
            FEncoding = TEncoding::Utf8Bom;
            FStart = 3;
        } else if (Bytes.startsWith("\xFF\xFE")) {
            FEncoding = TEncoding::Utf16LE;
            FStart = 2;
            FSize = 2;
        } else if (Bytes.startsWith("\xFE\xFF")) {
            FEncoding = TEncoding::Utf16BE;
            FStart = 2;
            FSize = 2;
        }
    }

    TEncoding Encoding() const { return FEncoding; }
    /// Whole units after the mark. An odd byte left at the end of UTF-16
    /// is no unit; it stays with the last line.
    qsizetype Count() const { return (FBytes.size() - FStart) / FSize; }
    char16_t At(qsizetype Index) const {
        const qsizetype at = FStart + Index * FSize;
        const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(FBytes[i]); };
        if (FSize == 1) return byte(at);
        if (FEncoding == TEncoding::Utf16LE) return char16_t(byte(at) | byte(at + 1) << 8);
        return char16_t(byte(at) << 8 | byte(at + 1));
    }
    bool HasOddByte() const { return (FBytes.size() - FStart) % FSize != 0; }
    /// The units of a byte-order mark at `Index`; 0 when there is none. In
    /// 8-bit text a UTF-16 mark counts too: written back first in the file,
    /// it would make the table read as UTF-16.
    qsizetype MarkAt(qsizetype Index) const {
        if (FSize == 2) return Index < Count() && At(Index) == 0xFEFF ? 1 : 0;
        const QByteArray next = FBytes.mid(FStart + Index, 3);
        if (next == "\xEF\xBB\xBF") return 3;
        return next.startsWith("\xFF\xFE") || next.startsWith("\xFE\xFF") ? 2 : 0;
    }
    /// The bytes of the units [From, To), and the odd byte with the last unit.
    QByteArray Bytes(qsizetype From, qsizetype To) const {
        const qsizetype end = To == Count() ? FBytes.size() : FStart + To * FSize;
        return FBytes.mid(FStart + From * FSize, end - FStart - From * FSize);
    }
    QString Decode(const QByteArray& Bytes) const {
        switch (FEncoding) {
            case TEncoding::Utf16LE:
                return QStringDecoder(QStringDecoder::Utf16LE)(Bytes);
            case TEncoding::Utf16BE:
                return QStringDecoder(QStringDecoder::Utf16BE)(Bytes);
            case TEncoding::Plain:
            case TEncoding::Utf8Bom:
                break;
        }
        return QString::fromUtf8(Bytes);
    }

  private:
    const QByteArray& FBytes;
    TEncoding FEncoding = TEncoding::Plain;
    qsizetype FStart = 0;
    qsizetype FSize = 1;
};

QByteArray Encode(const QString& Text, TEncoding Encoding) {
    switch (Encoding) {
        case TEncoding::Utf16LE:
            return QStringEncoder(QStringEncoder::Utf16LE)(Text);
        case TEncoding::Utf16BE:
            return QStringEncoder(QStringEncoder::Utf16BE)(Text);
        case TEncoding::Plain:
        case TEncoding::Utf8Bom:
            break;
    }
    return Text.toUtf8();
}

QByteArray Mark(TEncoding Encoding) {
    switch (Encoding) {
        case TEncoding::Utf8Bom:
            return QByteArray("\xEF\xBB\xBF");
        case TEncoding::Utf16LE:
            return QByteArray("\xFF\xFE");
        case TEncoding::Utf16BE:
            return QByteArray("\xFE\xFF");
        case TEncoding::Plain:
            break;
    }
    return {};
}

bool IsLineBreak(char16_t Unit) { return Unit == u'\r' || Unit == u'\n'; }

// Words that PHP's INI reader refuses as keys, in any case: one such code
// makes the whole table unreadable for the scripts of older installs.
bool IsReservedIniWord(const QString& Code) {
    static const QStringList words = {QStringLiteral("null"),  QStringLiteral("yes"),
                                      QStringLiteral("no"),    QStringLiteral("true"),
                                      QStringLiteral("false"), QStringLiteral("on"),
                                      QStringLiteral("off"),   QStringLiteral("none")};
    return words.contains(Code, Qt::CaseInsensitive);
}

}  // namespace

TShortenerTable ParseShortenerTable(const QByteArray& Bytes) {
    // Blanks, line breaks and control characters are single units below 33
    // in every encoding here, so the ends are trimmed and the lines split
    // on the units, and each line keeps its bytes exactly as read.
    const TCodeUnits units(Bytes);
    TShortenerTable table;
    table.Encoding = units.Encoding();
    qsizetype begin = 0;
    qsizetype end = units.Count();
    if (!units.HasOddByte()) {
        while (end > begin && units.At(end - 1) <= 32) --end;
    }
    // A byte-order mark behind leading control characters is no content
    // either: kept, it would be written back as a mark and read as one.
    for (qsizetype mark = 1; mark > 0; begin += mark) {
        while (begin < end && units.At(begin) <= 32) ++begin;
        mark = std::min(units.MarkAt(begin), end - begin);
    }
    if (begin == end && !units.HasOddByte()) return table;
    qsizetype start = begin;
    for (qsizetype i = begin; i <= end; ++i) {
        if (i < end && !IsLineBreak(units.At(i))) continue;
        const QByteArray line = units.Bytes(start, i);
        table.ReadBytes << line;
        table.Lines << units.Decode(line);
        // CR LF is one break.
        if (i + 1 < end && units.At(i) == u'\r' && units.At(i + 1) == u'\n') ++i;
        start = i + 1;
    }
    return table;
}

QByteArray SerializeShortenerTable(const TShortenerTable& Table) {
    QByteArray bytes = Mark(Table.Encoding);
    const QByteArray lineBreak = Encode(QStringLiteral("\r\n"), Table.Encoding);
    for (qsizetype i = 0; i < Table.Lines.size(); ++i) {
        bytes += i < Table.ReadBytes.size() ? Table.ReadBytes[i]
                                            : Encode(Table.Lines[i], Table.Encoding);
        bytes += lineBreak;
    }
    return bytes;
}

QString FindCode(const QStringList& Lines, const QString& URL) {
    const QString record = QStringLiteral("=\"") + URL + u'"';
    for (const QString& line : Lines) {
        const qsizetype at = line.indexOf(record);
        if (at > 0) return line.left(at);
    }
    return {};
}

QString NewCode(const QStringList& Lines, const std::function<QString()>& Draw) {
    const QString text = Lines.join(QStringLiteral("\r\n"));
    QString code;
    do {
        code = Draw();
    } while (text.contains(code + QStringLiteral("=\"")) || IsReservedIniWord(code));
    return code;
}

}  // namespace vd::app
