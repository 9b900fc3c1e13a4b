#!/usr/bin/env bash
# Instructions from exec to the main window mapped (or to the first painted overview), counted
# by callgrind, of the whole process and of its main thread, beside the bare window's: load
# does not move them, so they compare two builds on a busy machine where the clock cannot.
# Usage: bench/shell_start_instructions.sh [build dir] [mapped|painted] [keep dir]
#   keep dir  where the callgrind files stay for callgrind_annotate (default: removed)
# Needs valgrind and xvfb-run; builds nothing itself.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath "${1:-build}")
STOP=${2:-mapped}
WORK=${3:-}
if [ -z "$WORK" ]; then WORK=$(mktemp -d); trap 'rm -rf "$WORK"' EXIT; fi
mkdir -p "$WORK"
WORK=$(realpath "$WORK")

if [ "${QRL_INSTRUCTIONS_INNER:-}" = 1 ]; then
  count() {  # who binary: one start under callgrind with a profile of its own, onboarding done
    local who=$1 bin=$2 dir=$WORK/profile-$1
    rm -rf "$dir" "$WORK/$who".cg*
    mkdir -p "$dir/run" "$dir/config/Lumbrel/Quorlent"
    chmod 700 "$dir/run"
    printf '{\n    "onboardingCompleted": {\n        "type": "bool",\n        "value": true\n    }\n}\n' \
      >"$dir/config/Lumbrel/Quorlent/preferences.json"
    HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_RUNTIME_DIR=$dir/run \
      QRL_BENCH_REPORT=$dir/report QRL_BENCH_STOP=$STOP timeout 300 \
      valgrind --tool=callgrind --separate-threads=yes --callgrind-out-file="$WORK/$who.cg" "$bin" >/dev/null 2>&1 || true
    # One file per thread; the main thread's is the first.
    local total=0 main=0 n f
    for f in "$WORK/$who".cg*; do
      n=$(awk '/^summary:/ { print $2 }' "$f")
      [ -n "$n" ] || continue
      total=$((total + n))
      case $f in *-01) main=$n ;; esac
    done
    echo "$who $total $main"
  }
  count bare "$BUILD/bench/bench_bare_window"
  count ours "$BUILD/bench/quorlent_probed"
  exit 0
fi

QRL_INSTRUCTIONS_INNER=1 xvfb-run -a -s "-screen 0 1400x900x24" "$0" "$BUILD" "$STOP" "$WORK" >"$WORK/counts" 2>/dev/null || true
# The bare window has no overview: its mapped moment is the floor of both.
awk -v stop="$STOP" '
  { total[$1] = $2; main[$1] = $3 }
  END {
    printf "instructions until %s: %.1f M (main thread %.1f M); bare window mapped %.1f M (main %.1f M)\n",
      stop, total["ours"] / 1e6, main["ours"] / 1e6, total["bare"] / 1e6, main["bare"] / 1e6
    if (total["bare"] && main["bare"]) printf "ratio %.2fx (main thread %.2fx)\n", total["ours"] / total["bare"], main["ours"] / main["bare"]
  }' "$WORK/counts"
