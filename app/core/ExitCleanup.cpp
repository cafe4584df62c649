#include "app/core/ExitCleanup.h"

#include "app/core/ServerSession.h"

namespace vd::app {

void TExitCleanup::RemoveUploadedFiles() {
    QStringList& uploads = FContext.State.UploadedFiles;
    TShareBook& record = FContext.Record;
    if (uploads.isEmpty()) return;
    // What fails here stays recorded as up and to be removed: the next
    // start, finding this run ended, tries again.
    try {
        if (!TServerSession(FContext).ConnectToServer()) return;
        for (const QString& name : uploads) {
            FContext.Folder.Delete(name);
            record.SetState(record.RowOf(name), TShareState::Deleted);
        }
        FContext.Folder.Close();
        uploads.clear();
    } catch (const std::exception& e) {
        FContext.User.ShowMessage(ServerMessage(e));
    }
}

void TExitCleanup::KeepUploadedFiles() {
    for (const QString& name : FContext.State.UploadedFiles)
        FContext.Record.KeepAfterExit(FContext.Record.RowOf(name));
}

}  // namespace vd::app
