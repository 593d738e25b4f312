#!/usr/bin/env bash
# Seeds for playback_decoder_fuzzer: a few tenths of a second of tone in each
# container the player lists, small enough to keep in the repository.
set -euo pipefail
cd "$(dirname "$0")"
out=corpus/playback_decoder_fuzzer
mkdir -p "$out"
src='sine=frequency=440:duration=0.05:sample_rate=8000'
for spec in "mp3:-b:a 32k" "flac:" "ogg:-c:a libvorbis" "m4a:-c:a aac -b:a 32k" "wma:-c:a wmav2 -b:a 32k" \
            "wav:" "aiff:" "au:" "tta:" "ape:" ; do
  ext=${spec%%:*}
  args=${spec#*:}
  # shellcheck disable=SC2086
  ffmpeg -nostdin -v error -y -f lavfi -i "$src" -ac 1 $args "$out/tone.$ext" 2>/dev/null || rm -f "$out/tone.$ext"
done
# An MP3 behind an ID3v2 tag, which the open path skips by itself.
ffmpeg -nostdin -v error -y -i "$out/tone.mp3" -c copy -id3v2_version 3 -metadata title=seed "$out/tagged.mp3"
ls -la "$out"
