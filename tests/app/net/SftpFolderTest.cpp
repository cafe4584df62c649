// The program's flows over SFTP against OpenSSH's sshd: shares arrive as
// they were sent in the host directory the program makes, clean-up at exit
// deletes them, the shortener works, host keys are checked before any
// credential goes out, and each login method is tried in turn.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <QFile>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "SshAgent.h"
#include "SshClientHome.h"
#include "SshdServer.h"
#include "app/VelodropCore.h"
#include "app/net/SftpKeyboardInteractive.h"
#include "app/net/SftpRemoteFolder.h"
#include "common/TempDir.h"
#include "fakes/FakeLinkChecker.h"
#include "fakes/RecordingUser.h"

namespace vd::app {
namespace {

using test::TSshAgent;
using test::TSshClientHome;
using test::TSshdServer;

#define VD_NEED_SSHD() \
    if (const std::string why = TSshdServer::Unusable(); !why.empty()) GTEST_SKIP() << why

QString Q(const std::string& S) { return QString::fromStdString(S); }

bool Contains(const std::string& Text, const std::string& Part) {
    return Text.find(Part) != std::string::npos;
}

// The program's HOME (its ~/.ssh) and agent for one test.
class TClientEnvironment {
  public:
    explicit TClientEnvironment(const TSshClientHome& Home, const TSshAgent* Agent = nullptr) {
        ::setenv("HOME", Home.Path().c_str(), 1);
        if (Agent)
            ::setenv("SSH_AUTH_SOCK", Agent->SocketPath().c_str(), 1);
        else
            ::unsetenv("SSH_AUTH_SOCK");
    }
    TClientEnvironment(const TClientEnvironment&) = delete;
    TClientEnvironment& operator=(const TClientEnvironment&) = delete;
    ~TClientEnvironment() {
        if (FHome.empty())
            ::unsetenv("HOME");
        else
            ::setenv("HOME", FHome.c_str(), 1);
        ::unsetenv("SSH_AUTH_SOCK");
    }

  private:
    std::string FHome = ::getenv("HOME") ? ::getenv("HOME") : "";
};

TSettings SftpSettings(const TSshdServer& Server, const QString& Password = {}) {
    TSettings s;
    s.Host = QStringLiteral("sftp://") + Q(Server.Host());
    s.Port = Server.Port();
    s.Username = Q(Server.User());
    s.Password = Password;
    s.BaseURL = QStringLiteral("https://files.example.org/drop");
    return s;
}

// A server that lets the key in the program's ~/.ssh in, and a
// known_hosts that knows the server: the usual setup.
struct TKeyLogin {
    TSshdServer Server;
    TSshClientHome Home;
    TKeyLogin() {
        Server.AuthorizeKey(Home.MakeKey() + ".pub");
        Home.TrustHost(Server);
    }
    TClientEnvironment Environment{Home};
};

// A core on the program's own folders (FTP and SFTP), with its files in a
// configuration folder of its own and the traffic log on.
struct TCoreOnSftp {
    test::TTempDir Config;
    test::TRecordingUser User;
    TVelodropCore Core{User, nullptr, std::make_unique<test::TFakeLinkChecker>()};

    TCoreOnSftp(const TSshdServer& Server, const QString& Password = {}) {
        std::filesystem::create_directories(Config.Path() / "Velodrop");
        Core.PrepareRunFiles(Q(Config.Path().string()), QStringLiteral("velodrop_settings"));
        Core.State().Settings = SftpSettings(Server, Password);
    }

    // The name the share got on the server; empty when it failed.
    QString Share(const std::string& File) {
        Core.State().CurrentFile = Q(File);
        return Core.ShareFile(Q(File)).Link.section(u'/', -1);
    }

