// OpenSSH's sshd from Debian as a real SFTP server for tests. Started in
// the foreground on 127.0.0.1 with a folder of its own: an ed25519 host key
// made at start, its configuration, an authorized_keys file and the folder
// every session starts in (internal-sftp, no shell). sshd refuses port 0,
// so the fixture picks a free port and takes the next one when another
// process wins it first. The package's own service (port 22) is never used.
//
// It needs root: sshd logs in a local user. The fixture adds a system user
// for that when missing and gives it one constant password (two test
// processes may start servers at once, and each must know it). With
// UsePAM no, sshd refuses a locked account, so the password must be set
// even where only keys are used. Stopped by its process id when the object
// goes; start it from the test's own thread (it ends with that thread).
//
//   vd::test::TSshdServer sshd;                              // keys and password
//   vd::test::TSshdServer keysOnly({.PasswordLogin = false});
//   home.TrustHost(sshd); sshd.AuthorizeKey(home.MakeKey() + ".pub");
#pragma once

#include <string>

#include "ServerFixture.h"

namespace vd::test {

struct TSshdOptions {
    // PasswordAuthentication yes, else only keys.
    bool PasswordLogin = true;
};

class TSshdServer : public TServerFixture {
  public:
    static constexpr const char* kUser = "velodrop-sftp";
    static constexpr const char* kPassword = "velodrop-sftp-password";

    // Why this machine cannot run the fixture (not root, no sshd or
    // ssh-keygen); empty when it can.
    static std::string Unusable();

    explicit TSshdServer(TSshdOptions options = {});

    std::string User() const { return kUser; }
    std::string Password() const { return kPassword; }
    // The folder a session starts in, on the local disk.
    const std::string& Root() const noexcept { return ServedFolder(); }

    // The host key's SHA-256 fingerprint as `ssh-keygen -lf` prints it
    // ("SHA256:..."), and the line of a known_hosts file that trusts it
    // ("[127.0.0.1]:PORT ssh-ed25519 AAAA...").
    std::string HostKeyFingerprint() const;
    std::string KnownHostsLine() const;

    // Lets in whoever holds the private half of this public key file.
    void AuthorizeKey(const std::string& publicKeyFile);

    // sshd's log so far (LogLevel VERBOSE: each login names its method and
    // key, e.g. "Accepted publickey for velodrop-sftp ... SHA256:...").
    std::string Log() const;

  private:
    // In Folder(): host_key, sshd_config, authorized_keys, and root/ (the
    // served folder, owned by kUser).
    void Prepare();
    void WriteConfig(const std::string& path) const;
    void Start();

    TSshdOptions FOptions;
};

}  // namespace vd::test
