#!/usr/bin/env bash
# Every speed and memory figure of Quorlent beside its floor or target, measured in one run on
# this machine (medians; quiet the machine first, the figures are only as good as the load):
#
#   in-process (Google Benchmark, median of repetitions; real and CPU time):
#     whole inspection (bench_inspection)               target <= 1 ms
#     PDF, English and Arabic (bench_reports)           target <= 20 ms each
#     one live sample (bench_monitor)                   target <= 0.2 ms
#     overview build+layout+paint, one search keystroke (bench_screens)   target <= 8 ms each
#   whole processes:
#     inspection + text, Markdown, JSON and PDF reports as one process (bench_report_run),
#       exec to exit, beside `inxi -Fxxz`               target: at least 20x faster
#     exec -> main window mapped, beside a bare Qt Widgets window titled the same
#       (bench_bare_window)                             target <= 1.2x the bare window's mapped time
#     exec -> first painted overview                    target <= 1.5x the bare window's mapped time
#     resident memory at the first painted overview, beside the bare window at its first paint
#                                                       target <= 1.5x
#     resident memory after every page has been shown (with a full 200-scan history)
#                                                       target <= 70 MB
#   The window figures run on one virtual screen (xvfb-run, 1400x900x24), the application and
#   the bare window alternating, each start with a profile of its own whose onboarding is done. CPU time until each moment is
#   printed too, of the whole process and of its main thread alone: on a busy machine it is steadier than the clock.
#
# Usage: bench/run-figures.sh [build dir] [runs]
#   build dir  a tree configured with -DQRL_BUILD_BENCH=ON (default: build); the targets this
#              needs are built first unless QRL_FIGURES_NO_BUILD=1
#   runs       whole-process runs per figure (default 10)
# Needs xvfb-run and python3; inxi is optional (a line says so when it is not installed).
# bench/count-instructions.sh counts the instructions of the two page figures (valgrind).
# bench/shell_start_instructions.sh counts those until the main window is mapped, beside the bare
# window (valgrind): steady where the clock of a busy machine is not.
# Nothing here fails on a figure: this prints, it does not judge a build.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
RUNS=${2:-10}
REPS=${QRL_FIGURES_REPETITIONS:-5}
# QRL_FIGURES_PARTS picks what runs (default all): any of micro, reports, window.
PARTS=" ${QRL_FIGURES_PARTS:-micro reports window} "

if [ "${QRL_FIGURES_NO_BUILD:-}" != 1 ] && [ "${QRL_FIGURES_INNER:-}" != 1 ]; then
  cmake --build "$BUILD" --target quorlent_probed bench_bare_window bench_report_run bench_inspection bench_reports \
    bench_monitor bench_screens bench_shell >/dev/null
fi
BUILD=$(realpath "$BUILD")
median() { sort -n | awk '{ v[++n] = $1 } END { if (n) print v[int((n + 1) / 2)]; else print "" }'; }

# --- inside the virtual screen: the main window beside the bare window -------------------
if [ "${QRL_FIGURES_INNER:-}" = 1 ]; then
  profile() {  # a profile of its own, onboarding done, optionally with the full history
    local dir=$1
    rm -rf "$dir"
    mkdir -p "$dir/run" "$dir/config/Lumbrel/Quorlent" "$dir/data/Lumbrel/Quorlent/History"
    chmod 700 "$dir/run"
    # The preferences store keeps each value with its type; an untyped value reads as unset.
    printf '{\n    "onboardingCompleted": {\n        "type": "bool",\n        "value": true\n    }\n}\n' \
      >"$dir/config/Lumbrel/Quorlent/preferences.json"
    [ -n "${2:-}" ] && cp "$2" "$dir/data/Lumbrel/Quorlent/History/snapshots.json"
    export HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_RUNTIME_DIR=$dir/run
  }
  launch() {  # who binary [tour]: one start, its stages relative to exec
    local who=$1 bin=$2 report=$WORK/report s
    : >"$report"
    s=$(date +%s%N)
    if [ -n "${3:-}" ]; then
      QRL_BENCH_REPORT=$report QRL_BENCH_TOUR=1 timeout 60 "$bin" >/dev/null 2>&1 || true
    else
      QRL_BENCH_REPORT=$report timeout 30 "$bin" >/dev/null 2>&1 || true
    fi
    awk -v who="$who" -v s="$s" '/^(rss|cpu|flag|faults)_/ { print who, $1, $2; next } { printf "%s %s %d\n", who, $1, ($2 - s) / 1000000 }' "$report"
  }
  # One unmeasured start of each first: the page cache, fontconfig's cache.
  profile "$WORK/p0"; launch warm "$BUILD/bench/bench_bare_window" >/dev/null; launch warm "$BUILD/bench/quorlent_probed" >/dev/null
  for i in $(seq 1 "$RUNS"); do
    profile "$WORK/b$i"; launch bare "$BUILD/bench/bench_bare_window"
    profile "$WORK/q$i"; launch ours "$BUILD/bench/quorlent_probed"
  done
  profile "$WORK/tour" "$HIST"; launch tour "$BUILD/bench/quorlent_probed" tour
  exit 0
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT


