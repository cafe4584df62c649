// The main window's share flow: a file from a drop, the file dialog or the
// command line goes up under a fresh name; its link is shown as text and
// QR code.

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "app/core/Language.h"
#include "app/core/RandomNames.h"
#include "app/core/ResizeJPG.h"
#include "app/core/ShareNames.h"
#include "app/core/TextRules.h"
#include "app/gui/Designer.h"
#include "app/gui/ErrorBox.h"
#include "app/gui/ModalSeam.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TBusy.h"
#include "app/gui/TVelodrop1.h"
#include "platform/SpecialFolders.h"

namespace vd::app {
namespace {

QString FormatBytes(std::uint64_t Bytes) {
    if (Bytes < 1024 * 1024) return QStringLiteral("%1 KiB").arg(Bytes / 1024.0, 0, 'f', 1);
    if (Bytes < 1024ull * 1024 * 1024)
        return QStringLiteral("%1 MiB").arg(Bytes / (1024.0 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 GiB").arg(Bytes / (1024.0 * 1024 * 1024), 0, 'f', 2);
}

}  // namespace

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
    if (!Files.isEmpty()) FState.CurrentFile = TrimControl(Files.front());
    ShareFile(FState.CurrentFile);
}

void TVelodrop1::QRCodePaintBoxDblClick() {
    if (DeferIfBusy([this] { QRCodePaintBoxDblClick(); })) return;
    const QString file = TModalSeam::OpenFileName(this);
    if (file.isEmpty()) return;
    FState.CurrentFile = file;
    ShareFile(FState.CurrentFile);
}

void TVelodrop1::ShareFile(const QString& FileName) {
    AutoCloseTimer->stop();
    if (!platform::FileExists(FileName.toStdString())) {
        ShowMessage(FileName + FState.NotExistingText);
        return;
    }
    if (HasLineBreak(FileName)) {
        // No command line may carry a line break; refused before anything is sent.
        ShowMessage(
            UseGermanTexts(FState.AutoLanguage)
                ? QStringLiteral(
                      "Der Dateiname enthält einen Zeilenumbruch und kann nicht geteilt werden: ") +
                      FileName
                : QStringLiteral("The file name holds a line break and cannot be shared: ") +
                      FileName);
        return;
    }
    SetHint(QRCodePaintBox, FileName);
    QRCodePaintBox->setToolTip(FileName);
    FState.RemoteName = RemoteNameFor(randomString(10), FState.CurrentFile);
    const QString link = UploadFile(FState.CurrentFile, FState.RemoteName);
    if (!link.isEmpty()) ShowQRCode(link);
    ArmAutoCloseTimer();
}

QString TVelodrop1::UploadFile(QString LocalFile, const QString& RemoteName) {
    FState.Link.clear();
    const TBusy busy(*this);
    const QString shownBefore = urlDisplay->text();
    try {
        if (!ConnectToServer()) return FState.Link;
        if (FState.ResizeJPGImages > 0) LocalFile = ResizeJPG(LocalFile, FState.ResizeJPGImages);
        FProgressShown.invalidate();  // the first piece shows at once
        IdFTP1.Put(
            LocalFile.toStdString(), RemoteName.toStdString(),
            [this](std::uint64_t Sent, std::uint64_t Total) { ShowUploadProgress(Sent, Total); });
        urlDisplay->setText(shownBefore);
        IdFTP1.Disconnect();
        IdLogFile1.SetActive(false);
        FState.UploadedFiles << RemoteName;
        FState.Link = BuildLink(FState.BaseURL, RemoteName);
        if (FState.CopyLinkToClipboard) QGuiApplication::clipboard()->setText(FState.Link);
        urlDisplay->setText(FState.Link);
    } catch (const std::exception& e) {
        urlDisplay->setText(shownBefore);
        ShowMessage(QStringLiteral("FTP: ") + QString::fromUtf8(e.what()));
    }
    return FState.Link;
}

void TVelodrop1::ShowUploadProgress(std::uint64_t Sent, std::uint64_t Total) {
    // A few updates a second keep a long upload from looking frozen; input
    // stays blocked, so no handler can start inside the upload.
    if (FProgressShown.isValid() && FProgressShown.elapsed() < 100 && Sent < Total) return;
    FProgressShown.start();
    const int percent = Total ? static_cast<int>(Sent * 100 / Total) : 100;
    urlDisplay->setText(
        QStringLiteral("%1 / %2 (%3 %)").arg(FormatBytes(Sent), FormatBytes(Total)).arg(percent));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace vd::app
