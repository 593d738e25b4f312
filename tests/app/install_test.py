#!/usr/bin/python3
"""make install DESTDIR=... lays out the player where a Linux desktop finds
it: the two programs, the decoder plug-ins, the desktop entry (valid, with
the audio types the player opens), the icons of the hicolor theme, the
AppStream file and the manual pages. check_layout also serves the Debian
package's test."""

import os
import shutil
import subprocess
import sys
import tempfile


class Checks:
    """ok/FAIL lines; failures collects what failed."""

    def __init__(self):
        self.failures = []

    def __call__(self, ok, what):
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        if not ok:
            self.failures.append(what)
        return ok


def desktop_fields(path):
    text = open(path, encoding="utf-8").read()
    return dict(line.split("=", 1) for line in text.splitlines() if "=" in line and not line.startswith("#"))


def check_layout(usr, app_id, check):
    """The installed tree below usr (the prefix) holds what the desktop and
    the player look for."""
    expected = [
        "bin/youranmusic",
        "bin/youranmusic-cli",
        "share/applications/%s.desktop" % app_id,
        "share/metainfo/%s.metainfo.xml" % app_id,
        "share/icons/hicolor/48x48/apps/youranmusic.png",
        "share/icons/hicolor/128x128/apps/youranmusic.png",
        "share/icons/hicolor/scalable/apps/youranmusic.svg",
        "share/man/man1/youranmusic.1.gz",
        "share/man/man1/youranmusic-cli.1.gz",
    ]
    for path in expected:
        check(os.path.isfile(os.path.join(usr, path)), path)
    plugins = os.path.join(usr, "lib", "youranmusic", "Plugins")
    check(os.path.isdir(plugins) and any(n.startswith("cod_") for n in os.listdir(plugins)),
          "lib/youranmusic/Plugins holds the decoder plug-ins")
    for program in ("bin/youranmusic", "bin/youranmusic-cli"):
        check(os.access(os.path.join(usr, program), os.X_OK), program + " is executable")

    entry = os.path.join(usr, "share/applications/%s.desktop" % app_id)
    if not os.path.isfile(entry):
        return
    if shutil.which("desktop-file-validate"):
        v = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        check(v.returncode == 0 and not v.stdout.strip(), "desktop-file-validate: " + v.stdout.strip())
    fields = desktop_fields(entry)
    check(fields.get("Name") == "悠然音乐 6", "Name")
    check(fields.get("Exec") == "youranmusic %F", "Exec")
    check(fields.get("Categories") == "AudioVideo;Audio;Player;", "Categories")
    # Desktops match the player's windows (WM_CLASS) to the entry by this.
    check(fields.get("StartupWMClass") == "youranmusic", "StartupWMClass")
    icon = fields.get("Icon", "")
    check(os.path.isfile(os.path.join(usr, "share/icons/hicolor/scalable/apps", icon + ".svg")),
          "the entry's Icon=%s is in the hicolor theme" % icon)
    types = set(filter(None, fields.get("MimeType", "").split(";")))
    for t in ("audio/mpeg", "audio/x-ms-wma", "audio/x-ape", "audio/ogg", "audio/flac", "audio/x-wav",
              "audio/mp4", "audio/x-m4a", "audio/midi", "audio/x-musepack", "audio/x-tta", "audio/x-aiff",
              "audio/basic"):
        check(t in types, "MimeType has " + t)
    with open(os.path.join(usr, "share/icons/hicolor/128x128/apps/youranmusic.png"), "rb") as f:
        head = f.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n" and int.from_bytes(head[16:20], "big") == 128,
          "the 128 px icon is a 128 px PNG")


def main():
    build, app_id = sys.argv[2], sys.argv[3]
    check = Checks()
    stage = tempfile.mkdtemp()
    try:
        env = dict(os.environ, DESTDIR=stage)
        result = subprocess.run(["cmake", "--install", build, "--prefix", "/usr"], env=env,
                                capture_output=True, text=True)
        check(result.returncode == 0, "cmake --install with DESTDIR: " + result.stderr.strip())
        check_layout(os.path.join(stage, "usr"), app_id, check)
        return 1 if check.failures else 0
    finally:
        shutil.rmtree(stage, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
