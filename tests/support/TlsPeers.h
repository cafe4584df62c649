// TLS peers for the tests, all on 127.0.0.1 and stopped by process id:
//   TTestCertificates  certificates made once per test process with the
//                      openssl command (removed at exit);
//   TTlsScriptPeer     a scripted FTP server with explicit TLS (Python's ssl);
//   TOpenSSLServer     `openssl s_server` with the options a test names.
// Start them from the test's own thread: they end with that thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vd::test {

struct TTestCertificates {
    std::string Cert, Key;                // CN=localhost, valid now
    std::string ExpiredCert, ExpiredKey;  // CN=other.example, expired in 2020
    static const TTestCertificates& Get();
};

// A child process whose stdout the test reads line by line.
class TChildProcess {
  public:
    explicit TChildProcess(const std::vector<std::string>& argv);
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;
    ~TChildProcess();

    pid_t Pid() const noexcept { return FPid; }
    // The first output line that starts with prefix (waiting up to ms);
    // empty when none came.
    std::string WaitForLine(const std::string& prefix, int ms);
    // Waits up to ms for the process to end, then stops it; returns every
    // output line it wrote.
    std::vector<std::string> Finish(int ms);
    // SIGTERM, then SIGKILL, and wait. Idempotent.
    void Stop() noexcept;

  private:
    bool ReadSome(int ms);
    pid_t FPid = -1;
    int FOut = -1;
    std::string FBuffer;
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
    // s_server on a free port with the certificate and key and extra options
    // (for example {"-tls1_3"} or {"-rev"}).
    TOpenSSLServer(const std::string& cert, const std::string& key,
                   const std::vector<std::string>& options);
    uint16_t Port() const noexcept { return FPort; }

  private:
    static uint16_t FreePort();
    uint16_t FPort = 0;
    TChildProcess FProcess;
};

}  // namespace vd::test
