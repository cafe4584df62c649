#include "SshdServer.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "ListeningPort.h"
#include "SystemUser.h"
#include "common/TempDir.h"

namespace vd::test {

namespace fs = std::filesystem;

namespace {

const std::string kSshd = "/usr/sbin/sshd";
const std::string kSshKeygen = "/usr/bin/ssh-keygen";
// sshd's privilege separation folder; the package makes it only when its
// service starts, which containers never do.
const std::string kPrivilegeSeparationFolder = "/run/sshd";

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

void EnsureUser() {
    EnsureSystemUser(TSshdServer::kUser, "/nonexistent");
    // Set on every start: the same value each time, so a second test process
    // doing it meanwhile changes nothing for the first.
    const std::string hash =
        Trimmed(RunOrThrow({"/usr/bin/openssl", "passwd", "-6", TSshdServer::kPassword}).Output);
    RunOrThrow({"/usr/sbin/usermod", "--password", hash, TSshdServer::kUser});
}

}  // namespace

std::string TSshdServer::Unusable() {
    if (::geteuid() != 0) return "sshd logs in a local user: the tests need root";
    if (::access(kSshd.c_str(), X_OK) != 0) return kSshd + " is not installed (openssh-server)";
    if (::access(kSshKeygen.c_str(), X_OK) != 0)
        return kSshKeygen + " is not installed (openssh-client)";
    return {};
}

TSshdServer::TSshdServer(TSshdOptions options)
    : TServerFixture("sshd", Unusable()), FOptions(options) {
    Prepare();
    Start();
}

void TSshdServer::Prepare() {
    EnsureUser();
    const passwd* user = ::getpwnam(kUser);
    fs::create_directories(kPrivilegeSeparationFolder);
    ::chmod(kPrivilegeSeparationFolder.c_str(), 0755);
    // The session, running as kUser, must pass through to its start folder.
    ::chmod(Folder().c_str(), 0755);
    const std::string& root = MakeServedFolder("root");
    if (::chown(root.c_str(), user->pw_uid, user->pw_gid) != 0)
        throw std::runtime_error("cannot hand " + root + " to " + kUser);
    std::ofstream(Folder() + "/authorized_keys");
    RunOrThrow({kSshKeygen, "-q", "-t", "ed25519", "-N", "", "-C", "velodrop-test-host", "-f",
                Folder() + "/host_key"});
}

void TSshdServer::WriteConfig(const std::string& path) const {
    std::ofstream(path) << "ListenAddress 127.0.0.1:" << FPort << "\n"
                        << "HostKey " << Folder() << "/host_key\n"
                        << "PidFile none\n"
                        // the fixture's files belong to root in a folder under /tmp
                        << "StrictModes no\n"
                        << "UsePAM no\n"
                        << "AuthorizedKeysFile " << Folder() << "/authorized_keys\n"
                        << "PasswordAuthentication " << (FOptions.PasswordLogin ? "yes" : "no")
                        << "\n"
                        << "KbdInteractiveAuthentication no\n"
                        << "AllowUsers " << kUser << "\n"
                        << "ForceCommand internal-sftp -d " << Root() << "\n"
                        << "Subsystem sftp internal-sftp\n"
                        << "LogLevel VERBOSE\n";
}

void TSshdServer::Start() {
    const std::string config = Folder() + "/sshd_config";
    for (int attempt = 0; attempt < 10; ++attempt) {
        FPort = FreeLoopbackPort();
        WriteConfig(config);
        FProcess = std::make_unique<TChildProcess>(
            std::vector<std::string>{kSshd, "-D", "-e", "-f", config});
        if (AwaitListening("sshd", FPort) == FPort) return;
        const std::string log = FProcess->ErrorLog();
        // Anything but the port lost to another process since FreeLoopbackPort is a failure.
        if (log.find("Address already in use") == std::string::npos)
            throw std::runtime_error("sshd ended at start: " + log);
    }
    throw std::runtime_error("sshd found no free port in 10 tries");
}

std::string TSshdServer::HostKeyFingerprint() const {
    // "256 SHA256:... velodrop-test-host (ED25519)"
    std::istringstream fields(RunOrThrow({kSshKeygen, "-lf", Folder() + "/host_key.pub"}).Output);
    std::string bits, fingerprint;
    fields >> bits >> fingerprint;
    return fingerprint;
}

std::string TSshdServer::KnownHostsLine() const {
    // "ssh-ed25519 AAAA... velodrop-test-host": the comment stays out
    std::istringstream fields(ReadFileBytes(Folder() + "/host_key.pub"));
    std::string type, key;
    fields >> type >> key;
    return "[" + Host() + "]:" + std::to_string(FPort) + " " + type + " " + key;
}

void TSshdServer::AuthorizeKey(const std::string& publicKeyFile) {
    const std::string key = ReadFileBytes(publicKeyFile);
    if (key.rfind("ssh-", 0) != 0) throw std::runtime_error(publicKeyFile + " is no public key");
    std::ofstream(Folder() + "/authorized_keys", std::ios::app) << Trimmed(key) << "\n";
}

std::string TSshdServer::Log() const { return FProcess ? FProcess->ErrorLog() : std::string(); }

}  // namespace vd::test
