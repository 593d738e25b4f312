#!/usr/bin/env bash
# make-demo-library.sh DIR
#
# Fills DIR with a few short tunes synthesised by ffmpeg (mp3, flac, ogg, m4a,
# wav; tagged, half-tagged, one without tags, one with a Chinese artist and
# title), a MIDI tune, and a music list file YRmDefaultList.dll listing them,
# not yet converted, so the player's conversion pass reads their tags on first
# start.
# Existing tracks and an existing list are kept: running it again changes
# nothing, and a list the player has already converted is not reset.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
command -v ffmpeg >/dev/null || { echo "$0: ffmpeg is needed" >&2; exit 1; }
command -v iconv >/dev/null || { echo "$0: iconv is needed" >&2; exit 1; }
mkdir -p "$1"
dir=$(cd "$1" && pwd)

# A plucked pentatonic melody: note n lasts `beat` seconds and decays; the
# pitch walks the scale C D E G A by a step pattern that differs per tune.
melody() {  # base-frequency beat step
  local f=$1 beat=$2 step=$3
  local note="st(0,floor(t/$beat));st(1,$f*pow(2,(floor(mod(ld(0)*$step+floor(ld(0)/8),5)*2.4)+12*floor(mod(ld(0),16)/12))/12))"
  local voice="0.30*sin(2*PI*ld(1)*t)*exp(-5*mod(t,$beat))+0.08*sin(PI*ld(1)*t)"
  echo "$note;$voice"
}

# make NAME SECONDS BASE BEAT STEP FORMAT [ffmpeg output options...]
make() {
  local name=$1 seconds=$2 base=$3 beat=$4 step=$5 format=$6
  shift 6
  local out="$dir/$name"
  [ -s "$out" ] && return 0
  local tmp="$dir/.tmp-$$-$name"
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "aevalsrc=exprs='$(melody "$base" "$beat" "$step")':s=44100:d=$seconds" \
    -ac 2 "$@" -f "$format" "$tmp"
  mv "$tmp" "$out"
}

make "晨光.mp3" 20 261.63 0.40 3 mp3 -c:a libmp3lame -b:a 128k -id3v2_version 3 \
  -metadata artist="林小雨" -metadata title="晨光" -metadata album="悠然小品"
# The first tune carries its own cover, as a ripped or bought file would.
embed_cover() {  # NAME
  local out="$dir/$1"
  ffprobe -v error -select_streams v -show_entries stream=index -of csv=p=0 "$out" | grep -q . && return 0
  local tmp="$dir/.tmp-$$-cover-$1" art="$dir/.tmp-$$-cover.png"
  # A diagonal blue-to-pink blend with a pale disc and a blue centre.
  local t="(X+Y)/(W+H)" d="hypot(X-150,Y-150)"
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "color=s=300x300,format=rgb24" \
    -vf "geq=r='if(lt($d,16),79,if(lt($d,62),246,79+168*$t))':g='if(lt($d,16),124,if(lt($d,62),244,124+44*$t))':b='if(lt($d,16),255,if(lt($d,62),252,255-39*$t))'" \
    -frames:v 1 "$art"
  ffmpeg -nostdin -hide_banner -loglevel error -y -i "$out" -i "$art" -map 0:a -map 1:v -c copy \
    -id3v2_version 3 -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)" -f mp3 "$tmp"
  rm -f "$art"
  mv "$tmp" "$out"
}
embed_cover "晨光.mp3"
make "Morning Walk.flac" 12 293.66 0.30 2 flac -c:a flac \
  -metadata artist="Youran Ensemble" -metadata title="Morning Walk"
make "Rain on the Roof.ogg" 8 329.63 0.25 4 ogg -c:a libvorbis -q:a 3 \
  -metadata artist="Demo Band" -metadata title="Rain on the Roof"
make "Evening Breeze.m4a" 25 220.00 0.50 3 ipod -c:a aac -b:a 96k \
  -metadata artist="Demo Band" -metadata title="Evening Breeze"
make "Only a Title.mp3" 5 392.00 0.20 1 mp3 -c:a libmp3lame -b:a 96k -id3v2_version 3 \
  -metadata title="Only a Title"
make "untagged tune.wav" 6 196.00 0.35 2 wav -c:a pcm_s16le -map_metadata -1 -fflags +bitexact

