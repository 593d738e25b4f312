#!/usr/bin/python3
"""A local stand-in for the two music services, serving a folder of songs.

HTTP port: the primary service (search, song detail, lyric, play URL), the
song bytes and the cover pictures. HTTPS port: the secondary service (JSONP
search and mobile play pages), with a certificate made by openssl at start.

  demo-service.py --library DIR [--info FILE] [--delay-ms N] [--synthetic NAME=MB ...]
  demo-service.py --write-settings INFO_FILE SETTING_INI

--info receives one JSON object: primary, secondarySearch, secondaryPage,
caBundle. Tests switch faults at run time with GET /_control?fault=F&delay=MS
on the HTTP port; F is one of none, slow (song
bytes trickle), cut (every body is cut in half), cutsong (only the song
bytes are), 404, nourl (no play URL, no m4aUrl).
"""
import argparse
import json
import os
import re
import shutil
import signal
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

AUDIO = {".mp3", ".flac", ".ogg", ".m4a", ".wav", ".wma", ".ape", ".mid"}
STATE = {"fault": "none", "delay": 0}
SONGS = []  # dicts: id, mid, title, artist, album, path or size


def read_tags(path):
    tags = {}
    try:
        out = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format_tags=title,artist,album:stream_tags=title,artist,album",
                              "-of", "json", path], capture_output=True, timeout=20).stdout
        probe = json.loads(out or b"{}")
        for part in [probe.get("format", {})] + probe.get("streams", []):
            for k, v in part.get("tags", {}).items():
                tags.setdefault(k.lower(), v)
    except (OSError, ValueError, subprocess.SubprocessError):
        pass
    stem = os.path.splitext(os.path.basename(path))[0]
    return tags.get("title") or stem, tags.get("artist") or "悠然演示", tags.get("album") or "悠然演示专辑"


# A synthetic song is one silent MPEG-1 Layer III frame (128 kbit/s,
# 44.1 kHz, stereo: 417 bytes, all side information zero) over and over, so
# a player that checks what it downloaded finds audio.
SILENT_MP3_FRAME_SIZE = 417
SILENT_MP3_BLOCK = (b"\xff\xfb\x90\x04" + bytes(SILENT_MP3_FRAME_SIZE - 4)) * 2048


def load_library(folder, synthetic):
    n = 0
    for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
        path = os.path.join(folder, name)
        if os.path.isfile(path) and os.path.splitext(name)[1].lower() in AUDIO and not name.startswith("."):
            n += 1
            title, artist, album = read_tags(path)
            SONGS.append({"id": 1000 + n, "mid": "mid%04d" % n, "title": title, "artist": artist,
                          "album": album, "path": path})
    for spec in synthetic:
        name, mb = spec.rsplit("=", 1)
        n += 1
        SONGS.append({"id": 1000 + n, "mid": "mid%04d" % n, "title": name, "artist": "悠然演示",
                      "album": "悠然演示专辑", "size": int(float(mb) * 1024 * 1024)})


def lyric_for(song, library):
    lrc = os.path.join(library, "Lyrics", "%s-%s.lrc" % (song["artist"], song["title"]))
    if os.path.isfile(lrc):
        raw = open(lrc, "rb").read()
        for enc in ("utf-8-sig", "gb18030"):
            try:
                return raw.decode(enc).replace("\r\n", "\n")
            except UnicodeDecodeError:
                pass
    return "[00:00.00]%s - %s\n[00:03.00]这是悠然演示服务的歌词\n[00:06.00]%s\n" % (
        song["title"], song["artist"], song["album"])


