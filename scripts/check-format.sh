#!/bin/sh
# Fails when a tracked C++ file differs from what clang-format makes of it
# with the project's .clang-format, and names the files that do.
#
#   scripts/check-format.sh          check
#   scripts/check-format.sh --fix    rewrite the drifting files in place
set -eu
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is missing (scripts/setup.sh installs it)" >&2; exit 1; }
drift=$(git ls-files -z '*.cpp' '*.h' | xargs -0 -n 50 -P 2 clang-format --style=file --dry-run 2>&1 |
    sed -n 's/^\([^: ]*\):[0-9]*:[0-9]*: \(warning\|error\): .*/\1/p' | sort -u)
[ -z "$drift" ] && { echo "format: every C++ file as .clang-format has it"; exit 0; }
if [ "${1:-}" = "--fix" ]; then
    clang-format -i --style=file $drift
    echo "format: rewrote" $drift
    exit 0
fi
echo "format: these files differ from .clang-format (scripts/check-format.sh --fix mends them):" >&2
for f in $drift; do echo "  $f" >&2; done
exit 1
