#include "app/core/ServerSession.h"

namespace vd::app {

QString ServerMessage(const std::exception& Error) {
    return TransportNameOf(Error) + QStringLiteral(": ") + QString::fromUtf8(Error.what());
}

bool TServerSession::ConnectToServer() {
    if (!FContext.State.PasswordProblem.isEmpty()) {
        FContext.User.ShowMessage(FContext.State.PasswordProblem);
        return false;
    }
    try {
        FContext.Folder.Open(ServerAccountOf(FContext.State.Settings));
        return true;
    } catch (const std::exception& e) {
        FContext.User.ShowMessage(ServerMessage(e));
        return false;
    }
}

}  // namespace vd::app
