// Against a real server: pyftpdlib on 127.0.0.1, started per scenario.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "PyFtpServer.h"
#include "TIdFTP.h"
#include "TIdLogFile.h"
#include "TestUtil.h"

namespace vd::ftp::test {
namespace {

namespace fs = std::filesystem;
using vd::test::TPyFtpServer;
using vd::test::TPyFtpServerOptions;

std::string Payload(size_t n, unsigned seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

struct TLocalFile {
    std::string Path;
    explicit TLocalFile(const std::string& name, const std::string& bytes) {
        Path = fs::temp_directory_path() / ("vd-ftp-" + std::to_string(::getpid()) + "-" + name);
        std::ofstream(Path, std::ios::binary) << bytes;
    }
    ~TLocalFile() { fs::remove(Path); }
};

void Configure(TIdFTP& ftp, const TPyFtpServer& server) {
    ftp.SetHost(server.Host());
    ftp.SetPort(server.Port());
    ftp.SetUsername(server.User());
    ftp.SetPassword(server.Password());
    ftp.SetReadTimeout(5000);
}

class RealServer : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { Server = std::make_unique<TPyFtpServer>(); }
    static void TearDownTestSuite() { Server.reset(); }
    void SetUp() override {
        Configure(Ftp, *Server);
        Ftp.Connect();
    }
    void TearDown() override { Ftp.Disconnect(); }
    static std::unique_ptr<TPyFtpServer> Server;
    TIdFTP Ftp;
};
std::unique_ptr<TPyFtpServer> RealServer::Server;

TEST_F(RealServer, UploadsAreByteIdenticalAndComeBack) {
    const size_t sizes[] = {0, 1, 32767, 32768, 32769, 10u << 20};
    for (const size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string payload = Payload(size, static_cast<unsigned>(size));
        const std::string name = "up-" + std::to_string(size) + ".bin";
        TLocalFile local(name, payload);
        uint64_t lastSent = 0, lastTotal = 99;
        Ftp.Put(local.Path, name, [&](uint64_t sent, uint64_t total) {
            EXPECT_GT(sent, lastSent);
            lastSent = sent;
            lastTotal = total;
        });
        ASSERT_EQ(Server->ReadFile(name), payload);
        if (size > 0) {
            EXPECT_EQ(lastSent, size);
            EXPECT_EQ(lastTotal, size);
        }
        TIdMemoryStream back;
        Ftp.Get(name, back, true);
        EXPECT_EQ(back.Bytes(), payload);
    }
    EXPECT_TRUE(Ftp.ResumeSupported());
}

TEST_F(RealServer, PutWithoutRemoteNameUsesTheLocalName) {
    TLocalFile local("plain-name.txt", "hello");
    Ftp.Put(local.Path);
    EXPECT_EQ(Server->ReadFile(fs::path(local.Path).filename()), "hello");
}

TEST_F(RealServer, ResumedDownloadAppendsFromTheStreamPosition) {
    Server->WriteFile("resume.txt", "0123456789");
    TIdMemoryStream stream("012#####");
    stream.SetPosition(3);
    Ftp.Get("resume.txt", stream, true);
    EXPECT_EQ(stream.Bytes(), "0123456789");
}

TEST_F(RealServer, DirectoriesListingAndDeletion) {
    Ftp.MakeDir("sub");
    EXPECT_EQ(Classify([&] { Ftp.MakeDir("sub"); }).Class, "EIdReplyRFCError");
    Ftp.ChangeDir("sub");
    for (const char* name : {"a.txt", "b c.txt",
                             "gr\xC3\xBC\xC3\x9F"
                             "e.txt"}) {
        TIdMemoryStream s(name);
        Ftp.Put(s, name);
    }
    EXPECT_TRUE(
        Server->Exists("sub/gr\xC3\xBC\xC3\x9F"
                       "e.txt"));
    std::vector<std::string> names;
    Ftp.List(names);
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b c.txt",
                                               "gr\xC3\xBC\xC3\x9F"
                                               "e.txt"}));
    Ftp.Delete("a.txt");
    EXPECT_FALSE(Server->Exists("sub/a.txt"));
    EXPECT_EQ(Classify([&] { Ftp.Delete("a.txt"); }).Class, "EIdReplyRFCError");
    Ftp.List(names);
    EXPECT_EQ(names.size(), 2u);
    const TOutcome missing = Classify([&] { Ftp.ChangeDir("missing"); });
    EXPECT_EQ(missing.Class, "EIdReplyRFCError");
    EXPECT_TRUE(Ftp.Connected());
    Ftp.ChangeDir("/");
    std::vector<std::string> none1;
    EXPECT_EQ(Classify([&] { Ftp.List(none1, "no-such-dir"); }).Message,
              "No such file or directory.\r\n");
    TIdMemoryStream none;
    EXPECT_EQ(Classify([&] { Ftp.Get("no-such-file", none); }).Class, "EIdReplyRFCError");
}

