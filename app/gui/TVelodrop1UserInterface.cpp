// The main window as the flows' user interface: modal boxes, the upload's
// progress in the link field, the clipboard and the browser.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QUrl>
#include <stdexcept>

#include "app/clipboard/ClipboardKeeperProcess.h"
#include "app/clipboard/DesktopClipboard.h"
#include "app/core/Language.h"
#include "app/core/ProgressText.h"
#include "app/gui/ModalSeam.h"
#include "app/gui/TVelodrop1.h"

namespace vd::app {
void TVelodrop1::ShowMessage(const QString& Text) {
    // The seam leaves the parent out while the window is hidden (the exit
    // sequence) or minimized (shortener mode).
    TModalSeam::MessageBox(this, Text, QCoreApplication::applicationName(), QMessageBox::NoIcon);
}

bool TVelodrop1::AskYesNo(const QString& Question) {
    return TModalSeam::Question(this, Question, QCoreApplication::applicationName());
}

void TVelodrop1::ShowProgress(std::uint64_t Sent, std::uint64_t Total) {
    // A few updates a second keep a long upload from looking frozen; input
    // stays blocked, so no handler can start inside the upload.
    if (!FTextBeforeProgress) {
        FTextBeforeProgress = urlDisplay->text();
        FProgressPace.Restart();  // the first piece shows at once
    }
    if (FStopUpload) throw EUploadStopped();
    if (!FProgressPace.Due(Sent, Total)) return;
    urlDisplay->setText(ProgressText(Sent, Total));
    // A close or the end of the session may come in here.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (FStopUpload) throw EUploadStopped();
}

void TVelodrop1::EndProgress() noexcept {
    if (!FTextBeforeProgress) return;
    urlDisplay->setText(*FTextBeforeProgress);
    FTextBeforeProgress.reset();
}

void TVelodrop1::SetClipboardText(const QString& Text) {
    const auto notSet = [this](const QString& Why) {
        const TLanguage language = InterfaceLanguage(State().Settings.AutoLanguage);
        return std::runtime_error(
            (vd::app::Text(language, TText::ClipboardNotSet) + Why).toStdString());
    };
    if (WindowCopiesThroughKeeper(QGuiApplication::platformName().toStdString())) {
        const std::string why = CopyThroughKeeper(
            QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
            Text.toStdString());
        if (!why.empty()) throw notSet(QString::fromStdString(why));
        return;
    }
    QClipboard& clipboard = *QGuiApplication::clipboard();
    clipboard.setText(Text);
    // Only X11 tells whether the clipboard is ours now.
    if (QGuiApplication::platformName() == u"xcb" && !clipboard.ownsClipboard())
        throw notSet(QStringLiteral("the X11 display did not give the clipboard to the window"));
}

void TVelodrop1::OpenURL(const QString& URL) { TModalSeam::OpenUrl(QUrl(URL)); }

}  // namespace vd::app
