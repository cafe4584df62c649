#include "PyFtpServer.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/TempDir.h"

namespace vd::test {

namespace fs = std::filesystem;

TPyFtpServer::TPyFtpServer(TPyFtpServerOptions options) : FOptions(std::move(options)) {
    char pattern[] = "/tmp/vd-pyftpd-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    FRoot = pattern;
    FHome = FRoot + "/home";
    fs::create_directory(FHome);
    try {
        if (FOptions.Tls) MakeCertificate();
        Start();
    } catch (...) {
        Stop();
        throw;
    }
}

TPyFtpServer::~TPyFtpServer() { Stop(); }

void TPyFtpServer::MakeCertificate() {
    FCertFile = FRoot + "/cert.pem";
    RunOrThrow({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                "-subj", "/CN=localhost", "-keyout", FCertFile, "-out", FCertFile});
}

void TPyFtpServer::Start() {
    std::vector<std::string> argv = {
        "/usr/bin/python3", VD_PYFTPD_SCRIPT, "--home",     FHome,
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

void TPyFtpServer::Stop() noexcept {
    FProcess.reset();
    if (!FRoot.empty()) {
        std::error_code ec;
        fs::remove_all(FRoot, ec);
        FRoot.clear();
    }
}

std::string TPyFtpServer::ReadFile(const std::string& relativePath) const {
    return ReadFileBytes(FHome + "/" + relativePath);
}

void TPyFtpServer::WriteFile(const std::string& relativePath, const std::string& bytes) const {
    std::ofstream out(FHome + "/" + relativePath, std::ios::binary);
    out << bytes;
}

bool TPyFtpServer::Exists(const std::string& relativePath) const {
    return fs::exists(FHome + "/" + relativePath);
}

}  // namespace vd::test
