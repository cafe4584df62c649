"""OpenSSH's sshd as a real SFTP server for the tests that run the real
program, and the client's side of SSH: a HOME with keys and known_hosts, an
ssh-agent. The same recipe as the C++ fixture (tests/support/SshdServer.h):
a system user with one constant password (sshd with UsePAM no refuses a
locked account, and two test processes may start servers at once), a folder
per server holding an ed25519 host key made at start, the configuration,
authorized_keys and the folder every session starts in (internal-sftp, no
shell). sshd refuses port 0: a free port is picked here, and the next one
when another process wins it first. Every process is started through the
caller's `start` (a Session's), which stops it by its process id.
"""
import os
import socket
import subprocess
import time

USER = "velodrop-sftp"
PASSWORD = "velodrop-sftp-password"
SSHD = "/usr/sbin/sshd"


def unusable():
    """Why this machine cannot run sshd for a test; empty when it can."""
    if os.geteuid() != 0:
        return "sshd logs in a local user: the test needs root"
    if not os.access(SSHD, os.X_OK):
        return SSHD + " is not installed (openssh-server)"
    return ""


def ensure_user(user=USER, shell="/usr/sbin/nologin"):
    if subprocess.run(["getent", "passwd", user], capture_output=True).returncode != 0:
        # Two test processes may race here; the loser finds the user made.
        made = subprocess.run(["useradd", "--system", "--home-dir", "/nonexistent", "--shell",
                               shell, user], capture_output=True, text=True)
        if subprocess.run(["getent", "passwd", user], capture_output=True).returncode != 0:
            raise SystemExit("useradd %s failed: %s" % (user, made.stderr))
    if user == USER:
        subprocess.run(["chpasswd"], input="%s:%s\n" % (USER, PASSWORD), text=True, check=True)
    else:
        # No password opens it, and it is not locked (sshd refuses a
        # locked account even to a key): keys only.
        subprocess.run(["usermod", "-p", "*", user], check=True)


def listening_port(pid):
    """The port of the TCP socket the process listens on; 0 while it has none."""
    inodes = set()
    try:
        for fd in os.listdir("/proc/%d/fd" % pid):
            target = os.readlink("/proc/%d/fd/%s" % (pid, fd))
            if target.startswith("socket:["):
                inodes.add(target[8:-1])
    except OSError:
        return 0
    with open("/proc/net/tcp") as table:
        next(table)
        for line in table:
            fields = line.split()
            if fields[3] == "0A" and fields[9] in inodes:
                return int(fields[1].split(":")[1], 16)
    return 0


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def fingerprint(public_key_file):
    """"SHA256:..." as `ssh-keygen -lf` prints it."""
    out = subprocess.run(["ssh-keygen", "-lf", public_key_file], capture_output=True, text=True,
                         check=True).stdout
    return out.split()[1]


def make_key(path, passphrase=""):
    """An ed25519 key pair: path and path + ".pub"."""
    subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", passphrase, "-C",
                    "velodrop-test-client", "-f", path], check=True)
    return path


class SftpServer:
    def __init__(self, folder, port, process):
        self.folder = folder
        self.root = os.path.join(folder, "root")
        self.port = port
        self.process = process
        self.host_key = os.path.join(folder, "host_key.pub")
        self.fingerprint = fingerprint(self.host_key)
        with open(self.host_key) as f:
            key_type, key = f.read().split()[:2]
        self.known_hosts_line = "[127.0.0.1]:%d %s %s" % (port, key_type, key)

    def authorize(self, public_key_file):
        with open(public_key_file) as key, open(os.path.join(self.folder, "authorized_keys"), "a") as keys:
            keys.write(key.read().strip() + "\n")

    def log(self):
        """sshd's log so far, at DEBUG1: logins with their method and key,
        each authentication request, the negotiated cipher."""
        with open(os.path.join(self.folder, "sshd.log"), errors="replace") as f:
            return f.read()

    def files(self):
        """Every file and folder below the start folder, as relative paths."""
        found = set()
        for top, folders, names in os.walk(self.root):
            for n in folders + names:
                found.add(os.path.relpath(os.path.join(top, n), self.root))
        return found


