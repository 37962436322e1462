#!/usr/bin/env bash
# Publishing a project of 24 photo-like 12-megapixel JPEGs with marivel-publish
# against djpeg decoding the same files one after another, all in one run:
#
#   first publish     empty cache of prepared images: every photo decoded,
#                     on every core (goal: at most 0.55x djpeg's wall time)
#   second publish    nothing changed: everything from the cache
#                     (goal: at most 0.05x the first publish)
#   peak memory       of the first publish (goal: under 64 MiB)
#
# then the first publish per kind of photo (4:2:0, 4:4:4, progressive) against
# djpeg on the same files, and one preparation in memory per kind and size
# (2, 12 and 24 megapixels) against djpeg, CPU time per file.
#
# Each figure is the best of ROUNDS rounds (wall and CPU time taken from the
# same round): other work on a shared machine only ever adds time. Where
# others keep the cores busy, BENCH_NICE=-20 (as root) runs both sides of
# every comparison ahead of them alike.
#
# Usage: [BENCH_NICE=N] bench/run_publish_bench.sh [BUILD_DIR] [ROUNDS]
#        (defaults: build, 3)
set -euo pipefail
if [ -n "${BENCH_NICE:-}" ]; then renice -n "$BENCH_NICE" -p $$ >/dev/null; fi

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
rounds="${2:-3}"
bench="$build/bin/bench_output"
publish="$build/bin/marivel-publish"
for tool in "$bench" "$publish"; do
  [ -x "$tool" ] || { echo "build first: $tool is missing" >&2; exit 1; }
done
for tool in djpeg /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/photos"

# 24 photos: 9 baseline 4:2:0, 3 baseline 4:2:2, 6 baseline 4:4:4 and 6
# progressive 4:2:0, interleaved as a camera folder mixed with edited
# exports would be.
kinds=(420 444 progressive 420 422 420 444 progressive 420 420 444 progressive
       422 420 444 progressive 420 420 444 progressive 422 420 444 progressive)
echo "Making ${#kinds[@]} photo-like 4000 x 3000 JPEGs (quality 92)..."
photos=()
for i in "${!kinds[@]}"; do
  f="$work/photos/photo$(printf %02d "$i")-${kinds[$i]}.jpg"
  "$bench" --make-photo 4000 3000 92 "$((i + 1))" "$f" "${kinds[$i]}"
  photos+=("$f")
