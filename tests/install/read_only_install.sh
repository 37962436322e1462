#!/usr/bin/env bash
# An installed Marivel run by a normal user: installs the build into a fresh
# prefix (its path holds a blank and a letter beyond ASCII), makes the whole
# tree read-only, then, as an unprivileged user with a home of its own,
#   - publishes a shipped template with the installed marivel-publish,
#   - opens a shipped template in the installed editor (offscreen, driven by
#     MARIVEL_AUTOMATION), previews it and saves it as the user's project,
# and checks that each did its work and nothing changed under the prefix.
# Usage: read_only_install.sh BUILD_DIR
set -euo pipefail
build="$1"

work="$(mktemp -d /tmp/marivel-install-XXXXXX)"
cleanup() {
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
prefix="$work/Pre fix ü"
home="$work/home"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
program="$prefix/lib/marivel"
[ -f "$program/installed.txt" ] || fail "the program folder is not marked as installed"
[ -L "$prefix/bin/marivel" ] && [ -L "$prefix/bin/marivel-publish" ] || fail "no launchers in $prefix/bin"
chmod -R a-w "$prefix"
listing() { (cd "$prefix" && find . -printf '%p %y %s %m %T@\n' | LC_ALL=C sort); }
listing >"$work/before"

# The user: nobody when we may change users (CI runs as root), else us. A
# fake xdg-open stands in for the desktop's browser and notes the page.
mkdir -p "$home" "$work/bin"
chmod 700 "$home"  # also the runtime folder, which must be private
cat >"$work/bin/xdg-open" <<'SCRIPT'
#!/bin/sh
# The preview folder is the editor's own and goes when it exits: note what
# it holds while the editor runs.
ls -A "$(dirname "$1")" >"$HOME/preview-files.txt"
echo "$1" >>"$HOME/opened.txt"
SCRIPT
chmod 755 "$work/bin/xdg-open"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
run() {
  "${as_user[@]}" env -i HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home" PATH="$work/bin:/usr/bin:/bin" \
    QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 "$@"
}

# --- marivel-publish ---------------------------------------------------------------------
run "$prefix/bin/marivel-publish" "$program/templates/Portfolio.mvl" --out "$home/published" >"$work/publish.log" ||
  fail "marivel-publish: $(cat "$work/publish.log")"
grep -q Warning "$work/publish.log" && fail "pictures not found: $(cat "$work/publish.log")"
for f in Portfolio.html Portfolio.mvl Portfolio_PublishReport.txt tessaline.js tessalinecfg.js tessaline.css slider0.jpg; do
  [ -s "$home/published/$f" ] || fail "marivel-publish wrote no $f"
done
cmp -s "$home/published/tessaline.js" "$program/tessaline.js" || fail "the published engine is not the installed one"
grep -qF "#\$@$program/templates/portfolio/" "$home/published/Portfolio.mvl" ||
  fail "the published project does not name the installed pictures"
# Publishing where the template lies cannot work; it must say so.
if run "$prefix/bin/marivel-publish" "$program/templates/Portfolio.mvl" >"$work/refused.log" 2>&1; then
  fail "marivel-publish wrote into the read-only program folder"
fi
grep -q "^marivel-publish: " "$work/refused.log" || fail "no message for a read-only folder: $(cat "$work/refused.log")"

# --- the editor --------------------------------------------------------------------------
mkdir -p "$home/site"
[ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$home/site"
cat >"$work/script" <<SCRIPT
open $program/templates/NewsStrip.mvl
preview
# Saving a shipped template asks where the user's copy goes.
answer $home/site/News.mvl
save
SCRIPT
chmod 644 "$work/script"
run env MARIVEL_AUTOMATION="$work/script" "$prefix/bin/marivel" >"$work/editor.log" 2>&1 ||
  fail "the editor: $(cat "$work/editor.log")"
grep -q "file dialog: Save As -> $home/site/News.mvl" "$work/editor.log" || fail "Save did not ask for a name: $(cat "$work/editor.log")"
data="$home/data/Marivel"
for _ in $(seq 50); do [ -s "$home/opened.txt" ] && break; sleep 0.1; done
grep -qE "^$home/Marivel/sessions/[^/]+/preview/~preview.html\$" "$home/opened.txt" ||
  fail "the browser was not given the editor's own preview page: $(cat "$home/opened.txt")"
for f in tessaline.js tessalinecfg.js tessaline.css slider0.jpg "~preview.html"; do
  grep -qxF "$f" "$home/preview-files.txt" || fail "the preview lacks $f"
done
[ -z "$(ls -A "$home/Marivel/sessions" 2>/dev/null)" ] || fail "the editor left its preview folder behind"
grep -qF "$program/templates/NewsStrip.mvl" "$data/recentfile.dat" || fail "the recent-files list is not in the user's folder"
for f in News.mvl News.html News_PublishReport.txt tessaline.js slider4.jpg; do
  [ -s "$home/site/$f" ] || fail "the save wrote no $f"
done
grep -qF "#\$@$program/templates/news/park.jpg#\$@" "$home/site/News.mvl" ||
  fail "the saved project does not name the installed pictures"

listing >"$work/after"
diff -u "$work/before" "$work/after" || fail "something changed under the prefix"
echo "installed tree untouched; publishing, preview and save worked as $(run id -un)"
