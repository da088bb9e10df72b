#!/bin/sh
# The project's proof. Installs what is missing, checks the format, builds,
# and runs every test in a network namespace where only loopback exists,
# each test in a private desktop of its own (scripts/test-session.sh):
#   1. the whole suite on the normal build (build/), several tests at once;
#   2. the unit and engine tests once more under ASan+UBSan (build-asan/,
#      only the tests labelled "sanitize" are built there);
#   3. each parser's fuzz target for a few seconds (build-fuzz/, clang).
# Arguments go to every ctest run (e.g. -R regex).
#
#   scripts/run-tests.sh [ctest args...]          everything, as CI runs it
#   scripts/run-tests.sh --fast [ctest args...]   the editing loop: builds what
#       the unit and engine tests need in build/ and runs only those tiers
#
# BRELO_TEST_JOBS sets how many tests run at once (default: twice the cores;
# most tests spend their time waiting on streams and windows, not computing).
set -eu
cd "$(dirname "$0")/.."

fast=""
[ "${1:-}" = "--fast" ] && { fast=1; shift; }
jobs=${BRELO_TEST_JOBS:-$(($(nproc) * 2))}

# The three trees, and the trees of other clones beside this one, compile
# much the same sources: the compiler cache spares most of that once paths
# are taken relative to the tree and the build folder's name is not hashed.
cache=""
if command -v ccache >/dev/null; then
    cache="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
fi

if [ "$(id -u)" -eq 0 ]; then ns="unshare -n"; else ns="unshare -rn"; fi

started=$(date +%s)
stage() { echo "== $* ($(($(date +%s) - started)) s so far)"; }

if [ -n "$fast" ]; then
    [ -f build/CMakeCache.txt ] ||
        cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELO_TESTS=ON $cache >/dev/null
    cmake --build build -j"$(nproc)" --target brelo_fast_tests
    stage "unit and engine tests, $jobs at a time"
    exec $ns -- ctest --test-dir build -L '^(unit|engine)$' -j"$jobs" --output-on-failure "$@"
fi

./scripts/setup.sh
stage "format"
format=0
./scripts/check-format.sh || format=1

stage "build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELO_TESTS=ON $cache >/dev/null
cmake --build build -j"$(nproc)"
cmake --preset asan $cache >/dev/null
cmake --build --preset asan -j"$(nproc)" --target brelo_sanitize_tests
cmake --preset fuzz $cache >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

export BRELO_FORMAT_FAILED=$format BRELO_TEST_JOBS=$jobs BRELO_STARTED=$started
exec $ns -- sh -c '
    ip link set lo up 2>/dev/null || true
    log=$(mktemp)
    status=0
    stage() { echo "== $* ($(($(date +%s) - BRELO_STARTED)) s so far)"; }
    # Each run is teed to the log; its own exit code is kept apart.
    run() {
        { "$@"; echo $? >"$log.rc"; } | tee -a "$log"
        [ "$(cat "$log.rc")" -eq 0 ] || status=1
    }
    stage "whole suite, $BRELO_TEST_JOBS at a time"
    run ctest --test-dir build -j"$BRELO_TEST_JOBS" --output-on-failure "$@"
    stage "unit and engine tests under ASan+UBSan"
    run ctest --preset asan -j"$BRELO_TEST_JOBS" "$@"
    stage "fuzz targets"
    run ctest --preset fuzz -j"$(nproc)" "$@"
    stage "done"
    # One closing line for all the runs together; the format check counts
    # as one test.
    { sed -n "s/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\)/\1 \2/p" "$log"
      echo "$BRELO_FORMAT_FAILED 1"; } |
        awk "{ f += \$1; t += \$2 } END { printf \"%d passed, %d failed\\n\", t - f, f }"
    [ "$BRELO_FORMAT_FAILED" -eq 0 ] || status=1
    rm -f "$log" "$log.rc"
    exit $status' sh "$@"
