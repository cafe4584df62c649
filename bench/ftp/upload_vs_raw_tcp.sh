#!/usr/bin/env bash
# A plain 1 GiB upload to vsftpd (ssl_enable=NO) on loopback with our client
# (ftp_upload_bench, the whole session from connect to QUIT) against a raw
# loopback TCP copy of the same file (raw_tcp_copy), alternating, and prints
# medians: the throughput of each and the ratio ours / raw (want >= 0.8),
# the client CPU time of each, and the server side's CPU time beside it.
#
# The choices:
# - vsftpd is a C server that reads the data connection into a 64 KiB buffer
#   and writes it to the file, so the client decides how fast an upload is;
#   the raw receiver does the same, and the raw sender reads the file in
#   256 KiB pieces and writes them to the socket: the copy without FTP, as
#   fast as loopback TCP and that receiver go (see raw_tcp_copy.cpp for why
#   not sendfile).
# - Both runs end when the copy is complete: ours reads the "226" the server
#   sends once the file is written, the raw sender waits for the receiver to
#   close after its last write.
# - The file, vsftpd's home and the receiver's file are in /dev/shm (when
#   there), so the disk decides nothing; the uploaded file is compared with
#   cmp and removed before the next run, so neither side pays for replacing
#   a 1 GiB file.
# - vsftpd forks processes per session: the server's CPU time is that of a
#   control group holding it and its sessions (track_cpu in
#   vsftpd_server.sh), read before and after each upload once the session
#   has ended. The raw receiver reports its own (getrusage). On loopback,
#   part of the receiving side's TCP work runs in the sender's system calls
#   and is counted there, alike for both.
# - Client CPU time is user + system from /usr/bin/time.
# Needs root: vsftpd logs in a local user (see vsftpd_server.sh).
# Usage: sudo bench/ftp/upload_vs_raw_tcp.sh [ROUNDS]   (BUILD=dir to choose
# the release build folder)
set -euo pipefail
cd "$(dirname "$0")/../.."
ROUNDS=${1:-5}
BUILD=${BUILD:-build-raw-rel}
WORK_PREFIX=vd-rawbench
. bench/ftp/vsftpd_server.sh

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELODROP_SANITIZE=OFF \
  -DVELODROP_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" --target ftp_upload_bench raw_tcp_copy >/dev/null
OURS="$BUILD/bench/ftp/ftp_upload_bench"
RAW="$BUILD/bench/ftp/raw_tcp_copy"

start_vsftpd plain "ssl_enable=NO"
track_cpu plain
PORT=$(cat "$WORK/plain.port")
mkdir "$WORK/raw"

head -c $((1024 * 1024 * 1024)) /dev/urandom >"$WORK/big.bin"

check() { cmp -s "$WORK/big.bin" "$1" || { echo "copied file differs: $1"; exit 1; }; rm -f "$1"; }

# "wall user sys server_cpu"
ours() {
  local before after run
  before=$(server_cpu plain)
  run=$(measure "$OURS" 127.0.0.1 "$PORT" "$USER_NAME" "$PASSWORD" "$WORK/big.bin" big.bin)
  after=$(server_cpu plain)
  check "$WORK/plain/home/big.bin"
  echo "$run $(awk -v a="$after" -v b="$before" 'BEGIN {print a - b}')"
}
raw() {
  local port run pid
  "$RAW" receive "$WORK/raw/big.bin" >"$WORK/raw.out" &
  pid=$!
  for _ in $(seq 200); do port=$(head -1 "$WORK/raw.out"); [ -n "$port" ] && break; sleep 0.01; done
  run=$(measure "$RAW" send "$port" "$WORK/big.bin")
  wait "$pid"
  check "$WORK/raw/big.bin"
  echo "$run $(awk '/^cpu/ {print $2 + $3}' "$WORK/raw.out")"
}

: >"$WORK/ours"; : >"$WORK/raw.runs"
for i in $(seq "$ROUNDS"); do
  if ((i % 2)); then ours >>"$WORK/ours"; raw >>"$WORK/raw.runs"
  else raw >>"$WORK/raw.runs"; ours >>"$WORK/ours"; fi
done

/usr/bin/python3 - "$WORK" <<'PY'
import statistics, sys
work = sys.argv[1]
def rows(name):
    return [list(map(float, l.split())) for l in open(f"{work}/{name}") if l.strip()]
o, r = rows("ours"), rows("raw.runs")
m = statistics.median
def thr(rs):
    return [1024 / x[0] for x in rs]  # MiB/s
print(f"1 GiB plain upload  MiB/s      ours to vsftpd {m(thr(o)):7.1f}  raw TCP {m(thr(r)):7.1f}  "
      f"ratio {m(thr(o)) / m(thr(r)):.3f} (want >= 0.8)")
print(f"                    client CPU s  ours {m(x[1] + x[2] for x in o):.3f}  "
      f"raw sender {m(x[1] + x[2] for x in r):.3f}")
print(f"                    server CPU s  vsftpd session {m(x[3] for x in o):.3f}  "
      f"raw receiver {m(x[3] for x in r):.3f}")
print("runs MiB/s  ours: " + " ".join(f"{x:.0f}" for x in thr(o))
      + "   raw: " + " ".join(f"{x:.0f}" for x in thr(r)))
PY
