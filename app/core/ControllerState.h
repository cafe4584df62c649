#pragma once
// The run's state: the file to share, the settings, the latest link.
// There is one per program, held by the main window.

#include <QString>
#include <QStringList>
#include <cstdint>

#include "app/core/ModeChoice.h"

namespace vd::app {

struct TControllerState {
    TRunMode RunMode = TRunMode::rmShare;
    QString CurrentFile;  // never cleared once set
    QString SettingsFile;
    QString NotExistingText;
    QString Directory;          // on the server, "/"-separated
    QString RemoteName;         // of the latest share
    QStringList UploadedFiles;  // remote names uploaded during this run
    QString LogFileName;
    QString Link;  // the latest link built
    QString BaseURL;
    std::int32_t Timeout = 0;  // seconds; 0 or less: no auto-close
    bool AutoLanguage = true;
    bool RemoveFileAtExit = false;
    bool CopyLinkToClipboard = false;
    bool UseTLS = false;
    std::int32_t ResizeJPGImages = 0;  // percent; only values above 0 act
    QString URLToShorten;
};

}  // namespace vd::app
