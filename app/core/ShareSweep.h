#pragma once
// Deleting the shares that are due: expired ones, and those a run that died
// had uploaded after asking for their removal at exit. It runs at every
// start and after each share, for the server of the current settings only
// (its password is the one at hand).
//
// The sweep is quiet: a server that cannot be reached keeps its shares for
// the next time, and a file the server refuses to delete is recorded as
// such (the history shows it) instead of being retried at every start.

#include "app/core/FlowContext.h"

namespace vd::app {

/// Deletes the file of `Share` in the session that is open, and records and
/// answers how that went: deleted (also when it was gone already), or
/// delete failed (the server refused and still lists it). Nothing when the
/// session no longer works: the share then stays as it was. `Error` gets
/// the server's message when the delete was refused.
std::optional<TShareState> RemoveShare(TFlowContext Context, const TShareRow& Share,
                                       QString* Error = nullptr);

class TShareSweep final {
  public:
    explicit TShareSweep(TFlowContext Context) : FContext(Context) {}

    /// Opens a session only when something is due; answers how many shares
    /// went.
    int RemoveDueShares();
    /// The same in the session that is open; it stays open.
    int RemoveDueSharesInSession();

  private:
    int RemoveInSession(const std::vector<TShareRow>& Due);

    TFlowContext FContext;
};

}  // namespace vd::app
