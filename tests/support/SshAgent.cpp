#include "SshAgent.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vd::test {

TSshAgent::TSshAgent() {
    char pattern[] = "/tmp/vd-ssh-agent-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    FFolder = pattern;
    FSocket = FFolder + "/agent.sock";
    try {
        FProcess = std::make_unique<TChildProcess>(
            std::vector<std::string>{"/usr/bin/ssh-agent", "-D", "-a", FSocket});
        // Printed once the socket listens.
        if (FProcess->WaitForLine("SSH_AUTH_SOCK=", 20000).empty())
            throw std::runtime_error("ssh-agent did not start: " + FProcess->ErrorLog());
    } catch (...) {
        Stop();
        throw;
    }
}

TSshAgent::~TSshAgent() { Stop(); }

void TSshAgent::AddKey(const std::string& privateKeyFile, const std::string& passphrase) {
    std::vector<std::string> argv = {"/usr/bin/env", "SSH_AUTH_SOCK=" + FSocket};
    if (!passphrase.empty()) {
        // The passphrase in a file of its own, so that no quoting can bend it.
        const std::string secret = FFolder + "/passphrase", askpass = FFolder + "/askpass";
        std::ofstream(secret) << passphrase << "\n";
        std::ofstream(askpass) << "#!/bin/sh\nexec /bin/cat '" << secret << "'\n";
        ::chmod(askpass.c_str(), 0700);
        argv.insert(argv.end(), {"SSH_ASKPASS=" + askpass, "SSH_ASKPASS_REQUIRE=force"});
    }
    argv.insert(argv.end(), {"/usr/bin/ssh-add", privateKeyFile});
    RunOrThrow(argv, {}, 20000);
}

void TSshAgent::Stop() noexcept {
    FProcess.reset();
    if (!FFolder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(FFolder, ec);
        FFolder.clear();
    }
}

}  // namespace vd::test
