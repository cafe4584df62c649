#include "app/core/ShareSweep.h"

#include "app/core/ServerSession.h"

namespace vd::app {

int TShareSweep::RemoveDueShares() {
    const std::vector<TShareRow> due = FContext.Record.DueOn(FContext.State.Settings);
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

int TShareSweep::RemoveDueSharesInSession() {
    return RemoveInSession(FContext.Record.DueOn(FContext.State.Settings));
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

std::optional<TShareState> RemoveShare(TFlowContext Context, const TShareRow& Share,
                                       QString* Error) {
    TShareState outcome = TShareState::Deleted;
    try {
        Context.Folder.Delete(Share.RemoteName);
    } catch (const std::exception& e) {
        // A refusal and a lost connection raise alike; the listing tells
        // them apart, and also finds a file that is gone already.
        try {
            if (IsListed(Context.Folder.ListNames(), Share.RemoteName))
                outcome = TShareState::DeleteFailed;
        } catch (const std::exception&) {
            if (Error) *Error = ServerMessage(e);
            return std::nullopt;
        }
        if (Error) *Error = ServerMessage(e);
    }
    Context.Record.SetState(Share.Id, outcome);
    // A share of this run that went needs no removal at its exit.
    if (outcome == TShareState::Deleted) Context.State.UploadedFiles.removeAll(Share.RemoteName);
    return outcome;
}

}  // namespace vd::app
