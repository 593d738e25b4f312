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

measure() {  # KARAOKE(T|F)
  rm -f "$work/demo/Setting.ini"
  printf '[Lyric]\r\nKaraoke=%s\r\n' "$1" > "$work/demo/Setting.ini"
  YOURAN_AUDIO_DEVICE=none YOURAN_LOCK_FILE="$work/lock" \
    xvfb-run -a -s "-screen 0 1920x1080x24" \
    bash -c '"$0" --data-dir "$1" --play --screenshot "$1/shot.png" --screenshot-after 14000 &
             pid=$!; sleep 2; a=$(awk "{print \$14+\$15}" /proc/$pid/stat); sleep 12
             b=$(awk "{print \$14+\$15}" /proc/$pid/stat); wait $pid
             echo $(( b - a ))' "$player" "$work/demo" 2>/dev/null
}
ticks=$(getconf CLK_TCK)
on=$(measure T)
off=$(measure F)
awk -v on="$on" -v off="$off" -v hz="$ticks" 'BEGIN {
  printf "player CPU over 12 s: sweep on %.2f s (%.1f %% of a core), off %.2f s (%.1f %%); the sweep costs %.1f %% of a core\n",
    on / hz, 100 * on / hz / 12, off / hz, 100 * off / hz / 12, 100 * (on - off) / hz / 12 }'
