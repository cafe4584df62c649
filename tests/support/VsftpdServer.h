// vsftpd from Debian as a real FTPS server for tests: the way its own
// documentation sets TLS up (strict: data connections must be encrypted and
// must resume the control connection's TLS session), or with both of those
// off (permissive). Started in the foreground on 127.0.0.1 with a
// configuration of its own, a certificate made at start and a home folder
// of its own; the kernel picks the control port (listen_port=0, read back
// from /proc), vsftpd each passive port from a range with retries. The
// package's own service (port 21) is never used.
//
// It needs root: vsftpd logs in a local user. The fixture adds a system
// user for that when missing, and names a PAM service file of its own
// (removed again) that lets this one user in; the password is not
// checked there. Stopped by its process id when the object goes; start it
// from the test's own thread (it ends with that thread).
//
//   vd::test::TVsftpdServer strict;                       // encrypted data, session reuse
//   vd::test::TVsftpdServer permissive({.Strict = false});
#pragma once

#include <string>

#include "ServerFixture.h"

namespace vd::test {

struct TVsftpdOptions {
    // force_local_data_ssl and require_ssl_reuse: YES, else NO.
    bool Strict = true;
};

class TVsftpdServer : public TServerFixture {
  public:
    static constexpr const char* kUser = "velodrop-ftps";

    // Why this machine cannot run the fixture (not root, no vsftpd); empty
    // when it can.
    static std::string Unusable();

    explicit TVsftpdServer(TVsftpdOptions options = {});

    std::string User() const { return kUser; }
    const std::string& Password() const noexcept { return FPassword; }
    // The folder a login starts in, on the local disk.
    const std::string& Home() const noexcept { return ServedFolder(); }
    // The server's certificate (PEM), and its SHA-256 fingerprint as the
    // openssl command gives it ("AB:CD:...").
    const std::string& CertFile() const noexcept { return FCertFile; }
    std::string Fingerprint() const;

  private:
    // In Folder(): home/ (served), empty/, cert.pem, vsftpd.conf.
    void Prepare();
    void WriteConfig(const std::string& path) const;
    void Start();

    TVsftpdOptions FOptions;
    std::string FPassword = "any password";
    std::string FCertFile;
    std::string FPamService;  // file name in /etc/pam.d
};

}  // namespace vd::test
