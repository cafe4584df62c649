#pragma once
// The main window, which is also the program's controller: it holds the
// run's state, reads and writes the settings, runs the settings dialog and
// the exit sequence, and shows the latest link and its QR code.

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <cstdint>

#include "app/core/ControllerState.h"

class QLineEdit;
class QPushButton;
class QTimer;

namespace vd::app {

class TPaintBox;

/// The four connection settings. They belong to the FTP client; until the
/// client is wired in, the window keeps them here.
struct TFtpLogin {
    QString Host;
    std::uint16_t Port = 21;
    QString Username;
    QString Password;
};

class TVelodrop1 final : public QWidget {
    Q_OBJECT
public:
    /// `Arguments`: the command line, [0] being the program's full path.
    explicit TVelodrop1(const QStringList& Arguments);
    ~TVelodrop1() override;

    TControllerState& State() { return FState; }
    TFtpLogin& FtpLogin() { return FFtpLogin; }
    /// The traffic log's file name; empty when no log is written.
    const QString& LogFilename() const { return FLogFilename; }
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
    QString randomString(std::int32_t numberOfChars) const;
    QString GetSpecialFolder(int CSIDL) const;

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

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    void FormCreate(const QStringList& Arguments);
    void FormActivate();
    void FormDestroy();
    bool FormKeyDown(int Key);
    void ArmAutoCloseTimer();

    TControllerState FState;
    TFtpLogin FFtpLogin;
    QString FLogFilename;
    QImage QRCodeBitmap;
    bool FActivated = false;
    bool FStartMinimized = false;
    bool FTerminationRequested = false;
};

/// Where the QR code bitmap is drawn inside the box: scaled to the box's
/// smaller side, from its top-left corner.
QRect QRCodeTargetRect(QSize Box, QSize Bitmap);

/// The one main window of the program; the settings dialog draws its
/// random directory names through it.
extern TVelodrop1* Velodrop1;

}  // namespace vd::app
