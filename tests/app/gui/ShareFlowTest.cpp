// The share flow end to end: the window and the FTP client against a real
// FTP server (pyftpdlib on 127.0.0.1).

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "PyFtpServer.h"
#include "ServerSettings.h"
#include "WebServer.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TVelodropSettings.h"
#include "app/gui/WindowTestFixture.h"
#include "app/settings/SettingsFile.h"
#include "common/JpegFiles.h"
#include "common/ZbarImage.h"
#include "platform/ProfileFile.h"

namespace vd::app {
namespace {

namespace fs = std::filesystem;

class ShareFlow : public WindowTest {
  protected:
    // Settings that point at the fixture server.
    TSettings ServerSettings() const {
        return test::SettingsFor(FServer, QStringLiteral("https://files.example.org/drop"));
    }

    std::unique_ptr<TVelodrop1> MakeSharingWindow(const TSettings& S, QStringList Arguments = {}) {
        fs::create_directories(FConfig.File("Velodrop"));
        WriteSettingsFile(QString::fromStdString(SettingsPath()), S);
        return MakeWindow(std::move(Arguments));
    }

    std::string LocalFile(const std::string& Name, const std::string& Bytes) const {
        const std::string path = FFiles.File(Name);
        test::WriteFileBytes(path, Bytes);
        return path;
    }

    static QString Q(const std::string& S) { return QString::fromStdString(S); }

    // Names in the server folder (relative to its home).
    std::vector<std::string> ServerFiles(const std::string& Folder = {}) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(fs::path(FServer.Home()) / Folder)) {
            if (e.is_regular_file()) names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<QString> Messages() const {
        std::vector<QString> texts;
        for (const auto& m : TModalSeam::ShownMessages()) texts.push_back(m.Text);
        return texts;
    }

    test::TPyFtpServer FServer;
    test::TTempDir FFiles;
};

TEST_F(ShareFlow, DropSharesTheFirstFileAndShowsItsLink) {
    TSettings s = ServerSettings();
    s.CopyLinkToClipboard = true;
    s.Timeout = 30;
    auto w = MakeSharingWindow(s);
    w->show();
    const std::string a = LocalFile("a.txt", std::string(70000, 'a'));
    const std::string b = LocalFile("b.txt", "b");
    w->WMDropFiles({Q(a), Q(b), Q(b)});

    // The others are said to stay behind.
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages().front().startsWith(QStringLiteral("3 files were dropped")))
        << Messages().front().toStdString();
    const auto names = ServerFiles();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^velodrop_[1-9A-NP-Za-z]{10}_a\\.txt$"))
                    .match(Q(names[0]))
                    .hasMatch())
        << names[0];
    EXPECT_EQ(FServer.ReadFile(names[0]), std::string(70000, 'a'));
    const QString link = QStringLiteral("https://files.example.org/drop/") + Q(names[0]);
    EXPECT_EQ(w->State().CurrentFile, Q(a));  // trimmed
    EXPECT_EQ(w->State().Link, link);
    EXPECT_EQ(w->urlDisplay->text(), link);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), link);
    EXPECT_EQ(w->State().UploadedFiles, QStringList{Q(names[0])});
    EXPECT_EQ(w->QRCodePaintBox->toolTip(), Q(a));
    EXPECT_EQ(test::DecodeQRCode(w->QRCodePaintBox->grab().toImage()), link.toStdString());
    EXPECT_TRUE(w->AutoCloseTimer->isActive());
    EXPECT_EQ(w->AutoCloseTimer->interval(), 30000);
}

// Counts the paint events a widget receives.
class TPaintCounter final : public QObject {
  public:
    int Count = 0;
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Paint) ++Count;
        return false;
    }
};

