#!/usr/bin/python3
"""The record of shares against the real program and real servers: what the
server's folder holds and what `velodrop --history --json` says.

- A window that asked for removal at exit and was killed (SIGKILL, after its
  upload or during it) leaves its file; the next start, a `--cli` share or
  another window, deletes it. A window that ends normally removes its file
  itself or keeps it, as its settings say, and the next start leaves that as
  it is; a `--cli` share is never removed at a run's exit.
- With DeleteAfterDays=7, a start eight days later (libfaketime) deletes the
  share that expired and keeps the one made three days later.
- Shares made by processes running at once are all recorded.
- A corrupt record, and a data folder that cannot be made, cost the record
  and not the share; the user is told once, and --history fails saying why.
- --history shows a share, --delete LINK deletes it from its server; a link
  never shared, and a share on another server than the settings', are
  refused and stay.
- An upload that the server cuts (a TCP reset) leaves no file: the share
  deletes what arrived while its session works, else the next start does.
  A window killed during its upload leaves nothing either, whatever its
  settings said.
- Rows planted in the record with names this program never makes
  ("../victim.txt", "/victim.txt", "notours.txt", ...) are deleted neither by
  a start nor by --delete; the files they name survive.

With --sftp the killed window and the history round trip run over OpenSSH's
sshd (needs root: 77 means skipped); without, everything over pyftpdlib.

Usage: share_record_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT [--sftp]
"""
import collections
import datetime
import json
import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sshd_server  # noqa: E402
from xvfb_support import Session, set_ini_value, wait_for  # noqa: E402

# Nothing answers there, at once: the window's link check ends without waiting.
BASE = "http://127.0.0.1:1/files"
TROUBLE = ("The record of shares could not be kept, so shares may not be deleted as set; "
           "sharing goes on. ")
DAY = datetime.timedelta(days=1)


class FtpServer:
    """pyftpdlib over a folder of its own (or another server's)."""

    transport = "ftp"

    def __init__(self, s, pyftpd, name, *options, root=None):
        self.root = root or s.path(name)
        os.makedirs(self.root, exist_ok=True)
        process = s.start(["/usr/bin/python3", pyftpd, "--home", self.root, "--user", "u",
                           "--password", "p w", *options], stdout=subprocess.PIPE, text=True)
        self.port = int(process.stdout.readline().split()[1])

    def write_settings(self, demo_settings, ini):
        subprocess.check_call([demo_settings, ini, "127.0.0.1", str(self.port), "u", "p w", BASE])

    def known_hosts(self):
        return ""


class SftpServer:
    """OpenSSH's sshd; a second one may serve the first one's folder."""

    transport = "sftp"

    def __init__(self, s, root_of=None):
        self.sshd = s.start_sftp()
        if root_of:
            os.rmdir(self.sshd.root)
            os.symlink(root_of.root, self.sshd.root)
        self.root = self.sshd.root
        self.port = self.sshd.port

    def write_settings(self, demo_settings, ini):
        subprocess.check_call([demo_settings, ini, "sftp://127.0.0.1", str(self.port),
                               sshd_server.USER, sshd_server.PASSWORD, BASE])

    def known_hosts(self):
        return self.sshd.known_hosts_line + "\n"


def files(server):
    return set(os.listdir(server.root))


