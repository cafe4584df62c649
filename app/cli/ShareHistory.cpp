#include "app/cli/ShareHistory.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

QByteArray HistoryJson(const std::vector<TShareRow>& Shares) {
    QJsonArray shares;
    for (const TShareRow& share : Shares) {
        shares.append(QJsonObject{
            {QStringLiteral("shared_at"), UtcTime(share.SharedAt)},
            {QStringLiteral("state"), ShareStateName(share.State)},
            {QStringLiteral("expires_at"),
             share.ExpiresAt ? QJsonValue(UtcTime(*share.ExpiresAt)) : QJsonValue()},
            {QStringLiteral("size"), share.Size < 0 ? QJsonValue() : QJsonValue(share.Size)},
            {QStringLiteral("link"), share.Link},
            {QStringLiteral("local_name"), share.LocalName},
            {QStringLiteral("remote_name"), share.RemoteName},
            {QStringLiteral("transport"), share.Transport},
            {QStringLiteral("host"), share.Host},
            {QStringLiteral("port"), share.Port},
            {QStringLiteral("user"), share.User},
            {QStringLiteral("folder"), share.Folder},
        });
    }
    // QJsonDocument escapes C0 controls only; DEL and C1 would reach a
    // terminal as they are. They can stand only inside strings, where an
    // escape means the same character.
    const QString text = QString::fromUtf8(QJsonDocument(shares).toJson(QJsonDocument::Indented));
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x7F && c.unicode() <= 0x9F)
            safe += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe.toUtf8();
}

}  // namespace vd::app
