"""Wayland desktops for tests of the real program, headless, each with
Xwayland and a keyboard on its seat, so that windows get the keyboard focus
as on a desktop with a user at it:

- Sway (wlroots) on its headless backend, as a system user of its own (sway
  does not run as root), with a virtual keyboard (wtype);
- Mutter (GNOME) with a virtual monitor, on a D-Bus session bus of its own,
  with a remote-desktop keyboard;
- KWin (KDE) on its virtual backend, on a D-Bus session bus of its own.

The program and the tools (wl-paste, wl-copy, xclip, xwd) run as root and
reach the compositor through the absolute path of its socket and `env()`.
Every process started here is stopped by its process id; nothing reaches the
user's own D-Bus buses."""
import glob
import json
import os
import select
import shutil
import subprocess
import time

import sshd_server

USER = "velodrop-wayland"
DBUS_TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "compositor_dbus_tool.py")
WIDTH, HEIGHT = 800, 600

# What each desktop needs, for itself, its keyboard, its screenshots and the
# clipboard and X11 tools the tests use on it.
CLIENT_TOOLS = ("wl-copy", "wl-paste", "xclip", "xdotool", "xwininfo", "xwd", "/usr/bin/convert", "Xwayland")
TOOLS = {
    "sway": ("sway", "wtype", "grim", "xhost"),
    "mutter": ("mutter", "dbus-daemon", "pipewire", "wireplumber", "gst-launch-1.0"),
    "kwin": ("kwin_wayland", "dbus-daemon"),
}
# The D-Bus calls of the GNOME and KDE desktops (compositor_dbus_tool.py).
PYTHON_MODULES = {"mutter": ("dbus", "gi"), "kwin": ("dbus",)}


def unusable_for(kind):
    """Why the desktop `kind` ("sway", "mutter", "kwin") cannot run here, or
    empty text."""
    for tool in TOOLS[kind] + CLIENT_TOOLS:
        if not shutil.which(tool):
            return tool + " is not installed"
    for module in PYTHON_MODULES.get(kind, ()):
        if subprocess.run(["/usr/bin/python3", "-c", "import " + module], capture_output=True).returncode:
            return "python3 module %s is not installed" % module
    if kind == "sway" and os.geteuid() != 0:
        return "the compositor's user is made by root"
    return ""


def _private_folder(path, owner=None):
    os.makedirs(path)
    os.chmod(path, 0o700)
    if owner:
        shutil.chown(path, owner)
    return path


def _read_line(process, seconds, what):
    """The first line `process` writes to its stdout pipe, within `seconds`."""
    ready = select.select([process.stdout], [], [], seconds)[0]
    line = process.stdout.readline().strip() if ready else ""
    if not line:
        raise SystemExit("%s: nothing within %d s (exit %r)" % (what, seconds, process.poll()))
    return line


