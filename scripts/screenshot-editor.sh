#!/usr/bin/env bash
# Starts the real editor on a virtual X screen (Xvfb) with the bundled sample
# project and saves two pictures of the main window for a person to look at:
#   <build>/screenshots/editor-root.png   the slider selected (Script page)
#   <build>/screenshots/editor-item.png   an item selected (Item General page)
# The desktop registration and settings go to a throw-away folder.
# Usage: scripts/screenshot-editor.sh [BUILD_DIR]   (default: build-editor)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-editor}"
cmake --build "$build" --target marivel >/dev/null
out="$build/screenshots"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$out"
XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch" \
  MARIVEL_SCREENSHOT_DIR="$out" \
  xvfb-run -a -s "-screen 0 1024x768x24" "$build/bin/marivel" "$build/bin/samples/Sample.mvl"
echo "Pictures are in $out"
