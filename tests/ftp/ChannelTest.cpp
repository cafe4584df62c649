// The command and reply channel: reply parsing, line reading with its
// limits, UTF-8 both ways, the write guard, the intercept chain, failures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "MemoryIOHandler.h"
#include "SocketErrors.h"
#include "TIdFTP.h"
#include "TIdIntercept.h"
#include "TIdStream.h"
#include "TestUtil.h"

namespace vd::ftp::test {
namespace {

// --- pure reply parsing ------------------------------------------------------

struct TParseCase {
    std::vector<std::string> Lines;
    std::string Code;
    std::vector<std::string> Text;
    std::string Error;
};

TEST(ReplyParsing, CodesAndTextLines) {
    const TParseCase cases[] = {
        {{"220 Hello there"}, "220", {"Hello there"}, ""},
        {{"220"}, "220", {""}, ""},
        {{"220-first", "middle", "220 last"}, "220", {"first", "middle", "last"}, ""},
        {{"211-a", "211-b", "211 c"}, "211", {"a", "b", "c"}, ""},
        {{"530-x", "331 other code", "530 end"}, "530", {"x", "331 other code", "end"}, ""},
        {{"ABCDE"}, "", {}, "Antwortcode ist ungültig: ABCD"},
        {{"HTTP/1.1 400 Bad Request"}, "", {}, "Antwortcode ist ungültig: HTTP"},
        {{"099 too small"}, "", {}, "Antwortcode ist ungültig: 099"},
        {{"1000 too big"}, "", {}, "Antwortcode ist ungültig: 1000"},
        // Codes and texts are cut at characters, never inside one.
        {{"550\xC3\xA4 x"}, "", {}, "Antwortcode ist ungültig: 550\xC3\xA4"},
        {{"211-a", "211\xC3\xA4 b", "211 c"}, "211", {"a", " b", "c"}, ""},
        {{"250 \xC3\xBC\xC3\x9F"}, "250", {"\xC3\xBC\xC3\x9F"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Lines.front());
        TIdReply reply;
        const TOutcome outcome = Classify([&] { reply = ParseReply(c.Lines); });
        EXPECT_EQ(outcome.Message, c.Error);
        if (!c.Error.empty()) continue;
        EXPECT_EQ(reply.Code(), c.Code);
        EXPECT_EQ(reply.NumericCode(), std::stoi(c.Code));
        EXPECT_EQ(reply.Text(), c.Text);
    }
}

TEST(ReplyParsing, EndLineRule) {
    const std::pair<const char*, bool> cases[] = {
        {"220 done", true},   {"220", true},    {"220-more", false}, {"22", false},
        {"221 other", false}, {"2x0 x", false}, {"220x", false},     {" 220 x", false},
    };
    for (const auto& [line, ends] : cases) EXPECT_EQ(IsReplyEndLine(line, "220"), ends) << line;
}

TEST(ReplyParsing, ErrorMessageAndFormattedReply) {
    const TIdReply reply = ParseReply({"550-No such file", "second", "550 third"});
    EXPECT_EQ(reply.ErrorMessage(), "No such file\r\nsecond\r\nthird\r\n");
    EXPECT_EQ(reply.FormattedReply(),
              (std::vector<std::string>{"550-No such file", "550-second", "550 third"}));
}

// --- the channel over an in-memory handler -------------------------------------

struct TChannel {
    TMemoryIOHandler Handler;
    TIdFTP Client;
    explicit TChannel(std::deque<std::string> chunks) {
        Handler.Chunks = std::move(chunks);
        Client.SetIOHandler(&Handler);
        Handler.Open();
    }
    ~TChannel() { Client.SetIOHandler(nullptr); }
};

// Reads one reply from the scripted chunks; the outcome and the reply.
std::pair<TOutcome, TIdReply> ReadReply(std::deque<std::string> chunks) {
    TChannel ch(std::move(chunks));
    TOutcome outcome = Classify([&] { ch.Client.GetInternalResponse(); });
    return {outcome, ch.Client.LastCmdResult()};
}

TEST(Channel, ReplySplitAtEveryOffsetReadsTheSame) {
    struct TCase {
        std::string Wire;
        std::vector<std::string> Text;
    };
    // A character split across two reads is still one character.
    const TCase cases[] = {
        {"220-Welcome\r\n  to the fake\r\n220 Ready\r\n", {"Welcome", "to the fake", "Ready"}},
        {"220-Gr\xC3\xBC\xC3\x9F"
         "e\r\n \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xFF\r\n220 Ready\r\n",
         {"Gr\xC3\xBC\xC3\x9F"
          "e",
          "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xEF\xBF\xBD", "Ready"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Wire);
        for (size_t cut = 1; cut < c.Wire.size(); ++cut) {
            SCOPED_TRACE(cut);
            auto [outcome, reply] = ReadReply({c.Wire.substr(0, cut), c.Wire.substr(cut)});
            ASSERT_EQ(outcome.Class, "");
            EXPECT_EQ(reply.Text(), c.Text);
        }
        std::deque<std::string> bytewise;
        for (const char ch : c.Wire) bytewise.emplace_back(1, ch);
        auto [outcome, reply] = ReadReply(bytewise);
        EXPECT_EQ(outcome.Class, "");
        EXPECT_EQ(reply.Text(), c.Text);
    }
}

TEST(Channel, LineFormsOfReplies) {
    struct TCase {
        const char* Name;
        std::string Wire;
        std::vector<std::string> Text;
    };
    const TCase cases[] = {
        {"LF only", "220-a\n b\n220 c\n", {"a", "b", "c"}},
        {"blank lines first", "\r\n\r\n   \r\n220 hi\r\n", {"hi"}},
        {"code alone", "220\r\n", {""}},
        {"same code and blank ends early", "220-a\r\n220 middle\r\n220 late\r\n", {"a", "middle"}},
        {"NUL inside a line", std::string("220 a\0b\r\n", 9), {std::string("a\0b", 3)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto [outcome, reply] = ReadReply({c.Wire});
        ASSERT_EQ(outcome.Class, "") << outcome.Message;
        EXPECT_EQ(reply.Code(), "220");
        EXPECT_EQ(reply.Text(), c.Text);
    }
}

TEST(Channel, LineLengthLimitClosesTheConnection) {
    for (const size_t length : {size_t{16384}, size_t{16385}, size_t{17000}}) {
        SCOPED_TRACE(length);
        TChannel ch({"220 " + std::string(length - 4, 'x') + "\r\n"});
        const TOutcome outcome = Classify([&] { ch.Client.GetInternalResponse(); });
        if (length <= 16384) {
            EXPECT_EQ(outcome.Class, "");
            EXPECT_TRUE(ch.Handler.Opened());
        } else {
            EXPECT_EQ(outcome.Class, "EIdReadLnMaxLineLengthExceeded");
            EXPECT_EQ(outcome.Message, "Max. Zeilenlänge überschritten.");
            EXPECT_FALSE(ch.Handler.Opened());
        }
    }
}

TEST(Channel, OneReplyMayNotGrowPast64KiB) {
    std::string justBelow = "211-start\r\n", tooMuch = "211-start\r\n";
    for (int i = 0; i < 1400; ++i) justBelow += std::string(40, 'a') + "\r\n";
    for (int i = 0; i < 1700; ++i) tooMuch += std::string(40, 'a') + "\r\n";
    justBelow += "211 end\r\n";
    tooMuch += "211 end\r\n";
    const std::string blankFlood = std::string(70000, '\n') + "220 late\r\n";
    EXPECT_EQ(ReadReply({justBelow}).first.Class, "");
    for (const auto& wire : {tooMuch, blankFlood}) {
        TChannel ch({wire});
        const TOutcome outcome = Classify([&] { ch.Client.GetInternalResponse(); });
        EXPECT_EQ(outcome.Class, "EIdMaxReplySizeExceeded");
        EXPECT_EQ(outcome.Message, "Max. Antwortgröße überschritten.");
        EXPECT_FALSE(ch.Handler.Opened());
    }
}

TEST(Channel, FailingTheNthReadEndsCleanly) {
    const std::deque<std::string> chunks = {"211-a\r\n", "b\r\n", "211 c\r\n"};
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        TChannel ch(chunks);
        ch.Handler.FailReadAt = n;
        const TOutcome outcome = Classify([&] { ch.Client.GetInternalResponse(); });
        EXPECT_EQ(outcome.Class, "EIdSocketError");
        EXPECT_EQ(outcome.Message,
                  "Socket-Fehler # 10054Die Verbindung wurde von Peer zurückgesetzt.\r\n");
        EXPECT_FALSE(ch.Handler.Opened());
        EXPECT_TRUE(ch.Handler.RawClosed);
    }
}

TEST(Channel, FailingAWriteClosesAndReportsTheSocketError) {
    TChannel ch({"200 ok\r\n"});
    ch.Handler.FailWriteAt = 1;
    ch.Handler.FailError = 10053;
    const TOutcome outcome = Classify([&] { ch.Client.SendCmd("NOOP"); });
    EXPECT_EQ(outcome.Message,
              "Socket-Fehler # 10053Software verursachte einen Verbindungsabbruch.\r\n");
    EXPECT_FALSE(ch.Handler.Opened());
}

TEST(Channel, PeerClosingAndSilence) {
    {
        TChannel ch({"220-half\r\n"});
        EXPECT_EQ(Classify([&] { ch.Client.GetInternalResponse(); }).Message,
                  "Die Verbindung wurde erfolgreich geschlossen.");
        EXPECT_FALSE(ch.Handler.Opened());
    }
    {
        TChannel ch({"220-half\r\n"});
        ch.Handler.CloseAtEnd = false;  // the rest never comes
        EXPECT_EQ(Classify([&] { ch.Client.GetInternalResponse(); }).Message,
                  "Zeitüberschreitung beim Lesen.");
    }
}

TEST(Channel, UnreadBytesKeepTheConnectionCountingAsConnected) {
    TChannel ch({"220 one\r\n221 two\r\n"});
    ch.Client.GetInternalResponse();  // reads both chunks' bytes, the peer then closes
    EXPECT_TRUE(ch.Client.Connected());
    ch.Client.GetInternalResponse();
    EXPECT_EQ(ch.Client.LastCmdResult().Code(), "221");
    EXPECT_FALSE(ch.Client.Connected());
}

TEST(Channel, CommandLinesWithCrLfOrNulAreNeverWritten) {
    const std::string bad[] = {"STOR a\rb", "STOR a\nDELE b", std::string("STOR a\0b", 8),
                               "CWD x\r\n"};
    for (const auto& command : bad) {
        TChannel ch({"200 ok\r\n"});
        EXPECT_EQ(Classify([&] { ch.Client.SendCmd(command); }).Class, "EIdCommandHasControlChars");
        EXPECT_EQ(ch.Handler.Written, "");
        EXPECT_TRUE(ch.Handler.Opened());
    }
    // What goes out is UTF-8; the guard sees those bytes. Neither a character
    // whose low byte is LF nor an overlong form of CR, LF or NUL becomes one.
    const std::pair<std::string, std::string> sent[] = {
        {"CWD \xC4\x8A", "CWD \xC4\x8A\r\n"},  // U+010A
        {"CWD \xC0\x8A", "CWD \xEF\xBF\xBD\xEF\xBF\xBD\r\n"},
        {"CWD \xC0\x80", "CWD \xEF\xBF\xBD\xEF\xBF\xBD\r\n"},
        {"CWD \xE0\x80\x8D", "CWD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\r\n"},
    };
    for (const auto& [command, wire] : sent) {
        TChannel ch({"250 ok\r\n"});
        ch.Client.SendCmd(command, {250});
        EXPECT_EQ(ch.Handler.Written, wire);
    }
}

TEST(Channel, CheckResponseAndThe421Rule) {
    struct TCase {
        int Code;
        TIdReplyCodes Accepted;
        std::string Class;
        bool StaysOpen;
    };
    const TCase cases[] = {
        {200, {200}, "", true},
        {250, {}, "", true},
        {550, {250, 200}, "EIdReplyRFCError", true},
        {421, {}, "EIdFTPServiceNotAvailable", false},
        {421, {200}, "EIdFTPServiceNotAvailable", false},
        {421, {421}, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Code);
        TChannel ch({std::to_string(c.Code) + " text of it\r\nleft over\r\n"});
        ch.Handler.CloseAtEnd = false;
        const TOutcome outcome = Classify([&] { ch.Client.GetResponse(c.Accepted); });
        EXPECT_EQ(outcome.Class, c.Class);
        if (!c.Class.empty()) {
            EXPECT_EQ(outcome.Message, "text of it\r\n");
        }
        EXPECT_EQ(ch.Handler.Opened(), c.StaysOpen);
        if (!c.StaysOpen) {
            EXPECT_EQ(ch.Handler.InputBufferSize(), 0u);  // received bytes discarded
        }
    }
}

TEST(Channel, ReplyErrorCarriesCodeAndAllTextLines) {
    TChannel ch({"530-Login incorrect.\r\n530-second\r\n530 third\r\n"});
    try {
        ch.Client.GetResponse({230});
        FAIL() << "no error";
    } catch (const EIdReplyRFCError& e) {
        EXPECT_EQ(e.ErrorCode(), 530);
        EXPECT_STREQ(e.what(), "Login incorrect.\r\nsecond\r\nthird\r\n");
    }
}

TEST(Channel, StreamsGoInPiecesAndOnlyTheLastPieceEndsABurst) {
    for (const size_t size : {size_t{0}, size_t{1}, size_t{32768}, size_t{100000}}) {
        SCOPED_TRACE(size);
        TMemoryIOHandler handler;
        handler.Open();
        TIdMemoryStream stream(std::string(size, 'z'));
        std::vector<uint64_t> progress;
        handler.WriteStream(stream, [&](uint64_t done, uint64_t) { progress.push_back(done); });
        EXPECT_EQ(handler.Written.size(), size);
        const size_t pieces = (size + 32767) / 32768;
        ASSERT_EQ(handler.MoreHints.size(), pieces);
        for (size_t i = 0; i < pieces; ++i) EXPECT_EQ(handler.MoreHints[i], i + 1 < pieces);
        ASSERT_EQ(progress.size(), pieces);
        if (pieces) {
            EXPECT_EQ(progress.back(), size);
        }
    }
}

TEST(Channel, FileStreamsGoInPiecesToo) {
    char path[] = "/tmp/vd-ftp-stream-XXXXXX";
    const int fd = ::mkstemp(path);
    const std::string bytes(70000, 'q');
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    {
        TIdFileStream file(path, TIdFileStream::TMode::fmOpenRead);
        TMemoryIOHandler handler;
        handler.Open();
        handler.WriteStream(file);
        EXPECT_EQ(handler.Written, bytes);
        EXPECT_EQ(handler.MoreHints, (std::vector<bool>{true, true, false}));
    }
    ::unlink(path);
}

// --- text on the wire ---------------------------------------------------------------

// Commands go out as UTF-8 from the first one on; a byte of the text that is
// no UTF-8 goes out as U+FFFD, so the server never sees anything else.
TEST(TextOnTheWire, CommandsAreUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"USER j\xC3\xBCrgen", "USER j\xC3\xBCrgen\r\n"},
        {"STOR \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt",
         "STOR \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt\r\n"},
        {"STOR \xF0\x9F\x98\x80", "STOR \xF0\x9F\x98\x80\r\n"},  // outside the BMP
        {"STOR bad\xFF", "STOR bad\xEF\xBF\xBD\r\n"},
        {"STOR Gr\xFC\xDF"
         "e",
         "STOR Gr\xEF\xBF\xBD\xEF\xBF\xBD"
         "e\r\n"},  // Latin-1
    };
    for (const auto& [text, wire] : cases) {
        TChannel ch({"200 ok\r\n"});
        ch.Client.SendCmd(text, {200});
        EXPECT_EQ(ch.Handler.Written, wire) << text;
    }
}

// Whatever bytes a server sends, a reply reads as UTF-8 with U+FFFD for each
// rejected byte, and a refused one fails with nothing but the reply error.
TEST(TextOnTheWire, RepliesAreUtf8AndRejectedBytesReadAsReplacement) {
    const std::string r = "\xEF\xBF\xBD";  // U+FFFD
    struct TCase {
        const char* Name;
        std::string Wire, Text;
    };
    const TCase cases[] = {
        {"UTF-8",
         "550 Gr\xC3\xBC\xC3\x9F"
         "e \xE6\x97\xA5\xF0\x9F\x98\x80",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE6\x97\xA5\xF0\x9F\x98\x80"},
        {"Latin-1",
         "550 Gr\xFC\xDF"
         "e",
         "Gr" + r + r + "e"},
        {"bad bytes and a cut sequence at the end",
         "550 \xFF\xFE"
         "bad\xC3",
         r + r + "bad" + r},
        {"cut sequence inside", "550 \xE6\x97x", r + r + "x"},
        {"overlong", "550 \xC0\xAF\xE0\x80\xAF", r + r + r + r + r},
        {"surrogate", "550 \xED\xA0\x80", r + r + r},
        {"above U+10FFFF", "550 \xF4\x90\x80\x80", r + r + r + r},
        {"stray continuation", "550 \x80\xBF", r + r},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TChannel ch({c.Wire + "\r\n"});
        const TOutcome outcome = Classify([&] { ch.Client.GetResponse({250}); });
        EXPECT_EQ(outcome.Class, "EIdReplyRFCError");
        EXPECT_EQ(outcome.Message, c.Text + "\r\n");
    }
    for (int b = 0x80; b <= 0xFF; ++b) {
        TChannel ch({"550 <" + std::string(1, static_cast<char>(b)) + ">\r\n"});
        const TOutcome outcome = Classify([&] { ch.Client.GetResponse({250}); });
        EXPECT_EQ(outcome.Class, "EIdReplyRFCError") << b;
        EXPECT_EQ(outcome.Message, "<" + r + ">\r\n") << b;
    }
}

// --- socket errors -----------------------------------------------------------------

TEST(SocketErrors, NumbersAndTexts) {
    const std::pair<int, const char*> messages[] = {
        {10061, "Socket-Fehler # 10061Verbindung abgelehnt.\r\n"},
        {10060, "Socket-Fehler # 10060Zeitüberschreitung bei Verbindung.\r\n"},
        {11001, "Socket-Fehler # 11001Host nicht gefunden.\r\n"},
        {10066, "Socket-Fehler # 10066Verzeichnis ist nicht leer\r\n"},
        {12345, "Socket-Fehler # 12345\r\n"},
    };
    for (const auto& [number, message] : messages) EXPECT_EQ(SocketErrorMessage(number), message);
    const std::pair<int, int> mapped[] = {
        {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},   {ECONNRESET, 10054}, {ECONNABORTED, 10053},
        {EHOSTUNREACH, 10065}, {ENETUNREACH, 10051}, {EPIPE, 10053},      {ENOTSOCK, 10038},
    };
    for (const auto& [err, number] : mapped) EXPECT_EQ(WinSockErrorFromErrno(err), number) << err;
}

// --- intercepts ------------------------------------------------------------------------

struct TRecordingIntercept final : TIdConnectionIntercept {
    std::string Name;
    std::vector<std::string>* Journal = nullptr;
    bool Upper = false;
    void Receive(std::string& bytes) override {
        TIdConnectionIntercept::Receive(bytes);
        Journal->push_back(Name + " recv " + bytes);
        if (Upper)
            for (char& c : bytes)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    void Send(std::string& bytes) override {
        Journal->push_back(Name + " send " + bytes);
        if (Upper)
            for (char& c : bytes)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        TIdConnectionIntercept::Send(bytes);
    }
};

TEST(Intercepts, ChainOrderAndReplacedBytes) {
    std::vector<std::string> journal;
    TRecordingIntercept first, second;
    first.Name = "first";
    second.Name = "second";
    first.Journal = second.Journal = &journal;
    second.Upper = true;
    first.SetIntercept(&second);

    TMemoryIOHandler handler;
    handler.Chunks = {"200 ok\r\n"};
    TIdFTP client;
    client.SetIntercept(&first);
    client.SetIOHandler(&handler);
    handler.Open();
    client.SendCmd("noop", {200});
    // Sending: each intercept, then the next; receiving: the chain first.
    EXPECT_EQ(journal,
              (std::vector<std::string>{"first send noop\r\n", "second send noop\r\n",
                                        "second recv 200 ok\r\n", "first recv 200 OK\r\n"}));
    EXPECT_EQ(handler.Written, "NOOP\r\n");
    EXPECT_EQ(client.LastCmdResult().Text().front(), "OK");
    client.SetIOHandler(nullptr);
}

}  // namespace
}  // namespace vd::ftp::test
