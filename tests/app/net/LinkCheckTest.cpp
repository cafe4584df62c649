// Links fetched over HTTP and HTTPS as a browser does, against real web
// servers on 127.0.0.1.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <optional>

#include "ScriptedWebServer.h"
#include "WebServer.h"
#include "app/core/ShareNames.h"
#include "app/net/HttpBackgroundLinkCheck.h"
#include "app/net/HttpLinkChecker.h"
#include "common/TempDir.h"

namespace vd::app {
namespace {

const std::string kContent = "Velodrop-FTP-TEST\r\n";

// A port nothing listens on: the kernel's pick, closed again at once.
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

QString Q(const std::string& S) { return QString::fromStdString(S); }

class LinkCheck : public ::testing::Test {
  protected:
    LinkCheck() {
        vd::test::WriteFileBytes(FRoot.File("vdf1A.TMP"), kContent);
        vd::test::WriteFileBytes(FRoot.File("other.TMP"), "something else entirely");
        vd::test::WriteFileBytes(FRoot.File("big.html"), std::string(1 << 20, 'x'));
        vd::test::WriteFileBytes(FRoot.File("velodrop_A_Bericht #3 100% Grüße 日本.txt"), kContent);
    }
    vd::test::TTempDir FRoot;
};

TEST_F(LinkCheck, TheConnectionTestNamesWhatAnswered) {
    vd::test::TWebServer web(FRoot.Path().string());
    vd::test::TWebServer https(FRoot.Path().string(), {.Https = true});
    const QString base = Q(web.Base());
    const QString refused = QStringLiteral("http://127.0.0.1:%1").arg(ClosedPort());
    const struct {
        QString Link;
        TLinkFault Fault;
        int Status;
    } cases[] = {
        {base + "/vdf1A.TMP", TLinkFault::None, 0},
        {ShareLink(base, "velodrop_A_Bericht #3 100% Grüße 日本.txt"), TLinkFault::None, 0},
        {base + "/drop/vdf1A.TMP", TLinkFault::HttpStatus, 404},
        {base + "/other.TMP", TLinkFault::OtherContent, 0},
        {base + "/big.html", TLinkFault::OtherContent, 0},  // stops reading early
        {refused + "/vdf1A.TMP", TLinkFault::ConnectionRefused, 0},
        {"/vdf1A.TMP", TLinkFault::NotWebAddress, 0},  // an empty link base
        {"ftp://127.0.0.1/vdf1A.TMP", TLinkFault::NotWebAddress, 0},
        {"http://nonexistent.invalid/vdf1A.TMP", TLinkFault::HostNotFound, 0},
        {Q(https.Base()) + "/vdf1A.TMP", TLinkFault::CertificateNotTrusted, 0},
    };
    THttpLinkChecker checker;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Link.toStdString());
        const TLinkVerdict verdict =
            checker.CheckContent(c.Link, QByteArray::fromStdString(kContent));
        EXPECT_EQ(verdict.Fault, c.Fault)
            << verdict.Detail.toStdString() << " " << verdict.HttpStatus;
        EXPECT_EQ(verdict.HttpStatus, c.Status);
    }
}

TEST_F(LinkCheck, ASilentServerIsNoAnswerAfterTheLimit) {
    vd::test::TWebServer slow(FRoot.Path().string(), {.Delay = 3});
    QElapsedTimer clock;
    clock.start();
    const TLinkVerdict verdict = THttpLinkChecker(500).CheckContent(
        Q(slow.Base()) + "/vdf1A.TMP", QByteArray::fromStdString(kContent));
    EXPECT_EQ(verdict.Fault, TLinkFault::NoAnswer);
    EXPECT_EQ(LinkFaultText(verdict, TLanguage::English),
              QStringLiteral("no answer within 10 seconds"));
}

