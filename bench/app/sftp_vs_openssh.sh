#!/usr/bin/env bash
# SFTP uploads against one OpenSSH sshd on loopback, alternating in one run:
#   1 GiB: ours (`velodrop --cli FILE` with SFTP settings, no display)
#     against OpenSSH's `sftp -b` (a batch `put`) with -c aes128-gcm@openssh.com,
#     MiB/s each side and the ratio ours / sftp;
#   the cipher each side negotiated, from sshd's log; when ours is not
#     aes128-gcm, sftp once more with ours' cipher, for a like-for-like ratio;
#   peak RSS of ours for 100 MiB and for 1 GiB (it should not grow with the
#     file), sftp's beside it;
#   a 1 KiB share, whole session (connect, key exchange, login, upload, end),
#     with the key exchange method each side negotiated.
# Both log in with the same ed25519 key and trust the host from the same
# known_hosts line; the uploaded file is compared with the source each time.
# Needs root: sshd logs in a local user (the test fixture's, made when
# missing, with its constant password).
# Usage: sudo bench/app/sftp_vs_openssh.sh [ROUNDS]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
ROUNDS=${1:-5}
BUILD=$ROOT/build-sftp-rel
USER_NAME=velodrop-sftp
PASSWORD=velodrop-sftp-password
CIPHER=aes128-gcm@openssh.com
BASE=https://files.example.org/x

[ "$(id -u)" -eq 0 ] || { echo "sshd logs in a local user: run as root"; exit 1; }
[ -x /usr/sbin/sshd ] || { echo "/usr/sbin/sshd is missing (scripts/install-deps.sh)"; exit 1; }

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELODROP_SANITIZE=OFF \
  -DVELODROP_BUILD_TESTS=OFF -DVELODROP_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target velodrop velodrop_demo_settings >/dev/null
OURS=$BUILD/velodrop

