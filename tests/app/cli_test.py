#!/usr/bin/python3
"""velodrop --cli on a machine without a display, against a real FTP server:
the file arrives byte for byte, the link is the last line of standard output,
its QR code on a terminal reads back as the link, failures exit non-zero
with their message on standard error, and --shorten prints a short link.
With TLS (the server demanding encrypted data) the first certificate is
remembered; a changed one fails, with no question to answer, and the message
says how to trust it.

Usage: cli_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT
"""
import glob
import os
import pty
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_support import Session  # noqa: E402

BASE = "https://files.example.org/x"
ANSI = re.compile(rb"\x1b\[[0-9;]*[A-Za-z]")


def headless_env(config):
    env = dict(os.environ, XDG_CONFIG_HOME=config, LANG="C")
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        env.pop(name, None)
    return env


def run_cli(velodrop, args, env):
    return subprocess.run([velodrop, "--cli", *args], env=env, capture_output=True, timeout=120)


def run_on_terminal(velodrop, args, env):
    """Standard output on a pseudo-terminal; returns (exit status, output bytes)."""
    master, slave = pty.openpty()
    program = subprocess.Popen([velodrop, "--cli", *args], env=env, stdout=slave,
                               stderr=subprocess.DEVNULL)
    os.close(slave)
    out = b""
    while True:
        try:
            chunk = os.read(master, 65536)
        except OSError:  # the terminal's other side has closed
            break
        if not chunk:
            break
        out += chunk
    os.close(master)
    return program.wait(120), out.replace(b"\r\n", b"\n")


def qr_text_to_pgm(lines, path):
    """Turns half-block lines back into modules, 4 pixels a module."""
    cells = {" ": (0, 0), "\u2580": (1, 0), "\u2584": (0, 1), "\u2588": (1, 1)}
    rows = []
    for line in lines:
        pairs = [cells[c] for c in line]
        rows.append([p[0] for p in pairs])
        rows.append([p[1] for p in pairs])
    scale = 4
    width, height = len(rows[0]) * scale, len(rows) * scale
    with open(path, "wb") as f:
        f.write(b"P5 %d %d 255\n" % (width, height))
        for row in rows:
            line = bytes(0 if dark else 255 for dark in row for _ in range(scale))
            f.write(line * scale)


def uploads(home, suffix):
    return sorted(n for n in os.listdir(home) if n.endswith(suffix))


def run(velodrop, demo_settings, pyftpd):
    with Session(pyftpd) as s:
        home, port = s.start_ftp("u", "p w")
        config = s.config_folder()
        for name in ("velodrop_settings.ini", "shortener_settings.ini"):
            subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", name),
                                   "127.0.0.1", str(port), "u", "p w", BASE])
        env = headless_env(config)

        # A share: the bytes arrive unchanged, the link is the last line.
        shared = s.path("Grüße 2026.bin")
        content = bytes(range(256)) * 2000
        with open(shared, "wb") as f:
            f.write(content)
        done = run_cli(velodrop, [shared], env)
        assert done.returncode == 0, done.stderr
        remote = uploads(home, "_Grüße 2026.bin")
        assert len(remote) == 1, os.listdir(home)
        with open(os.path.join(home, remote[0]), "rb") as f:
            assert f.read() == content
        link = done.stdout.decode().splitlines()[-1]
        assert link == BASE + "/" + remote[0], link

        # On a terminal the QR code stands above the link and reads back as it.
        status, out = run_on_terminal(velodrop, [shared], env)
        assert status == 0
        lines = [ANSI.sub(b"", l).decode() for l in out.split(b"\n") if l]
        link = lines[-1]
        assert link.startswith(BASE + "/velodrop_"), link
        picture = s.path("terminal.pgm")
        qr_text_to_pgm(lines[:-1], picture)
        decoded = subprocess.run(["zbarimg", "-q", "--raw", "-Sbinary", picture],
                                 capture_output=True).stdout.rstrip(b"\n")
        # Texts within Latin-1 are encoded as Latin-1 bytes, as in the window.
        assert decoded == link.encode("latin-1"), (decoded, link)

        # Failures: non-zero, the message on standard error, nothing on standard output.
        missing = s.path("gone.txt")
        failed = run_cli(velodrop, [missing], env)
        assert failed.returncode == 1
        assert failed.stdout == b""
        assert failed.stderr.decode().strip() == missing + " not existing", failed.stderr
        wrong = dict(env, XDG_CONFIG_HOME=s.path("wrong"))
        os.makedirs(os.path.join(wrong["XDG_CONFIG_HOME"], "Velodrop"))
        subprocess.check_call([demo_settings, os.path.join(wrong["XDG_CONFIG_HOME"], "Velodrop",
                                                           "velodrop_settings.ini"),
                               "127.0.0.1", str(port), "u", "not the password", BASE])
        refused = run_cli(velodrop, [shared], wrong)
        assert refused.returncode == 1 and refused.stdout == b""
        assert refused.stderr.decode().startswith("FTP: "), refused.stderr
        nothing = run_cli(velodrop, [shared], dict(env, XDG_CONFIG_HOME=s.path("none")))
        assert nothing.returncode == 1 and b"No settings in " in nothing.stderr, nothing.stderr

        # A short link.
        short = run_cli(velodrop, ["--shorten", "https://example.org/a/long/path?q=1"], env)
        assert short.returncode == 0, short.stderr
        code = short.stdout.decode().splitlines()[-1].rsplit("/", 1)[1]
        assert short.stdout.decode().splitlines()[-1] == BASE + "/" + code
        with open(os.path.join(home, "shortener.ini"), "rb") as f:
            assert f.read() == b'%s="https://example.org/a/long/path?q=1"\r\n' % code.encode()
        refused = run_cli(velodrop, ["--shorten", "javascript:alert(1)"], env)
        assert refused.returncode == 1 and b"Not a web address" in refused.stderr
        share_over_tls(s, velodrop, demo_settings, shared, content)
        no_gui_libraries_in_the_terminal(velodrop, env, shared, s.path())
        options_without_display(velodrop, env, s.path())
        escapes_stay_off_the_terminal(velodrop, env, s.path(), home)
        copy_goes_to_the_clipboard_or_says_why(s, velodrop, env, shared)
        print("OK: shared", remote[0], "and shortened to", code, "and over TLS")