    std::string Log() const { return test::ReadFileBytes(Config.File("Velodrop/ftp.log")); }
    std::string Messages() const { return User.Messages.join(u'\n').toStdString(); }
};

std::string Pattern(size_t Size) {
    std::string bytes(Size, '\0');
    for (size_t i = 0; i < Size; ++i) bytes[i] = static_cast<char>((i * 7919 + i / 251) & 0xFF);
    return bytes;
}

// 0 B, 1 MB and 100 MB arrive as they were sent, in a host directory made
// level by level; clean-up at exit deletes them again.
TEST(SftpFolder, SharesArriveByteIdenticalAndCleanUpDeletesThem) {
    VD_NEED_SSHD();
    TKeyLogin login;
    TSshdServer& server = login.Server;
    test::TTempDir files;
    TCoreOnSftp run(server);
    run.Core.State().Settings.Directory = QStringLiteral("a/b");
    run.Core.State().Settings.RemoveFileAtExit = true;
    std::vector<std::pair<std::string, QString>> shared;  // content, remote name
    for (const size_t size : {0, 1000000, 100000000}) {
        const std::string file = files.File(std::to_string(size) + ".bin");
        test::WriteFileBytes(file, Pattern(size));
        const QString remote = run.Share(file);
        ASSERT_FALSE(remote.isEmpty()) << run.Messages();
        EXPECT_TRUE(server.ReadFile("a/b/" + remote.toStdString()) == Pattern(size)) << size;
        shared.emplace_back(std::to_string(size), remote);
    }
    EXPECT_TRUE(run.User.Messages.isEmpty()) << run.Messages();
    EXPECT_FALSE(run.User.Progress.empty());

    run.Core.RemoveUploadedFiles();
    for (const auto& [size, remote] : shared)
        EXPECT_FALSE(server.Exists("a/b/" + remote.toStdString())) << size;
    EXPECT_TRUE(server.Exists("a/b"));
    // One line per operation in the traffic log.
    const std::string log = run.Log();
    for (const char* line :
         {"login with ~/.ssh/id_ed25519", "mkdir ", "put velodrop_", "delete velodrop_"})
        EXPECT_TRUE(Contains(log, line)) << line << " in:\n" << log;
}

// The short-link table is listed, read, appended to and read back over SFTP.
TEST(SftpFolder, ShortenerRoundTrip) {
    VD_NEED_SSHD();
    TKeyLogin login;
    TSshdServer& server = login.Server;
    TCoreOnSftp run(server);
    const QString url = QStringLiteral("https://example.org/a/long/path");
    const QString first = run.Core.ShortenURL(url);
    ASSERT_FALSE(first.isEmpty()) << run.Messages();
    EXPECT_TRUE(server.Exists(".htaccess"));
    EXPECT_TRUE(server.Exists("index.php"));
    const std::string code = first.section(u'/', -1).toStdString();
    const std::string row = code + "=\"https://example.org/a/long/path\"\r\n";
    EXPECT_EQ(server.ReadFile("shortener.ini"), row);
    EXPECT_EQ(run.Core.ShortenURL(url), first);  // found in the table, not stored again
    const QString second = run.Core.ShortenURL(QStringLiteral("https://example.org/other"));
    ASSERT_FALSE(second.isEmpty()) << run.Messages();
    EXPECT_EQ(server.ReadFile("shortener.ini"),
              row + second.section(u'/', -1).toStdString() + "=\"https://example.org/other\"\r\n");
    EXPECT_TRUE(run.User.Messages.isEmpty()) << run.Messages();
}

// An unknown server is asked about with its fingerprint: No sends nothing
// (sshd never hears the user's name), Yes adds the key to known_hosts and
// the next session asks no more.
TEST(SftpFolder, UnknownHostKeyIsTrustedOnlyOnAYes) {
    VD_NEED_SSHD();
    TSshdServer server;
    TSshClientHome home;
    server.AuthorizeKey(home.MakeKey() + ".pub");
    TClientEnvironment environment(home);
    test::TTempDir files;
    const std::string file = files.File("a.txt");
    test::WriteFileBytes(file, "a");
    TCoreOnSftp run(server);

    run.User.Answers = {false};
    EXPECT_TRUE(run.Share(file).isEmpty());
    ASSERT_EQ(run.User.Questions.size(), 1);
    EXPECT_TRUE(run.User.Questions[0].contains(Q(server.HostKeyFingerprint())));
    ASSERT_EQ(run.User.Messages.size(), 1);
    EXPECT_TRUE(run.User.Messages[0].startsWith(QStringLiteral("SFTP: "))) << run.Messages();
    EXPECT_TRUE(run.User.Messages[0].contains(Q(server.HostKeyFingerprint()))) << run.Messages();
    EXPECT_FALSE(Contains(server.Log(), TSshdServer::kUser)) << server.Log();
    EXPECT_FALSE(Contains(home.KnownHosts(), "ssh-ed25519"));

    run.User.Answers = {true};
    EXPECT_FALSE(run.Share(file).isEmpty()) << run.Messages();
    EXPECT_EQ(run.User.Questions.size(), 2);
    EXPECT_TRUE(Contains(home.KnownHosts(),
                         server.KnownHostsLine().substr(server.KnownHostsLine().find(' '))))
        << home.KnownHosts();
    EXPECT_FALSE(run.Share(file).isEmpty()) << run.Messages();
    EXPECT_EQ(run.User.Questions.size(), 2);
}

// known_hosts names another key for the server: refused without a question
// and before the login, whatever the user would answer.
TEST(SftpFolder, ChangedHostKeyIsRefusedBeforeTheLogin) {
    VD_NEED_SSHD();
    TSshdServer server;
    TSshClientHome home;
    server.AuthorizeKey(home.MakeKey() + ".pub");
    test::MakeSshKey(home.Path() + "/other_host_key");
    std::ifstream other(home.Path() + "/other_host_key.pub");
    std::string type, base64;
    other >> type >> base64;
    const std::string known =
        "[127.0.0.1]:" + std::to_string(server.Port()) + " " + type + " " + base64 + "\n";
    home.WriteKnownHosts(known);
    TClientEnvironment environment(home);
    test::TTempDir files;
    test::WriteFileBytes(files.File("a.txt"), "a");
    TCoreOnSftp run(server, Q(server.Password()));
    run.User.Answers = {true, true};

    EXPECT_TRUE(run.Share(files.File("a.txt")).isEmpty());
    EXPECT_TRUE(run.User.Questions.isEmpty());
    ASSERT_EQ(run.User.Messages.size(), 1);
    EXPECT_TRUE(run.User.Messages[0].contains(Q(server.HostKeyFingerprint()))) << run.Messages();
    EXPECT_TRUE(run.User.Messages[0].contains(QStringLiteral("ssh-keygen -R"))) << run.Messages();
    EXPECT_FALSE(Contains(server.Log(), TSshdServer::kUser)) << server.Log();
    EXPECT_EQ(home.KnownHosts(), known);
}

// The agent first, then the default keys (without asking for a
// passphrase), then the password; a refusal names what was tried.
TEST(SftpFolder, LoginMethodsAreTriedInTurn) {
    VD_NEED_SSHD();
    enum class EKey { None, InAgent, InSshFolder, WithPassphraseInSshFolder };
    const struct {
        const char* Name;
        EKey Key;
        QString Password;
        std::string Accepted;  // in sshd's log; empty: refused
        QString Message;       // part of the refusal
    } cases[] = {
        {"agent", EKey::InAgent, {}, "Accepted publickey", {}},
        {"password",
         EKey::None,
         QString::fromLatin1(TSshdServer::kPassword),
         "Accepted password",
         {}},
        {"key with a passphrase, then the password",
         EKey::WithPassphraseInSshFolder,
         QString::fromLatin1(TSshdServer::kPassword),
         "Accepted password",
         {}},
        {"wrong password",
         EKey::None,
         QStringLiteral("wrong"),
         {},
         QStringLiteral("no key to offer, password refused.")},
        {"key not authorized",
         EKey::InSshFolder,
         {},
         {},
         QStringLiteral("no key accepted (~/.ssh/id_ed25519), no password set.")},
        {"key with a passphrase, no agent",
         EKey::WithPassphraseInSshFolder,
         {},
         {},
         QStringLiteral("no key to offer (~/.ssh/id_ed25519: keys with a passphrase need "
                        "ssh-agent), no password set.")},
    };
    TSshdServer server;
    test::TTempDir files;
    test::WriteFileBytes(files.File("a.txt"), "a");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSshClientHome home;
        home.TrustHost(server);
        TSshAgent agent;
        if (c.Key == EKey::InAgent) {
            const std::string key = home.MakeKey();
            server.AuthorizeKey(key + ".pub");
            agent.AddKey(key);
            std::filesystem::remove(key);  // only the agent has it now
        } else if (c.Key == EKey::InSshFolder) {
            home.MakeKey();  // not authorized at the server
        } else if (c.Key == EKey::WithPassphraseInSshFolder) {
            server.AuthorizeKey(home.MakeKey("pass phrase") + ".pub");
        }
        TClientEnvironment environment(home, c.Key == EKey::InAgent ? &agent : nullptr);
        TCoreOnSftp run(server, c.Password);
        const size_t logBefore = server.Log().size();

        const QString remote = run.Share(files.File("a.txt"));
        const std::string serverLog = server.Log().substr(logBefore);
        if (c.Accepted.empty()) {
            EXPECT_TRUE(remote.isEmpty());
            ASSERT_EQ(run.User.Messages.size(), 1);
            EXPECT_TRUE(run.User.Messages[0].contains(c.Message)) << run.Messages();
        } else {
            EXPECT_FALSE(remote.isEmpty()) << run.Messages();
            EXPECT_TRUE(Contains(serverLog, c.Accepted)) << serverLog;
        }
        // The log names the methods, never the password.
        if (!c.Password.isEmpty()) {
            EXPECT_FALSE(Contains(run.Log(), c.Password.toStdString())) << run.Log();
        }
    }
}

// The processes sshd started for the sessions of `Listener` (a monitor and
// the user's own process below it): the sessions end with them, the server
// stays.
void KillSessions(pid_t Listener) {
    std::multimap<pid_t, pid_t> children;  // parent, child
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // "pid (comm) state ppid ...": comm may hold blanks, ")" ends it.
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(line.substr(close + 2));
        std::string state;
        pid_t parent = 0;
        fields >> state >> parent;
        children.emplace(parent, std::stoi(name));
    }
    std::vector<pid_t> due{Listener};
    while (!due.empty()) {
        const pid_t parent = due.back();
        due.pop_back();
        for (auto [at, end] = children.equal_range(parent); at != end; ++at) {
            ::kill(at->second, SIGKILL);
            due.push_back(at->second);
        }
    }
}

