#!/usr/bin/python3
"""The end of the desktop session ends the real program within seconds,
whatever it is doing. A session manager sends SIGTERM at logout and kills
the program, without any clean-up, when it has not ended some seconds
later. Under openbox on Xvfb:

- with a share's error box open, the box closes as if answered and the exit
  sequence runs;
- during an upload that would take minutes (a throttled server), the upload
  stops, the part that arrived is removed with this run's uploads, and the
  program ends;
- while the exit's clean-up waits for a server that has stopped answering
  (the server process stopped by SIGSTOP), the program ends all the same
  after its grace of ten seconds.

Usage: xvfb_ending_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT
"""
import os
import re
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_support import Session, wait_for  # noqa: E402

# Nothing answers there, at once: the link check ends without waiting.
BASE_URL = "http://127.0.0.1:1/files"
# What the session manager would wait for here: the program's grace is ten
# seconds, the rest is room for a loaded machine.
ENDS_WITHIN = 20


class Ending:
    def __init__(self, session, velodrop, demo_settings, pyftpd):
        self.s = session
        self.velodrop = velodrop
        self.demo_settings = demo_settings
        self.pyftpd = pyftpd
        self.config = session.config_folder()

    def ftp_server(self, name, *options):
        """A pyftpdlib server over a fresh folder; returns (process, folder, port)."""
        home = self.s.path(name)
        os.makedirs(home)
        server = self.s.start(["/usr/bin/python3", self.pyftpd, "--home", home, "--user", "u",
                               "--password", "pw", *options], stdout=subprocess.PIPE, text=True)
        return server, home, int(server.stdout.readline().split()[1])

    def settings(self, port, password="pw", **common):
        path = os.path.join(self.config, "Velodrop", "velodrop_settings.ini")
        subprocess.check_call([self.demo_settings, path, "127.0.0.1", str(port), "u", password, BASE_URL])
        with open(path) as f:
            text = f.read()
        for key, value in common.items():
            text, found = re.subn(r"(?m)^%s=.*$" % key, "%s=%s" % (key, value), text)
            assert found, key
        with open(path, "w") as f:
            f.write(text)

    def file(self, name, size):
        path = self.s.path(name)
        with open(path, "wb") as f:
            f.write(os.urandom(size))
        return path

    def start(self, path):
        return self.s.start([self.velodrop, path], env=self.s.program_env(self.config))

    def visible_window(self, program, title):
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(program.pid), "--name", title],
                             env=dict(os.environ, DISPLAY=self.s.display), capture_output=True, text=True)
        return out.stdout.split()

    def end_session(self, program, what):
        """SIGTERM; returns the exit status once the program has ended."""
        program.send_signal(signal.SIGTERM)
        started = time.time()
        try:
            status = program.wait(ENDS_WITHIN)
        except subprocess.TimeoutExpired:
            raise SystemExit("SIGTERM %s: the program still runs after %d s" % (what, ENDS_WITHIN))
        print("OK: SIGTERM %s ended the program in %.1f s (status %d)" % (what, time.time() - started, status))
        return status


def error_box_open(e):
    _, _, port = e.ftp_server("home-box")
    e.settings(port, password="wrong")
    program = e.start(e.file("box.bin", 1000))
    wait_for(lambda: e.visible_window(program, "^Velodrop$") or program.poll() is not None, 60,
             "the error box of the refused login")
    assert program.poll() is None, "the program ended by itself"
    assert e.end_session(program, "with an error box open") == 0


def upload_running(e):
    _, home, port = e.ftp_server("home-slow", "--read-limit", "200000")
    e.settings(port, RemoveFileAtExit=1)
    # At 200 kB/s the upload would take about two minutes.
    program = e.start(e.file("large.bin", 24 * 1024 * 1024))

    def upload_under_way():
        return any(os.path.getsize(os.path.join(home, n)) > 0 for n in os.listdir(home))
    wait_for(upload_under_way, 60, "the upload to start")
    assert e.end_session(program, "during an upload") == 0
    assert os.listdir(home) == [], "the part that arrived stayed on the server: %s" % os.listdir(home)


def cleanup_on_a_quiet_server(e):
    server, home, port = e.ftp_server("home-quiet")
    e.settings(port, RemoveFileAtExit=1)
    program = e.start(e.file("shared.txt", 100))
    wait_for(lambda: os.listdir(home), 60, "the share")
    wait_for(lambda: e.visible_window(program, "^Velodrop - "), 30, "the window after the share")
    server.send_signal(signal.SIGSTOP)
    try:
        # The clean-up connects and waits for a greeting that does not come;
        # the grace ends it, which is a failure of the clean-up.
        assert e.end_session(program, "while the clean-up waits for a quiet server") != 0
    finally:
        server.send_signal(signal.SIGCONT)


def run(velodrop, demo_settings, pyftpd):
    with Session(pyftpd) as s:
        s.start_xvfb()
        s.start_window_manager()
        e = Ending(s, velodrop, demo_settings, pyftpd)
        error_box_open(e)
        upload_running(e)
        cleanup_on_a_quiet_server(e)


if __name__ == "__main__":
    run(*sys.argv[1:4])
