#include "PyFtpServer.h"

#include <fstream>
#include <stdexcept>

namespace vd::test {

TPyFtpServer::TPyFtpServer(TPyFtpServerOptions options)
    : TServerFixture("pyftpd"), FOptions(std::move(options)) {
    MakeServedFolder("home");
    if (FOptions.Tls) {
        FCertFile = Folder() + "/cert.pem";
        MakeCertificate(FCertFile);
    }
    Start();
}

void TPyFtpServer::Start() {
    std::vector<std::string> argv = {
        "/usr/bin/python3", VD_PYFTPD_SCRIPT, "--home",     Home(),
        "--user",           FOptions.User,    "--password", FOptions.Password};
    if (FOptions.NlstReturnsPaths) argv.push_back("--nlst-paths");
    for (const auto& n : FOptions.RefuseStor) argv.insert(argv.end(), {"--refuse-stor", n});
    for (const auto& n : FOptions.RefuseRetr) argv.insert(argv.end(), {"--refuse-retr", n});
    if (FOptions.NoUtf8Feat) argv.push_back("--no-utf8-feat");
    if (FOptions.Tls) argv.insert(argv.end(), {"--certfile", FCertFile});
    if (FOptions.TlsDataRequired) argv.push_back("--tls-data-required");

    FProcess = std::make_unique<TChildProcess>(argv);
    const std::string ready = FProcess->WaitForLine("READY ", 20000);
    if (ready.empty()) throw std::runtime_error("pyftpdlib did not start: " + FProcess->ErrorLog());
    FPort = static_cast<uint16_t>(std::stoi(ready.substr(6)));
}

void TPyFtpServer::WriteFile(const std::string& relativePath, const std::string& bytes) const {
    std::ofstream out(Home() + "/" + relativePath, std::ios::binary);
    out << bytes;
}

}  // namespace vd::test
