#!/usr/bin/env bash
# Runs a fuzz target for a fixed number of inputs from a fixed seed over its
# committed corpus. New inputs go to a scratch folder, never into the corpus;
# an input that breaks the target is kept there as crash-* and printed.
# Usage: run_fuzzer.sh TARGET CORPUS RUNS WORKDIR [libFuzzer options...]
set -euo pipefail
target=$1 corpus=$2 runs=$3 work=$4
shift 4
rm -rf "$work"
mkdir -p "$work/new"
status=0
"$target" -runs="$runs" -seed=1 -timeout=20 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/" "$@" "$work/new" "$corpus" || status=$?
for crash in "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-*; do
  [ -e "$crash" ] || continue
  echo "input that broke $(basename "$target"): $crash"
  od -A d -c "$crash" | head -40
done
exit $status
