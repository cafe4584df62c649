#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "app/cli/ShareHistory.h"

namespace vd::app {
namespace {

std::vector<TShareRow> Shares() {
    TShareRow up;
    up.SharedAt = 1'800'000'000;  // 2027-01-15 08:00 UTC
    up.State = TShareState::Up;
    up.ExpiresAt = up.SharedAt + 7 * 24 * 60 * 60;
    up.Size = 1536;
    up.Link = QStringLiteral("https://example.org/drop/velodrop_a.pdf");
    up.LocalName = QStringLiteral("/home/anna/a.pdf");
    up.RemoteName = QStringLiteral("velodrop_a.pdf");
    up.Transport = QStringLiteral("sftp");
    up.Host = QStringLiteral("files.example.org");
    up.Port = 22;
    up.User = QStringLiteral("anna");
    TShareRow failed = up;
    failed.State = TShareState::Failed;
    failed.ExpiresAt.reset();
    failed.Size = -1;
    // A name can hold anything a file name can; a link has its controls
    // encoded, but an old record may hold anything too.
    failed.LocalName =
        QStringLiteral("/home/anna/x\x1b]0;owned\x07") + QChar(0x9B) + QStringLiteral(".txt");
    failed.Link = QStringLiteral("https://example.org/drop/\x1b[2J");
    return {up, failed};
}

TEST(ShareHistory, TableLinesUpAndShowsControlsAsEscapes) {
    const QString table = HistoryTable(Shares(), QLocale::c());
    const QStringList lines = table.split(u'\n');
    ASSERT_EQ(lines.size(), 4) << table.toStdString();  // heading, two shares, end
    EXPECT_TRUE(lines[0].startsWith(u"Date"));
    EXPECT_TRUE(lines[1].contains(u"up "));
    EXPECT_TRUE(lines[1].contains(u"1.50 KiB"));
    EXPECT_TRUE(lines[1].endsWith(u"https://example.org/drop/velodrop_a.pdf"));
    EXPECT_TRUE(lines[2].contains(u"failed"));
    EXPECT_TRUE(lines[2].endsWith(u"https://example.org/drop/\\x1b[2J"));
    // Every column starts where its heading does.
    for (const char16_t* heading : {u"State", u"Expires", u"Size", u"Link"}) {
        const qsizetype column = lines[0].indexOf(QStringView(heading));
        EXPECT_EQ(lines[1].at(column - 1), u' ');
        EXPECT_NE(lines[1].at(column), u' ') << QStringView(heading).toString().toStdString();
    }
    EXPECT_EQ(lines[2].mid(lines[0].indexOf(u"Expires"), 1), u"-");
    for (const QChar c : table)
        EXPECT_TRUE(c == u'\n' || (c >= u' ' && c != u'\x7f')) << int(c.unicode());
}

TEST(ShareHistory, JsonHoldsOneObjectPerShareAndNoRawControls) {
    const QByteArray json = HistoryJson(Shares());
    for (const char c : json)
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
    EXPECT_FALSE(json.contains("\xc2\x9b"));  // C1 CSI as UTF-8
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray shares = document.array();
    ASSERT_EQ(shares.size(), 2);
    const QJsonObject up = shares[0].toObject();
    EXPECT_EQ(up["shared_at"].toString(), QStringLiteral("2027-01-15T08:00:00Z"));
    EXPECT_EQ(up["expires_at"].toString(), QStringLiteral("2027-01-22T08:00:00Z"));
    EXPECT_EQ(up["state"].toString(), QStringLiteral("up"));
    EXPECT_EQ(up["size"].toInteger(), 1536);
    EXPECT_EQ(up["transport"].toString(), QStringLiteral("sftp"));
    EXPECT_EQ(up["port"].toInt(), 22);
    const QJsonObject failed = shares[1].toObject();
    EXPECT_TRUE(failed["expires_at"].isNull());
    EXPECT_TRUE(failed["size"].isNull());
    EXPECT_EQ(failed["state"].toString(), QStringLiteral("failed"));
    // The reader gets the name back as it is.
    EXPECT_EQ(failed["local_name"].toString(), Shares()[1].LocalName);
}

// The JSON as earlier versions wrote it, all at once: Qt's JSON writer over
// every share, then DEL and C1 controls escaped. Scripts read this text.
QByteArray WholeJson(const std::vector<TShareRow>& Shares) {
    QJsonArray shares;
    const auto utc = [](qint64 Seconds) {
        return QDateTime::fromSecsSinceEpoch(Seconds, Qt::UTC).toString(Qt::ISODate);
    };
    for (const TShareRow& share : Shares) {
        shares.append(QJsonObject{
            {QStringLiteral("shared_at"), utc(share.SharedAt)},
            {QStringLiteral("state"), ShareStateName(share.State)},
            {QStringLiteral("expires_at"),
             share.ExpiresAt ? QJsonValue(utc(*share.ExpiresAt)) : QJsonValue()},
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
    const QString text = QString::fromUtf8(QJsonDocument(shares).toJson(QJsonDocument::Indented));
    QString safe;
    for (const QChar c : text) {
        if (c.unicode() >= 0x7F && c.unicode() <= 0x9F)
            safe += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe.toUtf8();
}

// Shares whose every text field walks through a slice of UTF-16: controls,
// quotes and backslashes, DEL and C1, two- and three-byte UTF-8, surrogate
// pairs and halves of pairs; sizes and expiries present and not.
std::vector<TShareRow> ManyShares(int Count) {
    std::vector<TShareRow> shares;
    char16_t unit = 0;
    const auto text = [&unit](int Length) {
        QString s;
        for (int i = 0; i < Length; ++i) {
            s += QChar(unit);
            // Every unit below 0x3000, then strides through the rest.
            unit = static_cast<char16_t>(unit < 0x3000 ? unit + 1 : unit + 97);
        }
        return s;
    };
    const QString pair = QString::fromUcs4(U"\U0001F600");
    // Times at the ends of what a date is written for: 1970, before it, the
    // first and last seconds of years 1 and 9999, and beyond.
    const qint64 edges[] = {
        0,         -1,        -86401, -62135596800, -62135596801, 253402300799, 253402300800,
        951782400, 4107542399};
    for (int i = 0; i < Count; ++i) {
        TShareRow share;
        share.SharedAt = 1'800'000'000 - i * 3601;
        if (i < static_cast<int>(std::size(edges))) share.SharedAt = edges[i];
        share.State = static_cast<TShareState>(i % 5);
        if (i % 3) share.ExpiresAt = share.SharedAt + i * 86400;
        share.Size = i % 4 ? qint64{i} << (i % 40) : -1;
        share.Link = QStringLiteral("https://example.org/drop/") + text(7);
        share.LocalName = text(5) + pair + text(3);
        share.RemoteName = text(6);
        share.Transport = QStringLiteral("ftps");
        share.Host = text(2);
        share.Port = i % 65536;
        share.User = text(4) + pair.left(1);  // half a pair at the end
        share.Folder = i % 7 ? text(3) : QString();
        shares.push_back(share);
    }
    return shares;
}

TEST(ShareHistory, JsonOfManySharesIsTheSameTextWrittenAsTheSharesCome) {
    constexpr int kShares = 2000;
    const std::vector<TShareRow> shares = ManyShares(kShares);
    QByteArray streamed;
    std::vector<int> addedAtEachPiece;
    int added = 0;
    qsizetype largestPiece = 0;
    THistoryJson json([&](const QByteArray& Bytes) {
        streamed += Bytes;
        addedAtEachPiece.push_back(added);
        largestPiece = std::max(largestPiece, Bytes.size());
        return true;
    });
    for (const TShareRow& share : shares) {
        ASSERT_TRUE(json.Add(share));
        ++added;
    }
    ASSERT_TRUE(json.End());
    const QByteArray whole = WholeJson(shares);
    const auto differs =
        std::mismatch(streamed.begin(), streamed.end(), whole.begin(), whole.end());
    const qsizetype at = differs.first - streamed.begin();
    EXPECT_TRUE(streamed == whole) << "from byte " << at << ":\n"
                                   << streamed.mid(at, 80).toStdString() << "\ninstead of\n"
                                   << whole.mid(at, 80).toStdString();
    // Written on the way, in pieces far smaller than the whole.
    ASSERT_GT(addedAtEachPiece.size(), 10u);
    EXPECT_LT(addedAtEachPiece.front(), kShares / 10);
    EXPECT_LT(largestPiece, whole.size() / 10);
    // No shares at all: the empty array, as before.
    EXPECT_EQ(HistoryJson({}), WholeJson({}));
}

}  // namespace
}  // namespace vd::app
