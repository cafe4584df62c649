#!/usr/bin/python3
"""The password in the desktop's keyring, against the real program, a real
FTP server and a real GNOME Keyring (gnome-keyring-daemon on a private
session bus, unlocked with a test password):

- A settings file that holds a scrambled password logs in as before, and
  the password moves into the keyring: the file keeps an empty Password=
  and says where it is. The next process logs in with the keyring's.
- With the password in the keyring, it stands neither in the settings file
  nor in the traffic log nor on a command line.
- A locked keyring asks its own unlock question (GNOME's prompter on an
  X display): answered, the share goes on with the keyring's password;
  cancelled, nothing is sent.
- A locked keyring whose unlock is not answered, a session bus without a
  keyring, no session bus at all, and a keyring that never answers: nothing
  is sent to the server (the traffic log holds no USER or PASS) and the
  message says why; a file that still holds a scrambled password logs in
  with it, and the traffic log holds it as little as the keyring's.

Usage: keyring_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT
"""
import glob
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from keyring_session import KEYRING_PASSWORD, bus_config  # noqa: E402
from xvfb_support import Session, wait_for  # noqa: E402

PASSWORD = "kEy-ring Pässwort 42"
BASE = "https://files.example.org/x"
SILENT_SERVICE = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                              "silent_secret_service.py")


PROMPTER_SERVICE = "/usr/share/dbus-1/services/org.gnome.keyring.SystemPrompter.service"


