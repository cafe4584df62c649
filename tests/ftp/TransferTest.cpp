// Commands and passive transfers against the scripted server: each case is
// {server script after the login} -> {client's lines, error, data}.
#include <gtest/gtest.h>

#include <algorithm>

#include "FakeFtpServer.h"
#include "FakeTLSHandler.h"
#include "MemoryIOHandler.h"
#include "ScriptHelpers.h"
#include "TIdFTP.h"
#include "TIdIntercept.h"
#include "TestUtil.h"

namespace vd::ftp::test {
namespace {

// The login (kLogin) with the greeting, feature list and system of vsftpd
// under Debian's defaults, which stores UTF-8 names but never lists UTF8.
const TScript kLoginFeatWithoutUtf8 =
    Cat({{S("220 (vsFTPd 3.0.3)")},
         kHostUnknown,
         kUserAndPass,
         {C(), Raw("211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n PASV\r\n REST STREAM\r\n"
                   " SIZE\r\n TVFS\r\n211 End\r\n")},
         {C(), S("200 I"), C(), S("215 UNIX Type: L8"), C(), S("200 I")}});
const TScript kStoreOk = {C(),
                          Pasv(),
                          C(),
                          DataAccept(),
                          S("150 Ok to send data."),
                          DataRecvAll(),
                          S("226 Transfer complete.")};

std::string Payload(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return s;
}

// A logged-in client on a scripted server.
struct TSession {
    TFakeFtpServer Server;
    TIdFTP Ftp;
    explicit TSession(std::vector<TScript> sessions, int readTimeout = kReplyWaitMs)
        : Server(std::move(sessions)) {
        PointAt(Ftp, Server.Port(), {.ReadTimeout = readTimeout});
    }
    // The client's lines after the login (and its QUIT, if it still could).
    TLines Finish() {
        Ftp.Disconnect();
        TLines all = Server.Commands();
        return TLines(all.begin() + static_cast<long>(std::min(kLoginCommands, all.size())),
                      all.end());
    }
};

struct TCase {
    const char* Name;
    TScript Steps;
    std::function<void(TIdFTP&)> Op;
    TLines Commands;
    std::string Class = {};
    std::string Message = {};
    std::function<void(TIdFTP&)> After = nullptr;  // runs after Op, must succeed
};

void RunCases(const std::vector<TCase>& cases, int readTimeout = kReplyWaitMs,
              const TScript& login = kLogin) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSession s({Cat({login, c.Steps})}, readTimeout);
        s.Ftp.Connect();
        const TOutcome outcome = Classify([&] { c.Op(s.Ftp); });
        EXPECT_EQ(outcome.Class, c.Class);
        EXPECT_EQ(outcome.Message, c.Message);
        if (c.After) c.After(s.Ftp);
        EXPECT_EQ(s.Finish(), c.Commands);
    }
}

TEST(Transfer, Uploads) {
    const std::string payload = Payload(100000);
    std::string received;
    auto put = [&](std::string bytes, std::string name) {
        return [bytes, name](TIdFTP& f) {
            TIdMemoryStream stream(bytes);
            f.Put(stream, name);
        };
    };
    RunCases({
        {"stream upload", kStoreOk, put(payload, "up.bin"), {"PASV", "STOR up.bin", "QUIT"}},
        {"empty upload", kStoreOk, put("", "empty.bin"), {"PASV", "STOR empty.bin", "QUIT"}},
        {"refused STOR: no further reply read",
         {C(), Pasv(), C(), DataAccept(), S("553 Could not create file."), C(), S("250 Deleted")},
         put("x", "bad.bin"),
         {"PASV", "STOR bad.bin", "DELE other", "QUIT"},
         "EIdReplyRFCError",
         "Could not create file.\r\n",
         [](TIdFTP& f) { f.Delete("other"); }},
        {"final reply outside 226/225/250",
         {C(), Pasv(), C(), DataAccept(), S("150 Ok"), DataRecvAll(),
          S("451 Local error in processing.")},
         put("abc", "f.bin"),
         {"PASV", "STOR f.bin", "QUIT"},
         "EIdReplyRFCError",
         "Local error in processing.\r\n"},
        {"225 and 250 end a transfer too",
         {C(), Pasv(), C(), DataAccept(), S("125 Go"), DataRecvAll(), S("250 Stored")},
         put("abc", "g.bin"),
         {"PASV", "STOR g.bin", "QUIT"}},
        {"empty remote name: nothing sent",
         {},
         put("abc", ""),
         {"QUIT"},
         "EIdFTPUploadFileNameCanNotBeEmpty",
         "Der Zieldateiname darf nicht leer sein"},
        {"local file missing: nothing sent",
         {},
         [](TIdFTP& f) { f.Put("/nonexistent-dir/x.bin", "x.bin"); },
         {"QUIT"},
         "EFOpenError",
         "Datei /nonexistent-dir/x.bin kann nicht geöffnet werden. No such file or directory"},
    });
}

TEST(Transfer, UploadedBytesAndProgress) {
    const std::string payload = Payload(100000);
    TSession s({Cat(
        {kLogin, {C(), Pasv(), C(), DataAccept(), S("150 Ok"), DataRecvAll(), S("226 Done")}})});
    s.Ftp.Connect();
    TIdMemoryStream stream(payload);
    stream.SetPosition(500);  // the whole stream goes, from position 0
    std::vector<std::pair<uint64_t, uint64_t>> calls;
    s.Ftp.Put(stream, "up.bin",
              [&](uint64_t sent, uint64_t total) { calls.emplace_back(sent, total); });
    s.Finish();
    EXPECT_EQ(s.Server.DataReceived(), payload);
    ASSERT_EQ(calls.size(), 4u);  // pieces of at most 32768 bytes
    EXPECT_EQ(calls.front(), std::make_pair(uint64_t{32768}, uint64_t{100000}));
    EXPECT_EQ(calls.back(), std::make_pair(uint64_t{100000}, uint64_t{100000}));
}