def png(width, height, seed):
    rows = b""
    for y in range(height):
        rows += b"\0" + bytes((seed * 37 + x + y) % 256 if c == 0 else (seed * 91 + y) % 256 if c == 1 else 200
                              for x in range(width) for c in range(3))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def matches(song, keyword):
    # As a search engine would, the name "artist-title" of a list row finds
    # the song, and so does "title-artist", the name of a song downloaded
    # into the player's cache.
    k = keyword.strip().lower()
    return not k or k in song["title"].lower() or k in song["artist"].lower() or \
        k in (song["artist"] + "-" + song["title"]).lower() or k in (song["title"] + "-" + song["artist"]).lower()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    library = ""
    http_base = ""
    https_base = ""

    def log_message(self, *args):
        pass

    def send(self, body, ctype="application/json; charset=utf-8", status=200):
        if isinstance(body, str):
            body = body.encode("utf-8")
        fault = STATE["fault"]
        if fault == "404" and not self.path.startswith("/_control"):
            status, body = 404, b"not found"
        if STATE["delay"] and not self.path.startswith("/_control"):
            time.sleep(STATE["delay"] / 1000.0)
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if fault == "cut" and not self.path.startswith("/_control"):
            body = body[: len(body) // 2]
        try:
            self.wfile.write(body)
        except OSError:
            pass
        self.close_connection = True

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length:
            self.rfile.read(length)
        self.do_GET()

    def song_by(self, key, value):
        for s in SONGS:
            if str(s[key]) == value:
                return s
        return None

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        q = {k: v[0] for k, v in urllib.parse.parse_qs(url.query, keep_blank_values=True).items()}
        p = url.path
        if p == "/_control":
            STATE["fault"] = q.get("fault", STATE["fault"])
            STATE["delay"] = int(q.get("delay", STATE["delay"]))
            return self.send(json.dumps(STATE))
        if p == "/api/search/pc":
            found = [s for s in SONGS if matches(s, q.get("s", ""))]
            songs = [{"name": s["title"], "id": s["id"], "artists": [{"name": s["artist"], "id": 1}],
                      "album": {"name": s["album"]}, "duration": 0} for s in found]
            return self.send(json.dumps({"result": {"songs": songs, "songCount": len(songs)}, "code": 200},
                                        ensure_ascii=False, separators=(",", ":")))
        if p == "/api/song/detail/":
            s = self.song_by("id", q.get("id", ""))
            pic = self.http_base + "/pic/%s.png" % (s["id"] if s else 0)
            return self.send('{"songs":[{"name":%s,"id":%s,"album":{"name":%s,"blurPicUrl":"%s","companyId":0,'
                             '"picUrl":"%s"}}],"code":200}' % (
                                 json.dumps(s["title"] if s else "", ensure_ascii=False), s["id"] if s else 0,
                                 json.dumps(s["album"] if s else "", ensure_ascii=False), pic, pic))
        if p == "/api/song/lyric":
            s = self.song_by("id", q.get("id", ""))
            lrc = json.dumps(lyric_for(s, self.library) if s else "", ensure_ascii=False)
            return self.send('{"sgc":false,"sfy":false,"qfy":false,"lrc":{"version":1,"lyric":%s},'
                             '"tlyric":{"version":0,"lyric":""},"klyric":{"version":0,"lyric":""},"code":200}' % lrc)
        if p == "/api/song/enhance/player/url":
            s = self.song_by("id", q.get("id", ""))
            u = "" if not s or STATE["fault"] == "nourl" else self.http_base + "/song/%s" % s["id"]
            return self.send('{"data":[{"id":%s,"url":"%s","br":320000,"size":0,"code":200}],"code":200}' % (
                s["id"] if s else 0, u))
        if p == "/soso/fcgi-bin/client_search_cp":
            found = [s for s in SONGS if matches(s, urllib.parse.unquote(url.query.split("&w=", 1)[-1]))]
            page = int(q.get("p", "0") or 0)
            found = found[page * 10:(page + 1) * 10]
            items = [{"title": s["title"], "mid": s["mid"], "singer": [{"name": s["artist"]}],
                      "album": {"name": s["album"]}, "time_public": "2026-01-01"} for s in found]
            body = json.dumps({"code": 0, "data": {"song": {"list": items, "totalnum": len(items)}}},
                              ensure_ascii=False, separators=(",", ":"))
            return self.send("callback(" + body + ")", "text/javascript; charset=utf-8")
        if p == "/v8/playsong.html":
            s = self.song_by("mid", q.get("songmid", ""))
            u = "" if not s or STATE["fault"] == "nourl" else self.http_base + "/song/%s" % s["id"]
            page = "<html><head><meta charset=\"utf-8\"></head><body><script>var songList=[{\"songmid\":\"%s\"," \
                   "\"m4aUrl\":\"%s\",\"title\":%s}];</script></body></html>" % (
                       q.get("songmid", ""), u, json.dumps(s["title"] if s else "", ensure_ascii=False))
            if not u:
                page = page.replace('"m4aUrl":"",', "")
            return self.send(page, "text/html; charset=utf-8")
        m = re.fullmatch(r"/pic/(\d+)\.png", p)
        if m:
            return self.send(png(160, 160, int(m.group(1))), "image/png")
        m = re.fullmatch(r"/song/(\d+)", p)
        if m:
            s = self.song_by("id", m.group(1))
            if s:
                return self.send_song(s)
        self.send("not found", "text/plain", 404)

    def send_song(self, s):
        size = s["size"] if "size" in s else os.path.getsize(s["path"])
        start, status = 0, 200
        rng = re.fullmatch(r"bytes=(\d+)-", self.headers.get("Range") or "")
        if rng and int(rng.group(1)) < size:
            start, status = int(rng.group(1)), 206
        fault = STATE["fault"]
        if fault == "404":
            return self.send("not found", "text/plain", 404)
        if STATE["delay"]:
            time.sleep(STATE["delay"] / 1000.0)
        self.send_response(status)
        self.send_header("Content-Type", "audio/mpeg")
        self.send_header("Content-Length", str(size - start))
        if status == 206:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, size - 1, size))
        self.send_header("Connection", "close")
        self.end_headers()
        end = size if fault not in ("cut", "cutsong") else start + (size - start) // 2
        block = SILENT_MP3_BLOCK
        try:
            if "path" in s:
                with open(s["path"], "rb") as f:
                    f.seek(start)
                    left = end - start
                    while left > 0:
                        chunk = f.read(min(left, 1 << 20))
                        if not chunk:
                            break
                        self.wfile.write(chunk)
                        left -= len(chunk)
            else:
                # Every byte follows from its offset, so a resumed download
                # joins up with what the first attempt got.
                pos = start
                while pos < end:
                    at = pos % SILENT_MP3_FRAME_SIZE
                    n = min(end - pos, len(block) - at)
                    self.wfile.write(block[at:at + n])
                    pos += n
                    if fault == "slow":
                        time.sleep(0.01)
        except OSError:
            pass
        self.close_connection = True


