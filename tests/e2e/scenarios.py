#!/usr/bin/python3
"""The player as a user meets it, one scenario per run:

  scenarios.py NAME PLAYER DEMO_FOLDER DEMO_SERVICE ARTIFACTS

Run inside dbus-run-session (tests/e2e/CMakeLists.txt does that). Exit 77
(skipped) when a desktop tool is missing. Every control is found by its
place in the fixed 968 × 560 main window; the places are listed here once."""

import os
import shutil
import sys
import time
import urllib.parse

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_session as ds  # noqa: E402
from desktop_session import Failed, wait_for  # noqa: E402

# Window coordinates of the controls (main_window.cpp, pages.cpp,
# settings_page.cpp); a page's widgets sit at (296, 56) plus their own place.
PAGE = (296, 56)
NAV = {"我的音乐": (148, 131), "正在播放": (148, 177), "设置": (148, 223), "搜索": (148, 269)}
TITLE_LABEL = (382, 496, 324, 22)            # 歌曲名标签
TIME_LABEL = (326, 524, 50, 16)              # 时间标签
PROGRESS_TRACK_Y = 532                       # 进度条, x 382..720
VOLUME_TRACK_Y = 532                         # 音量条, x 816..930
VOLUME_LABEL = (934, 524, 30, 16)            # 音量标签
SPECTRUM = (66, 392, 164, 34)                # 频谱画板
PREVIOUS, PLAY_PAUSE, NEXT, MODE = (88, 488), (148, 488), (208, 488), (42, 488)
CLOSE = (942, 28)
COVER = (PAGE[0] + 226, PAGE[1] + 40, 220, 220)  # 图片框2
PLAYLIST = (PAGE[0] + 16, PAGE[1] + 60)          # 播放列表框, 640 × 364
ROW_HEIGHT = 30
MUSIC_SEARCH_BOX = (PAGE[0] + 430 + 100, PAGE[1] + 16 + 15)  # 搜索框
SEARCH_RESULTS = (PAGE[0] + 24, PAGE[1] + 108)   # 选择夹2, 624 × 304

GREETING = "欢迎使用悠然音乐~~~"
DAWN_LYRIC = [(0.5, "晨光 - 林小雨"), (2.0, "推开窗 风吹进了清晨"), (5.0, "鸟儿在枝头 轻轻地唱"),
              (8.0, "阳光洒满 这条小路"), (11.0, "我们慢慢走 不必匆忙"), (14.0, "悠然的旋律 在心里回响"),
              (17.0, "晨光里 一切都刚刚好")]


def playlist_row_point(session, row):
    """The middle of a playlist row, below the table's header."""
    header = header_height(session)
    return PLAYLIST[0] + 200, PLAYLIST[1] + header + (row - 1) * ROW_HEIGHT + ROW_HEIGHT // 2


def header_height(session):
    # The header is the first band of the table that differs from the
    # white rows below it; measured once per session from a picture.
    if not hasattr(session, "_header"):
        column = ds.pixels(session.main.shot((PLAYLIST[0] + 300, PLAYLIST[1], 1, 80)))[:, 0, :]
        rows = [y for y in range(2, 80) if abs(column[y] - column[y - 1]).sum() > 30]
        session._header = rows[0] + 1 if rows else 30
    return session._header


def lyric_ink(session):
    """The ink of the desktop lyric line, and its picture."""
    line = session.desktop_lyric()
    picture = line.shot()
    # The line's window is clear where it draws nothing; the main window
    # shows through at its top, so only the rows below that window count.
    _, line_top, width, height = line.geometry()
    left, top, _, main_height = session.main.geometry()
    below = max(0, min(height - 1, top + main_height - line_top))
    picture = picture.crop((0, below, width, height))
    return ds.ink_mask(picture, background=(0, 0, 0), threshold=90), picture


def line_at(seconds, lyric):
    shown = None
    for start, text in lyric:
        if seconds >= start:
            shown = text
    return shown


def wait_converted(session):
    """The conversion pass has written the list: every row is marked converted."""
    def done():
        try:
            rows = session.list_rows()
        except (OSError, UnicodeDecodeError, Failed):
            return False
        return rows and all(len(r) >= 5 and r[4].strip() for r in rows)
    return wait_for(done, "the conversion pass to write the list", 20)


def play_row(session, row):
    x, y = playlist_row_point(session, row)
    session.main.double_click(x, y)


# --- 1 -----------------------------------------------------------------------

def first_start(session, check):
    data = session.make_data_folder()
    shutil.rmtree(os.path.join(data, "Lyrics"))
    session.start_player()
    for folder in ("Lyrics", "Pic", "YouranMusicDownload"):
        check(wait_for(lambda: os.path.isdir(session.data_path(folder)), folder, 5), "the folder %s is made" % folder)

    line = session.desktop_lyric()
    left, top, width, height = line.geometry()
    check(width == ds.SCREEN[0] and top + height == ds.SCREEN[1],
          "the desktop lyric line spans the bottom of the screen (%d,%d %dx%d)" % (left, top, width, height))
    check("_NET_WM_STATE_ABOVE" in line.prop("_NET_WM_STATE"), "the window manager keeps the line above others")
    ink, picture = lyric_ink(session)
    session.keep(picture, "desktop-lyric")
    best, scores = ds.best_text(ink, [GREETING, "悠然音乐", "等待播放"] + [t for _, t in DAWN_LYRIC], 40, 1)
    check(best == GREETING and scores[best] > 0.7, "the desktop line shows the greeting (%s %.2f)" % (best, scores[best]))

    wait_converted(session)
    time.sleep(1)
    check(not os.path.exists(session.data_path("Setting.ini")), "no Setting.ini after the start and the conversion")

    # One switch on the settings page, and the file is there with its key.
    session.main.click(*NAV["设置"])
    time.sleep(0.6)
    karaoke = (PAGE[0] + 160 + 26, PAGE[1] + 377 + 14)
    session.main.click(*karaoke)
    settings = wait_for(lambda: session.ini(), "Setting.ini after a switch", 5)
    check(settings.get("Lyric", {}).get("Karaoke") == "F", "the karaoke switch wrote Lyric/Karaoke=F (%r)" % settings)
    session.keep(session.main.shot(), "settings-page")


