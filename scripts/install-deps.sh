#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and
# running the player needs. Safe to run again: it installs only what is
# missing and says nothing when everything is there.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git clang libclang-rt-14-dev
  clang-format
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libgl-dev
  # Qt's own dialogs in Chinese, and the X connection the shadow asks about a compositor
  qt6-translations-l10n libxcb1-dev libfontconfig-dev
  # audio
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libsdl2-dev libpulse-dev
  ffmpeg
  # the MIDI plug-in: FluidSynth, its command-line renderer (the benchmark's
  # peer) and a General MIDI SoundFont
  libfluidsynth-dev fluidsynth timgm6mb-soundfont
  # loudness: the meter, the database beside the list file, and the peer
  # the loudness benchmark measures against
  libebur128-dev libsqlite3-dev sqlite3 loudgain
  # network and data
  libcurl4-openssl-dev libpcre2-dev nlohmann-json3-dev openssl ca-certificates
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libtag1-dev python3 python3-mutagen
  python3-numpy mpv
  # real sound servers the sound tests start for themselves, the recorder of
  # their null sinks, and sox for looking at a recording by hand
  pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber sox
  # the online benchmark's peer (curl -o)
  curl
  # bench/player's peer: Qmmp with its null output and its analyser
  qmmp
  # bench/player's second peer through the private sound server
  audacious
  # assets and headless runs
  python3-fonttools xvfb xauth fonts-wqy-microhei
  # desktop tests: a window manager and tools that act and look as a desktop does
  openbox xcompmgr xdotool x11-utils wmctrl
  # the whole-player scenarios: a notification area for the tray icon, the
  # clipboard read back, screenshots compared region by region
  trayer xclip python3-pil
  # a private session bus, a media-player client, the desktop entry validator
  dbus-daemon dbus-bin playerctl desktop-file-utils
  # the Debian package: dpkg-shlibdeps for its dependencies, its checkers
  dpkg-dev lintian appstream
  # a real Wayland session: weston's headless compositor with XWayland, and
  # an X client library for the test's own window and clicks (Mesa's drivers are
  # what weston recommends for its XWayland)
  weston xwayland libgl1-mesa-dri python3-xlib
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
