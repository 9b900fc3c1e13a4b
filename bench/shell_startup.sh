#!/usr/bin/env bash
# Whole-process figures of the application on a virtual screen:
#  - exec → first painted overview (ms), with an empty profile and with a full 200-scan history;
#  - resident memory after every page has been shown once (with the full history loaded);
#  - CPU time and wake-ups of an idle main window over 20 seconds.
# Usage: bench/shell_startup.sh [build dir] [runs]   (needs xvfb-run; builds nothing itself)
# The application measured is bench/quorlent_probed: our entry with the start-up probe beside it
# (bench/startup/probe_hook.cpp). bench/run-figures.sh puts these figures beside their floors.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
RUNS=${2:-10}
BIN=$(realpath "$BUILD/bench/quorlent_probed")
HELPER=$(realpath "$BUILD/bench/bench_shell")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

inner() {
  local profile=$1 report=$2 tour=${3:-}
  export HOME="$WORK/$profile" XDG_CONFIG_HOME="$WORK/$profile/config" XDG_DATA_HOME="$WORK/$profile/data"
  export XDG_RUNTIME_DIR="$WORK/$profile/run"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  : > "$report"
  local start
  start=$(date +%s%N)
  if [ -n "$tour" ]; then
    QRL_BENCH_REPORT="$report" QRL_BENCH_TOUR=1 "$BIN" >/dev/null 2>&1 &
  else
    QRL_BENCH_REPORT="$report" "$BIN" >/dev/null 2>&1 &
  fi
  local pid=$!
  for _ in $(seq 1 200); do
    grep -q "^painted" "$report" 2>/dev/null && break
    sleep 0.05
  done
  if [ -n "$tour" ]; then
    wait $pid || true
  else
    kill $pid 2>/dev/null; wait $pid 2>/dev/null || true
  fi
  local painted
  painted=$(awk '/^painted/ {print $2}' "$report")
  echo "startup_ms $(( (painted - start) / 1000000 ))"
  local stage at
  for stage in application mapped; do
    at=$(awk -v s=$stage '$1 == s {print $2}' "$report")
    [ -n "$at" ] && echo "${stage}_ms $(( (at - start) / 1000000 ))"
  done
  grep "^rss_" "$report" || true
}

idle() {
  export HOME="$WORK/idle" XDG_CONFIG_HOME="$WORK/idle/config" XDG_DATA_HOME="$WORK/idle/data" XDG_RUNTIME_DIR="$WORK/idle/run"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  "$BIN" >/dev/null 2>&1 &
  local pid=$!
  # Past the first inspection, the three-second record and the launch update check.
  sleep 8
  local a b ca cb
  a=$(awk '{print $14 + $15}' /proc/$pid/stat)
  ca=$(awk '/^voluntary_ctxt_switches/ {v=$2} /^nonvoluntary_ctxt_switches/ {n=$2} END {print v + n}' /proc/$pid/status)
  sleep 20
  b=$(awk '{print $14 + $15}' /proc/$pid/stat)
  cb=$(awk '/^voluntary_ctxt_switches/ {v=$2} /^nonvoluntary_ctxt_switches/ {n=$2} END {print v + n}' /proc/$pid/status)
  echo "idle_cpu_ticks_20s $((b - a)) (1 tick = 1/$(getconf CLK_TCK) s)"
  echo "idle_context_switches_20s $((cb - ca))"
  kill $pid; wait $pid 2>/dev/null || true
}

if [ "${QRL_BENCH_INNER:-}" = 1 ]; then
  mode=$3
  case "$mode" in
    fresh) for i in $(seq 1 "$RUNS"); do rm -rf "$WORK/fresh$i"; inner "fresh$i" "$WORK/r" ; done ;;
    history)
      for i in $(seq 1 "$RUNS"); do
        rm -rf "$WORK/hist$i"; mkdir -p "$WORK/hist$i"
        mkdir -p "$WORK/hist$i/data/Lumbrel/Quorlent/History"
        cp "$HIST" "$WORK/hist$i/data/Lumbrel/Quorlent/History/snapshots.json"
        inner "hist$i" "$WORK/r"
      done ;;
    tour)
      rm -rf "$WORK/tour"; mkdir -p "$WORK/tour/data/Lumbrel/Quorlent/History"
      cp "$HIST" "$WORK/tour/data/Lumbrel/Quorlent/History/snapshots.json"
      inner tour "$WORK/r" tour ;;
    idle) idle ;;
  esac
  exit 0
fi

HIST="$WORK/full-history.json"
"$HELPER" --write-history "$HIST"
export HIST
for mode in fresh history tour idle; do
  echo "== $mode"
  out=$(QRL_BENCH_INNER=1 xvfb-run -a -s "-screen 0 1400x900x24" "$0" "$BUILD" "$RUNS" "$mode")
  echo "$out" | grep -v "_ms " || true
  for figure in application_ms mapped_ms startup_ms; do
    echo "$out" | awk -v f=$figure '$1 == f {print $2}' | sort -n | awk -v f=$figure '
      { v[++n] = $1 }
      END { if (n) printf "%s runs %d  min %d  median %d  max %d\n", f, n, v[1], v[int((n + 1) / 2)], v[n] }'
  done
done
