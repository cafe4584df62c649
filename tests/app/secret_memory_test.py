#!/usr/bin/python3
"""A run of the real program that holds a password cannot be dumped: a core
file would hold the password in clear. The kernel gives the files in /proc
of a process that may not be dumped to root, whoever runs it; so the
program runs as a user of its own (nobody, when the test runs as root),
shares a file from a settings file with a password to a slow real FTP
server, and during the upload its /proc/PID/status must belong to root.

Usage: secret_memory_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_support import Session, wait_for  # noqa: E402

PASSWORD = "core-dump Pässwort 7"
NOBODY = 65534


def give_to(uid, *paths):
    for top in paths:
        for folder, _, files in os.walk(top):
            os.chown(folder, uid, uid)
            for name in files:
                os.chown(os.path.join(folder, name), uid, uid)


def real_uid(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("Uid:"):
                return int(line.split()[1])
    raise AssertionError("no Uid in /proc/%d/status" % pid)


def run(velodrop, demo_settings, pyftpd):
    with Session(pyftpd) as s:
        os.chmod(s.work, 0o755)  # the program's user passes through to its files
        home, port = s.start_ftp("u", PASSWORD, "--read-limit", "100000")
        config = s.path("config")
        ini = os.path.join(config, "Velodrop", "velodrop_settings.ini")
        subprocess.check_call([demo_settings, ini, "127.0.0.1", str(port), "u", PASSWORD,
                               "https://files.example.org/x"])
        shared = s.path("large.bin")
        with open(shared, "wb") as f:
            f.write(os.urandom(4 << 20))  # some forty seconds at that rate
        data = os.environ["XDG_DATA_HOME"]
        os.makedirs(data, exist_ok=True)
        argv = [velodrop, "--cli", shared]
        uid = os.geteuid()
        if uid == 0:
            uid = NOBODY
            give_to(uid, config, data, shared)
            argv = ["setpriv", "--reuid=%d" % uid, "--regid=%d" % uid, "--clear-groups", "--"] + argv
        env = dict(os.environ, XDG_CONFIG_HOME=config, HOME=config, LANG="C")
        for variable in ("DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(variable, None)
        program = s.start(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE)
        try:
            wait_for(lambda: any(os.path.getsize(os.path.join(home, n)) > 0 for n in os.listdir(home))
                     or program.poll() is not None, 60, "the upload to start")
            assert program.poll() is None, program.stderr.read().decode(errors="replace")
            assert real_uid(program.pid) == uid, "the program does not run as user %d" % uid
            owner = os.stat("/proc/%d/status" % program.pid).st_uid
        finally:
            program.kill()
            program.wait()
        assert owner == 0, ("the program holds the password and may be dumped: its "
                            "/proc/PID/status belongs to user %d" % owner)
    print("OK: a run that holds a password cannot be dumped")


if __name__ == "__main__":
    run(*sys.argv[1:4])
