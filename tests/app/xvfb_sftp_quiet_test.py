#!/usr/bin/python3
"""The real window against an SFTP server that goes quiet in the middle of
an upload (sshd with the scripted SFTP server, sftp_script_server.py,
answering two writes and then nothing), with the request timeout
shortened for the test build: an error box appears within the timeout and
a few seconds (the traffic log names the silence), and afterwards the
program still answers, its window closing by the window manager with a
clean exit.

Usage: xvfb_sftp_quiet_test.py VELODROP DEMO_SETTINGS
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sshd_server  # noqa: E402
from xvfb_support import Session, wait_for  # noqa: E402

TIMEOUT = 3  # seconds per request, for the program
# Beyond the timeout: the login, the window's start, a slow (sanitizer) build.
SLACK = 12


def windows(s, program, title):
    """The ids of the program's windows whose title matches `title`."""
    out = subprocess.run(["wmctrl", "-l", "-p"], env=dict(os.environ, DISPLAY=s.display),
                         capture_output=True, text=True, timeout=30).stdout
    found = []
    for line in out.splitlines():
        window, _, pid, _, name = (line.split(None, 4) + [""])[:5]
        if int(pid) == program.pid and re.search(title, name):
            found.append(int(window, 16))
    return found


def x(s, *argv):
    subprocess.run(list(argv), env=dict(os.environ, DISPLAY=s.display), capture_output=True,
                   timeout=30, check=True)


def run(velodrop, demo_settings):
    why = sshd_server.unusable()
    if why:
        print("SKIP:", why)
        return 77
    with Session(None) as s:
        os.chmod(s.work, 0o755)  # sessions run as the server's user
        server = sshd_server.start_scripted_sshd(s.start, s.path("sshd"), "quiet-after-two")
        config = s.path("config")
        settings = os.path.join(config, "Velodrop", "velodrop_settings.ini")
        subprocess.check_call([demo_settings, settings, "sftp://127.0.0.1", str(server.port),
                               sshd_server.SCRIPTED_USER, "", "https://files.example.org/x"])
        # The traffic log tells which failure the box is about ([Common] is last).
        with open(settings, "a") as f:
            f.write("Log=1\n")
        home = s.key_login_home("home", server)
        shared = s.path("big.bin")
        with open(shared, "wb") as f:
            f.write(os.urandom(5 * 1000 * 1000))
        s.start_xvfb()
        s.start_window_manager()
        env = s.program_env(config, HOME=home, VELODROP_TEST_SFTP_TIMEOUT_SECONDS=str(TIMEOUT))
        env.pop("SSH_AUTH_SOCK", None)

        started = time.monotonic()
        program = s.start([velodrop, shared], env=env)
        wait_for(lambda: windows(s, program, "^Velodrop$") or program.poll() is not None,
                 TIMEOUT + SLACK, "the error box")
        seconds = time.monotonic() - started
        assert program.poll() is None, "the program ended (%r)" % program.returncode
        box = windows(s, program, "^Velodrop$")[0]
        with open(os.path.join(config, "Velodrop", "ftp.log"), errors="replace") as f:
            log = f.read()
        assert "no answer within %d s" % TIMEOUT in log, log
        main = windows(s, program, "^Velodrop - ")[0]

        # The program answers: the box closes on Return, the window on the
        # window manager's request, and the exit is clean.
        x(s, "xdotool", "windowactivate", "--sync", str(box))
        x(s, "xdotool", "key", "Return")
        wait_for(lambda: not windows(s, program, "^Velodrop$"), 20, "the box to close")
        x(s, "wmctrl", "-i", "-c", hex(main))
        assert program.wait(20) == 0, program.returncode
        print("OK: the error box came after %.1f s, and the program went on" % seconds)
        return 0


if __name__ == "__main__":
    sys.exit(run(*sys.argv[1:3]))
