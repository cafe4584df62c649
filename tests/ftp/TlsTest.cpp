// The TLS layer against real peers: pyftpdlib's TLS handler, a scripted
// TLS server (Python's ssl) and `openssl s_server`.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "EIdOpenSSLError.h"
#include "PyFtpServer.h"
#include "ScriptHelpers.h"
#include "SocketErrors.h"
#include "TIdFTP.h"
#include "TIdSSLIOHandlerSocketOpenSSL.h"
#include "TestUtil.h"
#include "TlsPeers.h"
#include "VsftpdServer.h"

namespace vd::ftp::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using vd::test::TOpenSSLServer;
using vd::test::TPyFtpServer;
using vd::test::TPyFtpServerOptions;
using vd::test::TTestCertificates;
using vd::test::TTlsScriptPeer;
using vd::test::TVsftpdServer;

// The handler as the application configures it.
void ConfigureLikeTheApp(TIdSSLIOHandlerSocketOpenSSL& tls, TIdConnectionIntercept* log) {
    tls.SetIntercept(log);
    tls.SetMaxLineAction(TIdMaxLineAction::maException);
    tls.SetPort(21);
    tls.SetReadTimeout(60000);
    tls.SSLOptions().SetMethod(TIdSSLVersion::sslvTLSv1_2);
    tls.SSLOptions().SetSSLVersions({TIdSSLVersion::sslvTLSv1_2});
    tls.SSLOptions().SetMode(TIdSSLMode::sslmUnassigned);
    tls.SSLOptions().SetVerifyMode({});
    tls.SSLOptions().SetVerifyDepth(0);
}

void UseTLS(TIdFTP& ftp, TIdSSLIOHandlerSocketOpenSSL& tls, const std::string& host, uint16_t port,
            const std::string& user = "velodrop", const std::string& password = "s3cret pw") {
    PointAt(ftp, port, {.Host = host, .User = user, .Password = password});
    ftp.SetIOHandler(&tls);
    ftp.SetUseTLS(TIdUseTLS::utUseRequireTLS);
}

// The traffic log's lines (written without times).
class TTrafficLog {
  public:
    TTrafficLog()
        : FPath(fs::temp_directory_path() / ("vd-tls-" + std::to_string(::getpid()) + ".log")) {
        fs::remove(FPath);
        Log.SetFilename(FPath);
        Log.SetLogTime(false);
    }
    ~TTrafficLog() { fs::remove(FPath); }
    TLines Lines() const {
        std::ifstream in(FPath, std::ios::binary);
        TLines lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
    TIdLogFile Log;

  private:
    std::string FPath;
};

// The handler configured as the application does it, and the traffic of
// both the handler and the client logged from here on.
void LogTraffic(TIdFTP& ftp, TIdSSLIOHandlerSocketOpenSSL& tls, TTrafficLog& traffic) {
    ConfigureLikeTheApp(tls, &traffic.Log);
    ftp.SetIntercept(&traffic.Log);
    traffic.Log.SetActive(true);
}

size_t IndexOf(const TLines& lines, const std::string& line, size_t from = 0) {
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i] == line) return i;
    return lines.size();
}

// --- options ---------------------------------------------------------------

