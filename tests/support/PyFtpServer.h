// A real FTP server for tests: pyftpdlib (Debian's /usr/bin/python3) on
// 127.0.0.1, one user and a temporary home folder; the kernel picks the
// control port and each passive data port. Stopped by its process id when
// the object goes.
// The server also ends if the thread that started it ends (so a crashed
// test leaves nothing running): start it from the test's own thread.
//
//   vd::test::TPyFtpServer server;              // plain
//   vd::test::TPyFtpServerOptions o; o.RefuseStor = {"x.bin"};
//   vd::test::TPyFtpServer refusing(o);         // "553" for STOR x.bin
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vd::test {

struct TPyFtpServerOptions {
    std::string User = "velodrop";
    std::string Password = "s3cret pw";
    bool NlstReturnsPaths = false;        // NLST answers "/dir/name"
    std::vector<std::string> RefuseStor;  // names (shell patterns) whose STOR gets 553
    std::vector<std::string> RefuseRetr;  // names (shell patterns) whose RETR gets 550
    bool Tls = false;                     // explicit TLS; certificate made with `openssl req`
    bool TlsDataRequired = false;         // with Tls: data connections only with "PROT P"
    bool NoUtf8Feat = false;              // FEAT leaves out UTF8 (names stay UTF-8)
};

class TPyFtpServer {
  public:
    explicit TPyFtpServer(TPyFtpServerOptions options = {});
    TPyFtpServer(const TPyFtpServer&) = delete;
    TPyFtpServer& operator=(const TPyFtpServer&) = delete;
    ~TPyFtpServer();

    const std::string& Host() const noexcept { return FHost; }
    uint16_t Port() const noexcept { return FPort; }
    const std::string& User() const noexcept { return FOptions.User; }
    const std::string& Password() const noexcept { return FOptions.Password; }
    // The server's root folder on the local disk.
    const std::string& Home() const noexcept { return FHome; }
    // The certificate (PEM) of a TLS server.
    const std::string& CertFile() const noexcept { return FCertFile; }
    pid_t Pid() const noexcept { return FProcess ? FProcess->Pid() : -1; }

    // Files below the home folder, by relative path.
    std::string ReadFile(const std::string& relativePath) const;
    void WriteFile(const std::string& relativePath, const std::string& bytes) const;
    bool Exists(const std::string& relativePath) const;

    // Stops the server (SIGTERM, then SIGKILL) and waits for it. Idempotent.
    void Stop() noexcept;

  private:
    void MakeCertificate();
    void Start();

    TPyFtpServerOptions FOptions;
    std::string FHost = "127.0.0.1";
    std::string FRoot;  // temporary folder: home/, cert.pem
    std::string FHome;
    std::string FCertFile;
    uint16_t FPort = 0;
    std::unique_ptr<TChildProcess> FProcess;
};

}  // namespace vd::test
