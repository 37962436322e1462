#!/usr/bin/env bash
# Publishes projects with two builds of marivel-publish at the default
# quality (no options, no stored choice, empty caches) and compares every
# published file byte for byte. Usage:
#   compare_defaults.sh OLD_MARIVEL_PUBLISH NEW_MARIVEL_PUBLISH PROJECT.mvl...
set -euo pipefail
old=$(readlink -f "$1") new=$(readlink -f "$2")
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
status=0
for project in "$@"; do
  for which in old new; do
    XDG_CACHE_HOME="$work/cache-$which" "${!which}" "$project" --out "$work/$which" >/dev/null
  done
  files=$(cd "$work/old" && find . -type f | sort)
  [ "$files" = "$(cd "$work/new" && find . -type f | sort)" ] || { echo "different file lists"; status=1; }
  same=0
  for f in $files; do
    if cmp -s "$work/old/$f" "$work/new/$f"; then same=$((same + 1)); else echo "differs: $f"; status=1; fi
  done
  echo "$(basename "$project"): $same of $(echo "$files" | wc -l) files identical"
  rm -rf "$work/old" "$work/new" "$work"/cache-*
done
exit $status
