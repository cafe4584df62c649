#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

}  // namespace
}  // namespace vd::app
