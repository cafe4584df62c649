#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/gui/ErrorBox.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TVelodropSettings.h"
#include "app/gui/WindowTestFixture.h"

namespace vd::app {
namespace {

using MainWindow = WindowTest;

TEST_F(MainWindow, LayoutAsDesigned) {
    WriteSettings("[FTP]\nHost=h\n");
    auto w = MakeWindow();
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("Velodrop - V1.00")));
    EXPECT_EQ(w->minimumSize(), QSize(446, 496));
    EXPECT_EQ(w->maximumSize(), QSize(446, 496));
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    const struct {
        QWidget* Control;
        QRect Geometry;
        QString Name;
    } controls[] = {
        {w->QRCodePaintBox, {8, 8, 430, 430}, QStringLiteral("QRCodePaintBox")},
        {w->urlDisplay, {8, 436, 430, 21}, QStringLiteral("urlDisplay")},
        {w->BtnSettings, {8, 463, 89, 25}, QStringLiteral("BtnSettings")},
        {w->BtnCancel, {363, 464, 75, 25}, QStringLiteral("BtnCancel")},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.Control->geometry(), c.Geometry) << c.Name.toStdString();
        EXPECT_EQ(c.Control->objectName(), c.Name);
    }
    EXPECT_EQ(w->BtnSettings->text(), QStringLiteral("&Settings..."));
    EXPECT_EQ(w->BtnCancel->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(w->QRCodePaintBox->toolTip(), QStringLiteral("Drop file here"));
    EXPECT_EQ(w->State().NotExistingText, QStringLiteral(" not existing"));
    EXPECT_TRUE(w->urlDisplay->isReadOnly());
    EXPECT_EQ(NextTabStop(w->BtnCancel), w->BtnSettings);
    EXPECT_EQ(NextTabStop(w->BtnSettings), w->urlDisplay);
    EXPECT_EQ(NextTabStop(w->urlDisplay), w->BtnCancel);
    EXPECT_FALSE(w->AutoCloseTimer->isActive());
}

TEST_F(MainWindow, FirstRunOpensSettingsAndCancelKeepsDefaults) {
    auto w = MakeWindow();
    EXPECT_EQ(TModalSeam::DialogsShown(), 1);
    EXPECT_EQ(w->State().Settings.Host, QStringLiteral());
    EXPECT_EQ(w->State().Settings.Port, 21);
    EXPECT_EQ(w->Core().Folder().LogFileName(),
              QString::fromStdString(ConfigFile("ftp.log")));  // log stays on
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
    EXPECT_TRUE(w->isHidden());  // the dialog came before the window was ever shown
}

TEST_F(MainWindow, FirstRunOkSavesSettingsThenTestsTheConnection) {
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        auto& d = static_cast<TVelodropSettings&>(D);
        d.HostInput->setText(QStringLiteral("127.0.0.1"));
        d.PortInput->setText(QStringLiteral("1"));  // nothing listens there
        return int(QDialog::Accepted);
    });
    auto w = MakeWindow();
    EXPECT_EQ(w->State().Settings.Host, QStringLiteral("127.0.0.1"));
    const std::string saved = test::ReadFileBytes(SettingsPath());
    EXPECT_TRUE(saved.starts_with("[FTP]\nHost=127.0.0.1\nPort=1\n")) << saved;
    // The test could not connect: its message, and no second dialog.
    ASSERT_EQ(TModalSeam::ShownMessages().size(), 1u);
    EXPECT_TRUE(TModalSeam::ShownMessages()[0].Text.startsWith(QStringLiteral("FTP: ")));
    EXPECT_EQ(TModalSeam::DialogsShown(), 1);
}

TEST_F(MainWindow, LoadsSettingsAndStartsANewLog) {
    WriteSettings("[FTP]\nHost=h\nPort=2121\nDirectory=a/b\n[Common]\nTimeout=7\n");
    test::WriteFileBytes(ConfigFile("ftp.log"), "old session");
    auto w = MakeWindow();
    EXPECT_EQ(TModalSeam::DialogsShown(), 0);
    EXPECT_FALSE(std::filesystem::exists(ConfigFile("ftp.log")));
    EXPECT_EQ(w->State().Settings.Host, QStringLiteral("h"));
    EXPECT_EQ(w->State().Settings.Port, 2121);
    EXPECT_EQ(w->State().Settings.Directory, QStringLiteral("a/b"));
    EXPECT_EQ(w->State().Settings.Timeout, 7);
    EXPECT_EQ(w->Core().Folder().LogFileName(), QString());  // no "Log=1": no log this run

    WriteSettings("[Common]\nLog=1\n");
    EXPECT_EQ(MakeWindow()->Core().Folder().LogFileName(),
              QString::fromStdString(ConfigFile("ftp.log")));
}

