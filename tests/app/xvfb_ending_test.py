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
- during an upload that the server has stopped reading (its process
  stopped by SIGSTOP), with the window's thread waiting in a write, the
  program ends all the same after its grace;
- while the exit's clean-up waits for a server that has stopped answering
  (the server process stopped by SIGSTOP), the program ends all the same
  after its grace of ten seconds;
- after Exit, while the clean-up waits for the reply to a DELE that never
  comes (the window's thread blocked in a read), likewise.

The grace is a bound on the program's behaviour: each SIGTERM must have
ended the program within it and a second of room.

Usage: xvfb_ending_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT
"""
import os
import re
import select
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_support import Session, wait_for  # noqa: E402

# Nothing answers there, at once: the link check ends without waiting.
BASE_URL = "http://127.0.0.1:1/files"
# The program's grace is ten seconds: whatever it is doing, it has ended
# within that and a second of room.
ENDS_WITHIN = 11


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


# System calls that write to a socket (x86-64): write, writev, sendto, sendmsg.
WRITE_CALLS = {"1", "20", "44", "46"}


def waits_in_a_write(program):
    """Whether the window's thread waits in a system call that writes."""
    with open("/proc/%d/syscall" % program.pid) as f:
        call = f.read().split()
    with open("/proc/%d/wchan" % program.pid) as f:
        waiting = f.read().strip() not in ("", "0")
    return bool(call) and call[0] in WRITE_CALLS and waiting


def upload_stalled(e):
    server, home, port = e.ftp_server("home-stalled", "--read-limit", "200000")
    e.settings(port, RemoveFileAtExit=1)
    program = e.start(e.file("stalled.bin", 24 * 1024 * 1024))
    wait_for(lambda: any(os.path.getsize(os.path.join(home, n)) > 0 for n in os.listdir(home)), 60,
             "the upload to start")
    server.send_signal(signal.SIGSTOP)
    try:
        wait_for(lambda: waits_in_a_write(program), 60, "the upload to wait for the stopped server")
        assert e.end_session(program, "during an upload that the server stopped reading") != 0
    finally:
        server.send_signal(signal.SIGCONT)


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


def exit_waits_on_a_silent_delete(e):
    server, home, port = e.ftp_server("home-silent-dele", "--silent-dele")
    e.settings(port, RemoveFileAtExit=1)
    program = e.start(e.file("kept.txt", 100))
    wait_for(lambda: os.listdir(home), 60, "the share")
    windows = []
    wait_for(lambda: windows.extend(e.visible_window(program, "^Velodrop - ")) or windows, 30,
             "the window after the share")
    # Exit: the clean-up connects, logs in and sends DELE, whose reply never
    # comes; the window's thread waits in that read.
    subprocess.run(["wmctrl", "-i", "-c", hex(int(windows[0]))],
                   env=dict(os.environ, DISPLAY=e.s.display), check=True)
    ready = select.select([server.stdout], [], [], 60)[0]
    assert ready and server.stdout.readline().startswith("DELE "), "the clean-up sent no DELE"
    assert program.poll() is None, "the program ended without waiting for the reply"
    assert e.end_session(program, "while the clean-up waits for a reply to DELE") != 0


def run(velodrop, demo_settings, pyftpd):
    with Session(pyftpd) as s:
        s.start_xvfb()
        s.start_window_manager()
        e = Ending(s, velodrop, demo_settings, pyftpd)
        error_box_open(e)
        upload_running(e)
        upload_stalled(e)
        cleanup_on_a_quiet_server(e)
        exit_waits_on_a_silent_delete(e)


if __name__ == "__main__":
    run(*sys.argv[1:4])