# --- 2 -----------------------------------------------------------------------

def play_a_row(session, check):
    session.make_data_folder()
    session.start_player()
    wait_converted(session)
    idle_title = session.main.shot(TITLE_LABEL)
    idle_spectrum = session.main.shot(SPECTRUM)
    play_row(session, 1)

    check(wait_for(lambda: session.ctl("status") == "Playing", "Playing", 10), "a double-click plays the row")
    check(session.ctl("metadata", "xesam:title") == "晨光", "MPRIS title 晨光")
    check(session.ctl("metadata", "xesam:artist") == "林小雨", "MPRIS artist 林小雨")
    check(session.ctl("metadata", "xesam:album") == "悠然小品", "MPRIS album 悠然小品")
    check(wait_for(lambda: "晨光" in session.main.title(), "the window title", 5), "the window title names the song")
    time.sleep(0.8)
    title = session.main.shot(TITLE_LABEL)
    session.keep(session.main.shot(), "playing")
    title_ink = ds.ink_mask(title)
    check(ds.mean_difference(title, idle_title) > 1 and ink_box_width(title_ink) > 0,
          "the title label changed from its idle text")
    best, scores = ds.best_text(title_ink, ["林小雨-晨光", "林小雨 - 晨光", "等待播放", "晨光"], 14)
    check(best in ("林小雨-晨光", "林小雨 - 晨光"), "the title label shows the song (%s %.2f)" % (best, scores[best]))

    # The time label counts and the bars move.
    first_time = session.main.shot(TIME_LABEL)
    bars = [session.main.shot(SPECTRUM) for _ in range(3) if time.sleep(0.15) is None]
    time.sleep(1.3)
    second_time = session.main.shot(TIME_LABEL)
    check(ds.mean_difference(first_time, second_time) > 1, "the time label counts")
    session.keep(bars[0], "spectrum")
    moving = max(ds.mean_difference(bars[i], bars[i + 1]) for i in range(2))
    lit = ds.ink_mask(bars[0]).sum()
    check(moving > 0.5 and lit > 20, "the frequency bars move (change %.2f, %d lit pixels)" % (moving, lit))
    check(ds.mean_difference(bars[0], idle_spectrum) > 0.5, "the bars differ from the idle panel")

    # The desktop line follows the lyric: a moment whose line is certain
    # on both sides of the one-second lyric tick.
    for _ in range(20):
        before = session.position()
        ink, picture = lyric_ink(session)
        after = session.position()
        expected = line_at(before - 1.05, DAWN_LYRIC)
        if expected and expected == line_at(after, DAWN_LYRIC):
            break
        time.sleep(0.4)
    session.keep(picture, "desktop-lyric-at-%.1f" % before)
    best, scores = ds.best_text(ink, [GREETING] + [t for _, t in DAWN_LYRIC], 40, 1)
    check(best == expected, "the desktop line at %.1f s is %s (shown: %s %.2f)" % (before, expected, best, scores[best]))

    # The cover on 正在播放: the song's own picture, a blue centre in a pale disc.
    session.main.click(*NAV["正在播放"])
    time.sleep(1.2)
    cover = session.main.shot(COVER)
    session.keep(session.main.shot(), "now-playing")
    a = ds.pixels(cover)
    centre, disc, corner, far_corner = a[110, 110], a[110, 110 + 28], a[8, 8], a[211, 211]
    check(centre[2] > 200 and centre[0] < 130, "the cover's centre is blue (%s)" % centre)
    check(min(disc) > 225, "the cover's disc is pale (%s)" % disc)
    check(corner[2] > 200 and corner[0] < 130, "the cover's top-left corner is blue (%s)" % corner)
    check(far_corner[0] > 220 and far_corner[1] < 190, "its bottom-right corner is pink (%s)" % far_corner)
    length = int(session.ctl("metadata", "mpris:length") or 0)
    check(abs(length - 20_000_000) < 200_000, "MPRIS length 20 s (%d)" % length)
    check("推开窗" in session.ctl("metadata", "xesam:asText"), "MPRIS carries the lyric")


# --- 3 -----------------------------------------------------------------------

def knob_x(session, track):
    """The left edge of a knob on its track, from a picture: the knob is the
    only thing on the bar that reaches above the 4-pixel track."""
    x0, y0, w, _ = track
    strip = session.main.shot((x0, 525, w, 3))
    ink = ds.ink_mask(strip, background=(255, 255, 255), threshold=60).any(axis=0)
    columns = [x for x in range(w) if ink[x]]
    return x0 + columns[0] if columns else None


def choose_mode(session, down):
    """The mode button's menu, the item `down` steps from its top."""
    session.main.click(*MODE)
    time.sleep(0.5)
    session.key(*(["Down"] * down), "Return")
    time.sleep(0.4)


