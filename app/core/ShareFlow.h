#pragma once
// Sharing a file: it goes up under a fresh random name, and its link is
// built from the link base, put on the clipboard if so configured and shown.

#include "app/core/FlowContext.h"

namespace vd::app {

class TShareFlow final {
  public:
    explicit TShareFlow(TFlowContext Context) : FContext(Context) {}

    /// The whole share for callers without a window: the checks, a new
    /// remote name, the upload. The link, or empty text when it did not
    /// come to one (the user has been told why).
    QString ShareFile(const QString& FileName);

    /// True when a file exists at `FileName` (a folder is none) and its name
    /// can go into a command; otherwise the user is told why.
    bool CheckShareable(const QString& FileName);

    /// Opens a session, shrinks a JPEG image first if so configured, stores
    /// the file as `RemoteName`, closes the session, lists the upload and
    /// builds the link. The link, or empty text after a failure, which the
    /// user has been told about.
    QString UploadFile(QString LocalFile, const QString& RemoteName);

  private:
    void PutShowingProgress(const QString& LocalFile, const QString& RemoteName);

    TFlowContext FContext;
};

}  // namespace vd::app