# Lyrics for three of the tunes, in the encodings lyric files come in: GBK,
# UTF-8 with a byte-order mark, and one line carrying several time tags.
mkdir -p "$dir/Lyrics"
lyric() {  # FILE ENCODING, text on stdin with LF line ends
  local out="$dir/Lyrics/$1" enc=$2
  [ -s "$out" ] && { cat >/dev/null; return 0; }
  local tmp="$out.tmp-$$"
  case "$enc" in
    gbk) sed 's/$/\r/' | iconv -f UTF-8 -t GBK > "$tmp" ;;
    utf8bom) { printf '\xEF\xBB\xBF'; sed 's/$/\r/'; } > "$tmp" ;;
    *) sed 's/$/\r/' > "$tmp" ;;
  esac
  mv "$tmp" "$out"
}
lyric "林小雨-晨光.lrc" gbk <<'LRC'
[ti:晨光]
[ar:林小雨]
[00:00.50]晨光 - 林小雨
[00:02.00]推开窗 风吹进了清晨
[00:05.00]鸟儿在枝头 轻轻地唱
[00:08.00]阳光洒满 这条小路
[00:11.00]我们慢慢走 不必匆忙
[00:14.00]悠然的旋律 在心里回响
[00:17.00]晨光里 一切都刚刚好
LRC
lyric "Youran Ensemble-Morning Walk.lrc" utf8bom <<'LRC'
[ti:Morning Walk]
[00:00.30]Morning Walk
[00:02.00]Step by step along the river
[00:05.00]Morning light on every stone
[00:08.00]Walking slowly, 慢慢走
[00:10.50]Nearly home
LRC
lyric "Demo Band-Rain on the Roof.lrc" utf8 <<'LRC'
[00:00.20]Rain on the Roof
[00:01.00][00:05.00]Tap tap tap, the rain is here
[00:03.00][00:07.00]Drip drop, the sky is near
LRC

# A MIDI tune for the MIDI plug-in: a music box over soft strings, 9 s.
if [ ! -s "$dir/Music Box.mid" ]; then
  PYTHONPATH="$(dirname "$0")" /usr/bin/python3 - "$dir/Music Box.mid" <<'PY'
import struct, sys
from smf_writer import delta_encode, vlq
events = []  # (tick, bytes)
scale = [60, 62, 64, 67, 69, 72, 74, 76]
for i in range(32):  # eighth notes at 120 bpm, 480 ticks a beat
    key = scale[(i * 3 + i // 8) % len(scale)]
    events += [(240 * i, bytes([0x90, key, 96])), (240 * i + 220, bytes([0x80, key, 0]))]
for bar in range(4):
    for key in ([48, 55, 64], [45, 52, 60], [41, 48, 57], [43, 50, 59])[bar]:
        events += [(1920 * bar, bytes([0x91, key, 56])), (1920 * bar + 1900, bytes([0x81, key, 0]))]
events.sort(key=lambda e: e[0])
track = bytes([0, 0xff, 0x51, 3, 0x07, 0xa1, 0x20, 0, 0xc0, 10, 0, 0xc1, 48]) + delta_encode(events)
now = events[-1][0]
track += vlq(7680 + 960 - now) + bytes([0xff, 0x2f, 0])
with open(sys.argv[1] + ".tmp", "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(track)) + track)
PY
  mv "$dir/Music Box.mid.tmp" "$dir/Music Box.mid"
fi

list="$dir/YRmDefaultList.dll"
if [ ! -e "$list" ]; then
  text="[音乐播放器列表文件]"
  row=0
  for name in "晨光.mp3" "Morning Walk.flac" "Rain on the Roof.ogg" "Evening Breeze.m4a" \
              "Only a Title.mp3" "untagged tune.wav" "Music Box.mid"; do
    row=$((row + 1))
    # Unconverted rows: the player shows the file name until the pass runs.
    text+=$(printf '\r\n%s|%3s|%s||' "$dir/$name" "$row" "${name%.*}")
  done
  printf '%s' "$text" | iconv -f UTF-8 -t GB18030 > "$list.tmp-$$"
  mv "$list.tmp-$$" "$list"
fi
echo "demo library in $dir"
