#include "SshClientHome.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "ChildProcess.h"
#include "SshdServer.h"
#include "common/TempDir.h"

namespace vd::test {

void MakeSshKey(const std::string& privateKeyFile, const std::string& passphrase) {
    RunOrThrow({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", passphrase, "-C",
                "velodrop-test-client", "-f", privateKeyFile});
}

TSshClientHome::TSshClientHome() {
    char pattern[] = "/tmp/vd-ssh-home-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
    // ssh clients refuse keys in a folder others can read.
    if (::mkdir(SshFolder().c_str(), 0700) != 0)
        throw std::runtime_error("cannot create " + SshFolder());
}

TSshClientHome::~TSshClientHome() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
}

std::string TSshClientHome::MakeKey(const std::string& passphrase) {
    const std::string key = SshFolder() + "/id_ed25519";
    MakeSshKey(key, passphrase);
    return key;
}

void TSshClientHome::TrustHost(const TSshdServer& server) {
    WriteKnownHosts(server.KnownHostsLine() + "\n");
}

void TSshClientHome::WriteKnownHosts(const std::string& text) {
    std::ofstream(KnownHostsFile(), std::ios::binary | std::ios::trunc) << text;
}

std::string TSshClientHome::KnownHosts() const { return ReadFileBytes(KnownHostsFile()); }

}  // namespace vd::test
