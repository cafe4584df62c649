#!/usr/bin/python3
"""A window in a PID namespace of its own (as in a sandbox or a container)
against a `--cli` share outside it, both on one record of shares, the real
program against pyftpdlib.

The window's process id means nothing outside its namespace: the `--cli`
run's start-up sweep must not take the window for dead and delete the
share that it removes at its exit. While the window runs, its share stays on
the server and in the record as "up"; once the window ends, it removes the
share itself.

Needs `unshare --pid --fork --mount-proc` (root, or user namespaces): 77
means skipped.

Usage: share_record_elsewhere_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT
"""
import os
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from share_record_test import FtpServer, Setup, files, wait_for_share  # noqa: E402
from xvfb_support import Session, wait_for  # noqa: E402

UNSHARE = ["unshare", "--pid", "--fork", "--mount-proc", "--kill-child"]


def unshare_refused():
    """Why a new PID namespace cannot be made here; None when it can."""
    try:
        done = subprocess.run([*UNSHARE, "true"], capture_output=True, timeout=30)
    except OSError as e:
        return "unshare cannot run: %s" % e
    if done.returncode != 0:
        return "unshare --pid is not permitted here: " + done.stderr.decode().strip()
    return None


def child_of(pid):
    """The one child process of `pid` (the program that unshare started)."""
    found = []

    def started():
        with open("/proc/%d/task/%d/children" % (pid, pid)) as f:
            found[:] = [int(c) for c in f.read().split()]
        return found
    wait_for(started, 30, "the program under unshare")
    return found[0]


def run(velodrop, demo_settings, pyftpd):
    refused = unshare_refused()
    if refused:
        print("SKIP:", refused)
        return 77
    with Session(pyftpd) as s:
        s.start_xvfb()
        server = FtpServer(s, pyftpd, "elsewhere-home")
        setup = Setup(s, velodrop, demo_settings, server, "elsewhere", RemoveFileAtExit=1)
        shared = setup.file("in a sandbox.bin")
        env = dict(setup.env, DISPLAY=s.display, QT_QPA_PLATFORM="xcb")
        unshare = s.start([*UNSHARE, velodrop, shared], env=env)
        window = child_of(unshare.pid)
        link = wait_for_share(setup, shared, "up")
        remote = setup.remote_name(link)

        # The start of a --cli share sweeps what is due: not the window's share.
        _, other = setup.cli(setup.file("outside.txt"))
        assert unshare.poll() is None, "the window ended by itself"
        assert remote in files(server), (remote, files(server))
        assert setup.state(link) == "up", setup.history()
        assert setup.state(other) == "up", setup.history()
        print("ok: the window's share outlives a sweep from outside its namespace")

        # The window removes its share itself when it ends.
        os.kill(window, signal.SIGTERM)
        unshare.wait(60)
        assert remote not in files(server), (remote, files(server))
        assert setup.state(link) == "deleted", setup.history()
        print("ok: the window removed its share at its exit")
    print("OK: a run in another PID namespace keeps its shares")
    return 0


if __name__ == "__main__":
    sys.exit(run(*sys.argv[1:4]))
