// TLS peers for the tests, all on 127.0.0.1 and stopped by process id:
//   TTestCertificates  certificates made once per test process with the
//                      openssl command (removed at exit);
//   TTlsScriptPeer     a scripted FTP server with explicit TLS (Python's ssl);
//   TOpenSSLServer     `openssl s_server` with the options a test names.
// Start them from the test's own thread: they end with that thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vd::test {

// The SHA-256 fingerprint of a PEM certificate as `openssl x509
// -fingerprint -sha256` gives it: "AB:CD:..." (32 pairs).
std::string CertificateFingerprint(const std::string& certFile);

struct TTestCertificates {
    std::string Cert, Key;                // CN=localhost, valid now
    std::string ExpiredCert, ExpiredKey;  // CN=other.example, expired in 2020
    static const TTestCertificates& Get();
};

class TTlsScriptPeer {
  public:
    // Steps as tls_script_peer.py takes them ("send:220 ready", "recv", ...).
    explicit TTlsScriptPeer(const std::vector<std::string>& steps);
    uint16_t Port() const noexcept { return FPort; }
    // Waits until the script and the connection ended; the peer's report
    // lines ("CMD USER x", "SNI -", "CLOSE_NOTIFY", ...).
    std::vector<std::string> Report();
    // The lines the client sent, in order.
    std::vector<std::string> Commands();

  private:
    TChildProcess FProcess;
    uint16_t FPort = 0;
    std::vector<std::string> FReport;
    bool FDone = false;
};

class TOpenSSLServer {
  public:
    // s_server on a port the kernel picks, with the certificate and key and
    // extra options (for example {"-tls1_3"} or {"-rev"}).
    TOpenSSLServer(const std::string& cert, const std::string& key,
                   const std::vector<std::string>& options);
    uint16_t Port() const noexcept { return FPort; }

  private:
    TChildProcess FProcess;
    uint16_t FPort = 0;
};

}  // namespace vd::test