def transport(session, check):
    session.make_data_folder()
    session.start_player()
    wait_converted(session)
    play_row(session, 1)
    wait_for(lambda: session.ctl("status") == "Playing", "Playing", 10)
    # The track's length is known from the first tick of the playback timer.
    wait_for(lambda: session.position() > 0.8, "the first second", 5)

    # Next and previous first, far from the track's end, so that a track
    # ending by itself cannot pass for a button's work.
    def title_becomes(name):
        try:
            return wait_for(lambda: session.ctl("metadata", "xesam:title") == name, name, 3) is not None
        except Failed:
            return False

    session.main.click(*NEXT)
    check(title_becomes("Morning Walk"), "下一首 in the window plays row 2")
    check("Morning Walk" in session.main.title(), "the window title follows")
    session.main.click(*PREVIOUS)
    check(title_becomes("晨光"), "上一首 in the window plays row 1")
    session.ctl("next")
    check(title_becomes("Morning Walk"), "playerctl next plays row 2")
    session.ctl("previous")
    check(title_becomes("晨光"), "playerctl previous plays row 1")
    session.ctl("position", "1")

    # A click on the progress track at the place of second 10: the knob's
    # left edge goes to the cursor less the knob, 16.2 pixels a second.
    session.main.click(382 + 162 + 14, PROGRESS_TRACK_Y)
    seconds = session.position()
    check(9.5 <= seconds <= 11.5, "a click on the progress track seeks to 10 s (%.2f)" % seconds)
    time.sleep(0.7)
    x = knob_x(session, (382, 0, 338, 0))
    check(x is not None and 540 <= x <= 552, "the progress knob stands at second 10 (x %s)" % x)
    session.keep(session.main.shot((296, 484, 672, 76)), "after-seek")

    # The volume knob dragged from 100 to 50.
    volume_label = session.main.shot(VOLUME_LABEL)
    session.main.drag(916 + 7, 532, 866 + 7, 532)
    volume = float(session.ctl("volume") or -1)
    check(abs(volume - 0.5) < 0.021, "dragging the volume knob to the middle sets 50 %% (%.2f)" % volume)
    x = knob_x(session, (816, 0, 114, 0))
    check(x is not None and abs(x - 866) <= 3, "the volume knob stands at 50 (x %s)" % x)
    check(ds.mean_difference(volume_label, session.main.shot(VOLUME_LABEL)) > 1, "the volume label changed")
    session.main.click(816 + 7 + 80, VOLUME_TRACK_Y)
    volume = float(session.ctl("volume") or -1)
    check(abs(volume - 0.8) < 0.021, "a click on the volume track sets 80 %% (%.2f)" % volume)

    # The three modes through "模式", each seen on the bus and on the button.
    pictures = {}
    for down, mode, loop, shuffle in ((1, "单曲循环", "Track", "Off"), (3, "随机播放", "Playlist", "On"),
                                      (2, "列表循环", "Playlist", "Off")):
        choose_mode(session, down)
        got = (session.ctl("loop"), session.ctl("shuffle"))
        check(got == (loop, shuffle), "%s: loop %s, shuffle %s (%s, %s)" % ((mode, loop, shuffle) + got))
        pictures[mode] = session.main.shot((28, 474, 28, 28))
    check(ds.mean_difference(pictures["单曲循环"], pictures["列表循环"]) > 0.5 and
          ds.mean_difference(pictures["随机播放"], pictures["列表循环"]) > 0.5,
          "the mode button shows each mode's picture")

    session.main.click(*PLAY_PAUSE)
    check(wait_for(lambda: session.ctl("status") == "Paused", "Paused", 5) is not None, "the play button pauses")


# --- 4 -----------------------------------------------------------------------

def online_song(session, check):
    session.make_data_folder(with_service=True)
    session.start_player()
    wait_converted(session)
    rows_before = len(session.list_rows())
    session.main.click(*MUSIC_SEARCH_BOX)
    session.type("Evening")
    session.key("Return")
    # The results: rows of text appear in the first tab's list.
    results = (SEARCH_RESULTS[0] + 4, SEARCH_RESULTS[1] + 60, 600, 30)
    wait_for(lambda: ds.ink_box(ds.ink_mask(session.main.shot(results))), "the search results", 15)
    time.sleep(0.3)
    session.keep(session.main.shot(), "results")
    # The only answer is the demo library's "Evening Breeze" by Demo Band,
    # whose lyric the data folder does not have.
    session.main.double_click(SEARCH_RESULTS[0] + 100, SEARCH_RESULTS[1] + 71)

    cache = session.data_path("YouranMusicCache")
    song = wait_for(lambda: [os.path.join(cache, n) for n in os.listdir(cache)] if os.path.isdir(cache) else None,
                    "a song in YouranMusicCache", 15)
    check(len(song) == 1, "one song lands in YouranMusicCache (%s)" % [os.path.basename(p) for p in song])
    song = song[0]
    original = os.path.join(session.work, "service-library", "Evening Breeze.m4a")
    wait_for(lambda: session.ctl("status") == "Playing", "the downloaded song to play", 10)
    check(open(song, "rb").read() == open(original, "rb").read(), "the cached song is the served file, whole")
    rows = session.list_rows()
    check(len(rows) == rows_before + 1 and rows[-1][0] == song,
          "the song is the new last row of the list file (%d rows, last %s)" % (len(rows), rows[-1][0]))
    url = session.ctl("metadata", "xesam:url")
    check(url.startswith("file://") and url.endswith("YouranMusicCache/" + urllib.parse.quote(os.path.basename(song))),
          "the new row plays (%s)" % url)
    check(session.ctl("metadata", "mpris:trackid").strip("'").startswith("/org/youranmusic/track/%d_" % len(rows)),
          "the playing track is row %d" % len(rows))

    def fetched(folder, ending):
        path = session.data_path(folder)
        names = [n for n in os.listdir(path) if n.endswith(ending) and "Evening Breeze" in n]
        return [os.path.join(path, n) for n in names]
    lyric = wait_for(lambda: fetched("Lyrics", ".lrc"), "the fetched lyric in Lyrics/", 10)
    text = session.read_text(lyric[0])
    check("这是悠然演示服务的歌词" in text, "the lyric from the service is kept in %s" % os.path.basename(lyric[0]))
    covers = wait_for(lambda: [p for p in fetched("Pic", "") if os.path.getsize(p) > 0], "the cover in Pic/", 10)
    with Image.open(covers[0]) as picture:
        check(picture.width > 0, "the fetched cover is a picture (%s, %dx%d)"
              % (os.path.basename(covers[0]), picture.width, picture.height))
        kept = picture.convert("RGB").resize((COVER[2], COVER[3]))
    session.main.click(*NAV["正在播放"])
    time.sleep(1.2)
    shown = session.main.shot(COVER)
    session.keep(session.main.shot(), "now-playing")
    difference = ds.mean_difference(shown, kept)
    check(difference < 12, "正在播放 shows the fetched cover (mean difference %.1f)" % difference)
    session.main.click(*NAV["我的音乐"])
    # Its line of second 3 is on the desktop from the tick after second 4.
    wait_for(lambda: session.position() >= 4.2, "second 4 of the song", 10)
    ink, picture = lyric_ink(session)
    position = session.position()
    session.keep(picture, "desktop-lyric")
    best, scores = ds.best_text(ink, [GREETING, "Evening Breeze-Demo Band", "Evening Breeze - Demo Band",
                                      "这是悠然演示服务的歌词", "悠然演示专辑", "暂无 Evening Breeze-Demo Band的歌词"], 40, 1)
    expected = "这是悠然演示服务的歌词"
    check(best == expected and scores[best] > 0.7, "the desktop line shows the fetched lyric at %.1f s (%s %.2f)"
          % (position, best, scores[best]))