TEST(TlsOptions, MethodAndVersionsKeepEachOtherConsistent) {
    using V = TIdSSLVersion;
    const TIdSSLVersions all = TIdSSLOptions::AllVersions();
    TIdSSLOptions fresh;
    EXPECT_EQ(fresh.Method(), V::sslvTLSv1);
    EXPECT_EQ(fresh.SSLVersions(), TIdSSLVersions{V::sslvTLSv1});

    struct TCase {
        std::function<void(TIdSSLOptions&)> Set;
        V Method;
        TIdSSLVersions Versions;
    } cases[] = {
        {[](TIdSSLOptions& o) { o.SetMethod(V::sslvTLSv1_1); }, V::sslvTLSv1_1, {V::sslvTLSv1_1}},
        {[](TIdSSLOptions& o) { o.SetMethod(V::sslvSSLv23); }, V::sslvSSLv23, all},
        {[](TIdSSLOptions& o) { o.SetSSLVersions({V::sslvSSLv3}); }, V::sslvSSLv3, {V::sslvSSLv3}},
        {[](TIdSSLOptions& o) {
             o.SetSSLVersions({V::sslvTLSv1, V::sslvTLSv1_2});
         },
         V::sslvSSLv23,
         {V::sslvTLSv1, V::sslvTLSv1_2}},
        {[](TIdSSLOptions& o) {
             o.SetSSLVersions({V::sslvSSLv23, V::sslvTLSv1_2});
         },
         V::sslvSSLv23,
         {V::sslvTLSv1_2}},
        {[](TIdSSLOptions& o) { o.SetSSLVersions({V::sslvSSLv23}); }, V::sslvSSLv23, all},
        {[](TIdSSLOptions& o) { o.SetSSLVersions({}); }, V::sslvSSLv23, all},
        // The application's sequence.
        {[](TIdSSLOptions& o) {
             o.SetMethod(V::sslvTLSv1_2);
             o.SetSSLVersions({V::sslvTLSv1_2});
         },
         V::sslvTLSv1_2,
         {V::sslvTLSv1_2}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        TIdSSLOptions o;
        cases[i].Set(o);
        EXPECT_EQ(o.Method(), cases[i].Method);
        EXPECT_EQ(o.SSLVersions(), cases[i].Versions);
    }
}

TEST(TlsOptions, ContextLimitsTheProtocolRangeToTheChosenVersions) {
    using V = TIdSSLVersion;
    struct TCase {
        TIdSSLVersions Versions;
        int Min, Max;
    } cases[] = {
        {{V::sslvTLSv1_2}, 0x0303, 0x0303},
        {{V::sslvTLSv1, V::sslvTLSv1_2}, 0x0301, 0x0303},
        {TIdSSLOptions::AllVersions(), 0x0300, 0x0303},  // SSL 2 does not exist in OpenSSL 3
    };
    for (const auto& c : cases) {
        TIdSSLOptions o;
        o.SetSSLVersions(c.Versions);
        TIdSSLContext context(TIdOpenSSLLibrary::Default(), o, nullptr);
        context.InitContext(TIdSSLCtxMode::sslCtxClient);
        EXPECT_EQ(context.Mode(), TIdSSLMode::sslmClient);  // unassigned becomes client
        EXPECT_EQ(context.MinProtoVersion(), c.Min);
        EXPECT_EQ(context.MaxProtoVersion(), c.Max);
    }
    TIdSSLOptions onlySSLv2;
    onlySSLv2.SetMethod(V::sslvSSLv2);
    TIdSSLContext context(TIdOpenSSLLibrary::Default(), onlySSLv2, nullptr);
    EXPECT_EQ(Classify([&] { context.InitContext(TIdSSLCtxMode::sslCtxClient); }).Message,
              "Fehler beim Abrufen einer SSL-Methode.");
    TIdSSLOptions badCiphers;
    badCiphers.SetCipherList("NO-SUCH-CIPHER");
    TIdSSLContext rejecting(TIdOpenSSLLibrary::Default(), badCiphers, nullptr);
    EXPECT_EQ(Classify([&] { rejecting.InitContext(TIdSSLCtxMode::sslCtxClient); }).Message,
              "SetCipher fehlgeschlagen.");
}

// --- loader ------------------------------------------------------------------

TEST(TlsLoader, LoadsOnceAcrossThreads) {
    TIdOpenSSLLibrary library;
    std::vector<std::thread> threads;
    std::atomic<int> usable{0};
    for (int i = 0; i < 8; ++i) threads.emplace_back([&] { usable += library.Load() ? 1 : 0; });
    for (auto& t : threads) t.join();
    EXPECT_EQ(usable.load(), 8);
    EXPECT_EQ(library.LoadCount(), 1);
    EXPECT_TRUE(library.FailedLoadList().empty());
}

TEST(TlsLoader, MissingLibraryShowsOnlyAtTheHandshake) {
    TPyFtpServerOptions options;
    options.Tls = true;
    TPyFtpServer server(options);
    TIdOpenSSLLibrary missing(
        TIdOpenSSLLibrary::TNames{"libvelodrop-no-such-crypto.so.3", "libssl.so.3"});
    std::string sent, received;
    TIdConnectionIntercept watch;
    watch.OnSend = [&](TIdConnectionIntercept&, std::string& b) { sent += b; };
    watch.OnReceive = [&](TIdConnectionIntercept&, std::string& b) { received += b; };
    TIdSSLIOHandlerSocketOpenSSL tls;
    tls.SetLibrary(&missing);
    TIdFTP ftp;
    ftp.SetIntercept(&watch);
    UseTLS(ftp, tls, server.Host(), server.Port());
    std::string inner;
    try {
        ftp.Connect();
    } catch (const EIdTLSClientTLSHandShakeFailed& e) {
        inner = e.InnerMessage();
        EXPECT_STREQ(e.what(), "SSL-Aushandlung fehlgeschlagen.");
    }
    EXPECT_EQ(inner, "SSL.-Bibliothek konnte nicht geladen werden.");
    EXPECT_THAT(received, StartsWith("220 "));
    EXPECT_THAT(sent, HasSubstr("AUTH TLS\r\n"));
    EXPECT_THAT(received, HasSubstr("234 "));
    EXPECT_THAT(sent, ::testing::Not(HasSubstr("USER")));
    EXPECT_FALSE(ftp.Connected());
    ASSERT_FALSE(missing.FailedLoadList().empty());
    EXPECT_THAT(missing.FailedLoadList().front(), HasSubstr("libvelodrop-no-such-crypto.so.3"));
    EXPECT_FALSE(missing.Loaded());
}

// --- pyftpdlib ---------------------------------------------------------------

TEST(TlsRealServer, SessionsUploadListDeleteWithThePlainTextLogged) {
    TPyFtpServerOptions options;
    options.Tls = true;
    TPyFtpServer server(options);
    TTrafficLog traffic;
    TIdSSLIOHandlerSocketOpenSSL tls;
    TIdFTP ftp;
    LogTraffic(ftp, tls, traffic);
    std::string status;
    tls.OnStatusInfo = [&](const std::string& s) { status = s; };
    for (int session = 0; session < 2; ++session) {
        SCOPED_TRACE(session);
        UseTLS(ftp, tls, "localhost", server.Port());
        ftp.Connect();
        EXPECT_TRUE(ftp.TLSInUse());
        EXPECT_THAT(status, HasSubstr("version = TLSv1.2;"));
        for (const size_t size : {size_t{0}, size_t{1}, size_t{32769}}) {
            std::string bytes(size, '\0');
            for (size_t i = 0; i < size; ++i)
                bytes[i] = static_cast<char>((i * 131 + session) & 0xFF);
            TIdMemoryStream stream(bytes);
            const std::string name = "f" + std::to_string(session) + "_" + std::to_string(size);
            ftp.Put(stream, name);
            EXPECT_EQ(server.ReadFile(name), bytes);
        }
        ftp.MakeDir("sub" + std::to_string(session));
        ftp.ChangeDir("sub" + std::to_string(session));
        ftp.ChangeDir("/");
        std::vector<std::string> names;
        ftp.List(names);
        EXPECT_THAT(names, ::testing::Contains("f" + std::to_string(session) + "_32769"));
        ftp.Delete("f" + std::to_string(session) + "_1");
        EXPECT_FALSE(server.Exists("f" + std::to_string(session) + "_1"));
        ftp.Disconnect();
        EXPECT_EQ(tls.SSLContext(), nullptr);  // a new context for every connection
    }
    traffic.Log.SetActive(false);

    const TLines lines = traffic.Lines();
    // Each session: "AUTH TLS" in clear, then every command in plain text,
    // "PBSZ 0" and "PROT C" once and before the first "PASV".
    size_t from = 0;
    for (int session = 0; session < 2; ++session) {
        SCOPED_TRACE(session);
        const size_t auth = IndexOf(lines, "Ges : AUTH TLS<EOL>", from);
        ASSERT_LT(auth, lines.size());
        EXPECT_THAT(lines[auth + 1], StartsWith("Erh : 234 "));
        const size_t user = IndexOf(lines, "Ges : USER velodrop<EOL>", auth);
        const size_t pass = IndexOf(lines, "Ges : PASS ********<EOL>", user);
        const size_t pbsz = IndexOf(lines, "Ges : PBSZ 0<EOL>", pass);
        const size_t prot = IndexOf(lines, "Ges : PROT C<EOL>", pbsz);
        const size_t pasv = IndexOf(lines, "Ges : PASV<EOL>", pass);
        const size_t quit = IndexOf(lines, "Ges : QUIT<EOL>", pass);
        ASSERT_LT(quit, lines.size());
        EXPECT_LT(user, pass);
        EXPECT_LT(pbsz, prot);
        EXPECT_LT(prot, pasv);
        EXPECT_EQ(IndexOf(lines, "Ges : PBSZ 0<EOL>", pbsz + 1),
                  IndexOf(lines, "Ges : PBSZ 0<EOL>", quit));
        EXPECT_LT(IndexOf(lines, "Ges : STOR f" + std::to_string(session) + "_0<EOL>", pasv), quit);
        from = quit + 1;
    }
    for (const auto& line : lines)
        for (const char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << line;
}

// The certificate is shown to the caller right after the handshake and
// before the login: what was sent by then ends with "AUTH TLS". A caller
// that refuses it ends the session with nothing more sent.
TEST(TlsRealServer, ServerCertificateIsCheckedBeforeTheLogin) {
    TPyFtpServerOptions options;
    options.Tls = true;
    TPyFtpServer server(options);
    const std::string expected = vd::test::CertificateFingerprint(server.CertFile());
    std::string sent;
    TIdConnectionIntercept watch;
    watch.OnSend = [&](TIdConnectionIntercept&, std::string& b) { sent += b; };
    TIdSSLIOHandlerSocketOpenSSL tls;
    ConfigureLikeTheApp(tls, &watch);
    TIdFTP ftp;
    ftp.SetIntercept(&watch);
    for (const bool refuse : {false, true}) {
        SCOPED_TRACE(refuse ? "refused" : "accepted");
        sent.clear();
        std::string shown, sentByThen;
        ftp.OnServerCertificate = [&](const std::string& fingerprint) {
            shown = fingerprint;
            sentByThen = sent;
            if (refuse) throw EIdException("not this one");
        };
        UseTLS(ftp, tls, "localhost", server.Port());
        const TOutcome outcome = Classify([&] { ftp.Connect(); });
        EXPECT_EQ(shown, expected);
        EXPECT_THAT(sentByThen, ::testing::EndsWith("AUTH TLS\r\n"));
        if (refuse) {
            EXPECT_EQ(outcome.Message, "not this one");
            EXPECT_EQ(sent, sentByThen);  // no USER, no QUIT
            EXPECT_FALSE(ftp.Connected());
        } else {
            EXPECT_EQ(outcome.Message, "");
            EXPECT_THAT(sent, HasSubstr("USER velodrop\r\n"));
            ftp.Disconnect();
        }
    }
}

TEST(TlsRealServer, RequiredTLSAgainstAPlainServerNeverLogsInInClear) {
    TPyFtpServer server;  // no TLS: every AUTH is refused
    TTrafficLog traffic;
    TIdSSLIOHandlerSocketOpenSSL tls;
    TIdFTP ftp;
    LogTraffic(ftp, tls, traffic);
    UseTLS(ftp, tls, server.Host(), server.Port());
    const TOutcome outcome = Classify([&] { ftp.Connect(); });
    traffic.Log.SetActive(false);
    EXPECT_EQ(outcome.Class, "EIdTLSClientTLSNotAvailable");
    EXPECT_EQ(outcome.Message, "SSL ist auf diesem Server nicht verfügbar.");
    EXPECT_FALSE(ftp.Connected());
    TLines sent;
    for (const auto& line : traffic.Lines())
        if (line.rfind("Ges : ", 0) == 0) sent.push_back(line.substr(6));
    EXPECT_EQ(sent, (TLines{"HOST [127.0.0.1]<EOL>", "AUTH TLS<EOL>", "AUTH SSL<EOL>",
                            "AUTH TLS-C<EOL>", "AUTH TLS-P<EOL>", "QUIT<EOL>"}));
}

// A failed session (login refused, then a handshake that fails) leaves the
// handler ready for the next one; OpenSSL is loaded once, every connection
// makes its own context.
TEST(TlsRealServer, FailedSessionsAreFollowedByWorkingOnes) {
    TPyFtpServerOptions options;
    options.Tls = true;
    TPyFtpServer server(options);
    TTlsScriptPeer broken(
        {"send:220 scripted", "recv", "send:500 no HOST", "recv", "send:234 go", "close"});
    TIdOpenSSLLibrary library;
    TIdSSLIOHandlerSocketOpenSSL tls;
    ConfigureLikeTheApp(tls, nullptr);
    tls.SetLibrary(&library);
    TIdFTP ftp;

    UseTLS(ftp, tls, server.Host(), server.Port(), "velodrop", "wrong");
    EXPECT_EQ(Classify([&] { ftp.Connect(); }).Class, "EIdReplyRFCError");
    UseTLS(ftp, tls, "127.0.0.1", broken.Port());
    EXPECT_EQ(Classify([&] { ftp.Connect(); }).Class, "EIdTLSClientTLSHandShakeFailed");
    // TLS switched off for one session (the client's own plain handler),
    // then on again.
    ftp.SetIOHandler(nullptr);
    ftp.SetUseTLS(TIdUseTLS::utNoTLSSupport);
    ftp.SetHost(server.Host());
    ftp.SetPort(server.Port());
    ftp.Connect();
    EXPECT_FALSE(ftp.TLSInUse());
    ftp.Disconnect();
    for (const char* name : {"third.txt", "fourth.txt"}) {
        UseTLS(ftp, tls, server.Host(), server.Port());
        ftp.Connect();
        EXPECT_TRUE(ftp.TLSInUse());
        TIdMemoryStream data(name);
        ftp.Put(data, name);
        ftp.Disconnect();
        EXPECT_EQ(server.ReadFile(name), name);
    }
    EXPECT_EQ(library.LoadCount(), 1);
    EXPECT_EQ(library.ContextsCreated(), 4);
}

// --- vsftpd: encrypted data connections that resume the session ------------

#define VD_NEED_VSFTPD() \
    if (const std::string why = TVsftpdServer::Unusable(); !why.empty()) GTEST_SKIP() << why

void UseTLSOn(TIdFTP& ftp, TIdSSLIOHandlerSocketOpenSSL& tls, const TVsftpdServer& server) {
    UseTLS(ftp, tls, "localhost", server.Port(), server.User(), server.Password());
}

// Against servers that demand encrypted data, every kind of transfer goes
// over TLS data connections that start after the preliminary reply (earlier
// pyftpdlib resets them, vsftpd waits) and resume the control connection's
// session (vsftpd refuses them otherwise). The refusal of clear data comes
// once, at the first transfer.
TEST(TlsStrictServer, EveryKindOfTransferWithEncryptedData) {
    VD_NEED_VSFTPD();
    TVsftpdServer vsftpd;
    TPyFtpServerOptions options;
    options.Tls = true;
    options.TlsDataRequired = true;
    TPyFtpServer pyftpd(options);
    struct TCase {
        const char* Name;
        uint16_t Port;
        std::string User, Password;
        std::function<std::string(const std::string&)> Read;
        std::function<bool(const std::string&)> Exists;
        std::string Refusal;
        long Stores;  // "STOR t.txt" sent: twice when the refusal answers it
    } cases[] = {
        {"strict vsftpd", vsftpd.Port(), vsftpd.User(), vsftpd.Password(),
         [&](const std::string& f) { return vsftpd.ReadFile(f); },
         [&](const std::string& f) { return vsftpd.Exists(f); },
         "522 Data connections must be encrypted.<EOL>", 2},
        {"pyftpdlib, TLS data required", pyftpd.Port(), pyftpd.User(), pyftpd.Password(),
         [&](const std::string& f) { return pyftpd.ReadFile(f); },
         [&](const std::string& f) { return pyftpd.Exists(f); },
         "550 SSL/TLS required on the data channel.<EOL>", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTrafficLog traffic;
        TIdSSLIOHandlerSocketOpenSSL tls;
        TIdFTP ftp;
        LogTraffic(ftp, tls, traffic);
        UseTLS(ftp, tls, "localhost", c.Port, c.User, c.Password);
        ftp.Connect();
        TIdMemoryStream first("first part\n"), second("second part\n");
        ftp.Put(first, "t.txt");
        ftp.Append(second, "t.txt");
        EXPECT_EQ(c.Read("t.txt"), "first part\nsecond part\n");
        TIdMemoryStream got;
        ftp.Get("t.txt", got, true);
        EXPECT_EQ(got.Bytes(), "first part\nsecond part\n");
        std::vector<std::string> names;
        ftp.List(names);
        EXPECT_EQ(names, TLines{"t.txt"});
        ftp.Delete("t.txt");
        EXPECT_FALSE(c.Exists("t.txt"));
        EXPECT_TRUE(ftp.PrivateData());
        ftp.Disconnect();
        traffic.Log.SetActive(false);

        TLines sent, refusals;
        for (const auto& line : traffic.Lines()) {
            if (line.rfind("Ges : ", 0) == 0) sent.push_back(line.substr(6));
            if (line.rfind("Erh : 522 ", 0) == 0 || line.rfind("Erh : 550 ", 0) == 0)
                refusals.push_back(line.substr(6));
        }
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "PROT C<EOL>"), 1);
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "PROT P<EOL>"), 1);
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "STOR t.txt<EOL>"), c.Stores);
        EXPECT_EQ(refusals, TLines{c.Refusal});
    }
}

