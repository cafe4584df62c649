#!/usr/bin/python3
"""velodrop --cli over SFTP against OpenSSH's sshd, on a machine without a
display. HOME is a temporary folder whose .ssh holds the keys and
known_hosts the program reads. A share puts the file byte for byte into the
host directory (whose missing levels the program creates) and prints the
link as the last line, logging in with the agent's key before the key files
in ~/.ssh, and those before the password; a key with a passphrase is passed
over, as nobody could type it. An unknown or changed host key fails with
the key's SHA256 fingerprint on standard error, is not trusted without being
asked, and never gets a login attempt; a wrong password fails with a message
naming the user and the server.

Usage: cli_sftp_test.py VELODROP DEMO_SETTINGS
"""
import collections
import os
import re
import subprocess
import sys
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sshd_server  # noqa: E402
from xvfb_support import Session  # noqa: E402

BASE = "https://files.example.org/x"
WRONG = "not the password"
NAME = "Grüße 2026.bin"
# About a megabyte, not a multiple of any power of two a transfer is cut into.
CONTENT = os.urandom(1000003)
# No login request of any method reaches sshd (its DEBUG1 log line).
LOGIN_REQUEST = "userauth-request for user"

Case = collections.namedtuple("Case", [
    "name",
    "home_key",   # None, "plain" or "passphrase": ~/.ssh/id_ed25519, authorized
    "agent_key",  # an authorized key held only by the agent
    "known",      # "trusted", "empty", "missing" or "changed"
    "password",   # in the settings
    "accepted",   # "agent", "home" or "password": the login sshd accepts; None: the share fails
])
CASES = [
    Case("key file", "plain", False, "trusted", WRONG, "home"),
    Case("agent only", None, True, "trusted", WRONG, "agent"),
    Case("agent before the key file", "plain", True, "trusted", sshd_server.PASSWORD, "agent"),
    Case("key with a passphrase: password", "passphrase", False, "trusted", sshd_server.PASSWORD,
         "password"),
    Case("unknown host", "plain", False, "empty", sshd_server.PASSWORD, None),
    Case("no known_hosts at all", "plain", False, "missing", sshd_server.PASSWORD, None),
    Case("changed host key", "plain", False, "changed", sshd_server.PASSWORD, None),
    Case("wrong password, no key", None, False, "trusted", WRONG, None),
]


def headless_env(config, home):
    env = dict(os.environ, XDG_CONFIG_HOME=config, HOME=home, LANG="C")
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SSH_AUTH_SOCK"):
        env.pop(name, None)
    return env


def run_cli(velodrop, args, env):
    return subprocess.run([velodrop, "--cli", *args], env=env, stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=120)


def known_hosts_text(s, server, known):
    if known == "trusted":
        return server.known_hosts_line + "\n"
    if known == "changed":
        other = sshd_server.make_key(s.path("other-host-key"))
        with open(other + ".pub") as f:
            key_type, key = f.read().split()[:2]
        return "[127.0.0.1]:%d %s %s\n" % (server.port, key_type, key)
    return ""


def check_case(s, velodrop, demo_settings, server, shared, number, case):
    home = s.ssh_home("home-%d" % number)
    fingerprints = {}
    if case.home_key:
        key = sshd_server.make_key(os.path.join(home, ".ssh", "id_ed25519"),
                                   "home pass phrase" if case.home_key == "passphrase" else "")
        server.authorize(key + ".pub")
        fingerprints["home"] = sshd_server.fingerprint(key + ".pub")
    config = s.sftp_config("config-%d" % number, demo_settings, server, case.password, BASE, "a/b")
    env = headless_env(config, home)
    if case.agent_key:
        folder = s.path("agent-key-%d" % number)
        os.makedirs(folder)
        key = sshd_server.make_key(os.path.join(folder, "id_ed25519"), "agent pass phrase")
        server.authorize(key + ".pub")
        fingerprints["agent"] = sshd_server.fingerprint(key + ".pub")
        env["SSH_AUTH_SOCK"] = s.start_ssh_agent("agent-%d" % number)
        sshd_server.add_to_agent(env["SSH_AUTH_SOCK"], key, "agent pass phrase")
    known_hosts = os.path.join(home, ".ssh", "known_hosts")
    known = known_hosts_text(s, server, case.known)
    if case.known != "missing":
        with open(known_hosts, "w") as f:
            f.write(known)

    log_start = len(server.log())
    before = server.files()
    done = run_cli(velodrop, [shared], env)
    log = server.log()[log_start:]
    added = server.files() - before
    stdout, stderr = done.stdout.decode(), done.stderr.decode()

    if case.accepted:
        assert done.returncode == 0, stderr
        uploads = [p for p in added if p.startswith("a/b/") and p.endswith("_" + NAME)]
        assert len(uploads) == 1 and added <= {"a", "a/b", uploads[0]}, added
        with open(os.path.join(server.root, uploads[0]), "rb") as f:
            assert f.read() == CONTENT
        assert stdout.splitlines()[-1] == BASE + "/" + os.path.basename(uploads[0]), stdout
        if case.accepted == "password":
            expected = "Accepted password for " + sshd_server.USER
        else:
            expected = "Accepted publickey for %s" % sshd_server.USER
            assert fingerprints[case.accepted] in log.split(expected, 1)[-1].split("\n", 1)[0], log
        assert expected in log, log
        return
    assert done.returncode == 1 and stdout == "", (done.returncode, stdout, stderr)
    assert not added, added
    assert stderr.strip(), "no message"
    if case.known == "trusted":
        # Says what failed, for whom and where, as the FTP messages do.
        message = stderr.strip().splitlines()[-1]
        assert message.startswith("SFTP: "), stderr
        assert sshd_server.USER in message and "127.0.0.1:%d" % server.port in message, stderr
        assert re.search(r"(?i)password|refused|denied", message), stderr
        assert "Failed password for " + sshd_server.USER in log, log
        return
    # The host is not the one trusted: nothing is sent to it, and nothing is
    # trusted without being asked.
    assert LOGIN_REQUEST not in log, log
    if case.known == "missing":
        assert not os.path.exists(known_hosts) or open(known_hosts).read() == ""
    else:
        with open(known_hosts) as f:
            assert f.read() == known
    # The key the server showed, to compare with the one its provider gives.
    assert server.fingerprint in stderr, stderr


def run(velodrop, demo_settings):
    why = sshd_server.unusable()
    if why:
        print("SKIP:", why)
        return 77
    with Session(None) as s:
        server = s.start_sftp()
        shared = s.path(NAME)
        with open(shared, "wb") as f:
            f.write(CONTENT)
        failed = []
        for number, case in enumerate(CASES):
            try:
                check_case(s, velodrop, demo_settings, server, shared, number, case)
                print("ok:", case.name)
            except AssertionError:
                failed.append(case.name)
                report = traceback.format_exc()
                if len(report) > 4000:
                    report = report[:2000] + "\n[...]\n" + report[-2000:]
                print("FAILED: %s:\n%s" % (case.name, report))
        if failed:
            print("%d of %d cases failed: %s" % (len(failed), len(CASES), ", ".join(failed)))
            return 1
        print("OK: every case of --cli over SFTP")
        return 0


if __name__ == "__main__":
    sys.exit(run(*sys.argv[1:3]))