def copy_goes_to_the_clipboard_or_says_why(s, velodrop, env, shared):
    """--copy: without any display the link is made and printed, but the
    command fails and says why; on X11 the link stays on the clipboard after
    the command has ended."""
    nowhere = run_cli(velodrop, ["--copy", shared], env)
    assert nowhere.returncode == 1, nowhere
    assert nowhere.stdout.decode().splitlines()[-1].startswith(BASE + "/velodrop_"), nowhere.stdout
    assert nowhere.stderr.decode().startswith("The link could not be put on the clipboard: this "
                                              "desktop offers no clipboard"), nowhere.stderr

    s.start_xvfb()
    x11 = dict(env, DISPLAY=s.display)
    done = run_cli(velodrop, ["--copy", "--shorten", "https://example.org/copied"], x11)
    assert done.returncode == 0, done.stderr
    short = done.stdout.decode().splitlines()[-1]
    pasted = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=x11, capture_output=True,
                            timeout=30)
    assert pasted.stdout.decode() == short, (pasted, short)
    print("OK: --copy reports a missing clipboard and leaves the link on X11's")


def controls(data):
    """The control bytes a terminal would obey: C0 but line feed, DEL, and
    the C1 controls as UTF-8 (C2 80 to C2 9F)."""
    found = [b for b in data if (b < 0x20 and b != 0x0a) or b == 0x7f]
    found += re.findall(rb"\xc2[\x80-\x9f]", data)
    return found


def escapes_stay_off_the_terminal(velodrop, env, work, home):
    """A file name with terminal controls: the upload keeps its name, the
    link percent-encodes them, and nothing reaches the terminal raw."""
    name = "t-\x1b]0;owned\x07-\x1b[2J-\u009b.txt"
    shared = os.path.join(work, name)
    with open(shared, "w") as f:
        f.write("x\n")
    done = run_cli(velodrop, [shared], env)
    assert done.returncode == 0, done.stderr
    assert controls(done.stdout) == [] and controls(done.stderr) == [], (done.stdout, done.stderr)
    [remote] = uploads(home, "_" + name)
    link = done.stdout.decode().splitlines()[-1]
    assert link == BASE + "/" + remote.replace("\x1b", "%1B").replace("\x07", "%07") \
        .replace("\u009b", "%C2%9B"), link
    missing = run_cli(velodrop, [os.path.join(work, "gone-\x1b[2J\x07.txt")], env)
    assert missing.returncode == 1 and controls(missing.stderr) == [], missing.stderr
    assert b"gone-\\x1b[2J\\x07.txt not existing" in missing.stderr, missing.stderr