// The session reuse is what strict vsftpd checks: without it the data
// connection is refused with the server's reason (and vsftpd ends the
// session); with it, the next session's upload goes through.
TEST(TlsStrictServer, DataConnectionWithoutSessionReuseIsRefused) {
    VD_NEED_VSFTPD();
    TVsftpdServer server;
    TIdSSLIOHandlerSocketOpenSSL tls;
    ConfigureLikeTheApp(tls, nullptr);
    TIdFTP ftp;
    ftp.SetDataPortProtection(TIdFTPDataPortSecurity::ftpdpsPrivate);
    for (const bool reuse : {false, true}) {
        SCOPED_TRACE(reuse ? "with reuse" : "without reuse");
        UseTLSOn(ftp, tls, server);
        ftp.Connect();
        ftp.SetDataSessionReuse(reuse);
        TIdMemoryStream data("payload");
        const TOutcome outcome = Classify([&] { ftp.Put(data, "x.bin"); });
        EXPECT_EQ(outcome.Message,
                  reuse ? "" : "SSL connection failed: session reuse required\r\n");
        EXPECT_EQ(server.ReadFile("x.bin"), reuse ? "payload" : "");
        ftp.Disconnect();
    }
}

// --- handshake failures against scripted servers and s_server ---------------

const TLines kBeforeAuth = {"send:220 scripted", "recv", "send:500 no HOST", "recv"};

