// OpenSSH's ssh-agent for tests: started in the foreground on a socket in a
// temporary folder of its own, keys added with ssh-add, stopped by its
// process id when the object goes. The program under test finds it through
// SSH_AUTH_SOCK=SocketPath(). Start it from the test's own thread (it ends
// with that thread).
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "ChildProcess.h"

namespace vd::test {

class TSshAgent {
  public:
    TSshAgent();
    TSshAgent(const TSshAgent&) = delete;
    TSshAgent& operator=(const TSshAgent&) = delete;
    ~TSshAgent();

    const std::string& SocketPath() const noexcept { return FSocket; }
    pid_t Pid() const noexcept { return FProcess ? FProcess->Pid() : -1; }

    // ssh-add of a private key file; the passphrase, when there is one,
    // through SSH_ASKPASS as no terminal is there to ask on.
    void AddKey(const std::string& privateKeyFile, const std::string& passphrase = "");

    // Stops the agent and removes its folder. Idempotent.
    void Stop() noexcept;

  private:
    std::string FFolder;
    std::string FSocket;
    std::unique_ptr<TChildProcess> FProcess;
};

}  // namespace vd::test
