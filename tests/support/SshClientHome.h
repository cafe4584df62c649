// The client side of SSH for tests: a temporary HOME with a .ssh folder
// (0700) that the program under test reads its keys and known_hosts from,
// and keys made with ssh-keygen. Removed when the object goes.
//
// OpenSSH's own ssh and sftp ignore $HOME (they take the home folder from
// the password database): run them with -o UserKnownHostsFile=... and
// -o IdentityFile=... pointing here.
#pragma once

#include <string>

namespace vd::test {

class TSshdServer;

// Makes an ed25519 key pair: privateKeyFile and privateKeyFile + ".pub";
// an empty passphrase leaves the private key unencrypted.
void MakeSshKey(const std::string& privateKeyFile, const std::string& passphrase = "");

class TSshClientHome {
  public:
    TSshClientHome();
    TSshClientHome(const TSshClientHome&) = delete;
    TSshClientHome& operator=(const TSshClientHome&) = delete;
    ~TSshClientHome();

    // The value for HOME.
    const std::string& Path() const noexcept { return FPath; }
    std::string SshFolder() const { return FPath + "/.ssh"; }
    std::string KnownHostsFile() const { return SshFolder() + "/known_hosts"; }

    // Makes .ssh/id_ed25519 and its .pub; returns the private key's path.
    std::string MakeKey(const std::string& passphrase = "");

    // known_hosts holding the server's line only.
    void TrustHost(const TSshdServer& server);
    // known_hosts holding exactly this text (a wrong or changed key, none).
    void WriteKnownHosts(const std::string& text);
    std::string KnownHosts() const;

  private:
    std::string FPath;
};

}  // namespace vd::test
