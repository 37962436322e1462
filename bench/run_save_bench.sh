#!/usr/bin/env bash
# Saving a project of ITEMS items whose pictures are all missing (goal: the
# editor's save at most 2x marivel-publish's time on the same project): the
# editor's save through its bottom line and tree widget, the same save shown
# nowhere, and marivel-publish itself, each the best of ROUNDS rounds.
# Usage: bench/run_save_bench.sh [BUILD_DIR] [ITEMS] [ROUNDS]   (defaults: build, 30000, 3)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
items="${2:-30000}"
rounds="${3:-3}"
bench="$build/bin/bench_save_missing"
publish="$build/bin/marivel-publish"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$bench" write "$build/bin" "$work/long.mvl" "$items"
for round in $(seq 1 "$rounds"); do
  echo "== round $round =="
  "$bench" save "$build/bin" "$work/long.mvl"
  start=$(date +%s.%N)
  "$publish" "$work/long.mvl" >/dev/null
  end=$(date +%s.%N)
  echo "marivel-publish: $(echo "$end - $start" | bc) s"
done