class _Desktop:
    """What every desktop shares: waiting for it, its clients' environment
    and screenshots of X11 windows through its Xwayland."""

    name = "compositor"  # as unusable_for() knows it
    extra_env = {}  # for clients, beyond the sockets
    # The test gives the platform; the user's own would choose for it.
    dropped_env = ("QT_QPA_PLATFORM",)

    @classmethod
    def unusable(cls):
        """Why this desktop cannot run here, or empty text."""
        return unusable_for(cls.name)

    def _wait_for(self, what, found, seconds=30):
        deadline = time.time() + seconds
        while time.time() < deadline:
            value = found()
            if value:
                return value
            if self.process.poll() is not None:
                break
            time.sleep(0.1)
        with open(self.log) as f:
            raise SystemExit("%s gave no %s (exit %r): %s" % (self.name, what, self.process.poll(),
                                                             f.read()[-3000:]))

    def _wait_for_socket(self):
        def socket():
            names = [n for n in os.listdir(self.runtime) if n.startswith("wayland-") and not n.endswith(".lock")]
            return os.path.join(self.runtime, names[0]) if names else ""
        return self._wait_for("Wayland socket", socket)

    def _wait_for_display(self):
        def display():
            if not os.path.exists(self.display_file):
                return ""
            with open(self.display_file) as f:
                return f.read().strip()
        return self._wait_for("Xwayland display", display)

    def env(self, **extra):
        """The environment of a client as root: Wayland through the
        compositor's socket, X11 through its Xwayland."""
        env = dict(os.environ, WAYLAND_DISPLAY=self.socket, XDG_RUNTIME_DIR=self.client_runtime,
                   DISPLAY=self.display)
        for name in self.dropped_env:
            env.pop(name, None)
        env.update(self.extra_env)
        env.update(extra)
        return env

    def paste(self):
        """The text on the clipboard as a Wayland client reads it, or None."""
        done = subprocess.run(["wl-paste", "-n"], env=self.env(), capture_output=True, text=True, timeout=10)
        return done.stdout if done.returncode == 0 else None

    def copy(self, text, attempts=5):
        """Puts `text` on the clipboard through wl-copy, which serves it until
        it is stopped (by its process id, as the session's process) or
        another client takes the clipboard; returns that process. Where the
        compositor cancels wl-copy's offer (wl-copy then ends), for instance
        because another client took the focus at that moment, another
        attempt is made."""
        for _ in range(attempts):
            copier = self.start(["wl-copy", "--foreground", text], env=self.env(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
            deadline = time.time() + 10
            while copier.poll() is None and time.time() < deadline:
                if self._holds(text):
                    return copier
                time.sleep(0.1)
            if copier.poll() is None:
                copier.terminate()
                copier.wait(10)
        raise SystemExit("%s: wl-copy could not put %r on the clipboard" % (self.name, text))

    def _holds(self, text):
        """Whether the clipboard holds `text`, read without disturbing a
        wl-copy that is setting it."""
        return self.paste() == text

    def x11_windows(self, window_name):
        """The visible X11 windows whose title matches the regular expression
        `window_name`, largest first."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", window_name],
                               env=self.env(), capture_output=True, text=True, timeout=30).stdout.split()
        sizes = {}
        for window in found:
            info = subprocess.run(["xwininfo", "-id", window], env=self.env(), capture_output=True, text=True,
                                  timeout=30).stdout
            values = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
            sizes[window] = int(values.get("Width", 0)) * int(values.get("Height", 0))
        return sorted(found, key=lambda w: -sizes[w])

    def screenshot_x11(self, path, window_name):
        """A PNG of the largest visible X11 window titled `window_name` (a
        regular expression), read from Xwayland; False when there is none,
        or when it is not viewable the moment it is read (being mapped or
        unmapped): the caller asks again."""
        windows = self.x11_windows(window_name)
        if not windows:
            return False
        xwd = subprocess.run(["xwd", "-silent", "-id", windows[0]], env=self.env(), capture_output=True,
                             timeout=30)
        if xwd.returncode != 0:
            return False
        subprocess.run(["/usr/bin/convert", "xwd:-", "png:" + path], input=xwd.stdout, check=True, timeout=30)
        return True


class Sway(_Desktop):
    name = "sway"

    def __init__(self, start, folder):
        """`start` starts and keeps a process (Session.start); `folder` is
        made here."""
        sshd_server.ensure_user(USER)
        # The compositor's user must pass through to its folder.
        os.chmod(os.path.dirname(os.path.abspath(folder)), 0o755)
        self.start = start
        self.folder = folder
        self.runtime = os.path.join(folder, "runtime")  # the compositor's
        self.client_runtime = os.path.join(folder, "client-runtime")  # root's clients'
        for path, owner in ((self.runtime, USER), (self.client_runtime, "root")):
            os.makedirs(path)
            os.chmod(path, 0o700)
            shutil.chown(path, owner)
        os.chmod(folder, 0o755)
        self.display_file = os.path.join(self.runtime, "display")
        config = os.path.join(folder, "sway.config")
        with open(config, "w") as f:
            f.write("output HEADLESS-1 resolution %dx%d\n" % (WIDTH, HEIGHT) +
                    # Xwayland starts with its first client; this one lets
                    # root's clients in and tells the test its display.
                    "exec sh -c 'xhost +si:localuser:root && echo $DISPLAY > %s'\n" % self.display_file)
        os.chmod(config, 0o644)
        self.log = os.path.join(folder, "sway.log")
        env = {"PATH": os.environ["PATH"], "HOME": self.runtime, "XDG_RUNTIME_DIR": self.runtime,
               "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"}
        with open(self.log, "w") as log:
            self.process = start(["sway", "-c", config], env=env, user=USER, group=USER,
                                 extra_groups=[], stdout=log, stderr=log)
        self.socket = self._wait_for_socket()
        self.display = self._wait_for_display()
        # A seat without a keyboard gives no window the focus; the virtual
        # keyboard stays while it sleeps.
        self.keyboard = start(["wtype", "-s", "3600000"], env=self.env())

    def screenshot(self, path):
        """A PNG of the whole screen; True (a failure raises)."""
        subprocess.run(["grim", path], env=self.env(), check=True, timeout=30)
        return True

    def focused_window(self):
        """The window with the keyboard focus, as sway's tree tells it:
        {"title": ..., "dialog": True for a floating one}, or None."""
        sockets = glob.glob(os.path.join(self.runtime, "sway-ipc.*.sock"))
        if not sockets:
            return None
        done = subprocess.run(["swaymsg", "-s", sockets[0], "-t", "get_tree"], capture_output=True, timeout=10)
        if done.returncode != 0:
            return None
        nodes = [json.loads(done.stdout)]
        while nodes:
            node = nodes.pop()
            if node.get("focused") and node.get("type") in ("con", "floating_con"):
                return {"title": node.get("name"), "dialog": node.get("type") == "floating_con"}
            nodes.extend(node.get("nodes", []) + node.get("floating_nodes", []))
        return None


class _DesktopOnItsOwnBus(_Desktop):
    """A GNOME or KDE compositor as root, with a D-Bus session bus of its own
    (its screenshots, keyboard and settings are D-Bus services) and no system
    bus: the same here as on a machine that has one."""

    def _prepare(self, start, folder):
        self.start = start
        self.folder = folder
        os.makedirs(folder)
        self.runtime = _private_folder(os.path.join(folder, "runtime"))  # the compositor's
        self.client_runtime = _private_folder(os.path.join(folder, "client-runtime"))  # the clients'
        self.home = _private_folder(os.path.join(folder, "home"))
        self.display_file = os.path.join(folder, "display")
        self.log = os.path.join(folder, self.name + ".log")
        self.bus_address = self._start_bus()
        self.extra_env = {"DBUS_SESSION_BUS_ADDRESS": self.bus_address}

    def _start_bus(self):
        config = os.path.join(self.folder, "session-bus.conf")
        with open(config, "w") as f:
            # No service folders: nothing is started on demand.
            f.write('<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"\n'
                    ' "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">\n'
                    "<busconfig>\n"
                    "  <type>session</type>\n"
                    "  <listen>unix:path=%s</listen>\n"
                    "  <auth>EXTERNAL</auth>\n"
                    '  <policy context="default">\n'
                    '    <allow send_destination="*" eavesdrop="true"/>\n'
                    '    <allow eavesdrop="true"/>\n'
                    '    <allow own="*"/>\n'
                    "  </policy>\n"
                    "</busconfig>\n" % os.path.join(self.folder, "session-bus"))
        bus = self.start(["dbus-daemon", "--config-file", config, "--nofork", "--print-address"],
                         stdout=subprocess.PIPE, text=True, env={"PATH": os.environ["PATH"]})
        return _read_line(bus, 20, "the D-Bus session bus")

    def _own_env(self, **extra):
        """The environment of the compositor and its helper processes."""
        return dict({"PATH": os.environ["PATH"], "HOME": self.home, "XDG_RUNTIME_DIR": self.runtime,
                     "DBUS_SESSION_BUS_ADDRESS": self.bus_address,
                     "DBUS_SYSTEM_BUS_ADDRESS": "unix:path=" + os.path.join(self.folder, "no-system-bus"),
                     "LANG": "C.UTF-8"}, **extra)

    def _ready_script(self, keep_running):
        """The program the compositor runs once Xwayland takes clients: it
        tells the test its display and X authority. Mutter ends when that
        program ends, so there it lives as long as its parent."""
        script = os.path.join(self.folder, "xwayland-ready.sh")
        with open(script, "w") as f:
            f.write('echo "$DISPLAY ${XAUTHORITY:-}" > %s.new && mv %s.new %s\n'
                    % (self.display_file, self.display_file, self.display_file))
            if keep_running:
                f.write("exec tail --pid=$PPID -f /dev/null\n")
        return script

    def _run_compositor(self, argv, env):
        with open(self.log, "w") as log:
            self.process = self.start(argv, env=env, stdout=log, stderr=log)
        self.socket = self._wait_for_socket()
        display = self._wait_for_display().split()
        self.display = display[0]
        if len(display) > 1:
            self.extra_env["XAUTHORITY"] = display[1]
        else:
            self.dropped_env += ("XAUTHORITY",)

    def _dbus_tool(self, *args, **kwargs):
        return subprocess.run(["/usr/bin/python3", DBUS_TOOL, *args], env=self._own_env(), check=True,
                              timeout=60, **kwargs)


class Mutter(_DesktopOnItsOwnBus):
    """GNOME's compositor; its Xwayland starts with its first X11 client."""

    name = "mutter"

    def __init__(self, start, folder):
        self._prepare(start, folder)
        script = self._ready_script(keep_running=True)
        self._run_compositor(["mutter", "--headless", "--wayland", "--virtual-monitor", "%dx%d" % (WIDTH, HEIGHT),
                              "--wayland-display", "wayland-0", "--", "/bin/sh", script],
                             # Settings from their schemas' defaults, none kept.
                             self._own_env(GSETTINGS_BACKEND="memory"))
        self.keyboard = start(["/usr/bin/python3", DBUS_TOOL, "mutter-keyboard"], env=self._own_env(),
                              stdout=subprocess.PIPE, text=True)
        _read_line(self.keyboard, 30, "mutter's keyboard")
        self.pipewire = None

    def _holds(self, text):
        """Mutter offers no clipboard access without focus: wl-paste maps a
        window of its own to get it, and taking the focus from wl-copy's
        window before wl-copy has set the clipboard makes mutter cancel it.
        Xwayland reads the clipboard without a Wayland window."""
        done = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=self.env(), capture_output=True,
                              text=True, timeout=10)
        return done.returncode == 0 and done.stdout == text

    def _start_pipewire(self):
        """Screen casts go through PipeWire, whose session manager links the
        cast to its reader; both start with the first screenshot."""
        logs = os.path.join(self.folder, "pipewire.log")
        with open(logs, "a") as log:
            self.pipewire = self.start(["pipewire"], env=self._own_env(), stdout=log, stderr=log)
            socket = os.path.join(self.runtime, "pipewire-0")
            self._wait_for("PipeWire socket", lambda: os.path.exists(socket), 20)
            self.start(["wireplumber"], env=self._own_env(), stdout=log, stderr=log)

    def screenshot(self, path):
        """A PNG of the whole screen, native Wayland windows as X11 ones;
        True (a failure raises)."""
        if not self.pipewire:
            self._start_pipewire()
        self._dbus_tool("mutter-screenshot", path)
        return True


class KWin(_DesktopOnItsOwnBus):
    """KDE's compositor. /usr/bin/kwin_wayland carries the file capability
    CAP_SYS_RESOURCE, which a container may refuse to grant at exec; a copy
    has none and runs alike."""

    name = "kwin"

    def __init__(self, start, folder):
        self._prepare(start, folder)
        binary = os.path.join(folder, "kwin_wayland")
        shutil.copy(shutil.which("kwin_wayland"), binary)  # the mode only, not the capability
        script = self._ready_script(keep_running=False)
        self._run_compositor([binary, "--virtual", "--xwayland", "--width", str(WIDTH), "--height", str(HEIGHT),
                              "--socket", "wayland-0", "--no-lockscreen", "--no-global-shortcuts",
                              "--no-kactivities", "/bin/sh " + script],
                             # Screenshots over D-Bus only for callers with a
                             # desktop file granting them, unless this is set.
                             self._own_env(KWIN_SCREENSHOT_NO_PERMISSION_CHECKS="1"))

    def screenshot(self, path):
        """A PNG of the whole screen, native Wayland windows as X11 ones;
        True (a failure raises)."""
        self._dbus_tool("kwin-screenshot", path)
        return True
