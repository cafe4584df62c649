#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/gui/ErrorBox.h"
#include "app/gui/LinkLabel.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TVelodropSettings.h"
#include "app/gui/WindowTestFixture.h"

namespace vd::app {
namespace {

using SettingsDialog = WindowTest;

TVelodropSettings& AsSettings(QDialog& D) { return static_cast<TVelodropSettings&>(D); }

TEST_F(SettingsDialog, LayoutAsDesigned) {
    TVelodropSettings d;
    EXPECT_EQ(d.minimumSize(), QSize(477, 372));
    EXPECT_EQ(d.maximumSize(), QSize(477, 372));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Velodrop Settings"));
    const struct {
        QWidget* Control;
        QWidget* In;
        QRect Geometry;
    } controls[] = {
        {d.OKButton, &d, {313, 339, 75, 25}},
        {d.CancelButton, &d, {394, 339, 75, 25}},
        {d.GroupBox1, &d, {8, 0, 461, 153}},
        {d.HostLabel, d.GroupBox1, {16, 16, 98, 13}},
        {d.HostInput, d.GroupBox1, {120, 13, 329, 21}},
        {d.PortInput, d.GroupBox1, {120, 40, 49, 21}},
        {d.useTLSCheckBox, d.GroupBox1, {184, 43, 265, 17}},
        {d.UsernameInput, d.GroupBox1, {120, 67, 329, 21}},
        {d.PasswordInput, d.GroupBox1, {120, 94, 329, 21}},
        {d.DirectoryInput, d.GroupBox1, {120, 121, 237, 21}},
        {d.ExtraDirButton, d.GroupBox1, {363, 119, 86, 25}},
        {d.GroupBox2, &d, {8, 159, 461, 173}},
        {d.baseURLInput, d.GroupBox2, {120, 13, 329, 21}},
        {d.AutoclosetimeoutInput, d.GroupBox2, {120, 40, 49, 21}},
        {d.resizeJPGInput, d.GroupBox2, {120, 67, 49, 21}},
        {d.CopyLinkToClipboardCheckBox, d.GroupBox2, {120, 94, 321, 17}},
        {d.RemoveFileAtExitCheckBox, d.GroupBox2, {120, 117, 321, 17}},
        {d.DeleteAfterDaysLabel, d.GroupBox2, {16, 145, 200, 13}},
        {d.DeleteAfterDaysInput, d.GroupBox2, {224, 141, 49, 21}},
        {d.OnlineManualLinkLabel, &d, {8, 347, 71, 17}},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.Control->geometry(), c.Geometry) << c.Control->objectName().toStdString();
        EXPECT_EQ(c.Control->parentWidget(), c.In) << c.Control->objectName().toStdString();
    }
    EXPECT_TRUE(d.OKButton->isDefault());
    EXPECT_EQ(d.PasswordInput->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.useTLSCheckBox->text(), QStringLiteral("Use TLS (needs OpenSSL 3)"));
    const QWidget* tabOrder[] = {d.OKButton,
                                 d.CancelButton,
                                 d.HostInput,
                                 d.PortInput,
                                 d.useTLSCheckBox,
                                 d.UsernameInput,
                                 d.PasswordInput,
                                 d.DirectoryInput,
                                 d.ExtraDirButton,
                                 d.baseURLInput,
                                 d.AutoclosetimeoutInput,
                                 d.CopyLinkToClipboardCheckBox,
                                 d.RemoveFileAtExitCheckBox,
                                 d.resizeJPGInput,
                                 d.DeleteAfterDaysInput};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        EXPECT_EQ(NextTabStop(const_cast<QWidget*>(tabOrder[i - 1])), tabOrder[i]) << i;
    }
}

