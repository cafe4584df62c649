#include "app/core/ShareSweep.h"

#include "app/core/ServerSession.h"
#include "app/core/ShareNames.h"

namespace vd::app {

int TShareSweep::RemoveDueShares() {
    const std::vector<TShareRow> due = OwnSharesDue();
    if (due.empty() || !FContext.State.PasswordProblem.isEmpty()) return 0;
    try {
        FContext.Folder.Open(ServerAccountOf(FContext.State.Settings));
    } catch (const std::exception&) {
        return 0;  // unreachable now: the shares wait for the next start
    }
    const int removed = RemoveInSession(due);
    FContext.Folder.Close();
    return removed;
}

int TShareSweep::RemoveDueSharesInSession() { return RemoveInSession(OwnSharesDue()); }

std::vector<TShareRow> TShareSweep::OwnSharesDue() {
    // A row that names anything else is no upload of this program's (the
    // record was written by hand, or by someone who means harm): no session
    // opens for it, and it is marked so that no later start considers it.
    std::vector<TShareRow> own;
    for (const TShareRow& share : FContext.Record.DueOn(FContext.State.Settings)) {
        if (IsShareName(share.RemoteName))
            own.push_back(share);
        else
            FContext.Record.SetState(share.Id, TShareState::DeleteFailed);
    }
    return own;
}

int TShareSweep::RemoveInSession(const std::vector<TShareRow>& Due) {
    int removed = 0;
    for (const TShareRow& share : Due) {
        const std::optional<TShareState> outcome = RemoveShare(FContext, share);
        if (!outcome) break;
        if (*outcome == TShareState::Deleted) ++removed;
    }
    return removed;
}

std::optional<TShareState> DeleteRemoteFile(TRemoteFolder& Folder, const QString& RemoteName,
                                            QString* Error) {
    try {
        Folder.Delete(RemoteName);
        return TShareState::Deleted;
    } catch (const std::exception& e) {
        if (Error) *Error = ServerMessage(e);
        // A refusal and a lost connection raise alike; the listing tells
        // them apart, and also finds a file that is gone already.
        try {
            return IsListed(Folder.ListNames(), RemoteName) ? TShareState::DeleteFailed
                                                            : TShareState::Deleted;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
}

std::optional<TShareState> RemoveShare(TFlowContext Context, const TShareRow& Share,
                                       QString* Error) {
    TShareState outcome = TShareState::DeleteFailed;
    if (IsShareName(Share.RemoteName)) {
        const std::optional<TShareState> deleted =
            DeleteRemoteFile(Context.Folder, Share.RemoteName, Error);
        if (!deleted) return std::nullopt;
        outcome = *deleted;
    }
    Context.Record.SetState(Share.Id, outcome);
    // A share of this run that went needs no removal at its exit.
    if (outcome == TShareState::Deleted) Context.State.UploadedFiles.removeAll(Share.RemoteName);
    return outcome;
}

}  // namespace vd::app