// A caller that stops an upload from its progress callback (the program
// is ending) does not wait for the final reply, which a server on a slow
// link sends only once it has taken in everything on its way: the session
// goes at once, and the caller's error comes through as it is.
TEST(Transfer, UploadStoppedByTheCallerDropsTheSession) {
    TSession s({Cat({kLogin,
                     {C(), Pasv(), C(), DataAccept(), S("150 Ok"), DataRecvAll(), Sleep(3000),
                      S("426 Transfer aborted.")}})});
    s.Ftp.Connect();
    TIdMemoryStream stream(Payload(200000));
    try {
        s.Ftp.Put(stream, "up.bin", [](uint64_t, uint64_t) { throw std::range_error("stopped"); });
        ADD_FAILURE() << "the upload went on";
    } catch (const std::range_error& e) {
        EXPECT_STREQ(e.what(), "stopped");
    }
    EXPECT_FALSE(s.Ftp.Connected());
    EXPECT_EQ(s.Finish(), (TLines{"PASV", "STOR up.bin"}));
}

TEST(Transfer, DownloadsAndListings) {
    TIdMemoryStream got;
    std::vector<std::string> names = {"stale"};
    RunCases({
        {"150 and 226 in one read",
         {C(), Pasv(), DataAccept(), C(), DataSend("hello world"), DataClose(),
          Raw("150 Opening\r\n226 Done\r\n")},
         [&](TIdFTP& f) { f.Get("f.txt", got); },
         {"PASV", "RETR f.txt", "QUIT"},
         "",
         "",
         [&](TIdFTP&) { EXPECT_EQ(got.Bytes(), "hello world"); }},
        {"RETR answered 450: stream unchanged",
         {C(), Pasv(), DataAccept(), C(), S("450 Busy")},
         [&](TIdFTP& f) {
             TIdMemoryStream keep("keep");
             f.Get("f.txt", keep);
             EXPECT_EQ(keep.Bytes(), "keep");
         },
         {"PASV", "RETR f.txt", "QUIT"}},
        {"NLST lines",
         {C(), S("200 A"), C(), Pasv(), DataAccept(), C(), S("150 Here"),
          DataSend("a.txt\r\nb c.txt\nd\r\n"), DataClose(), S("226 Done"), C(), S("200 I")},
         [&](TIdFTP& f) { f.List(names); },
         {"TYPE A", "PASV", "NLST", "TYPE I", "QUIT"},
         "",
         "",
         [&](TIdFTP&) {
             EXPECT_EQ(names, (TLines{"a.txt", "b c.txt", "d"}));
         }},
        {"NLST lines that are not all UTF-8",
         {C(), S("200 A"), C(), Pasv(), DataAccept(), C(), S("150 Here"),
          DataSend("Gr\xFC\xDF"
                   "e.txt\r\n\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt\r\n"),
          DataClose(), S("226 Done"), C(), S("200 I")},
         [&](TIdFTP& f) { f.List(names); },
         {"TYPE A", "PASV", "NLST", "TYPE I", "QUIT"},
         "",
         "",
         [&](TIdFTP&) {
             EXPECT_EQ(names, (TLines{"Gr\xEF\xBF\xBD\xEF\xBF\xBD"
                                      "e.txt",
                                      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"}));
         }},
        {"NLST answered 450: empty list",
         {C(), S("200 A"), C(), Pasv(), DataAccept(), C(), S("450 No files found"), C(),
          S("200 I")},
         [&](TIdFTP& f) { f.List(names); },
         {"TYPE A", "PASV", "NLST", "TYPE I", "QUIT"},
         "",
         "",
         [&](TIdFTP&) { EXPECT_TRUE(names.empty()); }},
        // A server that streams without end: the download stops at its limit,
        // the final reply is read, and the session goes on in step.
        {"NLST longer than any real listing",
         {C(), S("200 A"), C(), Pasv(), DataAccept(), C(), S("150 Here"),
          DataSend(std::string(kMaxListingBytes + 65536, 'n')), DataClose(),
          S("426 Transfer aborted"), C(), S("200 I")},
         [&](TIdFTP& f) { f.List(names); },
         {"TYPE A", "PASV", "NLST", "TYPE I", "QUIT"},
         "EIdFTPDownloadTooLarge",
         "Der Download ist größer als 16 MiB und wurde abgebrochen."},
        {"RETR into memory beyond its limit",
         {C(), Pasv(), DataAccept(), C(), S("150 Here"), DataSend(std::string(3 << 20, 'r')),
          DataClose(), S("426 Transfer aborted")},
         [&](TIdFTP& f) {
             TIdMemoryStream small;
             small.SetLimit(1 << 20);
             f.Get("endless", small);
         },
         {"PASV", "RETR endless", "QUIT"},
         "EIdFTPDownloadTooLarge",
         "Der Download ist größer als 1 MiB und wurde abgebrochen."},
        {"NLST answered 550: error, TYPE I still sent",
         {C(), S("200 A"), C(), Pasv(), DataAccept(), C(), S("550 No such directory"), C(),
          S("200 I")},
         [&](TIdFTP& f) { f.List(names, "missing"); },
         {"TYPE A", "PASV", "NLST missing", "TYPE I", "QUIT"},
         "EIdReplyRFCError",
         "No such directory\r\n"},
    });
}

TEST(Transfer, ResumeProbeOncePerClient) {
    const TScript probe350 = {C(), S("350 Restarting at 1"), C(), S("350 Restarting at 0")};
    const TScript get = {C(), Pasv(),      DataAccept(),     C(),         S("350 Restarting at 0"),
                         C(), S("150 Go"), DataSend("data"), DataClose(), S("226 Done")};
    TSession s({Cat({kLogin, probe350, get}), Cat({kLogin, get})});
    s.Ftp.Connect();
    TIdMemoryStream first;
    s.Ftp.Get("f", first, true);
    s.Ftp.Disconnect();
    s.Ftp.Connect();  // a later session: no probe
    TIdMemoryStream second;
    s.Ftp.Get("f", second, true);
    EXPECT_EQ(second.Bytes(), "data");
    const TLines all = s.Finish();
    const TLines expected = {
        "REST 1", "REST 0",           "PASV",      "REST 0",  "RETR f", "QUIT",
        "--",     "HOST [127.0.0.1]", "USER user", "PASS pw", "FEAT",   "TYPE I",
        "SYST",   "TYPE I",           "PASV",      "REST 0",  "RETR f", "QUIT"};
    EXPECT_EQ(all, expected);
}

TEST(Transfer, NoResumeWhenRestIsRefused) {
    const TScript get = {C(),         Pasv(),        DataAccept(), C(),
                         S("150 Go"), DataSend("x"), DataClose(),  S("226 Done")};
    TSession s({Cat({kLogin, {C(), S("502 REST not implemented"), C(), S("502 no")}, get, get})});
    s.Ftp.Connect();
    TIdMemoryStream a, b;
    s.Ftp.Get("f", a, true);
    s.Ftp.Get("f", b, true);
    EXPECT_FALSE(s.Ftp.ResumeSupported());
    EXPECT_EQ(s.Finish(), (TLines{"REST 1", "REST 0", "PASV", "RETR f", "PASV", "RETR f", "QUIT"}));
}

TEST(Transfer, PassiveReplyForms) {
    const std::string forms[] = {
        "227 Entering Passive Mode (127,0,0,1,{p1},{p2})",
        "227 Entering passive mode. 127,0,0,1,{p1},{p2}",
        "227 =127,0,0,1,{p1},{p2}",
        "227 Entering Passive Mode (10,0,0,5,{p1},{p2})",     // private: the control host instead
        "227 Entering Passive Mode (203,0,113,7,{p1},{p2})",  // the control host in any case
        "227 Entering Passive Mode (127,0,0,1,{p1+256},{p2+256})",
        "227 Entering Passive Mode (127,0,0,1,{p1-256},{p2})",
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form);
        TSession s({Cat(
            {kLogin,
             {C(), Pasv(form), C(), DataAccept(), S("150 Ok"), DataRecvAll(), S("226 Done")}})});
        s.Ftp.Connect();
        TIdMemoryStream stream("payload");
        EXPECT_EQ(Classify([&] { s.Ftp.Put(stream, "p.bin"); }).Message, "");
        s.Finish();
        EXPECT_EQ(s.Server.DataReceived(), "payload");
    }
}

TEST(Transfer, DataConnectionFailures) {
    auto put = [](TIdFTP& f) {
        TIdMemoryStream stream("abc");
        f.Put(stream, "x.bin");
    };
    auto get = [](TIdFTP& f) {
        TIdMemoryStream stream;
        f.Get("x.bin", stream);
    };
    RunCases({
        {"port 0: no STOR, session usable",
         {C(), S("227 Entering Passive Mode (127,0,0,1,0,0)"), C(), S("250 ok")},
         put,
         {"PASV", "CWD d", "QUIT"},
         "EIdPortRequired",
         "A Port is required",
         [](TIdFTP& f) { f.ChangeDir("d"); }},
        {"port field not an integer",
         {C(), S("227 Entering Passive Mode (127,0,0,1,x,1)")},
         put,
         {"PASV", "QUIT"},
         "EConvertError",
         "'x' ist kein gültiger Integerwert"},
        {"download: refused data port reported at once, session usable",
         {C(), PasvRefused(), C(), S("250 Deleted")},
         get,
         {"PASV", "DELE x.bin", "QUIT"},
         "EIdSocketError",
         "Socket-Fehler # 10061Verbindung abgelehnt.\r\n",
         [](TIdFTP& f) { f.Delete("x.bin"); }},
        {"upload: refused data port reported at once, control closed",
         {C(), PasvRefused(), C()},
         put,
         {"PASV", "STOR x.bin"},
         "EIdSocketError",
         "Socket-Fehler # 10061Verbindung abgelehnt.\r\n",
         [](TIdFTP& f) { EXPECT_FALSE(f.Connected()); }},
    });
}

// A reply that does not come in time closes the control connection: if it
// came later it would pass for the answer to the next command, and every
// reply after it would be one behind. The next command fails instead of
// reading it, and nothing more reaches the server.
TEST(Transfer, ReadTimeoutClosesTheControlConnection) {
    auto cwd = [](TIdFTP& f) { f.ChangeDir("slow"); };
    auto put = [](TIdFTP& f) {
        TIdMemoryStream stream("abc");
        f.Put(stream, "x.bin");
    };
    auto get = [](TIdFTP& f) {
        f.SetTransferTimeout(300);
        TIdMemoryStream stream;
        f.Get("x.bin", stream);
    };
    auto nextCommandFails = [](TIdFTP& f) {
        EXPECT_FALSE(f.Connected());
        EXPECT_EQ(Classify([&] { f.Delete("next"); }).Message, "Nicht verbunden");
    };
    RunCases(
        {
            // A byte every 200 ms keeps each wait under the timeout; the
            // whole reply still has its deadline (twice the timeout).
            {"a reply trickled byte by byte",
             [] {
                 TScript script = {C()};
                 for (const char c : std::string("250 trickled\r\n"))
                     script.insert(script.end(), {Raw(std::string(1, c)), Sleep(200)});
                 return script;
             }(),
             cwd,
             {"CWD slow"},
             "EIdReadTimeout",
             "Zeitüberschreitung beim Lesen.",
             nextCommandFails},
            {"a command's reply comes late",
             {C(), Sleep(700), S("250 late answer to CWD"), C(), S("250 DELE ok")},
             cwd,
             {"CWD slow"},
             "EIdReadTimeout",
             "Zeitüberschreitung beim Lesen.",
             nextCommandFails},
            {"a transfer's final reply comes late",
             {C(), Pasv(), C(), DataAccept(), S("150 Ok"), DataRecvAll(), Sleep(700), S("226 late"),
              C(), S("250 DELE ok")},
             put,
             {"PASV", "STOR x.bin"},
             "EIdReadTimeout",
             "Zeitüberschreitung beim Lesen.",
             nextCommandFails},
            {"the data connection goes quiet",
             {C(), Pasv(), DataAccept(), C(), S("150 Go"), DataSend("part"), Sleep(700),
              DataClose(), S("226 late"), C(), S("250 DELE ok")},
             get,
             {"PASV", "RETR x.bin"},
             "EIdReadTimeout",
             "Zeitüberschreitung beim Lesen.",
             nextCommandFails},
        },
        300);
}

// A server that takes the data connection but never reads from it: the
// upload gives up after the transfer timeout instead of blocking for good.
TEST(Transfer, UploadToAReaderThatStopsTimesOut) {
    TSession s({Cat({kLogin, {C(), Pasv(), C(), DataAccept(), S("150 Ok"), Sleep(2000)}})}, 500);
    s.Ftp.SetTransferTimeout(300);
    s.Ftp.Connect();
    TIdMemoryStream stream(std::string(64 << 20, 'x'));  // far more than the socket buffers hold
    try {
        s.Ftp.Put(stream, "x.bin");
        ADD_FAILURE() << "the upload did not fail";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.LastError(), 10060) << e.what();
    }
}

// Where the data connection goes, on in-memory handlers (no traffic leaves
// the process): the control peer replaces a private announced address, and
// with PassiveUseControlHost it is used in any case.
TEST(Transfer, DataConnectionAddress) {
    struct TCase {
        bool UseControlHost;
        const char* Announced;
        const char* ControlPeer;
        const char* Expected;
    };
    const TCase cases[] = {
        {true, "10,0,0,5", "203.0.113.7", "203.0.113.7"},
        {true, "198,51,100,9", "203.0.113.7", "203.0.113.7"},
        {false, "10,0,0,5", "203.0.113.7", "203.0.113.7"},
        {false, "192,168,1,2", "203.0.113.7", "203.0.113.7"},
        {false, "198,51,100,9", "203.0.113.7", "198.51.100.9"},
        {false, "10,0,0,5", "10.0.0.1", "10.0.0.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Announced) + " via " + c.ControlPeer);
        TMemoryIOHandler control;
        control.PeerAddress = c.ControlPeer;
        control.Chunks = {"227 Entering Passive Mode (" + std::string(c.Announced) + ",195,80)\r\n",
                          "150 Go\r\n", "226 Done\r\n"};
        TIdFTP ftp;
        ftp.SetIOHandler(&control);
        control.Open();
        ftp.SetPassiveUseControlHost(c.UseControlHost);
        std::string host;
        uint16_t port = 0;
        ftp.SetDataConnectionFactory([&]() -> std::unique_ptr<TIdIOHandler> {
            auto h = std::make_unique<TMemoryIOHandler>();
            h->OnOpen = [&](const std::string& openedHost, uint16_t openedPort) {
                host = openedHost;
                port = openedPort;
            };
            return h;
        });
        TIdMemoryStream stream("bytes");
        ftp.Put(stream, "f");
        EXPECT_EQ(host, c.Expected);
        EXPECT_EQ(port, 50000);
        EXPECT_EQ(control.Written, "PASV\r\nSTOR f\r\n");
        ftp.SetIOHandler(nullptr);
    }
}

TEST(Transfer, FailingTheNthDataWrite) {
    const std::string payload = Payload(100000);  // four pieces
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        TSession s({Cat({kLogin,
                         {C(), S("227 Entering Passive Mode (127,0,0,1,1,1)"), C(), S("150 Ok"),
                          S("426 Connection closed; transfer aborted."), C(), S("250 ok")}})});
        TMemoryIOHandler* data = nullptr;
        s.Ftp.SetDataConnectionFactory([&]() -> std::unique_ptr<TIdIOHandler> {
            auto h = std::make_unique<TMemoryIOHandler>();
            h->FailWriteAt = n;
            data = h.get();
            return h;
        });
        s.Ftp.Connect();
        TIdMemoryStream stream(payload);
        const TOutcome outcome = Classify([&] { s.Ftp.Put(stream, "x.bin"); });
        EXPECT_EQ(outcome.Message,
                  "Socket-Fehler # 10054Die Verbindung wurde von Peer zurückgesetzt.\r\n");
        EXPECT_EQ(s.Ftp.LastCmdResult().Code(), "426");  // the final reply was still read
        s.Ftp.ChangeDir("d");                            // and the session is in step
        EXPECT_EQ(s.Finish(), (TLines{"PASV", "STOR x.bin", "CWD d", "QUIT"}));
        (void)data;
    }
}

// A reset on the data connection ends a download as a close would; any
// other socket error fails it. Either way the final reply is read and the
// session stays in step.
TEST(Transfer, FailingTheNthDataRead) {
    for (const int error : {10054, 10050}) {
        for (int n = 1; n <= 3; ++n) {
            SCOPED_TRACE(std::to_string(error) + " at read " + std::to_string(n));
            TSession s({Cat({kLogin,
                             {C(), S("227 Entering Passive Mode (127,0,0,1,1,1)"), C(), S("150 Ok"),
                              S("226 Done"), C(), S("250 ok")}})});
            s.Ftp.SetDataConnectionFactory([&]() -> std::unique_ptr<TIdIOHandler> {
                auto h = std::make_unique<TMemoryIOHandler>();
                h->Chunks = {"aaaa", "bbbb", "cccc"};
                h->FailReadAt = n;
                h->FailError = error;
                return h;
            });
            s.Ftp.Connect();
            TIdMemoryStream got;
            const TOutcome outcome = Classify([&] { s.Ftp.Get("f", got); });
            const std::string expected = std::string("aaaabbbbcccc").substr(0, 4 * (n - 1));
            if (error == 10054) {
                EXPECT_EQ(outcome.Class, "");
            } else {
                EXPECT_EQ(outcome.Message,
                          "Socket-Fehler # 10050Netzwerk ist heruntergefahren.\r\n");
            }
            EXPECT_EQ(got.Bytes(), expected);
            EXPECT_EQ(s.Ftp.LastCmdResult().Code(), "226");
            s.Ftp.ChangeDir("d");
            EXPECT_EQ(s.Finish(), (TLines{"PASV", "RETR f", "CWD d", "QUIT"}));
        }
    }
}

TEST(Transfer, CommandLinesWithLineBreaksNeverReachTheServer) {
    TSession s({kLogin});
    s.Ftp.Connect();
    const std::string evil = "a.txt\r\nDELE important";
    TIdMemoryStream stream("x");
    std::vector<std::string> names;
    const std::vector<std::function<void()>> ops = {
        [&] { s.Ftp.Put(stream, evil); },
        [&] { s.Ftp.Get(evil, stream); },
        [&] { s.Ftp.List(names, "x\ny"); },
        [&] { s.Ftp.Delete(evil); },
        [&] { s.Ftp.MakeDir(std::string("d\0x", 3)); },
        [&] { s.Ftp.ChangeDir("d\rx"); },
    };
    for (const auto& op : ops) EXPECT_EQ(Classify(op).Class, "EIdCommandHasControlChars");
    EXPECT_TRUE(s.Ftp.Connected());
    EXPECT_EQ(s.Finish(), TLines{"QUIT"});
}

TEST(Transfer, DirectoryCommands) {
    RunCases({
        {"MKD 257",
         {C(), S("257 \"d\" created")},
         [](TIdFTP& f) { f.MakeDir("d"); },
         {"MKD d", "QUIT"}},
        {"MKD of an existing directory",
         {C(), S("550 Directory exists")},
         [](TIdFTP& f) { f.MakeDir("d"); },
         {"MKD d", "QUIT"},
         "EIdReplyRFCError",
         "Directory exists\r\n"},
        {"CWD 250", {C(), S("250 Okay")}, [](TIdFTP& f) { f.ChangeDir("d"); }, {"CWD d", "QUIT"}},
        {"DELE 250", {C(), S("250 Gone")}, [](TIdFTP& f) { f.Delete("f"); }, {"DELE f", "QUIT"}},
        {"421 mid-session closes without QUIT",
         {C(), S("421 Timeout.")},
         [](TIdFTP& f) { f.ChangeDir("d"); },
         {"CWD d"},
         "EIdFTPServiceNotAvailable",
         "Timeout.\r\n"},
    });
}

// Names go out as UTF-8 although the feature list does not name UTF8: the
// server stores what the link will ask for.
TEST(Transfer, NamesAreUtf8WithoutUtf8InTheFeatures) {
    const std::string folder =
        "\xC3\x9C"
        "bergr\xC3\xB6\xC3\x9F"
        "e";  // Übergröße
    const std::string umlauts =
        "Gr\xC3\xBC\xC3\x9F"
        "e #3.txt";                                                        // Grüße #3.txt
    const std::string kanji = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt";  // 日本語.txt
    auto put = [](std::string name) {
        return [name](TIdFTP& f) {
            TIdMemoryStream stream("data");
            f.Put(stream, name);
        };
    };
    RunCases(
        {
            {"MKD",
             {C(), S("257 created")},
             [&](TIdFTP& f) { f.MakeDir(folder); },
             {"MKD " + folder, "QUIT"}},
            {"CWD",
             {C(), S("250 Okay")},
             [&](TIdFTP& f) { f.ChangeDir(folder); },
             {"CWD " + folder, "QUIT"}},
            {"STOR with umlauts", kStoreOk, put(umlauts), {"PASV", "STOR " + umlauts, "QUIT"}},
            {"STOR with kanji", kStoreOk, put(kanji), {"PASV", "STOR " + kanji, "QUIT"}},
            {"DELE with umlauts",
             {C(), S("250 Gone")},
             [&](TIdFTP& f) { f.Delete(umlauts); },
             {"DELE " + umlauts, "QUIT"}},
            {"DELE with kanji",
             {C(), S("250 Gone")},
             [&](TIdFTP& f) { f.Delete(kanji); },
             {"DELE " + kanji, "QUIT"}},
        },
        kReplyWaitMs, kLoginFeatWithoutUtf8);
}

// Bytes that are no UTF-8 in a reply read as U+FFFD: the caller gets the
// reply error with that text, nothing else, and the session goes on.
TEST(Transfer, RepliesWithBytesThatAreNoUtf8) {
    const std::string r = "\xEF\xBF\xBD";  // U+FFFD
    auto del = [](TIdFTP& f) { f.Delete("f"); };
    RunCases(
        {
            {"refused",
             {C(), Raw("550 \xFF\xFE"
                       "bad\xC3\r\n")},
             del,
             {"DELE f", "QUIT"},
             "EIdReplyRFCError",
             r + r + "bad" + r + "\r\n"},
            {"refused, several lines",
             {C(), Raw("550-Gr\xFC\xDF"
                       "e\r\n \xC0\xAF\r\n550 \xED\xA0\x80\r\n")},
             del,
             {"DELE f", "QUIT"},
             "EIdReplyRFCError",
             "Gr" + r + r + "e\r\n" + r + r + "\r\n" + r + r + r + "\r\n"},
            {"accepted",
             {C(), Raw("250 \x80gone\xF4\x90\x80\x80\r\n")},
             del,
             {"DELE f", "QUIT"},
             "",
             "",
             [&](TIdFTP& f) {
                 EXPECT_EQ(f.LastCmdResult().Text(), TLines{r + "gone" + r + r + r + r});
             }},
            {"a code that holds one",
             {C(), Raw("550\xFF oops\r\n")},
             del,
             {"DELE f", "QUIT"},
             "EIdException",
             "Antwortcode ist ungültig: 550" + r},
        },
        kReplyWaitMs, kLoginFeatWithoutUtf8);
}

TEST(Transfer, PretWhenTheServerListsIt) {
    TSession s({Cat({{S("220 ready"), C(), S("500 ?"), C(), S("230 in")},
                     {C(), Raw("211-F\r\n PRET\r\n211 E\r\n")},
                     kTypeSystType,
                     {C(), S("200 ok"), C(), Pasv(), C(), DataAccept(), S("150 Ok"), DataRecvAll(),
                      S("226 Done")}})});
    s.Ftp.Connect();
    TIdMemoryStream stream("z");
    s.Ftp.Put(stream, "z.bin");
    s.Ftp.Disconnect();
    const TLines all = s.Server.Commands();
    EXPECT_EQ(TLines(all.end() - 4, all.end()),
              (TLines{"PRET STOR z.bin", "PASV", "STOR z.bin", "QUIT"}));
}

// --- data protection on TLS sessions -------------------------------------------

const TScript kTlsLogin = Cat({{S("220 ready"), C(), S("500 ?"), C(), S("234 AUTH ok"), C(),
                                S("331 pw"), C(), S("230 in"), C(), S("500 ?")},
                               kTypeSystType});
constexpr size_t kTlsLoginCommands = 8;
const TScript kPbszProtC = {C(), S("200 PBSZ=0"), C(), S("200 PROT now Clear")};
const TScript kPbszProtCRefused = {C(), S("200 PBSZ=0"),
                                   C(), S("534 Unwilling to accept security parameters"),
                                   C(), S("200 PROT now Private")};
const TScript kRetrieveOk = {C(),
                             Pasv(),
                             DataAccept(),
                             C(),
                             S("150 Here it comes."),
                             DataSend("remote bytes"),
                             DataClose(),
                             S("226 Transfer complete.")};
// The events (TTlsSession's) of these parts: kPbszProtCRefused after its
// "PBSZ" reply, and kStoreOk and kRetrieveOk under PROT P, where each data
// connection is a clone that resumes the control connection's session and
// shakes hands after the preliminary reply.
const TLines kProtCRefusedEvents = {"< 534 Unwilling to accept security parameters",
                                    "< 200 PROT now Private"};
const TLines kPrivateStoreEvents = {"< 227 Entering Passive Mode", "clone resume",
                                    "< 150 Ok to send data.", "data handshake",
                                    "< 226 Transfer complete."};
const TLines kPrivateRetrieveEvents = {"< 227 Entering Passive Mode", "clone resume",
                                       "< 150 Here it comes.", "data handshake",
                                       "< 226 Transfer complete."};

// A client on a TLS session over the fake handler; its events and the
// control replies it reads ("< 150 ...") in one list, so the place of each
// data handshake shows.
struct TTlsSession {
    TSession Session;
    TFakeTLSHandler Tls;
    TIdConnectionIntercept Replies;
    explicit TTlsSession(std::vector<TScript> sessions) : Session(std::move(sessions)) {
        Replies.OnReceive = [this](TIdConnectionIntercept&, std::string& bytes) {
            for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos;
                 start = end + 2) {
                const std::string line = bytes.substr(start, end - start);
                Tls.Events->push_back("< " + line.substr(0, line.find(" (")));
            }
        };
        Session.Ftp.SetIntercept(&Replies);
        Session.Ftp.SetIOHandler(&Tls);
        Session.Ftp.SetUseTLS(TIdUseTLS::utUseRequireTLS);
    }
    ~TTlsSession() { Session.Ftp.SetIOHandler(nullptr); }
    // The events from the first "PBSZ" reply on (the login's are left out).
    TLines EventsAfterLogin() const {
        const auto& all = *Tls.Events;
        auto from = std::find(all.begin(), all.end(), "< 200 PBSZ=0");
        return TLines(from == all.end() ? all.end() : from + 1, all.end());
    }
    TLines CommandsAfterLogin() {
        Session.Ftp.Disconnect();
        const TLines all = Session.Server.Commands();
        return TLines(all.begin() + static_cast<long>(std::min(kTlsLoginCommands, all.size())),
                      all.end());
    }
};

