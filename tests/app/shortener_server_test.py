#!/usr/bin/python3
"""The short-link table against PHP's own interpreter (`php -S` on
loopback), with a secret in the web server's environment. Hostile addresses
are shortened with `velodrop --cli --shorten` to pyftpdlib; each short link
is asked for as a browser asks, and its redirect is read:

- under the index.php that Velodrop installs, and under the one that older
  versions installed (it reads the table with PHP's INI reader, which puts
  the server's settings in place of ${NAME}): the secret never appears in a
  Location, one address with an unclosed "${" does not break the others,
  and no control character is redirected raw;
- the installed script on a table written by older versions (addresses
  stored raw) or by hand: no expansion, no raw control characters, only
  http and https addresses redirected; an unreadable table answers 500;
- an address over 8 KiB is refused with a message and stored nowhere.

Usage: shortener_server_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT PHP_ROUTER
"""
import http.client
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_support import Session, wait_for  # noqa: E402

SECRET = "s3cret-of-the-server"
# What the server has in its environment, beside a name that is not set.
SERVER_ENV = {"DB_PASSWORD": SECRET}

# (address given to the program, the Location its short link must answer)
ADDRESSES = [
    ("http://evil.example/c?k=${DB_PASSWORD}", "http://evil.example/c?k=%24%7BDB_PASSWORD%7D"),
    ("http://evil.example/u?k=${DB_PASSWORD", "http://evil.example/u?k=%24%7BDB_PASSWORD"),
    ("https://x.example/a\\b{c}$d e?f=${UNSET}", "https://x.example/a%5Cb%7Bc%7D%24d%20e?f=%24%7BUNSET%7D"),
    ("https://x.example/\x1b[31m\x07\x7f\u009b/ä", "https://x.example/%1B[31m%07%7F%C2%9B/ä"),
    ("https://x.example/plain?q=1&r=%41", "https://x.example/plain?q=1&r=%41"),
]

# The index.php of older versions, as they installed it.
OLD_INDEX_PHP = (
    "<?php\r\n"
    "$links = parse_ini_file(\"shortener.ini\");\r\n"
    "if(isset($_GET[\"l\"]) && array_key_exists($_GET[\"l\"], $links))\r\n"
    "{ header(\"Location: \" . $links[$_GET[\"l\"]]);\r\n"
    " }\r\n"
    " else { \r\n"
    "  header(\"HTTP/1.0 404 Not Found\");\r\n"
    "  echo \"Unknown link.\";\r\n"
    "}\r\n").encode()

# Bytes no Location may carry raw: C0 controls, the blank, DEL and C1
# controls (in UTF-8).
RAW_CONTROL = re.compile(rb"[\x00-\x20\x7f]|\xc2[\x80-\x9f]")


def start_php(s, home, router):
    """php -S over the FTP home, with port 0: returns its port."""
    log_path = s.path("php.log")
    with open(log_path, "w") as log:
        s.start(["/usr/bin/php", "-S", "127.0.0.1:0", "-t", home, os.path.abspath(router)],
                cwd=home, env=dict(os.environ, **SERVER_ENV), stdout=subprocess.DEVNULL, stderr=log)
    found = []

    def started():
        with open(log_path) as f:
            found[:] = re.findall(r"Development Server \(http://127\.0\.0\.1:(\d+)\) started", f.read())
        return found

    wait_for(started, 20, "php -S to listen")
    return int(found[0])