class Setup:
    """One scenario's settings and record (a data folder of its own) for
    `server`; runs the program with them."""

    def __init__(self, s, velodrop, demo_settings, server, name, **common):
        self.s, self.velodrop, self.server = s, velodrop, server
        self.config = s.path(name, "config")
        self.data = s.path(name, "data")
        self.ini = os.path.join(self.config, "Velodrop", "velodrop_settings.ini")
        server.write_settings(demo_settings, self.ini)
        set_ini_value(self.ini, "Common", "CopyLinkToClipboard", "0")
        for key, value in common.items():
            set_ini_value(self.ini, "Common", key, str(value))
        home = sshd_server.client_home(s.path(name, "home"))
        self.known_hosts = os.path.join(home, ".ssh", "known_hosts")
        self.trust(server)
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.config, XDG_DATA_HOME=self.data,
                        HOME=home, LANG="C")
        for variable in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SSH_AUTH_SOCK"):
            self.env.pop(variable, None)

    def trust(self, server):
        with open(self.known_hosts, "a") as f:
            f.write(server.known_hosts())

    def file(self, name, size=200):
        path = self.s.path(name)
        with open(path, "wb") as f:
            f.write(os.urandom(size))
        return path

    def run(self, *args, days=0):
        """The program with `args`, `days` later than now (through libfaketime)."""
        prefix, env = [], self.env
        if days:
            prefix = ["faketime", "-m", "--exclude-monotonic", "-f", "+%dd" % days]
            # Under AddressSanitizer the preloaded library comes before ASan's
            # runtime, which ASan refuses unless told not to check.
            options = env.get("ASAN_OPTIONS", "")
            env = dict(env, ASAN_OPTIONS=(options + ":" if options else "") +
                       "verify_asan_link_order=0")
        return subprocess.run([*prefix, self.velodrop, *args], env=env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=120)

    def cli(self, path, days=0):
        """Shares `path`; returns (completed process, link)."""
        done = self.run("--cli", path, days=days)
        assert done.returncode == 0, done.stderr.decode()
        link = done.stdout.decode().splitlines()[-1]
        assert link.startswith(BASE + "/velodrop_"), done.stdout
        return done, link

    def start_window(self, path=None):
        env = dict(self.env, DISPLAY=self.s.display, QT_QPA_PLATFORM="xcb")
        return self.s.start([self.velodrop, *([path] if path else [])], env=env)

    def history(self):
        done = self.run("--history", "--json")
        assert done.returncode == 0, done.stderr.decode()
        return json.loads(done.stdout)

    def share(self, link):
        rows = [row for row in self.history() if row["link"] == link]
        assert len(rows) == 1, (link, rows)
        return rows[0]

    def state(self, link):
        return self.share(link)["state"]

    def remote_name(self, link):
        return link[len(BASE) + 1:]


def utc(text):
    return datetime.datetime.fromisoformat(text.replace("Z", "+00:00"))


def wait_for_share(setup, path, state):
    """The link of the one share of the file `path` once its row says `state`."""
    found = []

    def recorded():
        rows = [r for r in setup.history() if r["local_name"] == path]
        found[:] = [r["link"] for r in rows if r["state"] == state]
        return found
    wait_for(recorded, 60, "the share of %s to be %s" % (path, state))
    return found[0]


def end_window(program, how):
    if how == "kill":
        program.kill()
    else:
        program.send_signal(signal.SIGTERM)
    # Reaped: a zombie would still count as a run that lives.
    program.wait(30)


WindowCase = collections.namedtuple("WindowCase", [
    "name",
    "remove_at_exit",  # the setting RemoveFileAtExit
    "during_upload",   # the window ends while its upload runs (a throttled server)
    "ending",          # "kill" (SIGKILL) or "term" (SIGTERM, the normal end)
    "next_start",      # "cli" (a --cli share) or "window" (a window without a file)
    "kept_at_end",     # the file is on the server once the window has ended
    "kept_after",      # ... and after the next start
])
WINDOW_CASES = [
    WindowCase("killed after its upload, next a --cli share", 1, False, "kill", "cli", True, False),
    WindowCase("killed after its upload, next a window", 1, False, "kill", "window", True, False),
    WindowCase("killed during its upload", 1, True, "kill", "cli", True, False),
    # Nobody links to a partial file: it goes whatever the setting says.
    WindowCase("killed during its upload, no removal at exit", 0, True, "kill", "cli", True, False),
    WindowCase("ended, removal at exit", 1, False, "term", "cli", False, False),
    WindowCase("ended, no removal at exit", 0, False, "term", "cli", True, True),
    WindowCase("killed, no removal at exit", 0, False, "kill", "cli", True, True),
]


def window_runs(s, velodrop, demo_settings, pyftpd, sftp):
    for number, case in enumerate(WINDOW_CASES[:1] if sftp else WINDOW_CASES):
        (name, remove, during, ending, next_start, kept_at_end, kept_after) = case
        if sftp:
            server = SftpServer(s)
        else:
            # Throttled, the upload runs long enough to be cut.
            server = FtpServer(s, pyftpd, "window-home-%d" % number,
                               *(["--read-limit", "20000"] if during else []))
        setup = Setup(s, velodrop, demo_settings, server, "window-%d" % number,
                      RemoveFileAtExit=remove)
        shared = setup.file("window %d.bin" % number, 400000 if during else 200)
        program = setup.start_window(shared)
        link = wait_for_share(setup, shared, "uploading" if during else "up")
        remote = setup.remote_name(link)
        if during:
            wait_for(lambda: os.path.exists(os.path.join(server.root, remote))
                     and os.path.getsize(os.path.join(server.root, remote)) > 0, 60,
                     "part of the upload on the server")
        else:
            assert remote in files(server), (remote, files(server))
        assert program.poll() is None, "the window ended by itself"
        end_window(program, ending)
        assert (remote in files(server)) == kept_at_end, (name, files(server))
        state_at_end = "deleted" if not kept_at_end else "uploading" if during else "up"
        assert setup.state(link) == state_at_end, (name, setup.history())

        other_link = None
        if next_start == "cli":
            _, other_link = setup.cli(setup.file("other %d.txt" % number))
            assert setup.state(other_link) == "up"
        else:
            window = setup.start_window()
            wait_for(lambda: remote not in files(server), 60, "the next window to delete " + remote)
            end_window(window, "term")
        assert (remote in files(server)) == kept_after, (name, files(server))
        assert setup.state(link) == ("up" if kept_after else "deleted"), (name, setup.history())
        if other_link:
            # A --cli share stays when its run has ended: the start after it keeps it.
            setup.cli(setup.file("third %d.txt" % number))
            assert setup.remote_name(other_link) in files(server), files(server)
            assert setup.state(other_link) == "up"
        print("ok: window %s" % name)


