#!/usr/bin/python3
"""The real program in a real X server: started with a file argument against
a real FTP server, it uploads the file; a screenshot of the screen then holds
a QR code that zbarimg reads as the file's link. With --sftp the server is
OpenSSH's sshd, the host already in known_hosts (so no question stands in
the way) and the login by password.

Usage: xvfb_share_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT [--window-manager] [--sftp]
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sshd_server  # noqa: E402
from xvfb_support import Session, wait_for  # noqa: E402


def run(velodrop, demo_settings, pyftpd, window_manager=False, sftp=False):
    if sftp and sshd_server.unusable():
        print("SKIP:", sshd_server.unusable())
        sys.exit(77)
    with Session(pyftpd) as s:
        extra_env = {}
        if sftp:
            server = s.start_sftp()
            home = server.root
            config = s.sftp_config("config", demo_settings, server, sshd_server.PASSWORD,
                                   "https://files.example.org/x")
            extra_env["HOME"] = s.ssh_home("ssh-home")
            with open(os.path.join(extra_env["HOME"], ".ssh", "known_hosts"), "w") as f:
                f.write(server.known_hosts_line + "\n")
        else:
            home, port = s.start_ftp("u", "p w")
            config = s.config_folder()
            subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", "velodrop_settings.ini"),
                                   "127.0.0.1", str(port), "u", "p w", "https://files.example.org/x"])
        shared = s.path("report 2026.txt")
        with open(shared, "w") as f:
            f.write("shared through a real window\n")
        s.start_xvfb()
        if window_manager:
            s.start_window_manager()
        env = s.program_env(config, **extra_env)
        env.pop("SSH_AUTH_SOCK", None)
        program = s.start([velodrop, shared], env=env)

        wait_for(lambda: any(n.endswith("_report 2026.txt") for n in os.listdir(home)), 60, "the upload")
        remote = next(n for n in os.listdir(home) if n.endswith("_report 2026.txt"))
        expected = "https://files.example.org/x/" + remote
        decoded = ""
        deadline = time.time() + 30
        while time.time() < deadline and decoded != expected:
            time.sleep(0.5)
            decoded = s.read_screen_qr()
        with open(os.path.join(home, remote)) as f:
            assert f.read() == "shared through a real window\n"
        assert decoded == expected, "zbarimg read %r, expected %r" % (decoded, expected)
        assert program.poll() is None, "the program ended early"
        print("OK: the screen shows", decoded)


if __name__ == "__main__":
    run(*sys.argv[1:4], window_manager="--window-manager" in sys.argv[4:], sftp="--sftp" in sys.argv[4:])