// The names of the folder's entries on the server's disk, as bytes, sorted.
std::vector<std::string> NamesOnDisk(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Browsers ask for the UTF-8 name, so a link works only when the server
// stored that name. Many servers (vsftpd with Debian's defaults) never list
// UTF8 in FEAT; the names must be UTF-8 on the wire all the same.
TEST(RealServerScenarios, NonAsciiNamesAreStoredAsUtf8WhetherFeatNamesUtf8OrNot) {
    const std::vector<std::string> names = {
        "Gr\xC3\xBC\xC3\x9F"
        "e.txt",                                     // Grüße.txt
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt",  // 日本語.txt
        "a b #1 %.txt",
    };
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    for (const bool featNamesUtf8 : {true, false}) {
        SCOPED_TRACE(featNamesUtf8 ? "FEAT names UTF8" : "FEAT without UTF8");
        TPyFtpServerOptions options;
        options.NoUtf8Feat = !featNamesUtf8;
        TPyFtpServer server(options);
        TIdFTP ftp;
        Configure(ftp, server);
        ftp.Connect();
        EXPECT_EQ(ftp.IsExtSupported("UTF8"), featNamesUtf8);
        for (const auto& name : names) {
            TIdMemoryStream content("content of " + name);
            ftp.Put(content, name);
        }
        EXPECT_EQ(NamesOnDisk(server.Home()), sorted);
        for (const auto& name : names) EXPECT_EQ(server.ReadFile(name), "content of " + name);
        std::vector<std::string> listed;
        ftp.List(listed);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, sorted);
        for (const auto& name : names) ftp.Delete(name);
        EXPECT_TRUE(NamesOnDisk(server.Home()).empty());
        ftp.Disconnect();
    }
}

TEST(RealServerLogin, WrongPasswordFailsAndCloses) {
    TPyFtpServer server;
    TIdFTP ftp;
    Configure(ftp, server);
    ftp.SetPassword("wrong");
    const TOutcome outcome = Classify([&] { ftp.Connect(); });
    EXPECT_EQ(outcome.Class, "EIdReplyRFCError");
    EXPECT_EQ(outcome.Message, "Authentication failed.\r\n");
    EXPECT_FALSE(ftp.Connected());
}

TEST(RealServerScenarios, RefusedStoreAndRetrieveLeaveTheSessionUsable) {
    TPyFtpServerOptions options;
    options.RefuseStor = {"no-store.bin"};
    options.RefuseRetr = {"no-fetch.bin"};
    TPyFtpServer server(options);
    server.WriteFile("no-fetch.bin", "secret");
    TIdFTP ftp;
    Configure(ftp, server);
    ftp.Connect();
    TIdMemoryStream data("abc");
    EXPECT_EQ(Classify([&] { ftp.Put(data, "no-store.bin"); }).Message,
              "Storing this name is refused.\r\n");
    TIdMemoryStream fetched;
    EXPECT_EQ(Classify([&] { ftp.Get("no-fetch.bin", fetched); }).Message,
              "Retrieving this name is refused.\r\n");
    EXPECT_EQ(fetched.Bytes(), "");
    ftp.Put(data, "fine.bin");
    EXPECT_EQ(server.ReadFile("fine.bin"), "abc");
    ftp.Disconnect();
}

TEST(RealServerScenarios, NlstWithPathsIsTakenAsItIs) {
    TPyFtpServerOptions options;
    options.NlstReturnsPaths = true;
    TPyFtpServer server(options);
    TIdFTP ftp;
    Configure(ftp, server);
    ftp.Connect();
    ftp.MakeDir("d");
    ftp.ChangeDir("d");
    TIdMemoryStream data("x");
    ftp.Put(data, "f.txt");
    std::vector<std::string> names;
    ftp.List(names);
    EXPECT_EQ(names, std::vector<std::string>{"/d/f.txt"});
    ftp.Disconnect();
}

TEST(RealServerScenarios, TlsCapableServerOffersAuthAndTakesPlainSessions) {
    TPyFtpServerOptions options;
    options.Tls = true;  // certificate made by the openssl command
    TPyFtpServer server(options);
    TIdFTP ftp;
    Configure(ftp, server);
    ftp.Connect();
    EXPECT_TRUE(ftp.IsExtSupported("AUTH"));
    TIdMemoryStream data("clear");
    ftp.Put(data, "clear.txt");
    EXPECT_EQ(server.ReadFile("clear.txt"), "clear");
    ftp.Disconnect();
}

TEST(RealServerScenarios, TrafficLogOfARealSession) {
    TPyFtpServer server;
    const std::string logPath =
        fs::temp_directory_path() / ("vd-ftp-real-" + std::to_string(::getpid()) + ".log");
    fs::remove(logPath);
    {
        TIdLogFile log;
        log.SetFilename(logPath);
        log.SetLogTime(false);
        TIdFTP ftp;
        ftp.SetIntercept(&log);
        Configure(ftp, server);
        log.SetActive(true);
        ftp.Connect();
        ftp.ChangeDir("/");
        ftp.Disconnect();
        log.SetActive(false);
    }
    std::ifstream in(logPath, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(logPath);
    EXPECT_EQ(text.rfind("Stat Verbunden.\r\nErh : 220 velodrop test server ready.<EOL>\r\n", 0),
              0u)
        << text;
    EXPECT_NE(text.find("Ges : PASS ********<EOL>\r\n"), std::string::npos);
    EXPECT_EQ(text.find(server.Password()), std::string::npos);
    EXPECT_NE(text.find("Ges : CWD /<EOL>\r\nErh : 250 "), std::string::npos);
    EXPECT_NE(text.find("Ges : QUIT<EOL>\r\nErh : 221 Goodbye.<EOL>\r\n"), std::string::npos)
        << text;
    EXPECT_TRUE(text.ends_with("Stat Verbindung getrennt.\r\n"));
}

}  // namespace
}  // namespace vd::ftp::test
