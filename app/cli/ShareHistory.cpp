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

// The letter of JSON's short escape for `C` ("n" for a line feed), or 0.
char EscapeLetter(char16_t C) {
    switch (C) {
        case u'"':
            return '"';
        case u'\\':
            return '\\';
        case u'\b':
            return 'b';
        case u'\f':
            return 'f';
        case u'\n':
            return 'n';
        case u'\r':
            return 'r';
        case u'\t':
            return 't';
        default:
            return 0;
    }
}

// `Text` as a JSON string, the way QJsonDocument writes it (the output of
// earlier versions, which scripts have read), but DEL and C1 controls
// escaped too: they would reach a terminal as they are. Written in place:
// at most six bytes for each UTF-16 unit (an escape), and the quotes.
void AppendJsonString(QByteArray& Out, QStringView Text) {
    const qsizetype start = Out.size();
    Out.resize(start + Text.size() * 6 + 2);
    char* out = Out.data() + start;
    const auto escape = [&out](char16_t Unit) {
        *out++ = '\\';
        *out++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4) *out++ = HexDigit((Unit >> shift) & 0xF);
    };
    *out++ = '"';
    const char16_t* unit = Text.utf16();
    const char16_t* const end = unit + Text.size();
    while (unit != end) {
        const char16_t c = *unit++;
        if (c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\') {
            *out++ = static_cast<char>(c);
            continue;
        }
        if (const char letter = EscapeLetter(c)) {
            *out++ = '\\';
            *out++ = letter;
            continue;
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            escape(c);
        } else if (QChar::isHighSurrogate(c) && unit != end && QChar::isLowSurrogate(*unit)) {
            const char32_t code = QChar::surrogateToUcs4(c, *unit++);
            *out++ = static_cast<char>(0xF0 | (code >> 18));
            *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            escape(c);  // half a pair: no UTF-8 for it
        } else if (c < 0x800) {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *out++ = static_cast<char>(0xE0 | (c >> 12));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    *out++ = '"';
    Out.resize(out - Out.constData());
}

// The time as a JSON string in ISO 8601 (UTC), as QDateTime writes it;
// made by hand for the years of four digits, since QDateTime would cost
// more than all the rest of a share's JSON.
void AppendUtcTime(QByteArray& Out, qint64 Seconds) {
    // Days since 1970 to the civil date (the proleptic Gregorian calendar).
    const qint64 days = Seconds >= 0 ? Seconds / 86400 : -((-Seconds + 86399) / 86400);
    const qint64 second = Seconds - days * 86400;
    const qint64 shifted = days + 719468;  // counted from 0000-03-01
    const qint64 era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const qint64 dayOfEra = shifted - era * 146097;
    const qint64 yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 monthIndex = (5 * dayOfYear + 2) / 153;  // from March
    const qint64 day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const qint64 month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const qint64 year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1 || year > 9999) {
        AppendJsonString(Out, UtcTime(Seconds));
        return;
    }
    char text[] = "\"0000-00-00T00:00:00Z\"";
    const auto put = [&text](int At, qint64 Value, int Digits) {
        for (int i = Digits - 1; i >= 0; --i, Value /= 10) text[At + i] = char('0' + Value % 10);
    };
    put(1, year, 4);
    put(6, month, 2);
    put(9, day, 2);
    put(12, second / 3600, 2);
    put(15, second / 60 % 60, 2);
    put(18, second % 60, 2);
    Out.append(text, sizeof text - 1);
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
        AppendUtcTime(FBuffer, *Share.ExpiresAt);
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
    AppendUtcTime(FBuffer, Share.SharedAt);
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