WORK=$(mktemp -d /tmp/vd-sftpbench-XXXXXX)
# The session runs as the server's user and must pass through to its folder.
chmod 755 "$WORK"
SSHD_PID=
cleanup() {
  if [ -n "$SSHD_PID" ]; then kill "$SSHD_PID" 2>/dev/null || true; wait "$SSHD_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

getent passwd "$USER_NAME" >/dev/null ||
  useradd --system --home-dir /nonexistent --shell /usr/sbin/nologin "$USER_NAME"
# sshd with UsePAM no refuses a locked account, keys or not.
echo "$USER_NAME:$PASSWORD" | chpasswd
mkdir -p /run/sshd
mkdir "$WORK/root" "$WORK/home" "$WORK/home/.ssh" "$WORK/config"
chown "$USER_NAME" "$WORK/root"
chmod 700 "$WORK/home/.ssh"
ssh-keygen -q -t ed25519 -N '' -f "$WORK/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$WORK/home/.ssh/id_ed25519"
cp "$WORK/home/.ssh/id_ed25519.pub" "$WORK/authorized_keys"

# sshd refuses port 0: a free port, and the next one when another process
# takes it first. DEBUG1 logs the cipher of each key exchange.
for _ in $(seq 10); do
  PORT=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat >"$WORK/sshd_config" <<EOF
ListenAddress 127.0.0.1:$PORT
HostKey $WORK/host_key
PidFile none
StrictModes no
UsePAM no
AuthorizedKeysFile $WORK/authorized_keys
PasswordAuthentication yes
KbdInteractiveAuthentication no
AllowUsers $USER_NAME
ForceCommand internal-sftp -d $WORK/root
Subsystem sftp internal-sftp
LogLevel DEBUG1
EOF
  /usr/sbin/sshd -D -e -f "$WORK/sshd_config" 2>"$WORK/sshd.log" &
  SSHD_PID=$!
  for _ in $(seq 200); do
    kill -0 "$SSHD_PID" 2>/dev/null || break
    inode=$(ls -l "/proc/$SSHD_PID/fd" 2>/dev/null | grep -o 'socket:\[[0-9]*\]' | grep -o '[0-9]*' | head -1 || true)
    if [ -n "$inode" ] && awk -v i="$inode" '$4 == "0A" && $10 == i {found = 1} END {exit !found}' /proc/net/tcp; then
      break 2
    fi
    sleep 0.05
  done
  if kill -0 "$SSHD_PID" 2>/dev/null || ! grep -q "Address already in use" "$WORK/sshd.log"; then
    echo "sshd did not start: $(cat "$WORK/sshd.log")"; exit 1
  fi
  SSHD_PID=
done
[ -n "$SSHD_PID" ] || { echo "sshd found no free port"; exit 1; }
echo "[127.0.0.1]:$PORT $(cut -d' ' -f1,2 "$WORK/host_key.pub")" >"$WORK/home/.ssh/known_hosts"

mkdir -p "$WORK/config/Velodrop"
"$BUILD/velodrop_demo_settings" "$WORK/config/Velodrop/velodrop_settings.ini" \
  "sftp://127.0.0.1" "$PORT" "$USER_NAME" "$PASSWORD" "$BASE"

head -c 1024 /dev/urandom >"$WORK/small.bin"
head -c $((100 * 1024 * 1024)) /dev/urandom >"$WORK/medium.bin"
head -c $((1024 * 1024 * 1024)) /dev/urandom >"$WORK/big.bin"

# One run: "wall peak_rss_kib user sys" (wall with ns resolution), then the
# cipher and the key exchange method as sshd logged them for this run.
measure() {
  local start end log_start
  log_start=$(wc -l <"$WORK/sshd.log")
  start=$(date +%s%N)
  /usr/bin/time -f "%M %U %S" -o "$WORK/time" "$@" >"$WORK/out" 2>"$WORK/err" || {
    echo "failed: $*"; cat "$WORK/err"; exit 1
  }
  end=$(date +%s%N)
  local log cipher kex
  log=$(tail -n +"$((log_start + 1))" "$WORK/sshd.log")
  cipher=$(grep -o 'client->server cipher: [^ ]*' <<<"$log" | head -1 | cut -d' ' -f3)
  kex=$(grep -o 'kex: algorithm: [^ ]*' <<<"$log" | head -1 | cut -d' ' -f3)
  echo "$(((end - start) / 1000))e-6 $(cat "$WORK/time") ${cipher:-?} ${kex:-?}"
}
ours() {
  measure env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u SSH_AUTH_SOCK \
    HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" "$OURS" --cli "$WORK/$1.bin"
  [[ $(tail -1 "$WORK/out") == "$BASE"/velodrop_* ]] || { echo "no link from ours: $(cat "$WORK/out")"; exit 1; }
}
theirs() {  # FILE CIPHER
  printf 'put %s %s.bin\n' "$WORK/$1.bin" "$1" >"$WORK/batch"
  measure sftp -F /dev/null -c "$2" -P "$PORT" -o UserKnownHostsFile="$WORK/home/.ssh/known_hosts" \
    -o StrictHostKeyChecking=yes -o IdentityAgent=none -o IdentitiesOnly=yes \
    -o IdentityFile="$WORK/home/.ssh/id_ed25519" -b "$WORK/batch" "$USER_NAME@127.0.0.1"
}
# The one file sshd received is the source, byte for byte; then it goes.
check() {
  local got
  got=$(find "$WORK/root" -type f)
  [ "$(wc -l <<<"$got")" -eq 1 ] && cmp -s "$WORK/$1.bin" "$got" || { echo "uploaded file differs ($1): $got"; exit 1; }
  rm -f "$got"
}

for f in ours_small theirs_small ours_medium theirs_medium ours_big theirs_big same_big; do : >"$WORK/$f"; done
# Warm-up, and the cipher ours picks.
ours small >/dev/null; check small
OURS_CIPHER=$(ours small | awk '{print $5}'); check small
for i in $(seq "$ROUNDS"); do
  for size in small medium big; do
    if ((i % 2)); then
      ours "$size" >>"$WORK/ours_$size"; check "$size"
      theirs "$size" "$CIPHER" >>"$WORK/theirs_$size"; check "$size"
    else
      theirs "$size" "$CIPHER" >>"$WORK/theirs_$size"; check "$size"
      ours "$size" >>"$WORK/ours_$size"; check "$size"
    fi
  done
  if [ "$OURS_CIPHER" != "$CIPHER" ]; then theirs big "$OURS_CIPHER" >>"$WORK/same_big"; check big; fi
done

/usr/bin/python3 - "$WORK" "$CIPHER" <<'PY'
import statistics, sys
work, cipher = sys.argv[1], sys.argv[2]
def rows(name):
    return [l.split() for l in open(f"{work}/{name}") if l.strip()]
m = statistics.median
def wall(rs): return [float(r[0]) for r in rs]
def rss(rs): return m(int(r[1]) for r in rs)
def cpu(rs): return m(float(r[2]) + float(r[3]) for r in rs)
def ciphers(rs): return ",".join(sorted({r[4] for r in rs}))
def kexes(rs): return ",".join(sorted({r[5] for r in rs}))
def mibs(rs, mib): return [mib / t for t in wall(rs)]
o, t = rows("ours_big"), rows("theirs_big")
print(f"1 GiB upload   MiB/s  ours {m(mibs(o, 1024)):7.1f} (min {min(mibs(o, 1024)):.1f})  "
      f"sftp {m(mibs(t, 1024)):7.1f} (min {min(mibs(t, 1024)):.1f})  ratio ours/sftp {m(mibs(o, 1024)) / m(mibs(t, 1024)):.3f}")
print(f"               CPU s  ours {cpu(o):.2f}  sftp {cpu(t):.2f}   cipher: ours {ciphers(o)}, sftp {ciphers(t)}")
s = rows("same_big")
if s:
    print(f"  sftp with ours' cipher ({ciphers(s)}): {m(mibs(s, 1024)):7.1f} MiB/s  ratio ours/sftp {m(mibs(o, 1024)) / m(mibs(s, 1024)):.3f}")
om, tm = rows("ours_medium"), rows("theirs_medium")
print(f"100 MiB upload MiB/s  ours {m(mibs(om, 100)):7.1f}  sftp {m(mibs(tm, 100)):7.1f}  ratio {m(mibs(om, 100)) / m(mibs(tm, 100)):.3f}")
print(f"peak RSS KiB   ours: 100 MiB {rss(om)}, 1 GiB {rss(o)} (difference {rss(o) - rss(om)})   "
      f"sftp: 100 MiB {rss(tm)}, 1 GiB {rss(t)}")
os_, ts = rows("ours_small"), rows("theirs_small")
print(f"1 KiB share    ms     ours {m(wall(os_)) * 1000:7.1f} (min {min(wall(os_)) * 1000:.1f})  "
      f"sftp {m(wall(ts)) * 1000:7.1f} (min {min(wall(ts)) * 1000:.1f})  ratio {m(wall(os_)) / m(wall(ts)):.2f}; peak RSS ours {rss(os_)} KiB")
print(f"               key exchange: ours {kexes(os_)}, sftp {kexes(ts)}")
print("runs MiB/s 1 GiB  ours: " + " ".join(f"{x:.0f}" for x in mibs(o, 1024)) +
      "   sftp: " + " ".join(f"{x:.0f}" for x in mibs(t, 1024)))
PY
