#!/usr/bin/env bash
# Loudness measuring speed: youranmusic-cli loudness against loudgain on the
# same 200 files, in the same run (farm-bench alternates the two).
#   bash bench/loudness/run.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
cli=$(realpath "$build/bin/youranmusic-cli")
data=${YOURAN_BENCH_DATA:-/tmp/youran-loudness-bench}
command -v loudgain >/dev/null || { echo "loudgain is needed (scripts/install-deps.sh)"; exit 1; }

# 200 files of 20 s: 80 FLAC, 60 MP3, 60 Ogg Vorbis, pink noise at levels
# from -40 to -10 LUFS (a file set made once, then reused).
if [ ! -f "$data/.complete" ]; then
  mkdir -p "$data"
  for i in $(seq 1 200); do
    amp=$(awk -v i="$i" 'BEGIN { printf "%.4f", 0.01 + (i % 17) * 0.03 }')
    case $((i % 10)) in
      0|1|2|3) ext=flac; codec="-c:a flac" ;;
      4|5|6) ext=mp3; codec="-c:a libmp3lame -b:a 192k" ;;
      *) ext=ogg; codec="-c:a libvorbis -q:a 5" ;;
    esac
    ffmpeg -nostdin -loglevel error -y -f lavfi -i "anoisesrc=d=20:c=pink:a=$amp:seed=$i" -ac 2 $codec \
      "$data/$(printf %03d "$i").$ext"
  done
  touch "$data/.complete"
fi
files=("$data"/*.flac "$data"/*.mp3 "$data"/*.ogg)
echo "files: ${#files[@]}, $(du -sh "$data" | cut -f1)"

# Agreement first: the largest difference of the two integrated loudnesses.
"$cli" loudness "${files[@]}" > /tmp/youran-loudness-ours.jsonl
loudgain -q -O "${files[@]}" 2>/dev/null > /tmp/youran-loudness-loudgain.tsv
/usr/bin/python3 - <<'PY'
import json
ours = {}
for line in open('/tmp/youran-loudness-ours.jsonl'):
    row = json.loads(line)
    ours[row['path']] = row['integrated_lufs']
worst = 0.0
for line in open('/tmp/youran-loudness-loudgain.tsv').read().splitlines()[1:]:
    cols = line.split('\t')
    if cols[0] in ours:
        worst = max(worst, abs(ours[cols[0]] - float(cols[1].split()[0])))
print(f"largest difference to loudgain: {worst:.3f} LU over {len(ours)} files")
PY

farm-bench -n "${RUNS:-3}" --warmup 0 --timeout 3600 --vs "loudgain -q -O ${files[*]}" -- "$cli" loudness "${files[@]}"
