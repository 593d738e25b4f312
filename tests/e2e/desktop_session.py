"""A private desktop for one scenario, and the player on it, seen and driven
the way a user sees and drives it.

Session: an Xvfb display with openbox and a notification area (trayer), a
temporary home (XDG folders, trash), a fresh copy of the demo data folder and
the player's own lock file. Everything the scenario does to the player goes
through xdotool (mouse and keys at the window's controls), playerctl and
files; everything it checks is a screenshot region, a window property, a
D-Bus answer or a file.

The session bus is the one the test runs in (ctest starts each scenario in
dbus-run-session)."""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image, ImageDraw, ImageFont, ImageGrab

TOOLS = ["Xvfb", "openbox", "trayer", "xdotool", "xprop", "xwininfo", "playerctl", "xclip", "dbus-send"]
SCREEN = (1280, 800)
CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"


class Skip(Exception):
    pass


class Failed(Exception):
    pass


def missing_tools():
    return [t for t in TOOLS if shutil.which(t) is None]


def wait_for(condition, what, timeout=15, interval=0.1):
    """The first true value of condition(), or Failed after timeout."""
    end = time.time() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.time() > end:
            raise Failed("timed out waiting for " + what)
        time.sleep(interval)


class Checks:
    """ok/FAIL lines; the scenario fails when any check failed."""

    def __init__(self):
        self.failures = []
        self.started = time.time()

    def __call__(self, ok, what):
        print("%5.1f s %s%s" % (time.time() - self.started, "ok   " if ok else "FAIL ", what), flush=True)
        if not ok:
            self.failures.append(what)
        return ok


