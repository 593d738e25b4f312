#!/usr/bin/env bash
# Start-up of the whole player with a 100,000-row music list: time from
# process start to a window with the list loaded, and the resident memory
# then. The rows are converted ones, so no conversion pass runs.
#
#   bash bench/player/run.sh            (after make build)
set -euo pipefail
cd "$(dirname "$0")/../.."
player=${PLAYER:-build/bin/youranmusic}
[ -x "$player" ] || { echo "bench/player: build first (make build)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work/YRmDefaultList.dll" <<'PY'
import sys
rows = ["[音乐播放器列表文件]"]
for i in range(1, 100001):
    rows.append(f"/home/user/音乐/歌手{i % 500}/专辑{i % 37}/第{i}首 示例歌曲名称.mp3|{i:>3}|歌手{i % 500}-示例歌曲名称{i}|03:{i % 60:02d}|真")
data = "\r\n".join(rows).encode("gb18030")
open(sys.argv[1], "wb").write(data)
print(f"list: {len(data) / 1e6:.1f} MB, {len(rows) - 1} rows")
PY

for run in 1 2 3; do
  YOURAN_STARTUP_REPORT=1 YOURAN_AUDIO_DEVICE=none YOURAN_LOCK_FILE="$work/lock" QT_QPA_PLATFORM=offscreen \
    "$player" --data-dir "$work" --screenshot "$work/shot.png" --screenshot-after 200 2>&1 | grep '^startup:'
done
# An empty list for comparison: what the window and the engine cost alone.
rm "$work/YRmDefaultList.dll"
YOURAN_STARTUP_REPORT=1 YOURAN_AUDIO_DEVICE=none YOURAN_LOCK_FILE="$work/lock" QT_QPA_PLATFORM=offscreen \
  "$player" --data-dir "$work" --screenshot "$work/shot.png" --screenshot-after 200 2>&1 | grep '^startup:' | sed 's/^/empty list: /'
