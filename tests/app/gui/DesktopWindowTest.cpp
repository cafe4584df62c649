// The main window as a desktop program: which drags it takes, a first start
// that cannot save its settings, closing the window, the auto-close timer
// around dialogs and boxes, and where boxes appear. Driven offscreen over a
// host directory in memory.

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <stdexcept>

#include "app/gui/ErrorBox.h"
#include "app/gui/FakeFolderWindow.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TVelodropSettings.h"

namespace vd::app {
namespace {

using DesktopWindow = WindowFlow;

// Delivered to the window itself, as the drag manager does once the window
// has registered for drops.
// `Actions`: what the source allows; a drag proposes the first of them.
// The action taken, Qt::IgnoreAction when the drag is refused.
Qt::DropAction Drags(TVelodrop1& Window, const QMimeData& Data,
                     Qt::DropActions Actions = Qt::CopyAction) {
    QDragEnterEvent enter(QPoint(20, 20), Actions, &Data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    static_cast<QObject&>(Window).event(&enter);
    return enter.isAccepted() ? enter.dropAction() : Qt::IgnoreAction;
}

void Drops(TVelodrop1& Window, const QMimeData& Data, Qt::DropActions Actions = Qt::CopyAction) {
    QDropEvent drop(QPointF(20, 20), Actions, &Data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(Window).event(&drop);
}

std::string Joined(const QStringList& Texts) { return Texts.join(u'|').toStdString(); }

// Shown, and its first activation (which shares a file named on the command
// line) has run, as it has before any user can drop a file.
void ShowActivated(TVelodrop1& Window) {
    Window.show();
    QCoreApplication::processEvents();
}

TEST_F(DesktopWindow, OnlyDragsThatBringALocalFileAreTaken) {
    auto w = MakeWindowOn(Settings());
    const QString earlier = LocalFile("earlier.txt", "e");
    const QString file = LocalFile("ends in a blank ", "f");
    w->WMDropFiles({earlier});
    const struct {
        const char* Name;
        QList<QUrl> Urls;
        bool Taken;
        QStringList Calls;  // nothing: the earlier file does not go up again
    } cases[] = {
        {"a link from a browser", {QUrl("https://example.org/a.txt")}, false, {}},
        {"a file on another machine", {QUrl("sftp://host/home/u/a.txt")}, false, {}},
        {"a network share", {QUrl("file://fileserver/share/a.txt")}, false, {}},
        {"no address at all", {}, false, {}},
        {"a local file",
         {QUrl::fromLocalFile(file)},
         true,
         {"OPEN", "PUT *_ends in a blank ", "CLOSE"}},
        {"a link, then a local file",
         {QUrl("https://example.org/"), QUrl::fromLocalFile(file)},
         true,
         {"OPEN", "PUT *_ends in a blank ", "CLOSE"}},
    };
    EXPECT_TRUE(w->acceptDrops());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FFolder->Calls.clear();
        QMimeData data;
        data.setUrls(c.Urls);
        if (c.Urls.isEmpty()) data.setText(QStringLiteral("some text"));
        EXPECT_EQ(Drags(*w, data) == Qt::CopyAction, c.Taken);
        Drops(*w, data);
        EXPECT_TRUE(test::CallsMatch(FFolder->Calls, c.Calls)) << Joined(FFolder->Calls);
    }
    EXPECT_TRUE(Messages().isEmpty()) << Joined(Messages());
}

// Drops as Wayland clients and file managers make them: a file offered as
// plain text, and drags that propose a move. A drop is always taken as a
// copy, since a move tells the source to delete the file.
TEST_F(DesktopWindow, DropsAreTakenAsCopiesFromTheUriListOrPlainText) {
    auto w = MakeWindowOn(Settings());
    const QString file = LocalFile("a b.txt", "f");
    const QString fileUri = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
    const struct {
        const char* Name;
        QString Text;  // plain text only; none: the URI list of the file
        Qt::DropActions Actions;
        Qt::DropAction Taken;
    } cases[] = {
        {"a URI list, copy or move proposed as a move",
         {},
         Qt::MoveAction | Qt::CopyAction,
         Qt::CopyAction},
        {"a URI list, a move only", {}, Qt::MoveAction, Qt::IgnoreAction},
        {"a URI list, a link only", {}, Qt::LinkAction, Qt::LinkAction},
        {"a file:// URI as plain text", fileUri + QStringLiteral("\r\n"), Qt::CopyAction,
         Qt::CopyAction},
        {"a path as plain text", file, Qt::CopyAction, Qt::IgnoreAction},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FFolder->Calls.clear();
        QMimeData data;
        if (c.Text.isEmpty())
            data.setUrls({QUrl::fromLocalFile(file)});
        else
            data.setText(c.Text);
        EXPECT_EQ(Drags(*w, data, c.Actions), c.Taken);
        Drops(*w, data, c.Actions);
        const QStringList shared = {"OPEN", "PUT *_a b.txt", "CLOSE"};
        EXPECT_TRUE(
            test::CallsMatch(FFolder->Calls, c.Taken == Qt::IgnoreAction ? QStringList{} : shared))
            << Joined(FFolder->Calls);
    }
}

TEST_F(DesktopWindow, FirstStartThatCannotSaveTheSettingsStillTakesDropsAndSpeaksGerman) {
    // A file where the folder should be: the settings cannot be saved, also
    // for root, whom permission bits do not stop.
    test::WriteFileBytes(FConfig.File("Velodrop"), "a file, not a folder");
    ::setenv("LANG", "de_DE.UTF-8", 1);
    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        static_cast<TVelodropSettings&>(D).baseURLInput->setText(QStringLiteral("https://x.org"));
        return int(QDialog::Accepted);
    });
    auto w = MakeWindowOnFakeFolder();
    ASSERT_EQ(TModalSeam::ShownMessages().size(), 1u);
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Text,
              QString::fromStdString("In " + SettingsPath() + " kann nicht geschrieben werden."));
    EXPECT_EQ(w->BtnSettings->text(), QStringLiteral("&Einstellungen..."));
    EXPECT_EQ(w->QRCodePaintBox->toolTip(), QStringLiteral("Datei hierher ziehen und loslassen"));
    EXPECT_TRUE(w->acceptDrops());

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(LocalFile("a.txt", "a"))});
    EXPECT_TRUE(Drags(*w, data));
    Drops(*w, data);
    EXPECT_TRUE(test::CallsMatch(FFolder->Calls, {"OPEN", "PUT *_a.txt", "CLOSE"}))
        << Joined(FFolder->Calls);
    EXPECT_EQ(w->State().Link.left(14), QStringLiteral("https://x.org/"));
}

