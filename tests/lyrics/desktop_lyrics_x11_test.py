#!/usr/bin/python3
"""The desktop lyric line on a real X server with a window manager.

Starts Xvfb and openbox, runs the probe (a normal window with the lyric line
over it) and checks, as a desktop user would see it: the line stays above the
normal window also after that window is raised, a click on a transparent
pixel of the line reaches the window below, a drag on the text moves the
line, a close request from the window manager is ignored, and a locked
line lets even a click on its text through. All of it
once without a compositor and once with one (xcompmgr), where the line is
drawn with real translucency.
Exit 77 (skipped) when the X tools are missing."""

import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

TOOLS = ["Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "wmctrl", "xcompmgr"]


def main():
    probe = sys.argv[1]
    missing = [t for t in TOOLS if shutil.which(t) is None]
    if missing:
        print("skipped: missing " + " ".join(missing))
        return 77
    procs = []
    try:
        # Xvfb picks a free display itself and writes its number to the pipe.
        read_end, write_end = os.pipe()
        procs.append(subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
                                       "-nolisten", "tcp"], pass_fds=(write_end,),
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            display = ":" + pipe.readline().strip()
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        wait_for(lambda: run(["xprop", "-root"], env, check=False).returncode == 0, "the X server")
        # A window manager that could not open the display (seen once, with
        # the server already answering) gets two more tries.
        wm_log = tempfile.TemporaryFile(mode="w+")
        for attempt in range(3):
            wm = subprocess.Popen(["openbox"], env=env, stdout=wm_log, stderr=subprocess.STDOUT)
            procs.append(wm)
            try:
                wait_for(lambda: wm.poll() is not None or
                         "_NET_SUPPORTING_WM_CHECK" in run(["xprop", "-root"], env).stdout, "openbox", 30)
            except RuntimeError:
                break
            if wm.poll() is None:
                break
            time.sleep(0.5)
        if wm.poll() is not None or "_NET_SUPPORTING_WM_CHECK" not in run(["xprop", "-root"], env).stdout:
            wm_log.seek(0)
            print("openbox (exit %s, X server %s) said: %s"
                  % (wm.poll(), "alive" if procs[0].poll() is None else "gone", wm_log.read()))
            raise RuntimeError("no window manager")
        failures = scenario(probe, env, "without a compositor")
        compositor = subprocess.Popen(["xcompmgr"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        procs.append(compositor)
        time.sleep(0.5)
        if compositor.poll() is not None:
            raise RuntimeError("xcompmgr did not start")
        failures += scenario(probe, env, "with a compositor")
        return 1 if failures else 0
    finally:
        for p in reversed(procs):
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()


def scenario(probe, env, label):
    player = subprocess.Popen([probe], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
    try:
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(l.strip()) for l in player.stdout], daemon=True).start()

        ready = expect(lines, "ready").split()
        lyric_id, below_id = int(ready[1]), int(ready[2])
        text_x, text_y, clear_x, clear_y = map(int, ready[3:7])
        failures = []

        def check(ok, what):
            print(("ok   " if ok else "FAIL ") + what + " (" + label + ")")
            if not ok:
                failures.append(what)

        check(above(env, lyric_id, below_id), "the lyric line is stacked above the normal window")
        run(["xdotool", "windowactivate", "--sync", str(below_id)], env, check=False)
        run(["xdotool", "windowraise", str(below_id)], env)
        time.sleep(0.5)
        check(above(env, lyric_id, below_id), "it stays above after the normal window is raised")

        run(["xdotool", "mousemove", str(clear_x), str(clear_y), "click", "1"], env)
        got = expect(lines, "below-click", timeout=5, required=False)
        check(got is not None, "a click on a transparent pixel reaches the window below")

        run(["xdotool", "mousemove", str(text_x), str(text_y), "mousedown", "1"], env)
        for step in range(1, 11):
            run(["xdotool", "mousemove", str(text_x + 5 * step), str(text_y - 10 * step)], env)
            time.sleep(0.03)
        run(["xdotool", "mouseup", "1"], env)
        time.sleep(0.5)
        geometry = run(["xwininfo", "-id", str(lyric_id)], env).stdout
        y = int([l for l in geometry.splitlines() if "Absolute upper-left Y" in l][0].split(":")[1])
        check(y <= 450 - 80, "a drag on the text moves the line up (now at y %d)" % y)

        run(["wmctrl", "-i", "-c", hex(lyric_id)], env)
        expect(lines, "close-request", timeout=5, required=False)
        time.sleep(0.5)
        state = run(["xwininfo", "-id", str(lyric_id)], env, check=False).stdout
        check("IsViewable" in state, "a close request from the window manager is ignored")

        # Locked, the text lets clicks through as well.
        player.stdin.write("lock\n")
        player.stdin.flush()
        expect(lines, "locked", timeout=5)
        moved_x, moved_y = text_x + 50, text_y - 100
        run(["xdotool", "mousemove", str(moved_x), str(moved_y), "click", "1"], env)
        got = expect(lines, "below-click", timeout=5, required=False)
        check(got is not None, "a locked line lets a click on its text through")
        return failures
    finally:
        player.terminate()
        try:
            player.wait(timeout=5)
        except subprocess.TimeoutExpired:
            player.kill()


def run(args, env, check=True):
    result = subprocess.run(args, env=env, capture_output=True, text=True, timeout=30)
    if check and result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(args), result.stderr))
    return result


def wait_for(condition, what, timeout=15):
    end = time.time() + timeout
    while time.time() < end:
        if condition():
            return
        time.sleep(0.1)
    raise RuntimeError("no " + what)


def expect(lines, prefix, timeout=20, required=True):
    end = time.time() + timeout
    while time.time() < end:
        try:
            line = lines.get(timeout=max(0.05, end - time.time()))
        except queue.Empty:
            break
        if line.startswith(prefix):
            return line
    if required:
        raise RuntimeError("the probe never said " + prefix)
    return None


def above(env, upper, lower):
    out = run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], env).stdout
    ids = [int(v.strip(), 16) for v in out.split("#", 1)[1].split(",")] if "#" in out else []
    return upper in ids and lower in ids and ids.index(upper) > ids.index(lower)


if __name__ == "__main__":
    sys.exit(main())