class Window:
    """A top-level X window of the player, by id, with its place on screen."""

    def __init__(self, session, wid):
        self.session, self.id = session, wid

    def info(self):
        out = self.session.run(["xwininfo", "-id", str(self.id)], check=False).stdout
        values = {}
        for line in out.splitlines():
            if ":" in line:
                key, _, value = line.strip().partition(":")
                values[key.strip()] = value.strip()
        return values

    def geometry(self):
        v = self.info()
        return (int(v["Absolute upper-left X"]), int(v["Absolute upper-left Y"]), int(v["Width"]), int(v["Height"]))

    def viewable(self):
        return self.info().get("Map State") == "IsViewable"

    def title(self):
        out = self.session.run(["xprop", "-id", str(self.id), "_NET_WM_NAME"], check=False).stdout
        return out.split("=", 1)[1].strip().strip('"') if "=" in out else ""

    def prop(self, name):
        out = self.session.run(["xprop", "-id", str(self.id), name], check=False).stdout
        return out.split("=", 1)[1].strip() if "=" in out else ""

    def at(self, x, y):
        """Screen coordinates of a point given in window coordinates."""
        left, top, _, _ = self.geometry()
        return left + x, top + y

    def click(self, x, y, button=1, repeat=1):
        sx, sy = self.at(x, y)
        self.session.move_mouse(sx, sy)
        self.session.xdotool("click", "--repeat", str(repeat), "--delay", "90", str(button))

    def double_click(self, x, y):
        self.click(x, y, repeat=2)

    def drag(self, x0, y0, x1, y1, steps=10):
        sx, sy = self.at(x0, y0)
        ex, ey = self.at(x1, y1)
        self.session.move_mouse(sx, sy)
        self.session.xdotool("mousedown", "1")
        for i in range(1, steps + 1):
            self.session.xdotool("mousemove", str(sx + (ex - sx) * i // steps), str(sy + (ey - sy) * i // steps))
            time.sleep(0.03)
        time.sleep(0.1)
        self.session.xdotool("mouseup", "1")

    def shot(self, region=None):
        """The window (or a region of it, x, y, w, h) as it is on screen now."""
        left, top, width, height = self.geometry()
        x, y, w, h = region or (0, 0, width, height)
        return self.session.screenshot().crop((left + x, top + y, left + x + w, top + y + h))


class Session:
    def __init__(self, name, paths):
        self.name = name
        self.paths = paths
        self.procs = []
        self.player = None
        self.work = tempfile.mkdtemp(prefix="youran-e2e-%s-" % name)
        self.artifacts = os.path.join(paths["artifacts"], name)
        shutil.rmtree(self.artifacts, ignore_errors=True)
        os.makedirs(self.artifacts)
        self.data = os.path.join(self.work, "data")
        self.home = os.path.join(self.work, "home")
        for sub in ("data", "config", "cache", "runtime"):
            os.makedirs(os.path.join(self.home, sub))
        os.chmod(os.path.join(self.home, "runtime"), 0o700)
        self.env = dict(os.environ, QT_QPA_PLATFORM="xcb", YOURAN_AUDIO_DEVICE="none",
                        YOURAN_LOCK_FILE=os.path.join(self.work, "youranmusic.lock"),
                        XDG_DATA_HOME=os.path.join(self.home, "data"),
                        XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                        XDG_CACHE_HOME=os.path.join(self.home, "cache"),
                        XDG_RUNTIME_DIR=os.path.join(self.home, "runtime"))
        for key in ("WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                    "SESSION_MANAGER", "YOURAN_MUSIC_HOME", "QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP",
                    "DESKTOP_SESSION"):
            self.env.pop(key, None)
        self.shots = 0

    # --- processes -----------------------------------------------------

    def run(self, args, check=True, timeout=30, **kw):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=timeout, **kw)
        if check and result.returncode != 0:
            raise Failed("%s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result

    def xdotool(self, *args):
        return self.run(["xdotool"] + list(args)).stdout

    def move_mouse(self, x, y):
        # mousemove --sync waits for a motion, and there is none when the
        # pointer is there already.
        where = self.xdotool("getmouselocation", "--shell")
        if "X=%d\nY=%d\n" % (x, y) not in where:
            self.xdotool("mousemove", "--sync", str(x), str(y))
        time.sleep(0.05)

    def key(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)

    def type(self, text):
        if text.isascii():
            self.xdotool("type", "--delay", "40", text)
            return
        # xdotool types a character beyond the keyboard's map by mapping it
        # on a spare key for a moment; a busy player may read the key after
        # the map is back and lose the character. Chinese is pasted, as an
        # input method hands it over anyway.
        clip = self.spawn(["xclip", "-quiet", "-selection", "clipboard"], "xclip.log", stdin=subprocess.PIPE)
        clip.stdin.write(text.encode("utf-8"))
        clip.stdin.close()
        wait_for(lambda: self.run(["xclip", "-o", "-selection", "clipboard"], check=False).stdout == text,
                 "the clipboard", 5)
        self.key("ctrl+v")

    def spawn(self, args, log_name, **kw):
        log = open(os.path.join(self.artifacts, log_name), "w")
        proc = subprocess.Popen(args, env=self.env, stdout=log, stderr=subprocess.STDOUT, **kw)
        self.procs.append(proc)
        return proc

    def start_desktop(self, screen=SCREEN):
        self.screen = screen
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % screen,
                                 "-br", "-nolisten", "tcp"], pass_fds=(write_end,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(xvfb)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            self.display = ":" + pipe.readline().strip()
        self.env["DISPLAY"] = self.display
        wait_for(lambda: self.run(["xprop", "-root"], check=False).returncode == 0, "the X server")
        # openbox has been seen to lose the display once right after the
        # server came up; it gets two more tries.
        for _ in range(3):
            wm = self.spawn(["openbox"], "openbox.log")
            try:
                wait_for(lambda: wm.poll() is not None or
                         "_NET_SUPPORTING_WM_CHECK" in self.run(["xprop", "-root"]).stdout, "openbox", 30)
            except Failed:
                break
            if wm.poll() is None:
                break
            time.sleep(0.5)
        if wm.poll() is not None:
            raise Failed("openbox did not start")
        # A notification area: the player's tray icon embeds there. trayer
        # has been seen to stay away once with openbox just up; it gets
        # two more tries.
        for attempt in range(3):
            tray = self.spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                               "--width", "120", "--heighttype", "pixel", "--height", "28", "--SetDockType",
                               "true", "--expand", "false"], "trayer-%d.log" % attempt)
            try:
                wait_for(lambda: tray.poll() is not None or
                         self.run(["xdotool", "search", "--onlyvisible", "--class", "trayer"],
                                  check=False).stdout.strip(), "the notification area", 8)
            except Failed:
                pass
            if tray.poll() is None and self.run(["xdotool", "search", "--onlyvisible", "--class", "trayer"],
                                                check=False).stdout.strip():
                return
            print("trayer try %d: %s" % (attempt + 1, "exit %s" % tray.poll() if tray.poll() is not None
                                         else "no window"), flush=True)
            if tray.poll() is None:
                tray.kill()
                tray.wait()
        raise Failed("no notification area")

    def make_data_folder(self, with_service=False):
        """A fresh copy of the demo data folder, its Plugins the built ones."""
        shutil.copytree(self.paths["demo"], self.data, symlinks=True)
        # The list names the tracks by their full paths: now the copy's.
        list_file = os.path.join(self.data, "YRmDefaultList.dll")
        text = self.read_text(list_file).replace(os.path.abspath(self.paths["demo"]) + os.sep, self.data + os.sep)
        with open(list_file, "wb") as f:
            f.write(text.encode("gb18030"))
        plugins = os.path.join(self.data, "Plugins")
        os.makedirs(plugins, exist_ok=True)
        built = os.path.join(os.path.dirname(self.paths["player"]), "Plugins")
        for name in os.listdir(built) if os.path.isdir(built) else []:
            if name.startswith("cod_"):
                os.symlink(os.path.join(built, name), os.path.join(plugins, name))
        if with_service:
            self.start_service()
        return self.data

    def start_service(self):
        """The demo music service over its own copy of the demo library."""
        library = os.path.join(self.work, "service-library")
        if not os.path.isdir(library):
            shutil.copytree(self.paths["demo"], library)
        info = os.path.join(self.work, "service.json")
        self.spawn(["/usr/bin/python3", self.paths["service"], "--library", library, "--info", info],
                   "demo-service.log")
        wait_for(lambda: os.path.exists(info) and os.path.getsize(info) > 0, "the demo service", 30)
        self.run(["/usr/bin/python3", self.paths["service"], "--write-settings", info,
                  os.path.join(self.data, "Setting.ini")])
        with open(info, encoding="utf-8") as f:
            self.service = json.load(f)
        return self.service

    def start_player(self, *args, wait=True):
        self.player_runs = getattr(self, "player_runs", 0) + 1
        self.player = self.spawn([self.paths["player"], "--data-dir", self.data] + list(args),
                                 "player-%d.log" % self.player_runs)
        if wait:
            self.main = self.find_main_window()
            time.sleep(0.6)  # the reveal wipe
        return self.player

    def player_windows(self, visible=True):
        args = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + ["--class", "youranmusic"]
        return [Window(self, int(i)) for i in self.run(args, check=False).stdout.split()]

    def find_window(self, size=None, title=None, what="a player window", timeout=15):
        def look():
            for w in self.player_windows():
                try:
                    g = w.geometry()
                except (KeyError, ValueError):
                    continue
                if size and (g[2], g[3]) != size:
                    continue
                # Qt adds the application's name to every window title.
                if title is not None and w.title().split(" — ")[0] != title:
                    continue
                return w
            return None
        return wait_for(look, what, timeout)

    def find_main_window(self):
        if self.player.poll() is not None:
            raise Failed("the player exited with %s" % self.player.returncode)
        return self.find_window(size=(968, 560), what="the main window", timeout=20)

    def desktop_lyric(self):
        # Its title is the line it shows; its role names the window.
        def look():
            for w in self.player_windows():
                role = self.run(["xprop", "-id", str(w.id), "WM_WINDOW_ROLE"], check=False).stdout
                if '"VarorLyricsWindow"' in role:
                    return w
            return None
        return wait_for(look, "the desktop lyric line", 15)

    def stop_player(self, timeout=10):
        if self.player is None or self.player.poll() is not None:
            return
        self.player.send_signal(signal.SIGTERM)
        try:
            self.player.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.player.kill()
            self.player.wait()

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        if not os.environ.get("YOURAN_E2E_KEEP"):
            shutil.rmtree(self.work, ignore_errors=True)

    # --- what the user sees ---------------------------------------------

    def screenshot(self):
        return ImageGrab.grab(xdisplay=self.display).convert("RGB")

    def keep(self, image, label):
        """Saves a picture beside the scenario's logs, for a person to look at."""
        self.shots += 1
        path = os.path.join(self.artifacts, "%02d-%s.png" % (self.shots, label))
        image.save(path)
        return path

    # --- D-Bus -------------------------------------------------------------

    def ctl(self, *args):
        r = self.run(["playerctl", "-p", "youranmusic"] + list(args), check=False, timeout=10)
        return r.stdout.strip()

    def position(self):
        try:
            return float(self.ctl("position"))
        except ValueError:
            return -1.0

    # --- files ---------------------------------------------------------------

    def data_path(self, *parts):
        return os.path.join(self.data, *parts)

    def read_text(self, path):
        """A file the player writes, decoded as it writes them (GB18030)."""
        with open(path, "rb") as f:
            return f.read().decode("gb18030")

    def list_rows(self):
        """The rows of the music list file: [path, number, name, length, converted]."""
        text = self.read_text(self.data_path("YRmDefaultList.dll"))
        lines = [l for l in text.split("\r\n") if l]
        if not lines or lines[0] != "[音乐播放器列表文件]":
            raise Failed("the music list file has no header: %r" % text[:80])
        # The scenarios' paths and names hold no "|".
        return [line.split("|") for line in lines[1:]]

    def ini(self, name="Setting.ini"):
        """Sections of an ini file the player wrote, keys as written."""
        path = self.data_path(name)
        if not os.path.exists(path):
            return None
        sections, current = {}, None
        for line in self.read_text(path).splitlines():
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1], {})
            elif "=" in line and current is not None:
                k, _, v = line.partition("=")
                current[k] = v
        return sections


