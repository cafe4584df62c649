#pragma once
// At exit, when the settings ask for it, this run's uploads are deleted
// from the server again.

#include "app/core/FlowContext.h"

namespace vd::app {

class TExitCleanup final {
  public:
    explicit TExitCleanup(TFlowContext Context) : FContext(Context) {}

    /// Deletes the uploads in the order they were made; nothing to delete,
    /// no connection. The list is emptied only when all went; after a
    /// refusal the names after it stay on the server and the user is told.
    void RemoveUploadedFiles();

  private:
    TFlowContext FContext;
};

}  // namespace vd::app
