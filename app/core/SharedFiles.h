#pragma once
// What is remembered of each upload, and the store that keeps it: one row
// per share, so that a later run can remove what a run that died had
// uploaded, delete shares whose time is up, and show what was shared. The
// store itself (a database file) is the assembly's business.

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

#include "platform/RunIdentity.h"

namespace vd::app {

using platform::TRunIdentity;

enum class TShareState {
    Uploading,     // the row is written before the first byte goes up
    Up,            // the upload ended well
    Failed,        // the upload failed: part of the file may be on the server
    Deleted,       // removed from the server
    DeleteFailed,  // a removal was tried and failed
};

/// "uploading", "up", "failed", "deleted" or "delete failed": how the store
/// and the history write a state.
QString ShareStateName(TShareState State);
/// The state named so; nothing for a name this version does not know.
std::optional<TShareState> ShareStateNamed(const QString& Name);

struct TShareRow {
    qint64 Id = 0;
    qint64 SharedAt = 0;  // seconds since 1970, UTC
    QString Transport;    // "ftp", "ftps" or "sftp"
    QString Host;         // lower case, without the scheme
    int Port = 0;
    QString User;  // never the password
    QString Folder;
    QString RemoteName;
    QString Link;
    qint64 Size = -1;  // -1 until the upload has ended
    QString LocalName;
    bool RemoveAtExit = false;
    std::optional<qint64> ExpiresAt;  // seconds since 1970; none: kept
    TShareState State = TShareState::Uploading;
    TRunIdentity Run;
};

/// Where the rows are kept. Every call answers false or nothing when the
/// store could not do it, with `Error()` saying why.
class TShareStore {
  public:
    virtual ~TShareStore() = default;
    virtual const QString& Error() const = 0;

    /// Writes `Row` (its Id is ignored) and answers the new row's id.
    virtual std::optional<qint64> Add(const TShareRow& Row) = 0;
    /// The share's new state, and its size when `Size` is not negative.
    virtual bool SetState(qint64 Id, TShareState State, qint64 Size = -1) = 0;
    /// Whether the share is to go when its run ends.
    virtual bool SetRemoveAtExit(qint64 Id, bool Remove) = 0;
    /// The most recent `Limit` shares, newest first.
    virtual std::optional<std::vector<TShareRow>> Recent(int Limit) = 0;
    /// Hands every share, newest first, to `Visit` as it is read, until it
    /// answers false; however many there are, one is held at a time. False
    /// when the shares could not all be read.
    virtual bool EachShare(const std::function<bool(const TShareRow&)>& Visit) = 0;
    /// The newest share with the link `Link`, or none.
    virtual std::optional<std::optional<TShareRow>> WithLink(const QString& Link) = 0;
    /// Shares that may be due for deletion: those still on their server
    /// (uploading or up) whose run asked for removal at exit or that expired
    /// at `Now` or before, and every upload that has not ended well (failed,
    /// or still uploading). Oldest first.
    virtual std::optional<std::vector<TShareRow>> MaybeDue(qint64 Now) = 0;
};

}  // namespace vd::app
