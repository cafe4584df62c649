#include "app/core/ShareFlow.h"

#include <QFileInfo>

#include "app/core/Language.h"
#include "app/core/RandomNames.h"
#include "app/core/ResizeJPG.h"
#include "app/core/ServerSession.h"
#include "app/core/ShareNames.h"
#include "app/core/ShareSweep.h"
#include "platform/SpecialFolders.h"

namespace vd::app {

TShareResult TShareFlow::ShareFile(const QString& FileName) {
    if (!CheckShareable(FileName)) return {};
    FContext.State.RemoteName = RemoteNameFor(randomString(kShareRandomLength), FileName);
    return UploadFile(FileName, FContext.State.RemoteName);
}

bool TShareFlow::CheckShareable(const QString& FileName) {
    const TControllerState& state = FContext.State;
    if (!platform::FileExists(FileName.toStdString())) {
        FContext.User.ShowMessage(FileName + state.NotExistingText);
        return false;
    }
    if (HasLineBreak(FileName)) {
        // No command line may carry a line break; refused before anything is sent.
        const TLanguage language = InterfaceLanguage(state.Settings.AutoLanguage);
        FContext.User.ShowMessage(Text(language, TText::LineBreakInFileName) + FileName);
        return false;
    }
    return true;
}

TShareResult TShareFlow::UploadFile(const QString& LocalFile, const QString& RemoteName) {
    TControllerState& state = FContext.State;
    const TSettings& settings = state.Settings;
    TShareResult result;
    result.Shareable = true;
    result.RemoteName = RemoteName;
    state.Link.clear();
    TShareBook& record = FContext.Record;
    bool putStarted = false;
    try {
        if (!TServerSession(FContext).ConnectToServer()) return result;
        QString upload = LocalFile;
        // Only JPEG images are shrunk; a PDF or a video goes up as it is.
        if (settings.ResizeJPGImages > 0 && StartsAsJpeg(LocalFile))
            upload = ResizeJPG(LocalFile, settings.ResizeJPGImages);
        result.Shrunk = upload != LocalFile;
        const QString link = ShareLink(settings.BaseURL, RemoteName);
        const qint64 sharedAt = record.Now();
        record.UploadStarting(settings, RemoteName, link, LocalFile, sharedAt);
        putStarted = true;
        PutShowingProgress(upload, RemoteName);
        state.UploadedFiles << RemoteName;
        result.Size = state.LinkFileSize = QFileInfo(upload).size();
        record.SetState(record.RowOf(RemoteName), TShareState::Up, result.Size);
        result.ExpiresAt = ExpiryOf(settings, sharedAt);
        result.Link = state.Link = link;
        // What is due goes in the same session; its failures are no share's.
        TShareSweep(FContext).RemoveDueSharesInSession();
        FContext.Folder.Close();
        if (settings.CopyLinkToClipboard) FContext.User.SetClipboardText(result.Link);
    } catch (const EUploadStopped&) {
        // The program is ending. What arrived of the file is this run's
        // too: the exit's clean-up removes it where the user asked for that.
        state.UploadedFiles << RemoteName;
        record.SetState(record.RowOf(RemoteName), TShareState::Failed);
    } catch (const std::exception& e) {
        // A clipboard that fails costs the share nothing: it is up.
        if (!result.Ok()) record.SetState(record.RowOf(RemoteName), TShareState::Failed);
        if (!result.Ok() && putStarted) RemovePartialUpload(RemoteName);
        FContext.User.ShowMessage(ServerMessage(e));
    }
    record.TellTrouble(FContext.User, InterfaceLanguage(settings.AutoLanguage));
    return result;
}

void TShareFlow::RemovePartialUpload(const QString& RemoteName) {
    // Nobody has a link to what arrived: it goes now while the session
    // works. Otherwise its row stays failed for the next sweep of this
    // server, and the exit removes it where the user asked for that.
    TShareBook& record = FContext.Record;
    const std::optional<TShareState> outcome = DeleteRemoteFile(FContext.Folder, RemoteName);
    if (outcome)
        record.SetState(record.RowOf(RemoteName), *outcome);
    else if (!FContext.State.UploadedFiles.contains(RemoteName))
        FContext.State.UploadedFiles << RemoteName;
    FContext.Folder.Close();
}

void TShareFlow::PutShowingProgress(const QString& LocalFile, const QString& RemoteName) {
    // The progress display ends with the upload, also when it fails.
    struct TEndProgress {
        TUserInterface& User;
        ~TEndProgress() { User.EndProgress(); }
    } end{FContext.User};
    FContext.Folder.Put(LocalFile, RemoteName, [this](std::uint64_t Sent, std::uint64_t Total) {
        FContext.User.ShowProgress(Sent, Total);
    });
}

}  // namespace vd::app