TEST(Transfer, DataProtectionOnTLSSessions) {
    auto put = [](TIdFTP& f) {
        TIdMemoryStream stream("file bytes");
        f.Put(stream, "f.bin");
    };
    auto get = [](TIdFTP& f) {
        TIdMemoryStream stream("old content that is longer");
        f.Get("f.bin", stream);
        EXPECT_EQ(stream.Bytes(), "remote bytes");
    };
    auto list = [](TIdFTP& f) {
        std::vector<std::string> names;
        f.List(names);
        EXPECT_EQ(names, TLines{"remote bytes"});
    };
    struct TCase {
        const char* Name;
        TScript Steps;
        std::function<void(TIdFTP&)> Op;
        TLines Commands;  // after the login
        TLines Events;    // after the reply to "PBSZ"
        std::string Message = {};
        std::string Data = "file bytes";                    // what the server received
        std::function<void(TTlsSession&)> Setup = nullptr;  // before Connect
    };
    const TCase cases[] = {
        {"PROT C accepted: data in clear, once per session",
         Cat({kPbszProtC, kStoreOk, kStoreOk}),
         [&](TIdFTP& f) {
             put(f);
             put(f);
         },
         {"PBSZ 0", "PROT C", "PASV", "STOR f.bin", "PASV", "STOR f.bin", "QUIT"},
         {"< 200 PROT now Clear", "< 227 Entering Passive Mode", "< 150 Ok to send data.",
          "< 226 Transfer complete.", "< 227 Entering Passive Mode", "< 150 Ok to send data.",
          "< 226 Transfer complete."},
         "",
         "file bytesfile bytes"},
        {"PROT C refused: PROT P, each data connection TLS after its 150",
         Cat({kPbszProtCRefused, kStoreOk, kRetrieveOk}),
         [&](TIdFTP& f) {
             put(f);
             get(f);
         },
         {"PBSZ 0", "PROT C", "PROT P", "PASV", "STOR f.bin", "PASV", "RETR f.bin", "QUIT"},
         Lines({kProtCRefusedEvents, kPrivateStoreEvents, kPrivateRetrieveEvents})},
        {"STOR refused with 522: PROT P and the upload once more",
         Cat({kPbszProtC,
              {C(), Pasv(), C(), DataAccept(), S("522 Data connections must be encrypted."), C(),
               S("200 PROT now Private")},
              kStoreOk}),
         put,
         {"PBSZ 0", "PROT C", "PASV", "STOR f.bin", "PROT P", "PASV", "STOR f.bin", "QUIT"},
         Lines({{"< 200 PROT now Clear", "< 227 Entering Passive Mode",
                 "< 522 Data connections must be encrypted.", "< 200 PROT now Private"},
                kPrivateStoreEvents})},
        {"PASV refused with 550 naming TLS (pyftpdlib)",
         Cat({kPbszProtC,
              {C(), S("550 SSL/TLS required on the data channel."), C(), S("200 PROT now Private")},
              kStoreOk}),
         put,
         {"PBSZ 0", "PROT C", "PASV", "PROT P", "PASV", "STOR f.bin", "QUIT"},
         Lines({{"< 200 PROT now Clear", "< 550 SSL/TLS required on the data channel.",
                 "< 200 PROT now Private"},
                kPrivateStoreEvents})},
        {"clear data taken, then refused with 521: the upload once more",
         Cat({kPbszProtC,
              {C(), Pasv(), C(), DataAccept(), S("150 Ok"), DataClose(),
               S("521 Data connection cannot be opened with this PROT setting."), C(),
               S("200 PROT now Private")},
              kStoreOk}),
         put,
         {"PBSZ 0", "PROT C", "PASV", "STOR f.bin", "PROT P", "PASV", "STOR f.bin", "QUIT"},
         Lines({{"< 200 PROT now Clear", "< 227 Entering Passive Mode", "< 150 Ok",
                 "< 521 Data connection cannot be opened with this PROT setting.",
                 "< 200 PROT now Private"},
                kPrivateStoreEvents})},
        {"RETR refused with a 425 that names TLS: the download once more",
         Cat({kPbszProtC,
              {C(), Pasv(), DataAccept(), C(), S("425 TLS required on the data connection"), C(),
               S("200 PROT now Private")},
              kRetrieveOk}),
         get,
         {"PBSZ 0", "PROT C", "PASV", "RETR f.bin", "PROT P", "PASV", "RETR f.bin", "QUIT"},
         Lines({{"< 200 PROT now Clear", "< 227 Entering Passive Mode",
                 "< 425 TLS required on the data connection", "< 200 PROT now Private"},
                kPrivateRetrieveEvents}),
         "",
         ""},
        {"NLST refused with 522: the listing once more, TYPE I after it",
         Cat({{C(), S("200 A")},
              kPbszProtC,
              {C(), Pasv(), DataAccept(), C(), S("522 Data connections must be encrypted."), C(),
               S("200 PROT now Private")},
              kRetrieveOk,
              {C(), S("200 I")}}),
         list,
         {"TYPE A", "PBSZ 0", "PROT C", "PASV", "NLST", "PROT P", "PASV", "NLST", "TYPE I", "QUIT"},
         Lines({{"< 200 PROT now Clear", "< 227 Entering Passive Mode",
                 "< 522 Data connections must be encrypted.", "< 200 PROT now Private"},
                kPrivateRetrieveEvents,
                {"< 200 I"}}),
         "",
         ""},
        {"a 425 that names no TLS: no switch",
         Cat({kPbszProtC, {C(), Pasv(), C(), DataAccept(), S("425 Can't open data connection.")}}),
         put,
         {"PBSZ 0", "PROT C", "PASV", "STOR f.bin", "QUIT"},
         {"< 200 PROT now Clear", "< 227 Entering Passive Mode",
          "< 425 Can't open data connection."},
         "Can't open data connection.\r\n",
         ""},
        {"refused under PROT P as well: its text, no third attempt",
         Cat({kPbszProtCRefused,
              {C(), Pasv(), C(), DataAccept(), S("150 Ok"), DataRecvAll(),
               S("522 SSL connection failed: session reuse required")}}),
         put,
         {"PBSZ 0", "PROT C", "PROT P", "PASV", "STOR f.bin", "QUIT"},
         Lines({kProtCRefusedEvents,
                {"< 227 Entering Passive Mode", "clone resume", "< 150 Ok", "data handshake",
                 "< 522 SSL connection failed: session reuse required"}}),
         "SSL connection failed: session reuse required\r\n"},
        {"PROT P refused too: its text",
         {C(), S("200 PBSZ=0"), C(), S("534 no PROT C"), C(), S("536 no PROT P either")},
         put,
         {"PBSZ 0", "PROT C", "PROT P", "QUIT"},
         {"< 534 no PROT C", "< 536 no PROT P either"},
         "no PROT P either\r\n",
         ""},
        {"another certificate on the data connection",
         Cat({kPbszProtCRefused,
              {C(), Pasv(), C(), DataAccept(), S("150 Ok"), DataRecvAll(),
               S("426 Connection closed; transfer aborted."), C(), S("250 ok")}}),
         [](TIdFTP& f) {
             TIdMemoryStream stream("file bytes");
             EXPECT_EQ(Classify([&] { f.Put(stream, "f.bin"); }).Message,
                       "Die Datenverbindung zeigt ein anderes Zertifikat als die "
                       "Steuerverbindung.");
             f.ChangeDir("d");  // the final reply was read: in step
         },
         {"PBSZ 0", "PROT C", "PROT P", "PASV", "STOR f.bin", "CWD d", "QUIT"},
         Lines({kProtCRefusedEvents,
                {"< 227 Entering Passive Mode", "clone resume", "< 150 Ok", "data handshake",
                 "< 426 Connection closed; transfer aborted.", "< 250 ok"}}),
         "",
         "",
         [](TTlsSession& t) { t.Tls.CloneFingerprint = "CC:DD"; }},
        {"session reuse switched off",
         Cat({kPbszProtCRefused, kStoreOk}),
         put,
         {"PBSZ 0", "PROT C", "PROT P", "PASV", "STOR f.bin", "QUIT"},
         Lines({kProtCRefusedEvents,
                {"< 227 Entering Passive Mode", "clone", "< 150 Ok to send data.", "data handshake",
                 "< 226 Transfer complete."}}),
         "",
         "file bytes",
         [](TTlsSession& t) { t.Session.Ftp.SetDataSessionReuse(false); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTlsSession t({Cat({kTlsLogin, c.Steps})});
        if (c.Setup) c.Setup(t);
        t.Session.Ftp.Connect();
        EXPECT_EQ(Classify([&] { c.Op(t.Session.Ftp); }).Message, c.Message);
        EXPECT_EQ(t.CommandsAfterLogin(), c.Commands);
        EXPECT_EQ(t.EventsAfterLogin(), c.Events);
        EXPECT_EQ(t.Session.Server.DataReceived(), c.Data);
    }
}

// The switch holds for that host and port for the rest of the client's
// life: its next TLS session sends "PROT P" at once. A session without TLS
// to the same server keeps its data connections plain.
TEST(Transfer, PrivateDataIsRememberedForTheServer) {
    TTlsSession t(
        {Cat({kTlsLogin,
              {C(), S("200 PBSZ=0"), C(), S("200 PROT now Clear"), C(),
               S("550 SSL/TLS required on the data channel."), C(), S("200 P")},
              kStoreOk}),
         Cat({kTlsLogin, {C(), S("200 PBSZ=0"), C(), S("200 PROT now Private")}, kStoreOk}),
         Cat({kLogin, kStoreOk})});
    TIdFTP& ftp = t.Session.Ftp;
    TIdMemoryStream first("1"), second("2"), third("3");
    ftp.Connect();
    ftp.Put(first, "a");
    EXPECT_TRUE(ftp.PrivateData());
    ftp.Disconnect();
    ftp.Connect();
    ftp.Put(second, "b");
    EXPECT_TRUE(ftp.PrivateData());
    ftp.Disconnect();
    ftp.SetIOHandler(nullptr);
    ftp.SetUseTLS(TIdUseTLS::utNoTLSSupport);
    ftp.Connect();
    ftp.Put(third, "c");
    EXPECT_FALSE(ftp.PrivateData());
    ftp.Disconnect();
    const TLines all = t.Session.Server.Commands();
    const auto secondSession = std::find(all.begin(), all.end(), "--");
    ASSERT_NE(secondSession, all.end());
    const auto thirdSession = std::find(secondSession + 1, all.end(), "--");
    ASSERT_NE(thirdSession, all.end());
    EXPECT_EQ(TLines(secondSession + 1 + kTlsLoginCommands, thirdSession),
              (TLines{"PBSZ 0", "PROT P", "PASV", "STOR b", "QUIT"}));
    EXPECT_EQ(TLines(thirdSession + 1 + kLoginCommands, all.end()),
              (TLines{"PASV", "STOR c", "QUIT"}));
    EXPECT_EQ(t.Session.Server.DataReceived(), "123");
}

// DataPortProtection may change between the transfers of a session: the
// next transfer sends the level it wants when another one is in force, and
// "PBSZ 0" goes only once. A server that demanded "PROT P" keeps it,
// whatever the setting asks later.
TEST(Transfer, ProtectionLevelFollowsTheSettingFromTransferToTransfer) {
    auto transfers = [](TIdFTP& f) {
        TIdMemoryStream shared("file bytes"), table;
        f.Put(shared, "f.bin");
        f.SetDataPortProtection(TIdFTPDataPortSecurity::ftpdpsPrivate);
        f.Get("f.bin", table);
        f.Get("f.bin", table);
        f.SetDataPortProtection(TIdFTPDataPortSecurity::ftpdpsClear);
        f.Put(shared, "f.bin");
    };
    const struct {
        const char* Name;
        TScript Steps;
        TLines Commands;  // after the login
    } cases[] = {
        {"clear, private twice, clear again",
         Cat({kPbszProtC,
              kStoreOk,
              {C(), S("200 PROT now Private")},
              kRetrieveOk,
              kRetrieveOk,
              {C(), S("200 PROT now Clear")},
              kStoreOk}),
         {"PBSZ 0", "PROT C", "PASV", "STOR f.bin", "PROT P", "PASV", "RETR f.bin", "PASV",
          "RETR f.bin", "PROT C", "PASV", "STOR f.bin", "QUIT"}},
        {"a server that refused PROT C stays private",
         Cat({kPbszProtCRefused, kStoreOk, kRetrieveOk, kRetrieveOk, kStoreOk}),
         {"PBSZ 0", "PROT C", "PROT P", "PASV", "STOR f.bin", "PASV", "RETR f.bin", "PASV",
          "RETR f.bin", "PASV", "STOR f.bin", "QUIT"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTlsSession t({Cat({kTlsLogin, c.Steps})});
        t.Session.Ftp.Connect();
        EXPECT_EQ(Classify([&] { transfers(t.Session.Ftp); }).Message, "");
        EXPECT_EQ(t.CommandsAfterLogin(), c.Commands);
        EXPECT_EQ(t.Session.Server.DataReceived(), "file bytesfile bytes");
    }
}

}  // namespace
}  // namespace vd::ftp::test