# --- 5 -----------------------------------------------------------------------

# The playlist's right-click menu, its items in order (separators are
# skipped by the arrow keys).
CONTEXT_MENU = ["播放此音乐", "移除选中", "去除重复", "移除所有", "物理删除", "复制歌名", "下载此音乐", "文件定位",
                "添加文件", "添加目录"]


def context_command(session, row, item):
    """Right-click a row (which selects it) and pick an item by the keys."""
    x, y = playlist_row_point(session, row)
    session.main.click(x, y)
    session.main.click(x, y, button=3)
    time.sleep(0.5)
    session.key(*(["Down"] * (CONTEXT_MENU.index(item) + 1)), "Return")


def scan_folder(session, row, folder):
    context_command(session, row, "添加目录")
    dialog = session.find_window(title="请选择扫描目录", what="the folder dialog")
    time.sleep(0.5)
    session.keep(dialog.shot(), "folder-dialog")
    session.key("ctrl+a")
    session.type(folder)
    session.key("Return")
    wait_for(lambda: not dialog.viewable(), "the folder dialog to close", 5)


def row_names(session):
    return [r[2] for r in session.list_rows()]


def playlist_menu(session, check):
    session.make_data_folder()
    extra = os.path.join(session.work, "extra")
    os.makedirs(os.path.join(extra, "deeper"))
    shutil.copy(session.data_path("Rain on the Roof.ogg"), os.path.join(extra, "雨声.ogg"))
    shutil.copy(session.data_path("Only a Title.mp3"), os.path.join(extra, "deeper", "short.mp3"))
    open(os.path.join(extra, "notes.txt"), "w").write("not music")
    session.start_player()
    wait_converted(session)

    scan_folder(session, 1, extra)
    rows = wait_for(lambda: len(session.list_rows()) == 9 and session.list_rows(), "two scanned rows", 10)
    paths = sorted(r[0] for r in rows[7:])
    check(paths == sorted([os.path.join(extra, "deeper", "short.mp3"), os.path.join(extra, "雨声.ogg")]),
          "scanning a folder adds its two audio files, also from a subfolder (%s)" % paths)
    scan_folder(session, 1, extra)
    wait_for(lambda: len(session.list_rows()) == 11, "the same two rows again", 10)
    wait_converted(session)
    session.keep(session.main.shot(), "scanned-twice")

    context_command(session, 1, "去除重复")
    notice = session.find_window(size=(366, 175), what="the notice after removing duplicates")
    rows = wait_for(lambda: len(session.list_rows()) == 9 and session.list_rows(), "the duplicates gone", 5)
    check([r[0] for r in rows[7:]] == paths or sorted(r[0] for r in rows[7:]) == paths,
          "去除重复 leaves each scanned file once (%d rows)" % len(rows))
    check([r[1].strip() for r in rows] == [str(i) for i in range(1, 10)], "the rows are numbered 1..9 again")
    session.keep(notice.shot(), "duplicates-notice")
    notice.click(284 + 36, 134 + 14)
    wait_for(lambda: not notice.viewable(), "the notice to close", 5)

    removed = rows[8][0]
    context_command(session, 9, "移除选中")
    rows = wait_for(lambda: len(session.list_rows()) == 8 and session.list_rows(), "row 9 removed", 5)
    check(removed not in [r[0] for r in rows] and os.path.exists(removed),
          "移除选中 takes row 9 off the list and leaves its file")

    victim = rows[7][0]
    context_command(session, 8, "物理删除")
    question = session.find_window(title="悠然提示", what="the trash question")
    session.keep(question.shot(), "trash-question")
    session.key("Return")
    rows = wait_for(lambda: len(session.list_rows()) == 7 and session.list_rows(), "row 8 trashed", 5)
    trash = os.path.join(session.env["XDG_DATA_HOME"], "Trash")
    name = os.path.basename(victim)
    trashed = os.path.join(trash, "files", name)
    info = os.path.join(trash, "info", name + ".trashinfo")
    check(not os.path.exists(victim) and os.path.isfile(trashed), "物理删除 moves the file into the trash (%s)" % name)
    info_text = open(info, encoding="utf-8").read() if os.path.exists(info) else ""
    check("Path=" + urllib.parse.quote(victim) in info_text and "DeletionDate=" in info_text,
          "the trash remembers where the file came from")
    check(victim not in [r[0] for r in rows], "and the row is gone")

    context_command(session, 2, "复制歌名")
    time.sleep(0.4)
    clip = session.run(["xclip", "-o", "-selection", "clipboard"], check=False).stdout
    check(clip == rows[1][2], "复制歌名 puts the row's name on the clipboard (%r)" % clip)


# --- 6 -----------------------------------------------------------------------

BLUR_SWITCH = (PAGE[0] + 160, PAGE[1] + 229, 52, 28)      # 高斯开
SPECTRUM_SWITCH = (PAGE[0] + 160, PAGE[1] + 303, 52, 28)  # 可视开
FONT_FIELD = (PAGE[0] + 160, PAGE[1] + 154, 300, 30)      # 字体
FONT_BUTTON = (PAGE[0] + 472 + 50, PAGE[1] + 154 + 15)    # 修改字体
EFFECTS_LABEL = (874, 28)                                  # 透明标签8
REVERB_BOX = (18, 234, 90, 24)                             # 混响选择框, in 均衡器
BALANCE = (488, 270, 114, 20)                              # 横向滚动条1
BALANCE_TEXT = (470, 296, 152, 18)                         # 平衡
CHOSEN_FONT = "DejaVu Serif"


