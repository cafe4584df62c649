#pragma once
// The record of every upload: one row per share in an SQLite database of
// the user's, so that a later run can remove what a run that died had
// uploaded, delete shares whose time is up, and show what was shared.
//
// The record never stands in the way of a share: a database that cannot be
// opened or written makes each call answer false with `Error()` saying why,
// and the share goes on. Several processes (a window and a --cli run) may
// write at once: the database keeps a write-ahead log and waits for a busy
// writer instead of failing.

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace vd::app {

enum class TShareState {
    Uploading,     // the row is written before the first byte goes up
    Up,            // the upload ended well
    Failed,        // the upload failed: part of the file may be on the server
    Deleted,       // removed from the server
    DeleteFailed,  // a removal was tried and failed
};

/// A run of the program: a process id and the process's start time, so
/// that a later run can tell a run that still lives from one that died
/// (and from another process that got its number since).
struct TRunIdentity {
    qint64 ProcessId = 0;
    qint64 StartTicks = 0;  // since boot, as /proc/PID/stat has it

    friend bool operator==(const TRunIdentity&, const TRunIdentity&) = default;
};

struct TShareRow {
    qint64 Id = 0;
    qint64 SharedAt = 0;  // seconds since 1970, UTC
    QString Transport;    // "ftp", "ftps" or "sftp"
    QString Host;
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

class TShareRecord final {
  public:
    TShareRecord();
    ~TShareRecord();
    TShareRecord(const TShareRecord&) = delete;
    TShareRecord& operator=(const TShareRecord&) = delete;

    /// Opens (or makes, mode 0600, with its folder) the database at `Path`
    /// and brings its tables to this program's version.
    bool Open(const QString& Path);
    bool IsOpen() const;
    /// Why the last call that answered false failed.
    const QString& Error() const { return FError; }

    /// Writes `Row` (its Id is ignored) and answers the new row's id, or
    /// nothing when it could not be written.
    std::optional<qint64> Add(const TShareRow& Row);
    /// The share's new state, and its size when `Size` is not negative.
    bool SetState(qint64 Id, TShareState State, qint64 Size = -1);
    /// The most recent `Limit` shares, newest first.
    std::optional<std::vector<TShareRow>> Recent(int Limit);
    /// Shares that may still be on their server (uploading, up, failed or
    /// delete failed), oldest first.
    std::optional<std::vector<TShareRow>> OnServers();

    /// The schema version this program writes.
    static constexpr int kSchemaVersion = 1;

  private:
    bool Fail(const QString& Why);
    bool Migrate();
    QString FConnection;
    QString FError;
};

/// This process as a run.
TRunIdentity CurrentRun();
/// Whether the run `Run` still lives.
bool RunIsAlive(const TRunIdentity& Run);

}  // namespace vd::app
