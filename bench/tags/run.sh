#!/usr/bin/env bash
# Tag reading: ours against TagLib (FileRef, audio properties off) and
# mutagen on the same generated files, warm cache.
#   bench/tags/run.sh [BUILD_DIR]     (default: build)
# The sets are made once under ${YOURAN_BENCH_DATA:-/tmp/youran-tags-bench}.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
data="${YOURAN_BENCH_DATA:-/tmp/youran-tags-bench}"
python=/usr/bin/python3

if [ ! -f "$data/sets/.done" ]; then
  rm -rf "$data"
  mkdir -p "$data/source" "$data/sets"
  ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
  ff -f lavfi -i sine=frequency=440:duration=3 -c:a libmp3lame -b:a 128k -id3v2_version 0 "$data/source/tone3.mp3"
  ff -f lavfi -i sine=frequency=440:duration=240 -c:a libmp3lame -b:a 128k -id3v2_version 0 "$data/source/tone240.mp3"
  ff -f lavfi -i color=c=blue:s=300x300 -frames:v 1 "$data/source/cover.jpg"
  meta=(-metadata title=标题 -metadata artist=歌手 -metadata album=专辑)
  ff -f lavfi -i sine=duration=3 -i "$data/source/cover.jpg" -map 0:a -map 1:v -c:a flac -c:v copy -disposition:v attached_pic "${meta[@]}" "$data/source/a.flac"
  ff -f lavfi -i sine=duration=3 -c:a libvorbis "${meta[@]}" "$data/source/a.ogg"
  ff -f lavfi -i sine=duration=3 -i "$data/source/cover.jpg" -map 0:a -map 1:v -c:a aac -c:v copy -disposition:v attached_pic "${meta[@]}" "$data/source/a.m4a"
  ff -f lavfi -i sine=duration=3 -c:a wmav2 "${meta[@]}" "$data/source/a.wma"
  "$python" "$root/bench/tags/make_sets.py" "$data/source" "$data/sets"
  touch "$data/sets/.done"
fi

cmake --build "$build" --target tags_bench -j2 >/dev/null
"$build/bin/tags_bench" "$data/sets" --benchmark_min_time=2 --benchmark_counters_tabular=true
"$python" "$root/bench/tags/mutagen_bench.py" "$data/sets"