def middle(region):
    x, y, w, h = region
    return x + w // 2, y + h // 2


def settings_pictures(session):
    return {name: session.main.shot(region) for name, region in
            (("blur", BLUR_SWITCH), ("spectrum", SPECTRUM_SWITCH), ("font", FONT_FIELD))}


def open_effects(session):
    session.main.click(*EFFECTS_LABEL)
    window = session.find_window(size=(640, 410), title="均衡器", what="the 均衡器 window")
    time.sleep(0.4)
    return window


def effects_pictures(window):
    return {"reverb": window.shot(REVERB_BOX), "balance": window.shot(BALANCE_TEXT)}


def spectrum_hidden(session, check, when):
    first = session.main.shot(SPECTRUM)
    time.sleep(0.3)
    second = session.main.shot(SPECTRUM)
    dark = int((ds.pixels(first).sum(axis=2) < 200).sum())
    check(ds.mean_difference(first, second) < 0.2 and dark == 0,
          "no frequency bars while playing %s (%d dark pixels)" % (when, dark))


def settings_restored(session, check):
    session.make_data_folder()
    session.start_player()
    wait_converted(session)
    play_row(session, 1)
    wait_for(lambda: session.ctl("status") == "Playing", "Playing", 10)
    session.main.click(*NAV["设置"])
    time.sleep(0.6)
    before = settings_pictures(session)

    session.main.click(*middle(BLUR_SWITCH))
    session.main.click(*middle(SPECTRUM_SWITCH))
    vision = wait_for(lambda: (session.ini() or {}).get("Vision"), "Setting.ini section Vision", 5)
    check(vision.get("Gaussian") == "F" and vision.get("Spectrum") == "F",
          "the two switches write Vision Gaussian=F, Spectrum=F (%r)" % vision)
    spectrum_hidden(session, check, "with the switch off")

    session.main.click(*FONT_BUTTON)
    dialog = session.find_window(title="修改字体", what="the font dialog")
    time.sleep(0.5)
    session.keep(dialog.shot(), "font-dialog")
    session.key("ctrl+a")
    session.type(CHOSEN_FONT)
    time.sleep(0.3)
    session.key("Return")
    wait_for(lambda: not dialog.viewable(), "the font dialog to close", 5)
    lyric = wait_for(lambda: (session.ini() or {}).get("Lyric", {}).get("Font"), "Lyric/Font", 5)
    check(lyric == CHOSEN_FONT, "the chosen font is written to Lyric/Font (%r)" % lyric)
    time.sleep(0.3)
    changed = settings_pictures(session)
    session.keep(session.main.shot(), "settings-changed")
    for name in ("blur", "spectrum", "font"):
        check(ds.mean_difference(before[name], changed[name]) > 1, "the %s control shows the change" % name)

    effects = open_effects(session)
    effects_before = effects_pictures(effects)
    effects.click(REVERB_BOX[0] + 12, REVERB_BOX[1] + REVERB_BOX[3] // 2)
    effects.click(BALANCE[0] + BALANCE[2] - 10, BALANCE[1] + BALANCE[3] // 2)
    time.sleep(0.4)
    effects_changed = effects_pictures(effects)
    session.keep(effects.shot(), "effects-changed")
    section = wait_for(lambda: ((session.ini("State.ini") or {}).get("效果设置") or {}).get("横向滚动条1"),
                       "State.ini section 效果设置", 5) and session.ini("State.ini")["效果设置"]
    check(section.get("混响") == "T", "ticking 混响 is kept in State.ini (%r)" % section.get("混响"))
    balance = section.get("横向滚动条1")
    check(balance is not None and balance.isdigit() and int(balance) > 50,
          "the balance slider moved right is kept in State.ini (%r)" % balance)
    for name in ("reverb", "balance"):
        check(ds.mean_difference(effects_before[name], effects_changed[name]) > 1,
              "the effects window shows the %s change" % name)
    settings_file = open(session.data_path("Setting.ini"), "rb").read()

    # Again, from the files alone.
    session.stop_player()
    session.start_player()
    wait_converted(session)
    play_row(session, 1)
    wait_for(lambda: session.ctl("status") == "Playing", "Playing after the restart", 10)
    session.main.click(*NAV["设置"])
    time.sleep(0.8)
    again = settings_pictures(session)
    session.keep(session.main.shot(), "settings-after-restart")
    for name in ("blur", "spectrum", "font"):
        check(ds.mean_difference(again[name], changed[name]) < 1 < ds.mean_difference(again[name], before[name]),
              "after a restart the %s control shows the saved value" % name)
    spectrum_hidden(session, check, "after the restart")
    effects = open_effects(session)
    effects_again = effects_pictures(effects)
    session.keep(effects.shot(), "effects-after-restart")
    for name in ("reverb", "balance"):
        check(ds.mean_difference(effects_again[name], effects_changed[name]) < 1 <
              ds.mean_difference(effects_again[name], effects_before[name]),
              "after a restart the effects window shows the saved %s" % name)
    check(open(session.data_path("Setting.ini"), "rb").read() == settings_file, "a restart leaves Setting.ini as it was")


# --- 7 -----------------------------------------------------------------------

def second_copy(session, check):
    session.make_data_folder()
    incoming = os.path.join(session.work, "incoming")
    os.makedirs(incoming)
    opened = os.path.join(incoming, "雨天.ogg")
    shutil.copy(session.data_path("Rain on the Roof.ogg"), opened)
    first = session.start_player()
    wait_converted(session)
    rows_before = len(session.list_rows())

    # What a file manager does with "open with": a new copy, the file its argument.
    second = session.spawn([session.paths["player"], "--data-dir", session.data, opened], "player-second.log")
    try:
        code = second.wait(timeout=15)
    except Exception:
        code = None
    check(code == 0, "the second copy hands the file over and ends (exit %s)" % code)
    check(first.poll() is None, "the first copy keeps running")
    wait_for(lambda: session.ctl("metadata", "xesam:url").endswith(urllib.parse.quote(opened)), "the file to play", 10)
    check(session.ctl("status") == "Playing", "the running copy plays the file")
    rows = wait_for(lambda: len(session.list_rows()) == rows_before + 1 and session.list_rows(), "the new row", 5)
    check(rows[-1][0] == opened, "the file is the list's new last row")
    check(session.ctl("metadata", "mpris:trackid").strip("'").startswith("/org/youranmusic/track/%d_" % len(rows)),
          "the playing track is that row")
    windows = [w for w in session.player_windows() if w.geometry()[2:] == (968, 560)]
    check(len(windows) == 1, "one main window on the screen (%d)" % len(windows))
    time.sleep(0.5)
    session.keep(session.main.shot(), "after-hand-over")


# --- 8 -----------------------------------------------------------------------

EXIT_DIALOG = (340, 200)
KEEP_RUNNING, QUIT, CONFIRM = (36 + 14, 64 + 13), (36 + 14, 100 + 13), (240 + 38, 152 + 15)


def tray_icon(session):
    """The player's icon in the notification area at the top right."""
    for w in session.player_windows():
        x, y, width, height = w.geometry()
        if width <= 48 and height <= 48 and x >= ds.SCREEN[0] - 130 and y < 40:
            return w
    return None


def close_dialog(session, check):
    session.make_data_folder()
    session.start_player()
    wait_converted(session)
    session.main.click(*NAV["设置"])
    time.sleep(0.5)
    session.main.click(PAGE[0] + 160 + 26, PAGE[1] + 377 + 14)  # 卡拉开: now there are settings to keep
    try:
        wait_for(lambda: session.ini(), "Setting.ini", 5)
    except Failed:
        # A busy player had not shown the page yet: the click fell beside the switch.
        session.main.click(PAGE[0] + 160 + 26, PAGE[1] + 377 + 14)
        wait_for(lambda: session.ini(), "Setting.ini", 5)
    session.main.click(*NAV["我的音乐"])
    time.sleep(0.4)
    play_row(session, 1)
    wait_for(lambda: session.ctl("status") == "Playing", "Playing", 10)
    time.sleep(0.5)
    list_file = open(session.data_path("YRmDefaultList.dll"), "rb").read()
    settings_file = open(session.data_path("Setting.ini"), "rb").read()

    icon = wait_for(lambda: tray_icon(session), "the tray icon", 10)
    check(icon.viewable(), "the tray icon sits in the notification area")
    session.main.click(*CLOSE)
    dialog = session.find_window(size=EXIT_DIALOG, title="退出悠然音乐", what="the close dialog")
    time.sleep(0.4)
    session.keep(dialog.shot(), "close-dialog")
    dialog.click(*CONFIRM)
    check(wait_for(lambda: not session.main.viewable(), "the main window to go", 5) is not None,
          "keep in tray: the main window goes away")
    position = session.position()
    time.sleep(1.2)
    check(session.player.poll() is None and session.ctl("status") == "Playing" and session.position() > position + 0.8,
          "and the music goes on")
    check(tray_icon(session) is not None, "the tray icon stays")

    icon = tray_icon(session)
    icon.click(icon.geometry()[2] // 2, icon.geometry()[3] // 2)
    check(wait_for(lambda: session.main.viewable(), "the main window back", 5) is not None,
          "a click on the tray icon brings the window back")
    time.sleep(0.5)
    session.main.click(*CLOSE)
    dialog = session.find_window(size=EXIT_DIALOG, title="退出悠然音乐", what="the close dialog again")
    time.sleep(0.4)
    dialog.click(*QUIT)
    time.sleep(0.2)
    session.keep(dialog.shot(), "quit-chosen")
    dialog.click(*CONFIRM)
    try:
        code = session.player.wait(timeout=10)
    except Exception:
        code = None
    check(code == 0, "quit ends the player (exit %s)" % code)
    check(open(session.data_path("YRmDefaultList.dll"), "rb").read() == list_file, "the music list file is intact")
    check(open(session.data_path("Setting.ini"), "rb").read() == settings_file, "Setting.ini is intact")
    rows = session.list_rows()
    check(len(rows) == 7 and rows[0][2] == "林小雨-晨光", "the list still loads its seven rows")


# --- 9 -----------------------------------------------------------------------

NOTICE = (366, 175)


def notice_window(session, title, timeout=10):
    return session.find_window(size=NOTICE, title=title, what="the notice " + title, timeout=timeout)


def gone(window):
    try:
        return not window.viewable()
    except (Failed, KeyError, ValueError, OSError):
        return True


def keyboard(session, check):
    """The keys a user reaches for, and the volume kept across a restart."""
    session.make_data_folder()
    session.start_player()
    wait_converted(session)
    x, y = playlist_row_point(session, 2)
    session.main.click(x, y)
    session.key("Return")
    wait_for(lambda: session.ctl("status") == "Playing", "Enter to play the selected row", 10)
    check(session.ctl("metadata", "mpris:trackid").strip("'").startswith("/org/youranmusic/track/2_"),
          "Enter plays the selected row")
    session.key("space")
    check(wait_for(lambda: session.ctl("status") == "Paused", "Space to pause", 5), "Space pauses")
    session.key("space")
    check(wait_for(lambda: session.ctl("status") == "Playing", "Space to go on", 5), "Space plays on")
    session.key("ctrl+Right")
    check(wait_for(lambda: "/track/3_" in session.ctl("metadata", "mpris:trackid"), "Ctrl+Right", 5),
          "Ctrl+Right plays the next row")
    session.key("ctrl+Left")
    check(wait_for(lambda: "/track/2_" in session.ctl("metadata", "mpris:trackid"), "Ctrl+Left", 5),
          "Ctrl+Left plays the previous row")
    session.key("ctrl+Down", "ctrl+Down", "ctrl+Down")
    check(wait_for(lambda: session.ctl("volume") in ("0.85", "0.850000"), "Ctrl+Down", 5),
          "Ctrl+Down three times: volume 85 (%s)" % session.ctl("volume"))
    session.key("ctrl+Up")
    check(wait_for(lambda: (session.ini("State.ini") or {}).get("Player", {}).get("Volume") == "90",
                   "State.ini Player/Volume=90", 5), "Ctrl+Up: volume 90, kept in State.ini")

    # Delete takes the selected row away (not the playing one).
    rows = len(session.list_rows())
    session.main.click(*playlist_row_point(session, 5))
    session.key("Delete")
    check(wait_for(lambda: len(session.list_rows()) == rows - 1, "Delete to remove a row", 5),
          "Delete removes the selected row")

    # Ctrl-clicked rows go together; the playing row among them hands over
    # to the row that moves into its place. Shift-click takes a range.
    rows = session.list_rows()
    playing = int(session.ctl("metadata", "mpris:trackid").strip("'").split("/track/")[1].split("_")[0])
    kept_next = rows[playing][0]  # the row below the playing one
    other = 4 if playing != 4 else 5
    session.main.click(*playlist_row_point(session, playing))
    session.xdotool("keydown", "ctrl")
    session.main.click(*playlist_row_point(session, other))
    session.xdotool("keyup", "ctrl")
    session.key("Delete")
    left = wait_for(lambda: len(session.list_rows()) == len(rows) - 2 and session.list_rows(),
                    "Delete to remove two rows", 5)
    gone_paths = {rows[playing - 1][0], rows[other - 1][0]}
    check(not gone_paths & {r[0] for r in left}, "Delete removes both Ctrl-clicked rows")
    check(wait_for(lambda: session.ctl("metadata", "xesam:url").endswith(urllib.parse.quote(os.path.basename(kept_next))),
                   "the next row to play", 5), "the row that moved into the playing row's place plays")
    session.main.click(*playlist_row_point(session, 1))
    session.xdotool("keydown", "shift")
    session.main.click(*playlist_row_point(session, 2))
    session.xdotool("keyup", "shift")
    session.key("Delete")
    check(wait_for(lambda: [r[0] for r in session.list_rows()] == [r[0] for r in left[2:]],
                   "Delete to remove a Shift-clicked range", 5), "Delete removes a Shift-clicked range")

    # The result of 去除重复 is answered by Enter.
    context_command(session, 1, "去除重复")
    dialog = session.find_window(size=NOTICE, what="the 去除重复 notice")
    time.sleep(0.5)
    session.keep(dialog.shot(), "duplicates-notice")
    session.key("Return")
    check(wait_for(lambda: gone(dialog), "Enter to close the notice", 5), "Enter answers the 去除重复 notice")

    # Ctrl+F: the cursor is in the search box; what is typed lands there.
    session.main.click(*NAV["设置"])
    time.sleep(0.5)
    session.key("ctrl+f")
    time.sleep(0.5)
    session.type("Demo")
    time.sleep(0.5)
    picture = session.main.shot()
    session.keep(picture, "ctrl-f")
    # Typing opens the bar of the two search buttons under the box.
    bar = ds.ink_mask(session.main.shot((PAGE[0] + 436, PAGE[1] + 53, 202, 30)), threshold=60)
    check(ds.ink_box(bar) is not None, "Ctrl+F puts the cursor into 我的音乐's search box: typing shows its buttons")
    session.key("Escape")

    session.stop_player()
    session.start_player()
    time.sleep(0.5)
    check(session.ctl("volume") in ("0.9", "0.900000"), "the volume is 90 again after a restart (%s)"
          % session.ctl("volume"))


def user_hands(session, check):
    """Where the window comes back, a song from a search under its right
    name, the search page gone from 我的音乐, a long name ended by "…", and a
    file that cannot play."""
    session.make_data_folder(with_service=True)
    broken = session.data_path("损坏的歌曲.mp3")
    with open(broken, "wb") as f:
        f.write(b"\x00not really an mp3\x00" * 64)
    session.start_player()
    wait_converted(session)
    idle_page = session.main.shot((PAGE[0], PAGE[1], 672, 100))

    # The soft shadow only while a compositor runs; a black frame otherwise.
    def shadow():
        return [w for w in session.player_windows() if w.geometry()[2:] == (978, 570)]
    time.sleep(1)
    check(not shadow(), "no shadow without a compositor")
    compositor = session.spawn(["xcompmgr"], "xcompmgr.log")
    check(wait_for(shadow, "the shadow once a compositor runs", 6) is not None, "a compositor brings the shadow")
    compositor.terminate()
    compositor.wait()
    check(wait_for(lambda: not shadow(), "the shadow to go with the compositor", 6), "and it goes with it")

    # The tray and back: the same place.
    session.xdotool("windowmove", "--sync", str(session.main.id), "295", "110")
    time.sleep(0.5)
    before = session.main.geometry()[:2]
    session.main.click(914, 28)  # 最小化
    wait_for(lambda: not session.main.viewable(), "the window to hide", 5)
    icon = wait_for(lambda: tray_icon(session), "the tray icon", 10)
    icon.click(icon.geometry()[2] // 2, icon.geometry()[3] // 2)
    wait_for(lambda: session.main.viewable(), "the window back", 5)
    time.sleep(0.6)
    after = session.main.geometry()[:2]
    check(after == before, "the window comes back where it was (%s, before %s)" % (after, before))

    # A press on the background and a click elsewhere do not move it.
    session.main.click(PAGE[0] + 600, PAGE[1] + 30)
    session.main.click(*NAV["设置"])
    time.sleep(0.4)
    check(session.main.geometry()[:2] == after, "clicks alone never move the window")
    session.main.click(*NAV["我的音乐"])
    time.sleep(0.4)

    # A song from a search reads title and artist the right way round.
    session.main.click(*MUSIC_SEARCH_BOX)
    session.type("晨光")
    time.sleep(0.5)
    session.keep(session.main.shot(), "search-buttons")
    session.key("Return")
    results = (SEARCH_RESULTS[0] + 4, SEARCH_RESULTS[1] + 60, 600, 30)
    wait_for(lambda: ds.ink_box(ds.ink_mask(session.main.shot(results))), "the search results", 15)
    time.sleep(0.3)
    session.main.double_click(SEARCH_RESULTS[0] + 100, SEARCH_RESULTS[1] + 71)
    wait_for(lambda: "YouranMusicCache" in session.ctl("metadata", "xesam:url"), "the downloaded song", 15)
    title, artist = session.ctl("metadata", "xesam:title"), session.ctl("metadata", "xesam:artist")
    check((title, artist) == ("晨光", "林小雨"), "the downloaded song is 晨光 by 林小雨 (%s / %s)" % (title, artist))
    check(session.main.title().split(" — ")[0] == "林小雨-晨光", "the window title reads artist-title (%s)"
          % session.main.title())

    # Back on 我的音乐 nothing of the search page is left over.
    session.main.click(*NAV["我的音乐"])
    time.sleep(0.8)
    page = session.main.shot((PAGE[0], PAGE[1], 672, 100))
    session.keep(session.main.shot(), "my-music-after-search")
    difference = ds.mean_difference(page, idle_page)
    check(difference < 6, "我的音乐 after a search looks as before it (mean difference %.1f)" % difference)

    # A name too long for the left panel ends in "…" and shows whole in a tool tip.
    long_name = session.data_path("一首名字非常非常长的歌曲用来看看左边的面板能不能把它好好地收起来.wav")
    shutil.copy(session.data_path("untagged tune.wav"), long_name)
    session.run([session.paths["player"], "--data-dir", session.data, long_name], check=False, timeout=20)
    wait_for(lambda: "%E4%B8%80%E9%A6%96" in session.ctl("metadata", "xesam:url"), "the long-named song", 10)
    time.sleep(0.5)
    left, top = session.main.geometry()[:2]
    session.keep(session.main.shot((0, 320, 296, 60)), "long-name")
    session.move_mouse(left + 150, top + 342)
    session.move_mouse(left + 160, top + 342)
    tip = wait_for(lambda: [w for w in session.player_windows() if w.id != session.main.id
                            and 10 < w.geometry()[3] < 80 and w.geometry()[2] > 240], "a tool tip", 5)
    session.keep(tip[0].shot(), "long-name-tooltip")
    check(tip[0].geometry()[2] > 240, "the cut name shows whole in a tool tip (%d px wide)" % tip[0].geometry()[2])
    session.move_mouse(left + 600, top + 200)

    # A file that cannot be decoded: the notice, and the controls stopped.
    session.run([session.paths["player"], "--data-dir", session.data, broken], check=False, timeout=20)
    dialog = notice_window(session, "出错啦~~~~ QAQ")
    time.sleep(0.6)
    session.keep(dialog.shot(), "failure-notice")
    check(session.ctl("status") == "Stopped", "the player stops (%s)" % session.ctl("status"))
    button = session.main.shot((816 - 2, 492, 72, 26))
    session.keep(button, "play-button")
    session.key("Escape")
    check(wait_for(lambda: gone(dialog), "Escape to close the notice", 5), "Escape answers the notice")
    check(session.main.title().split(" — ")[0] == "悠然音乐 6", "the window title is the player's own (%s)"
          % session.main.title())


def small_screen(session, check):
    """Asked to draw at twice the size on a screen too small for that, the
    player draws smaller: every window within the screen, the close button
    and the volume in reach."""
    session.make_data_folder()
    session.env["QT_SCALE_FACTOR"] = "2"
    session.start_player(wait=False)
    main = wait_for(lambda: [w for w in session.player_windows() if w.geometry()[2] > 900], "the main window", 20)[0]
    time.sleep(1)
    left, top, width, height = main.geometry()
    scale = width / 968.0
    session.keep(session.screenshot(), "small-screen")
    check(left >= 0 and top >= 0 and left + width <= session.screen[0] and top + height <= session.screen[1],
          "the main window lies within the screen (%d,%d %dx%d)" % (left, top, width, height))
    check(1.0 < scale < 2.0 and abs(height - 560 * scale) <= 2,
          "it is drawn larger than at ratio 1, in its own proportions (%.3f)" % scale)

    def at(x, y):
        return round(x * scale), round(y * scale)
    # A click sets the volume under the knob's middle: 42 here, give or take
    # the rounding of the smaller scale.
    main.click(*at(816 + 42 + 7, VOLUME_TRACK_Y))
    check(wait_for(lambda: 0.39 <= float(session.ctl("volume") or 1) <= 0.45, "the volume near 42", 5),
          "the volume is in reach (%s)" % session.ctl("volume"))
    main.click(*at(*CLOSE))
    dialog = wait_for(lambda: [w for w in session.player_windows() if w.title().split(" — ")[0] == "退出悠然音乐"],
                      "the close dialog", 10)[0]
    time.sleep(0.5)
    session.keep(session.screenshot(), "small-screen-close-dialog")
    x, y, w, h = dialog.geometry()
    check(x >= 0 and y >= 0 and x + w <= session.screen[0] and y + h <= session.screen[1],
          "the close button opens the close dialog, within the screen (%d,%d %dx%d)" % (x, y, w, h))
    session.key("Escape")
    wait_for(lambda: gone(dialog), "the close dialog to go", 5)
    main.click(*at(*EFFECTS_LABEL))
    effects = wait_for(lambda: [w for w in session.player_windows() if w.id != main.id and w.geometry()[2] > 500],
                       "the effects window", 10)[0]
    time.sleep(0.8)
    x, y, w, h = effects.geometry()
    session.keep(session.screenshot(), "small-screen-effects")
    check(x >= 0 and y >= 0 and x + w <= session.screen[0] and y + h <= session.screen[1],
          "the effects window lies within the screen (%d,%d %dx%d)" % (x, y, w, h))


small_screen.screen = (1600, 1000)


def ink_box_width(mask):
    box = ds.ink_box(mask)
    return 0 if box is None else box[2] - box[0]


SCENARIOS = {
    "FirstStart": first_start,
    "PlayARow": play_a_row,
    "Transport": transport,
    "OnlineSong": online_song,
    "PlaylistMenu": playlist_menu,
    "SettingsRestored": settings_restored,
    "SecondCopy": second_copy,
    "CloseDialog": close_dialog,
    "Keyboard": keyboard,
    "UserHands": user_hands,
    "SmallScreen": small_screen,
}

if __name__ == "__main__":
    sys.exit(ds.main(SCENARIOS))
