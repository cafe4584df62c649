#include "app/gui/TVelodrop1.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "app/core/RandomNames.h"
#include "app/gui/Designer.h"
#include "app/gui/ErrorBox.h"
#include "app/gui/KeyPreview.h"
#include "app/gui/ModalSeam.h"
#include "app/gui/PaintBox.h"
#include "app/gui/TBusy.h"
#include "app/gui/TVelodropSettings.h"
#include "platform/SpecialFolders.h"

namespace vd::app {
namespace {

constexpr int CSIDL_COMMON_APPDATA = 35;

}  // namespace

TVelodrop1::TVelodrop1(const QStringList& Arguments, std::unique_ptr<TRemoteFolder> Folder,
                       std::unique_ptr<TLinkChecker> Links)
    : FCore(*this, std::move(Folder), std::move(Links)) {
    CreateControls();
    ConnectHandlers();
    Guarded([&] { FormCreate(Arguments); });
}

TVelodrop1::~TVelodrop1() {
    TModalSeam::RemoveModalListeners(this);
    FormDestroy();
}

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
    urlDisplay->setContextMenuPolicy(Qt::CustomContextMenu);

    BtnSettings = new QPushButton(DesignCaption("BtnSettings"), this);
    BtnSettings->setObjectName(QStringLiteral("BtnSettings"));
    BtnSettings->setGeometry(8, 463, 89, 25);
    SetTag(BtnSettings, kTranslatableTag);

    BtnCancel = new QPushButton(DesignCaption("BtnCancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(363, 464, 75, 25);
    SetTag(BtnCancel, kTranslatableTag);

    QWidget::setTabOrder(BtnCancel, BtnSettings);
    QWidget::setTabOrder(BtnSettings, urlDisplay);

    AutoCloseTimer = new QTimer(this);
    AutoCloseTimer->setObjectName(QStringLiteral("AutoCloseTimer"));

    FLinkCheck = NewBackgroundLinkCheck(this);
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
    connect(urlDisplay, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
        Guarded([&] {
            const std::unique_ptr<QMenu> menu(NewLinkMenu());
            TModalSeam::ExecMenu(*menu, urlDisplay->mapToGlobal(At));
        });
    });
    connect(FLinkCheck, &TBackgroundLinkCheck::Checked, this,
            [this](const QString& Link, const TLinkVerdict& Verdict) {
                Guarded([&] { LinkChecked(Link, Verdict); });
            });
    connect(QRCodePaintBox, &TPaintBox::Painting, this,
            [this](QPainter& Canvas) { Guarded([&] { QRCodePaintBoxPaint(Canvas); }); });
    new TKeyPreview(this, [this](int Key) {
        bool handled = false;
        RunHandler([&] { handled = FormKeyDown(Key); });
        return handled;
    });
    // The program never closes under a box or dialog the user is reading.
    TModalSeam::AddModalListener(this, [this](bool Open) {
        if (Open)
            FAutoClose.ModalOpened();
        else
            FAutoClose.ModalClosed();
        ApplyAutoClose();
    });
}

void TVelodrop1::FormCreate(const QStringList& Arguments) {
    TControllerState& state = State();
    const TModeChoice mode = ChooseRunMode(Arguments);
    state.RunMode = mode.RunMode;
    FStartMinimized = mode.Minimize;
    if (!mode.CurrentFile.isNull()) state.CurrentFile = mode.CurrentFile;
    FCore.PrepareRunFiles(GetSpecialFolder(CSIDL_COMMON_APPDATA), mode.BaseName);
    FCore.UseShareRecord(ShareRecordPath(QString::fromStdString(platform::UserDataFolder())));
    // A first start whose settings cannot be saved (an unwritable folder)
    // shows why and goes on: without the rest the window would take no
    // drops and speak the wrong language for the whole run.
    Guarded([this] { LoadSettings(); });
    LocalizeForm(this);
    setAcceptDrops(true);
    QRCodeBitmap = QImage();
    state.UploadedFiles.clear();
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
    FetchPassword();
    RemoveDueShares();
    TControllerState& state = State();
    if (state.RunMode == TRunMode::rmShare) {
        if (!state.CurrentFile.isEmpty()) ShareFile(state.CurrentFile);
    } else if (ClipboardHasURL()) {
        // The text as it was read for the test: the clipboard may have
        // changed since, and on Wayland each read is a transfer.
        state.URLToShorten = FClipboardText;
        ShortenURL(state.URLToShorten);
    }
}

void TVelodrop1::FormDestroy() {
    setAcceptDrops(false);
    QRCodeBitmap = QImage();
    State().UploadedFiles.clear();
}

bool TVelodrop1::FormKeyDown(int Key) {
    if (Key != Qt::Key_Escape) return false;
    BtnCancelClick();
    return true;
}

void TVelodrop1::LoadSettings() {
    if (!FCore.LoadSettings()) BtnSettingsClick();
}

void TVelodrop1::SaveSettings() {
    QString notice;
    {
        const TBusy busy(*this);  // the keyring may ask to be unlocked meanwhile
        notice = FCore.SaveSettings();
    }
    if (!notice.isEmpty()) ShowMessage(notice);
}

void TVelodrop1::LocalizeForm(QWidget* Form) {
    const TLanguage language = FCore.LocalizeRuntimeTexts();
    QRCodePaintBox->setToolTip(Text(language, TText::DropHint));
    // The windows are designed in English, without hints.
    if (language != TLanguage::English) ApplyCaptions(Form, language);
    ApplyHints(Form, language);
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
    FAutoClose.Disarm();
    ApplyAutoClose();
    // Released in every case, deferred until the current event is handled,
    // and the timer re-armed, also when saving fails.
    auto dialog = std::unique_ptr<TVelodropSettings, void (*)(TVelodropSettings*)>(
        new TVelodropSettings(nullptr), [](TVelodropSettings* d) { d->deleteLater(); });
    struct TRearm {
        TVelodrop1* Window;
        ~TRearm() {
            Window->FAutoClose.ArmAfterSettings(Window->State().Settings.Timeout);
            Window->ApplyAutoClose();
        }
    } rearm{this};

    LocalizeForm(dialog.get());
    dialog->ShowSettings(State().Settings);
    if (TModalSeam::ExecDialog(*dialog) != QDialog::Accepted) return;
    dialog->TakeSettings(State().Settings);
    SaveSettings();
    TestConnection();
}

void TVelodrop1::ApplyAutoClose() {
    // A fresh start each time it comes on: the full delay after the share,
    // the dialog or the box that held it.
    if (!FAutoClose.Running()) {
        AutoCloseTimer->stop();
    } else if (!AutoCloseTimer->isActive()) {
        AutoCloseTimer->start(FAutoClose.Interval());
    }
}

void TVelodrop1::AutoCloseTimerTimer() { BtnCancelClick(); }

}  // namespace vd::app