// The link field's menu brings a share made before back (link, code and
// clipboard) and deletes the share on show from the server.
TEST_F(ShareFlow, RecentSharesComeBackFromTheLinkMenuAndCanBeDeleted) {
    TSettings s = ServerSettings();
    s.DeleteAfterDays = 7;
    auto w = MakeSharingWindow(s);
    w->show();
    w->WMDropFiles({Q(LocalFile("first.txt", "1"))});
    const QString first = w->urlDisplay->text();
    w->WMDropFiles({Q(LocalFile("second.txt", "2"))});
    const QString second = w->urlDisplay->text();
    ASSERT_TRUE(Messages().empty()) << Messages().front().toStdString();
    EXPECT_TRUE(w->urlDisplay->toolTip().startsWith(u"expires on "))
        << w->urlDisplay->toolTip().toStdString();

    const std::unique_ptr<QMenu> menu(w->NewLinkMenu());
    const auto* recent = menu->findChild<QMenu*>(QStringLiteral("RecentShares"));
    ASSERT_NE(recent, nullptr);
    const QList<QAction*> shares = recent->actions();
    ASSERT_EQ(shares.size(), 2);
    EXPECT_TRUE(shares[0]->text().endsWith(u"second.txt"));  // newest first
    EXPECT_TRUE(shares[1]->text().endsWith(u"first.txt"));
    shares[1]->trigger();
    EXPECT_EQ(w->urlDisplay->text(), first);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), first);
    EXPECT_EQ(test::DecodeQRCode(w->QRCodePaintBox->grab().toImage()), first.toStdString());
    EXPECT_TRUE(w->urlDisplay->toolTip().startsWith(u"expires on "));

    auto* remove = menu->findChild<QAction*>(QStringLiteral("DeleteShownShare"));
    ASSERT_NE(remove, nullptr);
    remove->trigger();
    EXPECT_EQ(Messages(), std::vector<QString>{"Deleted from the server: " + first});
    EXPECT_EQ(w->urlDisplay->text(), QString());
    EXPECT_TRUE(w->QRCodeBitmapImage().isNull());
    const auto names = ServerFiles();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(second.endsWith(Q(names[0])));
    // What went is no longer offered.
    const std::unique_ptr<QMenu> after(w->NewLinkMenu());
    EXPECT_EQ(after->findChild<QMenu*>(QStringLiteral("RecentShares"))->actions().size(), 1);
    EXPECT_FALSE(after->findChild<QAction*>(QStringLiteral("DeleteShownShare"))->isEnabled());
}

TEST_F(ShareFlow, LongUploadShowsItsProgressAndKeepsPainting) {
    auto w = MakeSharingWindow(ServerSettings());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    const std::string big = LocalFile("big.bin", std::string(64 << 20, 'b'));
    QStringList shown;
    QObject::connect(w->urlDisplay, &QLineEdit::textChanged,
                     [&](const QString& Text) { shown << Text; });
    TPaintCounter paints;
    w->urlDisplay->installEventFilter(&paints);
    w->WMDropFiles({Q(big)});
    ASSERT_TRUE(Messages().empty());
    const QRegularExpression progress(
        QStringLiteral("^[0-9.]+ (KiB|MiB) / 64\\.0 MiB \\([0-9]+ %\\)$"));
    const auto steps = std::count_if(
        shown.begin(), shown.end(), [&](const QString& t) { return progress.match(t).hasMatch(); });
    EXPECT_GE(steps, 2) << shown.join(u'|').toStdString();  // the first piece and the last at least
    EXPECT_GE(paints.Count, steps);  // each step was painted while the upload ran
    EXPECT_EQ(w->urlDisplay->text(), w->State().Link);  // the link replaces the progress
}

TEST_F(ShareFlow, HostDirectoryIsMadeAndEnteredPerComponent) {
    const struct {
        const char* Directory;
        const char* Folder;  // where the file lands, below the home
    } cases[] = {{"a/b", "a/b"}, {"a/b", "a/b"} /* both exist now */, {"c/", "c"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Directory);
        TSettings s = ServerSettings();
        s.Directory = QString::fromLatin1(c.Directory);
        auto w = MakeSharingWindow(s);
        w->WMDropFiles({Q(LocalFile("d.txt", "d"))});
        EXPECT_TRUE(Messages().empty());
        EXPECT_TRUE(
            FServer.Exists(std::string(c.Folder) + "/" + w->State().RemoteName.toStdString()));
    }
}

