#!/usr/bin/python3
"""A web server for tests: serves a folder on 127.0.0.1 with a port from the
kernel, over HTTP or (with --certfile and --keyfile) HTTPS, and prints "READY <port>" once
it listens. --delay makes every answer wait that many seconds, for a server
that is slow; --no-head refuses HEAD with 405, as some servers do."""
import argparse
import functools
import http.server
import ssl
import sys
import time


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--certfile")
    p.add_argument("--keyfile")
    p.add_argument("--delay", type=float, default=0)
    p.add_argument("--no-head", action="store_true")
    args = p.parse_args()

    class Handler(http.server.SimpleHTTPRequestHandler):
        def send_head(self):
            time.sleep(args.delay)
            return super().send_head()

        def do_HEAD(self):
            if args.no_head:
                self.send_error(405)
                return
            super().do_HEAD()

        def log_message(self, fmt, *a):
            sys.stderr.write(fmt % a + "\n")

    handler = functools.partial(Handler, directory=args.root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    if args.certfile:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.certfile, args.keyfile)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("READY %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
