#!/usr/bin/python3
"""The record of shares at scale: with ROWS shares (1,000,000 unless told)
in a fresh record, times the real program's `--history` (the table of the
last 50) and the link menu's question (the 15 newest shares) as it runs in
the window (the same statement through SQLite), and measures `--history
--json` (every share: rows a second, peak resident memory by /usr/bin/time).

Goals: `--history` and the menu's question under 50 ms each; the JSON at
100,000 rows a second or more, in under 50 MB. Peers: the program's start
on an empty record beside `--history`, and SQLite's own shell writing the
same rows as JSON (`sqlite3 -json`, when installed) beside `--history --json`.

Usage: bench/app/history_bench.py VELODROP [ROWS]
(VELODROP from a Release build, e.g. build-bench/app/velodrop)
"""
import os
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time

# The link menu's question, as the record asks it.
MENU = ("SELECT id, shared_at, transport, host, port, user, folder, remote_name, link, size,"
        " local_name, remove_at_exit, expires_at, state, run_pid, run_start FROM shares"
        " ORDER BY shared_at DESC, id DESC LIMIT 15")


def fill(path, rows):
    """`rows` shares of one user over some years, most deleted or kept."""
    db = sqlite3.connect(path, isolation_level=None)
    db.execute("BEGIN")
    db.execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?)"
        " INSERT INTO shares (shared_at, transport, host, port, user, folder, remote_name,"
        " link, size, local_name, remove_at_exit, expires_at, state, run_pid, run_start)"
        " SELECT 1700000000 + i * 60, 'sftp', 'files.example.org', 22, 'anna', '/var/www/drop',"
        " printf('velodrop_Ab3De6Gh9K_%d.pdf', i),"
        " printf('https://example.org/drop/velodrop_Ab3De6Gh9K_%d.pdf', i), i * 37,"
        " printf('/home/anna/Documents/report %d.pdf', i), i % 3 = 1,"
        " CASE WHEN i % 3 = 2 THEN 1700000000 + i * 60 + 604800 END,"
        " CASE i % 3 WHEN 0 THEN 'up' ELSE 'deleted' END, 1000 + i % 30000, i FROM n",
        (rows,))
    db.execute("COMMIT")
    db.close()


def timed(argv, env, out=subprocess.DEVNULL, cpu=None):
    """(seconds, peak resident KiB) of one run of `argv`; its processor
    seconds (user and system) appended to `cpu` when given."""
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "%U %S %M", *argv], env=env, stdout=out,
                          stderr=subprocess.PIPE, check=True)
    seconds = time.perf_counter() - start
    user, system, peak = done.stderr.decode().split()[-3:]
    if cpu is not None:
        cpu.append(float(user) + float(system))
    return seconds, int(peak)


def main(velodrop, rows=1000000):
    rows = int(rows)
    with tempfile.TemporaryDirectory(prefix="velodrop-history-bench-") as work:
        env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "data"),
                   XDG_CONFIG_HOME=os.path.join(work, "config"), HOME=work, LANG="C")
        # The program makes the record (its schema), the bench fills it.
        subprocess.run([velodrop, "--history"], env=env, capture_output=True, check=True)
        record = os.path.join(work, "data", "Velodrop", "shares.sqlite")
        start = time.perf_counter()
        fill(record, rows)
        print("filled %d rows in %.1f s" % (rows, time.perf_counter() - start))

        empty = dict(env, XDG_DATA_HOME=os.path.join(work, "empty"))
        startup = min(timed([velodrop, "--history"], empty)[0] for _ in range(5))
        table = [timed([velodrop, "--history"], env)[0] for _ in range(5)]
        print("--history: median %.1f ms, best %.1f ms (the program on an empty record: %.1f ms)"
              % (statistics.median(table) * 1000, min(table) * 1000, startup * 1000))

        db = sqlite3.connect(record)
        menu = []
        for _ in range(20):
            start = time.perf_counter()
            assert len(db.execute(MENU).fetchall()) == 15
            menu.append(time.perf_counter() - start)
        db.close()
        print("the menu's question: median %.2f ms, best %.2f ms"
              % (statistics.median(menu) * 1000, min(menu) * 1000))

        json_file = os.path.join(work, "history.json")
        cpu = []
        with open(json_file, "wb") as out:
            seconds, peak = timed([velodrop, "--history", "--json"], env, out, cpu)
        with open(json_file, "rb") as f:
            objects = sum(1 for line in f if line == b"    {\n")
        assert objects == rows, (objects, rows)
        print("--history --json: %d rows in %.2f s, %.0f rows/s (%.2f s of processor time),"
              " peak %.1f MiB, %.0f MB of JSON" % (rows, seconds, rows / seconds, cpu[0], peak / 1024,
                                                  os.path.getsize(json_file) / 1e6))
        if os.path.exists("/usr/bin/sqlite3"):
            every = MENU.replace(" LIMIT 15", "")
            peer, peer_peak = timed(["/usr/bin/sqlite3", "-json", record, every], env, cpu=cpu)
            print("sqlite3 -json, the same rows: %.2f s (%.2f s of processor time), peak %.1f MiB;"
                  " velodrop/sqlite3 time %.2f" % (peer, cpu[1], peer_peak / 1024, seconds / peer))


if __name__ == "__main__":
    main(*sys.argv[1:])
