#!/usr/bin/env bash
# Whole processes, as a user scripting over files runs them: start-up of
# `youranmusic-cli tags` on one file, `tags` over 1,000 files in one call and
# over the cover set, each against TagLib's FileRef in a program of its own
# (taglib_tags) on the same files. Median wall time of RUNS runs each.
#   bench/tags/process.sh [BUILD_DIR]     (run.sh makes the sets first)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
data="${YOURAN_BENCH_DATA:-/tmp/youran-tags-bench}"
runs="${RUNS:-21}"
[ -f "$data/sets/.done" ] || { echo "make the sets first: bench/tags/run.sh" >&2; exit 1; }
cmake --build "$build" --target taglib_tags youranmusic-cli -j2 >/dev/null
ours="$build/bin/youranmusic-cli"
peer="$build/bin/taglib_tags"

# 1,000 files: the small set's 300 MP3s, the mixed set's 80 and the cover
# set's 50, taken in turn until there are 1,000 names.
mapfile -t pool < <(find "$data/sets/small" "$data/sets/mixed" "$data/sets/cover" -type f | sort)
thousand=()
for ((i = 0; i < 1000; ++i)); do thousand+=("${pool[i % ${#pool[@]}]}"); done
mapfile -t cover < <(find "$data/sets/cover" -type f | sort)
one="${pool[0]}"

median() {  # median wall milliseconds of "$@", run $runs times
  /usr/bin/python3 - "$runs" "$@" <<'PY'
import subprocess, sys, time
runs, cmd = int(sys.argv[1]), sys.argv[2:]
subprocess.run(cmd, stdout=subprocess.DEVNULL)
times = []
for _ in range(runs):
    t = time.perf_counter()
    subprocess.run(cmd, stdout=subprocess.DEVNULL)
    times.append((time.perf_counter() - t) * 1000)
times.sort()
print(f"{times[len(times) // 2]:.1f}")
PY
}

printf '%-28s %10s %10s\n' "case (median ms)" "ours" "TagLib"
printf '%-28s %10s %10s\n' "one file (start-up)" "$(median "$ours" tags "$one")" "$(median "$peer" "$one")"
printf '%-28s %10s %10s\n' "1,000 files, one call" "$(median "$ours" tags "${thousand[@]}")" "$(median "$peer" "${thousand[@]}")"
printf '%-28s %10s %10s\n' "cover set (50), one call" "$(median "$ours" tags "${cover[@]}")" "$(median "$peer" "${cover[@]}")"