TEST_F(DesktopWindow, ClosingTheWindowRunsTheExitSequence) {
    const struct {
        const char* Name;
        bool RemoveFileAtExit;
        QStringList Calls;  // at exit
    } cases[] = {
        {"uploads removed as the settings say", true, {"OPEN", "DELETE *", "DELETE *", "CLOSE"}},
        {"uploads kept as the settings say", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSettings s = Settings();
        s.RemoveFileAtExit = c.RemoveFileAtExit;
        auto w = MakeWindowOn(s);
        ShowActivated(*w);
        w->WMDropFiles({LocalFile("u.txt", "u")});
        w->WMDropFiles({LocalFile("v.txt", "v")});
        FFolder->Calls.clear();
        EXPECT_TRUE(w->close());  // the title bar's button, Alt+F4, the session's end
        EXPECT_TRUE(test::CallsMatch(FFolder->Calls, c.Calls)) << Joined(FFolder->Calls);
        EXPECT_TRUE(w->isHidden());
        EXPECT_TRUE(w->TerminationRequested());
        // The application's own quit closes its windows once more: no second exit.
        EXPECT_TRUE(w->close());
        EXPECT_TRUE(test::CallsMatch(FFolder->Calls, c.Calls)) << Joined(FFolder->Calls);
    }
}

// The close stops the upload at its next piece; what arrived goes with the
// exit's clean-up. No link is made of it.
TEST_F(DesktopWindow, CloseDuringAnUploadStopsItThenExits) {
    TSettings s = Settings();
    s.RemoveFileAtExit = true;
    auto w = MakeWindowOn(s);
    ShowActivated(*w);
    // Delivered while the upload shows its progress.
    QCoreApplication::postEvent(w.get(), new QCloseEvent);
    w->WMDropFiles({LocalFile("u.txt", "u")});
    EXPECT_FALSE(w->TerminationRequested());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->TerminationRequested(); }, 10000));
    EXPECT_TRUE(test::CallsMatch(FFolder->Calls,
                                 {"OPEN", "PUT *_u.txt", "OPEN", "DELETE *_u.txt", "CLOSE"}))
        << Joined(FFolder->Calls);
    EXPECT_TRUE(FFolder->Files.isEmpty());
    EXPECT_TRUE(w->urlDisplay->text().isEmpty());
    EXPECT_TRUE(w->isHidden());
}

