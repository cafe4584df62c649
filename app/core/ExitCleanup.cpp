#include "app/core/ExitCleanup.h"

#include "app/core/ServerSession.h"
#include "app/core/ShareSweep.h"

namespace vd::app {

void TExitCleanup::RemoveUploadedFiles() {
    QStringList& uploads = FContext.State.UploadedFiles;
    if (uploads.isEmpty()) return;
    // What fails here stays recorded as it was: the next start, finding this
    // run ended, tries again.
    QStringList left;
    QString firstError;
    try {
        if (!TServerSession(FContext).ConnectToServer()) return;
        for (qsizetype i = 0; i < uploads.size(); ++i) {
            QString error;
            const std::optional<TShareState> outcome =
                DeleteRemoteFile(FContext.Folder, uploads[i], &error);
            if (outcome == TShareState::Deleted) {
                FContext.Record.SetState(FContext.Record.RowOf(uploads[i]), TShareState::Deleted);
                continue;
            }
            if (firstError.isEmpty()) firstError = error;
            if (!outcome) {  // the session is gone: nothing more can go
                left << uploads.mid(i);
                break;
            }
            left << uploads[i];
        }
        FContext.Folder.Close();
    } catch (const std::exception& e) {
        FContext.User.ShowMessage(ServerMessage(e));
        return;
    }
    uploads = left;
    if (!firstError.isEmpty()) FContext.User.ShowMessage(firstError);
}

void TExitCleanup::KeepUploadedFiles() {
    for (const QString& name : FContext.State.UploadedFiles)
        FContext.Record.KeepAfterExit(FContext.Record.RowOf(name));
}

}  // namespace vd::app