CutCase = collections.namedtuple("CutCase", [
    "name",
    "server_options",  # how pyftpdlib cuts the upload
    "kept_at_end",     # the partial file is on the server once the cut share has ended
])
CUT_CASES = [
    # The session still works: the share itself deletes what arrived.
    CutCase("data connection reset", ["--cut-stor", "*_cut*"], False),
    # The session is gone too: the next start deletes it.
    CutCase("data and control connection reset", ["--cut-stor", "*_cut*", "--cut-session"], True),
]


def cut_uploads(s, velodrop, demo_settings, pyftpd):
    for number, case in enumerate(CUT_CASES):
        server = FtpServer(s, pyftpd, "cut-home-%d" % number, *case.server_options,
                           "--cut-after", "100000")
        setup = Setup(s, velodrop, demo_settings, server, "cut-%d" % number)
        path = setup.file("cut %d.bin" % number, 4000000)
        done = setup.run("--cli", path)
        assert done.returncode == 1, (case.name, done)
        assert BASE.encode() not in done.stdout, (case.name, done.stdout)  # no link to a part
        [row] = [r for r in setup.history() if r["local_name"] == path]
        remote = row["remote_name"]
        assert (remote in files(server)) == case.kept_at_end, (case.name, files(server))
        if case.kept_at_end:
            assert 100000 <= os.path.getsize(os.path.join(server.root, remote)) < 4000000
            assert row["state"] == "failed", (case.name, row)
            # The next start is another run's, and its server the same.
            setup.cli(setup.file("after cut %d.txt" % number))
            assert remote not in files(server), (case.name, files(server))
        assert setup.state(row["link"]) == "deleted", (case.name, setup.history())
        print("ok: an upload cut by a %s leaves no file" % case.name)


def dead_run():
    """A run that has ended: (process id, start ticks) of a reaped child."""
    child = subprocess.Popen(["/bin/true"])
    child.wait()
    return child.pid, 1


def foreign_names(s, velodrop, demo_settings, pyftpd):
    server = FtpServer(s, pyftpd, "foreign-home")
    setup = Setup(s, velodrop, demo_settings, server, "foreign")
    # The shares go one level down, so that "../" leads out of their folder.
    set_ini_value(setup.ini, "FTP", "Directory", "shares")
    _, link = setup.cli(setup.file("ours.txt"))
    folder = os.path.join(server.root, "shares")
    victims = {os.path.join(server.root, "victim.txt"): b"the root's own file\n",
               os.path.join(folder, "notours.txt"): b"someone else's file\n",
               os.path.join(folder, "velodrop_ABCDEFGHI_short.txt"): b"one random character short\n"}
    for path, content in victims.items():
        with open(path, "wb") as f:
            f.write(content)
    names = ["../victim.txt", "/victim.txt", "notours.txt", "velodrop_ABCDEFGHI_short.txt",
             "velodrop_ABCDEFGHIJ_/../../victim.txt", "velodrop_ABCDEFGHIJ_..\\..\\victim.txt"]
    pid, start = dead_run()
    record = os.path.join(setup.data, "Velodrop", "shares.sqlite")
    planted = {}
    with sqlite3.connect(record) as db:
        (ours,) = db.execute("SELECT id FROM shares WHERE link = ?", (link,)).fetchone()
        for number, name in enumerate(names):
            planted[name] = BASE + "/planted-%d" % number
            # Due twice over: expired, and of a run that ended asking for removal.
            db.execute("INSERT INTO shares (shared_at, transport, host, port, user, folder,"
                       " remote_name, link, size, local_name, remove_at_exit, expires_at, state,"
                       " run_pid, run_start) SELECT shared_at, transport, host, port, user, folder,"
                       " ?, ?, size, local_name, 1, 1, 'up', ?, ? FROM shares WHERE id = ?",
                       (name, planted[name], pid, start, ours))
    db.close()

    def survived():
        for path, content in victims.items():
            with open(path, "rb") as f:
                assert f.read() == content, path

    for name, planted_link in planted.items():
        refused = setup.run("--delete", planted_link)
        assert refused.returncode == 1, (name, refused)
        assert "refuses to delete" in refused.stderr.decode(), (name, refused.stderr)
        survived()
        assert setup.state(planted_link) == "up", name
    # A start's sweep leaves them too, and marks them so that no later one tries.
    setup.cli(setup.file("next.txt"))
    survived()
    for name, planted_link in planted.items():
        assert setup.state(planted_link) == "delete failed", (name, setup.history())
    # The program's own share goes by --delete as ever.
    assert setup.run("--delete", link).returncode == 0
    assert setup.remote_name(link) not in os.listdir(folder)
    survived()
    print("ok: names this program does not make are never deleted")


