// What the main window adds to the flows (the timer, the link field, the QR
// code, activation, the dialog after a failed test, the exit), driven
// offscreen against a host directory in memory.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <map>

#include "app/VelodropCore.h"
#include "app/gui/FakeFolderWindow.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TVelodropSettings.h"
#include "app/record/ShareRecord.h"
#include "app/settings/SettingsFile.h"

namespace vd::app {
namespace {

// The others are named as left out, in the interface's language.
TEST_F(WindowFlow, DropSharesItsFirstFileByItsNameAsItIs) {
    auto w = MakeWindowOn(Settings());
    const QString file = LocalFile("ends in a blank ", "p");
    w->WMDropFiles({file, LocalFile("b.txt", "b"), LocalFile("c.txt", "c")});
    w->WMDropFiles({});  // shares nothing, not the last file again
    EXPECT_EQ(w->State().CurrentFile, file);
    EXPECT_EQ(Messages(), QStringList{"3 files were dropped; Velodrop shares one file at a time, "
                                      "so only the first is shared now:\n" +
                                      file});
    EXPECT_TRUE(test::CallsMatch(FFolder->Calls, {"OPEN", "PUT *_ends in a blank ", "CLOSE"}))
        << FFolder->Calls.join(u'|').toStdString();
    EXPECT_EQ(w->urlDisplay->text(), w->State().Link);
    EXPECT_EQ(w->QRCodePaintBox->toolTip(), file);
}

TEST_F(WindowFlow, MissingFileIsReportedAndStopsTheTimer) {
    auto w = MakeWindowOn(Settings(5));
    w->AutoCloseTimer->start(5000);
    const QString missing = QString::fromStdString(FFiles.File("gone.txt"));
    w->WMDropFiles({missing});
    EXPECT_EQ(Messages(), QStringList{missing + QStringLiteral(" not existing")});
    EXPECT_FALSE(w->AutoCloseTimer->isActive());
    EXPECT_TRUE(FFolder->Calls.isEmpty());
    EXPECT_EQ(w->QRCodePaintBox->toolTip(), QStringLiteral("Drop file here"));
    EXPECT_EQ(w->urlDisplay->text(), QString());
}

TEST_F(WindowFlow, FailedShareKeepsThePreviousLinkAndCodeAndReArmsTheTimer) {
    auto w = MakeWindowOn(Settings(9));
    w->show();
    w->WMDropFiles({LocalFile("first.txt", "1")});
    const QString firstLink = w->urlDisplay->text();
    const QImage firstCode = w->QRCodeBitmapImage();
    ASSERT_FALSE(firstCode.isNull());

    FFolder->FailOn("PUT *", "553 Refused.\r\n");
    w->WMDropFiles({LocalFile("second.txt", "2")});
    EXPECT_EQ(Messages(), QStringList{"FTP: 553 Refused.\r\n"});
    EXPECT_EQ(w->urlDisplay->text(), firstLink);  // the progress gave the field back
    EXPECT_EQ(w->QRCodeBitmapImage(), firstCode);
    EXPECT_TRUE(w->AutoCloseTimer->isActive());
    EXPECT_EQ(w->AutoCloseTimer->interval(), 9000);
}

TEST_F(WindowFlow, FileOnTheCommandLineIsSharedOnceAtTheFirstShow) {
    auto w = MakeWindowOn(Settings(), {LocalFile("arg.txt", "argument")});
    EXPECT_TRUE(FFolder->Calls.isEmpty());  // not before the window shows
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->State().UploadedFiles.isEmpty(); }, 10000));
    w->BtnSettingsClick();  // a dialog that closes gives no new activation
    w->hide();
    w->show();
    QTest::qWait(200);
    EXPECT_EQ(w->State().UploadedFiles.size(), 1);
}

TEST_F(WindowFlow, DoubleClickPicksAFileAndCancelDoesNothing) {
    auto w = MakeWindowOn(Settings());
    w->QRCodePaintBoxDblClick();  // no file armed: the dialog is cancelled
    EXPECT_TRUE(FFolder->Calls.isEmpty());
    TModalSeam::SetNextFileName(LocalFile("picked.txt", "p"));
    w->QRCodePaintBoxDblClick();
    EXPECT_TRUE(test::CallsMatch(FFolder->Calls, {"OPEN", "PUT *_picked.txt", "CLOSE"}));
}

