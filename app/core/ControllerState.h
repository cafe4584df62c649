#pragma once
// The run's state: the file to share, the settings, the latest link.
// There is one per program, held by the application core.

#include <QString>
#include <QStringList>

#include "app/core/ModeChoice.h"
#include "app/core/Settings.h"

namespace vd::app {

struct TControllerState {
    TRunMode RunMode = TRunMode::rmShare;
    TSettings Settings;
    QString CurrentFile;  // never cleared once set
    QString SettingsFile;
    QString LogFileName;
    QString KnownCertificatesFile;  // servers' certificates seen before
    // Why the password is not at hand (the keyring did not give it); while
    // set, no session opens, so that no empty password goes to a server.
    QString PasswordProblem;
    QString KeyringAccount;  // the keyring's entry that holds the saved password; empty: none
    QString NotExistingText;
    QString RemoteName;         // of the latest share
    QStringList UploadedFiles;  // remote names uploaded during this run
    QString Link;               // the latest link built
    qint64 LinkFileSize = -1;   // bytes of the file behind Link
    QString URLToShorten;
    // The program ends once the current handler returns.
    bool TerminationRequested = false;
};

}  // namespace vd::app
