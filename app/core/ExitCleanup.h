#pragma once
// At exit, when the settings ask for it, this run's uploads are deleted
// from the server again, and the record of shares learns how that went.

#include "app/core/FlowContext.h"

namespace vd::app {

class TExitCleanup final {
  public:
    explicit TExitCleanup(TFlowContext Context) : FContext(Context) {}

    /// Deletes the uploads in the order they were made; nothing to delete,
    /// no connection. A file that is gone already (deleted meanwhile by
    /// another run) counts as removed; a refusal does not stop the others.
    /// The list keeps what could not go, and the user is told of the first
    /// failure. What could not go stays recorded for removal, so that the
    /// next start tries again.
    void RemoveUploadedFiles();

    /// The run ends with its uploads left on the server (the settings no
    /// longer ask for their removal): the record stops asking for it too.
    void KeepUploadedFiles();

  private:
    TFlowContext FContext;
};

}  // namespace vd::app