TEST_F(ShareFlow, LeadingSlashEntersAnEmptyNameFirst) {
    TSettings s = ServerSettings();
    s.Directory = QStringLiteral("/a");
    auto w = MakeSharingWindow(s);
    w->WMDropFiles({Q(LocalFile("e.txt", "e"))});
    // pyftpdlib takes "CWD" without a name as its home folder.
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(FServer.Exists("a/" + w->State().RemoteName.toStdString()));
}

TEST_F(ShareFlow, ConnectionTestUploadsChecksTheLinkAndDeletesItsFile) {
    ::setenv("TMPDIR", FFiles.Path().c_str(), 1);
    test::TWebServer web(FServer.Home());
    TSettings s = ServerSettings();
    s.BaseURL = QString::fromStdString(web.Base());
    auto w = MakeSharingWindow(s);
    TModalSeam::SetNextDialogAnswer([](QDialog&) { return int(QDialog::Accepted); });
    w->BtnSettingsClick();
    // Without a keyring the password stays in the file, and the user is
    // told so once.
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].startsWith(u"No keyring was found (")) << Messages()[0].toStdString();
    EXPECT_EQ(TModalSeam::DialogsShown(), 1);

    // A link base without the folder: the test names it and the dialog comes again.
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        auto& d = static_cast<TVelodropSettings&>(D);
        d.baseURLInput->setText(d.baseURLInput->text() + QStringLiteral("/drop"));
        return int(QDialog::Accepted);
    });
    w->BtnSettingsClick();
    ::unsetenv("TMPDIR");
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_TRUE(Messages()[1].contains(QStringLiteral("(HTTP 404): ") +
                                       QString::fromStdString(web.Base()) + "/drop/vdf"))
        << Messages()[1].toStdString();
    EXPECT_EQ(TModalSeam::DialogsShown(), 3);
    EXPECT_TRUE(ServerFiles().empty());  // deleted at once
    bool found = false;
    for (const auto& e : fs::directory_iterator(FFiles.Path())) {
        const std::string name = e.path().filename().string();
        if (name.starts_with("vdf") && name.ends_with(".TMP")) {
            found = true;
            EXPECT_EQ(test::ReadFileBytes(e.path().string()), "Velodrop-FTP-TEST\r\n");
        }
    }
    EXPECT_TRUE(found);  // the local file is left behind
}

TEST_F(ShareFlow, EachShareChecksItsLinkInTheBackground) {
    test::TWebServer web(FServer.Home());
    test::TWebServer slow(FServer.Home(), {.Delay = 2});
    const struct {
        const char* Name;
        std::string Base;
        QString Warning;  // the reason in the warning; empty: none
    } cases[] = {
        {"the right link base", web.Base(), {}},
        {"a folder too many", web.Base() + "/drop", "(HTTP 404)"},
        {"a slow server, still right", slow.Base(), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSettings s = ServerSettings();
        s.BaseURL = QString::fromStdString(c.Base);
        auto w = MakeSharingWindow(s);
        w->show();
        w->WMDropFiles({Q(LocalFile("Bericht #3 Grüße.txt", "checked"))});
        // The link and its code are there at once; the check runs on.
        EXPECT_EQ(w->urlDisplay->text(), w->State().Link);
        EXPECT_FALSE(w->QRCodeBitmapImage().isNull());
        ASSERT_TRUE(w->LinkCheck().Running());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->LinkCheck().Running(); }, 15000));
        if (c.Warning.isEmpty()) {
            EXPECT_EQ(w->LinkWarning(), QString());
        } else {
            EXPECT_TRUE(w->LinkWarning().contains(c.Warning)) << w->LinkWarning().toStdString();
            EXPECT_EQ(w->urlDisplay->toolTip(), w->LinkWarning());
        }
        EXPECT_EQ(w->urlDisplay->text(), w->State().Link);  // still shown
    }
}

