#!/usr/bin/env bash
# Starts the built player. Unless a data folder is given (--data-dir DIR or
# YOURAN_MUSIC_HOME), it uses a demo folder with a few synthesised tracks, so
# a new user hears music at once. Without a display it runs under Xvfb with
# the no-sound output, plays the demo list, saves a screenshot of the main
# window and one of the whole screen (with the desktop lyric line) and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
player=build/bin/youranmusic

args=("$@")
given=no
for a in "${args[@]}"; do
  case "$a" in --data-dir|--data-dir=*) given=yes ;; esac
done
[ -n "${YOURAN_MUSIC_HOME:-}" ] && given=yes
if [ "$given" = no ]; then
  bash scripts/make-demo-library.sh build/demo >/dev/null
  # The demo folder is the data folder: its Plugins are the built ones.
  mkdir -p build/demo/Plugins
  for plugin in build/bin/Plugins/cod_*.so; do
    [ -e "$plugin" ] && ln -sfn "$PWD/$plugin" build/demo/Plugins/
  done
  args=(--data-dir build/demo --play "${args[@]}")
  # The demo music service: search the demo library from the search page.
  # It stops when the player exits.
  info=build/demo-service.json
  rm -f "$info"
  /usr/bin/python3 scripts/demo-service.py --library build/demo --info "$info" >/dev/null 2>&1 &
  service=$!
  trap 'kill "$service" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -s "$info" ] && break; sleep 0.1; done
  if [ -s "$info" ]; then
    /usr/bin/python3 scripts/demo-service.py --write-settings "$info" build/demo/Setting.ini
  else
    echo "run: the demo music service did not start; online search is off" >&2
  fi
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$player" "${args[@]}"
  exit $?
fi

shot=build/run-screenshot.png
desktop=build/run-desktop.png
shot2=build/run-now-playing.png
shot3=build/run-effects.png
rm -f "$shot" "$desktop" "$shot2" "$shot3"
# The headless copy gets its own lock, so a player the user already runs on
# this machine does not turn it into a second copy.
YOURAN_AUDIO_DEVICE=none YOURAN_LOCK_FILE="$PWD/build/run.lock" \
  xvfb-run -a -s "-screen 0 1280x800x24" \
  "$player" --screenshot "$shot" --desktop-screenshot "$desktop" --screenshot-after 5000 \
  --now-playing-screenshot "$shot2" --effects-screenshot "$shot3" "${args[@]}"
[ -s "$shot" ] || { echo "run: no screenshot was written" >&2; exit 1; }
echo "run: screenshot of the main window saved to $shot"
if [ -s "$desktop" ]; then echo "run: screenshot of the whole screen saved to $desktop"; fi
if [ -s "$shot2" ]; then echo "run: screenshot of 正在播放 saved to $shot2"; fi
if [ -s "$shot3" ]; then echo "run: screenshot of the effects window saved to $shot3"; fi