done
"$bench" --make-project "$work/all.mvl" "${photos[@]}"
for kind in 420 444 progressive; do
  "$bench" --make-project "$work/kind-$kind.mvl" "$work"/photos/*-"$kind".jpg
done

# "wall cpu" seconds of a command, via bash's own clock.
timed() {
  local TIMEFORMAT='%3R %3U %3S' out
  out=$( { time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
  awk -v t="$out" 'BEGIN { split(t, p, " "); printf "%.3f %.3f", p[1], p[2] + p[3] }'
}
djpeg_all() { for f in "$@"; do djpeg -outfile /dev/null "$f"; done; }
best() {  # keeps the round with the least wall time: "wall cpu [rss]"
  awk 'NR == 1 || $1 < w { w = $1; line = $0 } END { print line }'
}
publish_fresh() {  # PROJECT: a first publish into an empty cache and folder
  rm -rf "$work/cache" "$work/site"
  XDG_CACHE_HOME="$work/cache" /usr/bin/time -f %M -o "$work/rss" "$publish" "$1" --out "$work/site"
}
publish_again() {  # PROJECT: nothing changed since the last publish
  XDG_CACHE_HOME="$work/cache" "$publish" "$1" --out "$work/site"
}

echo "Timing (best of $rounds rounds)..."
: >"$work/djpeg" && : >"$work/first" && : >"$work/second"
for _ in $(seq 1 "$rounds"); do
  echo "$(timed djpeg_all "${photos[@]}")" >>"$work/djpeg"
  echo "$(timed publish_fresh "$work/all.mvl") $(cat "$work/rss")" >>"$work/first"
  for _ in 1 2 3; do echo "$(timed publish_again "$work/all.mvl")" >>"$work/second"; done
done
read -r dj_wall dj_cpu < <(best <"$work/djpeg")
read -r first_wall first_cpu first_rss < <(best <"$work/first")
read -r second_wall second_cpu < <(best <"$work/second")
# The second publish must have published the same files.
rm -rf "$work/reference" && cp -r "$work/site" "$work/reference"
publish_again "$work/all.mvl" >/dev/null && diff -r "$work/site" "$work/reference" >/dev/null \
  || { echo "the second publish changed the published files" >&2; exit 1; }

echo "Per kind..."
declare -A kind_line
for kind in 420 444 progressive; do
  files=("$work"/photos/*-"$kind".jpg)
  : >"$work/k-djpeg" && : >"$work/k-first"
  for _ in $(seq 1 "$rounds"); do
    echo "$(timed djpeg_all "${files[@]}")" >>"$work/k-djpeg"
    echo "$(timed publish_fresh "$work/kind-$kind.mvl") $(cat "$work/rss")" >>"$work/k-first"
  done
  read -r kd_wall kd_cpu < <(best <"$work/k-djpeg")
  read -r kf_wall kf_cpu kf_rss < <(best <"$work/k-first")
  kind_line[$kind]=$(awk -v n="${#files[@]}" -v k="$kind" -v dw="$kd_wall" -v dc="$kd_cpu" -v fw="$kf_wall" \
    -v fc="$kf_cpu" -v rss="$kf_rss" 'BEGIN {
    printf "  %-12s %2d files  wall %.2fx (%.0f vs %.0f ms)  CPU %.2fx  peak %.1f MiB", k, n, fw / dw,
      fw * 1000, dw * 1000, fc / dc, rss / 1024 }')
done

echo "One preparation per kind and size..."
sizes=("1632 1224" "4000 3000" "5656 4242")
single=()
for size in "${sizes[@]}"; do
  read -r w h <<<"$size"
  for kind in 420 422 444 gray progressive; do
    f="$work/single-${w}-${kind}.jpg"
    "$bench" --make-photo "$w" "$h" 92 7 "$f" "$kind"
    ours=$(for _ in $(seq 1 "$rounds"); do "$bench" --time-prepare 3 "$f"; done | awk '{ print $2 }' | sort -g | head -1)
    theirs=$(for _ in $(seq 1 "$rounds"); do timed djpeg_all "$f" "$f" "$f"; echo; done |
      awk '{ print $2 / 3 * 1000 }' | sort -g | head -1)
    single+=("$(awk -v w="$w" -v h="$h" -v k="$kind" -v o="$ours" -v t="$theirs" 'BEGIN {
      printf "  %4.1f MP %-12s ours %7.1f ms   djpeg %7.1f ms   %.2fx", w * h / 1e6, k, o, t, o / t }')")
  done
done

echo
cores=$(nproc)
awk -v n="${#photos[@]}" -v cores="$cores" -v dw="$dj_wall" -v dc="$dj_cpu" -v fw="$first_wall" -v fc="$first_cpu" \
    -v rss="$first_rss" -v sw="$second_wall" -v sc="$second_cpu" 'BEGIN {
  printf "%d photos of 4000 x 3000 to width 168, %d cores:\n", n, cores
  printf "  djpeg, one after another        wall %7.0f ms   CPU %7.0f ms\n", dw * 1000, dc * 1000
  printf "  first publish (empty cache)     wall %7.0f ms   CPU %7.0f ms   peak %.1f MiB\n", fw * 1000, fc * 1000, rss / 1024
  printf "  second publish (no change)      wall %7.0f ms   CPU %7.0f ms\n", sw * 1000, sc * 1000
  printf "Ratios:\n"
  printf "  first publish / djpeg           wall %5.2fx   CPU %5.2fx   (goal: wall at most 0.55x)\n", fw / dw, fc / dc
  printf "  second / first publish          wall %5.3fx   CPU %5.3fx   (goal: at most 0.05x)\n", sw / fw, sc / fc
  printf "  peak memory of the first publish %.1f MiB                 (goal: under 64 MiB)\n", rss / 1024
}'
echo "First publish per kind, against djpeg on the same files:"
for kind in 420 444 progressive; do echo "${kind_line[$kind]}"; done
echo "One preparation in memory (CPU per file) against djpeg:"
printf '%s\n' "${single[@]}"
echo "Load while measuring: $(cut -d' ' -f1-3 /proc/loadavg)${BENCH_NICE:+, run at nice $BENCH_NICE}"
