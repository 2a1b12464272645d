#!/usr/bin/env bash
# Fuzzes the open-draw-write path of PDF files (tools/fuzz-pdf) for a given number of minutes,
# seeded with the shared PDF corpus, and prints libFuzzer's closing figures. Not part of CI.
#   bench/fuzz-pdf.sh [MINUTES] [WORKERS]     (10 minutes and one process unless told)
# The build goes to build/fuzz-pdf (clang 14, AddressSanitizer and UBSan). New inputs found are
# kept in build/fuzz-pdf/found (the corpus itself is never written); crashes, leaks and timeouts
# are saved in build/fuzz-pdf/artifacts. Repeat one with
#   build/fuzz-pdf/tools/fuzz-pdf/fuzz-pdf build/fuzz-pdf/artifacts/crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
workers=${2:-1}
seeds=${FENMOOR_CORPUS_DIR:-$PWD/../shared/corpus}/qpdf-tests
build=build/fuzz-pdf

if ! command -v clang++-14 >/dev/null; then
    echo "fuzz-pdf: clang++-14 is needed (apt-get install clang-14)" >&2
    exit 2
fi
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14 \
        -DCMAKE_C_COMPILER=clang-14 -DFENMOOR_SANITIZE=ON -DFENMOOR_TESTS=OFF \
        -DFENMOOR_BENCH=OFF >/dev/null
fi
ninja -C "$build" fuzz-pdf >/dev/null

mkdir -p "$build/found" "$build/artifacts" "$build/scratch"
dirs=("$build/found")
if [ -d "$seeds" ]; then
    dirs+=("$seeds")
else
    echo "fuzz-pdf: no seed corpus at $seeds; starting from nothing" >&2
fi

args=(-max_total_time=$((minutes * 60)) -timeout=10 -rss_limit_mb=2048 -max_len=262144
    -print_final_stats=1 -artifact_prefix="$build/artifacts/")
if [ "$workers" -gt 1 ]; then
    args+=(-fork="$workers" -ignore_crashes=1)
fi
# The target writes its files into its own folder under TMPDIR.
export TMPDIR="$PWD/$build/scratch"
log="$build/last-run.log"
echo "fuzz-pdf: fuzzing for $minutes minute(s) with $workers worker(s); log in $log"
set +e
"$build/tools/fuzz-pdf/fuzz-pdf" "${args[@]}" "${dirs[@]}" >"$log" 2>&1
status=$?
set -e
grep -E "^(INFO: seed corpus|#[0-9]+[[:space:]]+(INITED|DONE)|stat::|==[0-9]+==ERROR|SUMMARY|Test unit written|fuzz-pdf:|INFO: -fork=.*seed inputs)" "$log" || true
# With workers, libFuzzer prints a running status line instead of closing figures: the last one
# holds the executions, crashes and seconds of the whole run.
last=$(grep -E "^#[0-9]+: cov:" "$log" | tail -n 1 || true)
if [ -n "$last" ]; then
    echo "$last"
    echo "$last" | sed -E 's/^#([0-9]+):.* time: ([0-9]+)s.*/\1 \2/' |
        awk '$2 > 0 { printf "fuzz-pdf: %d executions in %d s, %.1f per second over all workers\n", $1, $2, $1 / $2 }'
fi
echo "fuzz-pdf: libFuzzer exit status $status"
exit "$status"
