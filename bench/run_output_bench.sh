#!/usr/bin/env bash
# Image preparation against its two yardsticks, on the same files in one run:
#   djpeg -outfile /dev/null            full decode by libjpeg-turbo: the floor
#   convert -sample 168x -quality 90    what a user would otherwise script
# and the peak memory of preparing one 20000 x 15000 baseline JPEG.
#
# Times are CPU time (user + system) per file, the best of several rounds:
# on a shared machine wall-clock time mostly measures the neighbours.
#
# Usage: bench/run_output_bench.sh [BUILD_DIR] [PHOTOS]   (defaults: build, 6)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
count="${2:-6}"
bench="$build/bin/bench_output"
[ -x "$bench" ] || { echo "build first: $bench is missing" >&2; exit 1; }
convert_bin=/usr/bin/convert
[ -x "$convert_bin" ] || convert_bin="$(command -v convert)"
for tool in djpeg "$convert_bin" /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/photos"

echo "Making $count photo-like 4000 x 3000 JPEGs (quality 92)..."
for i in $(seq 1 "$count"); do
  "$bench" --make-photo 4000 3000 92 "$i" "$work/photos/photo$i.jpg"
done
photos=("$work"/photos/*.jpg)

# CPU milliseconds per file for a command run on every photo, best of
# `rounds` rounds.
cpu_per_file() {
  local rounds=$1; shift
  local best="" TIMEFORMAT='%3U %3S'
  for _ in $(seq 1 "$rounds"); do
    local spent
    spent=$( { time (for f in "${photos[@]}"; do "$@" "$f"; done) ; } 2>&1 >/dev/null | tail -1)
    spent=$(awk -v t="$spent" 'BEGIN { split(t, p, " "); printf "%d", (p[1] + p[2]) * 1000 }')
    if [ -z "$best" ] || [ "$spent" -lt "$best" ]; then best=$spent; fi
  done
  awk -v t="$best" -v n="${#photos[@]}" 'BEGIN { printf "%.1f", t / n }'
}

run_djpeg() { djpeg -outfile /dev/null "$1"; }
run_convert() { "$convert_bin" "$1" -sample 168x -quality 90 "$work/convert.jpg"; }

echo "Timing marivel (Google Benchmark)..."
"$bench" --photos="$work/photos" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$work/bench.json" 2>/dev/null
ours=$(awk -v n="${#photos[@]}" '/"aggregate_name": "mean"/ { want = 1 }
  want && /"cpu_time":/ { gsub(/[",]/, "", $2); printf "%.1f", $2 / n; exit }' "$work/bench.json")
ours_wall=$(awk -v n="${#photos[@]}" '/"aggregate_name": "mean"/ { want = 1 }
  want && /"real_time":/ { gsub(/[",]/, "", $2); printf "%.1f", $2 / n; exit }' "$work/bench.json")

echo "Timing djpeg and ImageMagick..."
djpeg_ms=$(cpu_per_file 5 run_djpeg)
convert_ms=$(cpu_per_file 3 run_convert)

echo "Peak memory for one 20000 x 15000 baseline JPEG..."
"$bench" --make-photo 20000 15000 90 99 "$work/big.jpg"
/usr/bin/time -v "$bench" --prepare-once "$work/big.jpg" "$work/big_out.jpg" 2>"$work/time.txt" >/dev/null
peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
big_cpu=$(awk -F: '/User time|System time/ { s += $2 } END { printf "%.2f", s }' "$work/time.txt")
djpeg_big_kb=$( { /usr/bin/time -f %M djpeg -outfile /dev/null "$work/big.jpg"; } 2>&1 | tail -1)

echo
awk -v ours="$ours" -v wall="$ours_wall" -v dj="$djpeg_ms" -v cv="$convert_ms" -v kb="$peak_kb" \
    -v big="$big_cpu" -v djkb="$djpeg_big_kb" -v n="${#photos[@]}" 'BEGIN {
  printf "CPU time per 12-megapixel file (%d files, to width 168):\n", n
  printf "  marivel PrepareSliderImage   %8.1f ms   (wall %.1f ms)\n", ours, wall
  printf "  djpeg full decode            %8.1f ms\n", dj
  printf "  convert -sample 168x         %8.1f ms\n", cv
  printf "Ratios:\n"
  printf "  marivel / djpeg              %8.2fx   (goal: at most 0.90x)\n", ours / dj
  printf "  convert / marivel            %8.2fx   (goal: at least 2.3x)\n", cv / ours
  printf "20000 x 15000 baseline JPEG: peak memory %.1f MiB (goal: under 32 MiB), %s s CPU;\n", kb / 1024, big
  printf "  djpeg decoding the same file peaks at %.1f MiB\n", djkb / 1024
}'