# --- pictures ---------------------------------------------------------------

def pixels(image):
    return np.asarray(image, dtype=np.int16)


def ink_mask(image, background=None, threshold=60):
    """Pixels that differ from the region's background (its commonest colour
    unless given) by more than threshold, summed over the channels."""
    a = pixels(image)
    if background is None:
        flat = a.reshape(-1, 3)
        colours, counts = np.unique(flat, axis=0, return_counts=True)
        background = colours[counts.argmax()]
    return np.abs(a - np.asarray(background, dtype=np.int16)).sum(axis=2) > threshold


def ink_box(mask):
    ys, xs = np.nonzero(mask)
    if len(xs) == 0:
        return None
    return xs.min(), ys.min(), xs.max() + 1, ys.max() + 1


def mean_difference(a, b):
    return float(np.abs(pixels(a) - pixels(b)).mean())


def render_text(text, size, stroke=0):
    """An ink mask of text as the CJK font draws it."""
    font = ImageFont.truetype(CJK_FONT, size)
    left, top, right, bottom = font.getbbox(text, stroke_width=stroke)
    image = Image.new("L", (right - left + 8, bottom - top + 8), 0)
    ImageDraw.Draw(image).text((4 - left, 4 - top), text, fill=255, font=font, stroke_width=stroke, stroke_fill=255)
    return np.asarray(image) > 100


