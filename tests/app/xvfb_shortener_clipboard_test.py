#!/usr/bin/python3
"""How much the shortener takes from an X11 clipboard, against real owners
(xclip) on Xvfb:

- the real program in shortener mode under openbox, with an address of
  100 KiB on the clipboard: a message box says it is too long, and nothing
  reaches the short-link table;
- the reading the shortener does (clipboard_probe) takes a web address
  whole and as UTF-8, and refuses a text of 20 MiB (its limit is 1 MiB, as
  on Wayland).

Usage: xvfb_shortener_clipboard_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT CLIPBOARD_PROBE
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_support import Session, wait_for  # noqa: E402


def x(s, *argv):
    return subprocess.run(list(argv), env=dict(os.environ, DISPLAY=s.display), capture_output=True,
                          timeout=60).stdout


def own_clipboard(s, text):
    """xclip in the foreground owns the clipboard with `text` (bytes)."""
    owner = s.start(["xclip", "-quiet", "-i", "-selection", "clipboard", "-display", s.display],
                    stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    owner.stdin.write(text)
    owner.stdin.close()
    wait_for(lambda: x(s, "xclip", "-o", "-selection", "clipboard") == text, 30,
             "xclip to own the clipboard")
    return owner


def probe_read(s, probe):
    env = dict(os.environ, DISPLAY=s.display)
    env.pop("WAYLAND_DISPLAY", None)
    return subprocess.run([probe, "read"], env=env, capture_output=True, timeout=30,
                          check=True).stdout


def the_reader_keeps_to_its_limit(s, probe):
    address = "https://example.org/grüße?a=1".encode()
    owner = own_clipboard(s, address)
    assert probe_read(s, probe) == b"text:" + address
    owner.terminate()
    owner.wait(10)
    owner = own_clipboard(s, b"https://example.org/?q=" + b"a" * (20 << 20))
    assert probe_read(s, probe) == b"none", "20 MiB were taken for an address"
    owner.terminate()
    owner.wait(10)
    print("OK: an address read whole, 20 MiB refused")


def the_program_refuses_a_long_address(s, velodrop, demo_settings, port, home):
    config = s.config_folder()
    subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", "shortener_settings.ini"),
                           "127.0.0.1", str(port), "u", "pw", "https://s.example.org"])
    own_clipboard(s, b"https://example.org/?q=" + b"a" * (100 << 10))
    program = s.start([velodrop, "-shortener"], env=s.program_env(config))

    def box_shown():
        assert program.poll() is None, "the program ended: it took the address"
        return x(s, "xdotool", "search", "--onlyvisible", "--pid", str(program.pid), "--name", "^Velodrop$")

    wait_for(box_shown, 60, "the message box")
    table = os.path.join(home, "shortener.ini")
    if os.path.exists(table):
        with open(table, "rb") as f:
            assert b"aaaa" not in f.read()
    print("OK: an address of 100 KiB is refused with a message, nothing stored")


def run(velodrop, demo_settings, pyftpd, probe):
    with Session(pyftpd) as s:
        home, port = s.start_ftp("u", "pw")
        s.start_xvfb()
        s.start_window_manager()
        the_program_refuses_a_long_address(s, velodrop, demo_settings, port, home)
        the_reader_keeps_to_its_limit(s, probe)


if __name__ == "__main__":
    run(*sys.argv[1:5])
