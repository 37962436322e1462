#!/usr/bin/env bash
# Pictures of uploading for a person to look at, made with the real editor
# against a real sshd on 127.0.0.1, on a virtual X screen (Xvfb):
#   <out>/upload-host-key-question.png   the unknown-host question with the
#                                        key's SHA256 fingerprint
#   <out>/upload-in-progress.png         the bottom line mid-upload: file,
#                                        bytes and the Cancel button
# Settings, keys and the server's folder are thrown away afterwards.
# Usage: scripts/screenshot-upload.sh [BUILD_DIR [OUTPUT_FOLDER]]
#   (default: build, and BUILD_DIR/screenshots)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
out="$(realpath -m "${2:-$build/screenshots}")"
cmake --build "$build" --target upload_screenshots >/dev/null
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$out"
XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch" \
  xvfb-run -a -s "-screen 0 1100x760x24" "$build/bin/upload_screenshots" "$out"
echo "Pictures are in $out"
