#!/usr/bin/env bash
# The karaoke sweep in the running player: CPU time of the whole player over
# the same 12 s of the demo's first track (it has a lyric) with the sweep on
# and off, under Xvfb with the no-sound output. The difference is what the
# 30 redraws a second of the desktop line cost, window system copy included.
#   bash bench/lyrics/sweep-cpu.sh      (uses build/)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
player="$PWD/$build/bin/youranmusic"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash scripts/make-demo-library.sh "$work/demo" >/dev/null

# The player is ended by the script after the second reading: both readings
# must come from the living process, or the figure is not a measurement.
measure() {  # KARAOKE(T|F); prints the CPU ticks of the 12 s window
  rm -f "$work/demo/Setting.ini"
  printf '[Lyric]\r\nKaraoke=%s\r\n' "$1" > "$work/demo/Setting.ini"
  YOURAN_AUDIO_DEVICE=none YOURAN_LOCK_FILE="$work/lock" \
    xvfb-run -a -s "-screen 0 1920x1080x24" \
    bash -c '"$0" --data-dir "$1" --play >/dev/null 2>&1 &
             pid=$!
             ticks() {  # utime + stime of every thread; fails once the player is gone
               local stat
               stat=$(cat "/proc/$pid/stat" 2>/dev/null) || return 1
               stat=${stat##*) }
               set -- $stat
               [ "$1" != Z ] || return 1
               echo $(( ${12} + ${13} ))
             }
             sleep 2; a=$(ticks) || { echo "player exited within 2 s" >&2; exit 1; }
             sleep 12; b=$(ticks) || { echo "player exited before the 12 s were over" >&2; exit 1; }
             kill $pid; wait $pid 2>/dev/null
             echo $(( b - a ))' "$player" "$work/demo"
}
ticks=$(getconf CLK_TCK)
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
on=$(measure T)
off=$(measure F)
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v on="$on" -v off="$off" -v hz="$ticks" 'BEGIN {
  printf "player CPU over 12 s: sweep on %.2f s (%.1f %% of a core), off %.2f s (%.1f %%); the sweep costs %.1f %% of a core\n",
    on / hz, 100 * on / hz / 12, off / hz, 100 * off / hz / 12, 100 * (on - off) / hz / 12 }'
