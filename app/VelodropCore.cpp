#include "app/VelodropCore.h"

#include <QFile>

#include "app/core/ExitCleanup.h"
#include "app/core/ServerSession.h"
#include "app/core/ShareDeletion.h"
#include "app/core/ShareSweep.h"
#include "app/core/ShortenerFlow.h"
#include "app/net/FtpRemoteFolder.h"
#include "app/net/HttpBackgroundLinkCheck.h"
#include "app/net/HttpLinkChecker.h"
#include "app/net/SftpRemoteFolder.h"
#include "app/net/TransportRemoteFolder.h"
#include "app/record/ShareRecord.h"
#include "app/settings/Keyring.h"
#include "app/settings/SettingsFile.h"
#include "app/settings/SettingsPassword.h"
#include "app/trust/CertificateTrust.h"
#include "app/trust/HostKeyTrust.h"
#include "platform/SecretMemory.h"
#include "platform/SpecialFolders.h"

namespace vd::app {

std::unique_ptr<TRemoteFolder> TVelodropCore::MakeServerFolder() {
    auto sftp = std::make_unique<TSftpRemoteFolder>();
    sftp->SetHostKeyCheck(
        [this](THostKeyStatus Status, const QString& Server, const QString& Fingerprint) {
            THostKeyTrust(FUser, InterfaceLanguage(FState.Settings.AutoLanguage))
                .Check(Status, Server, Fingerprint);
        });
    return std::make_unique<TTransportRemoteFolder>(std::make_unique<TFtpRemoteFolder>(),
                                                    std::move(sftp));
}

TVelodropCore::TVelodropCore(TUserInterface& User, std::unique_ptr<TRemoteFolder> Folder,
                             std::unique_ptr<TLinkChecker> Links)
    : FUser(User),
      FFolder(Folder ? std::move(Folder) : MakeServerFolder()),
      FLinks(Links ? std::move(Links) : std::make_unique<THttpLinkChecker>()) {
    FFolder->SetCertificateCheck([this](const QString& Server, const QString& Fingerprint) {
        TKnownCertificates known(FState.KnownCertificatesFile);
        TCertificateTrust(known, FUser, InterfaceLanguage(FState.Settings.AutoLanguage))
            .Check(Server, Fingerprint);
    });
}

void TVelodropCore::PrepareRunFiles(const QString& ConfigFolder, const QString& BaseName) {
    FState.SettingsFile = SettingsFilePath(ConfigFolder, BaseName);
    FState.LogFileName = LogFilePath(ConfigFolder);
    FState.KnownCertificatesFile = KnownCertificatesPath(ConfigFolder);
    FFolder->SetLogFileName(FState.LogFileName);
    QFile::remove(FState.LogFileName);  // every run starts a new log
}

bool TVelodropCore::LoadSettings() {
    if (!platform::FileExists(FState.SettingsFile.toStdString())) return false;
    FState.Settings = ReadSettingsFile(FState.SettingsFile);
    if (!FState.Settings.Log) FFolder->SetLogFileName({});
    FState.PasswordProblem.clear();
    FPasswordFetched = false;
    return true;
}

TFlowContext TVelodropCore::ServerContext() {
    // Also a password just typed into the settings dialog, before any file
    // or keyring held it (the first run's connection test).
    platform::KeepSecretsOutOfCoreDumps();
    FetchPassword();
    return Context();
}

void TVelodropCore::FetchPassword() {
    if (FPasswordFetched || FState.SettingsFile.isEmpty()) return;
    FPasswordFetched = true;
    const TKeyring keyring;
    FState.PasswordProblem = LoadPassword(FState.SettingsFile, FState.Settings, keyring,
                                          InterfaceLanguage(FState.Settings.AutoLanguage));
    MovePasswordToKeyring(FState.SettingsFile, FState.Settings, keyring);
    RememberKeyringAccount();
}

QString TVelodropCore::SaveSettings() {
    FRecord.RemoveAtExitChanged(FState.Settings.RemoveFileAtExit);
    if (FState.SettingsFile.isEmpty()) return {};
    const QString notice =
        StorePassword(FState.SettingsFile, FState.Settings, FState.KeyringAccount, TKeyring(),
                      InterfaceLanguage(FState.Settings.AutoLanguage));
    WriteSettingsFile(FState.SettingsFile, FState.Settings);
    RememberKeyringAccount();
    FState.PasswordProblem.clear();  // the password is the one just entered
    FPasswordFetched = true;
    return notice;
}

void TVelodropCore::RememberKeyringAccount() {
    FState.KeyringAccount = FState.Settings.PasswordPlace == TPasswordPlace::Keyring
                                ? KeyringLabel(FState.Settings)
                                : QString();
}

TLanguage TVelodropCore::LocalizeRuntimeTexts() {
    const TLanguage language = InterfaceLanguage(FState.Settings.AutoLanguage);
    FState.NotExistingText = Text(language, TText::NotExistingText);
    return language;
}

bool TVelodropCore::ConnectToServer() { return TServerSession(ServerContext()).ConnectToServer(); }

TTestResult TVelodropCore::TestConnection() {
    return TConnectionTest(ServerContext()).TestConnection();
}

TShareResult TVelodropCore::UploadFile(const QString& LocalFile, const QString& RemoteName) {
    return TShareFlow(ServerContext()).UploadFile(LocalFile, RemoteName);
}

TShareResult TVelodropCore::ShareFile(const QString& FileName) {
    return TShareFlow(ServerContext()).ShareFile(FileName);
}

void TVelodropCore::UseShareRecord(const QString& Path) {
    FRecord.SetOpener([Path](QString& Why) -> std::unique_ptr<TShareStore> {
        if (Path.isEmpty()) {
            Why = QStringLiteral("there is no data folder ($XDG_DATA_HOME and $HOME are unset)");
            return nullptr;
        }
        auto record = std::make_unique<TShareRecord>();
        if (record->Open(Path)) return record;
        Why = record->Error();
        return nullptr;
    });
}

void TVelodropCore::RemoveUploadedFiles() { TExitCleanup(ServerContext()).RemoveUploadedFiles(); }

void TVelodropCore::KeepUploadedFiles() { TExitCleanup(Context()).KeepUploadedFiles(); }

int TVelodropCore::RemoveDueShares() {
    const int removed = TShareSweep(ServerContext()).RemoveDueShares();
    FRecord.TellTrouble(FUser, InterfaceLanguage(FState.Settings.AutoLanguage));
    return removed;
}

bool TVelodropCore::DeleteShare(const QString& Link) {
    return TShareDeletion(ServerContext()).DeleteShare(Link);
}

void TVelodropCore::InstallShortenerScripts() {
    TShortenerFlow(ServerContext()).InstallShortenerScripts();
}

QString TVelodropCore::ShortenURL(const QString& URL) {
    return TShortenerFlow(ServerContext()).ShortenURL(URL);
}

QString ShareRecordPath(const QString& DataFolder) {
    if (DataFolder.isEmpty()) return {};
    return DataFolder + QStringLiteral("/Velodrop/shares.sqlite");
}

TBackgroundLinkCheck* NewBackgroundLinkCheck(QObject* Parent) {
    return new THttpBackgroundLinkCheck(Parent);
}

}  // namespace vd::app
