#!/usr/bin/python3
"""The real program in a real X server: started with a file argument against
a real FTP server, it uploads the file; a screenshot of the screen then holds
a QR code that zbarimg reads as the file's link.

Usage: xvfb_share_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

velodrop, demo_settings, pyftpd = sys.argv[1:4]
work = tempfile.mkdtemp(prefix="velodrop-xvfb-")
processes = []


def stop_all():
    for p in reversed(processes):
        if p.poll() is None:
            p.send_signal(signal.SIGTERM)
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
    shutil.rmtree(work, ignore_errors=True)


def wait_for(condition, seconds, what):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if condition():
            return
        time.sleep(0.2)
    raise SystemExit("timed out waiting for " + what)


try:
    home = os.path.join(work, "home")
    config = os.path.join(work, "config")
    os.makedirs(home)
    os.makedirs(os.path.join(config, "Velodrop"))
    server = subprocess.Popen(
        ["/usr/bin/python3", pyftpd, "--home", home, "--user", "u", "--password", "p w",
         "--passive-from", "41000", "--passive-to", "41099"],
        stdout=subprocess.PIPE, text=True)
    processes.append(server)
    port = int(server.stdout.readline().split()[1])
    subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", "velodrop_settings.ini"),
                           "127.0.0.1", str(port), "u", "p w", "https://files.example.org/x"])

    shared = os.path.join(work, "report 2026.txt")
    with open(shared, "w") as f:
        f.write("shared through a real window\n")

    display = ":%d" % (90 + os.getpid() % 500)
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                            stderr=subprocess.DEVNULL)
    processes.append(xvfb)
    wait_for(lambda: os.path.exists("/tmp/.X11-unix/X" + display[1:]), 20, "Xvfb")

    env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="xcb")
    program = subprocess.Popen([velodrop, shared], env=env)
    processes.append(program)
    wait_for(lambda: any(n.endswith("_report 2026.txt") for n in os.listdir(home)), 60, "the upload")
    remote = next(n for n in os.listdir(home) if n.endswith("_report 2026.txt"))
    expected = "https://files.example.org/x/" + remote

    shot = os.path.join(work, "screen.png")
    decoded = ""
    deadline = time.time() + 30
    while time.time() < deadline and decoded != expected:
        time.sleep(0.5)
        xwd = subprocess.run(["xwd", "-root", "-silent", "-display", display], capture_output=True, check=True)
        subprocess.run(["/usr/bin/convert", "xwd:-", shot], input=xwd.stdout, check=True)
        decoded = subprocess.run(["zbarimg", "-q", "--raw", "-Sbinary", shot],
                                 capture_output=True).stdout.decode("utf-8", "replace")
    with open(os.path.join(home, remote)) as f:
        uploaded = f.read()
    assert uploaded == "shared through a real window\n", uploaded
    assert decoded == expected, "zbarimg read %r, expected %r" % (decoded, expected)
    assert program.poll() is None, "the program ended early"
    print("OK: the screen shows", decoded)
finally:
    stop_all()
