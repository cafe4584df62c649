#include "WebServer.h"

#include <stdexcept>

#include "TlsPeers.h"

namespace vd::test {
namespace {

std::vector<std::string> ServerArgv(const std::string& root, const TWebServerOptions& options) {
    std::vector<std::string> argv = {"/usr/bin/python3", VD_WEB_SERVER_SCRIPT, "--root", root};
    if (options.Https) {
        const TTestCertificates& certificates = TTestCertificates::Get();
        argv.insert(argv.end(), {"--certfile", certificates.Cert, "--keyfile", certificates.Key});
    }
    if (options.Delay > 0) argv.insert(argv.end(), {"--delay", std::to_string(options.Delay)});
    if (options.RefuseHead) argv.push_back("--no-head");
    return argv;
}

}  // namespace

TWebServer::TWebServer(const std::string& root, const TWebServerOptions& options)
    : FOptions(options), FProcess(ServerArgv(root, options)) {
    const std::string ready = FProcess.WaitForLine("READY ", 20000);
    if (ready.empty())
        throw std::runtime_error("web_server.py did not start: " + FProcess.ErrorLog());
    FPort = static_cast<uint16_t>(std::stoi(ready.substr(6)));
}

std::string TWebServer::Base() const {
    return std::string(FOptions.Https ? "https" : "http") + "://127.0.0.1:" + std::to_string(FPort);
}

}  // namespace vd::test
