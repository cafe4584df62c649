#pragma once
// What every flow works on: the run's state, the host directory on the
// server, and the user.

#include "app/core/ControllerState.h"
#include "app/core/RemoteFolder.h"
#include "app/core/UserInterface.h"

namespace vd::app {

struct TFlowContext {
    TControllerState& State;
    TRemoteFolder& Folder;
    TUserInterface& User;
};

}  // namespace vd::app
