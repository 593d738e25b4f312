#!/usr/bin/env bash
# Runs every tags fuzz target for SECONDS (default 300), two at a time, with
# the seed corpora; new inputs go to a scratch folder, crashes to WORK/crashes.
#   fuzz/tags/run.sh [BUILD_DIR] [SECONDS] [WORK]
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-fuzz-tags}"
seconds="${2:-300}"
work="${3:-/tmp/tags-fuzz-work}"
mkdir -p "$work/crashes"
run() {
  local target="$1"
  mkdir -p "$work/$target"
  "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$work/crashes/$target-" -print_final_stats=1 \
    "$work/$target" "$root/fuzz/tags/corpus/$target" >"$work/$target.log" 2>&1
  echo "$target exit $? $(grep -E 'stat::number_of_executed_units' "$work/$target.log" | tail -1)"
}
targets=(id3v2 id3v1 mpeg ape ogg flac mp4 wma dispatch)
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run "tags_fuzz_${targets[i]}" &
  if ((i + 1 < ${#targets[@]})); then run "tags_fuzz_${targets[i + 1]}" & fi
  wait
done