TEST_F(ShareFlow, ACheckStillRunningAtTheEndIsDroppedQuietly) {
    test::TWebServer slow(FServer.Home(), {.Delay = 3});
    TSettings s = ServerSettings();
    s.BaseURL = QString::fromStdString(slow.Base());
    auto w = MakeSharingWindow(s);
    w->show();
    w->WMDropFiles({Q(LocalFile("last.txt", "bye"))});
    ASSERT_TRUE(w->LinkCheck().Running());
    w->BtnCancelClick();
    w.reset();
    QTest::qWait(200);  // nothing may arrive for the window that is gone
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ShareFlow, TlsRequestedOfAServerWithoutTlsSendsNoPassword) {
    TSettings s = ServerSettings();
    s.UseTLS = true;
    fs::create_directories(FConfig.File("Velodrop"));
    WriteSettingsFile(QString::fromStdString(SettingsPath()), s);
    platform::WritePrivateProfileString("Common", "Log", "1",
                                        SettingsPath());  // a key written by hand
    auto w = MakeWindow();
    w->WMDropFiles({Q(LocalFile("secret.txt", "s"))});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("FTP: SSL ist auf diesem Server nicht verfügbar."));
    EXPECT_TRUE(ServerFiles().empty());
    const std::string log = test::ReadFileBytes(ConfigFile("ftp.log"));
    EXPECT_NE(log.find("AUTH TLS"), std::string::npos) << log;
    EXPECT_EQ(log.find("PASS"), std::string::npos) << log;
    EXPECT_EQ(log.find("USER"), std::string::npos) << log;
}

class TlsShareFlow : public WindowTest {
  protected:
    static test::TPyFtpServerOptions TlsServer() {
        test::TPyFtpServerOptions o;
        o.Tls = true;
        return o;
    }
    test::TPyFtpServer FServer{TlsServer()};
    test::TTempDir FFiles;
};

TEST_F(TlsShareFlow, FailedShareThenNextSharesWorkOverTls) {
    TSettings s = test::SettingsFor(FServer, QStringLiteral("https://x.org"));
    s.UseTLS = true;
    fs::create_directories(FConfig.File("Velodrop"));
    WriteSettingsFile(QString::fromStdString(SettingsPath()), s);
    platform::WritePrivateProfileString("Common", "Log", "1",
                                        SettingsPath());  // a key written by hand
    auto w = MakeWindow();
    const std::string text = FFiles.File("t.txt");
    test::WriteFileBytes(text, "over tls");

    // A damaged JPEG while downscaling fails after the TLS login: the
    // session is left open.
    const std::string damaged = FFiles.File("damaged.jpg");
    test::WriteFileBytes(damaged, "\xFF\xD8\xFF\xE0 cut short");
    w->State().Settings.ResizeJPGImages = 50;
    w->WMDropFiles({QString::fromStdString(damaged)});
    ASSERT_EQ(TModalSeam::ShownMessages().size(), 1u);
    w->State().Settings.ResizeJPGImages = 0;
    w->WMDropFiles({QString::fromStdString(text)});
    w->WMDropFiles({QString::fromStdString(text)});
    EXPECT_EQ(TModalSeam::ShownMessages().size(), 1u)
        << TModalSeam::ShownMessages().back().Text.toStdString();
    ASSERT_EQ(w->State().UploadedFiles.size(), 2);
    for (const QString& name : w->State().UploadedFiles)
        EXPECT_EQ(FServer.ReadFile(name.toStdString()), "over tls");
    const std::string log = test::ReadFileBytes(ConfigFile("ftp.log"));
    EXPECT_NE(log.find("AUTH TLS"), std::string::npos);
    EXPECT_NE(log.find("PBSZ 0"), std::string::npos);
    EXPECT_NE(log.find("STOR velodrop_"), std::string::npos);  // commands logged in plain text
}

}  // namespace
}  // namespace vd::app
