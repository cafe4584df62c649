#include "app/core/ExitCleanup.h"

#include "app/core/ServerSession.h"

namespace vd::app {

void TExitCleanup::RemoveUploadedFiles() {
    QStringList& uploads = FContext.State.UploadedFiles;
    if (uploads.isEmpty()) return;
    try {
        if (!TServerSession(FContext).ConnectToServer()) return;
        for (const QString& name : uploads) FContext.Folder.Delete(name);
        FContext.Folder.Close();
        uploads.clear();
    } catch (const std::exception& e) {
        FContext.User.ShowMessage(ServerMessage(e));
    }
}

}  // namespace vd::app
