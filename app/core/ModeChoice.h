#pragma once
// How the program decides between sharing a file and shortening a web
// address, and where its files live.

#include <QString>
#include <QStringList>

namespace vd::app {

enum class TRunMode { rmShare = 0, rmShortener = 1 };

struct TModeChoice {
    TRunMode RunMode = TRunMode::rmShare;
    QString BaseName = QStringLiteral("velodrop_settings");
    bool Minimize = false;  // shortener mode starts minimized
    QString CurrentFile;    // the file named on the command line, as given
};

/// `Arguments` as the program got them: [0] is its own full path.
/// "-shortener" as the first argument, or a program path that holds
/// "shortener" in any case when at least one argument is given, selects
/// shortener mode; otherwise the first argument is the file to share.
TModeChoice ChooseRunMode(const QStringList& Arguments);

/// The settings file, the traffic log and the servers' known certificates
/// inside the given configuration folder: folder + "/Velodrop/" + base name
/// + ".ini", ".../ftp.log" and ".../known_certificates" (one for both modes).
QString SettingsFilePath(const QString& Folder, const QString& BaseName);
QString LogFilePath(const QString& Folder);
QString KnownCertificatesPath(const QString& Folder);

}  // namespace vd::app
