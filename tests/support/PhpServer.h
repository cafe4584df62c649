// PHP's built-in web server (`php -S`) on 127.0.0.1 over a folder, every
// request going through a router script; stopped by its process id when the
// object goes. Start it from the test's own thread: it ends with that thread.
//
//   vd::test::TPhpServer php(server.Home(), dataDir + "/php_router.php");
//   php.Get("/Abc12");  // "<body><status> <redirect>|"
#pragma once

#include <cstdint>
#include <string>

#include "ChildProcess.h"

namespace vd::test {

class TPhpServer final {
  public:
    // Returns once the server answers /index.php with 200 (the script is
    // there) or 404 (not yet); throws with the server's log when it does not
    // within 20 seconds.
    TPhpServer(const std::string& root, const std::string& router);

    // "http://127.0.0.1:<port>"
    std::string Base() const;
    // The body, then "<status> <redirect>|" as curl reports them.
    std::string Get(const std::string& path) const;

  private:
    uint16_t WaitForPort();
    void WaitUntilAnswering();

    TChildProcess FProcess;
    uint16_t FPort = 0;
};

}  // namespace vd::test