// A key login to a fresh server and a file large enough that an upload is
// still running when a test steps in.
struct TBigUpload {
    TKeyLogin Login;
    test::TTempDir Files;
    std::string File = Files.File("big.bin");
    TSettings Settings = SftpSettings(Login.Server);
    TBigUpload() { test::WriteFileBytes(File, Pattern(30000000)); }
};

// An upload that stops midway: when this side stops it (a progress handler
// raising), the session goes on and the next upload works; when the
// server's side of the session dies, the upload fails at once with a
// message, and the next session works.
TEST(SftpFolder, UploadStoppedMidwayLeavesNoSessionOutOfStep) {
    VD_NEED_SSHD();
    TBigUpload upload;
    TSshdServer& server = upload.Login.Server;
    const std::string& big = upload.File;
    const TSettings& settings = upload.Settings;
    TSftpRemoteFolder folder;

    folder.Open(ServerAccountOf(settings));
    EXPECT_THROW(folder.Put(Q(big), QStringLiteral("stopped.bin"),
                            [](std::uint64_t, std::uint64_t) { throw std::runtime_error("stop"); }),
                 std::runtime_error);
    folder.PutContent("after", QStringLiteral("after.txt"));
    EXPECT_EQ(server.ReadFile("after.txt"), "after");
    EXPECT_TRUE(folder.ListNames().contains(QStringLiteral("after.txt")));
    folder.Close();

    folder.Open(ServerAccountOf(settings));
    bool killed = false;
    try {
        folder.Put(Q(big), QStringLiteral("cut.bin"), [&](std::uint64_t, std::uint64_t) {
            if (!killed) KillSessions(server.Pid());
            killed = true;
        });
        ADD_FAILURE() << "an upload to a dead session succeeded";
    } catch (const ESftpError& e) {
        EXPECT_TRUE(Contains(e.what(), "failed or went quiet during the upload of cut.bin"))
            << e.what();
    }
    EXPECT_THROW(folder.PutContent("x", QStringLiteral("x.txt")), ESftpError);  // no session left
    folder.Open(ServerAccountOf(settings));
    folder.PutContent("again", QStringLiteral("again.txt"));
    EXPECT_EQ(server.ReadFile("again.txt"), "again");
    folder.Close();
}