def _profile(mask, width=240):
    box = ink_box(mask)
    if box is None:
        return None, 0
    x0, y0, x1, y1 = box
    crop = mask[y0:y1, x0:x1].astype(np.float32)
    columns = crop.sum(axis=0)
    resampled = np.interp(np.linspace(0, len(columns) - 1, width), np.arange(len(columns)), columns)
    resampled -= resampled.mean()
    norm = np.linalg.norm(resampled)
    return (resampled / norm if norm else resampled), (x1 - x0) / max(y1 - y0, 1)


def text_likeness(mask, text, size, stroke=0):
    """How alike the ink of a shown line and text drawn by the font are: the
    correlation of their column profiles, less a penalty when the shapes'
    width-to-height ratios disagree. 1 is a perfect match."""
    seen, seen_ratio = _profile(mask)
    drawn, drawn_ratio = _profile(render_text(text, size, stroke))
    if seen is None or drawn is None:
        return -1.0
    ratio_gap = abs(np.log(seen_ratio / drawn_ratio))
    return float(np.dot(seen, drawn)) - ratio_gap


def best_text(mask, candidates, size, stroke=0):
    """The candidate the shown ink is most like, and every score."""
    scores = {c: text_likeness(mask, c, size, stroke) for c in candidates}
    return max(scores, key=scores.get), scores


def main(scenarios):
    """Runs one scenario: argv is NAME PLAYER DEMO_FOLDER SERVICE ARTIFACTS."""
    name = sys.argv[1]
    paths = dict(zip(["player", "demo", "service", "artifacts"], sys.argv[2:6]))
    missing = missing_tools()
    if missing:
        print("skipped: missing " + " ".join(missing))
        return 77
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        print("skipped: no session bus")
        return 77
    session = Session(name, paths)
    checks = Checks()
    started = time.time()
    try:
        # A scenario may ask for a screen of its own size.
        session.start_desktop(getattr(scenarios[name], "screen", SCREEN))
        scenarios[name](session, checks)
    except Failed as error:
        checks(False, str(error))
    finally:
        try:
            session.keep(session.screenshot(), "last")
        except Exception:  # the display may be gone already
            pass
        session.close()
        print("%s: %.1f s, pictures and logs in %s" % (name, time.time() - started, session.artifacts))
    return 1 if checks.failures else 0
