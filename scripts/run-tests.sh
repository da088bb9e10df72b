#!/bin/sh
# Installs what is missing, builds, and runs every test inside a private
# desktop in a network namespace where only loopback exists:
#   1. the whole suite on the normal build (build/);
#   2. each parser's fuzz target for a few seconds (build-fuzz/, clang).
# Arguments go to every ctest run (e.g. -R regex).
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELO_TESTS=ON
cmake --build build -j"$(nproc)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

if [ "$(id -u)" -eq 0 ]; then ns="unshare -n"; else ns="unshare -rn"; fi
exec $ns -- ./scripts/test-session.sh sh -c '
    log=$(mktemp)
    status=0
    # Each run is teed to the log; its own exit code is kept apart.
    run() {
        { "$@"; echo $? >"$log.rc"; } | tee -a "$log"
        [ "$(cat "$log.rc")" -eq 0 ] || status=1
    }
    run ctest --test-dir build --output-on-failure "$@"
    echo "== fuzz targets"
    run ctest --preset fuzz "$@"
    # One closing line for both runs together.
    sed -n "s/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\)/\1 \2/p" "$log" |
        awk "{ f += \$1; t += \$2 } END { printf \"%d passed, %d failed\\n\", t - f, f }"
    rm -f "$log" "$log.rc"
    exit $status' sh "$@"
