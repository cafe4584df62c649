#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "app/core/ShortenerAddress.h"
#include "app/core/ShortenerScripts.h"
#include "app/core/ShortenerTable.h"

namespace vd::app {
namespace {

// index.php is tried by PHP itself (shortener_server_test.py).
TEST(ShortenerTable, HtaccessByteForByte) {
    EXPECT_EQ(HtaccessContent(), QByteArray("RewriteEngine On\r\n"
                                            "RewriteCond $1 !^(index\\.php)\r\n"
                                            "RewriteRule ^(.*)$ index.php?l=$1 [L]\r\n"));
}

TEST(ShortenerTable, ReadsAndWritesBackInTheFilesEncoding) {
    const struct {
        QByteArray Bytes;
        TShortenerTable::TEncoding Encoding;
    } cases[] = {
        {QByteArray("abcde=\"https://\xC3\xA4.de\"\r\n"), TShortenerTable::TEncoding::Plain},
        {QByteArray("\xEF\xBB\xBF"
                    "abcde=\"https://\xC3\xA4.de\"\r\n"),
         TShortenerTable::TEncoding::Utf8Bom},
        {QByteArray("\xFF\xFE"
                    "a\0b\0c\0d\0e\0=\0\"\0h\0t\0t\0p\0s\0:\0/\0/\0\xE4\0.\0d\0e\0\"\0\r\0\n\0",
                    46),
         TShortenerTable::TEncoding::Utf16LE},
        {QByteArray("\xFE\xFF"
                    "\0a\0b\0c\0d\0e\0=\0\"\0h\0t\0t\0p\0s\0:\0/\0/\0\xE4\0.\0d\0e\0\"\0\r\0\n",
                    46),
         TShortenerTable::TEncoding::Utf16BE},
    };
    for (const auto& c : cases) {
        const TShortenerTable table = ParseShortenerTable(c.Bytes);
        EXPECT_EQ(table.Encoding, c.Encoding);
        EXPECT_EQ(table.Lines, QStringList{QStringLiteral("abcde=\"https://ä.de\"")});
        EXPECT_EQ(SerializeShortenerTable(table), c.Bytes);
    }
}

TEST(ShortenerTable, BlankEndsAreDroppedAndLineBreaksOfAnyKindSplit) {
    const TShortenerTable table =
        ParseShortenerTable("\r\n  \t\r\na=\"1\"\rb=\"2\"\nc=\"3\"\r\n\r\n \r\n");
    EXPECT_EQ(table.Lines, (QStringList{QStringLiteral("a=\"1\""), QStringLiteral("b=\"2\""),
                                        QStringLiteral("c=\"3\"")}));
    EXPECT_TRUE(ParseShortenerTable(QByteArray()).Lines.isEmpty());
    EXPECT_EQ(SerializeShortenerTable(ParseShortenerTable("x\ny")), QByteArray("x\r\ny\r\n"));
}

TEST(ShortenerTable, AMarkBehindLeadingControlCharactersIsNoContent) {
    // Found by fuzzing: the mark was kept as the first record's first
    // character, written back as a mark and read as one, losing it.
    const QByteArray bytes(
        "\x01\x00\x00\xEF\xBB\xBF\x00"
        "a=\"1\"\r\n",
        14);
    const TShortenerTable table = ParseShortenerTable(bytes);
    EXPECT_EQ(table.Lines, QStringList{QStringLiteral("a=\"1\"")});
    EXPECT_EQ(ParseShortenerTable(SerializeShortenerTable(table)).Lines, table.Lines);
    // A UTF-16 mark there would turn the table into UTF-16 when written back.
    const TShortenerTable utf16Mark = ParseShortenerTable(QByteArray("\x11\xFE\xFF!\"\r\n", 7));
    EXPECT_EQ(utf16Mark.Encoding, ParseShortenerTable(SerializeShortenerTable(utf16Mark)).Encoding);
    EXPECT_EQ(utf16Mark.Lines, QStringList{QStringLiteral("!\"")});
}

TEST(ShortenerTable, RecordsTheProgramDidNotAddGoBackByteForByte) {
    // Hand-edited records that do not decode in the table's encoding; the
    // program adds one record and writes the table back.
    const struct {
        const char* Name;
        QByteArray Bytes;
        QByteArray Written;  // with the record code="https://neu.de/ä" added
    } cases[] = {
        {"Latin-1 in a plain table, lines ending in LF",
         QByteArray("kLmNp=\"https://b\xFC"
                    "cher.de\"\nAAAAA=\"https://x\"\n"),
         QByteArray("kLmNp=\"https://b\xFC"
                    "cher.de\"\r\nAAAAA=\"https://x\"\r\n"
                    "code=\"https://neu.de/\xC3\xA4\"\r\n")},
        {"Latin-1 behind a UTF-8 mark",
         QByteArray("\xEF\xBB\xBF"
                    "AAAAA=\"https://x/\xE9\"\r\n"),
         QByteArray("\xEF\xBB\xBF"
                    "AAAAA=\"https://x/\xE9\"\r\ncode=\"https://neu.de/\xC3\xA4\"\r\n")},
        {"a lone surrogate in UTF-16",
         QByteArray("\xFF\xFE"
                    "A\0=\0\0\xD8\r\0\n\0",
                    12),
         QByteArray(
             "\xFF\xFE"
             "A\0=\0\0\xD8\r\0\n\0"
             "c\0o\0d\0e\0=\0\"\0h\0t\0t\0p\0s\0:\0/\0/\0n\0e\0u\0.\0d\0e\0/\0\xE4\0\"\0\r\0\n\0",
             12 + 50)},
        {"an odd byte at the end of UTF-16",
         QByteArray("\xFF\xFE"
                    "A\0X",
                    5),
         QByteArray(
             "\xFF\xFE"
             "A\0X\r\0\n\0"
             "c\0o\0d\0e\0=\0\"\0h\0t\0t\0p\0s\0:\0/\0/\0n\0e\0u\0.\0d\0e\0/\0\xE4\0\"\0\r\0\n\0",
             9 + 50)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TShortenerTable table = ParseShortenerTable(c.Bytes);
        table.Lines << QStringLiteral("code=\"https://neu.de/ä\"");
        EXPECT_EQ(SerializeShortenerTable(table).toHex(' '), c.Written.toHex(' '));
    }
    // Records still decode for the search.
    EXPECT_EQ(FindCode(ParseShortenerTable(cases[0].Bytes).Lines, QStringLiteral("https://x")),
              QStringLiteral("AAAAA"));
}

TEST(ShortenerTable, FindsTheFirstExactRecordAfterTheLinesStart) {
    const QStringList lines{QStringLiteral("=\"https://a\""), QStringLiteral("AAAAA=\"https://b\""),
                            QStringLiteral("BBBBB=\"https://a\""),
                            QStringLiteral("CCCCC=\"https://a\"")};
    EXPECT_EQ(FindCode(lines, QStringLiteral("https://a")), QStringLiteral("BBBBB"));
    EXPECT_EQ(FindCode(lines, QStringLiteral("https://b")), QStringLiteral("AAAAA"));
    EXPECT_EQ(FindCode(lines, QStringLiteral("HTTPS://b")), QString());
    EXPECT_EQ(FindCode(lines, QStringLiteral("https://")), QString());
}

TEST(ShortenerTable, NewCodeAvoidsEveryCodeInUseAndTheWordsOfIniReaders) {
    const QStringList lines{QStringLiteral("AAAAA=\"https://a\""), QStringLiteral("x BBBBB=\"y\"")};
    // A record keyed "false" (any case) makes PHP's INI reader refuse the
    // whole table.
    std::deque<QString> draws{QStringLiteral("AAAAA"), QStringLiteral("false"),
                              QStringLiteral("BBBBB"), QStringLiteral("FaLSe"),
                              QStringLiteral("CCCCC")};
    EXPECT_EQ(NewCode(lines,
                      [&] {
                          QString next = draws.front();
                          draws.pop_front();
                          return next;
                      }),
              QStringLiteral("CCCCC"));
}

TEST(ShortenerTable, AddressesFromTheClipboard) {
    EXPECT_TRUE(IsWebAddress(QStringLiteral("HTTPS://Example.org")));
    EXPECT_TRUE(IsWebAddress(QStringLiteral("http://x")));
    EXPECT_FALSE(IsWebAddress(QStringLiteral(" http://x")));
    EXPECT_FALSE(IsWebAddress(QStringLiteral("ftp://x")));
    EXPECT_FALSE(IsWebAddress(QString()));
}

TEST(ShortenerTable, AddressesAreStoredSoThatNoServerExpandsThem) {
    const QString longest = QStringLiteral("https://x/") + QString(8192 - 10, u'a');
    const struct {
        QString Clipboard;
        QString Stored;  // empty: refused
        std::optional<TText> Refusal;
    } cases[] = {
        {QStringLiteral("https://x/a?b=1&c=%41#f"), QStringLiteral("https://x/a?b=1&c=%41#f"), {}},
        {QStringLiteral("https://x/a b\r\n"), QStringLiteral("https://x/a%20b"), {}},
        {QStringLiteral("https://x \t\n\n"), QStringLiteral("https://x"), {}},
        // An INI reader puts the server's setting in place of ${NAME}, and
        // takes "\" for an escape.
        {QStringLiteral("https://e.example/c?k=${DB_PASSWORD}"),
         QStringLiteral("https://e.example/c?k=%24%7BDB_PASSWORD%7D"),
         {}},
        {QStringLiteral("https://e.example/${DB"),
         QStringLiteral("https://e.example/%24%7BDB"),
         {}},
        {QStringLiteral("https://x/a\\b"), QStringLiteral("https://x/a%5Cb"), {}},
        // Controls (C0, DEL, C1) as browsers send them; letters beyond ASCII stay.
        {QStringLiteral("https://x/\x1b[1m\x07\t\x7f\u009b/ä"),
         QStringLiteral("https://x/%1B[1m%07%09%7F%C2%9B/ä"),
         {}},
        {QStringLiteral("https://x\nhttps://y"), {}, TText::AddressNotStorable},
        {QStringLiteral("https://x/\"q\""), {}, TText::AddressNotStorable},
        {QStringLiteral("https://x/a") + QChar(u'\0') + QStringLiteral("b"),
         {},
         TText::AddressNotStorable},
        {QStringLiteral("https://x/") + QChar(u'\0'), {}, TText::AddressNotStorable},
        {longest, longest, {}},
        {longest + u'a', {}, TText::AddressTooLong},
        // The limit is on the stored form.
        {longest.left(8190) + QStringLiteral(" a"), {}, TText::AddressTooLong},
        {longest.left(8190) + u'ä', longest.left(8190) + u'ä', {}},
        {longest.left(8190) + QStringLiteral("ää"), {}, TText::AddressTooLong},
    };
    for (const auto& c : cases) {
        const TStorableAddress address = AddressToStore(c.Clipboard);
        EXPECT_EQ(address.Stored, c.Stored) << c.Clipboard.left(80).toStdString();
        EXPECT_EQ(address.Refusal, c.Refusal) << c.Clipboard.left(80).toStdString();
    }
}

TEST(ShortenerTable, MessagesShowTheAddressWithoutControlsAndShort) {
    EXPECT_EQ(ShownAddress(QStringLiteral("https://x/a") + QChar(u'\0') + QStringLiteral("\x1b\n")),
              QStringLiteral("https://x/a%00%1B%0A"));
    const QString shown = ShownAddress(QStringLiteral("https://x/") + QString(1 << 20, u'a'));
    EXPECT_EQ(shown.size(), 201);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("a…")));
}

}  // namespace
}  // namespace vd::app
