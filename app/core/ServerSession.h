#pragma once
// Every server operation runs in a session of its own: opened here in the
// host directory, closed by the operation after its last command. After a
// failure the session may stay open; the next opening closes it first.

#include "app/core/FlowContext.h"

namespace vd::app {

/// "FTP: " + the error's message: how failures of server work are shown;
/// "SFTP: " for the failures of an SFTP session.
QString ServerMessage(const std::exception& Error);

class TServerSession final {
  public:
    explicit TServerSession(TFlowContext Context) : FContext(Context) {}

    /// True: a session is open, logged in, in the host directory. False: it
    /// could not be opened (also when the password is not at hand), and the
    /// user has been told why.
    bool ConnectToServer();

  private:
    TFlowContext FContext;
};

}  // namespace vd::app
