// The main window's share flow: a file from a drop, the file dialog or the
// command line goes up under a fresh name (the core's work); its link is
// shown as text and QR code.

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include "app/core/RandomNames.h"
#include "app/core/ShareNames.h"
#include "app/core/TextRules.h"
#include "app/gui/ModalSeam.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TBusy.h"
#include "app/gui/TVelodrop1.h"

namespace vd::app {

void TVelodrop1::dragEnterEvent(QDragEnterEvent* Event) {
    if (!FBusy && Event->mimeData()->hasUrls()) Event->acceptProposedAction();
}

void TVelodrop1::dropEvent(QDropEvent* Event) {
    QStringList files;
    for (const QUrl& url : Event->mimeData()->urls()) {
        if (url.isLocalFile()) files << url.toLocalFile();
    }
    Event->acceptProposedAction();
    RunHandler([&] { WMDropFiles(files); });
}

void TVelodrop1::closeEvent(QCloseEvent* Event) {
    if (FBusy)
        Event->ignore();  // the running operation ends first
    else
        QWidget::closeEvent(Event);
}

void TVelodrop1::WMDropFiles(const QStringList& Files) {
    if (DeferIfBusy([this, Files] { WMDropFiles(Files); })) return;
    if (!Files.isEmpty()) State().CurrentFile = TrimControl(Files.front());
    ShareFile(State().CurrentFile);
}

void TVelodrop1::QRCodePaintBoxDblClick() {
    if (DeferIfBusy([this] { QRCodePaintBoxDblClick(); })) return;
    const QString file = TModalSeam::OpenFileName(this);
    if (file.isEmpty()) return;
    State().CurrentFile = file;
    ShareFile(State().CurrentFile);
}

void TVelodrop1::ShareFile(const QString& FileName) {
    AutoCloseTimer->stop();
    if (!FCore.CheckShareable(FileName)) return;
    QRCodePaintBox->setToolTip(FileName);
    TControllerState& state = State();
    state.RemoteName = RemoteNameFor(randomString(10), state.CurrentFile);
    const QString link = UploadFile(state.CurrentFile, state.RemoteName);
    if (!link.isEmpty()) {
        ShowQRCode(link);
        // Whether the link opens the file shows later; the link is there now.
        FLinkCheck->Start(link, state.LinkFileSize);
    }
    ArmAutoCloseTimer();
}

void TVelodrop1::LinkChecked(const QString& Link, const TLinkVerdict& Verdict) {
    // A newer link may have come meanwhile: only the one on show counts.
    if (Verdict.Ok() || Link != urlDisplay->text()) return;
    const TLanguage language = InterfaceLanguage(State().Settings.AutoLanguage);
    SetLinkWarning(Text(language, u"LinkWarning").arg(LinkFaultText(Verdict, language)));
}

void TVelodrop1::SetLinkWarning(const QString& Warning) {
    if (!FLinkWarning) {
        FLinkWarning = urlDisplay->addAction(style()->standardIcon(QStyle::SP_MessageBoxWarning),
                                             QLineEdit::TrailingPosition);
    }
    FLinkWarning->setVisible(!Warning.isEmpty());
    FLinkWarning->setToolTip(Warning);
    urlDisplay->setToolTip(Warning);
}

QString TVelodrop1::LinkWarning() const {
    return FLinkWarning && FLinkWarning->isVisible() ? FLinkWarning->toolTip() : QString();
}

QString TVelodrop1::UploadFile(const QString& LocalFile, const QString& RemoteName) {
    const TBusy busy(*this);
    return FCore.UploadFile(LocalFile, RemoteName);
}

}  // namespace vd::app
