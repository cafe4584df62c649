#!/usr/bin/python3
"""Links that open: names with blanks, umlauts, "#", "%", "?", "\\" and CJK
letters are shared with `velodrop --cli` to pyftpdlib, once as it is and
once with UTF8 left out of its feature list (as vsftpd with Debian's
defaults does).
A web server serves the FTP home under the link base; each link is opened as
a browser opens it, and the bytes must be the file's.

Usage: links_test.py VELODROP DEMO_SETTINGS PYFTPD_SCRIPT WEB_SERVER_SCRIPT
"""
import os
import subprocess
import sys
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_support import Session  # noqa: E402

NAMES = ["a b.txt", "Grüße.txt", "Bericht #3.txt", "100% sicher.txt", "warum?.txt",
         "日本語.txt", "%23 wörtlich.txt", r"a\..\..\index.html"]


def resolve_dot_segments(path):
    """A web address's path as browsers resolve it: "." and ".." segments
    (also written "%2e") go, ".." taking the segment before it along."""
    out = []
    segments = path.split("/")[1:]
    for i, segment in enumerate(segments):
        dots = segment.lower().replace("%2e", ".")
        last = i == len(segments) - 1
        if dots == "..":
            if out:
                out.pop()
            if last:
                out.append("")
        elif dots == ".":
            if last:
                out.append("")
        else:
            out.append(segment)
    return "/" + "/".join(out)


def open_like_a_browser(link):
    """What a browser fetches for a link it is given (or reads off a QR code):
    the fragment ends at "#", the query at "?", a "\\" in the path is a "/"
    of an http or https address, dot segments are resolved, and the path is
    sent percent-encoded as UTF-8, escapes kept."""
    parts = urllib.parse.urlsplit(link)
    path = resolve_dot_segments(parts.path.replace("\\", "/"))
    url = "%s://%s%s" % (parts.scheme, parts.netloc, urllib.parse.quote(path, safe="/%"))
    if parts.query:
        url += "?" + urllib.parse.quote(parts.query, safe="=&%")
    with urllib.request.urlopen(url, timeout=10) as answer:
        return answer.read()


def share_all(velodrop, demo_settings, pyftpd, web_server, extra_ftp_args):
    """Shares every name once; returns {name: stored name bytes}."""
    with Session(pyftpd) as s:
        home, port = s.start_ftp("u", "p w", *extra_ftp_args)
        web = s.start(["/usr/bin/python3", web_server, "--root", home], stdout=subprocess.PIPE,
                      stderr=subprocess.DEVNULL, text=True)
        base = "http://127.0.0.1:%d" % int(web.stdout.readline().split()[1])
        config = s.config_folder()
        subprocess.check_call([demo_settings, os.path.join(config, "Velodrop", "velodrop_settings.ini"),
                               "127.0.0.1", str(port), "u", "p w", base])
        env = dict(os.environ, XDG_CONFIG_HOME=config, LANG="C.UTF-8")
        env.pop("DISPLAY", None)
        stored = {}
        for i, name in enumerate(NAMES):
            content = ("file %d: %s\n" % (i, name)).encode()
            path = s.path(name)
            with open(path, "wb") as f:
                f.write(content)
            before = set(os.listdir(home.encode()))
            done = subprocess.run([velodrop, "--cli", path], env=env, capture_output=True, timeout=120)
            assert done.returncode == 0, (name, done.stderr)
            link = done.stdout.decode().splitlines()[-1]
            fetched = open_like_a_browser(link)
            assert fetched == content, (name, link, fetched)
            new = set(os.listdir(home.encode())) - before
            assert len(new) == 1, new
            stored[name] = new.pop()
        return stored


def run(velodrop, demo_settings, pyftpd, web_server):
    for label, extra in (("pyftpdlib", []), ("pyftpdlib without UTF8 in FEAT", ["--no-utf8-feat"])):
        stored = share_all(velodrop, demo_settings, pyftpd, web_server, extra)
        for name, raw in stored.items():
            # Stored under the name's UTF-8 bytes, behind the random prefix.
            assert raw.endswith(b"_" + name.encode()), (label, name, raw)
        print("OK %s stored: %s" % (label, ", ".join(repr(r) for r in stored.values())))


if __name__ == "__main__":
    run(*sys.argv[1:5])
