#!/usr/bin/python3
"""The desktop lyric line keeps time in the running player: over a 30 s song
whose lyric repeats lines, holds a blank tag and carries an offset, the line
window's title (the line it shows) is followed with `xprop -spy` and every
change must come within 100 ms after its tag, never before it.
  lyrics_timing_x11_test.py PLAYER ARTIFACTS
Run inside dbus-run-session; exit 77 when a desktop tool is missing."""
import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import desktop_session as ds  # noqa: E402
from desktop_session import Failed, wait_for  # noqa: E402

SONG_SECONDS = 30
OFFSET_MS = 250  # [offset:+250]: every line 0.25 s before its tag
# (tag in seconds, text); a line with two tags, a blank tag.
LINES = [(1.70, "第一句 开始"), (2.37, "第二句"), (3.91, "副歌 来了"), (5.12, "第四句"), (6.66, ""),
         (7.40, "第六句"), (9.05, "第七句"), (10.50, "第八句"), (12.13, "第九句"), (13.77, "第十句"),
         (15.30, "副歌 来了"), (16.84, "第十二句"), (18.20, "第十三句"), (19.95, "第十四句"),
         (21.33, "第十五句"), (22.90, "第十六句"), (24.44, "第十七句"), (26.01, "最后一句")]


def lrc_text():
    by_text = {}
    for t, text in LINES:
        by_text.setdefault(text, []).append(t)
    out = ["[ti:三十秒]", "[ar:计时]", "[offset:+%d]" % OFFSET_MS]
    for text, times in by_text.items():
        tags = "".join("[%02d:%05.2f]" % (t // 60, t % 60) for t in times)
        out.append(tags + text)
    return "\r\n".join(out) + "\r\n"


def timing(session, check):
    data = session.data
    os.makedirs(os.path.join(data, "Lyrics"))
    # Named as the conversion pass would name it from its tags.
    song = os.path.join(data, "计时-三十秒.mp3")
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "sine=f=330:d=%d" % SONG_SECONDS, "-c:a", "libmp3lame", "-b:a", "64k", "-metadata",
                    "title=三十秒", "-metadata", "artist=计时", song], check=True)
    with open(os.path.join(data, "Lyrics", "计时-三十秒.lrc"), "wb") as f:
        f.write(lrc_text().encode("gb18030"))

    session.start_player(song)
    line = session.desktop_lyric()
    spy = subprocess.Popen(["xprop", "-spy", "-id", str(line.id), "_NET_WM_NAME"],
                           env=dict(session.env, LC_ALL="C.UTF-8"), stdout=subprocess.PIPE, text=True,
                           encoding="utf-8", errors="replace")
    seen = []  # (monotonic time, title)

    def follow():
        for out in spy.stdout:
            now = time.monotonic()
            value = out.split("=", 1)[1].strip() if "=" in out else ""
            if value.startswith('"') and value.endswith('"'):
                value = value[1:-1]
            # Qt adds the application's name to every window title.
            seen.append((now, value.split(" — ")[0] if value != "悠然音乐 6" else ""))

    threading.Thread(target=follow, daemon=True).start()
    wait_for(lambda: session.ctl("status") == "Playing", "Playing", 15)
    # Where the song started, on this clock, from the engine's position read
    # over MPRIS all along (a slow answer only moves it earlier): the line is
    # judged against the position the player itself had around its tag.
    readings = []  # (round trip, start estimate, time)
    until = time.monotonic() + LINES[-1][0] + 1.5
    while time.monotonic() < until:
        before = time.monotonic()
        p = session.position()
        after = time.monotonic()
        if p >= 0:
            readings.append((after - before, before - p, before))
        time.sleep(0.1)
    session.keep(session.screenshot(), "last-line")
    spy.terminate()
    check(len(readings) > 10, "the position is readable over MPRIS")
    if not readings:
        return

    def start_near(t):
        near = [r for r in readings if abs(r[2] - t) < 2.0] or readings
        return min(near)[1]

    start = min(readings)[1]
    with open(os.path.join(session.artifacts, "titles.txt"), "w") as f:
        f.writelines("%8.3f %s\n" % (w - start, t) for w, t in seen)
    late = []
    cursor = 0
    for tag, text in LINES:
        due = start + tag - OFFSET_MS / 1000.0
        due = start_near(due) + tag - OFFSET_MS / 1000.0
        # The first change to this text near its time (the spy's first
        # output is the title it found, not a change).
        hit = next(((w, t) for w, t in seen[max(cursor, 1):] if t == text and w > due - 0.5), None)
        if hit is None:
            late.append("%s at %.2f s never shown" % (text or "(blank)", tag))
            continue
        cursor = seen.index(hit) + 1
        delay = (hit[0] - due) * 1000
        print("tag %6.2f s  %-12s %+6.0f ms" % (tag, text or "(blank)", delay))
        if not -50 <= delay <= 100:
            late.append("%s at %.2f s shown %+.0f ms from its time" % (text or "(blank)", tag, delay))
    check(not late, "every line within 100 ms of its tag: " + "; ".join(late))


def main():
    player, artifacts = sys.argv[1:3]
    missing = ds.missing_tools()
    if missing or not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        print("skipped: missing " + (" ".join(missing) or "a session bus"))
        return 77
    session = ds.Session("LyricTiming", {"player": player, "artifacts": artifacts})
    os.makedirs(session.data)
    checks = ds.Checks()
    try:
        session.start_desktop()
        timing(session, checks)
    except Failed as error:
        checks(False, str(error))
    finally:
        session.close()
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
