#!/usr/bin/python3
"""The real program on a real X server as a desktop program, with real peers:

- the clipboard after the program: on a bare X server a hidden process of
  the program keeps serving the link after the window has gone, until
  another program takes the clipboard or its time is up; where a clipboard
  manager runs (xfce4-clipman), the manager keeps the link and no such
  process is started;
- under openbox, closing the window by the window manager (wmctrl -c),
  by Alt+F4 and by SIGTERM (the end of the session) runs the exit sequence,
  which removes this run's upload from the server; Qt's own options before
  the file do not shift it;
- in shortener mode, with the window minimized, a message box is mapped and
  on top.

Every process that the program leaves behind becomes this test's child
(a child subreaper) and is stopped by its process id.

Usage: xvfb_desktop_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT
"""
import ctypes
import os
import re
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_support import Session, wait_for  # noqa: E402

PR_SET_CHILD_SUBREAPER = 36
# Nothing answers there, at once: the program's check of each link ends
# without waiting for a name lookup.
BASE_URL = "http://127.0.0.1:1/files"


def become_subreaper():
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise SystemExit("prctl: " + os.strerror(ctypes.get_errno()))


def children():
    """Process ids and command lines of this test's living children."""
    found = {}
    me = str(os.getpid())
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmdline = f.read().split(b"\0")
        except OSError:
            continue
        if fields[1] == me and fields[0] != "Z":
            found[int(pid)] = [a.decode(errors="replace") for a in cmdline if a]
    return found


def keepers():
    return [pid for pid, argv in children().items() if "--keep-clipboard" in argv]


def ended(pid):
    """Reaps `pid` if it has ended; True then."""
    try:
        return os.waitpid(pid, os.WNOHANG)[0] == pid
    except ChildProcessError:
        return True


def stop_orphans(session=None):
    """Stops what the program and the peers left behind (hidden processes,
    bus services), but not the session's own processes."""
    own = {p.pid for p in session.processes} if session else set()
    orphans = [pid for pid in children() if pid not in own]
    for pid in orphans:
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    for pid in orphans:
        wait_for(lambda: ended(pid), 10, "process %d to end" % pid)
    # Zombies of ended children.
    while True:
        try:
            if os.waitpid(-1, os.WNOHANG)[0] == 0:
                break
        except ChildProcessError:
            break