def no_gui_libraries_in_the_terminal(velodrop, env, shared, work):
    """A share in the terminal maps none of Qt's GUI libraries: only the
    window's module, which it does not load, needs them."""
    trace = os.path.join(work, "loaded")
    done = run_cli(velodrop, [shared], dict(env, LD_DEBUG="files", LD_DEBUG_OUTPUT=trace))
    assert done.returncode == 0, done.stderr
    loaded = ""
    for path in glob.glob(trace + ".*"):
        with open(path, errors="replace") as f:
            loaded += f.read()
    assert "libQt6Network.so" in loaded, loaded[:2000]
    for library in ("libQt6Gui.so", "libQt6Widgets.so", "velodrop-window.so"):
        assert library not in loaded, library


def options_without_display(velodrop, env, work):
    """-h and unknown options answer without a display; options come before
    files of the same name in the working folder."""
    for name in ("--cli", "-h"):
        with open(os.path.join(work, name), "w") as f:
            f.write("a file named like an option\n")
    for args, status, stream in ((["-h"], 0, "stdout"), (["--help"], 0, "stdout"),
                                 (["--bogus"], 2, "stderr"), (["-x", "file"], 2, "stderr")):
        done = subprocess.run([velodrop, *args], env=env, capture_output=True, timeout=60, cwd=work)
        assert done.returncode == status, (args, done.returncode, done.stderr)
        assert b"Usage: velodrop" in getattr(done, stream), (args, done)
    # "--cli" with a file named "--cli" beside it shares the file given.
    missing = os.path.join(work, "not-there.txt")
    done = subprocess.run([velodrop, "--cli", missing], env=env, capture_output=True, timeout=60, cwd=work)
    assert done.returncode == 1 and done.stderr.decode().strip() == missing + " not existing", done


def fingerprint(cert):
    out = subprocess.run(["openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in", cert],
                         capture_output=True, text=True, check=True).stdout
    return out.strip().split("=", 1)[1]


def share_over_tls(s, velodrop, demo_settings, shared, content):
    """Trust on first use in the terminal mode, where nobody can answer."""
    cert = s.path("tls-cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=localhost", "-keyout", cert, "-out", cert],
                   capture_output=True, check=True)
    home = s.path("tls-home")
    os.makedirs(home)
    server = s.start(["/usr/bin/python3", s.pyftpd, "--home", home, "--user", "u", "--password",
                      "p w", "--certfile", cert, "--tls-data-required"],
                     stdout=subprocess.PIPE, text=True)
    port = int(server.stdout.readline().split()[1])
    config = s.path("tls-config")
    os.makedirs(os.path.join(config, "Velodrop"))
    subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", "velodrop_settings.ini"),
                           "127.0.0.1", str(port), "u", "p w", BASE, "tls"])
    env = headless_env(config)
    known = os.path.join(config, "Velodrop", "known_certificates")
    server_key = "127.0.0.1:%d" % port

    first = run_cli(velodrop, [shared], env)
    assert first.returncode == 0, first.stderr
    assert [open(os.path.join(home, n), "rb").read() for n in os.listdir(home)] == [content]
    assert os.stat(known).st_mode & 0o777 == 0o600
    with open(known) as f:
        assert f.read() == "%s %s\n" % (server_key, fingerprint(cert))

    # As if the server's certificate had been replaced since.
    other = "00:" * 31 + "00"
    with open(known, "w") as f:
        f.write("%s %s\n" % (server_key, other))
    changed = run_cli(velodrop, [shared], env)
    message = changed.stderr.decode()
    assert changed.returncode == 1 and changed.stdout == b"", message
    assert other in message and fingerprint(cert) in message, message
    assert "(no one to answer: no)" in message, message
    assert "FTP: The new certificate of %s is not trusted" % server_key in message, message
    assert "remove the line of %s from %s" % (server_key, known) in message, message
    assert len(os.listdir(home)) == 1
    with open(known) as f:
        assert f.read() == "%s %s\n" % (server_key, other)

    # Done as the message says: the next share trusts what it is shown.
    os.remove(known)
    again = run_cli(velodrop, [shared], env)
    assert again.returncode == 0, again.stderr
    assert len(os.listdir(home)) == 2


if __name__ == "__main__":
    run(*sys.argv[1:4])
