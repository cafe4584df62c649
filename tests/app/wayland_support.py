"""A Wayland desktop for tests of the real program: sway on its headless
backend, as a system user of its own (a compositor does not run as root),
with Xwayland and a virtual keyboard, so that windows get the keyboard focus
as on a desktop with a user at it.

The program and the tools (wl-paste, grim, xclip) run as root and reach the
compositor through the absolute path of its socket; its Xwayland lets root
in. Every process started here is stopped by its process id."""
import os
import shutil
import subprocess
import time

import sshd_server

USER = "velodrop-wayland"


def unusable():
    """Why no sway can run here, or empty text."""
    for tool in ("sway", "wtype", "grim", "wl-paste", "xhost", "Xwayland"):
        if not shutil.which(tool):
            return tool + " is not installed"
    if os.geteuid() != 0:
        return "the compositor's user is made by root"
    return ""


class Sway:
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
            f.write("output HEADLESS-1 resolution 800x600\n"
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

    def _wait_for(self, what, found):
        deadline = time.time() + 30
        while time.time() < deadline:
            value = found()
            if value:
                return value
            if self.process.poll() is not None:
                break
            time.sleep(0.1)
        with open(self.log) as f:
            raise SystemExit("sway gave no %s (exit %r): %s" % (what, self.process.poll(), f.read()[-3000:]))

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
                   DISPLAY=self.display, **extra)
        env.pop("QT_QPA_PLATFORM", None)
        return env

    def screenshot(self, path):
        subprocess.run(["grim", path], env=self.env(), check=True, timeout=30)
