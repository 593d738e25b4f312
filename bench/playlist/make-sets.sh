#!/usr/bin/env bash
# make-sets.sh DIR: the two sets the conversion pass is measured on, made with
# ffmpeg: DIR/small (300 three-second MP3s, ID3v2.3 artist, title, album) and
# DIR/cover (50 four-minute MP3s, each with a ~371 KB JPEG front cover).
# Each audio stream is encoded once and copied into every tagged file.
set -euo pipefail
dir=$1
mkdir -p "$dir/small" "$dir/cover"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

if [ "$(ls "$dir/small" | wc -l)" -ne 300 ]; then
  ff -f lavfi -i "sine=frequency=523:sample_rate=44100:duration=3" -ac 2 -c:a libmp3lame -b:a 128k "$dir/base-3s.mp3"
  for i in $(seq 1 300); do
    ff -i "$dir/base-3s.mp3" -c copy -id3v2_version 3 -metadata artist="歌手 $((i % 40))" \
      -metadata title="短曲 $i" -metadata album="Set $((i % 12))" "$dir/small/short-$i.mp3"
  done
fi
if [ "$(ls "$dir/cover" | wc -l)" -ne 50 ]; then
  ff -f lavfi -i "color=c=gray:s=690x690,noise=alls=60:allf=t" -frames:v 1 -q:v 3 -f mjpeg "$dir/cover.jpg"
  ff -f lavfi -i "sine=frequency=330:sample_rate=44100:duration=240" -ac 2 -c:a libmp3lame -b:a 128k "$dir/base-4min.mp3"
  for i in $(seq 1 50); do
    ff -i "$dir/base-4min.mp3" -i "$dir/cover.jpg" -map 0 -map 1 -c copy -id3v2_version 3 \
      -metadata artist="Cover Artist $i" -metadata title="长曲 $i" \
      -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)" "$dir/cover/long-$i.mp3"
  done
fi
