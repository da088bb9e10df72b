#!/bin/sh
# Installs what is missing, builds, and runs every test inside a private
# desktop in a network namespace where only loopback exists:
#   1. the whole suite on the normal build (build/);
#   2. the unit and engine tests once more under ASan+UBSan (build-asan/,
#      only the tests labelled "sanitize" are built there);
#   3. each parser's fuzz target for a few seconds (build-fuzz/, clang).
# Arguments go to every ctest run (e.g. -R regex).
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
# Three trees compile much the same sources: a compiler cache spares the
# second and later runs most of that.
cache=""
command -v ccache >/dev/null && cache="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELO_TESTS=ON $cache
cmake --build build -j"$(nproc)"
cmake --preset asan $cache >/dev/null
cmake --build --preset asan -j"$(nproc)" --target brelo_sanitize_tests
cmake --preset fuzz $cache >/dev/null
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
    echo "== unit and engine tests under ASan+UBSan"
    run ctest --preset asan "$@"
    echo "== fuzz targets"
    run ctest --preset fuzz "$@"
    # One closing line for all the runs together.
    sed -n "s/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\)/\1 \2/p" "$log" |
        awk "{ f += \$1; t += \$2 } END { printf \"%d passed, %d failed\\n\", t - f, f }"
    rm -f "$log" "$log.rc"
    exit $status' sh "$@"
