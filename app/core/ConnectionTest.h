#pragma once
// The connection test after a confirmed settings dialog: a small local file
// goes up under its own name, its link is fetched and compared with it, and
// it is deleted from the server again.

#include "app/core/FlowContext.h"

namespace vd::app {

enum class TTestResult {
    Passed,
    NotConnected,           // the session could not be opened; its message was shown
    FailedAfterConnecting,  // connected, but the work there failed or the link led
                            // elsewhere; its message was shown
};

class TConnectionTest final {
  public:
    explicit TConnectionTest(TFlowContext Context) : FContext(Context) {}

    /// After FailedAfterConnecting the settings deserve another look: the
    /// window opens its dialog again.
    TTestResult TestConnection();

  private:
    TFlowContext FContext;
};

}  // namespace vd::app
