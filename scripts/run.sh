#!/usr/bin/env bash
# Starts the built player. Without a display it runs under Xvfb with the
# no-sound output, saves a screenshot of the main window and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
player=build/bin/youranmusic
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$player" "$@"
fi
shot=build/run-screenshot.png
rm -f "$shot"
YOURAN_AUDIO_DEVICE=none xvfb-run -a -s "-screen 0 1280x800x24" \
  "$player" --screenshot "$shot" --screenshot-after 4000 "$@"
[ -s "$shot" ] || { echo "run: no screenshot was written" >&2; exit 1; }
echo "run: screenshot of the main window saved to $shot"
