#include "TlsPeers.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vd::test {

namespace fs = std::filesystem;

namespace {

const std::string kOpenSSL = "/usr/bin/openssl";

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The certificates live in one folder for the test process.
struct TCertificateFolder {
    TTestCertificates Files;
    std::string Folder;

    TCertificateFolder() {
        char pattern[] = "/tmp/vd-tls-certs-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        Folder = pattern;
        try {
            Make();
        } catch (...) {
            Remove();
            throw;
        }
        Files = {Folder + "/cert.pem", Folder + "/key.pem", Folder + "/expired.pem",
                 Folder + "/expired-key.pem"};
    }
    ~TCertificateFolder() { Remove(); }

    void Make() const {
        TChildOptions here;
        here.WorkingDirectory = Folder;
        const std::vector<std::string> ec = {"-newkey", "ec", "-pkeyopt",
                                             "ec_paramgen_curve:prime256v1", "-nodes"};
        RunOrThrow(
            Join(Join({kOpenSSL, "req", "-x509"}, ec), {"-days", "2", "-subj", "/CN=localhost",
                                                        "-keyout", "key.pem", "-out", "cert.pem"}),
            here);
        // An expired certificate for another name: `openssl ca` is the tool of
        // this OpenSSL that sets validity dates in the past.
        std::ofstream(Folder + "/ca.cnf")
            << "[ca]\ndefault_ca=d\n[d]\ndatabase=index.txt\nnew_certs_dir=.\n"
               "serial=serial\ndefault_md=sha256\npolicy=p\n[p]\ncommonName=supplied\n";
        std::ofstream(Folder + "/index.txt");
        std::ofstream(Folder + "/serial") << "01\n";
        RunOrThrow(
            Join(Join({kOpenSSL, "req", "-new"}, ec), {"-subj", "/CN=other.example", "-keyout",
                                                       "expired-key.pem", "-out", "expired.csr"}),
            here);
        RunOrThrow({kOpenSSL, "ca", "-batch", "-config", "ca.cnf", "-selfsign", "-keyfile",
                    "expired-key.pem", "-in", "expired.csr", "-startdate", "20200101000000Z",
                    "-enddate", "20200102000000Z", "-out", "expired.pem"},
                   here);
    }

    void Remove() const noexcept {
        std::error_code ec;
        fs::remove_all(Folder, ec);
    }
};

std::vector<std::string> PeerArgv(const std::vector<std::string>& steps) {
    const TTestCertificates& c = TTestCertificates::Get();
    return Join({"/usr/bin/python3", VD_TLS_SCRIPT_PEER, "--cert", c.Cert, "--key", c.Key}, steps);
}

// Port 0: the kernel picks a free port at the bind, and s_server then
// prints "ACCEPT 127.0.0.1:<port>" (it prints the port only in this case).
std::vector<std::string> ServerArgv(const std::string& cert, const std::string& key,
                                    const std::vector<std::string>& options) {
    return Join({kOpenSSL, "s_server", "-accept", "127.0.0.1:0", "-cert", cert, "-key", key},
                options);
}

}  // namespace

std::string CertificateFingerprint(const std::string& certFile) {
    const TRunResult r =
        RunOrThrow({kOpenSSL, "x509", "-noout", "-fingerprint", "-sha256", "-in", certFile});
    // "sha256 Fingerprint=AB:CD:...", in the letter case of this OpenSSL
    // ("SHA256 Fingerprint=" in older ones).
    const size_t eq = r.Output.find('=');
    if (eq == std::string::npos) throw std::runtime_error("no fingerprint: " + r.Output);
    std::string fingerprint = r.Output.substr(eq + 1);
    while (!fingerprint.empty() && (fingerprint.back() == '\n' || fingerprint.back() == '\r'))
        fingerprint.pop_back();
    return fingerprint;
}

const TTestCertificates& TTestCertificates::Get() {
    static const TCertificateFolder folder;
    return folder.Files;
}

TTlsScriptPeer::TTlsScriptPeer(const std::vector<std::string>& steps) : FProcess(PeerArgv(steps)) {
    const std::string ready = FProcess.WaitForLine("READY ", 20000);
    if (ready.empty())
        throw std::runtime_error("tls_script_peer.py did not start: " + FProcess.ErrorLog());
    FPort = static_cast<uint16_t>(std::stoi(ready.substr(6)));
}

std::vector<std::string> TTlsScriptPeer::Report() {
    if (!FDone) {
        FReport = FProcess.Finish(25000);
        FDone = true;
    }
    return FReport;
}

std::vector<std::string> TTlsScriptPeer::Commands() {
    std::vector<std::string> commands;
    for (const auto& line : Report())
        if (line.rfind("CMD ", 0) == 0) commands.push_back(line.substr(4));
    return commands;
}

TOpenSSLServer::TOpenSSLServer(const std::string& cert, const std::string& key,
                               const std::vector<std::string>& options)
    : FProcess(ServerArgv(cert, key, options)) {
    const std::string accept = FProcess.WaitForLine("ACCEPT", 10000);
    const size_t colon = accept.rfind(':');
    if (colon == std::string::npos)
        throw std::runtime_error("openssl s_server did not start: " + FProcess.ErrorLog());
    FPort = static_cast<uint16_t>(std::stoi(accept.substr(colon + 1)));
}

}  // namespace vd::test
