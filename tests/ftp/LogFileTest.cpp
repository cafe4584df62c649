// The traffic log: its line forms, its place in the intercept chain, and its
// file handling.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FakeFtpServer.h"
#include "MemoryIOHandler.h"
#include "ScriptHelpers.h"
#include "TIdFTP.h"
#include "TIdLogFile.h"
#include "TestUtil.h"

namespace vd::ftp::test {
namespace {

namespace fs = std::filesystem;

struct TTempDir {
    std::string Path;
    TTempDir() {
        char pattern[] = "/tmp/vd-ftplog-XXXXXX";
        Path = ::mkdtemp(pattern);
    }
    ~TTempDir() { fs::remove_all(Path); }
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0, at;
    while ((at = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    EXPECT_EQ(start, text.size()) << "the file ends with CR LF";
    return lines;
}

// A client on a scripted server with the log attached, not yet active; the
// log's file in a folder of its own.
struct TLoggedSession {
    TFakeFtpServer Server;
    TTempDir Dir;
    TIdLogFile Log;
    TIdFTP Ftp;
    explicit TLoggedSession(std::vector<TScript> sessions, const TLogin& login = {})
        : Server(std::move(sessions)) {
        Log.SetFilename(File());
        Ftp.SetIntercept(&Log);
        PointAt(Ftp, Server.Port(), login);
    }
    std::string File() const { return Dir.Path + "/ftp.log"; }
};

TEST(LogFile, TwoSessionsAppendToOneFile) {
    const TScript session = Cat({kGreet,
                                 kHostUnknown,
                                 kUserAndPass,
                                 {C(), S("500 no")},
                                 kTypeSystType,
                                 {C(), S("221 Bye")}});
    TLoggedSession t({session, session});
    t.Log.SetLogTime(false);
    for (int i = 0; i < 2; ++i) {
        t.Log.SetActive(true);
        t.Ftp.Connect();
        t.Ftp.Disconnect();
        t.Log.SetActive(false);
    }
    t.Server.Commands();
    const std::vector<std::string> one = {"Stat Verbunden.",
                                          "Erh : 220 Fake FTP ready<EOL>",
                                          "Ges : HOST [127.0.0.1]<EOL>",
                                          "Erh : 500 HOST?<EOL>",
                                          "Ges : USER user<EOL>",
                                          "Erh : 331 Password<EOL>",
                                          "Ges : PASS ********<EOL>",
                                          "Erh : 230 In<EOL>",
                                          "Ges : FEAT<EOL>",
                                          "Erh : 500 no<EOL>",
                                          "Ges : TYPE I<EOL>",
                                          "Erh : 200 I<EOL>",
                                          "Ges : SYST<EOL>",
                                          "Erh : 215 UNIX<EOL>",
                                          "Ges : TYPE I<EOL>",
                                          "Erh : 200 I<EOL>",
                                          "Ges : QUIT<EOL>",
                                          "Erh : 221 Bye<EOL>",
                                          "Stat Verbindung getrennt."};
    EXPECT_EQ(SplitCrLf(ReadAll(t.File())), Lines({one, one}));
}

// Names are logged as the UTF-8 bytes that went out, replies as the bytes
// that came in, also those that are no UTF-8 (the caller reads U+FFFD).
TEST(LogFile, LogsTheBytesOnTheWire) {
    const std::string user = "j\xC3\xBCrgen";  // jürgen
    const std::string name =
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E Gr\xC3\xBC\xC3\x9F"
        "e";  // 日本語 Grüße
    const std::string hostile =
        "550 \xFF\xFE"
        "bad\xC3";
    TLoggedSession t({Cat({kGreet,
                           kHostUnknown,
                           kUserAndPass,
                           {C(), S("211-Features:"), S(" EPSV"), S("211 End")},
                           kTypeSystType,
                           {C(), S(hostile), C(), S("221 Bye")}})},
                     {.User = user});
    t.Log.SetLogTime(false);
    t.Log.SetActive(true);
    t.Ftp.Connect();
    EXPECT_EQ(Classify([&] { t.Ftp.Delete(name); }).Message,
              "\xEF\xBF\xBD\xEF\xBF\xBD"
              "bad\xEF\xBF\xBD\r\n");
    t.Ftp.Disconnect();
    t.Log.SetActive(false);
    t.Server.Commands();
    const std::vector<std::string> lines = SplitCrLf(ReadAll(t.File()));
    for (const std::string& expected :
         {"Ges : USER " + user + "<EOL>", "Ges : DELE " + name + "<EOL>",
          "Erh : " + hostile + "<EOL>"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
}

// A client on an in-memory handler with the log attached.
struct TLogged {
    TTempDir Dir;
    TIdLogFile Log;
    TMemoryIOHandler Handler;
    TIdFTP Client;
    explicit TLogged(std::deque<std::string> chunks, bool logTime = false, bool replace = true) {
        Log.SetFilename(Dir.Path + "/ftp.log");
        Log.SetLogTime(logTime);
        Log.SetReplaceCRLF(replace);
        Log.SetActive(true);
        Handler.Chunks = std::move(chunks);
        Client.SetIntercept(&Log);
        Client.SetIOHandler(&Handler);
        Handler.Open();
    }
    ~TLogged() { Client.SetIOHandler(nullptr); }
    std::string File() { return ReadAll(Dir.Path + "/ftp.log"); }
};

TEST(LogFile, OneLinePerPieceOfData) {
    struct TCase {
        const char* Name;
        std::deque<std::string> Chunks;
        std::string File;
    };
    const TCase cases[] = {
        {"a reply in two pieces",
         {"220 a", "bc\r\n"},
         "Stat Verbunden.\r\nErh : 220 a\r\nErh : bc<EOL>\r\n"},
        {"two replies in one piece",
         {"220 x\r\n221 y\r\n"},
         "Stat Verbunden.\r\nErh : 220 x<EOL>221 y<EOL>\r\n"},
        {"LF alone and a bare CR", {"220 a\rb\n"}, "Stat Verbunden.\r\nErh : 220 a<CR>b<LF>\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TLogged t(c.Chunks);
        t.Client.GetInternalResponse();
        EXPECT_EQ(t.File(), c.File);
    }
}

TEST(LogFile, ReplaceCRLFOffWritesTheRawBytes) {
    TLogged t({"200 ok\r\n"}, false, false);
    t.Client.SendCmd("NOOP", {200});
    EXPECT_EQ(t.File(), "Stat Verbunden.\r\nGes : NOOP\r\n\r\nErh : 200 ok\r\n\r\n");
}

TEST(LogFile, LineBreakMarkers) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\r\nb", "a<EOL>b"},   {"a\rb", "a<CR>b"},   {"a\nb", "a<LF>b"},
        {"\r\r\n", "<CR><EOL>"}, {"\n\r", "<LF><CR>"}, {"\xFF\x01", "\xFF\x01"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(TIdLogBase::ReplaceLineBreaks(in), out);
}

// Whatever the password and wherever it came from, it never stands in the
// file: the argument of the commands that carry it is hidden, the rest of
// every line stays as sent.
TEST(LogFile, ThePasswordIsHiddenInEveryLineThatCarriesIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"PASS pw<EOL>", "PASS ********<EOL>"},
        {"pass geheim 1\r\n", "pass ********\r\n"},
        {"PASS a<EOL>b<EOL>", "PASS ********<EOL>"},
        {"XAUT 2 0a1b2c<EOL>", "XAUT ********<EOL>"},
        {"PASS ", "PASS ********"},
        {"USER pw<EOL>", "USER pw<EOL>"},
        {"PASSWORD<EOL>", "PASSWORD<EOL>"},
        {"SITE PASS x<EOL>", "SITE PASS x<EOL>"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(TIdLogBase::HideCredentials(in), out) << in;

    TLogged t({"230 in\r\n"}, false, false);
    t.Client.SendCmd("PASS s3cr3t", {230});
    EXPECT_EQ(t.File(), "Stat Verbunden.\r\nGes : PASS ********\r\n\r\nErh : 230 in\r\n\r\n");
}

TEST(LogFile, DataLinesCarryTheLocalTime) {
    TLogged t({"220 hi\r\n"}, true);
    t.Client.GetInternalResponse();
    const auto lines = SplitCrLf(t.File());
    ASSERT_EQ(lines.size(), 2u);
    const std::string& line = lines[1];
    ASSERT_EQ(line.rfind("Erh ", 0), 0u);
    const size_t colon = line.find(": 220 hi<EOL>");
    ASSERT_NE(colon, std::string::npos);
    const std::string time = line.substr(4, colon - 4);
    EXPECT_NE(time.find_first_of("0123456789"), std::string::npos) << time;
    EXPECT_NE(time.find(' '), std::string::npos) << "a date, a blank and a time: " << time;
}

TEST(LogFile, ClosingAnOwnHandlerIsLoggedWhenItIsReplaced) {
    TLoggedSession t({{S("220 hi"), C(), S("500 ?"), C(), S("230 in"), C(), S("500 ?"), C(),
                       S("200 I"), C(), S("215 X"), C(), S("200 I")}},
                     kNoCredentials);
    t.Log.SetActive(true);
    t.Ftp.Connect();
    TIdIOHandlerStack replacement;
    t.Ftp.SetIOHandler(&replacement);  // the client's own handler goes, without QUIT
    EXPECT_EQ(SplitCrLf(ReadAll(t.File())).back(), "Stat Verbindung getrennt.");
    const auto commands = t.Server.Commands();
    EXPECT_EQ(commands.back(), "TYPE I");
    t.Ftp.SetIOHandler(nullptr);
}

TEST(LogFile, FileHandling) {
    TTempDir dir;
    TIdLogFile log;
    log.SetFilename(dir.Path + "/a.log");
    // The log holds the password in clear: only its owner may read it, even
    // under a umask that lets everyone read.
    const mode_t umaskBefore = ::umask(0);
    log.SetActive(true);
    ::umask(umaskBefore);
    struct stat st {};
    ASSERT_EQ(::stat((dir.Path + "/a.log").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Classify([&] { log.SetFilename(dir.Path + "/b.log"); }).Message,
              "Dateiname kann bei geöffneter Protokolldatei nicht festgelegt werden.");
    EXPECT_EQ(log.Filename(), dir.Path + "/a.log");
    log.SetActive(false);
    log.SetFilename(dir.Path + "/b.log");
    EXPECT_EQ(log.Filename(), dir.Path + "/b.log");

    // A folder that does not exist: the create error, the log stays marked
    // active, and only off-then-on tries again.
    const std::string missing = dir.Path + "/no-such-folder/ftp.log";
    log.SetFilename(missing);
    const TOutcome created = Classify([&] { log.SetActive(true); });
    EXPECT_EQ(created.Class, "EFCreateError");
    EXPECT_EQ(created.Message,
              "Datei \"" + missing + "\" kann nicht erstellt werden. No such file or directory");
    EXPECT_TRUE(log.Active());
    EXPECT_EQ(Classify([&] { log.SetActive(true); }).Class, "");
    log.SetActive(false);
    EXPECT_EQ(Classify([&] { log.SetActive(true); }).Class, "EFCreateError");
    log.SetActive(false);

    // Something there that cannot be opened for writing: the open error.
    log.SetFilename(dir.Path);
    const TOutcome opened = Classify([&] { log.SetActive(true); });
    EXPECT_EQ(opened.Class, "EFOpenError");
    EXPECT_EQ(opened.Message, "Datei " + dir.Path + " kann nicht geöffnet werden. Is a directory");
    log.SetActive(false);
}

}  // namespace
}  // namespace vd::ftp::test
