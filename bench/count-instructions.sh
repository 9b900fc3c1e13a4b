#!/usr/bin/env bash
# Instructions per overview build+paint and per search keystroke (bench_screens), counted by
# callgrind as the difference between 3 and 13 iterations, so set-up and first-use costs drop
# out. Steady where clocks are not: use it to compare two builds on a busy machine.
# Usage: bench/count-instructions.sh [build dir]   (needs valgrind)
set -euo pipefail
BIN=$(realpath "${1:-build}/bench/bench_screens")
count() {
  QT_QPA_PLATFORM=offscreen QRL_BENCH_ITERATIONS=$2 valgrind --tool=callgrind --callgrind-out-file=/dev/null \
    --toggle-collect="*BM_$1*" "$BIN" --benchmark_filter="^Fixed/$1" 2>&1 | awk '/Collected :/ {print $4}'
}
for b in OverviewBuildAndPaint SearchKeystroke; do
  a=$(count $b 3)
  z=$(count $b 13)
  echo "$b: $(((z - a) / 10)) instructions per iteration"
done