// A scripted TLS peer and a client pointed at it, over a handler
// configured as the application does it; not connected yet.
struct TScriptedPeerClient {
    TTlsScriptPeer Peer;
    TIdSSLIOHandlerSocketOpenSSL Tls;
    TIdFTP Ftp;
    TScriptedPeerClient(const TLines& steps, const std::string& host) : Peer(steps) {
        ConfigureLikeTheApp(Tls, nullptr);
        UseTLS(Ftp, Tls, host, Peer.Port());
    }
};

TEST(TlsHandshake, FailuresCloseWithoutQuitAndKeepTheReason) {
    const TTestCertificates& certs = TTestCertificates::Get();
    TOpenSSLServer tls13(certs.Cert, certs.Key, {"-tls1_3", "-rev"});
    struct TCase {
        const char* Name;
        TLines Steps;
        std::function<void(const std::string&)> CheckInner;
    } cases[] = {
        {"a server with TLS 1.3 only",
         Lines({kBeforeAuth, {"send:234 go", "relay:" + std::to_string(tls13.Port())}}),
         [](const std::string& inner) {
             EXPECT_THAT(inner, StartsWith("Fehler beim Verbinden mit SSL.\r\nerror:"));
             EXPECT_THAT(inner, HasSubstr("protocol version"));
         }},
        {"234, then silence", Lines({kBeforeAuth, {"send:234 go", "sleep:2000"}}),
         [](const std::string& inner) { EXPECT_EQ(inner, SocketErrorMessage(kWSAETIMEDOUT)); }},
        // "shutdown", not "close": a close that meets the client hello unread
        // would reset the connection, and the client would see that instead.
        {"234, then the server closes", Lines({kBeforeAuth, {"send:234 go", "shutdown"}}),
         [](const std::string& inner) {
             EXPECT_EQ(inner,
                       "Fehler beim Verbinden mit SSL.\r\nEOF festgestellt, das gegen das "
                       "Protokoll verstößt");
         }},
        {"a reply injected after 234",
         Lines({kBeforeAuth, {"raw:234 go\\r\\n230 Logged in\\r\\n", "sleep:500"}}),
         [](const std::string& inner) {
             EXPECT_EQ(inner, EIdOSSLPlainDataBeforeHandshake::kMessage);
         }},
        {"plain text instead of a handshake",
         Lines({kBeforeAuth,
                {"send:234 go", "sleep:200", "raw:500 OOPS: could not start TLS\\r\\n", "close"}}),
         [](const std::string& inner) {
             EXPECT_THAT(inner, StartsWith("Fehler beim Verbinden mit SSL.\r\nerror:"));
             EXPECT_THAT(
                 inner,
                 HasSubstr(
                     "\r\nUnverschlüsselte Antwort des Servers: 500 OOPS: could not start TLS"));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TScriptedPeerClient s(c.Steps, "127.0.0.1");
        s.Ftp.SetReadTimeout(300);
        std::string inner = "(no failure)";
        try {
            s.Ftp.Connect();
        } catch (const EIdTLSClientTLSHandShakeFailed& e) {
            inner = e.InnerMessage();
        }
        c.CheckInner(inner);
        EXPECT_FALSE(s.Ftp.Connected());
        EXPECT_EQ(s.Tls.SSLContext(), nullptr);
        // After AUTH only the handshake's bytes: no login, no QUIT.
        const TLines commands = s.Peer.Commands();
        ASSERT_GE(commands.size(), 2u);
        EXPECT_EQ(TLines(commands.begin(), commands.begin() + 2),
                  (TLines{"HOST [127.0.0.1]", "AUTH TLS"}));
        for (const auto& line : commands) {
            EXPECT_NE(line, "QUIT");
            EXPECT_THAT(line, ::testing::Not(StartsWith("USER")));
        }
    }
}

// --- sessions against the scripted server -----------------------------------

const TLines kHandshake = Lines({kBeforeAuth, {"send:234 go", "starttls", "recv"}});
const TLines kRestOfLogin = {"send:331 pw",      "recv", "send:230 in", "recv",
                             "send:500 no FEAT", "recv", "send:200 I",  "recv",
                             "send:215 UNIX",    "recv", "send:200 I"};

TEST(TlsSession, ScriptedServerAfterTheHandshake) {
    struct TCase {
        const char* Name;
        std::string Host;
        TLines Steps;
        std::string Class;
        std::string MessagePart;
        TLines Report;  // lines the peer must have reported, in order
    } cases[] = {
        {"a full login; Disconnect sends QUIT and one close notification",
         "127.0.0.1",
         Lines({kHandshake, kRestOfLogin}),
         "",
         "",
         {"SNI -", "VERSION TLSv1.2", "CMD USER velodrop", "CMD QUIT", "CLOSE_NOTIFY"}},
        {"the server name is sent for a host name",
         "localhost",
         Lines({kHandshake, kRestOfLogin}),
         "",
         "",
         {"SNI localhost"}},
        {"334 starts the handshake as 234 does",
         "127.0.0.1",
         Lines({kBeforeAuth, {"send:334 go ahead", "starttls", "recv"}, kRestOfLogin}),
         "",
         "",
         {"VERSION TLSv1.2", "CMD USER velodrop", "CMD QUIT", "CLOSE_NOTIFY"}},
        {"the server's close notification reads as the peer closing",
         "127.0.0.1",
         Lines({kHandshake, {"close_notify", "sleep:300", "close"}}),
         "EIdConnClosedGracefully",
         "Die Verbindung wurde erfolgreich geschlossen.",
         {"CMD USER velodrop"}},
        {"a plain-text error inside the session is quoted",
         "127.0.0.1",
         Lines({kHandshake,
                {"raw:500 OOPS: vsftpd: refusing to run with writable root inside chroot()\\r\\n",
                 "close"}}),
         "EIdException",
         "Unverschlüsselte Antwort des Servers: 500 OOPS: vsftpd: refusing to run with writable "
         "root",
         {"CMD USER velodrop"}},
        {"no reply within ReadTimeout",
         "127.0.0.1",
         Lines({kHandshake, {"sleep:1500"}}),
         "EIdReadTimeout",
         "Zeitüberschreitung beim Lesen.",
         {"CMD USER velodrop"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TScriptedPeerClient s(c.Steps, c.Host);
        if (!c.Class.empty()) s.Ftp.SetReadTimeout(500);
        const TOutcome outcome = Classify([&] { s.Ftp.Connect(); });
        EXPECT_EQ(outcome.Class, c.Class);
        EXPECT_THAT(outcome.Message, HasSubstr(c.MessagePart));
        s.Ftp.Disconnect();
        const TLines report = s.Peer.Report();
        size_t at = 0;
        for (const auto& want : c.Report) {
            at = IndexOf(report, want, at);
            EXPECT_LT(at, report.size()) << "missing or out of order: " << want;
        }
    }
}

// A reply trickled in one TLS record, a byte every 20 ms: each byte comes
// well within the read timeout, but the whole reply still ends at its
// deadline (twice the read timeout) as it does in clear, long before the
// record is complete, and the connection goes without a further command.
TEST(TlsSession, ReplyTrickledInOneRecordEndsAtItsDeadline) {
    const std::string reply = "331 " + std::string(1000, 'x');  // about 21 s in all
    TScriptedPeerClient s(Lines({kHandshake, {"trickle:20:" + reply}}), "127.0.0.1");
    s.Ftp.SetReadTimeout(500);
    const auto start = std::chrono::steady_clock::now();
    const TOutcome outcome = Classify([&] { s.Ftp.Connect(); });
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(outcome.Class, "EIdReadTimeout");
    EXPECT_EQ(outcome.Message, "Zeitüberschreitung beim Lesen.");
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_FALSE(s.Ftp.Connected());
    const TLines report = s.Peer.Report();
    EXPECT_LT(IndexOf(report, "CMD USER velodrop"), report.size());
    for (const std::string& line : report) EXPECT_NE(line.rfind("CMD PASS", 0), 0u) << line;
}

// --- the handler on its own ---------------------------------------------------

// Opens the handler on the peer, reads the greeting, sends AUTH, reads
// 234 and starts TLS.
void ExplicitHandshake(TIdSSLIOHandlerSocketOpenSSL& tls, uint16_t port) {
    tls.SSLOptions().SetMethod(TIdSSLVersion::sslvTLSv1_2);
    tls.SetHost("127.0.0.1");
    tls.SetPort(port);
    tls.SetPassThrough(true);
    tls.Open();
    EXPECT_EQ(tls.ReadLn(), "220 scripted");
    tls.WriteLn("AUTH TLS");
    EXPECT_EQ(tls.ReadLn(), "234 go");
    tls.SetPassThrough(false);
    ASSERT_TRUE(tls.TLSActive());
}

int SocketTimeoutMs(int fd, int option) {
    timeval tv{};
    socklen_t len = sizeof tv;
    ::getsockopt(fd, SOL_SOCKET, option, &tv, &len);
    return static_cast<int>(tv.tv_sec * 1000 + tv.tv_usec / 1000);
}

TEST(TlsHandler, SocketTimeoutsDuringTLSFollowReadTimeout) {
    const std::pair<int, int> cases[] = {{1500, 1500}, {0, 30000}, {-1, 30000}};
    for (const auto& [readTimeout, expected] : cases) {
        SCOPED_TRACE(readTimeout);
        TTlsScriptPeer peer({"send:220 scripted", "recv", "send:234 go", "starttls"});
        TIdSSLIOHandlerSocketOpenSSL tls;
        tls.SetReadTimeout(readTimeout);
        ExplicitHandshake(tls, peer.Port());
        EXPECT_EQ(SocketTimeoutMs(tls.Handle(), SO_RCVTIMEO), expected);
        EXPECT_EQ(SocketTimeoutMs(tls.Handle(), SO_SNDTIMEO), expected);
        tls.SetPassThrough(true);  // back to plain: no socket timeouts
        EXPECT_EQ(SocketTimeoutMs(tls.Handle(), SO_RCVTIMEO), 0);
        tls.Close();
    }
}

TEST(TlsHandler, DecryptedBytesWaitingInOpenSSLAreReadable) {
    TTlsScriptPeer peer({"send:220 scripted", "recv", "send:234 go", "starttls",
                         "send:211 one record holding more than one small read"});
    TIdSSLIOHandlerSocketOpenSSL tls;
    tls.SetReadTimeout(3000);
    tls.SetRecvBufferSize(4);
    ExplicitHandshake(tls, peer.Port());
    ASSERT_TRUE(tls.CheckForDataOnSource(3000));
    EXPECT_EQ(tls.InputBuffer(), "211 ");
    EXPECT_TRUE(tls.Readable(0));  // the rest of the record is inside OpenSSL, not on the socket
    EXPECT_EQ(tls.ReadLn(), "211 one record holding more than one small read");
    EXPECT_FALSE(tls.ReadLnTimedOut());
    tls.Close();
}

TEST(TlsHandler, WritesAfterTheServerLeftFailWithoutKillingTheProcess) {
    TTlsScriptPeer peer({"send:220 scripted", "recv", "send:234 go", "starttls", "close"});
    TIdSSLIOHandlerSocketOpenSSL tls;
    tls.SetReadTimeout(3000);
    ExplicitHandshake(tls, peer.Port());
    peer.Report();  // the peer has closed
    std::string failure;
    for (int i = 0; i < 5 && failure.empty(); ++i) {
        try {
            tls.WriteLn("NOOP");  // the first may still go out; the next meets the reset (EPIPE)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } catch (const EIdException& e) {
            failure = e.what();
        }
    }
    EXPECT_FALSE(failure.empty());
    EXPECT_FALSE(tls.Opened());
}

// An expired certificate issued for another name is accepted (no
// verification); PassThrough off before the connect starts TLS right
// after it. s_server -rev answers each line reversed.
TEST(TlsHandler, ExpiredCertificateForAnotherNameIsAccepted) {
    const TTestCertificates& certs = TTestCertificates::Get();
    TOpenSSLServer server(certs.ExpiredCert, certs.ExpiredKey, {"-rev"});
    TIdSSLIOHandlerSocketOpenSSL tls;
    ConfigureLikeTheApp(tls, nullptr);
    tls.SetReadTimeout(5000);
    std::string status;
    tls.OnStatusInfo = [&](const std::string& s) { status = s; };
    tls.SetHost("localhost");
    tls.SetPort(server.Port());
    tls.SetPassThrough(false);  // no connection yet: only the flag changes
    EXPECT_EQ(tls.SSLContext(), nullptr);
    tls.Open();
    EXPECT_TRUE(tls.TLSActive());
    EXPECT_THAT(status, HasSubstr("version = TLSv1.2;"));
    tls.WriteLn("ereh KO 032");
    EXPECT_EQ(tls.ReadLn(), "230 OK here");
    tls.Close();
}

}  // namespace
}  // namespace vd::ftp::test
