#!/usr/bin/env bash
# Seeds for playback_decoder_fuzzer: a few tenths of a second of tone in each
# container the player lists, small enough to keep in the repository. The
# target reads its first byte as the way to open the rest (even: to play,
# odd: to measure), so every file is kept once for each.
set -euo pipefail
cd "$(dirname "$0")"
out=corpus/playback_decoder_fuzzer
raw=$(mktemp -d)
trap 'rm -rf "$raw"' EXIT
mkdir -p "$out"
rm -f "$out"/*
src='sine=frequency=440:duration=0.05:sample_rate=8000'
for spec in "mp3:-b:a 32k" "flac:" "ogg:-c:a libvorbis" "m4a:-c:a aac -b:a 32k" "wma:-c:a wmav2 -b:a 32k" \
            "wav:" "aiff:" "au:" "tta:" "ape:" "opus:-c:a libopus -b:a 16k" ; do
  ext=${spec%%:*}
  args=${spec#*:}
  # shellcheck disable=SC2086
  ffmpeg -nostdin -v error -y -f lavfi -i "$src" -ac 1 $args "$raw/tone.$ext" 2>/dev/null || rm -f "$raw/tone.$ext"
done
# An MP3 behind an ID3v2 tag, which the open path skips by itself, and one
# without a Xing header, whose length comes from its bit rate.
ffmpeg -nostdin -v error -y -i "$raw/tone.mp3" -c copy -id3v2_version 3 -metadata title=seed "$raw/tagged.mp3"
ffmpeg -nostdin -v error -y -f lavfi -i "$src" -ac 1 -b:a 32k -write_xing 0 "$raw/plain.mp3"
for f in "$raw"/*; do
  name=$(basename "$f")
  { printf '\0'; cat "$f"; } > "$out/play-$name"
  { printf '\1'; cat "$f"; } > "$out/measure-$name"
done
ls -la "$out"