def start_sshd(start, folder, password_login=True, command=None, make=SftpServer, user=USER):
    """sshd over a fresh folder (created here); returns an SftpServer (or
    what `make` makes of the same arguments). Each session runs
    internal-sftp in the root folder, or `command` (a command line for
    sshd's ForceCommand, run by `user`'s shell) instead."""
    ensure_user(user, "/bin/sh" if command else "/usr/sbin/nologin")
    os.makedirs("/run/sshd", mode=0o755, exist_ok=True)
    os.makedirs(folder)
    # The session, running as the user, must pass through to its start folder.
    os.chmod(folder, 0o755)
    root = os.path.join(folder, "root")
    os.makedirs(root)
    subprocess.run(["chown", user, root], check=True)
    open(os.path.join(folder, "authorized_keys"), "w").close()
    subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "velodrop-test-host",
                    "-f", os.path.join(folder, "host_key")], check=True)
    config = os.path.join(folder, "sshd_config")
    log_path = os.path.join(folder, "sshd.log")
    for _ in range(10):
        port = free_port()
        with open(config, "w") as f:
            f.write("ListenAddress 127.0.0.1:%d\n" % port
                    + "HostKey %s/host_key\n" % folder
                    + "PidFile none\n"
                    + "StrictModes no\n"
                    + "UsePAM no\n"
                    + "AuthorizedKeysFile %s/authorized_keys\n" % folder
                    + "PasswordAuthentication %s\n" % ("yes" if password_login else "no")
                    + "KbdInteractiveAuthentication no\n"
                    + "AllowUsers %s\n" % user
                    + "ForceCommand %s\n" % (command or "internal-sftp -d " + root)
                    + "Subsystem sftp internal-sftp\n"
                    + "LogLevel DEBUG1\n")
        with open(log_path, "w") as log:
            sshd = start([SSHD, "-D", "-e", "-f", config], stdin=subprocess.DEVNULL,
                         stdout=log, stderr=log)
        deadline = time.time() + 20
        while time.time() < deadline:
            if sshd.poll() is not None:
                break
            if listening_port(sshd.pid) == port:
                return make(folder, port, sshd)
            time.sleep(0.02)
        with open(log_path) as f:
            log_text = f.read()
        if sshd.poll() is None or "Address already in use" not in log_text:
            raise SystemExit("sshd did not start: " + log_text)
    raise SystemExit("sshd found no free port in 10 tries")


def client_home(folder):
    """A folder for HOME with an empty .ssh (0700) in it; returns it."""
    os.makedirs(os.path.join(folder, ".ssh"), mode=0o700)
    return folder


def start_agent(start, folder):
    """ssh-agent in the foreground on a socket in folder; returns the socket."""
    os.makedirs(folder, exist_ok=True)
    sock = os.path.join(folder, "agent.sock")
    agent = start(["ssh-agent", "-D", "-a", sock], stdin=subprocess.DEVNULL,
                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    # Printed once the socket listens.
    if not agent.stdout.readline().startswith("SSH_AUTH_SOCK="):
        raise SystemExit("ssh-agent did not start")
    return sock


def add_to_agent(sock, key, passphrase=""):
    """ssh-add; a passphrase through SSH_ASKPASS, as no terminal is there."""
    env = dict(os.environ, SSH_AUTH_SOCK=sock)
    if passphrase:
        askpass = os.path.join(os.path.dirname(sock), "askpass")
        with open(askpass + ".txt", "w") as f:
            f.write(passphrase + "\n")
        with open(askpass, "w") as f:
            f.write("#!/bin/sh\nexec cat '%s.txt'\n" % askpass)
        os.chmod(askpass, 0o700)
        env.update(SSH_ASKPASS=askpass, SSH_ASKPASS_REQUIRE="force")
    subprocess.run(["ssh-add", key], env=env, stdin=subprocess.DEVNULL, capture_output=True,
                   check=True, timeout=20)


# sshd runs a command through the user's shell: the scripted server needs a
# user with one. Keys only, so that nothing else can log in as it.
SCRIPTED_USER = "velodrop-sftp-script"
SCRIPTED_SFTP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sftp_script_server.py")


class ScriptedSftpServer(SftpServer):
    """sshd whose sessions speak SFTP through sftp_script_server.py: each new
    session behaves as the last set_mode said ("real" is OpenSSH's
    sftp-server in the root folder)."""

    def set_mode(self, mode):
        with open(os.path.join(self.folder, "sftp-mode"), "w") as f:
            f.write(mode + "\n")


def start_scripted_sshd(start, folder, mode="real"):
    """Like start_sshd, with the scripted SFTP server as each session's
    command, for SCRIPTED_USER with an authorized key; returns a
    ScriptedSftpServer."""
    command = "/usr/bin/python3 %s %s %s" % (SCRIPTED_SFTP, os.path.join(folder, "sftp-mode"),
                                             os.path.join(folder, "root"))
    server = start_sshd(start, folder, password_login=False, command=command,
                        make=ScriptedSftpServer, user=SCRIPTED_USER)
    server.set_mode(mode)
    return server