TEST_F(SettingsDialog, FilledFromTheSettingsAndReadBackAfterOk) {
    WriteSettings(
        "[FTP]\nHost=127.0.0.1\nPort=1\nUsername=u\nDirectory=d\nBaseURL=https://b\nUseTLS=1\n"
        "[Common]\nTimeout=3\nResizeJPGImages=40\nCopyLinkToClipboard=1\nDeleteAfterDays=7\n");
    auto w = MakeWindow();
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        auto& d = AsSettings(D);
        EXPECT_EQ(d.HostInput->text(), QStringLiteral("127.0.0.1"));
        EXPECT_EQ(d.PortInput->text(), QStringLiteral("1"));
        EXPECT_EQ(d.UsernameInput->text(), QStringLiteral("u"));
        EXPECT_EQ(d.DirectoryInput->text(), QStringLiteral("d"));
        EXPECT_EQ(d.baseURLInput->text(), QStringLiteral("https://b"));
        EXPECT_EQ(d.AutoclosetimeoutInput->text(), QStringLiteral("3"));
        EXPECT_EQ(d.resizeJPGInput->text(), QStringLiteral("40"));
        EXPECT_EQ(d.DeleteAfterDaysInput->text(), QStringLiteral("7"));
        EXPECT_EQ(d.DeleteAfterDaysLabel->text(), QStringLiteral("Delete shares after (days)"));
        EXPECT_TRUE(d.useTLSCheckBox->isChecked());
        EXPECT_TRUE(d.CopyLinkToClipboardCheckBox->isChecked());
        EXPECT_FALSE(d.RemoveFileAtExitCheckBox->isChecked());
        d.UsernameInput->setText(QStringLiteral(" spaced user "));
        d.PasswordInput->setText(QStringLiteral("gëheim"));
        d.RemoveFileAtExitCheckBox->setChecked(true);
        d.useTLSCheckBox->setChecked(false);
        d.DeleteAfterDaysInput->setText(QStringLiteral("30"));
        return int(QDialog::Accepted);
    });
    w->BtnSettingsClick();
    EXPECT_EQ(w->State().Settings.Username, QStringLiteral(" spaced user "));  // taken as typed
    EXPECT_EQ(w->State().Settings.Password, QStringLiteral("gëheim"));
    EXPECT_TRUE(w->State().Settings.RemoveFileAtExit);
    EXPECT_FALSE(w->State().Settings.UseTLS);
    EXPECT_FALSE(w->AutoCloseTimer->isActive());  // nothing shared yet: nothing to close after
    // What was saved comes back on the next start.
    auto again = MakeWindow();
    EXPECT_EQ(again->State().Settings.Username, QStringLiteral("spaced user"));  // the reader trims
    EXPECT_EQ(again->State().Settings.Password, QStringLiteral("gëheim"));
    EXPECT_TRUE(again->State().Settings.RemoveFileAtExit);
    EXPECT_EQ(again->State().Settings.DeleteAfterDays, 30);
}

TEST_F(SettingsDialog, NumericFieldsFollowTheIntegerRule) {
    WriteSettings("[FTP]\n");
    auto w = MakeWindow();
    const struct {
        QString Port, Timeout, Resize;
        std::uint16_t ExpectedPort;
        std::int32_t ExpectedTimeout, ExpectedResize;
    } cases[] = {
        {QString(), QString(), QString(), 21, 0, 0},
        {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), 0, 0, 0},
        {QStringLiteral("70000"), QStringLiteral("-5"), QStringLiteral("-50"), 4464, -5, 50},
        {QStringLiteral("x"), QStringLiteral("12 "), QStringLiteral("$20"), 21, 0, 32},
    };
    for (const auto& c : cases) {
        TModalSeam::SetNextDialogAnswer([&](QDialog& D) {
            auto& d = AsSettings(D);
            d.PortInput->setText(c.Port);
            d.AutoclosetimeoutInput->setText(c.Timeout);
            d.resizeJPGInput->setText(c.Resize);
            return int(QDialog::Accepted);
        });
        w->BtnSettingsClick();
        EXPECT_EQ(w->State().Settings.Port, c.ExpectedPort) << c.Port.toStdString();
        EXPECT_EQ(w->State().Settings.Timeout, c.ExpectedTimeout) << c.Timeout.toStdString();
        EXPECT_EQ(w->State().Settings.ResizeJPGImages, c.ExpectedResize) << c.Resize.toStdString();
    }
    EXPECT_FALSE(w->AutoCloseTimer->isActive());  // the last timeout, 0, switches auto-close off
}

