#!/usr/bin/python3
"""How the program reads the clipboard of a Wayland desktop without a
focused window (data control on sway), against real owners: the text comes
whole and as UTF-8, the primary selection is not taken for the clipboard, a
text too large to be a web address is refused, and an owner that never
delivers costs a few seconds, not a hung window.

Usage: wayland_clipboard_reader_test.py CLIPBOARD_PROBE
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_support  # noqa: E402
from xvfb_support import Session  # noqa: E402


def read(probe, env):
    started = time.monotonic()
    out = subprocess.run([probe, "read"], env=env, capture_output=True, timeout=30, check=True).stdout
    return out.decode("utf-8"), time.monotonic() - started


def run(probe):
    why = wayland_support.unusable_for("sway")
    if why:
        print("SKIP:", why)
        return 77
    with Session(os.devnull) as s:
        sway = wayland_support.Sway(s.start, s.path("sway"))
        env = sway.env()

        def wl_copy(*args, text):
            subprocess.run(["wl-copy", *args], input=text.encode("utf-8"), env=env, check=True, timeout=10)

        wl_copy(text="https://example.org/grüße?a=1\n")
        wl_copy("--primary", text="the primary selection")
        assert read(probe, env)[0] == "text:https://example.org/grüße?a=1\n"

        wl_copy(text="x" * (2 << 20))
        assert read(probe, env)[0] == "none", "two megabytes were taken for an address"

        silent = s.start([probe, "offer-silently", "https://example.org/never"], env=env,
                         stdout=subprocess.PIPE)
        assert silent.stdout.readline() == b"offered\n"
        answer, seconds = read(probe, env)
        assert answer == "none", answer
        # The reader's own limit is 3 s; far more would be a hang.
        assert seconds < 10, "a silent owner held the reader for %.1f s" % seconds
        print("OK: whole UTF-8 text, not the primary selection, no 2 MiB text, "
              "a silent owner given up after %.1f s" % seconds)
    return 0


if __name__ == "__main__":
    sys.exit(run(sys.argv[1]))
