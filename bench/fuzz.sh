#!/bin/sh
# Runs the parsers' fuzz targets for as long as asked, one after another at
# low priority, and prints each one's runs, coverage and findings.
#
#   bench/fuzz.sh [seconds per target] [target...]
#   bench/fuzz.sh 600                        # every target, ten minutes each
#   bench/fuzz.sh 60 fuzz_playlist
#
# Inputs that grow coverage collect in build-fuzz/tests/fuzz/corpus-*/ (the
# seeds in tests/fuzz/corpus/ stay as they are); a crash, hang or leak
# leaves its input as build-fuzz/tests/fuzz/<target>-crash-* (or -timeout-,
# -leak-, -oom-) and makes this script exit non-zero.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift

cmake -S . -B build-fuzz -DBRELO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

dir=build-fuzz/tests/fuzz
targets=${*:-$(find "$dir" -maxdepth 1 -type f -perm -u+x -name "fuzz_*" -printf "%f\n" | sort)}
status=0
for t in $targets; do
    corpus=${t#fuzz_}
    mkdir -p "$dir/corpus-$corpus"
    log="$dir/$t.log"
    echo "== $t: $seconds s"
    # Station playlists are read up to 256 KiB, so inputs that large must
    # parse in reasonable time too; -timeout catches the ones that do not.
    if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
        nice -n 10 "$dir/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -len_control=200 -print_final_stats=1 \
        -artifact_prefix="$dir/$t-" "$dir/corpus-$corpus" "tests/fuzz/corpus/$corpus" >"$log" 2>&1; then
        result="clean"
    else
        result="FINDING (see $log)"
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "   $result; $runs runs, $cov, corpus $(ls "$dir/corpus-$corpus" | wc -l) files"
done
exit $status
