#pragma once
// What every flow works on: the run's state, the host directory on the
// server, the user, the web that serves the links, and the record of shares.

#include "app/core/ControllerState.h"
#include "app/core/LinkCheck.h"
#include "app/core/RemoteFolder.h"
#include "app/core/ShareBook.h"
#include "app/core/UserInterface.h"

namespace vd::app {

struct TFlowContext {
    TControllerState& State;
    TRemoteFolder& Folder;
    TUserInterface& User;
    TLinkChecker& Links;
    TShareBook& Record;
};

}  // namespace vd::app
