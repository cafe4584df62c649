// The SSH fixtures proven with OpenSSH's own sftp as the client: a login by
// key file, by agent or by password puts a file into the server's start
// folder, unless the server lets only keys in or the host key differs from
// the one the client trusts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "SshAgent.h"
#include "SshClientHome.h"
#include "SshdServer.h"

namespace vd::test {
namespace {

enum class ELogin { KeyFile, Agent, Password };

struct TCase {
    const char* Name;
    bool PasswordLogin;  // the server's option
    ELogin Login;
    bool HostKeyChanged;  // known_hosts names another key for the server
    bool Uploads;
    std::string ExpectedLog;  // in sshd's log, or else in sftp's stderr
};

std::string Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos ? "" : "no \"" + part + "\" in:\n" + text;
}

TEST(SshdServer, OpenSshClientLogsInOnlyAsTheServerAllows) {
    if (const std::string why = TSshdServer::Unusable(); !why.empty()) GTEST_SKIP() << why;
    const TCase cases[] = {
        {"key file", true, ELogin::KeyFile, false, true, "Accepted publickey for velodrop-sftp"},
        {"agent", true, ELogin::Agent, false, true, "Accepted publickey for velodrop-sftp"},
        {"password", true, ELogin::Password, false, true, "Accepted password for velodrop-sftp"},
        {"password, keys only", false, ELogin::Password, false, false,
         "Permission denied (publickey)"},
        {"changed host key", true, ELogin::KeyFile, true, false, "HOST IDENTIFICATION HAS CHANGED"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSshdServer server({.PasswordLogin = c.PasswordLogin});
        TSshClientHome home;
        TSshAgent agent;
        const std::string key = home.MakeKey(c.Login == ELogin::Agent ? "agent pass phrase" : "");
        server.AuthorizeKey(key + ".pub");
        if (c.Login == ELogin::Agent) agent.AddKey(key, "agent pass phrase");
        if (c.HostKeyChanged) {
            MakeSshKey(home.Path() + "/other_host_key");
            std::ifstream other(home.Path() + "/other_host_key.pub");
            std::string type, base64;
            other >> type >> base64;
            home.WriteKnownHosts("[127.0.0.1]:" + std::to_string(server.Port()) + " " + type + " " +
                                 base64 + "\n");
        } else {
            home.TrustHost(server);
        }

        const std::string local = home.Path() + "/local.txt", batch = home.Path() + "/batch";
        const std::string content = std::string("sent as ") + c.Name + "\n";
        std::ofstream(local) << content;
        std::ofstream(batch) << "put " << local << " put.txt\n";
        // ssh takes its home folder from the password database, not $HOME:
        // every file it should use is named.
        std::vector<std::string> argv = {"/usr/bin/env"};
        if (c.Login == ELogin::Agent) argv.push_back("SSH_AUTH_SOCK=" + agent.SocketPath());
        if (c.Login == ELogin::Password) {
            const std::string askpass = home.Path() + "/askpass";
            std::ofstream(askpass) << "#!/bin/sh\necho '" << server.Password() << "'\n";
            std::filesystem::permissions(askpass, std::filesystem::perms::owner_all);
            argv.insert(argv.end(), {"SSH_ASKPASS=" + askpass, "SSH_ASKPASS_REQUIRE=force"});
        }
        argv.insert(argv.end(),
                    {"/usr/bin/sftp", "-F", "/dev/null", "-P", std::to_string(server.Port()), "-o",
                     "UserKnownHostsFile=" + home.KnownHostsFile(), "-o",
                     "GlobalKnownHostsFile=/dev/null", "-o", "StrictHostKeyChecking=yes"});
        switch (c.Login) {
            case ELogin::KeyFile:
                argv.insert(argv.end(), {"-o", "IdentityAgent=none", "-o", "IdentitiesOnly=yes",
                                         "-o", "IdentityFile=" + key});
                break;
            case ELogin::Agent:
                argv.insert(argv.end(), {"-o", "IdentityFile=/dev/null"});
                break;
            case ELogin::Password:
                // before -b, which asks for batch mode: ssh keeps the first value
                argv.insert(argv.end(), {"-o", "PubkeyAuthentication=no", "-o", "BatchMode=no"});
                break;
        }
        argv.insert(argv.end(), {"-b", batch, server.User() + "@" + server.Host()});

        const TRunResult r = RunToCompletion(argv, {}, 60000);
        EXPECT_EQ(r.ExitCode == 0, c.Uploads) << r.Errors;
        if (c.Uploads) {
            EXPECT_EQ(server.ReadFile("put.txt"), content);
            EXPECT_EQ(Contains(server.Log(), c.ExpectedLog), "");
        } else {
            EXPECT_FALSE(server.Exists("put.txt"));
            EXPECT_EQ(Contains(r.Errors, c.ExpectedLog), "");
        }
        if (c.HostKeyChanged) {
            EXPECT_EQ(Contains(r.Errors, server.HostKeyFingerprint()), "");
        }
    }
}

}  // namespace
}  // namespace vd::test
