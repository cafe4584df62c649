#!/usr/bin/python3
"""A pyftpdlib server for the tests: one user, a home folder, on 127.0.0.1
only. The kernel picks the control port (binding port 0); prints
"READY <port>" once it listens.

Passive data connections also bind port 0, so the kernel picks each one and
parallel tests cannot collide; --passive-from/--passive-to restrict them to a
range instead, for a scenario that needs one.

Options for scenarios: --nlst-paths (NLST names carry their folder),
--refuse-stor NAME / --refuse-retr NAME (refuse names matching these
shell patterns), --certfile
(explicit TLS with that certificate and key), --tls-data-required (with
--certfile: data connections only under "PROT P"; no session reuse is
asked for), --no-utf8-feat (FEAT does not
list UTF8, as with vsftpd's Debian defaults; names are still taken as UTF-8),
--read-limit BYTES (uploads are taken at most this many bytes a second, so
that a test can act while one runs), --cut-stor NAME (an upload of a name
matching this shell pattern is cut with a TCP reset once --cut-after BYTES
have arrived and kept; the reply is 426, or with --cut-session the control
connection is reset too).
"""
import argparse
import fnmatch
import logging
import os
import socket
import struct
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--home", required=True)
    p.add_argument("--user", required=True)
    p.add_argument("--password", required=True)
    p.add_argument("--passive-from", type=int)
    p.add_argument("--passive-to", type=int)
    p.add_argument("--nlst-paths", action="store_true")
    p.add_argument("--refuse-stor", action="append", default=[])
    p.add_argument("--refuse-retr", action="append", default=[])
    p.add_argument("--certfile")
    p.add_argument("--tls-data-required", action="store_true")
    p.add_argument("--no-utf8-feat", action="store_true")
    p.add_argument("--banner", default="velodrop test server ready.")
    p.add_argument("--read-limit", type=int)
    p.add_argument("--silent-dele", action="store_true",
                   help="never answer DELE; print its argument instead")
    p.add_argument("--cut-stor", action="append", default=[])
    p.add_argument("--cut-after", type=int, default=65536)
    p.add_argument("--cut-session", action="store_true")
    args = p.parse_args()
    if (args.passive_from is None) != (args.passive_to is None):
        p.error("--passive-from and --passive-to go together")
    return args


def refused(path, patterns):
    """Whether a name matches one of the patterns (shell wildcards allowed)."""
    name = os.path.basename(path)
    return any(fnmatch.fnmatchcase(name, p) for p in patterns)


def reset(channel):
    """Closes the channel's socket with a TCP reset rather than an orderly end."""
    channel.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))


def cutting(base, args):
    """A data channel that cuts the uploads named in --cut-stor."""

    class Cutting(base):
        def handle_read(self):
            super().handle_read()
            if self._closed or not self.receive or self.file_obj is None:
                return
            if not refused(self.file_obj.name, args.cut_stor):
                return
            if self.tot_bytes_received < args.cut_after:
                return
            self.file_obj.flush()
            reset(self)
            control = self.cmd_channel
            if args.cut_session:
                self._resp = ()
                self.close()
                reset(control)
                control.close()
            else:
                self._resp = ("426 Connection reset; transfer aborted.", logging.info)
                self.close()

        handle_read_event = handle_read  # the base class binds its own under this name

    return Cutting


def make_handler(args):
    base = FTPHandler
    if args.certfile:
        from pyftpdlib.handlers import TLS_FTPHandler
        base = TLS_FTPHandler

    class Handler(base):
        def ftp_STOR(self, file, mode="w"):
            if refused(file, args.refuse_stor):
                self.respond("553 Storing this name is refused.")
                return None
            return super().ftp_STOR(file, mode)

        def ftp_RETR(self, file):
            if refused(file, args.refuse_retr):
                self.respond("550 Retrieving this name is refused.")
                return None
            return super().ftp_RETR(file)

        def ftp_DELE(self, path):
            if not args.silent_dele:
                return super().ftp_DELE(path)
            # A server that hangs at this command: the client's reply never comes.
            print("DELE %s" % self.fs.fs2ftp(path), flush=True)
            return None

        def ftp_NLST(self, path):
            if not args.nlst_paths or not self.fs.isdir(path):
                return super().ftp_NLST(path)
            folder = self.fs.fs2ftp(path).rstrip("/")
            names = sorted(self.run_as_current_user(self.fs.listdir, path))
            data = "".join("%s/%s\r\n" % (folder, n) for n in names)
            self.push_dtp_data(data.encode("utf8"), cmd="NLST")
            return path

        def ftp_FEAT(self, line):
            if not args.no_utf8_feat:
                return super().ftp_FEAT(line)
            # The base class pushes the whole reply; collect it and drop the
            # one feature line.
            pushed = []
            self.push = pushed.append
            try:
                super().ftp_FEAT(line)
            finally:
                del self.push
            lines = "".join(pushed).split("\r\n")
            kept = [l for l in lines if l.strip().upper() != "UTF8"]
            self.push("\r\n".join(kept))
            return None

    if args.certfile:
        Handler.certfile = args.certfile
        Handler.tls_data_required = args.tls_data_required
    Handler.banner = args.banner
    if args.read_limit:
        if args.certfile:
            raise SystemExit("--read-limit is for plain FTP")
        from pyftpdlib.handlers import ThrottledDTPHandler

        class Throttled(ThrottledDTPHandler):
            read_limit = args.read_limit
        Handler.dtp_handler = Throttled
    if args.cut_stor:
        Handler.dtp_handler = cutting(Handler.dtp_handler, args)
    Handler.auth_failed_timeout = 0.1  # tests need no brute-force delay
    if args.passive_from is not None:
        Handler.passive_ports = range(args.passive_from, args.passive_to + 1)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.home, perm="elradfmwMT")
    Handler.authorizer = authorizer
    return Handler


def main():
    args = parse_args()
    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    server = FTPServer(("127.0.0.1", 0), make_handler(args))
    print("READY %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
