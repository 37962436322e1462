#!/usr/bin/env bash
# Starts the real editor on a virtual X screen (Xvfb) with the bundled sample
# project and saves pictures of the main window for a person to look at, at
# the window's first size and at each size given:
#   <build>/screenshots/editor-root.png   the slider selected (Script page)
#   <build>/screenshots/editor-path.png   the slider selected (Path page)
#   <build>/screenshots/editor-item.png   an item selected (Item General page)
#   <build>/screenshots/help-window.png   the help window with a group's page
#   <build>/screenshots/about-box.png     the About box
#   <build>/screenshots/editor-*-WIDTHxHEIGHT.png   the main window at a given size
# The desktop registration and settings go to a throw-away folder.
# Usage: scripts/screenshot-editor.sh [BUILD_DIR [WIDTHxHEIGHT...]]
#   (default: build, and one extra size 1600x1000)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1600x1000)
cmake --build "$build" --target marivel-dev >/dev/null
out="$build/screenshots"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$out"

# The screen is made larger than the largest window asked for.
screen_w=1920
screen_h=1200
for size in "${sizes[@]}"; do
  if [[ ! "$size" =~ ^([0-9]{2,5})x([0-9]{2,5})$ ]]; then
    echo "Not a size: $size (expected WIDTHxHEIGHT)" >&2
    exit 2
  fi
  (( BASH_REMATCH[1] + 100 > screen_w )) && screen_w=$((BASH_REMATCH[1] + 100))
  (( BASH_REMATCH[2] + 100 > screen_h )) && screen_h=$((BASH_REMATCH[2] + 100))
done

shoot() {
  XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch" \
    MARIVEL_SCREENSHOT_DIR="$out" MARIVEL_SCREENSHOT_SIZE="$1" \
    xvfb-run -a -s "-screen 0 ${screen_w}x${screen_h}x24" "$build/bin/marivel-dev" "$build/bin/samples/Sample.mvl"
}
shoot ""
for size in "${sizes[@]}"; do shoot "$size"; done
echo "Pictures are in $out"
