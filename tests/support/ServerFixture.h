// What the real-server fixtures (TPyFtpServer, TVsftpdServer, TSshdServer)
// share: a temporary folder of their own under /tmp, the server's process,
// the loopback address and port it listens on, and the folder a login
// starts in, whose files a test reads back.
//
// Stop() ends the process before it removes the folder, as a server still
// running may write into it. It runs when the object goes, and also when a
// fixture's constructor throws once the folder is made (the base is whole by
// then, so its destructor runs): no half-started server or folder stays
// behind, without a try block in every fixture.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vd::test {

class TServerFixture {
  public:
    TServerFixture(const TServerFixture&) = delete;
    TServerFixture& operator=(const TServerFixture&) = delete;

    const std::string& Host() const noexcept { return FHost; }
    uint16_t Port() const noexcept { return FPort; }
    pid_t Pid() const noexcept { return FProcess ? FProcess->Pid() : -1; }

    // Files below the folder a login starts in, by relative path.
    std::string ReadFile(const std::string& relativePath) const;
    bool Exists(const std::string& relativePath) const;

    // Stops the server and removes its files. Idempotent.
    void Stop() noexcept;

  protected:
    // Throws std::runtime_error with `unusable` when that is not empty (why
    // this machine cannot run the server), before anything is made; else
    // makes the folder /tmp/vd-<name>-XXXXXX.
    explicit TServerFixture(const std::string& name, const std::string& unusable = {});
    ~TServerFixture();

    const std::string& Folder() const noexcept { return FFolder; }
    // Makes Folder()/name as the folder a login starts in; its path.
    const std::string& MakeServedFolder(const std::string& name);
    const std::string& ServedFolder() const noexcept { return FServedFolder; }
    // A file the fixture puts outside its folder (a PAM service file), for
    // Stop to remove with it.
    void RemoveOnStop(const std::string& path);

    // A self-signed certificate for CN=localhost and its key in one PEM
    // file, the form both pyftpdlib and vsftpd read.
    static void MakeCertificate(const std::string& pemFile);

    // Waits up to 20 s for FProcess to listen (on `port`, when one is named)
    // and gives the port; 0 when the process ended first, its ErrorLog says
    // why. Throws when it does neither in time.
    uint16_t AwaitListening(const std::string& serverName, uint16_t port = 0) const;

    uint16_t FPort = 0;
    std::unique_ptr<TChildProcess> FProcess;

  private:
    std::string FHost = "127.0.0.1";
    std::string FFolder;
    std::string FServedFolder;
    std::vector<std::string> FRemoveOnStop;
};

}  // namespace vd::test
