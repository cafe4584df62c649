#!/usr/bin/python3
"""Shortener mode of the real program on a bare X server (where no window is
ever activated) or under a window manager: started minimized, it takes the address off the clipboard, stores it
on the FTP server, opens the short link in the "browser" and ends.

Usage: xvfb_shortener_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT [--window-manager]
"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_support import Session, wait_for  # noqa: E402

ADDRESS = "https://example.org/some/long/address?with=query"


def run(shortener, demo_settings, pyftpd, window_manager=False):
    with Session(pyftpd) as s:
        home, port = s.start_ftp("u", "pw")
        config = s.config_folder()
        subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", "shortener_settings.ini"),
                               "127.0.0.1", str(port), "u", "pw", "https://s.example.org"])

        s.start_xvfb()
        if window_manager:
            s.start_window_manager()
        clip = subprocess.Popen(["xclip", "-selection", "clipboard", "-display", s.display],
                                stdin=subprocess.PIPE)
        clip.communicate(ADDRESS.encode())
        env = s.program_env(config)
        program = s.start([shortener, "-shortener"], env=env)
        assert program.wait(60) == 0, "the program did not end by itself"

        with open(os.path.join(home, "shortener.ini"), newline="") as f:
            table = f.read()
        match = re.fullmatch(r'([1-9A-NP-Za-z]{5})="' + re.escape(ADDRESS) + '"\r\n', table)
        assert match, table
        wait_for(s.opened_links, 20, "the browser")
        assert s.opened_links() == ["https://s.example.org/" + match.group(1)], s.opened_links()
        print("OK: short link", match.group(1))


if __name__ == "__main__":
    run(*sys.argv[1:4], window_manager="--window-manager" in sys.argv[4:])
