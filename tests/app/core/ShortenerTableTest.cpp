#include <gtest/gtest.h>

#include <deque>

#include "app/core/ShortenerAddress.h"
#include "app/core/ShortenerScripts.h"
#include "app/core/ShortenerTable.h"

namespace vd::app {
namespace {

TEST(ShortenerTable, ServerScriptsByteForByte) {
    EXPECT_EQ(HtaccessContent(), QByteArray("RewriteEngine On\r\n"
                                            "RewriteCond $1 !^(index\\.php)\r\n"
                                            "RewriteRule ^(.*)$ index.php?l=$1 [L]\r\n"));
    EXPECT_EQ(IndexPhpContent(),
              QByteArray("<?php\r\n"
                         "$links = parse_ini_file(\"shortener.ini\");\r\n"
                         "if(isset($_GET[\"l\"]) && array_key_exists($_GET[\"l\"], $links))\r\n"
                         "{ header(\"Location: \" . $links[$_GET[\"l\"]]);\r\n"
                         " }\r\n"
                         " else { \r\n"
                         "  header(\"HTTP/1.0 404 Not Found\");\r\n"
                         "  echo \"Unknown link.\";\r\n"
                         "}\r\n"));
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

TEST(ShortenerTable, NewCodeAvoidsEveryCodeInUse) {
    const QStringList lines{QStringLiteral("AAAAA=\"https://a\""), QStringLiteral("x BBBBB=\"y\"")};
    std::deque<QString> draws{QStringLiteral("AAAAA"), QStringLiteral("BBBBB"),
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
    EXPECT_EQ(AddressToStore(QStringLiteral("https://x/a b\r\n")), QStringLiteral("https://x/a b"));
    EXPECT_EQ(AddressToStore(QStringLiteral("https://x\n\n")), QStringLiteral("https://x"));
    EXPECT_EQ(AddressToStore(QStringLiteral("https://x\nhttps://y")), QString());
    EXPECT_EQ(AddressToStore(QStringLiteral("https://x/\"q\"")), QString());
}

}  // namespace
}  // namespace vd::app
