// The main window's server sessions: opening one in the host directory, the
// connection test after the settings dialog, and the clean-up at exit.

#include <QApplication>
#include <QTimer>

#include "app/core/ShareNames.h"
#include "app/core/TestFile.h"
#include "app/gui/ErrorBox.h"
#include "app/gui/ModalSeam.h"
#include "app/gui/TBusy.h"
#include "app/gui/TVelodrop1.h"
#include "platform/SpecialFolders.h"

namespace vd::app {

void TVelodrop1::ShowMessage(const QString& Text) {
    TModalSeam::MessageBox(isVisible() ? this : nullptr, Text, QCoreApplication::applicationName(),
                           QMessageBox::NoIcon);
}

void TVelodrop1::SelectTLS() {
    if (FState.UseTLS) {
        IdFTP1.SetIOHandler(&IdSSLIOHandlerSocketOpenSSL1);
        // Asking for TLS means no password in clear: a server that refuses
        // every AUTH ends the session instead of the login going on plain.
        IdFTP1.SetUseTLS(ftp::TIdUseTLS::utUseRequireTLS);
    } else {
        IdFTP1.SetIOHandler(nullptr);
        IdFTP1.SetUseTLS(ftp::TIdUseTLS::utNoTLSSupport);
    }
}

bool TVelodrop1::ConnectToServer() {
    try {
        IdLogFile1.SetActive(!IdLogFile1.Filename().empty());
        if (IdFTP1.Connected()) IdFTP1.Disconnect();  // a session an earlier failure left open
        // TLS: the handler is assigned and the session refuses to go on in
        // clear when the server will not switch (see SelectTLS).
        SelectTLS();
        IdFTP1.Connect();
        for (const QString& component : DirectoryComponents(FState.Directory)) {
            try {
                IdFTP1.MakeDir(component.toStdString());
            } catch (const ftp::EIdException&) {
                // Typically there already; entering it tells.
            }
            IdFTP1.ChangeDir(component.toStdString());
        }
        return true;
    } catch (const std::exception& e) {
        ShowMessage(QStringLiteral("FTP: ") + QString::fromUtf8(e.what()));
        return false;
    }
}

bool TVelodrop1::TestConnection() {
    QString failure;
    {
        const TBusy busy(*this);
        if (!ConnectToServer()) return false;
        try {
            const QString file = CreateTestFile();
            const std::string name = platform::FileNamePart(file.toStdString());
            IdFTP1.Put(file.toStdString(), name);
            IdFTP1.Delete(name);
            IdFTP1.Disconnect();
            IdLogFile1.SetActive(false);
            return true;
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    // Connected but could not work there: the settings come back for mending.
    ShowMessage(QStringLiteral("FTP: ") + failure);
    BtnSettingsClick();
    return false;
}

void TVelodrop1::RemoveUploadedFiles() {
    if (FState.UploadedFiles.isEmpty()) return;
    try {
        if (!ConnectToServer()) return;
        for (const QString& name : FState.UploadedFiles) IdFTP1.Delete(name.toStdString());
        IdFTP1.Disconnect();
        IdLogFile1.SetActive(false);
        FState.UploadedFiles.clear();
    } catch (const std::exception& e) {
        ShowMessage(QStringLiteral("FTP: ") + QString::fromUtf8(e.what()));
    }
}

void TVelodrop1::BtnCancelClick() {
    if (DeferIfBusy([this] { BtnCancelClick(); })) return;
    hide();
    if (FState.RemoveFileAtExit) RemoveUploadedFiles();
    FTerminationRequested = true;
}

}  // namespace vd::app
