#include "app/gui/TVelodropSettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/core/RandomNames.h"
#include "app/gui/Designer.h"
#include "app/gui/ErrorBox.h"
#include "app/gui/KeyPreview.h"
#include "app/gui/LinkLabel.h"
#include "app/gui/ModalSeam.h"

namespace vd::app {
namespace {

template <class T>
T* Make(QWidget* Parent, const char* Name, QRect Geometry) {
    auto* w = new T(Parent);
    w->setObjectName(QString::fromLatin1(Name));
    w->setGeometry(Geometry);
    return w;
}

// A label as designed; German text as its hint when it has one. Labels
// other than fixed-size ones grow to fit their text, never shrink.
QLabel* MakeLabel(QWidget* Parent, const char* Name, QRect Geometry, const QString& Caption,
                  const QString& German, bool AutoSize = true) {
    auto* label = Make<QLabel>(Parent, Name, Geometry);
    label->setText(Caption);
    label->setProperty("AutoSize", AutoSize);
    if (AutoSize) GrowToFit(label);
    if (!German.isEmpty()) SetTag(label, kTranslatableTag), SetHint(label, German);
    return label;
}

template <class T>
T* MakeCaptioned(QWidget* Parent, const char* Name, QRect Geometry, const QString& Caption,
                 const QString& German) {
    auto* w = Make<T>(Parent, Name, Geometry);
    w->setText(Caption);
    if constexpr (std::is_same_v<T, QCheckBox>) GrowToFit(w);
    if (!German.isEmpty()) SetTag(w, kTranslatableTag), SetHint(w, German);
    return w;
}

QString ManualLink(const QString& Text) {
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(QString::fromLatin1(kOnlineManualUrl), Text);
}

}  // namespace

TVelodropSettings::TVelodropSettings(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("VelodropSettings"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(477, 345);
    UseDesignFont(this);
    setWindowTitle(QStringLiteral("Velodrop Settings"));
    SetTag(this, kTranslatableTag);
    SetHint(this, QStringLiteral("Velodrop-Einstellungen"));
    CreateButtons();
    CreateFtpGroup();
    CreateCommonGroup();
    OnlineManualLinkLabel = Make<TLinkLabel>(this, "OnlineManualLinkLabel", {8, 320, 71, 17});
    OnlineManualLinkLabel->setText(ManualLink(QStringLiteral("Online manual")));
    SetTag(OnlineManualLinkLabel, kTranslatableTag);
    SetHint(OnlineManualLinkLabel, ManualLink(QStringLiteral("Online-Handbuch")));
    GrowToFit(OnlineManualLinkLabel);
    SetTabOrder();
    ConnectHandlers();
    new TKeyPreview(this, [this](int Key) { return FormKeyDown(Key); });
}

void TVelodropSettings::CreateButtons() {
    OKButton =
        MakeCaptioned<QPushButton>(this, "OKButton", {313, 312, 75, 25}, QStringLiteral("&OK"), {});
    OKButton->setDefault(true);
    CancelButton =
        MakeCaptioned<QPushButton>(this, "CancelButton", {394, 312, 75, 25},
                                   QStringLiteral("&Cancel"), QStringLiteral("&Abbruch"));
}

void TVelodropSettings::CreateFtpGroup() {
    GroupBox1 = Make<QGroupBox>(this, "GroupBox1", {8, 0, 461, 153});
    GroupBox1->setTitle(QStringLiteral("FTP"));
    QWidget* g = GroupBox1;
    HostLabel = MakeLabel(g, "HostLabel", {16, 16, 98, 13}, QStringLiteral("Host:"),
                          QStringLiteral("Server:"), false);
    HostInput = Make<QLineEdit>(g, "HostInput", {120, 13, 329, 21});
    PortLabel = MakeLabel(g, "PortLabel", {16, 43, 24, 13}, QStringLiteral("Port:"), {});
    PortInput = Make<QLineEdit>(g, "PortInput", {120, 40, 49, 21});
    AcceptTypedDigitsOnly(PortInput);
    useTLSCheckBox = MakeCaptioned<QCheckBox>(
        g, "useTLSCheckBox", {184, 43, 265, 17},
        QStringLiteral("Use TLS (needs libeay32.dll and ssleay32.dll) "),
        QStringLiteral("TLS benutzen (benötigt libeay32.dll + ssleay32.dll)"));
    UsernameLabel = MakeLabel(g, "UsernameLabel", {16, 70, 52, 13}, QStringLiteral("Username:"),
                              QStringLiteral("Benutzername:"));
    UsernameInput = Make<QLineEdit>(g, "UsernameInput", {120, 67, 329, 21});
    PasswordLabel = MakeLabel(g, "PasswordLabel", {16, 97, 50, 13}, QStringLiteral("Password:"),
                              QStringLiteral("Kennwort:"));
    PasswordInput = Make<QLineEdit>(g, "PasswordInput", {120, 94, 329, 21});
    PasswordInput->setEchoMode(QLineEdit::Password);
    HostdirectoryLabel =
        MakeLabel(g, "HostdirectoryLabel", {16, 124, 72, 13}, QStringLiteral("Host directory:"),
                  QStringLiteral("Serververzeichnis:"));
    DirectoryInput = Make<QLineEdit>(g, "DirectoryInput", {120, 121, 237, 21});
    ExtraDirButton = MakeCaptioned<QPushButton>(g, "ExtraDirButton", {363, 119, 86, 25},
                                                QStringLiteral("E&xtra Directory"),
                                                QStringLiteral("E&xtra Ordner"));
}

void TVelodropSettings::CreateCommonGroup() {
    GroupBox2 = Make<QGroupBox>(this, "GroupBox2", {8, 159, 461, 146});
    GroupBox2->setTitle(QStringLiteral("Common"));
    SetTag(GroupBox2, kTranslatableTag);
    SetHint(GroupBox2, QStringLiteral("Allgemein"));
    QWidget* g = GroupBox2;
    basurlLabel = MakeLabel(g, "basurlLabel", {16, 18, 48, 13}, QStringLiteral("Link base:"),
                            QStringLiteral("Linkbasis:"));
    baseURLInput = Make<QLineEdit>(g, "baseURLInput", {120, 13, 329, 21});
    AutoclosetimeoutLabel =
        MakeLabel(g, "AutoclosetimeoutLabel", {16, 44, 54, 13}, QStringLiteral("Auto close:"),
                  QStringLiteral("Autom. beenden:"));
    AutoclosetimeoutInput = Make<QLineEdit>(g, "AutoclosetimeoutInput", {120, 40, 49, 21});
    AcceptTypedDigitsOnly(AutoclosetimeoutInput);
    Label3 = MakeLabel(g, "Label3", {177, 44, 180, 13},
                       QStringLiteral("Timeout in seconds (0=no auto close)"),
                       QStringLiteral("Verzögerung in Sekunden (0=nicht automatisch beenden)"));
    resizeJPGLabel =
        MakeLabel(g, "resizeJPGLabel", {16, 71, 94, 13}, QStringLiteral("Resize JPG Images:"),
                  QStringLiteral("Größe JPG Bilder:"));
    resizeJPGInput = Make<QLineEdit>(g, "resizeJPGInput", {120, 67, 49, 21});
    AcceptTypedDigitsOnly(resizeJPGInput);
    percentLabel =
        MakeLabel(g, "percentLabel", {177, 70, 112, 13}, QStringLiteral("Percent (0=no change)"),
                  QStringLiteral("Prozent (0=keine Änderung)"));
    CopyLinkToClipboardCheckBox =
        MakeCaptioned<QCheckBox>(g, "CopyLinkToClipboardCheckBox", {120, 94, 321, 17},
                                 QStringLiteral("Copy link to Clipboard"),
                                 QStringLiteral("Kopiere Link in die Zwischenablage"));
    RemoveFileAtExitCheckBox =
        MakeCaptioned<QCheckBox>(g, "RemoveFileAtExitCheckBox", {120, 117, 321, 17},
                                 QStringLiteral("At exit remove uploaded files on FTP host"),
                                 QStringLiteral("Lösche hochgeladene Dateien vom Server bei Exit"));
}

void TVelodropSettings::SetTabOrder() {
    const QWidget* chain[] = {OKButton,
                              CancelButton,
                              HostInput,
                              PortInput,
                              useTLSCheckBox,
                              UsernameInput,
                              PasswordInput,
                              DirectoryInput,
                              ExtraDirButton,
                              baseURLInput,
                              AutoclosetimeoutInput,
                              CopyLinkToClipboardCheckBox,
                              RemoveFileAtExitCheckBox,
                              resizeJPGInput,
                              OnlineManualLinkLabel};
    for (std::size_t i = 1; i < std::size(chain); ++i) {
        QWidget::setTabOrder(const_cast<QWidget*>(chain[i - 1]), const_cast<QWidget*>(chain[i]));
    }
}

void TVelodropSettings::ConnectHandlers() {
    connect(OKButton, &QPushButton::clicked, this,
            [this] { Guarded([this] { OKButtonClick(); }); });
    connect(CancelButton, &QPushButton::clicked, this,
            [this] { Guarded([this] { CancelButtonClick(); }); });
    connect(ExtraDirButton, &QPushButton::clicked, this,
            [this] { Guarded([this] { ExtraDirButtonClick(); }); });
    connect(OnlineManualLinkLabel, &QLabel::linkActivated, this, [this](const QString& Link) {
        Guarded([&] { OnlineManualLinkLabelLinkClick(Link); });
    });
}

void TVelodropSettings::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    QTimer::singleShot(0, this, [this] { Guarded([this] { FormActivate(); }); });
}

void TVelodropSettings::FormActivate() { HostInput->setFocus(); }

bool TVelodropSettings::FormKeyDown(int Key) {
    if (Key != Qt::Key_Escape) return false;
    reject();
    return true;
}

void TVelodropSettings::OKButtonClick() { accept(); }

void TVelodropSettings::CancelButtonClick() { reject(); }

void TVelodropSettings::ExtraDirButtonClick() {
    const QString r = randomString(8);
    DirectoryInput->setText(DirectoryInput->text() + u'/' + r);
    baseURLInput->setText(baseURLInput->text() + u'/' + r);
}

void TVelodropSettings::OnlineManualLinkLabelLinkClick(const QString& Link) {
    TModalSeam::OpenUrl(QUrl(Link));
}

}  // namespace vd::app
