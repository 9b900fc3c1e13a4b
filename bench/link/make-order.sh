#!/usr/bin/env bash
# Writes bench/link/start-order.txt: the functions of our code that a start runs (until the main
# window is mapped, then until the first overview is painted and settled), then those that the
# report run adds, each group sorted by name. The linker lays them first, side by side
# (cmake/LinkLayout.cmake). Run it on a tree built with -DQRL_BUILD_BENCH=ON after changes that
# move much code; a stale list only costs speed.
# Usage: bench/link/make-order.sh [build dir]
# Needs valgrind and xvfb-run; builds nothing itself.
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=$(realpath "${1:-build}")
OUT=bench/link/start-order.txt
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# The named functions of one binary that ran in a callgrind profile.
functions() {
  awk -v bin="$2" '/^ob=/ { ob = substr($0, 4) } /^fn=/ { if (ob == bin) print substr($0, 4) }' "$1" |
    grep -v '^0x' | LC_ALL=C sort -u
}
start() {  # stop moment: one start under callgrind, with a profile of its own, onboarding done
  local dir=$WORK/profile-$1
  mkdir -p "$dir/run" "$dir/config/Lumbrel/Quorlent"
  chmod 700 "$dir/run"
  printf '{\n    "onboardingCompleted": {\n        "type": "bool",\n        "value": true\n    }\n}\n' \
    >"$dir/config/Lumbrel/Quorlent/preferences.json"
  HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_RUNTIME_DIR=$dir/run \
    QRL_BENCH_REPORT=$dir/report QRL_BENCH_STOP=$1 timeout 300 \
    xvfb-run -a -s "-screen 0 1400x900x24" valgrind --tool=callgrind --demangle=no --compress-strings=no \
    --compress-pos=no --callgrind-out-file="$WORK/$1.cg" "$BUILD/bench/quorlent_probed" >/dev/null 2>&1 || true
  functions "$WORK/$1.cg" "$BUILD/bench/quorlent_probed"
}
start mapped >"$WORK/mapped"
start start >"$WORK/start"
mkdir -p "$WORK/reports"
valgrind --tool=callgrind --demangle=no --compress-strings=no --compress-pos=no \
  --callgrind-out-file="$WORK/reports.cg" "$BUILD/bench/bench_report_run" "$WORK/reports" >/dev/null 2>&1 || true
functions "$WORK/reports.cg" "$BUILD/bench/bench_report_run" >"$WORK/reports.fns"
# The program's own entries differ between the probes and the application; main is one name.
[ -s "$WORK/mapped" ] || { echo "the profiled start ran none of our code: is $BUILD built?" >&2; exit 1; }
{
  cat "$WORK/mapped"
  LC_ALL=C comm -13 "$WORK/mapped" "$WORK/start"
  LC_ALL=C sort -u "$WORK/mapped" "$WORK/start" >"$WORK/seen"
  LC_ALL=C comm -13 "$WORK/seen" "$WORK/reports.fns"
} >"$OUT"
echo "$OUT: $(wc -l <"$OUT") functions ($(wc -l <"$WORK/mapped") until mapped)"
