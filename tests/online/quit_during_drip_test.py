#!/usr/bin/python3
"""Quitting the player while its lyric or cover fetch hangs on a server that
sends one byte a second: the process must be gone within 2 s.

Run inside dbus-run-session (the quit goes through MPRIS, which calls the
same shutdown as the tray's "退出悠然音乐"). Exit 77 (skipped) without
dbus-send or a session bus. Every wait is bounded."""

import http.server
import os
import shutil
import socketserver
import subprocess
import sys
import tempfile
import threading
import time

PLAYER, DEMO_SCRIPT = sys.argv[1], sys.argv[2]
requests_seen = []


class Drip(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        requests_seen.append(self.path)
        self.send_response(200)
        self.send_header("Content-Length", "100000")
        self.end_headers()
        try:
            for _ in range(120):
                self.wfile.write(b" ")
                self.wfile.flush()
                time.sleep(1)
        except OSError:
            pass

    do_POST = do_GET

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def mpris(method):
    subprocess.run(["dbus-send", "--session", "--type=method_call", "--dest=org.mpris.MediaPlayer2.youranmusic",
                    "/org/mpris/MediaPlayer2", method], capture_output=True, timeout=5)


def wait_for(condition, timeout):
    end = time.time() + timeout
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.05)
    return False


def main():
    if shutil.which("dbus-send") is None or not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        print("skipped: no dbus-send or no session bus")
        return 77
    server = Server(("127.0.0.1", 0), Drip)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    work = tempfile.mkdtemp()
    player = None
    try:
        demo = os.path.join(work, "demo")
        subprocess.run(["bash", DEMO_SCRIPT, demo], check=True, stdout=subprocess.DEVNULL)
        # No lyric files: the first track asks the service for its lyric.
        for root, _, files in os.walk(demo):
            for name in files:
                if name.lower().endswith(".lrc"):
                    os.remove(os.path.join(root, name))
        with open(os.path.join(demo, "Setting.ini"), "ab") as settings:
            settings.write(b"\r\n[Online]\r\nPrimary=http://127.0.0.1:%d\r\n" % server.server_address[1])
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", YOURAN_AUDIO_DEVICE="none",
                   YOURAN_LOCK_FILE=os.path.join(work, "lock"))
        player = subprocess.Popen([PLAYER, "--data-dir", demo, "--play"], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_for(lambda: requests_seen, 15):
            mpris("org.mpris.MediaPlayer2.Player.Next")
        if not wait_for(lambda: requests_seen, 15):
            print("FAIL the player never asked the service")
            return 1
        time.sleep(1.5)  # well inside the drip
        if player.poll() is not None:
            print("FAIL the player ended before it was asked to quit")
            return 1
        start = time.monotonic()
        mpris("org.mpris.MediaPlayer2.Quit")
        try:
            player.wait(timeout=10)
        except subprocess.TimeoutExpired:
            print("FAIL the player still runs 10 s after quitting")
            return 1
        took = time.monotonic() - start
        print("quit took %.2f s (requests: %s)" % (took, requests_seen[:3]))
        if took > 2.0:
            print("FAIL quitting took more than 2 s")
            return 1
        print("ok")
        return 0
    finally:
        if player is not None and player.poll() is None:
            player.kill()
            player.wait()
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