# --- in-process figures -----------------------------------------------------------------
# Median real and CPU time of one benchmark, in `unit` (ms or us).
gbench() {
  local bin=$1 filter=$2
  "$BUILD/bench/$bin" --benchmark_filter="^${filter}\$" --benchmark_repetitions="$REPS" \
    --benchmark_report_aggregates_only=true --benchmark_format=json 2>/dev/null |
    python3 -c '
import json, sys
scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
for b in json.load(sys.stdin)["benchmarks"]:
    if b.get("aggregate_name") == "median":
        k = scale[b["time_unit"]]
        print("%.3f %.3f" % (b["real_time"] * k, b["cpu_time"] * k))
        break
' || echo "- -"
}

ROWS=()
row() { ROWS+=("$(printf '%-58s %14s %22s %9s  %s' "$1" "$2" "$3" "$4" "$5")"); }
verdict() { python3 -c "import sys; print('met' if float(sys.argv[1]) <= float(sys.argv[2]) else 'NOT met')" "$1" "$2" 2>/dev/null || echo "?"; }
ratio() { python3 -c "import sys; print('%.2fx' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$2" 2>/dev/null || echo "?"; }

micro() {
  local label=$1 bin=$2 filter=$3 target=$4
  read -r real cpu < <(gbench "$bin" "$filter")
  if [ "$real" = - ]; then row "$label ($bin $filter)" "missing" "<= $target ms" "" ""; return; fi
  row "$label" "$real ms" "<= $target ms" "$(ratio "$real" "$target")" "$(verdict "$real" "$target") (CPU $cpu ms)"
}

echo "Quorlent figures, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
if [[ $PARTS == *" micro "* ]]; then
micro "whole inspection" bench_inspection BM_Inspection 1
micro "PDF, English" bench_reports BM_Pdf 20
micro "PDF, Arabic" bench_reports BM_PdfArabic 20
micro "one live sample" bench_monitor BM_SampleThisMachine 0.2
micro "overview build + layout + paint" bench_screens BM_OverviewBuildAndPaint 8
micro "one search keystroke" bench_screens BM_SearchKeystroke 8
fi

# --- inspection and reports as one process, beside inxi ---------------------------------
elapsed_ms() {  # runs "$@" once, prints fork-to-exit in ms
  # The shell's own clock: a `date` process on either side would add its own start-up to the
  # figure (a few milliseconds, which matter beside a 50 ms run).
  local s e
  s=${EPOCHREALTIME/[.,]/}
  "$@" >/dev/null 2>&1 || true
  e=${EPOCHREALTIME/[.,]/}
  echo $(((e - s) / 1000))
}
if [[ $PARTS == *" reports "* ]]; then
mkdir -p "$WORK/reports"
for _ in $(seq 1 "$RUNS"); do elapsed_ms "$BUILD/bench/bench_report_run" "$WORK/reports"; done | median >"$WORK/ours_reports"
ours_reports=$(cat "$WORK/ours_reports")
if command -v inxi >/dev/null; then
  for _ in $(seq 1 "$RUNS"); do elapsed_ms inxi -Fxxz; done | median >"$WORK/inxi"
  inxi_ms=$(cat "$WORK/inxi")
  row "inspection + 4 reports, one process (inxi -Fxxz $inxi_ms ms)" "$ours_reports ms" ">= 20x faster" \
    "$(python3 -c "import sys; print('%.1fx faster' % (float(sys.argv[2]) / float(sys.argv[1])))" "$ours_reports" "$inxi_ms")" \
    "$(python3 -c "import sys; print('met' if float(sys.argv[2]) >= 20 * float(sys.argv[1]) else 'NOT met')" "$ours_reports" "$inxi_ms")"
else
  row "inspection + 4 reports, one process" "$ours_reports ms" ">= 20x faster than inxi" "" "inxi is not installed: no floor"
fi
fi

# --- the main window beside the bare window, on one virtual screen ----------------------
if [[ $PARTS == *" window "* ]]; then
HIST="$WORK/full-history.json"
"$BUILD/bench/bench_shell" --write-history "$HIST"
export HIST
# QRL_FIGURES_BUS=1 runs the window figures inside a session bus of their own (dbus-run-session):
# a desktop has one, but not the services behind it, so calls that would be answered time
# out or fail slowly there. By default there is none, and the first D-Bus call spawns
# dbus-launch, as in CI.
BUS=()
if [ "${QRL_FIGURES_BUS:-}" = 1 ] && command -v dbus-run-session >/dev/null; then BUS=(dbus-run-session --); fi
QRL_FIGURES_INNER=1 WORK="$WORK" "${BUS[@]}" xvfb-run -a -s "-screen 0 1400x900x24" "$0" "$BUILD" "$RUNS" >"$WORK/window" 2>/dev/null ||
  true
