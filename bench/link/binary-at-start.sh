#!/usr/bin/env bash
# What the executable itself holds in memory at the first painted overview, beside the whole
# process: resident KB of each of its mappings (text, read-only data, relocated data), the
# process's resident total and its page faults until the paint. Medians of a few starts on one
# virtual screen, each with a profile of its own whose onboarding is done.
# Usage: bench/link/binary-at-start.sh [build dir] [runs]
# Needs xvfb-run; builds nothing itself.
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=$(realpath "${1:-build}")
RUNS=${2:-5}
BIN=$BUILD/bench/quorlent_probed

if [ "${QRL_LINK_INNER:-}" = 1 ]; then
  for i in $(seq 0 "$RUNS"); do
    dir=$WORK/p$i
    rm -rf "$dir"
    mkdir -p "$dir/run" "$dir/config/Lumbrel/Quorlent"
    chmod 700 "$dir/run"
    printf '{\n    "onboardingCompleted": {\n        "type": "bool",\n        "value": true\n    }\n}\n' \
      >"$dir/config/Lumbrel/Quorlent/preferences.json"
    HOME=$dir XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_RUNTIME_DIR=$dir/run \
      QRL_BENCH_REPORT=$dir/report QRL_BENCH_SMAPS=$dir/smaps QRL_BENCH_STOP=start \
      timeout 30 "$BIN" >/dev/null 2>&1 || true
    [ "$i" = 0 ] && continue  # the first start warms the page cache and fontconfig's cache
    # One line per start: the resident KB of the binary's mappings by permission, then the
    # process's resident KB and its faults until the paint.
    awk -v bin="$BIN" '
      /^[0-9a-f]+-[0-9a-f]+ / { cur = ($6 == bin) ? $2 : "" ; next }
      cur != "" && /^Rss:/ { rss[cur] += $2 }
      END { printf "%d %d %d %d", rss["r--p"], rss["r-xp"], rss["rw-p"], rss["r--p"] + rss["r-xp"] + rss["rw-p"] }
    ' "$dir/smaps.start"
    awk '$1 == "rss_start" { r = $2 } $1 == "faults_painted" { f = $2 } $1 == "faults_mapped" { m = $2 } END { printf " %d %d %d\n", r, m, f }' "$dir/report"
  done
  exit 0
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
QRL_LINK_INNER=1 WORK=$WORK xvfb-run -a -s "-screen 0 1400x900x24" "$0" "$BUILD" "$RUNS" >"$WORK/lines" 2>/dev/null || true
median() { sort -n | awk '{ v[++n] = $1 } END { if (n) print v[int((n + 1) / 2)]; else print "-" }'; }
col() { awk -v c="$1" '{ print $c }' "$WORK/lines" | median; }
echo "the executable at the first painted overview (median of $(wc -l <"$WORK/lines") starts, KB resident):"
echo "  read-only $(col 1)  text $(col 2)  relocated data + data $(col 3)  all $(col 4)"
echo "  process resident $(col 5) KB; page faults until mapped $(col 6), until painted $(col 7)"
# The size column follows the name, whatever the section number's width does to the fields.
text=$(readelf -SW "$BIN" | awk '{ for (i = 1; i < NF; i++) if ($i == ".text") print $(i + 4) }')
echo "  .text is $((16#$text / 1024)) KB"
