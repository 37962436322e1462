#!/usr/bin/env bash
# Start-up time of the editor to its first painted window, on a virtual X
# screen, next to a bare Qt main window measured the same way
# (bench/startup_baseline). Prints the median of several runs of each, both
# as seen inside the process (from main()) and from outside (exec to exit).
# Usage: scripts/measure-startup.sh [BUILD_DIR] [RUNS]   (defaults: build-editor, 15)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-editor}"
runs="${2:-15}"
cmake --build "$build" --target marivel-dev startup_baseline >/dev/null
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch"
export MARIVEL_STARTUP_REPORT=1 BUILD="$build" RUNS="$runs"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
median() { sort -n | awk "{a[NR]=\$1} END {print a[int((NR+1)/2)]}"; }
# One run: "inside_ms outside_ms".
once() {
  local t0 t1 line
  t0=$(date +%s%N)
  line=$("$@" 2>/dev/null | grep startup_ms)
  t1=$(date +%s%N)
  echo "${line#startup_ms } $(( (t1 - t0) / 1000 ))"
}
: > "$XDG_RUNTIME_DIR/editor.times"; : > "$XDG_RUNTIME_DIR/base.times"
# Runs alternate so that both programs see the same machine load.
for _ in $(seq "$RUNS"); do
  once "$BUILD/bin/marivel-dev" >> "$XDG_RUNTIME_DIR/editor.times"
  once "$BUILD/bin/startup_baseline" >> "$XDG_RUNTIME_DIR/base.times"
done
ei=$(cut -d" " -f1 "$XDG_RUNTIME_DIR/editor.times" | median); eo=$(cut -d" " -f2 "$XDG_RUNTIME_DIR/editor.times" | median)
bi=$(cut -d" " -f1 "$XDG_RUNTIME_DIR/base.times" | median); bo=$(cut -d" " -f2 "$XDG_RUNTIME_DIR/base.times" | median)
rm -f "$XDG_RUNTIME_DIR/editor.times" "$XDG_RUNTIME_DIR/base.times"
printf "%-22s %12s %14s\n" "" "main->paint" "exec->exit"
printf "%-22s %9.1f ms %11.1f ms\n" "editor (marivel-dev)" "$ei" "$(awk "BEGIN {print $eo / 1000}")"
printf "%-22s %9.1f ms %11.1f ms\n" "bare Qt main window" "$bi" "$(awk "BEGIN {print $bo / 1000}")"
awk "BEGIN {printf \"ratio editor/baseline  %9.2f x %12.2f x\n\", $ei / $bi, $eo / $bo}"
'
