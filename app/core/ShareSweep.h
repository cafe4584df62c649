#pragma once
// Deleting the shares that are due: expired ones, those a run that died had
// uploaded after asking for their removal at exit, and what uploads that did
// not end well left behind. It runs at every start and after each share,
// for the server of the current settings only (its password is the one at
// hand).
//
// The sweep is quiet: a server that cannot be reached keeps its shares for
// the next time, and a file the server refuses to delete is recorded as
// such (the history shows it) instead of being retried at every start. It
// deletes only names of the form this program gives its uploads, whatever
// the record says.

#include "app/core/FlowContext.h"

namespace vd::app {

/// Deletes `RemoteName` in the session that is open and answers how that
/// went: deleted (also when it was gone already), or delete failed (the
/// server refused and still lists it); nothing when the session no longer
/// works. `Error` gets the server's message when the delete failed.
std::optional<TShareState> DeleteRemoteFile(TRemoteFolder& Folder, const QString& RemoteName,
                                            QString* Error = nullptr);

/// Deletes the file of `Share` in the session that is open, and records and
/// answers how that went, as DeleteRemoteFile does; the share stays as it
/// was when the session no longer works. A name this program does not make
/// is not touched: it counts, and is recorded, as a failed delete.
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
    // The due shares whose names this program makes; the others are marked.
    std::vector<TShareRow> OwnSharesDue();
    int RemoveInSession(const std::vector<TShareRow>& Due);

    TFlowContext FContext;
};

}  // namespace vd::app
