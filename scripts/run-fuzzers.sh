#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build over its seed corpus (tests/fuzz/corpus/)
# and for SECONDS more. New inputs go to a scratch folder, never into the
# tree. Fails on the first crash, leak or timeout, naming the input.
#
#   scripts/run-fuzzers.sh BUILD_DIR [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=${2:-5}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for fuzzer in "$build"/tests/fuzz/fuzz_*; do
  name=$(basename "$fuzzer")
  corpus=tests/fuzz/corpus/${name#fuzz_}
  mkdir -p "$scratch/$name"
  if ! "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
       -artifact_prefix="$scratch/$name/" "$scratch/$name" "$corpus" \
       >"$scratch/$name.log" 2>&1; then
    tail -n 40 "$scratch/$name.log" >&2
    echo "$name failed; the input:" "$scratch/$name"/crash-* "$scratch/$name"/leak-* \
         "$scratch/$name"/timeout-* "$scratch/$name"/oom-* 2>/dev/null >&2
    for input in "$scratch/$name"/{crash,leak,timeout,oom}-*; do
      [[ -f $input ]] && od -A x -t x1z "$input" | head -n 20 >&2
    done
    exit 1
  fi
  echo "$name: $(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$scratch/$name.log")"
done