def make_certificate(folder):
    key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"],
                   check=True, capture_output=True)
    return key, cert


def write_settings(info_file, settings_file):
    """Points Setting.ini's section Online at a running service."""
    info = json.load(open(info_file, encoding="utf-8"))
    values = {"Primary": info["primary"], "SecondarySearch": info["secondarySearch"],
              "SecondaryPage": info["secondaryPage"], "CaBundle": info["caBundle"]}
    lines = []
    if os.path.exists(settings_file):
        lines = open(settings_file, "rb").read().decode("gb18030", "replace").splitlines()
    out, section, done = [], None, set()
    for line in lines:
        head = line.strip()
        if head.startswith("[") and head.endswith("]"):
            if section == "online":
                out += ["%s=%s" % (k, v) for k, v in values.items() if k not in done]
                done.update(values)
            section = head[1:-1].strip().lower()
        elif section == "online" and "=" in line:
            key = line.split("=", 1)[0].strip()
            match = [k for k in values if k.lower() == key.lower()]
            if match:
                out.append("%s=%s" % (match[0], values[match[0]]))
                done.add(match[0])
                continue
        out.append(line)
    if section == "online":
        out += ["%s=%s" % (k, v) for k, v in values.items() if k not in done]
        done.update(values)
    if len(done) < len(values):
        out += ["[Online]"] + ["%s=%s" % (k, v) for k, v in values.items()]
    tmp = settings_file + ".tmp"
    with open(tmp, "wb") as f:
        f.write(("\r\n".join(out) + "\r\n").encode("gb18030"))
    os.replace(tmp, settings_file)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--write-settings":
        return write_settings(sys.argv[2], sys.argv[3])
    ap = argparse.ArgumentParser()
    ap.add_argument("--library", required=True)
    ap.add_argument("--info")
    ap.add_argument("--delay-ms", type=int, default=0)
    ap.add_argument("--synthetic", action="append", default=[])
    ap.add_argument("--port", type=int, default=0)
    args = ap.parse_args()
    STATE["delay"] = args.delay_ms
    Handler.library = args.library
    load_library(args.library, args.synthetic)

    plain = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    secure = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    plain.daemon_threads = secure.daemon_threads = True
    work = tempfile.mkdtemp(prefix="youran-demo-service-")
    key, cert = make_certificate(work)
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert, key)
    secure.socket = ctx.wrap_socket(secure.socket, server_side=True)
    Handler.http_base = "http://127.0.0.1:%d" % plain.server_address[1]
    Handler.https_base = "https://127.0.0.1:%d" % secure.server_address[1]
    info = {"primary": Handler.http_base, "secondarySearch": Handler.https_base,
            "secondaryPage": Handler.https_base, "caBundle": cert, "songs": len(SONGS)}
    text = json.dumps(info, ensure_ascii=False)
    if args.info:
        tmp = args.info + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            f.write(text + "\n")
        os.replace(tmp, args.info)
    print(text, flush=True)
    def stop(*_):
        raise KeyboardInterrupt
    signal.signal(signal.SIGTERM, stop)
    threading.Thread(target=secure.serve_forever, daemon=True).start()
    try:
        plain.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
