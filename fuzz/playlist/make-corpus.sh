#!/usr/bin/env bash
# Writes the seed corpus of music_list_fuzzer: small lists as the player
# writes them, one with '|' in a path and a name, one with a bad header.
set -euo pipefail
out="$(dirname "$0")/corpus/music_list_fuzzer"
mkdir -p "$out"
gb() { printf "$1" | iconv -f UTF-8 -t GB18030; }
gb '[音乐播放器列表文件]' > "$out/empty"
gb '[音乐播放器列表文件]\r\n/音乐/晴天.mp3|  1|周杰伦-晴天|04:29|真\r\n/m/b.flac|  2|b||' > "$out/two-rows"
gb '[音乐播放器列表文件]\r\n/m/AC|DC/x.mp3|  1|AC|DC-x|03:00|真\r\n/m/p|  2|q.mp3|  2|p|  2|q||\r\n\r\nshort|  4|x' > "$out/bars"
gb '[音乐播放器列表文件] \r\n/m/a.mp3|  1|a||' > "$out/bad-header"
