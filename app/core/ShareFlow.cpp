#include "app/core/ShareFlow.h"

#include <QFileInfo>

#include "app/core/Language.h"
#include "app/core/RandomNames.h"
#include "app/core/ResizeJPG.h"
#include "app/core/ServerSession.h"
#include "app/core/ShareNames.h"
#include "platform/SpecialFolders.h"

namespace vd::app {

QString TShareFlow::ShareFile(const QString& FileName) {
    if (!CheckShareable(FileName)) return {};
    FContext.State.RemoteName = RemoteNameFor(randomString(10), FileName);
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
        FContext.User.ShowMessage(Text(language, u"LineBreakInFileName") + FileName);
        return false;
    }
    return true;
}

QString TShareFlow::UploadFile(QString LocalFile, const QString& RemoteName) {
    TControllerState& state = FContext.State;
    const TSettings& settings = state.Settings;
    state.Link.clear();
    try {
        if (!TServerSession(FContext).ConnectToServer()) return state.Link;
        if (settings.ResizeJPGImages > 0)
            LocalFile = ResizeJPG(LocalFile, settings.ResizeJPGImages);
        PutShowingProgress(LocalFile, RemoteName);
        FContext.Folder.Close();
        state.UploadedFiles << RemoteName;
        state.LinkFileSize = QFileInfo(LocalFile).size();
        state.Link = ShareLink(settings.BaseURL, RemoteName);
        if (settings.CopyLinkToClipboard) FContext.User.SetClipboardText(state.Link);
        FContext.User.ShowLink(state.Link);
    } catch (const std::exception& e) {
        FContext.User.ShowMessage(FtpMessage(e));
    }
    return state.Link;
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
