#!/usr/bin/env bash
# The live monitor's share of one core in the running application, on this machine:
#   page   the main window on the live monitor page, animations on   target <= 0.3 %
#   tray   the window closed, only the tray item live                 target <= 0.1 %
# Each run starts the application (bench/quorlent_live: the shipped entry with a hook that
# opens the page or closes the window) on a virtual screen (xvfb-run, 1400x900x24) with a
# profile of its own and its own session bus, where bench_tray_host plays the desktop's tray
# (a StatusNotifierWatcher with a host that fetches the icon and tool tip on every change, as a
# panel does). After a settling time it reads the process's utime+stime from /proc over the
# measured seconds, and prints the share of one core and the load of the machine then.
#
# Usage: bench/live-cpu.sh [build dir] [seconds] [modes]
#   build dir  configured with -DQRL_BUILD_BENCH=ON (default: build-cc); the two targets are
#              built first unless QRL_FIGURES_NO_BUILD=1
#   seconds    measured seconds per run (default 60)
#   modes      any of page, tray, page-reduced (reduce motion on), bare-pulse (the floor: a bare
#              Qt window repainting a ten-pixel square at the badge's mean frame rate, bench/live/
#              bare_pulse.cpp) (default: "page tray")
# QRL_LIVE_PERF=<file> records a profile of the measured seconds (perf record -g) into
# <file>.<mode>; QRL_LIVE_STRACE=<file> counts the system calls (strace -c -f) instead;
# QRL_LIVE_CALLGRIND=<file> runs the application under callgrind and counts the instructions of
# the measured seconds only, into <file>.<mode>.<n> (machine load does not move them).
# QRL_LIVE_COUNT=1 prints instructions and context switches per second (perf stat), which the
# machine's load does not move (QRL_LIVE_EVENTS=<perf events> counts others: instructions:u,
# instructions:k). QRL_LIVE_EVENTS_TO=<file> has the application count, over the measured seconds,
# its window syncs, paint events per widget and timer events per second, into <file>.<mode>.
# Needs xvfb-run and dbus-daemon (scripts/setup installs both). Prints; never fails on a figure.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-cc}
SECONDS_MEASURED=${2:-60}
MODES=${3:-page tray}
SETTLE=${QRL_LIVE_SETTLE:-8}

if [ "${QRL_LIVE_INNER:-}" != 1 ]; then
  if [ "${QRL_FIGURES_NO_BUILD:-}" != 1 ]; then
    cmake --build "$BUILD" -j 2 --target quorlent_live bench_tray_host bench_bare_pulse >/dev/null
  fi
  BUILD=$(realpath "$BUILD")
  for mode in $MODES; do
    QRL_LIVE_INNER=1 dbus-run-session -- xvfb-run -a -s "-screen 0 1400x900x24" \
      "$0" "$BUILD" "$SECONDS_MEASURED" "$mode"
  done
  exit 0
fi

# --- inside the session bus and the virtual screen: one mode ----------------------------
mode=$MODES
WORK=$(mktemp -d)
app=""
host=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$host" ] && kill "$host" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/run" "$WORK/config/Lumbrel/Quorlent" "$WORK/data"
chmod 700 "$WORK/run"
# The preferences store keeps each value with its type; an untyped value reads as unset.
printf '{\n    "onboardingCompleted": {\n        "type": "bool",\n        "value": true\n    }\n}\n' \
  >"$WORK/config/Lumbrel/Quorlent/preferences.json"
export HOME=$WORK XDG_CONFIG_HOME=$WORK/config XDG_DATA_HOME=$WORK/data XDG_RUNTIME_DIR=$WORK/run
unset QT_QPA_PLATFORM

"$BUILD/bench/bench_tray_host" "$WORK/tray.log" &
host=$!
for _ in $(seq 50); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.kde.StatusNotifierWatcher 2>/dev/null | grep -q true && break
  sleep 0.1
done

env_mode=$mode
if [ "$mode" = page-reduced ]; then
  env_mode=page
  export QRL_LIVE_REDUCE_MOTION=1