// The file dialog starts where the last shared file was: of this run, else
// the newest in the record (a later run), else in the home folder.
TEST_F(WindowFlow, TheFileDialogStartsInTheFolderOfTheLastShare) {
    const QString home = QDir::homePath();
    const std::string photos = FFiles.File("photos");
    std::filesystem::create_directories(photos);
    {
        auto w = MakeWindowOn(Settings());
        w->QRCodePaintBoxDblClick();  // nothing shared yet
        w->WMDropFiles({LocalFile("photos/a.jpg", "a")});
        w->QRCodePaintBoxDblClick();
    }
    auto later = MakeWindowOn(Settings());
    later->QRCodePaintBoxDblClick();
    std::filesystem::remove_all(photos);
    later->QRCodePaintBoxDblClick();
    const QString shared = QString::fromStdString(photos);
    EXPECT_EQ(TModalSeam::FileDialogFolders(), (std::vector<QString>{home, shared, shared, home}));
}

TEST_F(WindowFlow, ExitHidesTheWindowRemovesUploadsWhenAskedAndEnds) {
    const struct {
        const char* Name;
        bool RemoveFileAtExit;
        int Uploads;
        const char* FailingCall;
        QStringList Calls;  // at exit
        int Messages;
    } cases[] = {
        {"removes this run's uploads", true, 2, "", {"OPEN", "DELETE *", "DELETE *", "CLOSE"}, 0},
        {"a refusal is reported once, the others are tried",
         true,
         2,
         "DELETE *",
         {"OPEN", "DELETE *", "LIST", "DELETE *", "LIST", "CLOSE"},
         1},
        {"nothing uploaded: no connection", true, 0, "", {}, 0},
        {"switched off: uploads stay", false, 2, "", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TModalSeam::BeginTesting();
        TSettings s = Settings();
        s.RemoveFileAtExit = c.RemoveFileAtExit;
        auto w = MakeWindowOn(s);
        w->show();
        for (int i = 0; i < c.Uploads; ++i) w->WMDropFiles({LocalFile("u.txt", "u")});
        FFolder->Calls.clear();
        if (*c.FailingCall) FFolder->FailOn(c.FailingCall, "550 Refused.\r\n");
        w->BtnCancelClick();
        EXPECT_TRUE(test::CallsMatch(FFolder->Calls, c.Calls))
            << FFolder->Calls.join(u'|').toStdString();
        EXPECT_EQ(Messages().size(), c.Messages);
        EXPECT_TRUE(w->isHidden());
        EXPECT_TRUE(w->TerminationRequested());
    }
}

// The record of shares that the window keeps, as another process reads it.
std::map<QString, TShareRow> RecordedRows(const test::TTempDir& Data) {
    TShareRecord record;
    EXPECT_TRUE(record.Open(ShareRecordPath(QString::fromStdString(Data.Path()))))
        << record.Error().toStdString();
    std::map<QString, TShareRow> rows;
    for (const TShareRow& row : record.Recent(100).value_or(std::vector<TShareRow>()))
        rows[row.RemoteName] = row;
    return rows;
}

TEST_F(WindowFlow, TheRemovalAtExitSetInTheDialogReachesTheSharesAlreadyMade) {
    auto w = WindowWithTwoShares();
    ASSERT_EQ(w->State().UploadedFiles.size(), 2);
    for (const bool remove : {false, true}) {
        SCOPED_TRACE(remove ? "ticked again" : "unticked");
        TModalSeam::SetNextDialogAnswer([remove](QDialog& D) {
            static_cast<TVelodropSettings&>(D).RemoveFileAtExitCheckBox->setChecked(remove);
            return int(QDialog::Accepted);
        });
        w->BtnSettingsClick();
        // At once, not at the exit: a run killed now leaves its shares as set.
        const auto rows = RecordedRows(FData);
        ASSERT_EQ(rows.size(), 2u);
        for (const auto& [name, row] : rows)
            EXPECT_EQ(row.RemoveAtExit, remove) << name.toStdString();
    }
}

TEST_F(WindowFlow, AShareDeletedMeanwhileDoesNotStopTheExitsCleanUp) {
    auto w = WindowWithTwoShares();
    const QStringList uploads = w->State().UploadedFiles;
    ASSERT_EQ(uploads.size(), 2);
    // Another process deleted the first (--delete LINK) while the window was open.
    FFolder->Files.remove(uploads[0]);
    FFolder->Calls.clear();
    w->BtnCancelClick();
    EXPECT_TRUE(FFolder->Files.isEmpty());
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
    for (const auto& [name, row] : RecordedRows(FData))
        EXPECT_EQ(row.State, TShareState::Deleted) << name.toStdString();
    EXPECT_TRUE(w->State().UploadedFiles.isEmpty());
}

TEST_F(WindowFlow, RefusedTestUploadReopensTheDialogWithTheValuesJustConfirmed) {
    auto w = MakeWindowOn(Settings());
    FFolder->FailOn("PUT vdf*.TMP", "553 Storing this name is refused.\r\n");
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        static_cast<TVelodropSettings&>(D).DirectoryInput->setText(QStringLiteral("inbox"));
        return int(QDialog::Accepted);
    });
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        EXPECT_EQ(static_cast<TVelodropSettings&>(D).DirectoryInput->text(),
                  QStringLiteral("inbox"));
        return int(QDialog::Rejected);
    });
    w->BtnSettingsClick();
    EXPECT_EQ(TModalSeam::DialogsShown(), 2);
    EXPECT_EQ(Messages(), QStringList{"FTP: 553 Storing this name is refused.\r\n"});
    EXPECT_EQ(w->State().Settings.Directory, QStringLiteral("inbox"));  // saved and in effect
    EXPECT_EQ(ReadSetting(QString::fromStdString(SettingsPath()), "FTP", "Directory"),
              QStringLiteral("inbox"));
}

