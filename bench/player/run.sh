#!/usr/bin/env bash
# The whole player under a real X server (Xvfb, openbox, xcompmgr), no sound card:
#
# 1. Start-up with a 100,000-row music list: from just before the process is
#    started to the first paint of the main window, and the resident memory
#    then; the rows are converted ones, so no conversion pass runs.
# 2. CPU while playing a 30 s MP3 with the frequency bars, the desktop lyric
#    line with its karaoke sweep and "正在播放" open, beside Qmmp playing the
#    same file to its null output with its own visualisation shown (the
#    skinned window's analyser and the Analyzer plug-in window). CPU time of
#    the whole process (every thread) over 20 s of playback, median of three
#    runs each, and the resident memory at the end of that window.
#
#   bash bench/player/run.sh            (after make build; needs Xvfb, openbox,
#                                        xdotool, qmmp: scripts/install-deps.sh)
# RUNS=3 WINDOW=20 change the number of runs and the seconds measured.
# SOUND=pulse plays through one private PulseAudio server (a null sink)
# instead of the no-sound outputs: each program's CPU then has the server's
# CPU spent in the same window beside it, Audacious joins when installed,
# and the wake-ups a second of every program are counted (voluntary context
# switches of all its threads).
set -euo pipefail
cd "$(dirname "$0")/../.."
player=${PLAYER:-build/bin/youranmusic}
[ -x "$player" ] || { echo "bench/player: build first (make build)" >&2; exit 1; }
for tool in Xvfb openbox xcompmgr xdotool qmmp ffmpeg; do
  command -v $tool >/dev/null || { echo "bench/player: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
runs=${RUNS:-3}
window=${WINDOW:-20}
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((70 + RANDOM % 100))
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
# A compositing desktop, as the player's translucent windows expect.
xcompmgr >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

sound=${SOUND:-none}
server_pid=
if [ "$sound" = pulse ]; then
  mkdir -p "$work/pulse-run" "$work/pulse-home"
  chmod 700 "$work/pulse-run"
  XDG_RUNTIME_DIR=$work/pulse-run HOME=$work/pulse-home pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no -L "module-null-sink sink_name=bench" \
    -L "module-native-protocol-unix socket=$work/pulse.sock auth-anonymous=1" >/dev/null 2>&1 &
  server_pid=$!
  pids+=($server_pid)
  export PULSE_SERVER=unix:$work/pulse.sock
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  audio_env=()
  qmmp_output=pulseaudio
else
  audio_env=(YOURAN_AUDIO_DEVICE=none)
  qmmp_output=null
fi

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

# --- 1. start-up with 100,000 rows -----------------------------------------
big=$work/big
mkdir -p "$big"
/usr/bin/python3 - "$big/YRmDefaultList.dll" <<'PY'
import sys
rows = ["[音乐播放器列表文件]"]
for i in range(1, 100001):
    rows.append(f"/home/user/音乐/歌手{i % 500}/专辑{i % 37}/第{i}首 示例歌曲名称.mp3|{i:>3}|歌手{i % 500}-示例歌曲名称{i}|03:{i % 60:02d}|真")
data = "\r\n".join(rows).encode("gb18030")
open(sys.argv[1], "wb").write(data)
print(f"list: {len(data) / 1e6:.1f} MB, {len(rows) - 1} rows")
PY

startup() {  # DATA-DIR LABEL
  local launched out
  launched=$(date +%s%3N)
  out=$(YOURAN_STARTUP_REPORT=1 YOURAN_AUDIO_DEVICE=none YOURAN_LOCK_FILE="$work/lock" \
    "$player" --data-dir "$1" --screenshot "$work/shot.png" --screenshot-after 1500 2>&1 || true)
  local painted rss report
  painted=$(sed -n 's/^first paint: wall \([0-9]*\) ms, rss \([0-9]*\) KiB/\1/p' <<<"$out")
  rss=$(sed -n 's/^first paint: wall \([0-9]*\) ms, rss \([0-9]*\) KiB/\2/p' <<<"$out")
  report=$(grep '^startup:' <<<"$out" || true)
  [ -n "$painted" ] || { echo "bench/player: no first paint reported: $out" >&2; return 1; }
  echo "$2: first paint $((painted - launched)) ms after launch, rss then $((rss / 1024)) MiB ($report)"
}
for run in $(seq "$runs"); do startup "$big" "100,000 rows, run $run"; done
empty=$work/empty
mkdir -p "$empty"
startup "$empty" "empty list"

# --- 2. CPU while playing ----------------------------------------------------
song=$work/song
mkdir -p "$song/Lyrics"
ffmpeg -nostdin -v error -y -f lavfi \
  -i "aevalsrc=exprs='0.3*sin(2*PI*(220+110*floor(mod(t*2,4)))*t)*exp(-3*mod(t,0.5))':s=44100:d=30" \
  -ac 2 -c:a libmp3lame -b:a 192k -id3v2_version 3 -metadata artist=悠然乐队 -metadata title=基准曲 \
  "$song/基准曲.mp3"
/usr/bin/python3 - "$song" <<'PY'
import sys
d = sys.argv[1]
row = f"{d}/基准曲.mp3|  1|悠然乐队-基准曲|00:30|真"
open(f"{d}/YRmDefaultList.dll", "wb").write(("[音乐播放器列表文件]\r\n" + row).encode("gb18030"))
# A line every two seconds, long enough for the karaoke sweep to be seen moving.
lines = [f"[00:{s:02d}.00]第{s // 2 + 1}句 悠然的旋律在心里回响，晨光里一切都刚刚好" for s in range(0, 30, 2)]
open(f"{d}/Lyrics/悠然乐队-基准曲.lrc", "wb").write("\r\n".join(lines).encode("gb18030"))
settings = "[Vision]\r\nSpectrum=T\r\nGaussian=T\r\n[Lyric]\r\nKaraoke=T\r\n"
open(f"{d}/Setting.ini", "wb").write(settings.encode("gb18030"))
PY

ticks() { [ -n "$1" ] && awk '{print $14 + $15}' "/proc/$1/stat" || echo 0; }
wakeups() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {n += $2} END {print n + 0}'; }
rss() { awk '/^VmRSS/ {print int($2 / 1024)}' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)

# Samples the CPU of PID from 6 s after its start for $window seconds; prints
# "percent rssMiB wakeups/s server-percent" (the server's share is 0 without
# one).
measure() {
  local pid=$1 started=$2 before after wake0 wake1 sbefore safter
  sleep "$(awk -v s="$started" -v now="$(date +%s.%N)" 'BEGIN {d = s + 6 - now; print (d > 0 ? d : 0)}')"
  before=$(ticks "$pid") wake0=$(wakeups "$pid") sbefore=$(ticks "$server_pid")
  sleep "$window"
  after=$(ticks "$pid") wake1=$(wakeups "$pid") safter=$(ticks "$server_pid")
  echo "$(awk -v a="$after" -v b="$before" -v hz="$hz" -v w="$window" 'BEGIN {printf "%.2f", 100 * (a - b) / hz / w}') $(rss "$pid")" \
    "$(( (wake1 - wake0) / window ))" \
    "$(awk -v a="$safter" -v b="$sbefore" -v hz="$hz" -v w="$window" 'BEGIN {printf "%.2f", 100 * (a - b) / hz / w}')"
}

player_run() {
  local data=$work/player-run
  rm -rf "$data"
  cp -r "$song" "$data"
  local started pid
  started=$(date +%s.%N)
  env "${audio_env[@]}" YOURAN_LOCK_FILE="$work/lock" "$player" --data-dir "$data" --play >/dev/null 2>&1 &
  pid=$!
  pids+=($pid)
  sleep 2.5
  # "正在播放" in the left panel: 100, 177 inside the main window.
  local wid= x y id
  for id in $(xdotool search --pid "$pid" --name '悠然音乐' 2>/dev/null || true); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    [ "$WIDTH" = 968 ] && [ "$HEIGHT" = 560 ] && wid=$id && break
  done
  if [ -n "${wid:-}" ]; then
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    x=$((X + 100)) y=$((Y + 177))
    xdotool mousemove "$x" "$y" click 1
    xdotool mousemove 1500 950  # off the window, so no hover effect is painted
  else
    echo "bench/player: main window not found" >&2
  fi
  local result
  result=$(measure "$pid" "$started")
  [ -n "${SHOTS:-}" ] && [ -n "$wid" ] && xwd -id "$wid" -silent > "$SHOTS/player-$1.xwd"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$result"
}

qmmp_run() {
  local home=$work/qmmp-home
  rm -rf "$home"
  mkdir -p "$home/.qmmp"
  printf '[Output]\ncurrent_plugin=%s\n\n[Visualization]\nenabled_plugins=analyzer\n' "$qmmp_output" > "$home/.qmmp/qmmprc"
  local started pid
  started=$(date +%s.%N)
  HOME=$home qmmp "$song/基准曲.mp3" >/dev/null 2>&1 &
  pid=$!
  pids+=($pid)
  sleep 2.5
  xdotool mousemove 1500 950
  local result
  result=$(measure "$pid" "$started")
  [ -n "${SHOTS:-}" ] && xwd -root -silent > "$SHOTS/qmmp-$1.xwd"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$result"
}

# Audacious with its window, through the same server (only with SOUND=pulse).
audacious_run() {
  local home=$work/audacious-home
  rm -rf "$home"
  mkdir -p "$home"
  local started pid
  started=$(date +%s.%N)
  HOME=$home XDG_CONFIG_HOME=$home/.config audacious "$song/基准曲.mp3" >/dev/null 2>&1 &
  pid=$!
  pids+=($pid)
  sleep 2.5
  xdotool mousemove 1500 950
  local result
  result=$(measure "$pid" "$started")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "$result"
}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

peers=(qmmp)
[ "$sound" = pulse ] && command -v audacious >/dev/null && peers+=(audacious)
declare -A total=()
for run in $(seq "$runs"); do
  for who in player "${peers[@]}"; do
    read -r cpu mem wake server < <("${who}_run" "$run")
    echo "run $run: $(printf '%-10s' "$who") ${cpu}% CPU, rss ${mem} MiB, ${wake} wake-ups/s, server ${server}% CPU," \
      "together $(awk -v a="$cpu" -v b="$server" 'BEGIN {printf "%.2f", a + b}')%"
    total[$who]+="$(awk -v a="$cpu" -v b="$server" 'BEGIN {printf "%.2f", a + b}') "
  done
done
p=$(printf '%s\n' ${total[player]} | median)
for who in "${peers[@]}"; do
  q=$(printf '%s\n' ${total[$who]} | median)
  echo "median of $runs, program + server: youranmusic ${p}%, $who ${q}%, ratio $(awk -v p="$p" -v q="$q" 'BEGIN {printf "%.2f", (q > 0 ? p / q : 0)}')x"
done
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
