#include "app/core/ShortenerTable.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include "app/core/TextRules.h"

namespace vd::app {
namespace {

QByteArray CrLfLines(std::initializer_list<const char*> Lines) {
    QByteArray out;
    for (const char* line : Lines) out.append(line).append("\r\n");
    return out;
}

// Splits at CR LF, LF or CR; a break at the very end adds no empty line.
QStringList SplitLines(const QString& Text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        if (Text[i] != u'\r' && Text[i] != u'\n') continue;
        lines << Text.mid(start, i - start);
        if (Text[i] == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < Text.size()) lines << Text.mid(start);
    return lines;
}

QString Decode(const QByteArray& Bytes, TShortenerTable::TEncoding& Encoding) {
    if (Bytes.startsWith("\xEF\xBB\xBF")) {
        Encoding = TShortenerTable::TEncoding::Utf8Bom;
        return QString::fromUtf8(Bytes.mid(3));
    }
    if (Bytes.startsWith("\xFF\xFE")) {
        Encoding = TShortenerTable::TEncoding::Utf16LE;
        return QStringDecoder(QStringDecoder::Utf16LE)(Bytes.mid(2));
    }
    if (Bytes.startsWith("\xFE\xFF")) {
        Encoding = TShortenerTable::TEncoding::Utf16BE;
        return QStringDecoder(QStringDecoder::Utf16BE)(Bytes.mid(2));
    }
    Encoding = TShortenerTable::TEncoding::Plain;
    return QString::fromUtf8(Bytes);
}

}  // namespace

QByteArray HtaccessContent() {
    return CrLfLines({"RewriteEngine On", "RewriteCond $1 !^(index\\.php)",
                      "RewriteRule ^(.*)$ index.php?l=$1 [L]"});
}

QByteArray IndexPhpContent() {
    return CrLfLines({
        "<?php",
        "$links = parse_ini_file(\"shortener.ini\");",
        "if(isset($_GET[\"l\"]) && array_key_exists($_GET[\"l\"], $links))",
        "{ header(\"Location: \" . $links[$_GET[\"l\"]]);",
        " }",
        " else { ",
        "  header(\"HTTP/1.0 404 Not Found\");",
        "  echo \"Unknown link.\";",
        "}",
    });
}

TShortenerTable ParseShortenerTable(const QByteArray& Bytes) {
    TShortenerTable table;
    QString text = TrimControl(SplitLines(Decode(Bytes, table.Encoding)).join(u"\r\n"));
    // A byte-order mark behind leading control characters is no content
    // either: kept, it would be written back as a mark and read as one.
    while (text.startsWith(QChar(0xFEFF))) text = TrimControl(text.mid(1));
    table.Lines = SplitLines(text);
    return table;
}

QByteArray SerializeShortenerTable(const TShortenerTable& Table) {
    QString text;
    for (const QString& line : Table.Lines) text += line + QStringLiteral("\r\n");
    switch (Table.Encoding) {
        case TShortenerTable::TEncoding::Utf8Bom:
            return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
        case TShortenerTable::TEncoding::Utf16LE:
            return QByteArray("\xFF\xFE") +
                   QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(text));
        case TShortenerTable::TEncoding::Utf16BE:
            return QByteArray("\xFE\xFF") +
                   QByteArray(QStringEncoder(QStringEncoder::Utf16BE)(text));
        case TShortenerTable::TEncoding::Plain:
            break;
    }
    return text.toUtf8();
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
    } while (text.contains(code + QStringLiteral("=\"")));
    return code;
}

QString AddressToStore(const QString& ClipboardText) {
    QString address = ClipboardText;
    while (address.endsWith(u'\n') || address.endsWith(u'\r')) address.chop(1);
    if (address.contains(u'\n') || address.contains(u'\r') || address.contains(u'"')) return {};
    return address;
}

bool IsWebAddress(const QString& Text) {
    const QString lower = Text.toLower();
    return lower.startsWith(QStringLiteral("http://")) ||
           lower.startsWith(QStringLiteral("https://"));
}

}  // namespace vd::app