class Desktop:
    def __init__(self, session, velodrop, demo_settings, port):
        self.s = session
        self.velodrop = velodrop
        self.demo_settings = demo_settings
        self.port = port
        self.config = session.config_folder()
        self.shared = session.path("report 2026.txt")
        with open(self.shared, "w") as f:
            f.write("shared from the desktop\n")

    def x(self, *argv, check=True):
        return subprocess.run(list(argv), env=dict(os.environ, DISPLAY=self.s.display), capture_output=True,
                              text=True, timeout=30, check=check).stdout

    def settings(self, name="velodrop_settings.ini", password="pw", **common):
        path = os.path.join(self.config, "Velodrop", name)
        subprocess.check_call([self.demo_settings, path, "127.0.0.1", str(self.port), "u", password, BASE_URL])
        with open(path) as f:
            text = f.read()
        for key, value in common.items():
            text = re.sub(r"(?m)^%s=.*$" % key, "%s=%s" % (key, value), text)
        with open(path, "w") as f:
            f.write(text)

    def start(self, *arguments):
        return self.s.start([self.velodrop, *arguments], env=self.s.program_env(self.config))

    def selection_owner(self, selection):
        """The window that owns an X selection, 0 for none (Xlib through ctypes)."""
        xlib = ctypes.CDLL("libX11.so.6")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XInternAtom.restype = ctypes.c_ulong
        xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        xlib.XGetSelectionOwner.restype = ctypes.c_ulong
        xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        display = xlib.XOpenDisplay(self.s.display.encode())
        assert display, "cannot open " + self.s.display
        try:
            return xlib.XGetSelectionOwner(display, xlib.XInternAtom(display, selection.encode(), 0))
        finally:
            xlib.XCloseDisplay(display)

    def clipboard(self):
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-display", self.s.display],
                                capture_output=True, text=True, timeout=30)
        return result.stdout if result.returncode == 0 else None

    def take_clipboard(self, text):
        """Another program takes the clipboard (xclip in the foreground)."""
        p = self.s.start(["xclip", "-quiet", "-i", "-selection", "clipboard", "-display", self.s.display],
                         stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        p.stdin.write(text.encode())
        p.stdin.close()
        wait_for(lambda: self.clipboard() == text, 20, "xclip to own the clipboard")

    def window_of(self, program, title=None):
        """The id of a window the window manager holds for the program
        (mapped or minimized), with a title that matches `title`."""
        found = []

        def look():
            for line in self.x("wmctrl", "-l", "-p").splitlines():
                window, _, pid, _, name = (line.split(None, 4) + [""])[:5]
                if int(pid) == program.pid and (title is None or re.search(title, name)):
                    found.append(int(window, 16))
            return found

        wait_for(look, 30, "a window %r of the program" % (title or ""))
        return found[0]

    def stacking(self):
        out = self.x("xprop", "-root", "_NET_CLIENT_LIST_STACKING")
        return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", out)]

    @staticmethod
    def empty(home):
        for name in os.listdir(home):
            os.remove(os.path.join(home, name))

    def upload(self, home):
        names = [n for n in os.listdir(home) if n.endswith("_report 2026.txt")]
        return names[0] if names else None


def clipboard_without_manager(d, home):
    d.settings(Timeout=1)
    program = d.start(d.shared)
    assert program.wait(60) == 0, "auto-close did not end the program"
    link = BASE_URL + "/" + d.upload(home)
    assert d.clipboard() == link, "the clipboard holds %r after the program" % d.clipboard()
    [keeper] = keepers()
    d.take_clipboard("the user's next copy")
    wait_for(lambda: ended(keeper), 20, "the hidden process to end once another program took the clipboard")
    print("OK: the link outlived the program until the next copy")

    # Its time runs out by itself (the program gives it ten minutes).
    hidden = d.s.start([d.velodrop, "--keep-clipboard", "1"], env=d.s.program_env(d.config), stdin=subprocess.PIPE)
    hidden.stdin.write(b"kept for one second")
    hidden.stdin.close()
    wait_for(lambda: d.clipboard() == "kept for one second", 20, "the hidden process to own the clipboard")
    assert hidden.wait(30) == 0
    assert d.clipboard() != "kept for one second"
    print("OK: the hidden process ends when its time is up")


def clipboard_with_manager(d, home):
    # xfce4-clipman keeps its settings behind a session bus: a private one.
    bus = d.s.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE,
                    stderr=subprocess.DEVNULL, text=True)
    address = bus.stdout.readline().strip()
    log_path = d.s.path("clipman.log")
    with open(log_path, "w") as log:
        manager = d.s.start(["xfce4-clipman"], env=dict(os.environ, DISPLAY=d.s.display,
                                                        DBUS_SESSION_BUS_ADDRESS=address, NO_AT_BRIDGE="1"),
                            stdout=log, stderr=log)
    wait_for(lambda: d.selection_owner("CLIPBOARD_MANAGER") or manager.poll() is not None, 20,
             "the clipboard manager")
    with open(log_path) as log:
        assert manager.poll() is None, "xfce4-clipman ended (%s): %s" % (manager.returncode, log.read())
    d.empty(home)
    d.settings(Timeout=1)
    program = d.start(d.shared)
    assert program.wait(60) == 0, "auto-close did not end the program"
    link = BASE_URL + "/" + d.upload(home)
    assert d.clipboard() == link, "the clipboard holds %r after the program" % d.clipboard()
    assert keepers() == [], "a hidden process runs beside the clipboard manager"
    for p in (manager, bus):
        p.terminate()
        p.wait(10)
    print("OK: the clipboard manager keeps the link")