// This side stops an upload (a progress handler raising) just as the
// server's side of the session dies, so the answers still due never come:
// the stop is what the caller hears, and the session, out of step, is
// dropped instead of being used again.
TEST(SftpFolder, UploadStoppedWhileAnswersAreLostDropsTheSession) {
    VD_NEED_SSHD();
    TBigUpload upload;
    TSshdServer& server = upload.Login.Server;
    const std::string& big = upload.File;
    const TSettings& settings = upload.Settings;
    TSftpRemoteFolder folder;
    folder.Open(ServerAccountOf(settings));
    EXPECT_THROW(folder.Put(Q(big), QStringLiteral("stopped.bin"),
                            [&](std::uint64_t, std::uint64_t) {
                                KillSessions(server.Pid());
                                throw std::runtime_error("stop");
                            }),
                 std::runtime_error);
    try {
        folder.PutContent("x", QStringLiteral("x.txt"));
        ADD_FAILURE() << "the session out of step took another upload";
    } catch (const ESftpError& e) {
        EXPECT_STREQ(e.what(), "Not connected");
    }
    folder.Open(ServerAccountOf(settings));
    folder.PutContent("again", QStringLiteral("again.txt"));
    EXPECT_EQ(server.ReadFile("again.txt"), "again");
    folder.Close();
}

