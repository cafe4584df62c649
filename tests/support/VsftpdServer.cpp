#include "VsftpdServer.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "SystemUser.h"
#include "TlsPeers.h"

namespace vd::test {

namespace fs = std::filesystem;

namespace {

const std::string kVsftpd = "/usr/sbin/vsftpd";
const std::string kUserHome = "/var/lib/velodrop-ftps";

// vsftpd changes into the user's home before local_root, and ends the
// session when that fails ("500 OOPS: cannot change directory").
void EnsureUser() {
    EnsureSystemUser(TVsftpdServer::kUser, kUserHome);
    const passwd* user = ::getpwnam(TVsftpdServer::kUser);
    std::error_code ec;
    fs::create_directories(kUserHome, ec);
    if (::chown(kUserHome.c_str(), user->pw_uid, user->pw_gid) != 0 ||
        ::chmod(kUserHome.c_str(), 0755) != 0)
        throw std::runtime_error("cannot prepare " + kUserHome);
}

std::string NextPamServiceName() {
    static std::atomic<int> counter{0};
    return "velodrop-test-vsftpd-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

std::string TVsftpdServer::Unusable() {
    if (::geteuid() != 0) return "vsftpd logs in a local user: the tests need root";
    if (::access(kVsftpd.c_str(), X_OK) != 0) return kVsftpd + " is not installed";
    return {};
}

TVsftpdServer::TVsftpdServer(TVsftpdOptions options)
    : TServerFixture("vsftpd", Unusable()), FOptions(options) {
    Prepare();
    Start();
}

void TVsftpdServer::Prepare() {
    EnsureUser();
    const passwd* user = ::getpwnam(kUser);
    // The logged-in user (vsftpd drops to it) must reach its folder.
    ::chmod(Folder().c_str(), 0755);
    const std::string& home = MakeServedFolder("home");
    fs::create_directory(Folder() + "/empty");
    if (::chown(home.c_str(), user->pw_uid, user->pw_gid) != 0)
        throw std::runtime_error("cannot hand " + home + " to " + kUser);
    FCertFile = Folder() + "/cert.pem";
    MakeCertificate(FCertFile);
    // One user, no password check: the service exists only for this fixture.
    FPamService = NextPamServiceName();
    RemoveOnStop("/etc/pam.d/" + FPamService);
    std::ofstream("/etc/pam.d/" + FPamService)
        << "auth required pam_succeed_if.so quiet user = " << kUser << "\n"
        << "auth required pam_permit.so\n"
        << "account required pam_permit.so\n"
        << "session required pam_permit.so\n";
}

void TVsftpdServer::WriteConfig(const std::string& path) const {
    const char* strict = FOptions.Strict ? "YES" : "NO";
    std::ofstream(path)
        // standalone, in the foreground, on loopback, on a port the kernel picks
        << "listen=YES\nlisten_ipv6=NO\nbackground=NO\n"
        << "listen_address=127.0.0.1\nlisten_port=0\n"
        // one local user, writing, in the fixture's folder
        << "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
        << "local_root=" << Home() << "\npam_service_name=" << FPamService << "\n"
        << "secure_chroot_dir=" << Folder()
        << "/empty\n"
        // what containers need
        << "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
        // passive ports below the kernel's own range; vsftpd retries a taken one
        << "pasv_enable=YES\npasv_min_port=20000\npasv_max_port=29999\n"
        // TLS as vsftpd's documentation recommends it, or permissive
        << "ssl_enable=YES\nrsa_cert_file=" << FCertFile << "\nrsa_private_key_file=" << FCertFile
        << "\nssl_ciphers=HIGH\nforce_local_logins_ssl=YES\n"
        << "force_local_data_ssl=" << strict << "\nrequire_ssl_reuse=" << strict << "\n"
        << "strict_ssl_read_eof=" << strict
        << "\n"
        // a test that dies mid-session leaves no session behind for long
        << "idle_session_timeout=60\ndata_connection_timeout=60\n"
        << "xferlog_enable=NO\nsyslog_enable=NO\n";
}

void TVsftpdServer::Start() {
    const std::string config = Folder() + "/vsftpd.conf";
    WriteConfig(config);
    FProcess = std::make_unique<TChildProcess>(std::vector<std::string>{kVsftpd, config});
    FPort = AwaitListening("vsftpd");
    if (FPort == 0) throw std::runtime_error("vsftpd ended at start: " + FProcess->ErrorLog());
}

std::string TVsftpdServer::Fingerprint() const { return CertificateFingerprint(FCertFile); }

}  // namespace vd::test
