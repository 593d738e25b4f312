#!/usr/bin/env bash
# Audio engine against its peers, on the same generated files:
#  1. CPU seconds for 30 s of playback: the engine's full chain (decode, ten
#     equaliser bands, reverb, echo, an FFT every 30 ms, no-sound output)
#     against mpv playing the file plainly to its null output.
#  2. The decode loop alone against `ffmpeg -threads 1 -i FILE -f null -`.
#  3. createStream + getLength + freeStream on a 4-minute MP3 carrying a
#     371 KB cover.
#  4. The MIDI plug-in rendering a 3-minute song to a file, against
#     `fluidsynth -F` on the same file and SoundFont.
#  5. A slider move while playing: from an equaliser band set to the first
#     changed sample heard, through an output that pulls like the sound
#     device, with the output's period and with the old 1024 frames.
# Usage: bench/playback/run.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
bench="$build/bin/playback_bench"
[ -x "$bench" ] || cmake --build "$build" --target playback_bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A tune with some motion: a stepping melody with harmonics over soft noise.
tune='aevalsrc=0.25*sin(2*PI*(220+55*floor(mod(t*3\,8)))*t)+0.1*sin(4*PI*(220+55*floor(mod(t*3\,8)))*t)+0.05*(random(0)-0.5)|0.25*sin(2*PI*(330+55*floor(mod(t*2\,6)))*t)+0.05*(random(1)-0.5):s=44100:d=240'
ffmpeg -nostdin -v error -y -f lavfi -i "$tune" -c:a libmp3lame -b:a 192k "$work/tune.mp3"
ffmpeg -nostdin -v error -y -f lavfi -i "$tune" -t 60 -c:a flac "$work/tune.flac"
# A noisy picture compresses badly: about 371 KB as a JPEG.
ffmpeg -nostdin -v error -y -f lavfi -i "color=c=gray:s=730x730,noise=alls=60:allf=t" -frames:v 1 -q:v 4 "$work/cover.jpg"
ffmpeg -nostdin -v error -y -i "$work/tune.mp3" -i "$work/cover.jpg" -map 0:a -map 1:v -c copy -id3v2_version 3 \
  -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)" "$work/tune-cover.mp3"
echo "cover: $(stat -c %s "$work/cover.jpg") bytes; mp3 with cover: $(stat -c %s "$work/tune-cover.mp3") bytes"

cpu() {  # user+system CPU seconds of a command and its children
  /usr/bin/python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.2f" % (r.ru_utime + r.ru_stime))' "$@"
}

median3() {  # median CPU seconds of three runs of a command
  local a b c
  a=$(cpu "$@"); b=$(cpu "$@"); c=$(cpu "$@")
  printf "%s\n%s\n%s\n" "$a" "$b" "$c" | sort -n | sed -n 2p
}

echo
echo "1. 30 s of playback, CPU seconds, median of three runs (lower is better)"
printf "%-6s %10s %10s %8s\n" file engine mpv ratio
for f in tune.mp3 tune.flac; do
  ours=$(median3 "$bench" --chain "$work/$f" 30)
  theirs=$(median3 mpv --no-config --no-video --ao=null --length=30 "$work/$f")
  printf "%-6s %10s %10s %8s\n" "${f#tune.}" "$ours" "$theirs" "$(awk -v a="$ours" -v b="$theirs" 'BEGIN{printf "%.2fx", a/b}')"
done

echo
echo "2. Decoding the whole file, CPU seconds (lower is better)"
export YOURAN_BENCH_MP3="$work/tune.mp3" YOURAN_BENCH_FLAC="$work/tune.flac" YOURAN_BENCH_COVER_MP3="$work/tune-cover.mp3"
"$bench" --benchmark_filter=BM_DecodeLoop --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$work/decode.json" 2>/dev/null
printf "%-6s %10s %10s %12s\n" file engine ffmpeg "speed ratio"
for f in mp3 flac; do
  ours=$(/usr/bin/python3 - "$work/decode.json" "$f" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
for b in d["benchmarks"]:
    if b["name"].startswith("BM_DecodeLoop/%s/" % sys.argv[2]) and b.get("aggregate_name") == "median":
        print("%.3f" % (b["cpu_time"] / 1000.0))
PY
)
  best=""
  for i in 1 2 3; do
    t=$(cpu ffmpeg -nostdin -v error -threads 1 -i "$work/tune.$f" -f null -)
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a<b)}'; then best=$t; fi
  done
  printf "%-6s %10s %10s %12s\n" "$f" "$ours" "$best" "$(awk -v a="$ours" -v b="$best" 'BEGIN{printf "%.2fx", b/a}')"
done

echo "(ffmpeg's figure includes its start-up: $(cpu ffmpeg -nostdin -v error -threads 1 -f lavfi -i anullsrc -t 0.01 -f null -) s for a 10 ms file)"

echo
echo "3. createStream + getLength + freeStream, 4-minute MP3 with the cover"
"$bench" --benchmark_filter=BM_OpenMeasureFree --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null |
  grep -E "BM_|Benchmark"