// Runs one background check to its end.
std::optional<TLinkVerdict> CheckInBackground(const QString& Link, qint64 Size,
                                              int TimeoutMs = 10000) {
    THttpBackgroundLinkCheck check(nullptr, TimeoutMs);
    std::optional<TLinkVerdict> result;
    QObject::connect(&check, &TBackgroundLinkCheck::Checked,
                     [&](const QString&, const TLinkVerdict& Verdict) { result = Verdict; });
    check.Start(Link, Size);
    QElapsedTimer clock;
    clock.start();
    while (!result && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return result;
}

TEST_F(LinkCheck, AfterAShareTheSizeIsCompared) {
    vd::test::TWebServer web(FRoot.Path().string());
    vd::test::TWebServer noHead(FRoot.Path().string(), {.RefuseHead = true});
    vd::test::TWebServer slow(FRoot.Path().string(), {.Delay = 3});
    const qint64 size = static_cast<qint64>(kContent.size());
    const struct {
        const char* Name;
        QString Link;
        int TimeoutMs;
        TLinkFault Fault;
    } cases[] = {
        {"the file", Q(web.Base()) + "/vdf1A.TMP", 10000, TLinkFault::None},
        {"a missing folder", Q(web.Base()) + "/drop/vdf1A.TMP", 10000, TLinkFault::HttpStatus},
        {"another file", Q(web.Base()) + "/other.TMP", 10000, TLinkFault::OtherContent},
        {"HEAD refused: the first byte instead", Q(noHead.Base()) + "/vdf1A.TMP", 10000,
         TLinkFault::None},
        {"HEAD refused, another file", Q(noHead.Base()) + "/big.html", 10000,
         TLinkFault::OtherContent},
        {"no answer in time", Q(slow.Base()) + "/vdf1A.TMP", 500, TLinkFault::NoAnswer},
        {"an empty link base", "/vdf1A.TMP", 10000, TLinkFault::NotWebAddress},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto verdict = CheckInBackground(c.Link, size, c.TimeoutMs);
        ASSERT_TRUE(verdict.has_value());
        EXPECT_EQ(verdict->Fault, c.Fault) << verdict->Detail.toStdString();
    }
}

TEST_F(LinkCheck, ANewCheckDropsTheOneStillRunning) {
    vd::test::TWebServer slow(FRoot.Path().string(), {.Delay = 1});
    THttpBackgroundLinkCheck check;
    QStringList answered;
    QObject::connect(&check, &TBackgroundLinkCheck::Checked,
                     [&](const QString& Link, const TLinkVerdict&) { answered << Link; });
    const QString first = Q(slow.Base()) + "/other.TMP";
    const QString second = Q(slow.Base()) + "/vdf1A.TMP";
    check.Start(first, 19);
    ASSERT_TRUE(check.Running());
    check.Start(second, 19);
    QElapsedTimer clock;
    clock.start();
    while (answered.isEmpty() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1500);
    EXPECT_EQ(answered, QStringList{second});
}

// Answers read as a browser reads them, from a server that sends exactly
// what the case says.
TEST_F(LinkCheck, TheAnswerIsReadAsABrowserReadsIt) {
    vd::test::TWebServer web(FRoot.Path().string());
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const struct {
        const char* Name;
        std::string Answer;
        TLinkFault Fault;
        int Status;
    } cases[] = {
        {"a redirect to the file elsewhere",
         "HTTP/1.1 302 Found\r\nLocation: " + web.Base() + "/vdf1A.TMP\r\n\r\n", TLinkFault::None,
         0},
        {"redirects in a circle",
         "HTTP/1.1 301 Moved\r\nLocation: /vdf1A.TMP\r\nContent-Length: 0\r\n\r\n",
         TLinkFault::HttpStatus, 301},
        {"a body in chunks",
         ok + "Transfer-Encoding: "
              "chunked\r\n\r\n5\r\nVelod\r\ne;x=y\r\nrop-FTP-TEST\r\n\r\n0\r\n\r\n",
         TLinkFault::None, 0},
        {"a body ended by the close", ok + "\r\n" + kContent, TLinkFault::None, 0},
        {"a body cut short", ok + "Content-Length: 100\r\n\r\n" + kContent, TLinkFault::Other, 0},
        {"an interim answer first", "HTTP/1.1 100 Continue\r\n\r\n" + ok + "\r\n" + kContent,
         TLinkFault::None, 0},
        {"no HTTP at all", "220 FTP server ready\r\n", TLinkFault::OtherContent, 0},
        {"a header line that never ends", ok + "X-Filler: " + std::string(1 << 20, 'a'),
         TLinkFault::OtherContent, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        vd::test::TScriptedWebServer server(c.Answer);
        const TLinkVerdict verdict = THttpLinkChecker().CheckContent(
            Q(server.Base()) + "/vdf1A.TMP", QByteArray::fromStdString(kContent));
        EXPECT_EQ(verdict.Fault, c.Fault) << verdict.Detail.toStdString();
        EXPECT_EQ(verdict.HttpStatus, c.Status);
    }
}

// A link base that answers with header lines for ever: slowly, the deadline
// ends the request; quickly, the header's size limit ends it first. Either
// way the server sees its connection closed (not merely left unread) soon
// after, and no more bytes go in. The background check's cases run one
// after the other on one object: a stream that is still going would keep
// the next check from being sent.
TEST_F(LinkCheck, AnEndlessHeaderEndsTheRequestAndItsConnection) {
    using namespace std::chrono_literals;
    using TClock = vd::test::TScriptedWebServer::TClock;
    constexpr int kTimeoutMs = 1000;
    const auto checkContent = [](const QString& Link) {
        return THttpLinkChecker(kTimeoutMs).CheckContent(Link, QByteArray::fromStdString(kContent));
    };
    // The check object stays: the deadline alone has to end the request.
    THttpBackgroundLinkCheck background(nullptr, kTimeoutMs);
    const auto checkInBackground = [&](const QString& Link) {
        std::optional<TLinkVerdict> result;
        const auto connection = QObject::connect(
            &background, &TBackgroundLinkCheck::Checked,
            [&](const QString&, const TLinkVerdict& Verdict) { result = Verdict; });
        background.Start(Link, static_cast<qint64>(kContent.size()));
        QElapsedTimer clock;
        clock.start();
        while (!result && clock.elapsed() < kTimeoutMs + 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QObject::disconnect(connection);
        return result.value_or(TLinkVerdict{TLinkFault::Other, 0, "no verdict"});
    };
    const struct {
        const char* Name;
        std::function<TLinkVerdict(const QString&)> Check;
        std::chrono::milliseconds Pause;
        TLinkFault Fault;
    } cases[] = {
        {"connection test, a fast stream", checkContent, 0ms, TLinkFault::OtherContent},
        {"connection test, a slow stream", checkContent, 50ms, TLinkFault::NoAnswer},
        {"after a share, a fast stream", checkInBackground, 0ms, TLinkFault::OtherContent},
        {"after a share, a slow stream", checkInBackground, 50ms, TLinkFault::NoAnswer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        vd::test::TScriptedWebServer server("HTTP/1.1 200 OK\r\n", c.Pause);
        const auto deadline = TClock::now() + std::chrono::milliseconds(kTimeoutMs);
        const TLinkVerdict verdict = c.Check(Q(server.Base()) + "/vdf1A.TMP");
        EXPECT_EQ(verdict.Fault, c.Fault) << verdict.Detail.toStdString();
        EXPECT_GT(server.BytesSent(), 0u);
        // Replies and connections are let go from the event loop.
        while (!server.PushRefused() && TClock::now() < deadline + 3s)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const auto closedAt = server.ClosedAt();
        EXPECT_TRUE(closedAt.has_value()) << "the connection is still open";
        if (closedAt) {
            EXPECT_LT(*closedAt, deadline + 2s);
        }
        EXPECT_TRUE(server.PushRefused()) << "the connection still takes bytes";
    }
}

}  // namespace
}  // namespace vd::app