[ ${#BUS[@]} -gt 0 ] && row "(window figures inside a session bus of their own)" "" "" "" ""
pick() { awk -v w="$1" -v f="$2" '$1 == w && $2 == f { print $3 }' "$WORK/window" | median; }
bare_mapped=$(pick bare mapped)
ours_mapped=$(pick ours mapped)
ours_painted=$(pick ours painted)
bare_rss=$(pick bare rss_start)
ours_rss=$(pick ours rss_start)
tour_rss=$(pick tour rss_tour)
mb() { python3 -c "import sys; print('%.1f' % (float(sys.argv[1]) / 1024))" "$1" 2>/dev/null || echo "?"; }
if awk '$2 == "flag_onboarding" && $3 == 1 { found = 1 } END { exit !found }' "$WORK/window"; then
  row "(onboarding was shown: these are not the figures of a usual start)" "" "" "" ""
fi
if awk '$1 == "ours" && $2 == "flag_font_matches_taken" && $3 == 0 { found = 1 } END { exit !found }' "$WORK/window"; then
  row "(no font match made ahead was taken: the executable no longer stands in for fontconfig's matches)" "" "" "" ""
fi
if [ -z "$bare_mapped" ] || [ -z "$ours_mapped" ] || [ -z "$ours_painted" ]; then
  row "start-up on the virtual screen" "failed" "" "" "no report (is xvfb-run installed?)"
else
  row "exec -> main window mapped (bare window $bare_mapped ms)" "$ours_mapped ms" "<= 1.2x bare" \
    "$(ratio "$ours_mapped" "$bare_mapped")" "$(verdict "$ours_mapped" "$(python3 -c "print(1.2 * $bare_mapped)")")"
  row "exec -> first painted overview (bare mapped $bare_mapped ms)" "$ours_painted ms" "<= 1.5x bare mapped" \
    "$(ratio "$ours_painted" "$bare_mapped")" "$(verdict "$ours_painted" "$(python3 -c "print(1.5 * $bare_mapped)")")"
  # The same moments in CPU time of the process (all its threads): steadier under load.
  bare_cpu=$(pick bare cpu_mapped)
  row "  CPU until mapped (bare window $bare_cpu ms)" "$(pick ours cpu_mapped) ms" "<= 1.2x bare" \
    "$(ratio "$(pick ours cpu_mapped)" "$bare_cpu")" ""
  row "  CPU until the first painted overview (bare mapped $bare_cpu ms)" "$(pick ours cpu_painted) ms" "<= 1.5x bare" \
    "$(ratio "$(pick ours cpu_painted)" "$bare_cpu")" ""
  # And of the main thread alone: what the window waits on when the workers have cores of their own.
  bare_main=$(pick bare cpu_main_mapped)
  row "  main-thread CPU until mapped (bare window $bare_main ms)" "$(pick ours cpu_main_mapped) ms" "<= 1.2x bare" \
    "$(ratio "$(pick ours cpu_main_mapped)" "$bare_main")" ""
  row "  main-thread CPU until the first painted overview" "$(pick ours cpu_main_painted) ms" "<= 1.5x bare" \
    "$(ratio "$(pick ours cpu_main_painted)" "$bare_main")" ""
  # Page faults until mapped, of the process and of the main thread: on a virtual machine each
  # costs far more than the instructions around it.
  row "  page faults until mapped (bare window $(pick bare faults_mapped))" "$(pick ours faults_mapped)" "" \
    "$(ratio "$(pick ours faults_mapped)" "$(pick bare faults_mapped)")" "main thread $(pick ours faults_main_mapped) (bare $(pick bare faults_main_mapped))"
  row "resident memory at start (bare window $(mb "$bare_rss") MB)" "$(mb "$ours_rss") MB" "<= 1.5x bare" \
    "$(ratio "$ours_rss" "$bare_rss")" "$(verdict "$ours_rss" "$(python3 -c "print(1.5 * $bare_rss)")")"
  if [ -n "$tour_rss" ]; then
    row "resident memory after every page (full history)" "$(mb "$tour_rss") MB" "<= 70 MB" \
      "$(ratio "$(mb "$tour_rss")" 70)" "$(verdict "$(mb "$tour_rss")" 70)"
  else
    row "resident memory after every page" "failed" "<= 70 MB" "" "the tour did not report"
  fi
fi
fi

echo
printf '%-58s %14s %22s %9s  %s\n' "figure" "value" "floor / target" "ratio" "verdict"
printf '%s\n' "${ROWS[@]}"
if [ -n "${QRL_FIGURES_RAW:-}" ]; then echo; cat "$WORK/window"; fi
