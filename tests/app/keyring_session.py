#!/usr/bin/python3
"""A private desktop keyring for tests that run in one process: a session
bus of its own that starts nothing on demand, and GNOME Keyring's secrets
on it, its login keyring made and unlocked with a test password. Prints
"DBUS_SESSION_BUS_ADDRESS=<address>" once the keyring answers, then runs
until SIGTERM (or until its parent dies); both daemons end with it.

Usage: keyring_session.py FOLDER"""
import ctypes
import os
import signal
import subprocess
import sys
import time

PR_SET_PDEATHSIG = 1
KEYRING_PASSWORD = "unlock me"
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%s</listen>
  <auth>EXTERNAL</auth>
  %s
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def bus_config(socket, service_folder=None):
    """A session bus's configuration: it listens on `socket` and starts on
    demand only what `service_folder` holds (nothing without one)."""
    services = "<servicedir>%s</servicedir>" % service_folder if service_folder else ""
    return BUS_CONFIG % (socket, services)


def die_with_parent():
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def main(folder):
    die_with_parent()
    os.makedirs(folder, exist_ok=True)
    config = os.path.join(folder, "bus.conf")
    with open(config, "w") as f:
        f.write(bus_config(os.path.join(folder, "socket")))
    children = []
    bus = subprocess.Popen(["dbus-daemon", "--config-file", config, "--nofork", "--print-address"],
                           stdout=subprocess.PIPE, text=True, preexec_fn=die_with_parent,
                           env={"PATH": os.environ["PATH"]})
    children.append(bus)

    def end(*_):
        for child in reversed(children):
            child.terminate()
            child.wait(10)
        sys.exit(0)
    signal.signal(signal.SIGTERM, end)

    address = bus.stdout.readline().strip()
    home = os.path.join(folder, "home")
    os.makedirs(home, exist_ok=True)
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address, HOME=home, XDG_RUNTIME_DIR=folder)
    keyring = subprocess.Popen(["gnome-keyring-daemon", "--foreground", "--unlock",
                                "--components=secrets"], env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               preexec_fn=die_with_parent)
    children.append(keyring)
    keyring.stdin.write(KEYRING_PASSWORD.encode())
    keyring.stdin.close()
    deadline = time.time() + 20
    while time.time() < deadline:
        names = subprocess.run(["dbus-send", "--session", "--dest=org.freedesktop.DBus",
                                "--type=method_call", "--print-reply", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus.ListNames"], env=env, capture_output=True,
                               text=True).stdout
        if '"org.freedesktop.secrets"' in names:
            print("DBUS_SESSION_BUS_ADDRESS=" + address, flush=True)
            while True:
                signal.pause()
        time.sleep(0.1)
    end()


if __name__ == "__main__":
    main(sys.argv[1])