TEST_F(MainWindow, ShortenerModeUsesItsOwnSettingsAndStartsMinimized) {
    auto w = MakeWindow({QStringLiteral("-shortener")});
    EXPECT_EQ(w->State().RunMode, TRunMode::rmShortener);
    EXPECT_TRUE(w->StartMinimized());
    EXPECT_EQ(w->State().SettingsFile,
              QString::fromStdString(ConfigFile("shortener_settings.ini")));
    EXPECT_EQ(w->State().LogFileName, QString::fromStdString(ConfigFile("ftp.log")));
}

TEST_F(MainWindow, EscapeRunsTheExitSequence) {
    WriteSettings("[FTP]\n");
    auto w = MakeWindow();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    QTest::keyClick(w->urlDisplay, Qt::Key_Escape);
    EXPECT_TRUE(w->isHidden());
    EXPECT_TRUE(w->TerminationRequested());
}

TEST_F(MainWindow, GermanLocaleGivesGermanTextsUnlessSwitchedOff) {
    const struct {
        const char* Lang;
        const char* Settings;
        bool German;
    } cases[] = {
        {"de_DE.UTF-8", "[FTP]\n", true},
        {"de_DE.UTF-8", "[Common]\nAutoLanguage=0\n", false},
        {"de_AT.UTF-8", "[FTP]\n", false},
        {"C", "[FTP]\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Lang + std::string(" ") + c.Settings);
        ::setenv("LANG", c.Lang, 1);
        WriteSettings(c.Settings);
        auto w = MakeWindow();
        EXPECT_EQ(w->BtnSettings->text(),
                  c.German ? QStringLiteral("&Einstellungen...") : QStringLiteral("&Settings..."));
        EXPECT_EQ(w->BtnCancel->text(), QStringLiteral("E&xit"));
        EXPECT_EQ(w->QRCodePaintBox->toolTip(),
                  c.German ? QStringLiteral("Datei hierher ziehen und loslassen")
                           : QStringLiteral("Drop file here"));
        EXPECT_EQ(w->State().NotExistingText,
                  c.German ? QStringLiteral(" nicht vorhanden") : QStringLiteral(" not existing"));
        EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("Velodrop - V1.00")));
    }
}

TEST_F(MainWindow, QuestionsGoThroughTheSeamAndDefaultToNo) {
    WriteSettings("[FTP]\n");
    auto w = MakeWindow();
    TModalSeam::SetNextQuestionAnswer(true);
    EXPECT_TRUE(w->AskYesNo(QStringLiteral("Trust this server?")));
    EXPECT_FALSE(w->AskYesNo(QStringLiteral("And this one?")));  // nothing armed: No
    EXPECT_EQ(TModalSeam::AskedQuestions(),
              (std::vector<QString>{"Trust this server?", "And this one?"}));
}

TEST_F(MainWindow, BoxIsWhiteBeforeAnyShare) {
    WriteSettings("[FTP]\n");
    auto w = MakeWindow();
    w->show();
    const QImage box = w->QRCodePaintBox->grab().toImage();
    ASSERT_EQ(box.size(), QSize(430, 430));
    for (int y = 0; y < box.height(); ++y) {
        for (int x = 0; x < box.width(); ++x)
            ASSERT_EQ(box.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
    }
}

TEST_F(MainWindow, EscapingErrorsReachTheGeneralErrorBox) {
    Guarded([] { throw std::runtime_error("Verbindung verloren"); });
    Guarded([] { throw std::runtime_error("Schon mit Punkt."); });
    ASSERT_EQ(TModalSeam::ShownMessages().size(), 2u);
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Text, QStringLiteral("Verbindung verloren."));
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Caption, QStringLiteral("Velodrop"));
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(TModalSeam::ShownMessages()[1].Text, QStringLiteral("Schon mit Punkt."));
}

}  // namespace
}  // namespace vd::app
