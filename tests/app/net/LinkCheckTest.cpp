// Links fetched over HTTP and HTTPS as a browser does, against real web
// servers on 127.0.0.1.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <optional>

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

}  // namespace
}  // namespace vd::app
