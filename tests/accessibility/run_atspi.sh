#!/usr/bin/env bash
# Runs atspi_tree.py against the application: a virtual screen, a session bus, the
# accessibility bus. Usage: run_atspi.sh path/to/quorlent
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
app="$1"
for tool in xvfb-run dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/setup"; exit 1; }
done
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "missing python3-pyatspi: run scripts/setup"; exit 1; }
unset QT_QPA_PLATFORM
exec timeout --kill-after=10 230 xvfb-run -a -s "-screen 0 1400x900x24" \
  dbus-run-session -- /usr/bin/python3 "$here/atspi_tree.py" "$app"
