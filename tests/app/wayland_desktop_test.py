#!/usr/bin/python3
"""The real program on a Wayland desktop (sway, headless): on Qt's Wayland
platform and through Xwayland, a file given on the command line is shared
and the window shows the QR code of its link (a screenshot by grim, read by
zbarimg); SIGTERM, as at the end of the session, ends the program.

Usage: wayland_desktop_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT
"""
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_support  # noqa: E402
from xvfb_support import Session, wait_for  # noqa: E402

# Nothing answers there, at once: the link check ends without waiting.
BASE_URL = "http://127.0.0.1:1/files"


def screen_qr(sway, path):
    sway.screenshot(path)
    out = subprocess.run(["zbarimg", "-q", "--raw", path], capture_output=True).stdout
    return out.decode("utf-8", "replace").strip()


def window_shows_the_link(s, sway, velodrop, config, home, platform):
    shared = s.path("shared-%s.txt" % platform)
    with open(shared, "w") as f:
        f.write("shared on %s\n" % platform)
    program = s.start([velodrop, shared],
                      env=sway.env(XDG_CONFIG_HOME=config, QT_QPA_PLATFORM=platform))
    suffix = "_" + os.path.basename(shared)
    wait_for(lambda: any(n.endswith(suffix) for n in os.listdir(home)) or program.poll() is not None, 60,
             "the upload on %s" % platform)
    assert program.poll() is None, "the program ended on %s (%s)" % (platform, program.returncode)
    [remote] = [n for n in os.listdir(home) if n.endswith(suffix)]
    link = BASE_URL + "/" + remote
    shot = s.path("screen-%s.png" % platform)
    seen = []
    deadline = time.time() + 30
    while time.time() < deadline and (not seen or seen[-1] != link):
        seen.append(screen_qr(sway, shot))
        time.sleep(0.5)
    assert seen[-1] == link, "on %s the screen shows %r, not the link %s" % (platform, seen[-1], link)
    program.send_signal(signal.SIGTERM)
    assert program.wait(30) == 0, platform
    print("OK: on %s the window shows the QR code of %s" % (platform, remote))


def run(velodrop, demo_settings, pyftpd):
    why = wayland_support.unusable()
    if why:
        print("SKIP:", why)
        return 77
    with Session(pyftpd) as s:
        home, port = s.start_ftp("u", "pw")
        config = s.config_folder()
        subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", "velodrop_settings.ini"),
                               "127.0.0.1", str(port), "u", "pw", BASE_URL])
        sway = wayland_support.Sway(s.start, s.path("sway"))
        for platform in ("wayland", "xcb"):
            window_shows_the_link(s, sway, velodrop, config, home, platform)
    return 0


if __name__ == "__main__":
    sys.exit(run(*sys.argv[1:4]))
