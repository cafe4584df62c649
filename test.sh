#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-test/ and runs the whole test suite, then the fuzzers (build-fuzz/).
# Exits non-zero on any failure, and before building when a source file does
# not follow .clang-format.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
scripts/check-format.sh

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELODROP_SANITIZE=ON >/dev/null
cmake --build build-test

export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd build-test && ctest --output-on-failure -j2 "$@")

# The fuzzers, built with clang: each over its seed corpus and a few seconds
# more, so that they keep building and old findings stay fixed.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELODROP_FUZZ=ON -DVELODROP_BUILD_TESTS=OFF -DVELODROP_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzzers
scripts/run-fuzzers.sh build-fuzz 5
