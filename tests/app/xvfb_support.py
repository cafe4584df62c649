"""Helpers for tests that run the real program: a pyftpdlib server, OpenSSH's
sshd (sshd_server.py), an Xvfb display and screenshots read by zbarimg.
Every process started here is stopped by its process id."""
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

import sshd_server


def wait_for(condition, seconds, what):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if condition():
            return
        time.sleep(0.2)
    raise SystemExit("timed out waiting for " + what)


def set_ini_value(path, section, key, value):
    """Sets an existing key of the settings file, leaving every other line as
    it is (the demo-settings helper knows no folder)."""
    with open(path, newline="") as f:
        lines = f.read().splitlines(keepends=True)
    current = None
    for i, line in enumerate(lines):
        stripped = line.strip()
        if stripped.startswith("[") and stripped.endswith("]"):
            current = stripped[1:-1]
        elif current == section and stripped.split("=", 1)[0] == key:
            ending = line[len(line.rstrip("\r\n")):]
            lines[i] = "%s=%s%s" % (key, value, ending)
            break
    else:
        raise SystemExit("no %s in [%s] of %s" % (key, section, path))
    with open(path, "w", newline="") as f:
        f.write("".join(lines))


class Session:
    def __init__(self, pyftpd):
        self.pyftpd = pyftpd
        self.work = tempfile.mkdtemp(prefix="velodrop-xvfb-")
        self.processes = []
        self.display = None
        # Every program the test starts keeps its record of shares here, not
        # in the data folder of whoever runs the tests.
        os.environ["XDG_DATA_HOME"] = self.path("data")
        # ... and no keyring unless the test brings its own: nothing reaches
        # the keyring of whoever runs the tests.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + self.path("no-session-bus")
        self._install_stand_in_browser()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        for p in reversed(self.processes):
            if p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def _install_stand_in_browser(self):
        """Makes a script that writes down each link it is given the desktop's
        web browser, the way a desktop chooses one: a menu entry in the data
        folder and the default handlers in its mimeapps.list, which xdg-open
        and GIO read. Whatever browser the machine has is never started."""
        self.opened_file = self.path("browser-opened.txt")
        script = self.path("browser.sh")
        with open(script, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' % self.opened_file)
        os.chmod(script, 0o755)
        applications = os.path.join(os.environ["XDG_DATA_HOME"], "applications")
        os.makedirs(applications)
        kinds = ("x-scheme-handler/http", "x-scheme-handler/https", "text/html")
        with open(os.path.join(applications, "test-browser.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Test browser\n"
                    "Exec=%s %%u\nMimeType=%s;\n" % (script, ";".join(kinds)))
        with open(os.path.join(applications, "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\n" +
                    "".join("%s=test-browser.desktop\n" % kind for kind in kinds))
        # Where no xdg-open is installed, Qt asks $BROWSER.
        os.environ["BROWSER"] = script

    def opened_links(self):
        """The links the browser was asked to open so far, oldest first."""
        if not os.path.exists(self.opened_file):
            return []
        with open(self.opened_file) as f:
            return f.read().splitlines()

    def start(self, argv, **kwargs):
        p = subprocess.Popen(argv, **kwargs)
        self.processes.append(p)
        return p

    def start_ftp(self, user, password, *options):
        """Starts the server over a fresh home folder, with further options of
        pyftpd_server.py; returns (home, port)."""
        home = self.path("home")
        os.makedirs(home)
        server = self.start(["/usr/bin/python3", self.pyftpd, "--home", home, "--user", user,
                             "--password", password, *options],
                            stdout=subprocess.PIPE, text=True)
        return home, int(server.stdout.readline().split()[1])

    def start_sftp(self, password_login=True):
        """sshd over a fresh folder; returns its sshd_server.SftpServer (root
        folder, port, host key fingerprint, known_hosts line, log)."""
        self.sshd_count = getattr(self, "sshd_count", 0) + 1
        # Sessions run as the server's user, which must pass through to their folder.
        os.chmod(self.work, 0o755)
        return sshd_server.start_sshd(self.start, self.path("sshd-%d" % self.sshd_count),
                                      password_login)

    def ssh_home(self, name):
        """A folder for HOME with an empty .ssh (0700)."""
        return sshd_server.client_home(self.path(name))

    def key_login_home(self, name, server):
        """A folder for HOME whose default key `server` takes and whose
        known_hosts trusts `server`: a login without a question."""
        home = self.ssh_home(name)
        server.authorize(sshd_server.make_key(os.path.join(home, ".ssh", "id_ed25519")) + ".pub")
        with open(os.path.join(home, ".ssh", "known_hosts"), "w") as f:
            f.write(server.known_hosts_line + "\n")
        return home

    def start_ssh_agent(self, name="agent"):
        """ssh-agent on a socket of its own; returns the socket's path."""
        return sshd_server.start_agent(self.start, self.path(name))

    def sftp_config(self, name, demo_settings, server, password, base, directory=""):
        """A configuration folder whose settings select SFTP on the server;
        returns it (the value for XDG_CONFIG_HOME)."""
        config = self.path(name)
        ini = os.path.join(config, "Velodrop", "velodrop_settings.ini")
        subprocess.check_call([demo_settings, ini, "sftp://127.0.0.1", str(server.port),
                               sshd_server.USER, password, base])
        if directory:
            set_ini_value(ini, "FTP", "Directory", directory)
        return config

    def start_xvfb(self):
        """Xvfb on a display number it picks itself: with -displayfd it takes
        the first free number and writes it to the descriptor once it accepts
        clients, so no guessed number can meet another test's X server.
        -noreset: by default the server resets when its last client leaves,
        and a client that connects meanwhile is refused."""
        log_path = self.path("xvfb.log")
        read_end, write_end = os.pipe()
        with os.fdopen(read_end) as numbers, open(log_path, "w") as log:
            try:
                xvfb = self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x600x24",
                                   "-nolisten", "tcp", "-noreset"],
                                  stderr=log, pass_fds=(write_end,))
            finally:
                os.close(write_end)
            # Xvfb holds the only write end: at its end the read gives "".
            ready = select.select([numbers], [], [], 20)[0]
            number = numbers.readline().strip() if ready else ""
        if not number.isdigit():
            with open(log_path) as log:
                raise SystemExit("Xvfb did not start (exit code %r): %s" % (xvfb.poll(), log.read()))
        self.display = ":" + number

    def start_window_manager(self):
        """Openbox on the display: windows are then managed and activated."""
        self.start(["openbox", "--sm-disable"], env=dict(os.environ, DISPLAY=self.display),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)

    def config_folder(self):
        config = self.path("config")
        os.makedirs(os.path.join(config, "Velodrop"), exist_ok=True)
        return config

    def program_env(self, config, **extra):
        return dict(os.environ, DISPLAY=self.display, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="xcb", **extra)

    def read_screen_qr(self):
        """The text of the QR code on the screen, or empty text."""
        shot = self.path("screen.png")
        xwd = subprocess.run(["xwd", "-root", "-silent", "-display", self.display], capture_output=True, check=True)
        subprocess.run(["/usr/bin/convert", "xwd:-", shot], input=xwd.stdout, check=True)
        out = subprocess.run(["zbarimg", "-q", "--raw", "-Sbinary", shot], capture_output=True).stdout
        return out.decode("utf-8", "replace")
