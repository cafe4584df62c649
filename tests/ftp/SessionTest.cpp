// Connect, login, explicit TLS rules and disconnect against the scripted
// server: each case is {server script} -> {client's lines, error}.
#include <gtest/gtest.h>

#include "FakeFtpServer.h"
#include "FakeTLSHandler.h"
#include "FtpParsing.h"
#include "ListeningPort.h"
#include "OtpHash.h"
#include "ScriptHelpers.h"
#include "TIdFTP.h"
#include "TIdIntercept.h"
#include "TestUtil.h"

namespace vd::ftp::test {
namespace {

const TScript kHostRefused = {C(), S("500 HOST not understood")};
const TScript kPassword = {C(), S("331 Password required"), C(), S("230 Logged in")};
const TScript kAfterLogin = {C(), S("500 FEAT not understood"), C(), S("200 Type set to I"),
                             C(), S("215 UNIX Type: L8"),       C(), S("200 Type set to I")};
const TLines kAfterLoginCmds = {"FEAT", "TYPE I", "SYST", "TYPE I"};
const TLines kTlsLoginCmds = {"HOST [127.0.0.1]", "AUTH TLS", "USER user", "PASS pw"};

struct TSessionCase {
    const char* Name;
    std::vector<TScript> Sessions;
    TLines Commands;
    std::string Class{};
    std::string Message{};
    std::function<void(TIdFTP&, TFakeTLSHandler&)> Setup{};
    std::function<void(TIdFTP&, TFakeTLSHandler&)> Check{};  // after a successful Connect
};

void RunCase(const TSessionCase& c) {
    SCOPED_TRACE(c.Name);
    TFakeFtpServer server(c.Sessions);
    TFakeTLSHandler tls;
    TIdFTP ftp;
    PointAt(ftp, server.Port());
    if (c.Setup) c.Setup(ftp, tls);
    const TOutcome outcome = Classify([&] { ftp.Connect(); });
    EXPECT_EQ(outcome.Class, c.Class);
    EXPECT_EQ(outcome.Message, c.Message);
    if (outcome.Class.empty()) {
        EXPECT_TRUE(ftp.Connected());
        if (c.Check) c.Check(ftp, tls);
    } else {
        EXPECT_FALSE(ftp.Connected());  // every failed Connect closes
    }
    ftp.Disconnect();
    EXPECT_EQ(server.Commands(), c.Commands);
}

void UseFakeTLS(TIdFTP& ftp, TFakeTLSHandler& tls, TIdUseTLS mode) {
    ftp.SetIOHandler(&tls);
    ftp.SetUseTLS(mode);
}

TEST(Session, ConnectDialogues) {
    const TLines login = {"HOST [127.0.0.1]", "USER user", "PASS pw"};
    // The client's lines of a whole session: the login, what follows it, QUIT.
    const TLines session = Lines({login, kAfterLoginCmds, {"QUIT"}});
    const TLines sessionWithAccount = Lines({login, {"ACCT acc"}, kAfterLoginCmds, {"QUIT"}});
    auto withAccount = [](TIdFTP& f, TFakeTLSHandler&) { f.SetAccount("acc"); };
    // USER answered 331, PASS with this reply.
    auto passAnswered = [](const std::string& reply) {
        return TScript{C(), S("331 Password"), C(), S(reply)};
    };
    const TSessionCase cases[] = {
        {"plain login without features",
         {Cat({kGreet, kHostRefused, kPassword, kAfterLogin})},
         session,
         "",
         "",
         nullptr,
         [](TIdFTP& f, TFakeTLSHandler&) {
             EXPECT_EQ(f.ServerDesc(), "Fake FTP ready");
             EXPECT_EQ(f.SystemDesc(), "UNIX Type: L8");
             EXPECT_EQ(f.LoginMsg().Code(), "230");
             EXPECT_TRUE(f.Capabilities().empty());
         }},
        {"120 then 220",
         {Cat({{S("120 Ready in 1 minute"), S("220 Now ready")},
               kHostRefused,
               kPassword,
               kAfterLogin})},
         session},
        {"120 then 421",
         {{S("120 Wait"), S("421 Too many users")}},
         {},
         "EIdFTPServiceNotAvailable",
         "Too many users\r\n"},
        {"421 greeting",
         {{S("421 Service not available")}},
         {},
         "EIdFTPServiceNotAvailable",
         "Service not available\r\n"},
        {"refused greeting", {{S("530 Not allowed")}}, {}, "EIdReplyRFCError", "Not allowed\r\n"},
        {"an HTTP server",
         {{Raw("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n")}},
         {},
         "EIdException",
         "Antwortcode ist ungültig: HTTP"},
        {"greeting never comes",
         {{}},
         {},
         "EIdReadTimeout",
         "Zeitüberschreitung beim Lesen.",
         [](TIdFTP& f, TFakeTLSHandler&) { f.SetReadTimeout(300); }},
        {"multi-line greeting trickled byte by byte",
         {Cat({{Trickle("220-Welcome here\r\n  second line\r\n220 Go on\r\n")},
               kHostRefused,
               kPassword,
               kAfterLogin})},
         session,
         "",
         "",
         nullptr,
         [](TIdFTP& f, TFakeTLSHandler&) { EXPECT_EQ(f.ServerDesc(), "Welcome here"); }},
        {"HOST accepted",
         {Cat({kGreet, {C(), S("220 Host ok")}, kPassword, kAfterLogin})},
         session},
        {"HOST answered, then closed: second connect without HOST",
         {Cat({kGreet, {C(), SendClose("500 Unknown host")}}),
          Cat({kGreet, kPassword, kAfterLogin})},
         Lines({{"HOST [127.0.0.1]", "--", "USER user", "PASS pw"}, kAfterLoginCmds, {"QUIT"}}),
         "",
         "",
         nullptr,
         [](TIdFTP& f, TFakeTLSHandler&) { EXPECT_TRUE(f.UseHOST()); }},
        {"HOST closed without an answer",
         {Cat({kGreet, {C(), Close()}}), Cat({kGreet, kPassword, kAfterLogin})},
         Lines({{"HOST [127.0.0.1]", "--", "USER user", "PASS pw"}, kAfterLoginCmds, {"QUIT"}})},
        {"HOST closed, and the second connect fails too",
         {Cat({kGreet, {C(), Close()}}), {S("530 Go away")}},
         {"HOST [127.0.0.1]", "--"},
         "EIdReplyRFCError",
         "Go away\r\n"},
        {"USER answered 230: no PASS",
         {Cat({kGreet, kHostRefused, {C(), S("230 Welcome, no password")}, kAfterLogin})},
         Lines({{"HOST [127.0.0.1]", "USER user"}, kAfterLoginCmds, {"QUIT"}})},
        {"USER refused",
         {Cat({kGreet, kHostRefused, {C(), S("530 Unknown user")}})},
         {"HOST [127.0.0.1]", "USER user", "QUIT"},
         "EIdReplyRFCError",
         "Unknown user\r\n"},
        {"PASS refused",
         {Cat({kGreet, kHostRefused, passAnswered("530 Login incorrect.")})},
         Lines({login, {"QUIT"}}),
         "EIdReplyRFCError",
         "Login incorrect.\r\n"},
        {"PASS answered 332 without an account",
         {Cat({kGreet, kHostRefused, passAnswered("332 Need account for login.")})},
         Lines({login, {"QUIT"}}),
         "EIdReplyRFCError",
         "Need account for login.\r\n"},
        {"PASS answered 332 with an account",
         {Cat({kGreet,
               kHostRefused,
               passAnswered("332 Need account"),
               {C(), S("230 ok")},
               kAfterLogin})},
         sessionWithAccount,
         "",
         "",
         withAccount},
        {"230 naming ACCOUNT with an account set",
         {Cat({kGreet,
               kHostRefused,
               passAnswered("230 ACCOUNT optional"),
               {C(), S("202 ok")},
               kAfterLogin})},
         sessionWithAccount,
         "",
         "",
         withAccount},
        {"421 in the middle of the login",
         {Cat({kGreet, kHostRefused, passAnswered("421 Shutting down")})},
         login,
         "EIdFTPServiceNotAvailable",
         "Shutting down\r\n"},
        {"one-time password challenge (RFC 2289)",
         {Cat({kGreet,
               kHostRefused,
               {C(), S("331 Response to otp-md5 499 ke1234 required for skey."), C(), S("230 ok")},
               kAfterLogin})},
         Lines({{"HOST [127.0.0.1]", "USER user",
                 "PASS " + OtpResponse({TOtpAlgorithm::otpMD5, 499, "ke1234"}, "pw")},
                kAfterLoginCmds,
                {"QUIT"}})},
        {"one-time password with a sequence no real one has",
         {Cat({kGreet, kHostRefused, {C(), S("331 Response to otp-md5 999999999 ke1234.")}})},
         {"HOST [127.0.0.1]", "USER user", "QUIT"},  // no PASS: nothing was computed
         "EIdFTPOtpSequenceTooLarge",
         "Der Server verlangt ein Einmalkennwort mit der Sequenznummer 999999999; mehr als "
         "10000 werden nicht berechnet."},
        {"WS_FTP Server: XAUT instead of USER and PASS",
         {Cat({{S("220 WS_FTP Server 8.6 (3141592)")},
               kHostRefused,
               {C(), S("230 ok")},
               kAfterLogin})},
         Lines({{"HOST [127.0.0.1]", "XAUT 2 " + XAutCredentials("user:pw", 3141592)},
                kAfterLoginCmds,
                {"QUIT"}})},
        {"WS_FTP Server: XAUT scrambles the UTF-8 credentials",
         {Cat({{S("220 WS_FTP Server 8.6 (3141592)")},
               kHostRefused,
               {C(), S("230 ok")},
               kAfterLogin})},
         Lines({{"HOST [127.0.0.1]", "XAUT 2 " + XAutCredentials("user:p\xC3\xA4ss", 3141592)},
                kAfterLoginCmds,
                {"QUIT"}}),
         "",
         "",
         [](TIdFTP& f, TFakeTLSHandler&) { f.SetPassword("p\xC3\xA4ss"); }},
        {"features with UTF8 and CLNT",
         {Cat({kGreet,
               kHostRefused,
               kPassword,
               {C(), Raw("211-Features:\r\n UTF8\r\n CLNT\r\n211 End\r\n"), C(), S("200 Noted"),
                C(), S("200 Type set"), C(), S("215 UNIX"), C(), S("200 Type set")}})},
         Lines({login, {"FEAT", "CLNT Velodrop 1.0", "TYPE I", "SYST", "TYPE I", "QUIT"}}),
         "",
         "",
         nullptr,
         [](TIdFTP& f, TFakeTLSHandler&) {
             EXPECT_EQ(f.Capabilities(), (TLines{"UTF8", "CLNT"}));
         }},
        {"SYST 500",
         {Cat({kGreet,
               kHostRefused,
               kPassword,
               {C(), S("500 no"), C(), S("200 ok"), C(), S("500 SYST not understood"), C(),
                S("200 ok")}})},
         session,
         "",
         "",
         nullptr,
         [](TIdFTP& f, TFakeTLSHandler&) { EXPECT_EQ(f.SystemDesc(), "Unbekannt"); }},
        {"Serv-U greeting: SITE ZONE",
         {Cat({{S("220 Serv-U FTP Server v15.0 ready")},
               kHostRefused,
               kPassword,
               {C(), S("500 no"), C(), S("200 ok"), C(), S("215 UNIX"), C(), S("210 UTC-300"), C(),
                S("200 ok")}})},
         Lines({login, {"FEAT", "TYPE I", "SYST", "SITE ZONE", "TYPE I", "QUIT"}})},
        {"SITE feature listing ZONE",
         {Cat({kGreet,
               kHostRefused,
               kPassword,
               {C(), Raw("211-Extensions:\r\n SITE PSWD;ZONE\r\n211 END\r\n"), C(), S("200 ok"),
                C(), S("215 UNIX"), C(), S("500 no"), C(), S("200 ok")}})},
         Lines({login, {"FEAT", "TYPE I", "SYST", "SITE ZONE", "TYPE I", "QUIT"}})},
        {"TYPE I refused",
         {Cat({kGreet,
               kHostRefused,
               kPassword,
               {C(), S("500 no"), C(), S("504 Type not allowed")}})},
         Lines({login, {"FEAT", "TYPE I", "QUIT"}}),
         "EIdReplyRFCError",
         "Type not allowed\r\n"},
    };
    for (const auto& c : cases) RunCase(c);
}

TEST(Session, ExplicitTLSNegotiation) {
    auto explicitTLS = [](TIdFTP& f, TFakeTLSHandler& t) {
        UseFakeTLS(f, t, TIdUseTLS::utUseExplicitTLS);
    };
    auto requireTLS = [](TIdFTP& f, TFakeTLSHandler& t) {
        UseFakeTLS(f, t, TIdUseTLS::utUseRequireTLS);
    };
    auto handshook = [](TIdFTP& f, TFakeTLSHandler& t) {
        EXPECT_EQ(t.Handshakes, 1);
        EXPECT_TRUE(f.TLSInUse());
        EXPECT_FALSE(t.PassThrough());
    };
    const TScript fourRefusals = {
        C(),       S("504 AUTH TLS not supported"), C(), S("504 no SSL"), C(), S("500 ?"), C(),
        S("500 ?")};
    const TLines fourAuths = {"AUTH TLS", "AUTH SSL", "AUTH TLS-C", "AUTH TLS-P"};
    const TSessionCase cases[] = {
        {"234: handshake, then the login",
         {Cat({kGreet, kHostRefused, {C(), S("234 AUTH TLS ok")}, kPassword, kAfterLogin})},
         Lines({kTlsLoginCmds, kAfterLoginCmds, {"QUIT"}}),
         "",
         "",
         explicitTLS,
         handshook},
        {"334 counts as 234",
         {Cat({kGreet, kHostRefused, {C(), S("334 go ahead")}, kPassword, kAfterLogin})},
         Lines({kTlsLoginCmds, kAfterLoginCmds, {"QUIT"}}),
         "",
         "",
         explicitTLS,
         handshook},
        {"four refusals: login in clear",
         {Cat({kGreet, kHostRefused, fourRefusals, kPassword, kAfterLogin})},
         Lines({{"HOST [127.0.0.1]"},
                fourAuths,
                {"USER user", "PASS pw"},
                kAfterLoginCmds,
                {"QUIT"}}),
         "",
         "",
         explicitTLS,
         [](TIdFTP& f, TFakeTLSHandler& t) {
             EXPECT_EQ(t.Handshakes, 0);
             EXPECT_FALSE(f.TLSInUse());
         }},
        {"431: negotiation failed",
         {Cat({kGreet, kHostRefused, {C(), S("431 Unable to accept security")}})},
         {"HOST [127.0.0.1]", "AUTH TLS", "QUIT"},
         "EIdTLSClientTLSNegCmdFailed",
         "Befehl zum Starten der SSL-Aushandlung fehlgeschlagen.",
         explicitTLS},
        {"handshake fails: closed without QUIT",
         {Cat({kGreet, kHostRefused, {C(), S("234 ok")}})},
         {"HOST [127.0.0.1]", "AUTH TLS"},
         "EIdTLSClientTLSHandShakeFailed",
         "SSL-Aushandlung fehlgeschlagen.",
         [](TIdFTP& f, TFakeTLSHandler& t) {
             t.FailHandshake = true;
             UseFakeTLS(f, t, TIdUseTLS::utUseExplicitTLS);
         }},
        {"TLS required, four refusals: no login in clear",
         {Cat({kGreet, kHostRefused, fourRefusals})},
         Lines({{"HOST [127.0.0.1]"}, fourAuths, {"QUIT"}}),
         "EIdTLSClientTLSNotAvailable",
         "SSL ist auf diesem Server nicht verfügbar.",
         requireTLS},
        {"one mechanism only: a 5xx fails",
         {Cat({kGreet, kHostRefused, {C(), S("504 no")}})},
         {"HOST [127.0.0.1]", "AUTH SSL", "QUIT"},
         "EIdTLSClientTLSNegCmdFailed",
         "Befehl zum Starten der SSL-Aushandlung fehlgeschlagen.",
         [](TIdFTP& f, TFakeTLSHandler& t) {
             UseFakeTLS(f, t, TIdUseTLS::utUseExplicitTLS);
             f.SetAUTHCmd(TAuthCmd::tAuthSSL);
         }},
    };
    for (const auto& c : cases) RunCase(c);
}

TEST(Session, UseTLSRules) {
    TIdFTP ftp;
    EXPECT_EQ(Classify([&] { ftp.SetUseTLS(TIdUseTLS::utUseExplicitTLS); }).Message,
              "SSL IOHandler ist für diese Einstellung erforderlich");
    TFakeTLSHandler tls;
    ftp.SetIOHandler(&tls);
    ftp.SetDataPortProtection(TIdFTPDataPortSecurity::ftpdpsPrivate);
    ftp.SetAUTHCmd(TAuthCmd::tAuthSSL);
    ftp.SetUseTLS(TIdUseTLS::utUseImplicitTLS);
    EXPECT_EQ(ftp.Port(), 990);
    ftp.SetUseTLS(TIdUseTLS::utUseExplicitTLS);
    EXPECT_EQ(ftp.Port(), 21);
    ftp.SetUseTLS(TIdUseTLS::utNoTLSSupport);
    EXPECT_EQ(ftp.DataPortProtection(), TIdFTPDataPortSecurity::ftpdpsClear);
    EXPECT_EQ(ftp.AUTHCmd(), TAuthCmd::tAuto);

    ftp.SetUseTLS(TIdUseTLS::utUseExplicitTLS);
    TIdIOHandlerStack plain;
    ftp.SetIOHandler(&plain);  // not TLS-capable: back to no TLS
    EXPECT_EQ(ftp.UseTLS(), TIdUseTLS::utNoTLSSupport);

    TIdConnectionIntercept mine, other;
    ftp.SetIntercept(&mine);
    TIdIOHandlerStack taken;
    taken.SetIntercept(&other);
    EXPECT_EQ(Classify([&] { ftp.SetIOHandler(&taken); }).Message,
              "Dem IOHandler wurde bereits ein anderes Intercept zugewiesen");
    ftp.SetIOHandler(nullptr);
}

TEST(Session, PassThroughSwitchStartsTLSOnlyOnAnOpenConnection) {
    TFakeTLSHandler tls;
    tls.SetPassThrough(true);
    tls.SetPassThrough(false);  // no connection: only the flag changes
    EXPECT_FALSE(tls.PassThrough());
    EXPECT_EQ(tls.Handshakes, 0);
    // Connect puts an explicit-TLS handler into pass-through first, so the
    // greeting comes in clear; a refused AUTH leaves it there.
    TFakeFtpServer server(
        {Cat({kGreet,
              kHostRefused,
              {C(), S("504 no"), C(), S("504 no"), C(), S("500 no"), C(), S("500 no")},
              kPassword,
              kAfterLogin})});
    TIdFTP ftp;
    PointAt(ftp, server.Port(), kNoCredentials);
    ftp.SetIOHandler(&tls);
    ftp.SetUseTLS(TIdUseTLS::utUseExplicitTLS);
    ftp.Connect();
    EXPECT_TRUE(tls.PassThrough());
    EXPECT_EQ(tls.Handshakes, 0);
    ftp.Disconnect();
    server.Commands();
}

TEST(Session, UseTLSCannotChangeWhileConnected) {
    TFakeFtpServer server({Cat({kGreet, kHostRefused, kPassword, kAfterLogin})});
    TFakeTLSHandler tls;
    TIdFTP ftp;
    PointAt(ftp, server.Port(), kNoCredentials);
    ftp.SetIOHandler(&tls);
    ftp.Connect();
    for (const TIdUseTLS v : {TIdUseTLS::utNoTLSSupport, TIdUseTLS::utUseExplicitTLS})
        EXPECT_EQ(Classify([&] { ftp.SetUseTLS(v); }).Class, "EIdTLSClientCanNotSetWhileConnected");
    EXPECT_EQ(Classify([&] { ftp.Connect(); }).Message, "Verbindung besteht bereits.");
    ftp.Disconnect();
    EXPECT_FALSE(ftp.Connected());
    ftp.SetUseTLS(TIdUseTLS::utUseExplicitTLS);  // fine once disconnected
    server.Commands();
}

// A second Connect on a live TLS session fails before it touches anything:
// the handler stays out of pass-through, so what follows stays encrypted.
TEST(Session, ConnectOnALiveTLSSessionChangesNothing) {
    TFakeFtpServer server({Cat(
        {kGreet, kHostRefused, {C(), S("234 ok")}, kPassword, kAfterLogin, {C(), S("250 ok")}})});
    TFakeTLSHandler tls;
    TIdFTP ftp;
    PointAt(ftp, server.Port());
    UseFakeTLS(ftp, tls, TIdUseTLS::utUseRequireTLS);
    ftp.Connect();
    const TOutcome again = Classify([&] { ftp.Connect(); });
    EXPECT_EQ(again.Class, "EIdAlreadyConnected");
    EXPECT_EQ(again.Message, "Verbindung besteht bereits.");
    EXPECT_FALSE(tls.PassThrough());
    EXPECT_TRUE(ftp.TLSInUse());
    EXPECT_EQ(tls.Handshakes, 1);
    ftp.ChangeDir("d");
    ftp.Disconnect();
    EXPECT_EQ(server.Commands(), Lines({kTlsLoginCmds, kAfterLoginCmds, {"CWD d", "QUIT"}}));
}

TEST(Session, ConnectRequirementsAndRefusal) {
    TIdFTP ftp;
    EXPECT_EQ(ftp.Port(), 21);
    EXPECT_EQ(ftp.ReadTimeout(), 60000);
    EXPECT_EQ(Classify([&] { ftp.Connect(); }).Message, "A Host is required");
    ftp.SetHost("127.0.0.1");
    ftp.SetPort(0);
    EXPECT_EQ(Classify([&] { ftp.Connect(); }).Message, "A Port is required");
    ftp.SetPort(vd::test::FreeLoopbackPort());
    const TOutcome refused = Classify([&] { ftp.Connect(); });
    EXPECT_EQ(refused.Class, "EIdSocketError");
    EXPECT_EQ(refused.Message, "Socket-Fehler # 10061Verbindung abgelehnt.\r\n");
    EXPECT_FALSE(ftp.Connected());
}

TEST(Session, HostNameGoesOutAsSetAndDisconnectReadsTheGoodbye) {
    TFakeFtpServer server(
        {Cat({kGreet, kHostRefused, kPassword, kAfterLogin, {C(), S("221 Goodbye.")}})});
    TIdFTP ftp;
    PointAt(ftp, server.Port(), {.Host = "localhost"});
    ftp.Connect();
    ftp.Disconnect();
    EXPECT_EQ(ftp.LastCmdResult().Code(), "221");
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(server.Commands().front(), "HOST localhost");
    ftp.Disconnect();  // again: nothing to do, no failure
}

// The control connection speaks UTF-8 from its first command, whatever the
// feature list says: many servers (vsftpd with Debian's defaults) store
// UTF-8 names without listing UTF8.
TEST(Session, CredentialsAndNamesAreUtf8WhetherFeatNamesUtf8OrNot) {
    const std::string user = "j\xC3\xBCrgen";                             // jürgen
    const std::string password = "p\xC3\xA4ss \xE6\x97\xA5\xE6\x9C\xAC";  // päss 日本
    const std::string account = "kont\xC3\xB6";                           // kontö
    const std::string folder =
        "\xC3\x9C"
        "bergr\xC3\xB6\xC3\x9F"
        "e";  // Übergröße
    const std::pair<const char*, TScript> features[] = {
        {"FEAT names UTF8", {C(), Raw("211-Features:\r\n UTF8\r\n211 End\r\n")}},
        {"FEAT without UTF8",
         {C(), Raw("211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n PASV\r\n REST STREAM\r\n"
                   " SIZE\r\n TVFS\r\n211 End\r\n")}},
        {"no FEAT", {C(), S("500 Unknown command.")}},
    };
    for (const auto& [name, feat] : features) {
        SCOPED_TRACE(name);
        TFakeFtpServer server(
            {Cat({kGreet,
                  kHostUnknown,
                  {C(), S("331 Password"), C(), S("332 Account"), C(), S("230 In")},
                  feat,
                  kTypeSystType,
                  {C(), S("250 " + folder + " ok")}})});
        TIdFTP ftp;
        PointAt(ftp, server.Port(), {.User = user, .Password = password});
        ftp.SetAccount(account);
        ftp.Connect();
        ftp.ChangeDir(folder);
        EXPECT_EQ(ftp.LastCmdResult().Text().front(), folder + " ok");
        ftp.Disconnect();
        EXPECT_EQ(server.Commands(),
                  (TLines{"HOST [127.0.0.1]", "USER " + user, "PASS " + password, "ACCT " + account,
                          "FEAT", "TYPE I", "SYST", "TYPE I", "CWD " + folder, "QUIT"}));
    }
}

}  // namespace
}  // namespace vd::ftp::test
