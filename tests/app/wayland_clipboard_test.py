#!/usr/bin/python3
"""The link on the clipboard of a real Wayland desktop (sway, GNOME's mutter
or KDE's KWin, headless), with the real program on Qt's Wayland platform and
through Xwayland. For each platform, the checks:

- a file given on the command line is shared, the window shows the QR code
  of its link (a screenshot read by zbarimg, where the desktop can take one)
  and the link is on the clipboard (wl-paste reads it as any Wayland
  program would);
- after the program has ended (SIGTERM, as at the end of the session) the
  link is still there;
- a message box comes in front of the window (where the desktop tells
  which window has the focus);
- in shortener mode the address put on the clipboard by wl-copy is read,
  the short link goes onto the clipboard and the program ends by itself.

Then, once: with no platform chosen the program picks the one that keeps
its promise on that desktop, and `--cli --copy FILE` leaves the link on the
clipboard after the command has ended. Every check runs; the matrix is
printed, and any failed check fails the test.

Usage: wayland_clipboard_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT DESKTOP
DESKTOP is sway, mutter or kwin (see wayland_support).
"""
import os
import re
import signal
import subprocess
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wayland_support  # noqa: E402
from xvfb_support import Session, wait_for  # noqa: E402

DESKTOPS = {"sway": wayland_support.Sway, "mutter": wayland_support.Mutter, "kwin": wayland_support.KWin}
# Nothing answers there, at once: the link check ends without waiting.
BASE_URL = "http://127.0.0.1:1/files"
SHORT_BASE = "https://s.example.org"
ADDRESS = "https://example.org/some/long/address?with=query"
WINDOW_TITLE = "^Velodrop - "


def paste(desktop):
    return desktop.paste()


def copy(desktop, text):
    desktop.copy(text)


def wait_for_paste(desktop, text, what):
    seen = [None]

    def found():
        seen.append(paste(desktop))
        return seen[-1] == text
    wait_for(found, 20, "%s (the clipboard holds %r)" % (what, seen[-1]))


def screen_qr(desktop, platform, path):
    """The QR code's text on the screen, or None where the desktop takes no
    picture of such a window."""
    if platform == "xcb":
        if not desktop.screenshot_x11(path, WINDOW_TITLE):
            return ""
    elif not desktop.screenshot(path):
        return None
    out = subprocess.run(["zbarimg", "-q", "--raw", path], capture_output=True).stdout
    return out.decode("utf-8", "replace").strip()


class Matrix:
    def __init__(self, desktop_name):
        self.desktop_name = desktop_name
        self.rows = []

    def check(self, platform, what, test, *args):
        """Runs one check; an AssertionError (or a timeout) is its failure."""
        try:
            note = test(*args)
            self.rows.append((platform, what, "n/a" if note == "n/a" else "pass", note or ""))
        except (AssertionError, SystemExit, subprocess.TimeoutExpired) as e:
            traceback.print_exc()
            self.rows.append((platform, what, "FAIL", str(e).splitlines()[0][:100] if str(e) else ""))

    def report(self):
        print("\n%s: %-8s %-34s %s" % (self.desktop_name, "platform", "check", "result"))
        for platform, what, result, note in self.rows:
            print("%s: %-8s %-34s %s %s" % (self.desktop_name, platform, what, result, note))
        return all(result != "FAIL" for _, _, result, _ in self.rows)


class Run:
    def __init__(self, s, desktop, velodrop, config, home):
        self.s, self.desktop, self.velodrop, self.config, self.home = s, desktop, velodrop, config, home

    def start(self, args, platform, **env):
        extra = dict(XDG_CONFIG_HOME=self.config, **env)
        if platform:
            extra["QT_QPA_PLATFORM"] = platform
        return self.s.start([self.velodrop, *args], env=self.desktop.env(**extra))

    def share(self, platform):
        """Starts a share of a new file; (program, link) once it is up."""
        copy(self.desktop, "before the share on %s" % platform)
        shared = self.s.path("shared-%s-%d.txt" % (platform, time.monotonic_ns()))
        with open(shared, "w") as f:
            f.write("shared on %s\n" % platform)
        program = self.start([shared], platform)
        suffix = "_" + os.path.basename(shared)
        wait_for(lambda: any(n.endswith(suffix) for n in os.listdir(self.home)) or program.poll() is not None,
                 60, "the upload")
        assert program.poll() is None, "the program ended (%s)" % program.returncode
        [remote] = [n for n in os.listdir(self.home) if n.endswith(suffix)]
        return program, BASE_URL + "/" + remote


def window_and_clipboard(run, matrix, platform):
    program, link = run.share(platform)

    def qr():
        shot = run.s.path("screen-%s.png" % platform)
        seen = []
        deadline = time.time() + 30
        while time.time() < deadline and (not seen or seen[-1] != link):
            seen.append(screen_qr(run.desktop, platform, shot))
            if seen[-1] is None:
                return "n/a"
            time.sleep(0.5)
        assert seen[-1] == link, "the screen shows %r" % seen[-1]

    def on_clipboard():
        wait_for_paste(run.desktop, link, "the link on the clipboard")

    def after_exit():
        program.send_signal(signal.SIGTERM)
        assert program.wait(30) == 0
        time.sleep(0.5)
        assert paste(run.desktop) == link, "the clipboard holds %r" % paste(run.desktop)

    matrix.check(platform, "QR code on the screen", qr)
    matrix.check(platform, "link on the clipboard", on_clipboard)
    matrix.check(platform, "link stays after SIGTERM", after_exit)
    if program.poll() is None:
        program.kill()
        program.wait()


