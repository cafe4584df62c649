#include "app/core/ShareDeletion.h"

#include "app/core/Language.h"
#include "app/core/ServerSession.h"
#include "app/core/ShareNames.h"
#include "app/core/ShareSweep.h"

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
    if (!IsShareName(share->RemoteName)) {
        FContext.User.ShowMessage(
            Text(language, TText::ShareNameForeign).arg(share->RemoteName, Link));
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
    QString error;
    const std::optional<TShareState> outcome = RemoveShare(FContext, *share, &error);
    FContext.Folder.Close();
    if (outcome != TShareState::Deleted) {
        FContext.User.ShowMessage(error);
        return false;
    }
    FContext.User.ShowMessage(Text(language, TText::ShareDeleted) + Link);
    record.TellTrouble(FContext.User, language);
    return true;
}

}  // namespace vd::app
