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

#include <string>
#include <vector>

#include "ServerFixture.h"

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

class TPyFtpServer : public TServerFixture {
  public:
    explicit TPyFtpServer(TPyFtpServerOptions options = {});

    const std::string& User() const noexcept { return FOptions.User; }
    const std::string& Password() const noexcept { return FOptions.Password; }
    // The server's root folder on the local disk.
    const std::string& Home() const noexcept { return ServedFolder(); }
    // The certificate (PEM) of a TLS server.
    const std::string& CertFile() const noexcept { return FCertFile; }

    // A file below the home folder, by relative path as ReadFile takes it.
    void WriteFile(const std::string& relativePath, const std::string& bytes) const;

  private:
    // In Folder(): home/ (served), cert.pem.
    void Start();

    TPyFtpServerOptions FOptions;
    std::string FCertFile;
};

}  // namespace vd::test
