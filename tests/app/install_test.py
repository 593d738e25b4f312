#!/usr/bin/python3
"""make install DESTDIR=... lays out the player where a Linux desktop finds
it: the two programs, the decoder plug-ins, the desktop entry (valid, with
the audio types the player opens) and the icons of the hicolor theme."""

import os
import shutil
import subprocess
import sys
import tempfile

SOURCE, BUILD = sys.argv[1], sys.argv[2]


def main():
    failures = []

    def check(ok, what):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            failures.append(what)

    stage = tempfile.mkdtemp()
    try:
        env = dict(os.environ, DESTDIR=stage)
        result = subprocess.run(["cmake", "--install", BUILD, "--prefix", "/usr"], env=env,
                                capture_output=True, text=True)
        check(result.returncode == 0, "cmake --install with DESTDIR: " + result.stderr.strip())
        root = os.path.join(stage, "usr")
        expected = [
            "bin/youranmusic",
            "bin/youranmusic-cli",
            "share/applications/youranmusic.desktop",
            "share/icons/hicolor/48x48/apps/youranmusic.png",
            "share/icons/hicolor/128x128/apps/youranmusic.png",
            "share/icons/hicolor/scalable/apps/youranmusic.svg",
        ]
        for path in expected:
            check(os.path.isfile(os.path.join(root, path)), path)
        plugins = os.path.join(root, "lib", "youranmusic", "Plugins")
        check(os.path.isdir(plugins) and any(n.startswith("cod_") for n in os.listdir(plugins)),
              "lib/youranmusic/Plugins holds the decoder plug-ins")
        for program in ("bin/youranmusic", "bin/youranmusic-cli"):
            check(os.access(os.path.join(root, program), os.X_OK), program + " is executable")

        entry = os.path.join(root, "share/applications/youranmusic.desktop")
        if shutil.which("desktop-file-validate"):
            v = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
            check(v.returncode == 0 and not v.stdout.strip(), "desktop-file-validate: " + v.stdout.strip())
        text = open(entry, encoding="utf-8").read()
        fields = dict(line.split("=", 1) for line in text.splitlines() if "=" in line and not line.startswith("#"))
        check(fields.get("Name") == "悠然音乐 6", "Name")
        check(fields.get("Exec") == "youranmusic %F", "Exec")
        check(fields.get("Categories") == "AudioVideo;Audio;Player;", "Categories")
        types = set(filter(None, fields.get("MimeType", "").split(";")))
        for t in ("audio/mpeg", "audio/x-ms-wma", "audio/x-ape", "audio/ogg", "audio/flac", "audio/x-wav",
                  "audio/mp4", "audio/x-m4a", "audio/midi", "audio/x-musepack", "audio/x-tta", "audio/x-aiff",
                  "audio/basic"):
            check(t in types, "MimeType has " + t)
        with open(os.path.join(root, "share/icons/hicolor/128x128/apps/youranmusic.png"), "rb") as f:
            head = f.read(24)
        check(head[:8] == b"\x89PNG\r\n\x1a\n" and int.from_bytes(head[16:20], "big") == 128,
              "the 128 px icon is a 128 px PNG")
        return 1 if failures else 0
    finally:
        shutil.rmtree(stage, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
