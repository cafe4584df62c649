#!/usr/bin/env bash
# Builds a release build into build/ and starts Velodrop, with FILE as its
# argument when one is given.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target velodrop

exec build/velodrop "$@"