TEST_F(SettingsDialog, CancelTakesNothingBackAndSavesNothing) {
    WriteSettings("[FTP]\nHost=h\n[Common]\nTimeout=2\n");
    auto w = MakeWindow();
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        AsSettings(D).HostInput->setText(QStringLiteral("changed"));
        return int(QDialog::Rejected);
    });
    w->BtnSettingsClick();
    EXPECT_EQ(w->State().Settings.Host, QStringLiteral("h"));
    EXPECT_EQ(test::ReadFileBytes(SettingsPath()), "[FTP]\nHost=h\n[Common]\nTimeout=2\n");
    EXPECT_FALSE(w->AutoCloseTimer->isActive());  // nothing shared yet
}

TEST_F(SettingsDialog, WriteErrorReachesTheErrorBoxAndKeepsTheValues) {
    WriteSettings("[Common]\nTimeout=4\n");
    auto w = MakeWindow();
    const std::string blocked = FConfig.File("blocker/Velodrop/velodrop_settings.ini");
    test::WriteFileBytes(FConfig.File("blocker"), "a file, not a folder");
    w->State().SettingsFile = QString::fromStdString(blocked);
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        AsSettings(D).HostInput->setText(QStringLiteral("new host"));
        return int(QDialog::Accepted);
    });
    Guarded([&] { w->BtnSettingsClick(); });
    ASSERT_EQ(TModalSeam::ShownMessages().size(), 1u);
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Text,
              QString::fromStdString("In " + blocked + " kann nicht geschrieben werden."));
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(w->State().Settings.Host, QStringLiteral("new host"));
}

TEST_F(SettingsDialog, ExtraDirectoryAppendsTheSameLevelToBothFields) {
    WriteSettings("[FTP]\nDirectory=D\nBaseURL=https://b\n");
    auto w = MakeWindow();
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        AsSettings(D).ExtraDirButton->click();
        AsSettings(D).ExtraDirButton->click();
        return int(QDialog::Accepted);
    });
    w->BtnSettingsClick();
    const QStringList dir = w->State().Settings.Directory.split(u'/');
    const QStringList url = w->State().Settings.BaseURL.split(u'/');
    ASSERT_EQ(dir.size(), 3);
    EXPECT_EQ(dir[0], QStringLiteral("D"));
    EXPECT_EQ(dir[1].size(), 8);
    EXPECT_EQ(dir[2].size(), 8);
    EXPECT_NE(dir[1], dir[2]);
    EXPECT_EQ(url.mid(url.size() - 2), dir.mid(1));
    EXPECT_TRUE(w->State().Settings.BaseURL.startsWith(QStringLiteral("https://b/")));
}

