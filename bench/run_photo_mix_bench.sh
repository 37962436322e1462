#!/usr/bin/env bash
# Publishing a photo-like mix made with ImageMagick, the kind of folder a
# user brings: 4000 x 3000 camera photos in 4:2:0 and 4:4:4, some of them
# progressive (as web exports are), and one progressive 5120 x 2880, against
# djpeg decoding the same files one after another:
#
#   first publish     empty cache of prepared images (goal: at most 0.5x djpeg)
#   peak memory       of the first publish (/usr/bin/time, maximum resident set)
#   second publish    nothing changed (goal: at most 0.05x the first)
#
# Each figure is the best of ROUNDS rounds: other work on a shared machine
# only ever adds time.
#
# Where others keep the cores busy, BENCH_NICE=-20 (as root) runs both sides
# of every comparison ahead of them alike.
#
# MARIVEL_PUBLISH=path measures another build of the tool on the same photos.
#
# Usage: [BENCH_NICE=N] bench/run_photo_mix_bench.sh [BUILD_DIR] [ROUNDS] [PHOTOS]
#        (defaults: build, 3, 16)
set -euo pipefail
if [ -n "${BENCH_NICE:-}" ]; then renice -n "$BENCH_NICE" -p $$ >/dev/null; fi

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
rounds="${2:-3}"
count="${3:-16}"
publish="${MARIVEL_PUBLISH:-$build/bin/marivel-publish}"
bench="$build/bin/bench_output"
for tool in "$publish" "$bench"; do
  [ -x "$tool" ] || { echo "build first: $tool is missing" >&2; exit 1; }
done
for tool in djpeg convert /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/photos"

# Smooth colour fields with fine grain, as photos have: plasma drawn small,
# enlarged, then noise over it. Every fourth photo is progressive, every
# third 4:4:4; the last one is the large progressive one.
echo "Making $count photo-like JPEGs with ImageMagick..."
photos=()
for i in $(seq 1 "$count"); do
  size=4000x3000 base=1000x750 sampling=2x2 interlace=None
  if [ $((i % 3)) -eq 0 ]; then sampling=1x1; fi
  if [ $((i % 4)) -eq 0 ]; then interlace=Plane; fi
  if [ "$i" -eq "$count" ]; then size=5120x2880 base=1280x720 interlace=Plane; fi
  f="$work/photos/photo$(printf %02d "$i").jpg"
  convert -seed "$i" -size "$base" plasma:fractal -blur 0x2 -resize "$size!" -attenuate 0.2 +noise Gaussian \
    -sampling-factor "$sampling" -interlace "$interlace" -quality 90 "$f"
  photos+=("$f")
done
"$bench" --make-project "$work/mix.mvl" "${photos[@]}"
total=$(du -cb "${photos[@]}" | tail -1 | cut -f1)
progressive=$(for f in "${photos[@]}"; do identify -format '%[interlace]\n' "$f"; done | grep -c JPEG || true)

timed() {  # "wall cpu" seconds of a command
  local TIMEFORMAT='%3R %3U %3S' out
  out=$( { time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
  awk -v t="$out" 'BEGIN { split(t, p, " "); printf "%.3f %.3f", p[1], p[2] + p[3] }'
}
djpeg_all() { for f in "$@"; do djpeg -outfile /dev/null "$f"; done; }
best() { awk 'NR == 1 || $1 < w { w = $1; line = $0 } END { print line }'; }
publish_fresh() {
  rm -rf "$work/cache" "$work/site"
  XDG_CACHE_HOME="$work/cache" /usr/bin/time -v -o "$work/time-v" "$publish" "$1" --out "$work/site"
}
publish_again() { XDG_CACHE_HOME="$work/cache" "$publish" "$1" --out "$work/site"; }

echo "Timing (best of $rounds rounds)..."
: >"$work/djpeg" && : >"$work/first" && : >"$work/second"
for _ in $(seq 1 "$rounds"); do
  echo "$(timed djpeg_all "${photos[@]}")" >>"$work/djpeg"
  line="$(timed publish_fresh "$work/mix.mvl")"
  echo "$line $(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time-v")" >>"$work/first"
  for _ in 1 2 3; do echo "$(timed publish_again "$work/mix.mvl")" >>"$work/second"; done
done
read -r dj_wall dj_cpu < <(best <"$work/djpeg")
read -r first_wall first_cpu first_rss < <(best <"$work/first")
read -r second_wall second_cpu < <(best <"$work/second")

awk -v n="$count" -v p="$progressive" -v total="$total" -v cores="$(nproc)" -v dw="$dj_wall" -v dc="$dj_cpu" -v fw="$first_wall" \
    -v fc="$first_cpu" -v rss="$first_rss" -v sw="$second_wall" -v sc="$second_cpu" 'BEGIN {
  printf "%d photo-like JPEGs (%d progressive, the largest 5120 x 2880, %.0f MB) to width 168, %d cores:\n", n, p, total / 1e6, cores
  printf "  djpeg, one after another        wall %7.0f ms   CPU %7.0f ms\n", dw * 1000, dc * 1000
  printf "  first publish (empty cache)     wall %7.0f ms   CPU %7.0f ms   peak %.1f MiB\n", fw * 1000, fc * 1000, rss / 1024
  printf "  second publish (no change)      wall %7.0f ms   CPU %7.0f ms\n", sw * 1000, sc * 1000
  printf "Ratios:\n"
  printf "  first publish / djpeg           wall %5.2fx   CPU %5.2fx   (goal: wall at most 0.5x)\n", fw / dw, fc / dc
  printf "  second / first publish          wall %5.3fx   CPU %5.3fx   (goal: at most 0.05x)\n", sw / fw, sc / fc
}'
echo "Load while measuring: $(cut -d' ' -f1-3 /proc/loadavg)${BENCH_NICE:+, run at nice $BENCH_NICE}"
