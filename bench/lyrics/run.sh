#!/usr/bin/env bash
# Lyrics benchmarks: a frame of the 1920 × 150 desktop line during the
# karaoke sweep (ours against a per-frame path rebuild), and the lookup of a
# second in a 300-line LRC (ours against the split-into-pieces loop).
#   bash bench/lyrics/run.sh            (uses build/, as `make bench` does)
#   BUILD_DIR=build-x bash bench/lyrics/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
cmake --build "$build" --target lyrics_bench >/dev/null
"$build/bench/lyrics_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
bash "$(dirname "$0")/sweep-cpu.sh"
