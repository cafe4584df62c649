#!/usr/bin/python3
"""velodrop --cli against SFTP servers that misbehave (sshd with a scripted
SFTP server, sftp_script_server.py), with the request timeout shortened for
the test build: a server that goes quiet at the open or in the middle of an
upload, or trickles its answer a byte at a time, ends the share with a
message within the timeout and a few seconds; a listing without end stops
at its cap, quickly and in bounded memory; an unknown status code is named.
After each case the next share, against OpenSSH's sftp-server, works.

Usage: cli_sftp_misbehaving_test.py VELODROP DEMO_SETTINGS
"""
import collections
import os
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sshd_server  # noqa: E402
from xvfb_support import Session  # noqa: E402

BASE = "https://files.example.org/x"
TIMEOUT = 3  # seconds per request, for the program
# Beyond the timeout: the login before the quiet request, the exit, and a
# slow (sanitizer) build.
SLACK = 10
# The listing's cap is 16 MiB; the program itself, under AddressSanitizer,
# takes much of this.
MAX_MEMORY_KIB = 600 * 1024
QUIET = "no answer within %d s" % TIMEOUT
LISTING_CAP = "is larger than 16 MiB or has more than 100000 entries"

Case = collections.namedtuple("Case", [
    "name",
    "mode",     # of sftp_script_server.py
    "size",     # of the shared file; None: --shorten instead of a share
    "message",  # on standard error
])
CASES = [
    Case("quiet at the open", "quiet-open", 1000, QUIET),
    Case("quiet after two writes of 5 MB", "quiet-after-two", 5 * 1000 * 1000, QUIET),
    Case("write status trickled", "trickle", 1000 * 1000, QUIET),
    Case("unknown status code", "unknown-status", 1000, "cannot be written: server status 99"),
    Case("endless '.' entries", "endless-dots", None, LISTING_CAP),
    Case("endless empty names", "endless-empty", None, LISTING_CAP),
]


def run_cli(velodrop, args, env):
    """Runs the program to its end (killed after TIMEOUT + SLACK * 3 s);
    (exit code or None when killed, stdout, stderr, seconds, peak memory
    in KiB)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        started = time.monotonic()
        program = subprocess.Popen([velodrop, "--cli", *args], env=env, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=err)
        code = None
        while True:
            pid, status, usage = os.wait4(program.pid, os.WNOHANG)
            if pid:
                code = os.waitstatus_to_exitcode(status)
                break
            if time.monotonic() - started > TIMEOUT + SLACK * 3:
                program.kill()
                pid, status, usage = os.wait4(program.pid, 0)
                break
            time.sleep(0.05)
        program.returncode = code if code is not None else -9
        seconds = time.monotonic() - started
        out.seek(0)
        err.seek(0)
        return code, out.read().decode(), err.read().decode(errors="replace"), seconds, usage.ru_maxrss


def share_works(velodrop, server, env, shared):
    server.set_mode("real")
    before = server.files()
    code, stdout, stderr, _, _ = run_cli(velodrop, [shared], env)
    assert code == 0, (code, stderr)
    added = server.files() - before
    assert len(added) == 1 and stdout.splitlines()[-1] == BASE + "/" + added.pop(), stdout


def check_case(s, velodrop, server, env, case):
    server.set_mode(case.mode)
    if case.size is None:
        args = ["--shorten", "https://example.org/a/long/path"]
    else:
        args = [s.path("shared-%d.bin" % case.size)]
        with open(args[0], "wb") as f:
            f.write(os.urandom(case.size))
    code, stdout, stderr, seconds, memory = run_cli(velodrop, args, env)
    assert code is not None, "still running after %.0f s: %s" % (seconds, stderr)
    assert seconds < TIMEOUT + SLACK, "ended after %.1f s" % seconds
    assert case.message in stderr, stderr
    if case.size is not None:
        assert code == 1 and stdout == "", (code, stdout, stderr)
    assert memory < MAX_MEMORY_KIB, "%d KiB at the peak" % memory
    return seconds


def run(velodrop, demo_settings):
    why = sshd_server.unusable()
    if why:
        print("SKIP:", why)
        return 77
    with Session(None) as s:
        os.chmod(s.work, 0o755)  # sessions run as the server's user
        server = sshd_server.start_scripted_sshd(s.start, s.path("sshd"))
        config = s.path("config")
        for name in ("velodrop_settings.ini", "shortener_settings.ini"):
            subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", name),
                                   "sftp://127.0.0.1", str(server.port), sshd_server.SCRIPTED_USER,
                                   "", BASE])
        home = s.key_login_home("home", server)
        env = dict(os.environ, XDG_CONFIG_HOME=config, HOME=home, LANG="C",
                   VELODROP_TEST_SFTP_TIMEOUT_SECONDS=str(TIMEOUT))
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SSH_AUTH_SOCK"):
            env.pop(name, None)
        shared = s.path("after.txt")
        with open(shared, "w") as f:
            f.write("after\n")

        failed = []
        for case in CASES:
            try:
                seconds = check_case(s, velodrop, server, env, case)
                share_works(velodrop, server, env, shared)
                print("ok: %s (%.1f s)" % (case.name, seconds))
            except AssertionError:
                failed.append(case.name)
                print("FAILED: %s:\n%s" % (case.name, traceback.format_exc()[-3000:]))
        if failed:
            print("%d of %d cases failed: %s" % (len(failed), len(CASES), ", ".join(failed)))
            return 1
        print("OK: every misbehaving SFTP server ends the share in time")
        return 0


if __name__ == "__main__":
    sys.exit(run(*sys.argv[1:3]))