class Bus:
    """A session bus of its own. Nothing starts on demand, so a keyring is
    there only when the test starts one; with `prompter_display`, GNOME's
    unlock prompter is started on demand on that X display."""

    def __init__(self, s, name, prompter_display=None):
        self.s = s
        self.folder = s.path(name)
        os.makedirs(self.folder)
        service_folder, bus_env = None, {"PATH": os.environ["PATH"]}
        if prompter_display:
            service_folder = os.path.join(self.folder, "services")
            os.makedirs(service_folder)
            shutil.copy(PROMPTER_SERVICE, service_folder)
            bus_env["DISPLAY"] = prompter_display
        config = os.path.join(self.folder, "bus.conf")
        with open(config, "w") as f:
            f.write(bus_config(os.path.join(self.folder, "socket"), service_folder))
        bus = s.start(["dbus-daemon", "--config-file", config, "--nofork", "--print-address"],
                      stdout=subprocess.PIPE, text=True, env=bus_env)
        self.address = bus.stdout.readline().strip()
        assert self.address, "the session bus did not start"
        self.home = os.path.join(self.folder, "home")
        os.makedirs(self.home)
        self.env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.address, HOME=self.home,
                        XDG_RUNTIME_DIR=self.folder)

    def owned(self, name):
        names = subprocess.run(["dbus-send", "--session", "--dest=org.freedesktop.DBus",
                                "--type=method_call", "--print-reply", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus.ListNames"], env=self.env,
                               capture_output=True, text=True).stdout
        return ('"%s"' % name) in names

    def start_keyring(self):
        """GNOME Keyring's secrets, its login keyring made and unlocked with
        the test password."""
        keyring = self.s.start(["gnome-keyring-daemon", "--foreground", "--unlock",
                                "--components=secrets"], env=self.env, stdin=subprocess.PIPE,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        keyring.stdin.write(KEYRING_PASSWORD.encode())
        keyring.stdin.close()
        wait_for(lambda: self.owned("org.freedesktop.secrets"), 20, "GNOME Keyring on the bus")
        return keyring

    def lock_keyring(self):
        subprocess.run(["dbus-send", "--session", "--dest=org.freedesktop.secrets",
                        "--type=method_call", "--print-reply", "/org/freedesktop/secrets",
                        "org.freedesktop.Secret.Service.Lock",
                        "array:objpath:/org/freedesktop/secrets/collection/login"],
                       env=self.env, check=True, capture_output=True)

    def start_silent_keyring(self):
        silent = self.s.start(["/usr/bin/python3", SILENT_SERVICE], env=self.env,
                              stdout=subprocess.PIPE, text=True)
        assert silent.stdout.readline().strip() == "ready", "the silent keyring did not start"


class Program:
    """The program with a settings folder of its own, on a bus (or none)."""

    def __init__(self, s, velodrop, demo_settings, port, name):
        self.s, self.velodrop = s, velodrop
        self.config = s.path(name)
        self.ini = os.path.join(self.config, "Velodrop", "velodrop_settings.ini")
        self.log = os.path.join(self.config, "Velodrop", "ftp.log")
        subprocess.check_call([demo_settings, self.ini, "127.0.0.1", str(port), "u", PASSWORD,
                               BASE])
        with open(self.ini, "a") as f:
            f.write("Log=1\n")  # the demo file ends in its [Common] section

    def settings(self):
        with open(self.ini, encoding="utf-8") as f:
            return f.read()

    def key(self, name):
        for line in self.settings().splitlines():
            if line.startswith(name + "="):
                return line[len(name) + 1:]
        return None

    def start_share(self, bus, name):
        env = dict(bus.env, XDG_CONFIG_HOME=self.config, LANG="C")
        env.pop("DISPLAY", None)
        path = self.s.path(name)
        with open(path, "w") as f:
            f.write("shared " + name)
        return subprocess.Popen([self.velodrop, "--cli", path], env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def share(self, bus, name, **extra_env):
        env = dict(bus.env if bus else os.environ, XDG_CONFIG_HOME=self.config, LANG="C",
                   **extra_env)
        for variable in ("DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(variable, None)
        if bus is None:
            # Nor the bus of whoever runs the tests, at its usual place.
            env.pop("DBUS_SESSION_BUS_ADDRESS", None)
            env["XDG_RUNTIME_DIR"] = self.s.path("runtime-without-bus")
            os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        path = self.s.path(name)
        with open(path, "w") as f:
            f.write("shared " + name)
        return subprocess.run([self.velodrop, "--cli", path], env=env, capture_output=True,
                              timeout=120, stdin=subprocess.DEVNULL)

    def logged_in(self):
        """Whether the last run's traffic log holds a login (every run starts
        a new log)."""
        if not os.path.exists(self.log):
            return False
        with open(self.log, encoding="utf-8", errors="replace") as f:
            text = f.read()
        return "USER u" in text


def assert_shared(done):
    assert done.returncode == 0, done.stderr.decode()
    assert done.stdout.decode().splitlines()[-1].startswith(BASE + "/velodrop_"), done.stdout


def assert_refused(program, done, words):
    err = done.stderr.decode()
    assert done.returncode == 1, (done.returncode, err)
    assert words in err, err
    assert not program.logged_in(), "a login went to the server without its password"


def keyring_holds_the_password(s, velodrop, demo_settings, port, home):
    bus = Bus(s, "bus-keyring")
    bus.start_keyring()
    program = Program(s, velodrop, demo_settings, port, "config-keyring")
    scrambled = program.key("Password")
    assert scrambled, "the demo settings hold a scrambled password"

    # The file's password logs in and moves into the keyring.
    assert_shared(program.share(bus, "first.txt"))
    assert program.logged_in()
    assert program.key("Password") == "", program.settings()
    assert program.key("PasswordStore") == "keyring", program.settings()
    # The next process has only the keyring's password: it logs in with it.
    assert_shared(program.share(bus, "second.txt"))
    assert sorted(f.split("_", 2)[2] for f in os.listdir(home)) == ["first.txt", "second.txt"]

    # Nowhere in clear: not in the file (nor scrambled), not in the log, not
    # on the command line of a run.
    for text in (program.settings(), open(program.log, encoding="utf-8").read()):
        assert PASSWORD not in text and scrambled not in text, text
    assert "PASS ********" in open(program.log, encoding="utf-8").read()
    env = dict(bus.env, XDG_CONFIG_HOME=program.config, LANG="C")
    env.pop("DISPLAY", None)
    big = s.path("big.bin")
    with open(big, "wb") as f:
        f.write(os.urandom(3 << 20))
    running = subprocess.Popen([velodrop, "--cli", big], env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    try:
        with open("/proc/%d/cmdline" % running.pid, "rb") as f:
            assert PASSWORD.encode() not in f.read()
    finally:
        running.communicate(timeout=120)
    assert running.returncode == 0
    print("ok: the keyring holds the password, the file and the log do not")

    # Locked, and nobody answers the unlock question (the bus starts no
    # prompter): a clear message, and no login with an empty password.
    bus.lock_keyring()
    assert_refused(program, program.share(bus, "locked.txt"), "did not give it")
    print("ok: a locked keyring gives a message, not an empty password")
    return program


def unlock_question(s, velodrop, demo_settings, port):
    """GNOME Keyring's own unlock question, answered on the X display."""
    if not os.path.exists(PROMPTER_SERVICE):
        raise SystemExit("GNOME's keyring prompter (gcr) is not installed")
    s.start_xvfb()
    bus = Bus(s, "bus-prompter", prompter_display=s.display)
    bus.start_keyring()
    program = Program(s, velodrop, demo_settings, port, "config-prompter")
    assert_shared(program.share(bus, "moved.txt"))
    assert program.key("PasswordStore") == "keyring"
    for answer, keys in (("unlocked", ["type:" + KEYRING_PASSWORD, "key:Return"]),
                         ("cancelled", ["key:Escape"])):
        bus.lock_keyring()
        running = program.start_share(bus, answer + ".txt")
        found = []

        def prompt_shown():
            found[:] = subprocess.run(["xdotool", "search", "--name", "Unlock"],
                                      env=dict(os.environ, DISPLAY=s.display),
                                      capture_output=True, text=True).stdout.split()
            return found
        wait_for(prompt_shown, 30, "the keyring's unlock question")
        assert running.poll() is None, "the share did not wait for the unlock"
        display = dict(os.environ, DISPLAY=s.display)
        subprocess.run(["xdotool", "windowfocus", "--sync", found[0]], env=display, check=True)
        for key in keys:
            kind, value = key.split(":", 1)
            command = ["type", "--delay", "20", value] if kind == "type" else ["key", value]
            subprocess.run(["xdotool", *command], env=display, check=True)
        out, err = running.communicate(timeout=60)
        done = subprocess.CompletedProcess(running.args, running.returncode, out, err)
        if answer == "unlocked":
            assert_shared(done)
            assert program.logged_in()
        else:
            assert_refused(program, done, "did not give it")
        print("ok: the keyring's unlock question %s" % answer)


def without_a_keyring(s, velodrop, demo_settings, port, in_keyring):
    bus = Bus(s, "bus-empty")
    # The password is in a keyring that is not there.
    assert_refused(in_keyring, in_keyring.share(bus, "no keyring.txt"), "did not answer (")
    assert_refused(in_keyring, in_keyring.share(None, "no bus.txt"), "did not answer (")
    # A file that holds its password works as it always did, and stays so.
    program = Program(s, velodrop, demo_settings, port, "config-no-keyring")
    before = program.settings()
    assert_shared(program.share(bus, "file password.txt"))
    # The file's password is no more in the traffic log than the keyring's.
    with open(program.log, encoding="utf-8") as f:
        log = f.read()
    assert "PASS ********" in log and PASSWORD not in log, log
    # Without a bus no keyring is asked: neither libsecret nor GLib loads.
    trace = s.path("loaded")
    assert_shared(program.share(None, "file password, no bus.txt", LD_DEBUG="files",
                                LD_DEBUG_OUTPUT=trace))
    loaded = ""
    for path in glob.glob(trace + ".*"):
        with open(path, errors="replace") as f:
            loaded += f.read()
    assert "libQt6Core.so" in loaded and "libsecret" not in loaded, loaded[-2000:]
    assert program.settings() == before, program.settings()
    print("ok: without a keyring, the file's password as before; the keyring's is missed clearly")


def silent_keyring(s, velodrop, demo_settings, port, in_keyring):
    bus = Bus(s, "bus-silent")
    bus.start_silent_keyring()
    started = time.monotonic()
    done = in_keyring.share(bus, "silent.txt", VELODROP_TEST_KEYRING_TIMEOUT_SECONDS="2")
    took = time.monotonic() - started
    assert_refused(in_keyring, done, "did not answer within 2 s")
    assert took < 15, took
    # A file that still holds the scrambled password next to the keyring's
    # place uses it when the keyring does not answer.
    fallback = Program(s, velodrop, demo_settings, port, "config-fallback")
    with open(fallback.ini, "a") as f:
        f.write("[FTP]\nPasswordStore=keyring\n")
    assert_shared(fallback.share(bus, "fallback.txt", VELODROP_TEST_KEYRING_TIMEOUT_SECONDS="2"))
    print("ok: a keyring that never answers costs its time limit, then the file's password")


def run(velodrop, demo_settings, pyftpd):
    for tool in ("gnome-keyring-daemon", "dbus-daemon", "dbus-send", "xdotool", "Xvfb"):
        if not shutil.which(tool):
            raise SystemExit(tool + " is not installed")
    with Session(pyftpd) as s:
        home, port = s.start_ftp("u", PASSWORD)
        in_keyring = keyring_holds_the_password(s, velodrop, demo_settings, port, home)
        unlock_question(s, velodrop, demo_settings, port)
        without_a_keyring(s, velodrop, demo_settings, port, in_keyring)
        silent_keyring(s, velodrop, demo_settings, port, in_keyring)
    print("OK: the password in the keyring")
    return 0


if __name__ == "__main__":
    sys.exit(run(*sys.argv[1:4]))
