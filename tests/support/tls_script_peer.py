#!/usr/bin/python3
"""A scripted FTP server with explicit TLS for the tests, on 127.0.0.1.

Serves one connection with the steps given as arguments, in order, then
waits for the client to close. Prints "READY <port>" once it listens, and
reports what it saw on stdout, one line each:
  CMD <line>        a line the client sent (after "recv")
  SNI <name>|-      the server name of the handshake (- when none was sent)
  VERSION <v>       the protocol version of the handshake
  CLOSE_NOTIFY      the client's close notification arrived
  EOF               the client closed without one
  ERROR <text>      the script could not go on
Steps:
  send:TEXT        TEXT + CR LF (encrypted once TLS is on)
  trickle:MS:TEXT  TEXT + CR LF in one TLS record, its bytes sent one at a
                   time, MS milliseconds apart
  raw:TEXT         TEXT (with \\r \\n escapes) straight on the socket, never encrypted
  recv             read one line
  starttls         server side of the TLS handshake
  close_notify     send the TLS close notification
  sleep:MS         pause
  close            close the connection now (a reset when the client's bytes
                   are still unread: the kernel drops them and says so)
  shutdown         end our side now (FIN) and drop what the client still
                   sends until it closes too: an orderly end, never a reset
  relay:PORT       from here on, pass all bytes between the client and 127.0.0.1:PORT
"""
import argparse
import select
import socket
import ssl
import sys
import time


def report(text):
    print(text, flush=True)


class CloseNotify(Exception):
    """The client's TLS close notification arrived."""


class Peer:
    def __init__(self, sock, context):
        self.sock = sock
        self.context = context
        self.pending = b""  # plain bytes received and not yet consumed
        self.tls = None
        self.incoming = None
        self.outgoing = None

    def flush(self):
        data = self.outgoing.read()
        if data:
            self.sock.sendall(data)

    def recv_raw(self):
        data = self.sock.recv(65536)
        if not data:
            raise EOFError()
        return data

    def fill_tls(self):
        self.incoming.write(self.recv_raw())

    def read_tls(self):
        while True:
            try:
                data = self.tls.read(65536)
                if not data:  # Python's ssl reports a close notification as b""
                    raise CloseNotify()
                return data
            except ssl.SSLZeroReturnError:
                raise CloseNotify()
            except ssl.SSLWantReadError:
                self.flush()
                self.fill_tls()

    def recv_line(self):
        while b"\n" not in self.pending:
            self.pending += self.read_tls() if self.tls else self.recv_raw()
        line, self.pending = self.pending.split(b"\n", 1)
        return line.rstrip(b"\r").decode("latin-1")

    def send(self, data):
        if self.tls:
            self.tls.write(data)
            self.flush()
        else:
            self.sock.sendall(data)

    def trickle(self, data, pause):
        self.tls.write(data)
        for byte in self.outgoing.read():
            self.sock.sendall(bytes([byte]))
            time.sleep(pause)

    def starttls(self):
        self.incoming, self.outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
        names = []
        self.context.sni_callback = lambda obj, name, ctx: names.append(name)
        self.tls = self.context.wrap_bio(self.incoming, self.outgoing, server_side=True)
        if self.pending:
            self.incoming.write(self.pending)
            self.pending = b""
        while True:
            try:
                self.tls.do_handshake()
                break
            except ssl.SSLWantReadError:
                self.flush()
                self.fill_tls()
        self.flush()
        report("SNI " + (names[0] if names and names[0] else "-"))
        report("VERSION " + self.tls.version())

    def close_notify(self):
        try:
            self.tls.unwrap()
        except ssl.SSLWantReadError:
            pass
        self.flush()

    def shutdown(self):
        self.sock.shutdown(socket.SHUT_WR)
        self.sock.settimeout(20)
        try:
            while self.sock.recv(65536):
                pass
            report("EOF")
        finally:
            self.sock.close()

    def relay(self, port):
        upstream = socket.create_connection(("127.0.0.1", port))
        if self.pending:
            upstream.sendall(self.pending)
        ends = {self.sock: upstream, upstream: self.sock}
        while True:
            readable, _, _ = select.select(list(ends), [], [], 30)
            if not readable:
                return
            for s in readable:
                data = s.recv(65536)
                if not data:
                    upstream.close()
                    return
                ends[s].sendall(data)

    def wait_for_close(self):
        """Reads what the client still sends until it closes."""
        deadline = time.monotonic() + 20
        self.sock.settimeout(1)
        while time.monotonic() < deadline:
            try:
                if self.tls:
                    line = self.recv_line()
                    report("CMD " + line)
                else:
                    data = self.sock.recv(65536)
                    if not data:
                        report("EOF")
                        return
                    self.pending += data
                    while b"\n" in self.pending:
                        line, self.pending = self.pending.split(b"\n", 1)
                        report("CMD " + line.rstrip(b"\r").decode("latin-1"))
            except socket.timeout:
                continue
            except CloseNotify:
                report("CLOSE_NOTIFY")
                return
            except (EOFError, ssl.SSLError, ConnectionError):
                report("EOF")
                return


def run(peer, steps):
    for step in steps:
        kind, _, arg = step.partition(":")
        if kind == "send":
            peer.send(arg.encode("latin-1") + b"\r\n")
        elif kind == "trickle":
            ms, _, text = arg.partition(":")
            peer.trickle(text.encode("latin-1") + b"\r\n", int(ms) / 1000.0)
        elif kind == "raw":
            peer.sock.sendall(arg.encode("latin-1").decode("unicode_escape").encode("latin-1"))
        elif kind == "recv":
            report("CMD " + peer.recv_line())
        elif kind == "starttls":
            peer.starttls()
        elif kind == "close_notify":
            peer.close_notify()
        elif kind == "sleep":
            time.sleep(int(arg) / 1000.0)
        elif kind == "close":
            peer.sock.close()
            return
        elif kind == "shutdown":
            peer.shutdown()
            return
        elif kind == "relay":
            peer.relay(int(arg))
            return
        else:
            raise ValueError("unknown step " + step)
    peer.wait_for_close()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--cert", required=True)
    p.add_argument("--key", required=True)
    p.add_argument("steps", nargs="*")
    args = p.parse_args()
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    report("READY %d" % listener.getsockname()[1])
    listener.settimeout(30)
    sock, _ = listener.accept()
    listener.close()
    peer = Peer(sock, context)
    try:
        run(peer, args.steps)
    except (EOFError, CloseNotify, ConnectionError, ssl.SSLError, OSError) as e:
        report("ERROR %s" % e)
    sys.stdout.flush()


if __name__ == "__main__":
    main()
