#!/usr/bin/env bash
# The Debian package and its desktop files pass the tools that check them:
# desktop-file-validate, appstreamcli (without the network) and lintian.
# Usage: package.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d /tmp/marivel-package-XXXXXX)"
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
deb=("$work"/marivel_*.deb)
[ -f "${deb[0]}" ] || { echo "FAIL: no package made"; exit 1; }
dpkg-deb -x "${deb[0]}" "$work/root"
dpkg-deb -f "${deb[0]}" Depends | grep -q libqt6widgets6 || { echo "FAIL: the package does not depend on Qt"; exit 1; }
dpkg-deb -f "${deb[0]}" Depends | grep -q libxxhash0 || { echo "FAIL: the package does not depend on libxxhash"; exit 1; }

desktop-file-validate "$work/root/usr/share/applications/marivel.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/example.kelt.marivel.metainfo.xml"
# Errors fail; warnings are listed. lintian says so when run as root.
lintian --fail-on error --tag-display-limit 0 "${deb[0]}" 2> >(grep -v "root privileges" >&2)
echo "package ${deb[0]##*/} passes"