def press_alt_f4(d, program, window):
    """Alt+F4 on the window, pressed again while the program runs: under
    load, a key sent right after the activation can reach openbox before
    the window has the keyboard, and is then lost."""
    for _ in range(5):
        # The window may be gone by a second try: that is no failure.
        d.x("xdotool", "windowactivate", "--sync", str(window), check=False)
        d.x("xdotool", "key", "--clearmodifiers", "alt+F4", check=False)
        try:
            program.wait(5)
            return
        except subprocess.TimeoutExpired:
            pass


def closing_removes_the_upload(d, home):
    d.empty(home)
    d.settings(RemoveFileAtExit=1, CopyLinkToClipboard=0)
    closers = {
        "wmctrl -c": lambda program, window: d.x("wmctrl", "-i", "-c", hex(window)),
        "Alt+F4": lambda program, window: press_alt_f4(d, program, window),
        "SIGTERM": lambda program, window: program.send_signal(signal.SIGTERM),
    }
    for how, close in closers.items():
        # Qt's own options in front of the file leave it the first argument.
        program = d.start("-style", "fusion", "-reverse", d.shared)
        wait_for(lambda: d.upload(home), 60, "the upload")
        window = d.window_of(program)
        close(program, window)
        try:
            assert program.wait(30) == 0, how
        except subprocess.TimeoutExpired:
            raise SystemExit("%s did not end the program; active: %s; windows:\n%s"
                             % (how, d.x("xprop", "-root", "_NET_ACTIVE_WINDOW").strip(), d.x("wmctrl", "-l", "-p")))
        assert d.upload(home) is None, "%s left the upload on the server" % how
        print("OK: %s removed the upload" % how)


def shortener_box_shows(d, home):
    d.settings("shortener_settings.ini", password="wrong")
    d.take_clipboard("https://example.org/to/shorten")
    program = d.start("-shortener")
    box = d.window_of(program, "^Velodrop$")
    main = d.window_of(program, "^Velodrop - ")
    assert "_NET_WM_STATE_HIDDEN" in d.x("xprop", "-id", str(main), "_NET_WM_STATE"), "the window is not minimized"
    assert "Map State: IsViewable" in d.x("xwininfo", "-id", str(box))
    # Window managers that keep a minimized window's dependents out of sight
    # go by this property; openbox shows them all the same.
    transient = re.findall(r"0x[0-9a-f]+", d.x("xprop", "-id", str(box), "WM_TRANSIENT_FOR"))
    assert main not in [int(w, 16) for w in transient], "the box belongs to the minimized window"
    assert d.stacking()[-1] == box, "the box is not on top"
    d.x("xdotool", "windowactivate", "--sync", str(box))
    d.x("xdotool", "key", "Return")
    wait_for(lambda: not d.x("xdotool", "search", "--onlyvisible", "--name", "^Velodrop$", check=False), 20,
             "the box to close")
    assert program.poll() is None, "the program ended though it could not connect"
    d.x("wmctrl", "-i", "-c", hex(main))
    assert program.wait(30) == 0
    print("OK: the shortener's message box is on top of the desktop")


def run(velodrop, demo_settings, pyftpd):
    become_subreaper()
    try:
        with Session(pyftpd) as s:
            home, port = s.start_ftp("u", "pw")
            s.start_xvfb()
            d = Desktop(s, velodrop, demo_settings, port)
            clipboard_without_manager(d, home)
            clipboard_with_manager(d, home)
            stop_orphans(s)
            s.start_window_manager()
            closing_removes_the_upload(d, home)
            shortener_box_shows(d, home)
    finally:
        stop_orphans()


if __name__ == "__main__":
    run(*sys.argv[1:4])
