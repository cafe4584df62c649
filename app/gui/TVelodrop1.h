#pragma once
// The main window, which is also the program's controller: it holds the
// run's state, reads and writes the settings, runs the settings dialog and
// the exit sequence, and shows the latest link and its QR code.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "app/core/ControllerState.h"
#include "app/gui/ErrorBox.h"
#include "ftp/TIdFTP.h"
#include "ftp/TIdLogFile.h"
#include "ftp/TIdSSLIOHandlerSocketOpenSSL.h"

class QLineEdit;
class QPushButton;
class QTimer;

namespace vd::app {

class TPaintBox;
class TBusy;

class TVelodrop1 final : public QWidget {
    Q_OBJECT
  public:
    /// `Arguments`: the command line, [0] being the program's full path.
    explicit TVelodrop1(const QStringList& Arguments);
    ~TVelodrop1() override;

    TControllerState& State() { return FState; }
    const QImage& QRCodeBitmapImage() const { return QRCodeBitmap; }
    bool StartMinimized() const { return FStartMinimized; }
    bool TerminationRequested() const { return FTerminationRequested; }

    void LoadSettings();
    void SaveSettings();
    void LocalizeForm(QWidget* Form);
    /// Encodes `Link` once into QRCodeBitmap, one pixel per module, and
    /// repaints the QR area. Raises when the link does not fit a QR code;
    /// the previous code then stays.
    void ShowQRCode(const QString& Link);

    // Server sessions: each operation opens its own.
    bool ConnectToServer();
    bool TestConnection();
    void RemoveUploadedFiles();

    // Sharing a file.
    void ShareFile(const QString& FileName);
    QString UploadFile(QString LocalFile, const QString& RemoteName);
    void WMDropFiles(const QStringList& Files);

    // Shortener mode.
    bool ClipboardHasURL();
    void InstallShortenerScripts();
    void ShortenURL(const QString& URL);
    QString randomString(std::int32_t numberOfChars) const;
    QString GetSpecialFolder(int CSIDL) const;

    TPaintBox* QRCodePaintBox;
    QLineEdit* urlDisplay;
    QPushButton* BtnSettings;
    QPushButton* BtnCancel;
    QTimer* AutoCloseTimer;
    // Declared before the client, which keeps pointers to them.
    ftp::TIdLogFile IdLogFile1;
    ftp::TIdSSLIOHandlerSocketOpenSSL IdSSLIOHandlerSocketOpenSSL1;
    ftp::TIdFTP IdFTP1;

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
    void ArmAutoCloseTimer();
    void ShowMessage(const QString& Text);
    void SelectTLS();
    void ShowUploadProgress(std::uint64_t Sent, std::uint64_t Total);

    TControllerState FState;
    QElapsedTimer FProgressShown;  // when the upload's progress was last shown
    QImage QRCodeBitmap;
    // While an upload runs, events are still processed so that the window
    // paints its progress; handlers that would start another operation wait
    // in FDeferred until it ends.
    bool FBusy = false;
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
    bool FTerminationRequested = false;
};

template <class F>
void TVelodrop1::RunHandler(F&& Handler) {
    Guarded(std::forward<F>(Handler));
    // Termination is a request: the program ends after the handler, and
    // after any message it still had to show.
    if (FTerminationRequested) QCoreApplication::quit();
}

/// Where the QR code bitmap is drawn inside the box: scaled to the box's
/// smaller side, from its top-left corner.
QRect QRCodeTargetRect(QSize Box, QSize Bitmap);

/// The one main window of the program; the settings dialog draws its
/// random directory names through it.
extern TVelodrop1* Velodrop1;

}  // namespace vd::app
