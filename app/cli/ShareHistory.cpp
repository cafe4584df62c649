#include "app/cli/ShareHistory.h"

#include <QDateTime>
#include <algorithm>
#include <array>

#include "app/cli/TerminalText.h"

namespace vd::app {
namespace {

QString LocalTime(qint64 Seconds, const QLocale& Locale) {
    return Locale.toString(QDateTime::fromSecsSinceEpoch(Seconds), QLocale::ShortFormat);
}

QString UtcTime(qint64 Seconds) {
    return QDateTime::fromSecsSinceEpoch(Seconds, Qt::UTC).toString(Qt::ISODate);
}

}  // namespace

QString HistoryTable(const std::vector<TShareRow>& Shares, const QLocale& Locale) {
    using TLine = std::array<QString, 5>;
    std::vector<TLine> lines{{QStringLiteral("Date"), QStringLiteral("State"),
                              QStringLiteral("Expires"), QStringLiteral("Size"),
                              QStringLiteral("Link")}};
    for (const TShareRow& share : Shares) {
        lines.push_back(
            {LocalTime(share.SharedAt, Locale), ShareStateName(share.State),
             share.ExpiresAt ? LocalTime(*share.ExpiresAt, Locale) : QStringLiteral("-"),
             share.Size < 0 ? QStringLiteral("-") : Locale.formattedDataSize(share.Size),
             TerminalSafe(share.Link)});
    }
    std::array<qsizetype, 4> widths{};
    for (const TLine& line : lines)
        for (std::size_t column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], line[column].size());
    QString table;
    for (const TLine& line : lines) {
        for (std::size_t column = 0; column < widths.size(); ++column)
            table += line[column].leftJustified(widths[column] + 2);
        table += line.back() + u'\n';
    }
    return table;
}

namespace {

// Flushed at this size: few writes, and the memory stays small.
constexpr qsizetype kJsonBuffer = 64 * 1024;

char HexDigit(unsigned Value) {
    return static_cast<char>(Value < 10 ? '0' + Value : 'a' + Value - 10);
}

void AppendUnicodeEscape(QByteArray& Out, char16_t Unit) {
    Out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) Out += HexDigit((Unit >> shift) & 0xF);
}

// `Text` as a JSON string, the way QJsonDocument writes it (the output of
// earlier versions, which scripts have read), but DEL and C1 controls
// escaped too: they would reach a terminal as they are.
void AppendJsonString(QByteArray& Out, const QString& Text) {
    Out += '"';
    const char16_t* unit = reinterpret_cast<const char16_t*>(Text.constData());
    const char16_t* const end = unit + Text.size();
    while (unit != end) {
        const char16_t c = *unit++;
        switch (c) {
            case u'"':
                Out += "\\\"";
                continue;
            case u'\\':
                Out += "\\\\";
                continue;
            case u'\b':
                Out += "\\b";
                continue;
            case u'\f':
                Out += "\\f";
                continue;
            case u'\n':
                Out += "\\n";
                continue;
            case u'\r':
                Out += "\\r";
                continue;
            case u'\t':
                Out += "\\t";
                continue;
            default:
                break;
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            AppendUnicodeEscape(Out, c);
        } else if (c < 0x80) {
            Out += static_cast<char>(c);
        } else if (QChar::isHighSurrogate(c) && unit != end && QChar::isLowSurrogate(*unit)) {
            const char32_t code = QChar::surrogateToUcs4(c, *unit++);
            Out += static_cast<char>(0xF0 | (code >> 18));
            Out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            Out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            AppendUnicodeEscape(Out, c);  // half a pair: no UTF-8 for it
        } else if (c < 0x800) {
            Out += static_cast<char>(0xC0 | (c >> 6));
            Out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            Out += static_cast<char>(0xE0 | (c >> 12));
            Out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    Out += '"';
}

// One member of a share's object, the object being an element of the array.
void AppendKey(QByteArray& Out, const char* Key, bool First = false) {
    if (!First) Out += ",\n";
    Out += "        \"";
    Out += Key;
    Out += "\": ";
}

}  // namespace

THistoryJson::THistoryJson(TSink Write) : FWrite(std::move(Write)) {
    FBuffer.reserve(kJsonBuffer + 4096);
}

bool THistoryJson::Add(const TShareRow& Share) {
    FBuffer += FFirst ? "[\n    {\n" : ",\n    {\n";
    FFirst = false;
    // The keys in the order QJsonObject kept them: sorted.
    AppendKey(FBuffer, "expires_at", true);
    if (Share.ExpiresAt)
        AppendJsonString(FBuffer, UtcTime(*Share.ExpiresAt));
    else
        FBuffer += "null";
    AppendKey(FBuffer, "folder");
    AppendJsonString(FBuffer, Share.Folder);
    AppendKey(FBuffer, "host");
    AppendJsonString(FBuffer, Share.Host);
    AppendKey(FBuffer, "link");
    AppendJsonString(FBuffer, Share.Link);
    AppendKey(FBuffer, "local_name");
    AppendJsonString(FBuffer, Share.LocalName);
    AppendKey(FBuffer, "port");
    FBuffer += QByteArray::number(Share.Port);
    AppendKey(FBuffer, "remote_name");
    AppendJsonString(FBuffer, Share.RemoteName);
    AppendKey(FBuffer, "shared_at");
    AppendJsonString(FBuffer, UtcTime(Share.SharedAt));
    AppendKey(FBuffer, "size");
    FBuffer += Share.Size < 0 ? QByteArray("null") : QByteArray::number(Share.Size);
    AppendKey(FBuffer, "state");
    AppendJsonString(FBuffer, ShareStateName(Share.State));
    AppendKey(FBuffer, "transport");
    AppendJsonString(FBuffer, Share.Transport);
    AppendKey(FBuffer, "user");
    AppendJsonString(FBuffer, Share.User);
    FBuffer += "\n    }";
    return FBuffer.size() < kJsonBuffer || Flush();
}

bool THistoryJson::End() {
    FBuffer += FFirst ? "[\n]\n" : "\n]\n";
    FFirst = true;
    return Flush();
}

bool THistoryJson::Flush() {
    const bool written = FWrite(FBuffer);
    FBuffer.clear();
    return written;
}

QByteArray HistoryJson(const std::vector<TShareRow>& Shares) {
    QByteArray json;
    THistoryJson writer([&json](const QByteArray& Bytes) {
        json += Bytes;
        return true;
    });
    for (const TShareRow& share : Shares) writer.Add(share);
    writer.End();
    return json;
}

}  // namespace vd::app