TEST_F(DesktopWindow, AutoCloseIsHeldWhileSomethingModalIsOpen) {
    TVelodrop1* window = nullptr;
    const struct {
        const char* Name;
        std::function<void()> Open;
    } cases[] = {
        {"a message box", [&] { window->ShowMessage(QStringLiteral("note")); }},
        {"a question", [&] { window->AskYesNo(QStringLiteral("sure?")); }},
        {"the file picker, cancelled", [&] { window->QRCodePaintBoxDblClick(); }},
        {"the settings dialog, cancelled", [&] { window->BtnSettingsClick(); }},
        {"the general error box", [] { Guarded([] { throw std::runtime_error("oops"); }); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto w = MakeWindowOn(Settings(5));
        window = w.get();
        w->WMDropFiles({LocalFile("a.txt", "a")});
        ASSERT_TRUE(w->AutoCloseTimer->isActive());
        std::vector<bool> runningWhileOpen;
        TModalSeam::AddModalListener(&runningWhileOpen, [&](bool Open) {
            if (Open) runningWhileOpen.push_back(w->AutoCloseTimer->isActive());
        });
        c.Open();
        TModalSeam::RemoveModalListeners(&runningWhileOpen);
        EXPECT_EQ(runningWhileOpen, std::vector<bool>{false});
        // Once it has closed, the countdown starts again.
        EXPECT_TRUE(w->AutoCloseTimer->isActive());
        EXPECT_EQ(w->AutoCloseTimer->interval(), 5000);
    }
}

TEST_F(DesktopWindow, AutoCloseCountsFromTheLastShareOnly) {
    auto w = MakeWindowOn(Settings(5));
    EXPECT_FALSE(w->AutoCloseTimer->isActive());
    w->BtnSettingsClick();  // cancelled, nothing shared yet
    EXPECT_FALSE(w->AutoCloseTimer->isActive());
    TModalSeam::SetNextDialogAnswer([](QDialog&) { return int(QDialog::Accepted); });
    w->BtnSettingsClick();  // confirmed, nothing shared yet
    EXPECT_FALSE(w->AutoCloseTimer->isActive());

    FFolder->FailOn("PUT *", "553 Refused.\r\n");
    w->WMDropFiles({LocalFile("a.txt", "a")});  // failed, but a share
    EXPECT_TRUE(w->AutoCloseTimer->isActive());
    EXPECT_EQ(w->AutoCloseTimer->interval(), 5000);

    TModalSeam::SetNextDialogAnswer([](QDialog& D) {
        static_cast<TVelodropSettings&>(D).AutoclosetimeoutInput->setText(QStringLiteral("7"));
        return int(QDialog::Accepted);
    });
    w->BtnSettingsClick();  // after a share: the new delay
    EXPECT_TRUE(w->AutoCloseTimer->isActive());
    EXPECT_EQ(w->AutoCloseTimer->interval(), 7000);

    w->WMDropFiles({QString::fromStdString(FFiles.File("gone.txt"))});  // no share
    EXPECT_FALSE(w->AutoCloseTimer->isActive());
}

TEST_F(DesktopWindow, AutoCloseEndsTheProgramOnceAndNotUnderTheCleanUpsMessage) {
    TSettings s = Settings(1);
    s.RemoveFileAtExit = true;
    auto w = MakeWindowOn(s);
    ShowActivated(*w);
    w->WMDropFiles({LocalFile("a.txt", "a")});
    FFolder->FailOn("DELETE *", "550 Refused.\r\n");
    FFolder->Calls.clear();
    std::vector<bool> runningWhileOpen;
    TModalSeam::AddModalListener(&runningWhileOpen, [&](bool Open) {
        if (Open) runningWhileOpen.push_back(w->AutoCloseTimer->isActive());
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->TerminationRequested(); }, 5000));
    TModalSeam::RemoveModalListeners(&runningWhileOpen);
    EXPECT_EQ(Messages(), QStringList{"FTP: 550 Refused.\r\n"});
    EXPECT_EQ(runningWhileOpen, std::vector<bool>{false});
    EXPECT_FALSE(w->AutoCloseTimer->isActive());
    EXPECT_TRUE(w->isHidden());
    w->BtnCancelClick();  // Esc or Exit now: the exit has run already
    EXPECT_TRUE(test::CallsMatch(FFolder->Calls, {"OPEN", "DELETE *_a.txt", "LIST", "CLOSE"}))
        << Joined(FFolder->Calls);
}

TEST_F(DesktopWindow, BoxesNeverHangOnAHiddenOrMinimizedWindow) {
    auto w = MakeWindowOn(Settings());
    const struct {
        const char* Name;
        std::function<void()> Show;
        bool Parented;
    } cases[] = {
        {"shown", [&] { w->show(); }, true},
        {"minimized", [&] { w->showMinimized(); }, false},
        {"hidden", [&] { w->hide(); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TModalSeam::BeginTesting();
        c.Show();
        w->ShowMessage(QStringLiteral("FTP: note"));
        Guarded([] { throw std::runtime_error("general"); });
        ASSERT_EQ(TModalSeam::ShownMessages().size(), 2u);
        EXPECT_EQ(TModalSeam::ShownMessages()[0].Parent, c.Parented ? w.get() : nullptr);
        if (!c.Parented) {
            EXPECT_EQ(TModalSeam::ShownMessages()[1].Parent, nullptr);  // the general error box
        }
    }
}

TEST_F(DesktopWindow, ShortenersMessagesComeWithoutTheMinimizedWindow) {
    QGuiApplication::clipboard()->setText(QStringLiteral("https://example.org/a"));
    auto w = MakeWindowOn(Settings(), {QStringLiteral("-shortener")}, "shortener_settings.ini");
    FFolder->FailOn("OPEN", "530 Login incorrect.\r\n");
    ASSERT_TRUE(w->StartMinimized());
    w->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([] { return !TModalSeam::ShownMessages().empty(); }, 10000));
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Text, QStringLiteral("FTP: 530 Login incorrect.\r\n"));
    EXPECT_EQ(TModalSeam::ShownMessages()[0].Parent, nullptr);
    EXPECT_FALSE(w->TerminationRequested());  // not connected: the program stays
}

TEST_F(DesktopWindow, LinkTooLongForAQRCodeIsToldInTheInterfaceLanguage) {
    const struct {
        const char* Lang;
        const char* Message;
    } cases[] = {
        {"de_DE.UTF-8", "Der Link ist zu lang für einen QR-Code."},
        {"C", "The link is too long for a QR code."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Lang);
        TModalSeam::BeginTesting();
        ::setenv("LANG", c.Lang, 1);
        auto w = MakeWindowOn(Settings(5));
        // Longer than a settings file keeps.
        w->State().Settings.BaseURL = QStringLiteral("https://x.org/") + QString(3000, u'd');
        w->WMDropFiles({LocalFile("a.txt", "a")});
        EXPECT_EQ(Messages(), QStringList{QString::fromUtf8(c.Message)});
        EXPECT_EQ(w->urlDisplay->text(), w->State().Link);  // the link itself works
        EXPECT_TRUE(w->QRCodeBitmapImage().isNull());
        EXPECT_TRUE(w->AutoCloseTimer->isActive());  // a share all the same
    }
}

}  // namespace
}  // namespace vd::app
