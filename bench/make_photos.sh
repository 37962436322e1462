#!/usr/bin/env bash
# Makes COUNT photo-like 12-megapixel JPEGs (4000 x 3000, quality 85, a few
# megabytes each, like a camera's) in FOLDER for bench_insert_pictures:
# ten distinct pictures made with ImageMagick, each copied to fill the count,
# so every file is its own file on disk.
# Usage: bench/make_photos.sh FOLDER [COUNT]   (default 500)
set -euo pipefail
folder="${1:?usage: make_photos.sh FOLDER [COUNT]}"
count="${2:-500}"
mkdir -p "$folder/base"
for k in $(seq 0 9); do
  base="$folder/base/base$k.jpg"
  [ -f "$base" ] && continue
  # Random noise blown up: soft blobs of colour with grain, which compress
  # like a photo, not like a flat test card.
  convert -seed "$k" -size 400x300 xc: +noise Random -resize 4000x3000\! \
    -seed "$((k + 100))" -attenuate 0.4 +noise Gaussian -quality 85 "$base"
done
for i in $(seq 1 "$count"); do
  cp "$folder/base/base$((i % 10)).jpg" "$folder/photo$i.jpg"
done
du -sh "$folder"
