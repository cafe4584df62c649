#!/usr/bin/env bash
# Times a 1 KiB share in its parts, then compares the peak memory of a
# 2 GiB share with that of the 1 KiB share (the upload streams in pieces).
# Usage: bench/app/share_memory.sh [BUILD_DIR] [SIZE_MIB]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build-bench}
SIZE=${2:-2048}
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target share_bench >/dev/null
small=$("$BUILD/bench/app/share_bench" 0)
big=$("$BUILD/bench/app/share_bench" "$SIZE")
echo "$small"
echo "$big"
s=$(sed -E 's/.*peak ([0-9]+) KiB/\1/' <<<"$small")
b=$(sed -E 's/.*peak ([0-9]+) KiB/\1/' <<<"$big")
echo "peak difference: $(( (b - s) / 1024 )) MiB"
