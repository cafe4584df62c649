#pragma once
// The settings dialog. It holds no settings of its own: the main window
// fills its fields before showing it and reads them back after OK.

#include <QDialog>

#include "app/core/Settings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vd::app {

class TLinkLabel;

/// Where the online manual lives.
inline constexpr const char* kOnlineManualUrl = "https://www.velodrop.net/velodrop_manual_en";

class TVelodropSettings final : public QDialog {
    Q_OBJECT
  public:
    explicit TVelodropSettings(QWidget* Parent = nullptr);

    /// The controls := the settings, as the user is to see them.
    void ShowSettings(const TSettings& Settings);
    /// The settings := what the controls hold: texts as typed, numbers by
    /// the integer rule. `AutoLanguage` and the log switch have no control
    /// and stay as they are.
    void TakeSettings(TSettings& Settings) const;

    QPushButton* OKButton;
    QPushButton* CancelButton;
    QGroupBox* GroupBox1;
    QLabel* HostLabel;
    QLineEdit* HostInput;
    QLabel* PortLabel;
    QLineEdit* PortInput;
    QCheckBox* useTLSCheckBox;
    QLabel* UsernameLabel;
    QLineEdit* UsernameInput;
    QLabel* PasswordLabel;
    QLineEdit* PasswordInput;
    QLabel* HostdirectoryLabel;
    QLineEdit* DirectoryInput;
    QPushButton* ExtraDirButton;
    QGroupBox* GroupBox2;
    QLabel* basurlLabel;
    QLineEdit* baseURLInput;
    QLabel* AutoclosetimeoutLabel;
    QLineEdit* AutoclosetimeoutInput;
    QLabel* Label3;
    QLabel* resizeJPGLabel;
    QLineEdit* resizeJPGInput;
    QLabel* percentLabel;
    QLabel* DeleteAfterDaysLabel;
    QLineEdit* DeleteAfterDaysInput;
    QCheckBox* CopyLinkToClipboardCheckBox;
    QCheckBox* RemoveFileAtExitCheckBox;
    TLinkLabel* OnlineManualLinkLabel;

  public slots:
    void OKButtonClick();
    void CancelButtonClick();
    void ExtraDirButtonClick();
    void OnlineManualLinkLabelLinkClick(const QString& Link);

  protected:
    void showEvent(QShowEvent* Event) override;

  private:
    void FormActivate();
    bool FormKeyDown(int Key);
    void CreateButtons();
    void CreateFtpGroup();
    void CreateCommonGroup();
    void SetTabOrder();
    void ConnectHandlers();
};

}  // namespace vd::app