def box_in_front(run, matrix, platform, settings):
    if not hasattr(run.desktop, "focused_window"):
        matrix.check(platform, "message box in front", lambda: "n/a")
        return
    # A refused login: the share's message box.
    wrong = run.s.path("wrong-%s" % platform)
    os.makedirs(os.path.join(wrong, "Velodrop"))
    settings(os.path.join(wrong, "Velodrop", "velodrop_settings.ini"), "not the password", BASE_URL)
    shared = run.s.path("refused.txt")
    with open(shared, "w") as f:
        f.write("refused\n")
    program = run.s.start([run.velodrop, shared],
                          env=run.desktop.env(XDG_CONFIG_HOME=wrong, QT_QPA_PLATFORM=platform))

    def in_front():
        # The main window comes first, and on X11 sway floats it too (its
        # size is fixed): only the box's own title tells the box.
        seen = [None]

        def box_focused():
            seen[0] = run.desktop.focused_window() or {}
            return seen[0].get("title") == "Velodrop" and seen[0].get("dialog")
        try:
            wait_for(box_focused, 30, "the message box with the focus")
        except SystemExit as e:
            raise AssertionError("%s; the focus is on %r" % (e, seen[0]))
    matrix.check(platform, "message box in front", in_front)
    program.kill()
    program.wait()


def shortener(run, matrix, platform):
    def takes_the_address():
        table = os.path.join(run.home, "shortener.ini")
        if os.path.exists(table):
            os.remove(table)
        opened_before = len(run.s.opened_links())
        copy(run.desktop, ADDRESS)
        program = run.start(["-shortener"], platform)
        try:
            code = program.wait(60)
        except subprocess.TimeoutExpired:
            program.kill()
            raise AssertionError("the shortener did not end by itself")
        assert code == 0, "the shortener ended with %r" % code
        with open(table, newline="") as f:
            match = re.fullmatch(r'([1-9A-NP-Za-z]{5})="' + re.escape(ADDRESS) + '"\r\n', f.read())
        assert match, "the table holds no code for the address"
        short = SHORT_BASE + "/" + match.group(1)
        wait_for_paste(run.desktop, short, "the short link on the clipboard")
        wait_for(lambda: len(run.s.opened_links()) > opened_before, 20, "the browser")
        assert run.s.opened_links()[opened_before:] == [short], run.s.opened_links()
    matrix.check(platform, "shortener reads and copies", takes_the_address)


def chosen_platform(run, matrix, expected):
    """With no platform given, the window on the desktop's X11 or not."""
    def chosen():
        program, link = run.share(None)
        try:
            wait_for_paste(run.desktop, link, "the link on the clipboard")
            on_x11 = bool(run.desktop.x11_windows(WINDOW_TITLE))
            if expected:
                assert on_x11 == (expected == "xcb"), "the window is %son X11" % ("" if on_x11 else "not ")
        finally:
            program.kill()
            program.wait()
        return "window on " + ("X11" if on_x11 else "Wayland")
    matrix.check("default", "platform keeps the promise", chosen)


def cli_copy(run, matrix):
    def leaves_the_link():
        copy(run.desktop, "before the terminal's share")
        shared = run.s.path("shared-cli.txt")
        with open(shared, "w") as f:
            f.write("shared from a terminal\n")
        done = subprocess.run([run.velodrop, "--cli", "--copy", shared],
                              env=run.desktop.env(XDG_CONFIG_HOME=run.config), capture_output=True, timeout=120)
        assert done.returncode == 0, done.stderr
        link = done.stdout.decode().strip().splitlines()[-1]
        assert link.startswith(BASE_URL + "/velodrop_"), link
        time.sleep(0.5)
        assert paste(run.desktop) == link, "the clipboard holds %r" % paste(run.desktop)
    matrix.check("terminal", "--cli --copy leaves the link", leaves_the_link)


def run(velodrop, demo_settings, pyftpd, desktop_name):
    why = wayland_support.unusable_for(desktop_name)
    if why:
        print("SKIP:", why)
        return 77
    with Session(pyftpd) as s:
        home, port = s.start_ftp("u", "pw")
        config = s.config_folder()

        def settings(path, password, base):
            subprocess.check_call([demo_settings, path, "127.0.0.1", str(port), "u", password, base])
        settings(os.path.join(config, "Velodrop", "velodrop_settings.ini"), "pw", BASE_URL)
        settings(os.path.join(config, "Velodrop", "shortener_settings.ini"), "pw", SHORT_BASE)
        desktop = DESKTOPS[desktop_name](s.start, s.path(desktop_name))
        r = Run(s, desktop, velodrop, config, home)
        matrix = Matrix(desktop_name)
        for platform in ("wayland", "xcb"):
            window_and_clipboard(r, matrix, platform)
            box_in_front(r, matrix, platform, settings)
            shortener(r, matrix, platform)
        # GNOME offers no data control: its Xwayland bridge keeps the promise.
        chosen_platform(r, matrix, "xcb" if desktop_name == "mutter" else None)
        cli_copy(r, matrix)
        return 0 if matrix.report() else 1


if __name__ == "__main__":
    sys.exit(run(*sys.argv[1:5]))