TEST_F(SettingsDialog, GermanCaptionsUnderAGermanLocale) {
    ::setenv("LANG", "de_DE.UTF-8", 1);
    WriteSettings("[FTP]\n");
    auto w = MakeWindow();
    w->QRCodePaintBox->setToolTip(QStringLiteral("/tmp/shared.txt"));
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        auto& d = AsSettings(D);
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Velodrop-Einstellungen"));
        EXPECT_EQ(d.OKButton->text(), QStringLiteral("&OK"));
        EXPECT_EQ(d.CancelButton->text(), QStringLiteral("&Abbruch"));
        EXPECT_EQ(d.GroupBox1->title(), QStringLiteral("FTP"));
        EXPECT_EQ(d.GroupBox2->title(), QStringLiteral("Allgemein"));
        EXPECT_EQ(d.HostLabel->text(), QStringLiteral("Server:"));
        EXPECT_TRUE(
            d.HostInput->toolTip().contains(QStringLiteral("Für SFTP schreiben Sie sftp://")))
            << d.HostInput->toolTip().toStdString();
        EXPECT_EQ(d.PortLabel->text(), QStringLiteral("Port:"));
        EXPECT_EQ(d.useTLSCheckBox->text(), QStringLiteral("TLS benutzen (benötigt OpenSSL 3)"));
        EXPECT_EQ(d.ExtraDirButton->text(), QStringLiteral("E&xtra Ordner"));
        EXPECT_EQ(d.Label3->text(),
                  QStringLiteral("Verzögerung in Sekunden (0=nicht automatisch beenden)"));
        EXPECT_EQ(d.percentLabel->text(), QStringLiteral("Prozent (0=keine Änderung)"));
        EXPECT_EQ(d.RemoveFileAtExitCheckBox->text(),
                  QStringLiteral("Lösche hochgeladene Dateien vom Server bei Exit"));
        EXPECT_TRUE(d.OnlineManualLinkLabel->text().contains(QStringLiteral(">Online-Handbuch<")));
        EXPECT_TRUE(
            d.OnlineManualLinkLabel->text().contains(QStringLiteral("/velodrop_manual_en\"")));
        EXPECT_GE(d.Label3->width(), d.Label3->sizeHint().width());  // grown to fit
        return int(QDialog::Rejected);
    });
    w->BtnSettingsClick();
    EXPECT_EQ(TModalSeam::DialogsShown(), 1);
    // Localizing the dialog puts the drop hint back in place of a shared file's path.
    EXPECT_EQ(w->QRCodePaintBox->toolTip(), QStringLiteral("Datei hierher ziehen und loslassen"));
}

TEST_F(SettingsDialog, TheHostFieldHintsAtSftpInEveryLanguage) {
    const struct {
        const char* Lang;
        QString Hint;
    } cases[] = {
        {"en_US.UTF-8", QStringLiteral("For SFTP write sftp://name")},
        {"de_DE.UTF-8", QStringLiteral("Für SFTP schreiben Sie sftp://name")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Lang);
        ::setenv("LANG", c.Lang, 1);
        WriteSettings("[FTP]\n");
        auto w = MakeWindow();
        QString hint;
        TModalSeam::SetNextDialogAnswer([&](QDialog& D) {
            hint = AsSettings(D).HostInput->toolTip();
            return int(QDialog::Rejected);
        });
        w->BtnSettingsClick();
        EXPECT_TRUE(hint.contains(c.Hint)) << hint.toStdString();
    }
}

TEST_F(SettingsDialog, EscapeCancelsAndTheHostFieldGetsTheFocus) {
    TVelodropSettings d;
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_TRUE(QTest::qWaitFor([&] { return d.HostInput->hasFocus(); }, 2000));
    QTest::keyClick(d.PortInput, Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_TRUE(d.isHidden());
}

TEST_F(SettingsDialog, NumericFieldsRefuseTypedNonDigitsButTakePastes) {
    TVelodropSettings d;
    d.show();
    QTest::keyClicks(d.PortInput, QStringLiteral("2a1-b"));
    EXPECT_EQ(d.PortInput->text(), QStringLiteral("21"));
    QGuiApplication::clipboard()->setText(QStringLiteral("-50"));
    d.resizeJPGInput->paste();
    EXPECT_EQ(d.resizeJPGInput->text(), QStringLiteral("-50"));
}

TEST_F(SettingsDialog, ManualLinkOpensInTheBrowser) {
    TVelodropSettings d;
    emit d.OnlineManualLinkLabel->linkActivated(QString::fromLatin1(kOnlineManualUrl));
    ASSERT_EQ(TModalSeam::OpenedUrls().size(), 1u);
    EXPECT_EQ(TModalSeam::OpenedUrls()[0].scheme(), QStringLiteral("https"));
    EXPECT_EQ(TModalSeam::OpenedUrls()[0].path(), QStringLiteral("/velodrop_manual_en"));
}

}  // namespace
}  // namespace vd::app
