#include "app/core/ShareDeletion.h"

#include "app/core/Language.h"
#include "app/core/ServerSession.h"

namespace vd::app {

bool TShareDeletion::DeleteShare(const QString& Link) {
    const TSettings& settings = FContext.State.Settings;
    const TLanguage language = InterfaceLanguage(settings.AutoLanguage);
    TShareBook& record = FContext.Record;
    bool found = false;
    const std::optional<TShareRow> share = record.WithLink(Link, found);
    if (!share) {
        if (!record.Trouble().isEmpty())
            FContext.User.ShowMessage(Text(language, TText::ShareRecordTrouble) + record.Trouble());
        else
            FContext.User.ShowMessage(Text(language, TText::ShareNotInRecord) + Link);
        return false;
    }
    if (!IsOnServerOf(*share, settings)) {
        const QString server = QStringLiteral("%1://%2@%3:%4")
                                   .arg(share->Transport, share->User, share->Host)
                                   .arg(share->Port);
        FContext.User.ShowMessage(Text(language, TText::ShareOnOtherServer).arg(server, Link));
        return false;
    }
    if (!TServerSession(FContext).ConnectToServer()) return false;
    try {
        FContext.Folder.Delete(share->RemoteName);
    } catch (const std::exception& e) {
        // Gone already (deleted by hand, or by an earlier try) counts as
        // done. A session that cannot even list leaves the record as it was.
        std::optional<bool> listed;
        try {
            listed = IsListed(FContext.Folder.ListNames(), share->RemoteName);
        } catch (const std::exception&) {
        }
        if (!listed || *listed) {
            FContext.Folder.Close();
            if (listed) record.SetState(share->Id, TShareState::DeleteFailed);
            FContext.User.ShowMessage(ServerMessage(e));
            return false;
        }
    }
    FContext.Folder.Close();
    record.SetState(share->Id, TShareState::Deleted);
    FContext.State.UploadedFiles.removeAll(share->RemoteName);
    FContext.User.ShowMessage(Text(language, TText::ShareDeleted) + Link);
    record.TellTrouble(FContext.User, language);
    return true;
}

}  // namespace vd::app
