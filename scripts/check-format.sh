#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what .clang-format makes of
# it, and names the files. Reformat with:
#   git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h')
report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1) && exit 0
echo "These files do not follow .clang-format:" >&2
grep -oE '^[^:]+\.(cpp|h):' <<<"$report" | sort -u | sed 's/:$//; s/^/  /' >&2
exit 1
