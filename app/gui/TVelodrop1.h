#pragma once
// The main window. It holds the application core (the run's state, the
// server and the flows), shows the latest link and its QR code, runs the
// settings dialog and the exit sequence, and is the flows' user interface:
// message boxes, the upload's progress, the clipboard, the browser.

#include <QCoreApplication>
#include <QImage>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/VelodropCore.h"
#include "app/core/AutoClose.h"
#include "app/core/ProgressText.h"
#include "app/core/UserInterface.h"
#include "app/gui/ErrorBox.h"

class QAction;
class QMenu;
class QLineEdit;
class QPushButton;
class QTimer;

namespace vd::app {

class TPaintBox;
class TBusy;

class TVelodrop1 final : public QWidget, public TUserInterface {
    Q_OBJECT
  public:
    /// `Arguments`: the command line, [0] being the program's full path.
    /// `Folder`: the server, without one FTP or SFTP as the host setting
    /// names; `Links`: how the connection test fetches its link, without
    /// one over HTTP.
    explicit TVelodrop1(const QStringList& Arguments,
                        std::unique_ptr<TRemoteFolder> Folder = nullptr,
                        std::unique_ptr<TLinkChecker> Links = nullptr);
    ~TVelodrop1() override;

    TControllerState& State() { return FCore.State(); }
    TVelodropCore& Core() { return FCore; }
    const QImage& QRCodeBitmapImage() const { return QRCodeBitmap; }
    bool StartMinimized() const { return FStartMinimized; }
    bool TerminationRequested() const { return FCore.State().TerminationRequested; }

    void LoadSettings();
    void SaveSettings();
    void LocalizeForm(QWidget* Form);
    /// Encodes `Link` once into QRCodeBitmap, one pixel per module, and
    /// repaints the QR area. Raises when the link does not fit a QR code;
    /// the previous code then stays.
    void ShowQRCode(const QString& Link);

    // Server sessions: each operation opens its own (the core's flows).
    bool ConnectToServer();
    bool TestConnection();
    void RemoveUploadedFiles();

    // Sharing a file: the core's share, painted here.
    void ShareFile(const QString& FileName);
    void UploadFile(const QString& LocalFile, const QString& RemoteName);
    void WMDropFiles(const QStringList& Files);

    // Shortener mode. ClipboardHasURL keeps the text it tested.
    bool ClipboardHasURL();
    void ShortenURL(const QString& URL);
    QString randomString(std::int32_t numberOfChars) const;
    QString GetSpecialFolder(int CSIDL) const;

    /// The desktop session or the terminal ends (SIGTERM, SIGHUP): open
    /// boxes close as if cancelled, a running upload stops, and the exit
    /// sequence runs at once.
    void EndSession();

    // The flows' user interface.
    void ShowMessage(const QString& Text) override;
    bool AskYesNo(const QString& Question) override;
    void ShowProgress(std::uint64_t Sent, std::uint64_t Total) override;
    void EndProgress() noexcept override;
    void SetClipboardText(const QString& Text) override;
    void OpenURL(const QString& URL) override;

    /// The warning the link field shows when the latest link does not lead
    /// to its file; empty text when there is none.
    QString LinkWarning() const;
    /// The link field's menu: the line edit's own entries, the recent shares
    /// (picking one shows and copies its link again) and the deletion of the
    /// share on show. The caller owns it.
    QMenu* NewLinkMenu();
    /// Shows and copies the link of a share made before, as after a share.
    void ShowRecordedShare(const TShareRow& Share);
    /// Deletes the share on show from its server; the link field and QR
    /// code clear when it went.
    void DeleteShownShare();
    /// The check of the latest link, which runs in the background.
    TBackgroundLinkCheck& LinkCheck() { return *FLinkCheck; }

    TPaintBox* QRCodePaintBox;
    QLineEdit* urlDisplay;
    QPushButton* BtnSettings;
    QPushButton* BtnCancel;
    QTimer* AutoCloseTimer;

  public slots:
    void BtnSettingsClick();
    void BtnCancelClick();
    void AutoCloseTimerTimer();
    void QRCodePaintBoxPaint(QPainter& Canvas);
    void QRCodePaintBoxDblClick();

  protected:
    void showEvent(QShowEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

  private:
    void CreateControls();
    void ConnectHandlers();
    void FormCreate(const QStringList& Arguments);
    void FormActivate();
    void FormDestroy();
    bool FormKeyDown(int Key);
    /// Starts or stops AutoCloseTimer as the auto-close rule says now.
    void ApplyAutoClose();
    /// Runs `Share` with other operations held back, then shows its result.
    TShareResult RunShare(const QString& FileName, const std::function<TShareResult()>& Share);
    /// The link of a share in the link field and as QR code, and its check
    /// started.
    void ShowShareResult(const QString& FileName, const TShareResult& Result);
    /// Where the file dialog starts: the folder of the last shared file (of
    /// this run, else the newest in the record), else the home folder.
    QString FileDialogFolder();
    void ShowLink(const QString& Link);
    void ShowLinkCode(const QString& Link);
    void LinkChecked(const QString& Link, const TLinkVerdict& Verdict);
    void SetLinkWarning(const QString& Warning);
    /// The link field's tooltip: the warning, then when the share expires.
    void SetLinkExpiry(std::optional<qint64> ExpiresAt);
    void UpdateLinkToolTip();
    /// The password from the keyring, once the window is on the screen, and
    /// the start-up sweep of the shares that are due; other operations wait.
    void FetchPassword();
    void RemoveDueShares();

    TVelodropCore FCore;
    TAutoClose FAutoClose;
    bool FExitStarted = false;  // the exit sequence runs once
    QImage QRCodeBitmap;
    TBackgroundLinkCheck* FLinkCheck;
    QAction* FLinkWarning = nullptr;  // the warning sign in the link field
    QString FLinkExpiry;              // "expires on ..." of the share on show
    // The upload's progress borrows the link field; what it showed before
    // comes back when the upload ends.
    TProgressPace FProgressPace;
    std::optional<QString> FTextBeforeProgress;
    // While an upload runs, events are still processed so that the window
    // paints its progress; handlers that would start another operation wait
    // in FDeferred until it ends.
    bool FBusy = false;
    // Set when the window is closed during an upload: the upload stops at
    // its next piece instead of holding the exit up.
    bool FStopUpload = false;
    std::vector<std::function<void()>> FDeferred;
    bool DeferIfBusy(std::function<void()> Handler);
    void EndBusy();
    /// Runs an event handler behind the general error box; once it has
    /// returned, a termination it requested takes effect.
    template <class F>
    void RunHandler(F&& Handler);
    friend class TBusy;
    bool FActivated = false;
    bool FStartMinimized = false;
    QString ClipboardText();
    QString FClipboardText;
};

template <class F>
void TVelodrop1::RunHandler(F&& Handler) {
    Guarded(std::forward<F>(Handler));
    // Termination is a request: the program ends after the handler, and
    // after any message it still had to show.
    if (TerminationRequested()) QCoreApplication::quit();
}

/// Where the QR code bitmap is drawn inside the box: scaled to the box's
/// smaller side, from its top-left corner.
QRect QRCodeTargetRect(QSize Box, QSize Bitmap);

}  // namespace vd::app
