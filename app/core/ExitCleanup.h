#pragma once
// At exit, when the settings ask for it, this run's uploads are deleted
// from the server again, and the record of shares learns how that went.

#include "app/core/FlowContext.h"

namespace vd::app {

class TExitCleanup final {
  public:
    explicit TExitCleanup(TFlowContext Context) : FContext(Context) {}

    /// Deletes the uploads in the order they were made; nothing to delete,
    /// no connection. The list is emptied only when all went; after a
    /// refusal the names after it stay on the server and the user is told.
    /// What could not go stays recorded for removal, so that the next start
    /// tries again.
    void RemoveUploadedFiles();

    /// The run ends with its uploads left on the server (the settings no
    /// longer ask for their removal): the record stops asking for it too.
    void KeepUploadedFiles();

  private:
    TFlowContext FContext;
};

}  // namespace vd::app