def ask(port, code):
    """(status, Location as bytes or None, body) for the short link's path."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    try:
        connection.request("GET", "/" + code)
        answer = connection.getresponse()
        location = answer.getheader("Location")
        # Header values arrive decoded as Latin-1: that gives the bytes back.
        return answer.status, None if location is None else location.encode("latin-1"), answer.read()
    finally:
        connection.close()


def assert_redirects(port, expected, script):
    """Every code must answer 302 with exactly its Location."""
    for code, location in expected.items():
        status, got, body = ask(port, code)
        assert status == 302, (script, code, status, body)
        assert SECRET.encode() not in got, (script, code, got)
        assert not RAW_CONTROL.search(got), (script, code, got)
        assert got == location.encode(), (script, code, got, location)


def shorten(velodrop, env, address):
    return subprocess.run([velodrop, "--cli", "--shorten", address], env=env, capture_output=True,
                          timeout=120)


def run(velodrop, demo_settings, pyftpd, router):
    with Session(pyftpd) as s:
        home, ftp_port = s.start_ftp("u", "pw")
        port = start_php(s, home, router)
        config = s.config_folder()
        subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", "shortener_settings.ini"),
                               "127.0.0.1", str(ftp_port), "u", "pw", "http://127.0.0.1:%d" % port])
        env = dict(os.environ, XDG_CONFIG_HOME=config, LANG="C.UTF-8")
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            env.pop(name, None)

        expected = {}
        for address, location in ADDRESSES:
            done = shorten(velodrop, env, address)
            assert done.returncode == 0, (address, done.stderr)
            expected[done.stdout.decode().splitlines()[-1].rsplit("/", 1)[1]] = location
        # The script this version installed, then the one of older versions.
        with open(os.path.join(home, "index.php"), "rb") as f:
            installed = f.read()
        assert_redirects(port, expected, "installed index.php")
        with open(os.path.join(home, "index.php"), "wb") as f:
            f.write(OLD_INDEX_PHP)
        assert_redirects(port, expected, "older index.php")
        with open(os.path.join(home, "index.php"), "wb") as f:
            f.write(installed)
        table_path = os.path.join(home, "shortener.ini")
        with open(table_path, "rb") as f:
            table = f.read()
        assert b"${" not in table and b"\x1b" not in table, table
        print("OK: %d hostile addresses redirect exactly under both scripts" % len(expected))

        # Longer than 8 KiB: refused with a message, the table unchanged.
        refused = shorten(velodrop, env, "https://x.example/" + "a" * 8200)
        assert refused.returncode == 1 and refused.stdout == b"", refused
        assert "longer than 8 KiB" in refused.stderr.decode(), refused.stderr
        assert len(refused.stderr) < 1000, "the message holds the whole address"
        with open(table_path, "rb") as f:
            assert f.read() == table
        print("OK: an address over 8 KiB is refused with a message")

        # A table from older versions or from a hand: stored raw.
        with open(table_path, "wb") as f:
            f.write(b'AAAAA="http://e.example/?k=${DB_PASSWORD}"\r\n'
                    b'BBBBB="http://e.example/${DB"\r\n'
                    b'CCCCC="javascript:alert(document.cookie)"\r\n'
                    b'DDDDD="HTTPS://e.example/\x1b]0;x\x07\x7f\xc2\x9b end"\r\n'
                    b'false="http://e.example/reserved"\r\n'
                    b'EEEEE="https://e.example/ok"\r\n')
        assert_redirects(port, {"AAAAA": "http://e.example/?k=${DB_PASSWORD}",
                                "BBBBB": "http://e.example/${DB",
                                "DDDDD": "HTTPS://e.example/%1B]0;x%07%7F%C2%9B%20end",
                                "false": "http://e.example/reserved",
                                "EEEEE": "https://e.example/ok"}, "installed index.php, raw table")
        status, location, _ = ask(port, "CCCCC")
        assert status == 403 and location is None, (status, location)
        status, location, body = ask(port, "ZZZZZ")
        assert (status, location, body) == (404, None, b"Unknown link."), (status, location, body)
        os.remove(table_path)
        status, location, _ = ask(port, "EEEEE")
        assert status == 500 and location is None, (status, location)
        print("OK: raw records redirect unexpanded and encoded, only to web addresses; "
              "no table answers 500")



if __name__ == "__main__":
    run(*sys.argv[1:5])