// Keyboard-interactive gives the password only to a hidden prompt that
// asks for one, and only in the first round: a second factor, a question
// that shows what is typed, or the password asked again is not answered.
TEST(SftpFolder, KeyboardInteractiveAnswersOnlyTheFirstPasswordPrompt) {
    const struct {
        int Round;
        const char* Prompt;
        bool Echo;
        bool Answered;
    } cases[] = {
        {0, "Password:", false, true},
        {0, "velodrop@example.org's password: ", false, true},
        {0, "PASSWORD", false, true},
        {0, "Passwort:", false, true},
        {0, "Verification code:", false, false},
        {0, "One-time code (see your phone):", false, false},
        {0, "", false, false},
        {0, "Password:", true, false},
        {0, "User name:", true, false},
        {1, "Password:", false, false},
        {1, "Verification code:", false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnswersWithPassword(c.Round, QString::fromUtf8(c.Prompt), c.Echo), c.Answered)
            << "round " << c.Round << ", \"" << c.Prompt << "\", echo " << c.Echo;
}

// A file read into memory (the short-link table) stops at 16 MiB, as over
// FTP: a server cannot make the program grow without end.
TEST(SftpFolder, ReadingIntoMemoryStopsAt16MiB) {
    VD_NEED_SSHD();
    TKeyLogin login;
    TSshdServer& server = login.Server;
    test::WriteFileBytes(server.Root() + "/shortener.ini", std::string(16 * 1024 * 1024 + 1, 'x'));
    test::WriteFileBytes(server.Root() + "/small.ini", std::string(16 * 1024 * 1024, 'y'));
    const TSettings settings = SftpSettings(server);
    TSftpRemoteFolder folder;
    folder.Open(ServerAccountOf(settings));
    EXPECT_EQ(folder.Get(QStringLiteral("small.ini")).size(), 16 * 1024 * 1024);
    try {
        folder.Get(QStringLiteral("shortener.ini"));
        ADD_FAILURE() << "a file above the cap was read";
    } catch (const ESftpError& e) {
        EXPECT_TRUE(Contains(e.what(), "shortener.ini is larger than 16 MiB")) << e.what();
    }
    folder.Close();
}

}  // namespace
}  // namespace vd::app
