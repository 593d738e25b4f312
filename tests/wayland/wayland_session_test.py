#!/usr/bin/python3
"""The player on a real Wayland compositor, started the way a user's session
starts it: WAYLAND_DISPLAY and DISPLAY (XWayland) set, QT_QPA_PLATFORM not.

Weston runs headless with its XWayland module and the pixman renderer, so
its own screenshots show what the compositor really draws, and weston-debug
lists the order it stacks its views in. A full-screen X window of another
program lies under the player; once the lyric is on the desktop line, that
window is raised. Checked, for an unlocked and a locked line:
- the player chose XWayland: its windows are X windows on weston's XWayland
  display (and with QT_QPA_PLATFORM set by the user, it shows none there);
- weston stacks the line above the raised window and draws the lyric over
  it, and shows that window through the line's clear pixels;
- XWayland stacks the line above it too; a click on the text of the
  unlocked line stays with the line, a click on a transparent pixel of it
  reaches the window beneath, and a locked line lets a click on its text
  through.
Clicks are injected with XTEST into XWayland: a headless weston has no seat
to send pointer events through the compositor itself.

A check the compositor cannot give is reported as "n/a" with the reason; it
is never counted as passed. Exit 77 (skipped) when a tool is missing or
weston does not come up."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

try:
    from Xlib import X, display as xdisplay, error as xerror
    from Xlib.protocol import event as protocol_event
    from Xlib.ext import shape, xtest
except ImportError:
    X = None

SCREEN = (1280, 800)
COVER_RGB = (32, 128, 64)
TITLE = "VarorLyricsWindow"


class Failed(Exception):
    pass


def wait_for(condition, what, timeout=20, interval=0.1):
    end = time.time() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.time() > end:
            raise Failed("timed out waiting for " + what)
        time.sleep(interval)


class Checks:
    def __init__(self):
        self.failures, self.unavailable = [], []

    def __call__(self, ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            self.failures.append(what)
        return ok

    def not_given(self, what, why):
        print("n/a  %s: %s" % (what, why), flush=True)
        self.unavailable.append(what)


class Weston:
    """weston --backend=headless-backend.so --xwayland, with its own runtime
    folder; XWayland's display number is the one weston writes to its log."""

    def __init__(self, work):
        self.runtime = os.path.join(work, "runtime")
        os.makedirs(self.runtime, mode=0o700)
        os.chmod(self.runtime, 0o700)
        self.socket = "youran-wl-%d" % os.getpid()
        self.log = os.path.join(work, "weston.log")
        self.shots = os.path.join(work, "shots")
        os.makedirs(self.shots)
        # Weston's XWayland module binds its socket here but does not make
        # the folder (an X server would).
        if not os.path.isdir("/tmp/.X11-unix"):
            os.makedirs("/tmp/.X11-unix", exist_ok=True)
            os.chmod("/tmp/.X11-unix", 0o1777)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        for key in ("WAYLAND_DISPLAY", "DISPLAY", "WAYLAND_SOCKET"):
            env.pop(key, None)
        # --debug lets weston-screenshooter take the compositor's picture.
        self.proc = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--use-pixman", "--xwayland", "--debug", "--no-config",
             "--socket=" + self.socket, "--width=%d" % SCREEN[0], "--height=%d" % SCREEN[1], "--log=" + self.log],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_for(lambda: self.proc.poll() is not None or os.path.exists(os.path.join(self.runtime, self.socket)),
                     "the Wayland socket")
            self.display = wait_for(lambda: self.proc.poll() is not None and "gone" or self.x_display(),
                                    "XWayland's display in weston's log")
        except Failed:
            raise Failed("weston did not come up: " + self.log_text()[-2000:])
        if self.proc.poll() is not None:
            raise Failed("weston exited with %s: %s" % (self.proc.returncode, self.log_text()[-2000:]))

    def log_text(self):
        try:
            with open(self.log, encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def x_display(self):
        for line in self.log_text().splitlines():
            if "xserver listening on display" in line:
                return line.rsplit(" ", 1)[1]
        return None

    def env(self):
        return {"XDG_RUNTIME_DIR": self.runtime, "WAYLAND_DISPLAY": self.socket, "DISPLAY": self.display}

    def screenshot(self):
        """What the compositor draws now, as a PIL image (None when weston
        would not give one)."""
        from PIL import Image
        before = set(os.listdir(self.shots))
        env = dict(os.environ, **self.env())
        r = subprocess.run(["weston-screenshooter"], cwd=self.shots, env=env, capture_output=True, text=True,
                           timeout=20)
        new = sorted(set(os.listdir(self.shots)) - before)
        if r.returncode != 0 or not new:
            print("weston-screenshooter: exit %d %s" % (r.returncode, r.stderr.strip()), flush=True)
            return None
        return Image.open(os.path.join(self.shots, new[-1])).convert("RGB")

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


# Long enough to reach past the player's main window on either side.
LYRIC = "悠然的旋律在心里回响，晨光里一切都刚刚好，我们慢慢走不必匆忙"


def make_data_folder(folder, settings=None):
    """A data folder with one untagged tone, its lyric (one line for the
    whole tune) and the list naming it, not yet converted."""
    os.makedirs(os.path.join(folder, "Lyrics"))
    tone = os.path.join(folder, "悠然测试.wav")
    subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=60:sample_rate=22050", "-map_metadata", "-1", tone], check=True)
    with open(os.path.join(folder, "Lyrics", "悠然测试.lrc"), "wb") as f:
        # The player shows a line when the second it plays matches the
        # line's tag, so the line is there for every second of the tune.
        f.write("".join("[00:%02d.00]%s\r\n" % (s, LYRIC) for s in range(60)).encode("utf-8"))
    with open(os.path.join(folder, "YRmDefaultList.dll"), "wb") as f:
        f.write(("[音乐播放器列表文件]\r\n%s|  1|悠然测试||" % tone).encode("gb18030"))
    if settings:
        with open(os.path.join(folder, "Setting.ini"), "wb") as f:
            f.write(settings.encode("gb18030"))


class Player:
    def __init__(self, binary, work, name, session_env, extra_env=None, settings=None):
        self.data = os.path.join(work, name)
        make_data_folder(self.data, settings)
        home = os.path.join(work, "home")
        for sub in ("data", "config", "cache"):
            os.makedirs(os.path.join(home, sub), exist_ok=True)
        env = dict(os.environ, YOURAN_AUDIO_DEVICE="none", XDG_SESSION_TYPE="wayland",
                   YOURAN_LOCK_FILE=os.path.join(work, "youranmusic.lock"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_CACHE_HOME=os.path.join(home, "cache"))
        for key in ("QT_QPA_PLATFORM", "YOURAN_MUSIC_HOME", "QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP"):
            env.pop(key, None)
        env.update(session_env)
        env.update(extra_env or {})
        self.log = open(os.path.join(work, name + ".log"), "w")
        self.env = env
        self.proc = subprocess.Popen([binary, "--data-dir", self.data], env=env, stdout=self.log,
                                     stderr=subprocess.STDOUT)

    def converted(self):
        with open(os.path.join(self.data, "YRmDefaultList.dll"), "rb") as f:
            return f.read().decode("gb18030", "replace").rstrip("\r\n").endswith("|真")

    def play(self):
        """playerctl play; true once the player says it plays."""
        def ctl(*args):
            return subprocess.run(["playerctl", "-p", "youranmusic"] + list(args), env=self.env,
                                  capture_output=True, text=True, timeout=10).stdout.strip()
        ctl("play")
        time.sleep(0.5)
        return ctl("status") == "Playing"

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()
        with open(self.log.name, encoding="utf-8", errors="replace") as f:
            text = f.read()
        # A sanitizer build reports its findings here.
        return [l for l in text.splitlines() if "ERROR: AddressSanitizer" in l or "ERROR: LeakSanitizer" in l
                or "runtime error:" in l or "WARNING: ThreadSanitizer" in l]


# --- the X side of the session ----------------------------------------------

def windows(d):
    """Every window below the root, depth first."""
    out, stack = [], [d.screen().root]
    while stack:
        w = stack.pop()
        try:
            children = w.query_tree().children
        except xerror.XError:
            continue
        out.extend(children)
        stack.extend(children)
    return out


def player_windows(d):
    found = []
    for w in windows(d):
        try:
            cls = w.get_wm_class()
            attrs = w.get_attributes()
        except xerror.XError:
            continue
        if cls and "youranmusic" in cls and attrs.map_state == X.IsViewable:
            found.append(w)
    return found


def title(d, w):
    try:
        prop = w.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
        return prop.value.decode("utf-8") if prop else (w.get_wm_name() or "")
    except xerror.XError:
        return ""


def is_lyric_line(d, w):
    # The line's title is the text it shows; its role names the window.
    try:
        prop = w.get_full_property(d.intern_atom("WM_WINDOW_ROLE"), X.AnyPropertyType)
        return bool(prop) and prop.value.decode("utf-8", "replace") == TITLE
    except xerror.XError:
        return False


def geometry(d, w):
    g = w.get_geometry()
    origin = w.translate_coords(d.screen().root, 0, 0)
    return -origin.x, -origin.y, g.width, g.height


def top_level(d, w):
    """The child of the root that holds w (a frame the window manager made,
    or w itself)."""
    root = d.screen().root
    while True:
        parent = w.query_tree().parent
        if parent is None or parent.id == root.id:
            return w
        w = parent


def shape_rects(w):
    try:
        return [(r.x, r.y, r.width, r.height) for r in w.shape_get_rectangles(shape.SK.Bounding).rectangles]
    except xerror.XError:
        return []


def free(px, py, keep_out):
    return all(not (x <= px < x + w and y <= py < y + h) for x, y, w, h in keep_out)


def shape_width(w):
    rects = shape_rects(w)
    return max(x + width for x, _, width, _ in rects) - min(x for x, _, _, _ in rects) if rects else 0


def text_pixels(rects):
    """Points inside the line's drawn shape: its text (window coordinates)."""
    return [(x + w // 2, y + h // 2) for x, y, w, h in rects if w >= 4]


def clear_pixel(rects, width, height, keep_out):
    """A pixel of the line well away from its text, from its edges (where a
    window manager's frame may draw) and from the keep_out rectangles."""
    for cy in range(height // 2, 5, -5):
        for cx in range(40, width - 40, 10):
            if free(cx, cy, keep_out) and all(not (x - 8 <= cx < x + w + 8 and y - 8 <= cy < y + h + 8)
                                              for x, y, w, h in rects):
                return cx, cy
    return None


class Cover:
    """A plain X window of another program, the whole screen large, solid
    coloured, logging the button presses it gets."""

    def __init__(self, d):
        self.d = d
        screen = d.screen()
        colour = screen.default_colormap.alloc_color(*(c * 257 for c in COVER_RGB)).pixel
        self.win = screen.root.create_window(0, 0, SCREEN[0], SCREEN[1], 0, screen.root_depth, X.InputOutput,
                                             X.CopyFromParent, background_pixel=colour,
                                             event_mask=X.ButtonPressMask | X.StructureNotifyMask)
        self.win.set_wm_name("cover")
        self.win.set_wm_class("cover", "YouranTestCover")
        self.win.set_wm_normal_hints(flags=1 | 4 | 8, x=0, y=0, width=SCREEN[0], height=SCREEN[1])
        self.win.map()
        d.sync()
        self.presses = []

    def pump(self, seconds):
        end = time.time() + seconds
        while time.time() < end:
            while self.d.pending_events():
                e = self.d.next_event()
                if e.type == X.ButtonPress and e.window.id == self.win.id:
                    self.presses.append((e.root_x, e.root_y))
            time.sleep(0.05)

    def clicked(self, x, y):
        """True when a click at x, y (root coordinates) reached this window."""
        self.pump(0.2)
        self.presses.clear()
        xtest.fake_input(self.d, X.MotionNotify, x=x, y=y)
        self.d.sync()
        time.sleep(0.15)
        xtest.fake_input(self.d, X.ButtonPress, 1)
        xtest.fake_input(self.d, X.ButtonRelease, 1)
        self.d.sync()
        self.pump(1.0)
        if not self.presses:
            print("  the click at %d,%d went to %s" % (x, y, self.under()), flush=True)
        return bool(self.presses)

    def under(self):
        child = self.d.screen().root.query_pointer().child
        self.last_target = child.id if child else None
        return self.chain()

    def chain(self):
        """Which window the pointer is in: the chain of windows from the
        root's child down, with their names."""
        names, w = [], self.d.screen().root
        while True:
            child = w.query_pointer().child
            if not child:
                return " > ".join(names) or "the root"
            names.append("0x%x %r %r" % (child.id, title(self.d, child), (child.get_wm_class() or ("",))[-1]))
            w = child

    def activate(self):
        """Raised and activated, as a click on its title bar would."""
        root = self.d.screen().root
        self.win.configure(stack_mode=X.Above)
        event = protocol_event.ClientMessage(window=self.win, client_type=self.d.intern_atom("_NET_ACTIVE_WINDOW"),
                                             data=(32, [1, X.CurrentTime, 0, 0, 0]))
        root.send_event(event, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        self.d.sync()


def scene(weston):
    """The compositor's views, topmost first: (layer position, x, y, w, h)."""
    env = dict(os.environ, **weston.env())
    try:
        out = subprocess.run(["weston-debug", "scene-graph"], env=env, capture_output=True, text=True,
                             timeout=5).stdout
    except subprocess.TimeoutExpired as e:
        out = (e.stdout or b"").decode() if isinstance(e.stdout, bytes) else (e.stdout or "")
    views, layer = [], None
    for line in out.splitlines():
        line = line.strip()
        if line.startswith("Layer "):
            layer = int(line.split("(pos ")[1].rstrip("):"), 16)
        elif line.startswith("position:") and layer is not None:
            nums = [int(v) for v in line.replace("position:", "").replace("(", " ").replace(")", " ")
                    .replace("->", " ").replace(",", " ").split()]
            x0, y0, x1, y1 = nums
            views.append((layer, x0, y0, x1 - x0, y1 - y0))
    return views


def view_of(views, frame_size):
    """Index (0 is topmost) and view of the X top-level of that size."""
    for i, v in enumerate(views):
        if (v[3], v[4]) == frame_size:
            return i, v
    return None, None


def clear_pixels(image, rects, earlier, origin, size, between, cover_rect, margin=36):
    """The line's window away from its text and its edges, in the
    compositor's picture: how many pixels where the earlier text was carry
    the lyric's yellow-green fill, how many pixels elsewhere over the cover
    alone do not show the cover, and how many were looked at there."""
    import numpy as np
    width, height = size
    ox, oy = origin

    def grown(shape_rects):
        mask = np.zeros((height, width), dtype=bool)
        for x, y, w, h in shape_rects:
            mask[max(0, y - 3):y + h + 3, max(0, x - 3):x + w + 3] = True
        return mask
    drawn, before = grown(rects), grown(earlier)
    under = np.zeros((height, width), dtype=bool)
    for _, x, y, w, h in between:
        under[max(0, y - oy):max(0, y - oy + h), max(0, x - ox):max(0, x - ox + w)] = True
    region = np.zeros((height, width, 3), dtype=np.int16)
    part = np.asarray(image, dtype=np.int16)[oy:oy + height, ox:ox + width]
    region[:part.shape[0], :part.shape[1]] = part
    inner = np.zeros((height, width), dtype=bool)
    inner[margin:height - margin, margin:width - margin] = True
    clear = inner & ~drawn
    fill = (region[:, :, 1] > 150) & (region[:, :, 2] < 40)
    cover = np.abs(region - np.array(COVER_RGB)).sum(axis=2) <= 40
    # Only where the picture shows the cover's own window (not its frame).
    cx, cy, cw, ch = cover_rect
    on_cover = np.zeros((height, width), dtype=bool)
    on_cover[max(0, cy - oy):max(0, cy - oy + ch), max(0, cx - ox):max(0, cx - ox + cw)] = True
    on_cover[:, max(0, image.width - ox):] = False
    on_cover[max(0, image.height - oy):, :] = False
    alone = clear & ~before & ~under & on_cover
    return int((clear & before & fill).sum()), int((alone & ~cover).sum()), int(alone.sum())


def composed_differs(image, points):
    """How many points show something other than the cover's colour."""
    differ = 0
    for px, py in points:
        if not (0 <= px < image.width and 0 <= py < image.height):
            continue
        r, g, b = image.getpixel((px, py))
        if abs(r - COVER_RGB[0]) + abs(g - COVER_RGB[1]) + abs(b - COVER_RGB[2]) > 40:
            differ += 1
    return differ


# --- the session ---------------------------------------------------------------

def line_session(check, weston, d, player_binary, work, locked):
    """A window of another program fills the screen; the player starts, its
    line comes up over that window, and then the window is raised as a
    click on it would raise it. The line must stay on top."""
    label = "locked" if locked else "unlocked"
    cover = Cover(d)
    cover.pump(1.0)
    settings = "[Lyric]\r\nLocked=T\r\n" if locked else None
    player = Player(player_binary, work, "data-" + label, weston.env(), settings=settings)
    try:
        wait_for(lambda: player.proc.poll() is not None or player_windows(d),
                 "the player's windows on XWayland (%s)" % label)
        if player.proc.poll() is not None:
            raise Failed("the player exited with %s" % player.proc.returncode)
        if not locked:
            check(True, "the player chose XWayland: its windows are X windows on weston's XWayland display %s"
                  % weston.display)
        # The greeting first, then the lyric of the track played through
        # MPRIS, as a media key would start it.
        greeting = wait_for(lambda: next((w for w in player_windows(d)
                                          if is_lyric_line(d, w) and 0 < shape_width(w) < 900), None),
                            "the greeting on the desktop line (%s)" % label)
        # and the conversion pass done with the row, so that the name the
        # lyric is looked up by is settled.
        wait_for(player.converted, "the conversion pass (%s)" % label)
        time.sleep(1.0)
        greeting_rects = shape_rects(greeting)
        print("greeting: %d shape rectangles, %d px wide" % (len(greeting_rects), shape_width(greeting)), flush=True)
        wait_for(player.play, "the player to play through MPRIS (%s)" % label, 15, 0.5)
        # The lyric is on the line once its shape is wider than the greeting.
        line = wait_for(lambda: next((w for w in player_windows(d)
                                      if is_lyric_line(d, w) and shape_width(w) > 900), None),
                        "the lyric on the desktop line (%s)" % label)
        time.sleep(0.5)
        cover.activate()
        cover.pump(1.0)

        lx, ly, lw, lh = geometry(d, line)
        frame, cover_frame = top_level(d, line), top_level(d, cover.win)
        fx, fy, fw, fh = geometry(d, frame)
        rects = shape_rects(line)
        text = text_pixels(rects)
        print("line (%s): X window 0x%x at %d,%d %dx%d in top-level 0x%x at %d,%d; %d text pixels"
              % (label, line.id, lx, ly, lw, lh, frame.id, fx, fy, len(text)), flush=True)
        if len(text) < 5:
            raise Failed("no text found on the line")

        # What the user sees: the order and the picture the compositor makes.
        views = scene(weston)
        line_index, line_view = view_of(views, (fw, fh))
        cover_index, _ = view_of(views, geometry(d, cover_frame)[2:])
        if line_view is None or cover_index is None:
            check.not_given("the compositor's stacking (%s)" % label,
                            "weston-debug scene-graph listed no view for the line or the window (%s)" % views)
        else:
            check(line_index < cover_index, "weston stacks the line above the raised window (%s: view %d over "
                  "view %d, layers 0x%x and 0x%x)" % (label, line_index, cover_index, line_view[0],
                                                     views[cover_index][0]))
            # Window coordinates to the compositor's: the view is the frame.
            ox, oy = line_view[1] + lx - fx, line_view[2] + ly - fy
            picture = weston.screenshot()
            if picture is None:
                check.not_given("the composed picture (%s)" % label, "weston-screenshooter gave no picture")
            else:
                picture.save(os.path.join(weston.shots, "line-%s.png" % label))
                shown = composed_differs(picture, [(ox + x, oy + y) for x, y in text])
                check(shown >= len(text) * 0.8, "weston draws the line's text over the window (%s: %d of %d "
                      "text pixels)" % (label, shown, len(text)))
                cover_view = views[cover_index]
                kx, ky, kw, kh = geometry(d, cover.win)
                kfx, kfy, _, _ = geometry(d, cover_frame)
                cover_rect = (cover_view[1] + kx - kfx, cover_view[2] + ky - kfy, kw, kh)
                stale, other, alone = clear_pixels(picture, rects, greeting_rects, (ox, oy), (lw, lh),
                                                   views[line_index + 1:cover_index], cover_rect)
                if alone < 1000:
                    check.not_given("the window through the line's clear pixels (%s)" % label,
                                    "too few clear pixels of the line over that window alone")
                else:
                    check(other <= alone * 0.005, "weston shows the window through the line's clear pixels "
                          "(%s: %d of %d show something else)" % (label, other, alone))
                # The greeting drawn before the lyric must not stay in the line's window where the new
                # text's mask no longer covers it: XWayland hands weston the whole window, not its shape.
                check(stale <= 50, "no earlier text shows beside the lyric (%s: %d pixels of lyric "
                      "fill away from the text)" % (label, stale))

        # Clicks go in through XTEST; XWayland routes them by its own
        # stacking order and the line's input shape.
        order = [w for w in d.screen().root.query_tree().children if w.get_attributes().map_state == X.IsViewable]
        ids = [w.id for w in order]
        if not check(ids.index(frame.id) > ids.index(cover_frame.id),
                     "the line is above the raised window in XWayland's stacking order (%s)" % label):
            return
        # Top-levels above the line, and between it and the window beneath
        # (the player's other windows and frames the window manager drew).
        above, between = [], []
        for i, w in enumerate(order):
            if i > ids.index(cover_frame.id) and w.id != frame.id:
                x, y, width, height = geometry(d, w)
                (above if i > ids.index(frame.id) else between).append((x - lx, y - ly, width, height))
        on_top = [p for p in text if free(*p, above)]
        through = [p for p in on_top if free(*p, between)]
        clear = clear_pixel(rects, lw, lh, above + between)
        if locked:
            what = "a click on the text of the locked line reaches the window beneath"
            if not through:
                check.not_given(what, "no text pixel of the line lies over that window alone in X (between: %s)" % between)
            else:
                x, y = through[len(through) // 2]
                check(cover.clicked(lx + x, ly + y), what)
            return
        if on_top:
            x, y = on_top[len(on_top) // 2]
            check(not cover.clicked(lx + x, ly + y), "a click on the text of the line stays with the line")
        what = "a click on a transparent pixel of the line reaches the window beneath"
        if clear is None:
            check.not_given(what, "no clear pixel of the line lies over that window alone in X")
        elif cover.clicked(lx + clear[0], ly + clear[1]):
            check(True, what)
        elif frame.id != line.id and cover.last_target == frame.id:
            check.not_given(what, "weston's X window manager puts the line into a frame window of its own "
                            "(0x%x), and that frame takes the click under the line's clear pixels" % frame.id)
        else:
            check(False, what)
    finally:
        findings = player.close()
        check(not findings, "the player's log has no sanitizer report (%s) %s" % (label, findings[:3]))
        cover.win.destroy()
        d.sync()


def user_platform_wins(check, weston, d, player_binary, work):
    """With QT_QPA_PLATFORM set by the user the player does not switch to
    XWayland: it runs, and no window of it appears there."""
    player = Player(player_binary, work, "data-offscreen", weston.env(), extra_env={"QT_QPA_PLATFORM": "offscreen"})
    try:
        time.sleep(4)
        check(player.proc.poll() is None and not player_windows(d),
              "with QT_QPA_PLATFORM=offscreen the player runs and shows no X window (exit %s)" % player.proc.poll())
    finally:
        findings = player.close()
        check(not findings, "the player's log has no sanitizer report (offscreen) %s" % findings[:3])


def main():
    player_binary = sys.argv[1]
    missing = [t for t in ("weston", "Xwayland", "weston-screenshooter", "weston-debug", "playerctl", "ffmpeg")
               if shutil.which(t) is None]
    if X is None:
        missing.append("python3-xlib")
    if missing:
        print("skipped: missing " + " ".join(missing))
        return 77
    check = Checks()
    work = tempfile.mkdtemp(prefix="youran-wayland-")
    weston = None
    try:
        try:
            weston = Weston(work)
        except Failed as e:
            # No compositor that runs here: nothing of this test can run.
            print("skipped: " + str(e))
            shutil.rmtree(work, ignore_errors=True)
            return 77
        d = wait_for(lambda: connect(weston.display), "XWayland to answer")
        supported = d.screen().root.get_full_property(d.intern_atom("_NET_SUPPORTED"), X.AnyPropertyType)
        names = [d.get_atom_name(a) for a in (supported.value if supported else [])]
        print("weston's X window manager supports: " + ", ".join(names), flush=True)
        line_session(check, weston, d, player_binary, work, locked=False)
        line_session(check, weston, d, player_binary, work, locked=True)
        user_platform_wins(check, weston, d, player_binary, work)
        d.close()
    except Failed as e:
        check(False, str(e))
        if weston and os.environ.get("YOURAN_WAYLAND_KEEP"):
            picture = weston.screenshot()
            if picture:
                picture.save(os.path.join(weston.shots, "failed.png"))
    finally:
        if weston:
            weston.close()
        if check.failures:
            print("weston's log:\n" + (weston.log_text()[-3000:] if weston else ""))
        keep = os.environ.get("YOURAN_WAYLAND_KEEP")
        if keep:
            print("kept " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    return 1 if check.failures else 0


def connect(name):
    try:
        return xdisplay.Display(name)
    except Exception:
        return None


if __name__ == "__main__":
    sys.exit(main())
