#!/usr/bin/env bash
# Runs the drawing benchmarks: the core alone (view_bench) and through the
# Xlib surface into an Xvfb server (gui_bench); then lines of the analyses
# into the report pane (report_bench).
#   bench/gui/run.sh <build folder> [boxes]
set -eu
build=${1:-build}
source=$(cd "$(dirname "$0")/../.." && pwd)
make -C "$build" -j2 view_bench gui_bench report_bench >/dev/null
export SYSRC=$source/lib/sysrc
echo "# core onto a counting surface"
"$build/view_bench" ${2:-}
command -v Xvfb >/dev/null || { echo "# Xvfb missing: no X benchmark"; exit 0; }
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
echo "# through Xlib into Xvfb"
DISPLAY=:$(head -1 "$work/display") "$build/gui_bench" ${2:-}
echo "# lines into the report pane (processor time of quorin's side)"
DISPLAY=:$(head -1 "$work/display") "$build/report_bench" ${2:-}
