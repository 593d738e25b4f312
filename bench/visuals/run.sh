#!/usr/bin/env bash
# Visuals figures in one run (see visuals_bench.cpp): the blur of a 968 x 560
# picture at radius 100 (ours on 1 and 2 threads, the tests' scalar stack
# blur, Qt's QGraphicsBlurEffect), a spectrum frame, a cover cache hit.
# Usage: bench/visuals/run.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
bench="$build/bin/visuals_bench"
[ -x "$bench" ] || cmake --build "$build" --target visuals_bench >/dev/null
# The minimum time is a plain number of seconds: Debian 12's Google Benchmark
# (1.7) refuses "0.2s" and falls back to its default, which makes a run take
# minutes.
"$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_min_time=0.2
