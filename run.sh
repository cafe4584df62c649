#!/usr/bin/env bash
# Builds a release build into build/ and starts Velodrop as a demo: an
# embedded FTP server and a web server over the same local folder, with
# settings of its own (your real settings are never touched), so that a
# shared file's link and QR code open a real page. Closing the program stops
# both servers.
#
#   ./run.sh [FILE]               the demo, sharing FILE at once when given
#   ./run.sh --own-server [FILE]  Velodrop with your own settings and server
set -euo pipefail
cd "$(dirname "$0")"

own=false
if [[ ${1:-} == --own-server ]]; then
  own=true
  shift
fi

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target velodrop velodrop_demo_settings

if $own; then
  exec build/velodrop "$@"
fi

DEMO=$PWD/build/demo
mkdir -p "$DEMO/www" "$DEMO/config/Velodrop"
USER_NAME=demo
PASSWORD=demo-$RANDOM$RANDOM

# Start the servers and read their ports.
coproc SERVERS { exec /usr/bin/python3 scripts/demo_server.py "$DEMO/www" "$USER_NAME" "$PASSWORD"; }
SERVERS_PID=$!
trap 'kill "$SERVERS_PID" 2>/dev/null; wait "$SERVERS_PID" 2>/dev/null || true' EXIT
read -r _ FTP_PORT <&"${SERVERS[0]}"
read -r _ HTTP_PORT <&"${SERVERS[0]}"

build/velodrop_demo_settings "$DEMO/config/Velodrop/velodrop_settings.ini" 127.0.0.1 "$FTP_PORT" \
  "$USER_NAME" "$PASSWORD" "http://127.0.0.1:$HTTP_PORT"
echo "Demo: FTP on 127.0.0.1:$FTP_PORT, web on http://127.0.0.1:$HTTP_PORT/, files in $DEMO/www"

XDG_CONFIG_HOME=$DEMO/config build/velodrop "$@"
