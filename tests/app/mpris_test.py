#!/usr/bin/python3
"""The player on a private session bus, driven by playerctl as a desktop's
media keys and sound menu drive it, and watched with dbus-monitor.

Run inside dbus-run-session: tests/desktop/CMakeLists.txt does that.
Exit 77 (skipped) when playerctl or dbus-monitor is missing."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

PLAYER, DEMO_SCRIPT = sys.argv[1], sys.argv[2]
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def ctl(*args):
    r = subprocess.run(["playerctl", "-p", "youranmusic"] + list(args), capture_output=True, text=True, timeout=10)
    return r.stdout.strip()


def wait_for(condition, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    return None


class Monitor:
    """Signals of the player's objects, one text block each."""

    def __init__(self):
        rules = ["type='signal',path='/org/mpris/MediaPlayer2'",
                 "type='signal',interface='com.canonical.Unity.LauncherEntry'"]
        self.proc = subprocess.Popen(["dbus-monitor", "--session"] + rules, stdout=subprocess.PIPE, text=True)
        self.blocks = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()
        time.sleep(0.5)

    def _read(self):
        current = None
        for line in self.proc.stdout:
            if line.startswith("signal "):
                current = [line]
                with self.lock:
                    self.blocks.append(current)
            elif current is not None:
                current.append(line)

    def mark(self):
        with self.lock:
            return len(self.blocks)

    def since(self, mark, member):
        with self.lock:
            blocks = ["".join(b) for b in self.blocks[mark:]]
        return [b for b in blocks if "member=" + member in b.splitlines()[0]]

    def stop(self):
        self.proc.terminate()


