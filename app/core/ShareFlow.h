#pragma once
// Sharing a file: it goes up under a fresh random name, its link is built
// from the link base and put on the clipboard if so configured. The front
// (window or terminal) shows what the share gives back.

#include <optional>

#include "app/core/FlowContext.h"

namespace vd::app {

/// What a share gave: the link, or why there is none (the user has been
/// told).
struct TShareResult {
    bool Shareable = false;           // the file passed the checks and an upload was tried
    QString RemoteName;               // the name on the server
    QString Link;                     // empty when the upload failed
    qint64 Size = -1;                 // bytes that went up
    bool Shrunk = false;              // a JPEG image went up as a shrunk copy
    std::optional<qint64> ExpiresAt;  // seconds since 1970; none: the share is kept

    bool Ok() const noexcept { return !Link.isEmpty(); }
};

class TShareFlow final {
  public:
    explicit TShareFlow(TFlowContext Context) : FContext(Context) {}

    /// The whole share: the checks, a new remote name, the upload.
    TShareResult ShareFile(const QString& FileName);

    /// True when a file exists at `FileName` (a folder is none) and its name
    /// can go into a command; otherwise the user is told why.
    bool CheckShareable(const QString& FileName);

    /// Opens a session, shrinks a JPEG image first if so configured, stores
    /// the file as `RemoteName` (recorded before its first byte goes up),
    /// lists the upload, builds the link and copies it if so configured,
    /// deletes the shares that are due and closes the session. After a
    /// failure, which the user has been told about, the result has no link,
    /// and what arrived of the file is deleted again.
    TShareResult UploadFile(const QString& LocalFile, const QString& RemoteName);

  private:
    void RemovePartialUpload(const QString& RemoteName);
    void PutShowingProgress(const QString& LocalFile, const QString& RemoteName);

    TFlowContext FContext;
};

}  // namespace vd::app
