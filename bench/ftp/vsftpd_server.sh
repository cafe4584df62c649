# Sourced by the vsftpd benchmarks (ftps_vs_curl.sh, upload_vs_raw_tcp.sh):
# vsftpd logs in a local user, so this needs root. The user (made when
# missing) and a PAM service file that lets only it in (removed again at
# exit) are set up here; start_vsftpd starts servers that end with the
# script, and WORK goes at exit too. track_cpu and server_cpu give the CPU
# time a server and its sessions have used.
# Before sourcing: WORK_PREFIX, the name of the scratch folder WORK this
# makes (in /dev/shm when there, so the disk decides nothing).
[ "$(id -u)" -eq 0 ] || { echo "vsftpd logs in a local user: run as root"; exit 1; }
[ -x /usr/sbin/vsftpd ] || { echo "/usr/sbin/vsftpd is missing (scripts/install-deps.sh)"; exit 1; }

USER_NAME=velodrop-ftps
USER_HOME=/var/lib/velodrop-ftps
PASSWORD=any-password
SHM=/dev/shm; [ -d "$SHM" ] && [ -w "$SHM" ] || SHM=/tmp
WORK=$(mktemp -d "$SHM/$WORK_PREFIX-XXXXXX")

chmod 755 "$WORK"
PAM="velodrop-bench-vsftpd-$$"
PIDS=()
CGROUPS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  for group in "${CGROUPS[@]}"; do
    for _ in $(seq 100); do rmdir "$group" 2>/dev/null && break; sleep 0.05; done
  done
  rm -f "/etc/pam.d/$PAM"
  rm -rf "$WORK"
}
trap cleanup EXIT

getent passwd "$USER_NAME" >/dev/null ||
  useradd --system --home-dir "$USER_HOME" --shell /usr/sbin/nologin "$USER_NAME"
mkdir -p "$USER_HOME"; chown "$USER_NAME" "$USER_HOME"
printf 'auth required pam_succeed_if.so quiet user = %s\nauth required pam_permit.so\naccount required pam_permit.so\nsession required pam_permit.so\n' \
  "$USER_NAME" >"/etc/pam.d/$PAM"

# start_vsftpd NAME [CONFIG_LINES]: a vsftpd in the foreground on a port the
# kernel picks, with its home in $WORK/NAME/home and the lines added to its
# configuration; writes the port (read back from /proc) to $WORK/NAME.port
# and the server's process id to $WORK/NAME.pid. Not to be run inside $( ),
# which would lose PIDS.
start_vsftpd() {
  local name=$1 extra=${2:-} dir="$WORK/$1"
  mkdir -p "$dir/home" "$dir/empty"; chown "$USER_NAME" "$dir/home"
  cat >"$dir/vsftpd.conf" <<EOF
listen=YES
listen_ipv6=NO
background=NO
listen_address=127.0.0.1
listen_port=0
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_root=$dir/home
pam_service_name=$PAM
secure_chroot_dir=$dir/empty
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
pasv_enable=YES
pasv_min_port=20000
pasv_max_port=29999
xferlog_enable=NO
syslog_enable=NO
$extra
EOF
  /usr/sbin/vsftpd "$dir/vsftpd.conf" >"$dir/out" 2>&1 &
  local pid=$!
  PIDS+=("$pid")
  echo "$pid" >"$WORK/$name.pid"
  for _ in $(seq 200); do
    local inode hex
    inode=$(ls -l "/proc/$pid/fd" 2>/dev/null | grep -o 'socket:\[[0-9]*\]' | grep -o '[0-9]*' | head -1 || true)
    if [ -n "$inode" ]; then
      hex=$(awk -v i="$inode" '$4 == "0A" && $10 == i {split($2, a, ":"); print a[2]}' /proc/net/tcp)
      if [ -n "$hex" ]; then echo $((16#$hex)) >"$WORK/$name.port"; return; fi
    fi
    sleep 0.05
  done
  echo "vsftpd $name did not start: $(cat "$dir/out")" >&2
  exit 1
}

# track_cpu NAME: puts the server started as NAME into a control group of
# its own (cgroup v2), which its sessions then join. vsftpd forks a process
# per session and that one a worker that often ends after its parent, so
# init reaps the worker and no wait of the listener ever counts its CPU
# time (the listener's cutime misses it); the control group counts all of
# them. Without a cgroup2 mount, server_cpu prints "nan".
track_cpu() {
  local mount
  mount=$(awk '$3 == "cgroup2" {print $2; exit}' /proc/mounts)
  [ -n "$mount" ] || return 0
  local group="$mount/velodrop-bench-$$-$1"
  mkdir "$group" && CGROUPS+=("$group") && echo "$group" >"$WORK/$1.cgroup" &&
    cat "$WORK/$1.pid" >"$group/cgroup.procs"
}

# server_cpu NAME: the CPU seconds the server NAME has used since
# track_cpu, once its sessions have ended (only the listener is left).
server_cpu() {
  [ -f "$WORK/$1.cgroup" ] || { echo nan; return; }
  local group
  group=$(cat "$WORK/$1.cgroup")
  for _ in $(seq 500); do
    [ "$(wc -l <"$group/cgroup.procs")" -le 1 ] && break
    sleep 0.01
  done
  awk '$1 == "usage_usec" {print $2 / 1e6}' "$group/cpu.stat"
}

# measure COMMAND...: one run of a client, printed as "wall user sys" in
# seconds (wall with ns resolution; the client's CPU time tells more than
# its wall time on a busy machine).
measure() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f "%U %S" -o "$WORK/time" "$@" >/dev/null 2>"$WORK/err" || { cat "$WORK/err"; exit 1; }
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000 ))e-6 $(cat "$WORK/time")"
}