TEST_F(WindowFlow, TestThatCannotConnectDoesNotReopenTheDialog) {
    auto w = MakeWindowOn(Settings());
    FFolder->FailOn("OPEN", "Login incorrect.\r\n");
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        static_cast<TVelodropSettings&>(D).PasswordInput->setText(QStringLiteral("wrong"));
        return int(QDialog::Accepted);
    });
    w->BtnSettingsClick();
    ASSERT_EQ(Messages().size(), 2);  // no keyring here: the password stays in the file
    EXPECT_TRUE(Messages()[0].startsWith(u"No keyring was found ("));
    EXPECT_EQ(Messages()[1], QStringLiteral("FTP: Login incorrect.\r\n"));
    EXPECT_EQ(TModalSeam::DialogsShown(), 1);
    EXPECT_EQ(w->State().Settings.Password, QStringLiteral("wrong"));  // stays in effect
    EXPECT_EQ(FFolder->OpenedWith.Password, QStringLiteral("wrong"));
}

// --- shortener mode ---

class ShortenerWindow : public WindowFlow {
  protected:
    std::unique_ptr<TVelodrop1> MakeShortener(const QString& Clipboard) {
        QGuiApplication::clipboard()->setText(Clipboard);
        return MakeWindowOn(Settings(), {QStringLiteral("-shortener")}, "shortener_settings.ini");
    }
};

TEST_F(ShortenerWindow, RunsAtTheFirstShowAndEndsTheProgram) {
    auto w = MakeShortener(QStringLiteral("https://example.org/a"));
    EXPECT_TRUE(w->StartMinimized());
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->TerminationRequested(); }, 10000));
    const QString link = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(link.startsWith(QStringLiteral("https://x.org/d/"))) << link.toStdString();
    ASSERT_EQ(TModalSeam::OpenedUrls().size(), 1u);
    EXPECT_EQ(TModalSeam::OpenedUrls()[0], QUrl(link));
    EXPECT_EQ(w->State().URLToShorten, QStringLiteral("https://example.org/a"));
}

TEST_F(ShortenerWindow, NoAddressOnTheClipboardDoesNothing) {
    auto w = MakeShortener(QStringLiteral("just some text"));
    w->show();
    QTest::qWait(300);
    EXPECT_FALSE(w->TerminationRequested());
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_TRUE(FFolder->Calls.isEmpty());
}

TEST_F(ShortenerWindow, RefusedTableEndsInTheErrorBoxWithNothingOnTheClipboard) {
    auto w = MakeShortener(QStringLiteral("https://example.org/x"));
    FFolder->FailOn("GET shortener.ini", "550 Refused.\r\n");
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->TerminationRequested(); }, 10000));
    ASSERT_EQ(TModalSeam::ShownMessages().size(), 1u);
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Text, QStringLiteral("550 Refused.\r\n"));
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Icon, QMessageBox::Critical);  // the general error box
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("https://example.org/x"));
    EXPECT_TRUE(TModalSeam::OpenedUrls().empty());
}

}  // namespace
}  // namespace vd::app