def main():
    for tool in ("playerctl", "dbus-monitor", "dbus-send"):
        if shutil.which(tool) is None:
            print("skipped: missing " + tool)
            return 77
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        print("skipped: no session bus")
        return 77
    work = tempfile.mkdtemp()
    player = None
    monitor = Monitor()
    try:
        demo = os.path.join(work, "demo")
        subprocess.run(["bash", DEMO_SCRIPT, demo], check=True, stdout=subprocess.DEVNULL)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", YOURAN_AUDIO_DEVICE="none",
                   YOURAN_LOCK_FILE=os.path.join(work, "lock"))
        start = monitor.mark()
        player = subprocess.Popen([PLAYER, "--data-dir", demo, "--play"], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        listed = wait_for(lambda: "youranmusic" in subprocess.run(["playerctl", "-l"], capture_output=True,
                                                                   text=True).stdout.split())
        check(bool(listed), "playerctl -l lists the player")
        check(wait_for(lambda: ctl("status") == "Playing") is not None, "status is Playing once the demo plays")

        title = wait_for(lambda: ctl("metadata", "xesam:title"))
        check(title == "晨光", "metadata title (%r)" % title)
        check(ctl("metadata", "xesam:artist") == "林小雨", "metadata artist")
        check(ctl("metadata", "xesam:album") == "悠然小品", "metadata album")
        length = int(ctl("metadata", "mpris:length") or 0)
        check(abs(length - 20_000_000) < 100_000, "metadata length in µs (%d)" % length)
        track_id = ctl("metadata", "mpris:trackid").strip("'")
        check(track_id.startswith("/"), "metadata trackid is an object path (%s)" % track_id)
        check("推开窗" in ctl("metadata", "xesam:asText"), "metadata carries the whole lyric")

        ctl("play-pause")
        check(wait_for(lambda: ctl("status") == "Paused") is not None, "play-pause pauses")
        paused_at = float(ctl("position"))
        time.sleep(1.2)
        check(abs(float(ctl("position")) - paused_at) < 0.05, "the position stands while paused")
        ctl("play-pause")
        check(wait_for(lambda: ctl("status") == "Playing") is not None, "play-pause resumes")

        mark = monitor.mark()
        ctl("position", "12")
        position = float(ctl("position"))
        check(11.9 <= position < 13, "position 12 seeks (now %.2f)" % position)
        check(wait_for(lambda: monitor.since(mark, "Seeked")) is not None, "a Seeked signal follows the seek")

        ctl("loop", "Track")
        check(ctl("loop") == "Track", "loop Track")
        ctl("shuffle", "On")
        check(ctl("shuffle") == "On", "shuffle On")
        ctl("shuffle", "Off")
        check(ctl("shuffle") == "Off" and ctl("loop") == "Playlist", "shuffle Off leaves list repeat")
        ctl("volume", "0.4")
        check(abs(float(ctl("volume")) - 0.4) < 0.011, "volume 0.4")

        # The 500 ms tick sends nothing; a track change sends one signal.
        mark = monitor.mark()
        time.sleep(2.2)
        quiet = monitor.since(mark, "PropertiesChanged")
        check(not quiet, "no PropertiesChanged from the position tick (%d)" % len(quiet))
        mark = monitor.mark()
        ctl("next")
        check(wait_for(lambda: ctl("metadata", "xesam:title") == "Morning Walk") is not None, "next plays row 2")
        time.sleep(0.8)
        changes = monitor.since(mark, "PropertiesChanged")
        with_metadata = [c for c in changes if "Metadata" in c]
        check(len(with_metadata) == 1, "one PropertiesChanged with Metadata per track change (%d)"
              % len(with_metadata))
        check(len(changes) == 1, "one PropertiesChanged in all for the track change (%d)" % len(changes))
        ctl("previous")
        check(wait_for(lambda: ctl("metadata", "xesam:title") == "晨光") is not None, "previous goes back")

        # SetPosition for a track that is no longer the current one is ignored.
        ctl("position", "2")
        subprocess.run(["dbus-send", "--session", "--type=method_call", "--dest=org.mpris.MediaPlayer2.youranmusic",
                        "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Player.SetPosition",
                        "objpath:" + track_id, "int64:15000000"], check=True)
        time.sleep(0.3)
        check(float(ctl("position")) < 5, "SetPosition with a stale track id is ignored")
        current = ctl("metadata", "mpris:trackid").strip("'")
        subprocess.run(["dbus-send", "--session", "--type=method_call", "--dest=org.mpris.MediaPlayer2.youranmusic",
                        "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Player.SetPosition",
                        "objpath:" + current, "int64:15000000"], check=True)
        time.sleep(0.3)
        check(float(ctl("position")) >= 14.9, "SetPosition with the current id seeks")

        # OpenUri adds the file as a new row and plays it.
        ctl("open", "file://" + os.path.join(demo, "Rain on the Roof.ogg"))
        check(wait_for(lambda: ctl("metadata", "xesam:url").endswith("Rain%20on%20the%20Roof.ogg") and
                       ctl("metadata", "mpris:trackid").strip("'").startswith("/org/youranmusic/track/8_"))
              is not None, "OpenUri adds the file as row 8 and plays it")

        # The launcher entry: progress while playing, hidden after a stop.
        updates = monitor.since(start, "Update")
        values = [float(v) for u in updates for v in re.findall(r'string "progress"\s+variant\s+double ([0-9.e-]+)', u)]
        check(len(values) >= 2 and all(0 <= v <= 1 for v in values), "launcher progress 0..1 (%d updates)"
              % len(values))
        check(any('progress-visible"\n' in u and "boolean true" in u for u in updates), "progress shown while playing")
        mark = monitor.mark()
        ctl("stop")
        check(wait_for(lambda: ctl("status") == "Stopped") is not None, "stop")
        hidden = wait_for(lambda: [u for u in monitor.since(mark, "Update") if "boolean false" in u])
        check(bool(hidden), "the launcher progress is hidden at stop")
        return 1 if failures else 0
    finally:
        if player is not None:
            player.terminate()
            try:
                player.wait(timeout=10)
            except subprocess.TimeoutExpired:
                player.kill()
        monitor.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
