#pragma once
// Deleting one share now, named by its link (the history's --delete and the
// link field's menu), and recording it.

#include "app/core/FlowContext.h"

namespace vd::app {

class TShareDeletion final {
  public:
    explicit TShareDeletion(TFlowContext Context) : FContext(Context) {}

    /// True when the share of `Link` is no longer on its server; the user is
    /// told what happened either way. Only a share on the server of the
    /// current settings can be deleted: theirs is the password at hand; and
    /// only under a name of the form this program gives its uploads.
    bool DeleteShare(const QString& Link);

  private:
    TFlowContext FContext;
};

}  // namespace vd::app
