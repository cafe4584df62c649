// Shortener mode against a real FTP server, and the uploaded script run by
// PHP's own web server.

#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>
#include <QTest>
#include <filesystem>

#include "PhpServer.h"
#include "PyFtpServer.h"
#include "ServerSettings.h"
#include "app/core/ShortenerScripts.h"
#include "app/gui/WindowTestFixture.h"
#include "app/settings/SettingsFile.h"

namespace vd::app {
namespace {

namespace fs = std::filesystem;

class Shortener : public WindowTest {
  protected:
    std::unique_ptr<TVelodrop1> MakeShortener(const test::TPyFtpServer& Server,
                                              const QString& Clipboard) {
        const TSettings s = test::SettingsFor(Server, FBaseURL);
        fs::create_directories(FConfig.File("Velodrop"));
        WriteSettingsFile(QString::fromStdString(ConfigFile("shortener_settings.ini")), s);
        QGuiApplication::clipboard()->setText(Clipboard);
        return MakeWindow({QStringLiteral("-shortener")});
    }

    // Starts the window as the program would and waits for the shortening.
    void Run(TVelodrop1& W) {
        W.show();
        QTest::qWait(50);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return W.TerminationRequested(); }, 20000));  // it ends by itself
    }

    static QString Code(const QString& ShortLink) { return ShortLink.section(u'/', -1); }

    std::vector<QString> Messages() const {
        std::vector<QString> texts;
        for (const auto& m : TModalSeam::ShownMessages()) texts.push_back(m.Text);
        return texts;
    }

    QString FBaseURL = QStringLiteral("https://s.example.org");
};

TEST_F(Shortener, EmptyDirectoryGetsTheScriptsAndTheFirstRecord) {
    test::TPyFtpServer server;
    auto w = MakeShortener(server, QStringLiteral("https://example.org/a/very/long/path?q=1"));
    EXPECT_TRUE(w->StartMinimized());
    Run(*w);
    EXPECT_TRUE(Messages().empty());
    const QString link = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^https://s\\.example\\.org/[1-9A-NP-Za-z]{5}$"))
                    .match(link)
                    .hasMatch())
        << link.toStdString();
    ASSERT_EQ(TModalSeam::OpenedUrls().size(), 1u);
    EXPECT_EQ(TModalSeam::OpenedUrls()[0], QUrl(link));
    EXPECT_EQ(QByteArray::fromStdString(server.ReadFile(".htaccess")), HtaccessContent());
    EXPECT_EQ(QByteArray::fromStdString(server.ReadFile("index.php")), IndexPhpContent());
    EXPECT_EQ(server.ReadFile("shortener.ini"),
              Code(link).toStdString() + "=\"https://example.org/a/very/long/path?q=1\"\r\n");
    EXPECT_EQ(w->State().URLToShorten, QStringLiteral("https://example.org/a/very/long/path?q=1"));
    EXPECT_TRUE(w->TerminationRequested());
}

TEST_F(Shortener, ListingWithPathsStillRecognisesTheFiles) {
    test::TPyFtpServerOptions options;
    options.NlstReturnsPaths = true;
    options.RefuseStor = {".htaccess", "index.php"};
    test::TPyFtpServer server(options);
    server.WriteFile(".htaccess", "custom rules\r\n");
    server.WriteFile("index.php", "<?php // custom\r\n");
    server.WriteFile("shortener.ini", "Abc12=\"https://kept.example\"\r\n");
    auto w = MakeShortener(server, QStringLiteral("https://new.example"));
    Run(*w);
    EXPECT_TRUE(Messages().empty()) << Messages().front().toStdString();
    EXPECT_EQ(server.ReadFile(".htaccess"), "custom rules\r\n");
    EXPECT_TRUE(server.ReadFile("shortener.ini").starts_with("Abc12=\"https://kept.example\"\r\n"));
}

TEST_F(Shortener, TableIsNeverEmptiedByTheInstallation) {
    test::TPyFtpServer server;
    server.WriteFile("shortener.ini", "Abc12=\"https://kept.example\"\r\n");
    auto w = MakeShortener(server, QStringLiteral("https://kept.example"));
    ASSERT_TRUE(w->ConnectToServer());
    // What the installation sends when it misses the table.
    w->Core().Folder().Append({}, QStringLiteral("shortener.ini"));
    w->Core().Folder().Close();
    EXPECT_EQ(server.ReadFile("shortener.ini"), "Abc12=\"https://kept.example\"\r\n");
}

TEST_F(Shortener, ShortLinkRedirectsThroughTheUploadedScript) {
    test::TPyFtpServer server;
    test::TPhpServer php(server.Home(), std::string(VD_TEST_DATA_DIR) + "/php_router.php");
    FBaseURL = QString::fromStdString(php.Base());
    auto w = MakeShortener(server, QStringLiteral("https://example.org/target?x=1"));
    Run(*w);
    const std::string code = Code(QGuiApplication::clipboard()->text()).toStdString();
    const std::string known = php.Get("/" + code);
    EXPECT_NE(known.find("302 https://example.org/target?x=1|"), std::string::npos) << known;
    const std::string unknown = php.Get("/ZZZZZ");
    EXPECT_NE(unknown.find("Unknown link.404 |"), std::string::npos) << unknown;
}

}  // namespace
}  // namespace vd::app