echo
echo "4. The MIDI plug-in rendering a 3-minute song, against fluidsynth -F, same SoundFont"
# Melody, string chords, bass and drums at 120 bpm with a tempo change;
# around 12 voices sound at once.
PYTHONPATH=scripts /usr/bin/python3 - "$work/song.mid" <<'PY'
import struct, sys
from smf_writer import delta_encode
def track(events):
    events.sort(key=lambda e: e[0])
    data = delta_encode(events)
    return b"MTrk" + struct.pack(">I", len(data) + 4) + data + b"\x00\xff\x2f\x00"
bars, q = 90, 480
tempo = [(0, bytes([0xff, 0x51, 3, 0x07, 0xa1, 0x20])), (q * 4 * 45, bytes([0xff, 0x51, 3, 0x07, 0x53, 0x00]))]
melody, chords, bass, drums = [(0, bytes([0xc0, 0]))], [(0, bytes([0xc1, 48]))], [(0, bytes([0xc2, 33]))], []
scale = [60, 62, 64, 65, 67, 69, 71, 72]
roots = [48, 45, 41, 43]
for bar in range(bars):
    t = bar * 4 * q
    root = roots[bar % 4]
    for i in range(8):
        key = scale[(bar * 3 + i * 5) % 8] + 12 * (i % 2)
        melody += [(t + i * q // 2, bytes([0x90, key, 90])), (t + i * q // 2 + q // 2 - 20, bytes([0x80, key, 0]))]
        drums += [(t + i * q // 2, bytes([0x99, 42, 70])), (t + i * q // 2 + 60, bytes([0x89, 42, 0]))]
    for key in (root + 12, root + 16, root + 19):
        chords += [(t, bytes([0x91, key, 60])), (t + 4 * q - 10, bytes([0x81, key, 0]))]
    for beat in range(4):
        bass += [(t + beat * q, bytes([0x92, root - 12, 100])), (t + beat * q + q - 30, bytes([0x82, root - 12, 0]))]
        drum = 36 if beat % 2 == 0 else 38
        drums += [(t + beat * q, bytes([0x99, drum, 110])), (t + beat * q + 100, bytes([0x89, drum, 0]))]
tracks = [track(tempo), track(melody), track(chords), track(bass), track(drums)]
with open(sys.argv[1], "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), q) + b"".join(tracks))
PY
midi_bench="$build/bin/midi_bench"
[ -x "$midi_bench" ] || cmake --build "$build" --target midi_bench >/dev/null
seconds=$("$build/bin/youranmusic-cli" probe "$work/song.mid" | /usr/bin/python3 -c 'import json,sys; print("%.2f" % json.load(sys.stdin)["seconds"])')
echo "song: $seconds s; CPU seconds of the whole process (start, SoundFont load, render, file write), median of three"
printf "%-14s %10s %10s %12s %12s\n" soundfont plug-in fluidsynth "plug-in ×rt" "fluidsynth ×rt"
for sf in /usr/share/sounds/sf2/TimGM6mb.sf2 /usr/share/sounds/sf2/FluidR3_GM.sf2; do
  [ -e "$sf" ] || continue
  ours=$(median3 "$midi_bench" "$build/bin/Plugins/cod_midi.so" "$sf" "$work/song.mid" "$work/ours.raw")
  theirs=$(median3 fluidsynth -ni -q -F "$work/theirs.wav" -r 44100 "$sf" "$work/song.mid")
  printf "%-14s %10s %10s %12s %12s\n" "$(basename "$sf" .sf2)" "$ours" "$theirs" \
    "$(awk -v s="$seconds" -v c="$ours" 'BEGIN{printf "%.0fx", s/c}')" \
    "$(awk -v s="$seconds" -v c="$theirs" 'BEGIN{printf "%.0fx", s/c}')"
done
echo "(plug-in wrote $(($(stat -c %s "$work/ours.raw") / 4)) frames; fluidsynth $(( ($(stat -c %s "$work/theirs.wav") - 44) / 4 )) frames)"
peak() {  # peak resident KiB of a command
  /usr/bin/python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$@"
}
sf=/usr/share/sounds/sf2/FluidR3_GM.sf2
if [ -e "$sf" ]; then
  echo "peak memory with FluidR3_GM: plug-in $(peak "$midi_bench" "$build/bin/Plugins/cod_midi.so" "$sf" "$work/song.mid") KiB," \
    "fluidsynth $(peak fluidsynth -ni -q -F "$work/theirs.wav" -r 44100 "$sf" "$work/song.mid") KiB"
fi
"$midi_bench" "$build/bin/Plugins/cod_midi.so" /usr/share/sounds/sf2/TimGM6mb.sf2 "$work/song.mid"

echo
echo "5. From a slider move (an equaliser band set while playing) to the first changed sample heard"
ffmpeg -nostdin -v error -y -f lavfi -i "sine=f=1000:d=30:r=44100,volume=4" -ac 2 -c:a pcm_f32le "$work/tone.wav"
"$bench" --latency "$work/tone.wav"
"$bench" --latency "$work/tone.wav" 1024
