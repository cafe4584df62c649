#!/usr/bin/python3
"""The demo's embedded servers: an FTP server (pyftpdlib) and a web server
over the same folder, both on 127.0.0.1 with ports the kernel picks, so that
a link that Velodrop makes opens a real page. Prints "FTP <port>" and
"HTTP <port>" once both listen, then serves until it is terminated.

Usage: demo_server.py FOLDER USER PASSWORD
"""
import functools
import http.server
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    folder, user, password = sys.argv[1:4]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, folder, perm="elradfmwMT")

    class Handler(FTPHandler):
        pass

    Handler.authorizer = authorizer
    Handler.banner = "Velodrop demo server ready."
    # No passive port range: each passive connection binds port 0 and the
    # kernel picks a free port, as for the two listening ports.
    ftp = FTPServer(("127.0.0.1", 0), Handler)

    web_handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=folder)
    web = http.server.ThreadingHTTPServer(("127.0.0.1", 0), web_handler)
    threading.Thread(target=web.serve_forever, daemon=True).start()

    print("FTP %d" % ftp.address[1], flush=True)
    print("HTTP %d" % web.server_address[1], flush=True)
    ftp.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
