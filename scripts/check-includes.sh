#!/usr/bin/env bash
# Fails when an #include points against the layers' arrows:
#   model/, output/ and upload/ include no Qt header (the core and the
#   uploader build without Qt), and the core includes nothing from upload/,
#   model/ includes nothing from output/ (output builds on the model),
#   only editor/ and app/ include editor headers (the main window's layer
#   is the top one; documents/ reaches it through DocumentHost),
#   only editor/, app/ and preview/ include preview headers (the live
#   preview sits beside documents/, below the main window), and only
#   preview/ includes Qt WebEngine and WebChannel headers (the build can
#   leave it out).
# Usage: scripts/check-includes.sh [source folder, default src]
set -euo pipefail
cd "$(dirname "$0")/.."
src=${1:-src}
status=0

# Lists the #include lines of the C++ files under the given folders that
# match the pattern, as FILE:LINE:TEXT.
includes() {
    local pattern=$1
    shift
    local folders=()
    for folder in "$@"; do [ -d "$src/$folder" ] && folders+=("$src/$folder"); done
    [ ${#folders[@]} -gt 0 ] || return 0
    grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($pattern)" \
        "${folders[@]}" || true
}

report() {
    local rule=$1 found=$2
    [ -n "$found" ] || return 0
    echo "include against the layers ($rule):"
    echo "$found" | sed 's/^/  /'
    status=1
}

report "no Qt header in model/, output/ or upload/" "$(includes 'Q[A-Za-z]+|Qt[A-Za-z]*/' model output upload)"
report "no output/ header in model/" "$(includes 'output/' model)"
report "no upload/ header in model/ or output/" "$(includes 'upload/' model output)"
others=$(find "$src" -mindepth 1 -maxdepth 1 -type d ! -name editor ! -name app -printf '%f\n' | sort)
# shellcheck disable=SC2086
report "editor/ headers only in editor/ and app/" "$(includes 'editor/' $others)"

others=$(find "$src" -mindepth 1 -maxdepth 1 -type d ! -name editor ! -name app ! -name preview -printf '%f\n' | sort)
# shellcheck disable=SC2086
report "preview/ headers only in editor/, app/ and preview/" "$(includes 'preview/' $others)"
# shellcheck disable=SC2086
report "Qt WebEngine only in preview/" "$(includes 'QWebEngine|QWebChannel|QtWebEngine|QtWebChannel' $others editor app)"
report "no editor/ or documents/ header in preview/" "$(includes 'editor/|documents/' preview)"

[ $status -eq 0 ] && echo "includes follow the layers"
exit $status
