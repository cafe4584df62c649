#include "app/gui/TVelodrop1.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "app/core/IntegerRule.h"
#include "app/core/Language.h"
#include "app/core/RandomNames.h"
#include "app/core/SettingsFile.h"
#include "app/gui/Designer.h"
#include "app/gui/ErrorBox.h"
#include "app/gui/KeyPreview.h"
#include "app/gui/ModalSeam.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TVelodropSettings.h"
#include "platform/SpecialFolders.h"
#include "qr/TQRCodeSymbol.h"

namespace vd::app {

TVelodrop1* Velodrop1 = nullptr;

namespace {

constexpr int CSIDL_COMMON_APPDATA = 35;

}  // namespace

TVelodrop1::TVelodrop1(const QStringList& Arguments) {
    CreateControls();
    ConnectHandlers();
    Guarded([&] { FormCreate(Arguments); });
}

TVelodrop1::~TVelodrop1() { FormDestroy(); }

void TVelodrop1::CreateControls() {
    setObjectName(QStringLiteral("Velodrop1"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(446, 496);
    UseDesignFont(this);
    setWindowTitle(QStringLiteral("Velodrop - V1.00 - drop a file, get a link"));

    QRCodePaintBox = new TPaintBox(this);
    QRCodePaintBox->setObjectName(QStringLiteral("QRCodePaintBox"));
    QRCodePaintBox->setGeometry(8, 8, 430, 430);

    urlDisplay = new QLineEdit(this);
    urlDisplay->setObjectName(QStringLiteral("urlDisplay"));
    urlDisplay->setGeometry(8, 436, 430, 21);
    urlDisplay->setReadOnly(true);

    BtnSettings = new QPushButton(QStringLiteral("&Settings..."), this);
    BtnSettings->setObjectName(QStringLiteral("BtnSettings"));
    BtnSettings->setGeometry(8, 463, 89, 25);
    SetTag(BtnSettings, kTranslatableTag);
    SetHint(BtnSettings, QStringLiteral("&Einstellungen..."));

    BtnCancel = new QPushButton(QStringLiteral("E&xit"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(363, 464, 75, 25);
    SetTag(BtnCancel, kTranslatableTag);

    QWidget::setTabOrder(BtnCancel, BtnSettings);
    QWidget::setTabOrder(BtnSettings, urlDisplay);

    AutoCloseTimer = new QTimer(this);
    AutoCloseTimer->setObjectName(QStringLiteral("AutoCloseTimer"));

    IdSSLIOHandlerSocketOpenSSL1.SetIntercept(&IdLogFile1);
    IdSSLIOHandlerSocketOpenSSL1.SetMaxLineAction(ftp::TIdMaxLineAction::maException);
    IdSSLIOHandlerSocketOpenSSL1.SetPort(21);
    IdSSLIOHandlerSocketOpenSSL1.SetReadTimeout(60000);
    ftp::TIdSSLOptions& tls = IdSSLIOHandlerSocketOpenSSL1.SSLOptions();
    tls.SetMethod(ftp::TIdSSLVersion::sslvTLSv1_2);
    tls.SetSSLVersions({ftp::TIdSSLVersion::sslvTLSv1_2});
    tls.SetMode(ftp::TIdSSLMode::sslmUnassigned);
    tls.SetVerifyMode({});  // users' own servers often have self-signed certificates
    tls.SetVerifyDepth(0);

    IdFTP1.SetIntercept(&IdLogFile1);
    IdFTP1.SetIPVersion(ftp::TIdIPVersion::Id_IPv4);
    IdFTP1.SetPassiveUseControlHost(true);
    IdFTP1.SetConnectTimeout(0);
    IdFTP1.SetTransferType(ftp::TIdFTPTransferType::ftBinary);
    // A data connection that goes quiet must not freeze the window for good.
    IdFTP1.SetTransferTimeout(60000);
}

void TVelodrop1::ConnectHandlers() {
    connect(BtnSettings, &QPushButton::clicked, this,
            [this] { RunHandler([this] { BtnSettingsClick(); }); });
    connect(BtnCancel, &QPushButton::clicked, this,
            [this] { RunHandler([this] { BtnCancelClick(); }); });
    connect(AutoCloseTimer, &QTimer::timeout, this,
            [this] { RunHandler([this] { AutoCloseTimerTimer(); }); });
    connect(QRCodePaintBox, &TPaintBox::DoubleClicked, this,
            [this] { RunHandler([this] { QRCodePaintBoxDblClick(); }); });
    connect(QRCodePaintBox, &TPaintBox::Painting, this,
            [this](QPainter& Canvas) { Guarded([&] { QRCodePaintBoxPaint(Canvas); }); });
    new TKeyPreview(this, [this](int Key) {
        bool handled = false;
        RunHandler([&] { handled = FormKeyDown(Key); });
        return handled;
    });
}

void TVelodrop1::FormCreate(const QStringList& Arguments) {
    FState.AutoLanguage = true;
    const TModeChoice mode = ChooseRunMode(Arguments);
    FState.RunMode = mode.RunMode;
    FStartMinimized = mode.Minimize;
    if (!mode.CurrentFile.isNull()) FState.CurrentFile = mode.CurrentFile;

    const QString folder = GetSpecialFolder(CSIDL_COMMON_APPDATA);
    FState.SettingsFile = SettingsFilePath(folder, mode.BaseName);
    FState.LogFileName = LogFilePath(folder);
    IdLogFile1.SetFilename(FState.LogFileName.toStdString());
    QFile::remove(FState.LogFileName);  // every run starts a new log

    LoadSettings();
    LocalizeForm(this);
    setAcceptDrops(true);
    QRCodeBitmap = QImage();
    FState.UploadedFiles.clear();
}

void TVelodrop1::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    // Activation runs once, at the first show: a dialog or message box that
    // closes later hands the focus back without a new activation.
    if (FActivated) return;
    FActivated = true;
    QTimer::singleShot(0, this, [this] { RunHandler([this] { FormActivate(); }); });
}

void TVelodrop1::FormActivate() {
    if (DeferIfBusy([this] { FormActivate(); })) return;
    if (FState.RunMode == TRunMode::rmShare) {
        if (!FState.CurrentFile.isEmpty()) ShareFile(FState.CurrentFile);
    } else if (ClipboardHasURL()) {
        FState.URLToShorten = QGuiApplication::clipboard()->text();
        ShortenURL(FState.URLToShorten);
    }
}

void TVelodrop1::FormDestroy() {
    setAcceptDrops(false);
    QRCodeBitmap = QImage();
    FState.UploadedFiles.clear();
}

bool TVelodrop1::FormKeyDown(int Key) {
    if (Key != Qt::Key_Escape) return false;
    BtnCancelClick();
    return true;
}

void TVelodrop1::LoadSettings() {
    if (!platform::FileExists(FState.SettingsFile.toStdString())) {
        BtnSettingsClick();
        return;
    }
    const TSettings s = ReadSettingsFile(FState.SettingsFile);
    IdFTP1.SetHost(s.Host.toStdString());
    IdFTP1.SetPort(s.Port);
    IdFTP1.SetUsername(s.Username.toStdString());
    IdFTP1.SetPassword(s.Password.toStdString());
    FState.Directory = s.Directory;
    FState.BaseURL = s.BaseURL;
    FState.UseTLS = s.UseTLS;
    FState.Timeout = s.Timeout;
    FState.ResizeJPGImages = s.ResizeJPGImages;
    FState.RemoveFileAtExit = s.RemoveFileAtExit;
    FState.CopyLinkToClipboard = s.CopyLinkToClipboard;
    if (!s.Log) IdLogFile1.SetFilename({});
    FState.AutoLanguage = s.AutoLanguage;
}

void TVelodrop1::SaveSettings() {
    if (FState.SettingsFile.isEmpty()) return;
    TSettings s;
    s.Host = QString::fromStdString(IdFTP1.Host());
    s.Port = IdFTP1.Port();
    s.Username = QString::fromStdString(IdFTP1.Username());
    s.Password = QString::fromStdString(IdFTP1.Password());
    s.Directory = FState.Directory;
    s.BaseURL = FState.BaseURL;
    s.UseTLS = FState.UseTLS;
    s.Timeout = FState.Timeout;
    s.RemoveFileAtExit = FState.RemoveFileAtExit;
    s.CopyLinkToClipboard = FState.CopyLinkToClipboard;
    s.ResizeJPGImages = FState.ResizeJPGImages;
    WriteSettingsFile(FState.SettingsFile, s);
}

void TVelodrop1::LocalizeForm(QWidget* Form) {
    const bool german = UseGermanTexts(FState.AutoLanguage);
    const TRuntimeTexts texts = RuntimeTexts(german);
    FState.NotExistingText = texts.NotExisting;
    SetHint(QRCodePaintBox, texts.DropHint);
    QRCodePaintBox->setToolTip(texts.DropHint);
    if (german) ApplyHintsAsCaptions(Form);
}

QString TVelodrop1::randomString(std::int32_t numberOfChars) const {
    return vd::app::randomString(numberOfChars);
}

QString TVelodrop1::GetSpecialFolder(int CSIDL) const {
    if (CSIDL != CSIDL_COMMON_APPDATA) return {};
    return QString::fromStdString(platform::CommonAppDataFolder());
}

void TVelodrop1::BtnSettingsClick() {
    if (DeferIfBusy([this] { BtnSettingsClick(); })) return;
    AutoCloseTimer->stop();
    // Released in every case, deferred until the current event is handled,
    // and the timer re-armed, also when saving fails.
    auto dialog = std::unique_ptr<TVelodropSettings, void (*)(TVelodropSettings*)>(
        new TVelodropSettings(nullptr), [](TVelodropSettings* d) { d->deleteLater(); });
    struct TRearm {
        TVelodrop1* Window;
        ~TRearm() { Window->ArmAutoCloseTimer(); }
    } rearm{this};

    LocalizeForm(dialog.get());
    TVelodropSettings& d = *dialog;
    d.HostInput->setText(QString::fromStdString(IdFTP1.Host()));
    d.PortInput->setText(QString::number(IdFTP1.Port()));
    d.UsernameInput->setText(QString::fromStdString(IdFTP1.Username()));
    d.PasswordInput->setText(QString::fromStdString(IdFTP1.Password()));
    d.DirectoryInput->setText(FState.Directory);
    d.baseURLInput->setText(FState.BaseURL);
    d.AutoclosetimeoutInput->setText(QString::number(FState.Timeout));
    d.RemoveFileAtExitCheckBox->setChecked(FState.RemoveFileAtExit);
    d.CopyLinkToClipboardCheckBox->setChecked(FState.CopyLinkToClipboard);
    d.useTLSCheckBox->setChecked(FState.UseTLS);
    d.resizeJPGInput->setText(QString::number(FState.ResizeJPGImages));

    if (TModalSeam::ExecDialog(d) != QDialog::Accepted) return;
    IdFTP1.SetHost(d.HostInput->text().toStdString());
    IdFTP1.SetPort(static_cast<std::uint16_t>(IntegerOrDefault(d.PortInput->text(), 21)));
    IdFTP1.SetUsername(d.UsernameInput->text().toStdString());
    IdFTP1.SetPassword(d.PasswordInput->text().toStdString());
    FState.Directory = d.DirectoryInput->text();
    FState.BaseURL = d.baseURLInput->text();
    FState.Timeout = IntegerOrDefault(d.AutoclosetimeoutInput->text(), 0);
    FState.RemoveFileAtExit = d.RemoveFileAtExitCheckBox->isChecked();
    FState.CopyLinkToClipboard = d.CopyLinkToClipboardCheckBox->isChecked();
    FState.UseTLS = d.useTLSCheckBox->isChecked();
    FState.ResizeJPGImages = AbsoluteValue(IntegerOrDefault(d.resizeJPGInput->text(), 0));
    SaveSettings();
    TestConnection();
}

void TVelodrop1::ArmAutoCloseTimer() {
    // Seconds to milliseconds without overflow: a huge delay means "never"
    // in practice, so it is capped at the timer's longest interval.
    const std::int64_t ms = std::int64_t{FState.Timeout} * 1000;
    AutoCloseTimer->setInterval(static_cast<int>(std::min<std::int64_t>(ms, INT32_MAX)));
    if (FState.Timeout > 0)
        AutoCloseTimer->start();
    else
        AutoCloseTimer->stop();
}

void TVelodrop1::AutoCloseTimerTimer() {
    // Once is enough: the exit sequence may show a message box, whose loop
    // would otherwise let the timer start a second exit inside the first.
    AutoCloseTimer->stop();
    BtnCancelClick();
}

QRect QRCodeTargetRect(QSize Box, QSize Bitmap) {
    // Anchored top-left, not centred; the product may fall just short of
    // the box in double precision and then truncates one pixel short.
    const double scale = Box.width() < Box.height() ? double(Box.width()) / Bitmap.width()
                                                    : double(Box.height()) / Bitmap.height();
    return {0, 0, static_cast<int>(scale * Bitmap.width()),
            static_cast<int>(scale * Bitmap.height())};
}

void TVelodrop1::ShowQRCode(const QString& Link) {
    qr::TQRCodeSymbol symbol;
    symbol.SetData(Link.toStdU16String());
    symbol.SetEncoding(qr::TQRCodeEncoding::qrAuto);
    symbol.SetQuietZone(4);
    QImage bitmap(symbol.Rows(), symbol.Columns(), QImage::Format_RGB32);
    for (int row = 0; row < symbol.Rows(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(row));
        for (int column = 0; column < symbol.Columns(); ++column) {
            line[column] = symbol.IsBlack(row, column) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        }
    }
    QRCodeBitmap = std::move(bitmap);
    QRCodePaintBox->repaint();
}

void TVelodrop1::QRCodePaintBoxPaint(QPainter& Canvas) {
    const int boxWidth = QRCodePaintBox->width();
    const int boxHeight = QRCodePaintBox->height();
    Canvas.fillRect(0, 0, boxWidth, boxHeight, Qt::white);
    if (QRCodeBitmap.width() < 1 || QRCodeBitmap.height() < 1) return;
    Canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    Canvas.drawImage(QRCodeTargetRect(QRCodePaintBox->size(), QRCodeBitmap.size()), QRCodeBitmap);
}

}  // namespace vd::app
