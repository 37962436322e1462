#!/usr/bin/env bash
# Thumbnails of COUNT photos of 12 megapixels (goal: all shown within 15 s on
# a 2-core machine): once for photos without an Exif thumbnail (decoded at
# an eighth), once for the same photos with one (as most cameras write), each
# from an empty cache, then again as a later run would (pictures kept on disk).
# Every photo gets bytes of its own after its end marker, so no two share a
# content hash (and hence a kept picture).
# Usage: bench/run_thumbnail_bench.sh [BUILD_DIR] [COUNT] [WORK_FOLDER]
#        (defaults: build, 500, a temporary folder)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
count="${2:-500}"
work="${3:-$(mktemp -d)}"
bench="$build/bin/bench_thumbnails"
[ -x "$bench" ] || { echo "build bench_thumbnails first: $bench" >&2; exit 1; }
"$here/bench/make_photos.sh" "$work/plain" "$count" >/dev/null
mkdir -p "$work/exif"
for f in "$work"/plain/photo*.jpg; do
  printf 'photo %s' "$(basename "$f")" >>"$f"
  "$bench" add-exif "$f" "$work/exif/$(basename "$f")"
done
for kind in plain exif; do
  echo "== $count photos, $kind =="
  rm -rf "$work/cache-$kind"
  sync
  echo 3 >/proc/sys/vm/drop_caches 2>/dev/null || true  # cold disk when allowed (root)
  XDG_CACHE_HOME="$work/cache-$kind" "$bench" time "$work/$kind"
done
