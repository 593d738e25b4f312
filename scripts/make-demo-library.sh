#!/usr/bin/env bash
# make-demo-library.sh DIR
#
# Fills DIR with a few short tunes synthesised by ffmpeg (mp3, flac, ogg, m4a,
# wav; tagged, half-tagged, one without tags, one with a Chinese artist and
# title) and a music list file YRmDefaultList.dll listing them, not yet
# converted, so the player's conversion pass reads their tags on first start.
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

list="$dir/YRmDefaultList.dll"
if [ ! -e "$list" ]; then
  text="[音乐播放器列表文件]"
  row=0
  for name in "晨光.mp3" "Morning Walk.flac" "Rain on the Roof.ogg" "Evening Breeze.m4a" \
              "Only a Title.mp3" "untagged tune.wav"; do
    row=$((row + 1))
    # Unconverted rows: the player shows the file name until the pass runs.
    text+=$(printf '\r\n%s|%3s|%s||' "$dir/$name" "$row" "${name%.*}")
  done
  printf '%s' "$text" | iconv -f UTF-8 -t GB18030 > "$list.tmp-$$"
  mv "$list.tmp-$$" "$list"
fi
echo "demo library in $dir"
