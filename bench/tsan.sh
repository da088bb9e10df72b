#!/bin/sh
# Builds the engine's threading tests with ThreadSanitizer (build-tsan/) and
# runs them in a private desktop and network namespace. Prints each test's
# result and the number of races reported; any report fails the run.
# tests/sanitizers/tsan.supp lists, with reasons, what the sanitizer cannot
# see through in libraries not built for it. test_resolverhang is left out:
# libVLC ends its resolver thread while it waits in getaddrinfo, which the
# sanitizer's runtime takes for a fatal error of its own.
#
#   bench/tsan.sh [ctest args...]          # e.g. -R test_switching
set -eu
cd "$(dirname "$0")/.."
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j"$(nproc)" --target test_switching test_playback test_buffering >/dev/null
if [ "$(id -u)" -eq 0 ]; then ns="unshare -n"; else ns="unshare -rn"; fi
log=build-tsan/tsan.log
status=0
$ns -- ./scripts/test-session.sh ctest --preset tsan "$@" >"$log" 2>&1 || status=1
grep -E "tests passed|Passed|Failed|\*\*\*" "$log" || true
echo "ThreadSanitizer reports: $(grep -c 'WARNING: ThreadSanitizer' "$log")  (log: $log)"
exit $status
