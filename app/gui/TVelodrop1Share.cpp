// The main window's share flow: a file from a drop, the file dialog or the
// command line goes up under a fresh name (the core's work); its link is
// shown as text and QR code.

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include "app/core/DroppedFiles.h"
#include "app/gui/ErrorBox.h"
#include "app/gui/ModalSeam.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TBusy.h"
#include "app/gui/TVelodrop1.h"
#include "qr/EQRCodeTooLong.h"

namespace vd::app {

namespace {

// A drop takes a copy whatever the drag proposes: a drop accepted as a
// move tells the file manager to delete the file. False when the source
// allows neither a copy nor a link.
bool AcceptAsCopy(QDropEvent& Event) {
    for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (Event.possibleActions() & action) {
            Event.setDropAction(action);
            Event.accept();
            return true;
        }
    }
    return false;
}

}  // namespace

void TVelodrop1::dragEnterEvent(QDragEnterEvent* Event) {
    // Left unaccepted, the drag shows the no-drop cursor.
    if (!FBusy && !LocalFilesOf(*Event->mimeData()).isEmpty()) AcceptAsCopy(*Event);
}

void TVelodrop1::dropEvent(QDropEvent* Event) {
    const QStringList files = LocalFilesOf(*Event->mimeData());
    if (files.isEmpty() || !AcceptAsCopy(*Event)) return;
    RunHandler([&] { WMDropFiles(files); });
}

void TVelodrop1::closeEvent(QCloseEvent* Event) {
    // The application's own quit closes its windows once the exit sequence
    // has asked for it.
    if (TerminationRequested()) {
        Event->accept();
        return;
    }
    // The title bar, Alt+F4 and the end of the desktop session: the same
    // exit as the Exit button. While an operation runs, the exit waits for
    // its end and the window stays until then; an upload stops early.
    if (FBusy) FStopUpload = true;
    RunHandler([this] { BtnCancelClick(); });
    Event->setAccepted(TerminationRequested());
}

void TVelodrop1::WMDropFiles(const QStringList& Files) {
    if (DeferIfBusy([this, Files] { WMDropFiles(Files); })) return;
    // A drop always brings a file (dragEnterEvent refuses others); the path
    // is taken as it is, since a name may end in a blank.
    if (Files.isEmpty()) return;
    // Said before the upload, so that nobody waits for links to the others.
    if (Files.size() > 1)
        ShowMessage(
            Text(InterfaceLanguage(State().Settings.AutoLanguage), TText::OnlyFirstFileShared)
                .arg(Files.size())
                .arg(Files.front()));
    State().CurrentFile = Files.front();
    ShareFile(State().CurrentFile);
}

void TVelodrop1::QRCodePaintBoxDblClick() {
    if (DeferIfBusy([this] { QRCodePaintBoxDblClick(); })) return;
    const QString file = TModalSeam::OpenFileName(this, FileDialogFolder());
    if (file.isEmpty()) return;
    State().CurrentFile = file;
    ShareFile(State().CurrentFile);
}

QString TVelodrop1::FileDialogFolder() {
    QStringList lastShared{State().CurrentFile};
    if (const auto newest = FCore.Record().Recent(1); newest && !newest->empty())
        lastShared << newest->front().LocalName;
    for (const QString& file : lastShared) {
        if (file.isEmpty()) continue;
        const QFileInfo folder(QFileInfo(file).absolutePath());
        if (folder.isDir()) return folder.absoluteFilePath();
    }
    return QDir::homePath();
}

void TVelodrop1::ShareFile(const QString& FileName) {
    FAutoClose.Disarm();
    ApplyAutoClose();
    const TShareResult result =
        RunShare(FileName, [this, FileName] { return FCore.ShareFile(FileName); });
    // A file that could not go up at all is no share to count from.
    if (!result.Shareable) return;
    FAutoClose.ArmAfterShare(State().Settings.Timeout);
    ApplyAutoClose();
}

void TVelodrop1::UploadFile(const QString& LocalFile, const QString& RemoteName) {
    RunShare(LocalFile, [&] { return FCore.UploadFile(LocalFile, RemoteName); });
}

TShareResult TVelodrop1::RunShare(const QString& FileName,
                                  const std::function<TShareResult()>& Share) {
    TShareResult result;
    {
        const TBusy busy(*this);
        result = Share();
    }
    ShowShareResult(FileName, result);
    return result;
}

void TVelodrop1::ShowShareResult(const QString& FileName, const TShareResult& Result) {
    if (Result.Shareable) QRCodePaintBox->setToolTip(FileName);
    if (!Result.Ok()) return;
    ShowLink(Result.Link);
    SetLinkExpiry(Result.ExpiresAt);
    ShowLinkCode(Result.Link);
    // Whether the link opens the file shows later; the link is there now.
    FLinkCheck->Start(Result.Link, Result.Size);
}

void TVelodrop1::ShowLink(const QString& Link) {
    SetLinkWarning({});  // a warning belongs to the link before
    urlDisplay->setText(Link);
}

void TVelodrop1::ShowLinkCode(const QString& Link) {
    try {
        ShowQRCode(Link);
    } catch (const qr::EQRCodeTooLong&) {
        // The link itself works; the user is told in the interface language.
        ShowGeneralError(
            Text(InterfaceLanguage(State().Settings.AutoLanguage), TText::QRCodeTooLong));
    }
}

void TVelodrop1::LinkChecked(const QString& Link, const TLinkVerdict& Verdict) {
    // A newer link may have come meanwhile: only the one on show counts.
    if (Verdict.Ok() || Link != urlDisplay->text()) return;
    const TLanguage language = InterfaceLanguage(State().Settings.AutoLanguage);
    SetLinkWarning(Text(language, TText::LinkWarning).arg(LinkFaultText(Verdict, language)));
}

void TVelodrop1::SetLinkWarning(const QString& Warning) {
    if (!FLinkWarning) {
        FLinkWarning = urlDisplay->addAction(style()->standardIcon(QStyle::SP_MessageBoxWarning),
                                             QLineEdit::TrailingPosition);
    }
    FLinkWarning->setVisible(!Warning.isEmpty());
    FLinkWarning->setToolTip(Warning);
    UpdateLinkToolTip();
}

void TVelodrop1::SetLinkExpiry(std::optional<qint64> ExpiresAt) {
    FLinkExpiry.clear();
    if (ExpiresAt) {
        const TLanguage language = InterfaceLanguage(State().Settings.AutoLanguage);
        FLinkExpiry = Text(language, TText::ExpiresOn)
                          .arg(QLocale::system().toString(QDateTime::fromSecsSinceEpoch(*ExpiresAt),
                                                          QLocale::ShortFormat));
    }
    UpdateLinkToolTip();
}

void TVelodrop1::UpdateLinkToolTip() {
    QStringList lines;
    if (const QString warning = LinkWarning(); !warning.isEmpty()) lines << warning;
    if (!FLinkExpiry.isEmpty()) lines << FLinkExpiry;
    urlDisplay->setToolTip(lines.join(u'\n'));
}

QString TVelodrop1::LinkWarning() const {
    return FLinkWarning && FLinkWarning->isVisible() ? FLinkWarning->toolTip() : QString();
}

}  // namespace vd::app
