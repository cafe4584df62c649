#include "app/core/ServerSession.h"

#include "app/core/SftpRemoteFolder.h"

namespace vd::app {

QString FtpMessage(const std::exception& Error) {
    const bool sftp = dynamic_cast<const ESftpError*>(&Error) != nullptr;
    return (sftp ? QStringLiteral("SFTP: ") : QStringLiteral("FTP: ")) +
           QString::fromUtf8(Error.what());
}

bool TServerSession::ConnectToServer() {
    try {
        FContext.Folder.Open(FContext.State.Settings);
        return true;
    } catch (const std::exception& e) {
        FContext.User.ShowMessage(FtpMessage(e));
        return false;
    }
}

}  // namespace vd::app
