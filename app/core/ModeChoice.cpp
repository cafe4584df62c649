#include "app/core/ModeChoice.h"

namespace vd::app {

TModeChoice ChooseRunMode(const QStringList& Arguments) {
    TModeChoice choice;
    if (Arguments.size() < 2) return choice;
    const QString programPath = Arguments.front();
    if (Arguments[1] == u"-shortener" || programPath.toUpper().contains(u"SHORTENER")) {
        choice.RunMode = TRunMode::rmShortener;
        choice.BaseName = QStringLiteral("shortener_settings");
        choice.Minimize = true;
    } else {
        choice.CurrentFile = Arguments[1];
    }
    return choice;
}

QString SettingsFilePath(const QString& Folder, const QString& BaseName) {
    return Folder + QStringLiteral("/Velodrop/") + BaseName + QStringLiteral(".ini");
}

QString LogFilePath(const QString& Folder) { return Folder + QStringLiteral("/Velodrop/ftp.log"); }

QString KnownCertificatesPath(const QString& Folder) {
    return Folder + QStringLiteral("/Velodrop/known_certificates");
}

}  // namespace vd::app