fi
if [ -n "${QRL_LIVE_EVENTS_TO:-}" ]; then
  export QRL_LIVE_EVENTS_TO=$QRL_LIVE_EVENTS_TO.$mode QRL_LIVE_EVENTS_FOR=$SECONDS_MEASURED QRL_LIVE_SETTLE=$SETTLE
fi
runner=()
if [ -n "${QRL_LIVE_CALLGRIND:-}" ]; then
  # Instruction counts of the measured seconds (valgrind, collection switched on for them only).
  runner=(valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$QRL_LIVE_CALLGRIND.$mode")
fi
binary=$BUILD/bench/quorlent_live
[ "$mode" = bare-pulse ] && binary=$BUILD/bench/bench_bare_pulse
QRL_LIVE_BENCH=$env_mode QRL_LIVE_READY=$WORK/ready "${runner[@]}" "$binary" >"$WORK/app.log" 2>&1 &
app=$!
for _ in $(seq ${QRL_LIVE_CALLGRIND:+3}300); do
  [ -s "$WORK/ready" ] && break
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if ! [ -s "$WORK/ready" ]; then
  echo "$mode: the application did not get ready (its output follows)"
  cat "$WORK/app.log"
  exit 0
fi
sleep "$SETTLE"
ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
load_before=$(cut -d' ' -f1 /proc/loadavg)
start=$(date +%s%N)
if [ -n "${QRL_LIVE_CALLGRIND:-}" ]; then
  callgrind_control -i on "$app" >/dev/null
  sleep "$SECONDS_MEASURED"
  callgrind_control -d "$app" >/dev/null
  callgrind_control -i off "$app" >/dev/null
elif [ -n "${QRL_LIVE_PERF:-}" ]; then
  # A profile of the measured seconds besides (perf record -g, to the file named).
  perf record -q ${QRL_LIVE_PERF_CALLS:--g} -o "$QRL_LIVE_PERF.$mode" -p "$app" -- sleep "$SECONDS_MEASURED" >/dev/null 2>&1 || sleep "$SECONDS_MEASURED"
elif [ -n "${QRL_LIVE_COUNT:-}" ]; then
  # Or counts that the machine's load does not move: instructions, wake-ups (perf stat).
  perf stat -x, -e "${QRL_LIVE_EVENTS:-task-clock,context-switches}" -o "$WORK/stat" -p "$app" -- sleep "$SECONDS_MEASURED" \
    >/dev/null 2>&1 || sleep "$SECONDS_MEASURED"
elif [ -n "${QRL_LIVE_STRACE:-}" ]; then
  # Or the system calls (strace -c -f, to the file named): the wake-ups.
  timeout "$SECONDS_MEASURED" strace ${QRL_LIVE_STRACE_HOW:--c} -f -o "$QRL_LIVE_STRACE.$mode" -p "$app" >/dev/null 2>&1 || true
else
  sleep "$SECONDS_MEASURED"
fi
if ! kill -0 "$app" 2>/dev/null; then
  echo "$mode: the application ended while measured"
  exit 0
fi
after=$(ticks)
end=$(date +%s%N)
# The counts are written once the counting seconds are over.
if [ -n "${QRL_LIVE_EVENTS_TO:-}" ]; then sleep 3; fi
load_after=$(cut -d' ' -f1 /proc/loadavg)
fetches=$(grep -vc registered "$WORK/tray.log" 2>/dev/null || true)
awk -v m="$mode" -v t=$((after - before)) -v hz="$hz" -v ns=$((end - start)) -v l1="$load_before" -v l2="$load_after" \
  -v f="${fetches:-0}" 'BEGIN {
    cpu = t / hz; wall = ns / 1e9
    printf "%-13s %.3f s of processor time in %.1f s: %.3f %% of one core  (load %s -> %s; tray fetches %s)\n",
      m, cpu, wall, 100 * cpu / wall, l1, l2, f }'
if [ -s "$WORK/stat" ]; then
  awk -F, -v s="$SECONDS_MEASURED" '/^[0-9.]+,/ { printf "    %-18s %10.2f per second\n", $3, $1 / s }' "$WORK/stat"
fi