def expiry(s, velodrop, demo_settings, pyftpd):
    if not shutil.which("faketime"):
        raise SystemExit("faketime is not installed (Debian package faketime)")
    server = FtpServer(s, pyftpd, "expiry-home")
    setup = Setup(s, velodrop, demo_settings, server, "expiry", DeleteAfterDays=7)
    links, stderrs = {}, {}
    for name, days in (("A", 0), ("B", 3), ("C", 8)):
        done, links[name] = setup.cli(setup.file(name + ".txt"), days=days)
        stderrs[name] = done.stderr.decode()
        if name == "B":
            # Three days on, nothing has expired yet.
            assert setup.remote_name(links["A"]) in files(server), files(server)
            assert setup.state(links["A"]) == "up"
    now = datetime.datetime.now(datetime.timezone.utc)
    for name, days in (("A", 0), ("B", 3), ("C", 8)):
        row = setup.share(links[name])
        shared = utc(row["shared_at"])
        # The share was made on its (faked) day, and expires seven days on.
        assert abs(shared - (now + days * DAY)) < datetime.timedelta(hours=1), (name, row)
        assert utc(row["expires_at"]) - shared == 7 * DAY, (name, row)
        # In the user's date format: the day of the expiry, in local time.
        expires = utc(row["expires_at"]).astimezone()
        said = re.findall(r"expires on (.+)", stderrs[name])
        assert len(said) == 1 and re.search(r"\b0?%d\b" % expires.day, said[0]) \
            and str(expires.year % 100) in said[0], (name, stderrs[name], expires)
    assert setup.state(links["A"]) == "deleted"
    assert setup.state(links["B"]) == "up" and setup.state(links["C"]) == "up"
    assert files(server) == {setup.remote_name(links[n]) for n in "BC"}, files(server)

    # Kept shares: no expiry, and no word of one.
    keep = Setup(s, velodrop, demo_settings, server, "keep", DeleteAfterDays=0)
    done, link = keep.cli(keep.file("kept.txt"))
    assert "expires on" not in done.stderr.decode(), done.stderr
    assert keep.share(link)["expires_at"] is None
    print("ok: expiry deletes exactly the expired share")


def at_once(s, velodrop, demo_settings, pyftpd):
    # Throttled, the uploads overlap; each round starts on a fresh record, so
    # the processes also meet while making it.
    server = FtpServer(s, pyftpd, "at-once-home", "--read-limit", "100000")
    for round_ in range(3):
        setup = Setup(s, velodrop, demo_settings, server, "at-once-%d" % round_)
        paths = [setup.file("at once %d-%d.bin" % (round_, i), 150000) for i in range(3)]
        running = [subprocess.Popen([velodrop, "--cli", p], env=setup.env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE) for p in paths]
        links = []
        for program in running:
            out, err = program.communicate(timeout=120)
            assert program.returncode == 0, err.decode()
            assert TROUBLE not in err.decode(), err.decode()
            links.append(out.decode().splitlines()[-1])
        rows = setup.history()
        assert sorted(r["link"] for r in rows) == sorted(links), (links, rows)
        assert all(r["state"] == "up" and r["size"] == 150000 for r in rows), rows
        assert {setup.remote_name(l) for l in links} <= files(server)
    print("ok: shares made at once are all recorded")


