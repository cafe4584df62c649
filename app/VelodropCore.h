#pragma once
// The application without a front: the run's state, the server, the files
// of the run (settings, traffic log, known certificates) and the flows, on
// the real parts (FTP and SFTP, the settings file, the trust stores, HTTP).
// The main window and the terminal front each hold one and bring their own
// user interface.

#include <memory>

#include "app/core/ConnectionTest.h"
#include "app/core/ControllerState.h"
#include "app/core/Language.h"
#include "app/core/LinkCheck.h"
#include "app/core/RemoteFolder.h"
#include "app/core/ShareBook.h"
#include "app/core/ShareFlow.h"
#include "app/core/UserInterface.h"

namespace vd::app {

class TVelodropCore final {
  public:
    /// `Folder` is the server, without one FTP or SFTP as the host setting
    /// names; `Links` fetches links, without one over HTTP.
    explicit TVelodropCore(TUserInterface& User, std::unique_ptr<TRemoteFolder> Folder = nullptr,
                           std::unique_ptr<TLinkChecker> Links = nullptr);

    TControllerState& State() noexcept { return FState; }
    const TControllerState& State() const noexcept { return FState; }
    TRemoteFolder& Folder() noexcept { return *FFolder; }

    /// The settings file (`BaseName` + ".ini"), the traffic log and the
    /// known certificates in `ConfigFolder` + "/Velodrop"; the log of the
    /// previous run is deleted. Until then no certificate is remembered: each
    /// session trusts what it is shown.
    void PrepareRunFiles(const QString& ConfigFolder, const QString& BaseName);
    /// False when there is no settings file (every setting keeps its
    /// default and the log stays on). Otherwise reads it; the log is
    /// written only when the file says Log=1. The password comes with
    /// FetchPassword.
    bool LoadSettings();
    /// The password from the keyring where the file says it is (a password
    /// still in the file moves there when a keyring answers). Apart from
    /// LoadSettings so that the window is on the screen, and painting,
    /// while the keyring asks to be unlocked. Until then no session opens.
    void FetchPassword();
    /// The settings as they are now are in force: this run's shares so far
    /// follow their removal at exit. Writes the settings file, the password
    /// into the desktop's keyring where one answers; raises when a key
    /// cannot be written. Answers what the user must be told once (no
    /// keyring was found), or empty text.
    QString SaveSettings();
    /// Sets the texts the flows build at run time for the current language
    /// and returns that language.
    TLanguage LocalizeRuntimeTexts();
    /// Keeps the record of shares in the database at `Path`, opened at its
    /// first use; without this call there is no record.
    void UseShareRecord(const QString& Path);
    TShareBook& Record() noexcept { return FRecord; }

    bool ConnectToServer();
    TTestResult TestConnection();
    TShareResult UploadFile(const QString& LocalFile, const QString& RemoteName);
    TShareResult ShareFile(const QString& FileName);
    void RemoveUploadedFiles();
    void KeepUploadedFiles();
    /// The start-up sweep: deletes the shares that are due on the current
    /// server. Quiet about the server; trouble with the record is told once.
    int RemoveDueShares();
    bool DeleteShare(const QString& Link);
    void InstallShortenerScripts();
    QString ShortenURL(const QString& URL);

  private:
    // FTP and SFTP; an unknown SFTP host key is put to the user, a server
    // certificate checked against those seen before.
    std::unique_ptr<TRemoteFolder> MakeServerFolder();
    void RememberKeyringAccount();
    TFlowContext Context() noexcept { return {FState, *FFolder, FUser, *FLinks, FRecord}; }
    // The context of an operation that may open a session: the password is
    // fetched first, if it has not been.
    TFlowContext ServerContext();

    TUserInterface& FUser;
    std::unique_ptr<TRemoteFolder> FFolder;
    std::unique_ptr<TLinkChecker> FLinks;
    TControllerState FState;
    TShareBook FRecord;
    bool FPasswordFetched = false;
};

/// The record of shares in the data folder `DataFolder`; empty text when
/// there is no data folder.
QString ShareRecordPath(const QString& DataFolder);

/// The check of a link after a share, over HTTP; `Parent` owns it.
TBackgroundLinkCheck* NewBackgroundLinkCheck(QObject* Parent);

}  // namespace vd::app
