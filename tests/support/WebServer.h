// A web server for tests (web_server.py on Debian's Python) over a folder,
// on 127.0.0.1 with a port from the kernel; stopped by its process id when
// the object goes. Start it from the test's own thread.
//
//   vd::test::TWebServer web(ftpServer.Home());
//   settings.BaseURL = QString::fromStdString(web.Base());
#pragma once

#include <cstdint>
#include <string>

#include "ChildProcess.h"

namespace vd::test {

struct TWebServerOptions {
    bool Https = false;       // with the tests' self-signed certificate (TlsPeers.h)
    double Delay = 0;         // seconds every answer waits
    bool RefuseHead = false;  // HEAD answers 405
};

class TWebServer final {
  public:
    explicit TWebServer(const std::string& root, const TWebServerOptions& options = {});

    // "http://127.0.0.1:<port>" (or https)
    std::string Base() const;
    uint16_t Port() const noexcept { return FPort; }

  private:
    TWebServerOptions FOptions;
    TChildProcess FProcess;
    uint16_t FPort = 0;
};

}  // namespace vd::test