def broken_record(s, velodrop, demo_settings, pyftpd):
    server = FtpServer(s, pyftpd, "broken-home")
    # A data folder whose parent is a regular file cannot be made (whoever runs).
    with open(s.path("plain file"), "w") as f:
        f.write("not a folder\n")
    garbage = b"this is not a database\n" * 200
    for name, data in (("corrupt", None), ("unmakeable", s.path("plain file", "data"))):
        setup = Setup(s, velodrop, demo_settings, server, "broken-" + name, DeleteAfterDays=7,
                      RemoveFileAtExit=1)
        if data:
            setup.env["XDG_DATA_HOME"] = data
        else:
            record = os.path.join(setup.data, "Velodrop", "shares.sqlite")
            os.makedirs(os.path.dirname(record))
            with open(record, "wb") as f:
                f.write(garbage)
        done, link = setup.cli(setup.file("despite %s.txt" % name))
        assert setup.remote_name(link) in files(server), (name, files(server))
        assert done.stderr.decode().count(TROUBLE) == 1, (name, done.stderr)
        history = setup.run("--history")
        assert history.returncode == 1 and history.stdout == b"", (name, history)
        assert history.stderr.decode().startswith("The record of shares cannot be read: "), history
        if not data:
            with open(record, "rb") as f:
                assert f.read() == garbage, "the corrupt record was overwritten"
        print("ok: a %s record does not stop a share" % name)


def history_and_delete(s, velodrop, demo_settings, pyftpd, sftp):
    server = SftpServer(s) if sftp else FtpServer(s, pyftpd, "history-home")
    setup = Setup(s, velodrop, demo_settings, server, "history")
    shared = setup.file("round trip.txt", 1234)
    _, link = setup.cli(shared)
    remote = setup.remote_name(link)
    table = setup.run("--history")
    assert table.returncode == 0, table.stderr
    lines = table.stdout.decode().splitlines()
    assert re.match(r"Date +State +Expires +Size +Link$", lines[0]), lines
    [line] = [l for l in lines if l.endswith(" " + link)]
    assert re.search(r" up +- ", line), line
    row = setup.share(link)
    assert (row["transport"], row["port"], row["size"], row["local_name"], row["remote_name"]) == \
        (server.transport, server.port, 1234, shared, remote), row

    deleted = setup.run("--delete", link)
    assert deleted.returncode == 0, deleted.stderr
    assert "Deleted from the server: " + link in deleted.stderr.decode(), deleted.stderr
    assert remote not in files(server), files(server)
    assert setup.state(link) == "deleted"

    before = files(server)
    never = setup.run("--delete", BASE + "/velodrop_NeverShared_x.txt")
    assert never.returncode == 1, never
    assert "No share with this link in the record: " in never.stderr.decode(), never.stderr
    assert files(server) == before

    # Another server over the same folder: were the share's server not
    # compared, the deletion would go through there.
    _, kept_link = setup.cli(setup.file("elsewhere.txt"))
    other = SftpServer(s, root_of=server) if sftp else \
        FtpServer(s, pyftpd, None, root=server.root)
    setup.trust(other)
    set_ini_value(setup.ini, "FTP", "Port", str(other.port))
    refused = setup.run("--delete", kept_link)
    assert refused.returncode == 1, refused
    assert "not on the server of the settings" in refused.stderr.decode(), refused.stderr
    assert setup.remote_name(kept_link) in files(server), files(server)
    assert setup.state(kept_link) == "up"
    # The refusal was the server's doing: pointed back, the deletion goes.
    set_ini_value(setup.ini, "FTP", "Port", str(server.port))
    assert setup.run("--delete", kept_link).returncode == 0
    assert setup.remote_name(kept_link) not in files(server)
    print("ok: --history and --delete over %s" % server.transport)


def run(velodrop, demo_settings, pyftpd, sftp):
    if sftp and sshd_server.unusable():
        print("SKIP:", sshd_server.unusable())
        return 77
    with Session(pyftpd) as s:
        s.start_xvfb()
        window_runs(s, velodrop, demo_settings, pyftpd, sftp)
        history_and_delete(s, velodrop, demo_settings, pyftpd, sftp)
        if not sftp:
            cut_uploads(s, velodrop, demo_settings, pyftpd)
            foreign_names(s, velodrop, demo_settings, pyftpd)
            expiry(s, velodrop, demo_settings, pyftpd)
            at_once(s, velodrop, demo_settings, pyftpd)
            broken_record(s, velodrop, demo_settings, pyftpd)
    print("OK: the record of shares")
    return 0


if __name__ == "__main__":
    sys.exit(run(*sys.argv[1:4], sftp="--sftp" in sys.argv[4:]))
