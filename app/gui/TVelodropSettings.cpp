#include "app/gui/TVelodropSettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/core/IntegerRule.h"
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

// A label with its designed caption. Labels other than fixed-size ones
// grow to fit their text, never shrink.
QLabel* MakeLabel(QWidget* Parent, const char* Name, QRect Geometry, bool Translatable,
                  bool AutoSize = true) {
    auto* label = Make<QLabel>(Parent, Name, Geometry);
    label->setProperty("AutoSize", AutoSize);
    SetCaption(label, DesignCaption(Name));
    if (Translatable) SetTag(label, kTranslatableTag);
    return label;
}

template <class T>
T* MakeCaptioned(QWidget* Parent, const char* Name, QRect Geometry, bool Translatable) {
    auto* w = Make<T>(Parent, Name, Geometry);
    SetCaption(w, DesignCaption(Name));
    if (Translatable) SetTag(w, kTranslatableTag);
    return w;
}

constexpr bool kTranslatable = true;

}  // namespace

TVelodropSettings::TVelodropSettings(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("VelodropSettings"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(477, 372);
    UseDesignFont(this);
    setWindowTitle(DesignCaption("VelodropSettings"));
    SetTag(this, kTranslatableTag);
    CreateButtons();
    CreateFtpGroup();
    CreateCommonGroup();
    OnlineManualLinkLabel = Make<TLinkLabel>(this, "OnlineManualLinkLabel", {8, 347, 71, 17});
    OnlineManualLinkLabel->SetTarget(QString::fromLatin1(kOnlineManualUrl));
    SetCaption(OnlineManualLinkLabel, DesignCaption("OnlineManualLinkLabel"));
    SetTag(OnlineManualLinkLabel, kTranslatableTag);
    SetTabOrder();
    ConnectHandlers();
    new TKeyPreview(this, [this](int Key) { return FormKeyDown(Key); });
}

void TVelodropSettings::CreateButtons() {
    OKButton = MakeCaptioned<QPushButton>(this, "OKButton", {313, 339, 75, 25}, !kTranslatable);
    OKButton->setDefault(true);
    CancelButton =
        MakeCaptioned<QPushButton>(this, "CancelButton", {394, 339, 75, 25}, kTranslatable);
}

void TVelodropSettings::CreateFtpGroup() {
    GroupBox1 = MakeCaptioned<QGroupBox>(this, "GroupBox1", {8, 0, 461, 153}, !kTranslatable);
    QWidget* g = GroupBox1;
    HostLabel = MakeLabel(g, "HostLabel", {16, 16, 98, 13}, kTranslatable, false);
    HostInput = Make<QLineEdit>(g, "HostInput", {120, 13, 329, 21});
    PortLabel = MakeLabel(g, "PortLabel", {16, 43, 24, 13}, !kTranslatable);
    PortInput = Make<QLineEdit>(g, "PortInput", {120, 40, 49, 21});
    AcceptTypedDigitsOnly(PortInput);
    useTLSCheckBox =
        MakeCaptioned<QCheckBox>(g, "useTLSCheckBox", {184, 43, 265, 17}, kTranslatable);
    UsernameLabel = MakeLabel(g, "UsernameLabel", {16, 70, 52, 13}, kTranslatable);
    UsernameInput = Make<QLineEdit>(g, "UsernameInput", {120, 67, 329, 21});
    PasswordLabel = MakeLabel(g, "PasswordLabel", {16, 97, 50, 13}, kTranslatable);
    PasswordInput = Make<QLineEdit>(g, "PasswordInput", {120, 94, 329, 21});
    PasswordInput->setEchoMode(QLineEdit::Password);
    HostdirectoryLabel = MakeLabel(g, "HostdirectoryLabel", {16, 124, 72, 13}, kTranslatable);
    DirectoryInput = Make<QLineEdit>(g, "DirectoryInput", {120, 121, 237, 21});
    ExtraDirButton =
        MakeCaptioned<QPushButton>(g, "ExtraDirButton", {363, 119, 86, 25}, kTranslatable);
}

void TVelodropSettings::CreateCommonGroup() {
    GroupBox2 = MakeCaptioned<QGroupBox>(this, "GroupBox2", {8, 159, 461, 173}, kTranslatable);
    QWidget* g = GroupBox2;
    basurlLabel = MakeLabel(g, "basurlLabel", {16, 18, 48, 13}, kTranslatable);
    baseURLInput = Make<QLineEdit>(g, "baseURLInput", {120, 13, 329, 21});
    AutoclosetimeoutLabel = MakeLabel(g, "AutoclosetimeoutLabel", {16, 44, 54, 13}, kTranslatable);
    AutoclosetimeoutInput = Make<QLineEdit>(g, "AutoclosetimeoutInput", {120, 40, 49, 21});
    AcceptTypedDigitsOnly(AutoclosetimeoutInput);
    Label3 = MakeLabel(g, "Label3", {177, 44, 180, 13}, kTranslatable);
    resizeJPGLabel = MakeLabel(g, "resizeJPGLabel", {16, 71, 94, 13}, kTranslatable);
    resizeJPGInput = Make<QLineEdit>(g, "resizeJPGInput", {120, 67, 49, 21});
    AcceptTypedDigitsOnly(resizeJPGInput);
    percentLabel = MakeLabel(g, "percentLabel", {177, 70, 112, 13}, kTranslatable);
    CopyLinkToClipboardCheckBox = MakeCaptioned<QCheckBox>(g, "CopyLinkToClipboardCheckBox",
                                                           {120, 94, 321, 17}, kTranslatable);
    RemoveFileAtExitCheckBox =
        MakeCaptioned<QCheckBox>(g, "RemoveFileAtExitCheckBox", {120, 117, 321, 17}, kTranslatable);
    // Its caption is longer than the labels' column: the field follows it.
    DeleteAfterDaysLabel = MakeLabel(g, "DeleteAfterDaysLabel", {16, 145, 200, 13}, kTranslatable);
    DeleteAfterDaysInput = Make<QLineEdit>(g, "DeleteAfterDaysInput", {224, 141, 49, 21});
    AcceptTypedDigitsOnly(DeleteAfterDaysInput);
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
                              DeleteAfterDaysInput,
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

void TVelodropSettings::ShowSettings(const TSettings& S) {
    HostInput->setText(S.Host);
    PortInput->setText(QString::number(S.Port));
    UsernameInput->setText(S.Username);
    PasswordInput->setText(S.Password);
    DirectoryInput->setText(S.Directory);
    baseURLInput->setText(S.BaseURL);
    AutoclosetimeoutInput->setText(QString::number(S.Timeout));
    RemoveFileAtExitCheckBox->setChecked(S.RemoveFileAtExit);
    CopyLinkToClipboardCheckBox->setChecked(S.CopyLinkToClipboard);
    useTLSCheckBox->setChecked(S.UseTLS);
    resizeJPGInput->setText(QString::number(S.ResizeJPGImages));
    DeleteAfterDaysInput->setText(QString::number(S.DeleteAfterDays));
}

void TVelodropSettings::TakeSettings(TSettings& S) const {
    S.Host = HostInput->text();
    S.Port = static_cast<std::uint16_t>(IntegerOrDefault(PortInput->text(), 21));
    S.Username = UsernameInput->text();
    S.Password = PasswordInput->text();
    S.Directory = DirectoryInput->text();
    S.BaseURL = baseURLInput->text();
    S.Timeout = IntegerOrDefault(AutoclosetimeoutInput->text(), 0);
    S.RemoveFileAtExit = RemoveFileAtExitCheckBox->isChecked();
    S.CopyLinkToClipboard = CopyLinkToClipboardCheckBox->isChecked();
    S.UseTLS = useTLSCheckBox->isChecked();
    S.ResizeJPGImages = AbsoluteValue(IntegerOrDefault(resizeJPGInput->text(), 0));
    S.DeleteAfterDays = std::max(0, IntegerOrDefault(DeleteAfterDaysInput->text(), 0));
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
