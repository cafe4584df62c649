#!/usr/bin/python3
"""An SFTP server (protocol version 3) that misbehaves on purpose, run by
sshd as the session's command: sshd does the SSH part for real, this script
speaks SFTP on stdin and stdout. It answers what a share or a short link
needs (INIT, REALPATH, STAT, MKDIR, OPEN, WRITE, CLOSE, OPENDIR, READDIR,
REMOVE) and misbehaves as the first word of MODE_FILE says, read at the
start of each session, so that one sshd serves every case of a test:

  real              the real sftp-server of OpenSSH, in ROOT
  quiet-open        reads OPEN and never answers anything again
  quiet-after-two   answers two WRITEs, then nothing again
  trickle           sends each WRITE's status a byte at a time, slowly
  unknown-status    answers WRITE with status 99, which no SFTP version has
  endless-dots      lists "." entries without end
  endless-empty     lists entries with empty names without end

Usage (as sshd's ForceCommand): sftp_script_server.py MODE_FILE ROOT
"""
import os
import struct
import sys
import time

SFTP_SERVER = "/usr/lib/openssh/sftp-server"

INIT, VERSION = 1, 2
OPEN, CLOSE, WRITE, LSTAT, FSTAT = 3, 4, 6, 7, 8
OPENDIR, READDIR, REMOVE, MKDIR, REALPATH, STAT = 11, 12, 13, 14, 16, 17
STATUS, HANDLE, NAME, ATTRS = 101, 102, 104, 105
OK, NO_SUCH_FILE, OP_UNSUPPORTED = 0, 2, 8
PERMISSIONS = 4
FOLDER_MODE, FILE_MODE = 0o40755, 0o100644
ENTRIES_PER_REPLY = 100


def read_exactly(n):
    data = b""
    while len(data) < n:
        more = os.read(0, n - len(data))
        if not more:
            sys.exit(0)
        data += more
    return data


def read_packet():
    length = struct.unpack(">I", read_exactly(4))[0]
    body = read_exactly(length)
    return body[0], body[1:]


def send(kind, payload, trickle=False):
    packet = struct.pack(">IB", len(payload) + 1, kind) + payload
    if not trickle:
        os.write(1, packet)
        return
    for i in range(len(packet)):
        os.write(1, packet[i:i + 1])
        time.sleep(0.4)


def string(data):
    return struct.pack(">I", len(data)) + data


def status(request, code, trickle=False):
    send(STATUS, request + struct.pack(">I", code) + string(b"") + string(b""), trickle)


def attrs(mode):
    return struct.pack(">II", PERMISSIONS, mode)


def long_name(name, mode):
    """As `ls -l` shows it: libssh reads owner and group from it when the
    server is OpenSSH, and fails the entry without them."""
    kind = b"d" if mode == FOLDER_MODE else b"-"
    return kind + b"rwxr-xr-x    1 owner    group           0 Jan  1 00:00 " + name


def name_reply(request, names, mode):
    entries = b"".join(string(n) + string(long_name(n, mode)) + attrs(mode) for n in names)
    send(NAME, request + struct.pack(">I", len(names)) + entries)


def go_quiet():
    """Reads everything that comes and answers nothing, until the client goes."""
    while os.read(0, 65536):
        pass
    sys.exit(0)


def serve(mode, root):
    kind, _ = read_packet()
    if kind != INIT:
        sys.exit(1)
    send(VERSION, struct.pack(">I", 3))
    writes = 0
    while True:
        kind, body = read_packet()
        request = body[:4]  # the request id, echoed in the answer
        if kind == REALPATH:
            name_reply(request, [root.encode()], FOLDER_MODE)
        elif kind in (STAT, LSTAT):
            send(ATTRS, request + attrs(FOLDER_MODE))
        elif kind == FSTAT:
            send(ATTRS, request + attrs(FILE_MODE))
        elif kind in (MKDIR, CLOSE, REMOVE):
            status(request, OK)
        elif kind == OPEN:
            if mode == "quiet-open":
                go_quiet()
            if mode.startswith("endless-"):
                status(request, NO_SUCH_FILE)
            else:
                send(HANDLE, request + string(b"file"))
        elif kind == WRITE:
            writes += 1
            if mode == "quiet-after-two" and writes > 2:
                go_quiet()
            elif mode == "unknown-status":
                status(request, 99)
            else:
                status(request, OK, trickle=mode == "trickle")
        elif kind == OPENDIR:
            send(HANDLE, request + string(b"folder"))
        elif kind == READDIR:
            entry = b"." if mode == "endless-dots" else b""
            name_reply(request, [entry] * ENTRIES_PER_REPLY, FILE_MODE)
        else:
            status(request, OP_UNSUPPORTED)


def main(mode_file, root):
    with open(mode_file) as f:
        mode = f.read().split()[0]
    if mode == "real":
        os.execv(SFTP_SERVER, [SFTP_SERVER, "-d", root])
    serve(mode, root)


if __name__ == "__main__":
    main(*sys.argv[1:3])
