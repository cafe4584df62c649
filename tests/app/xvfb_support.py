"""Helpers for tests that run the real program: a pyftpdlib server, an Xvfb
display and screenshots read by zbarimg. Every process started here is
stopped by its process id."""
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time


def wait_for(condition, seconds, what):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if condition():
            return
        time.sleep(0.2)
    raise SystemExit("timed out waiting for " + what)


class Session:
    def __init__(self, pyftpd):
        self.pyftpd = pyftpd
        self.work = tempfile.mkdtemp(prefix="velodrop-xvfb-")
        self.processes = []
        self.display = None

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
