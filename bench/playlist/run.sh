#!/usr/bin/env bash
# Playlist benchmarks: load/save of a 100,000-row music list (with Qt's
# readAll-and-split as the peer), the memory of a process holding it, and the
# conversion pass over two sets of MP3s against TagLib's FileRef, and the
# playlist commands at size (a folder scan beside find, RemoveDuplicates
# beside the row-by-row rule).
#   bash bench/playlist/run.sh            (uses build/, as `make bench` does)
#   BUILD_DIR=build-playlist bash bench/playlist/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
cmake --build "$build" --target playlist_list_bench playlist_memory_bench playlist_conversion_bench \
  playlist_commands_bench >/dev/null
data="$build/bench-playlist-data"
mkdir -p "$data"

echo "-- music list file, 100,000 rows"
"$build/bench/playlist_list_bench" --benchmark_counters_tabular=true

echo "-- memory"
/usr/bin/python3 - "$data/list-100k.dll" <<'PY'
import sys
rows = []
for i in range(100000):
    artist, title = "歌手%d" % (i % 700), "歌曲%d" % i
    stem = "%d %s" % (i % 20 + 1, title)
    path = "/home/user/Music/Collection/%s/Album No.%d/%s.mp3" % (artist, i % 4000, stem)
    ok = i % 10 != 0
    rows.append("%s|%3d|%s|%s|%s" % (path, i + 1, artist + "-" + title if ok else stem,
                                      "03:4%d" % (i % 10) if ok else "", "真" if ok else ""))
open(sys.argv[1], "wb").write("\r\n".join(["[音乐播放器列表文件]"] + rows).encode("gb18030"))
PY
"$build/bench/playlist_memory_bench" "$data/list-100k.dll"

echo "-- conversion pass"
bash bench/playlist/make-sets.sh "$data/sets"
"$build/bench/playlist_conversion_bench" "$data/sets/small" 3
"$build/bench/playlist_conversion_bench" "$data/sets/cover" 3

echo "-- playlist commands"
"$build/bench/playlist_commands_bench" "$data/commands" 3
