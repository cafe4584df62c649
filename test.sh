#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-test/ and runs the whole test suite. Exits non-zero on any failure,
# and before building when a source file does not follow .clang-format.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
scripts/check-format.sh

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELODROP_SANITIZE=ON >/dev/null
cmake --build build-test

export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-test
ctest --output-on-failure -j2 "$@"
