#!/usr/bin/python3
"""The Debian package of this build, as a user gets it.

cpack makes the .deb from the built tree (nothing is rebuilt) into a
temporary folder; apt-get resolves its dependencies (simulated); lintian
must report no error and no warning that packaging/README does not explain;
appstreamcli validates the AppStream file. Then the package is unpacked into a throw-away root (dpkg -x), its
layout is checked as make install's is, the AppStream file is checked
against the desktop entry, and the installed programs run from there: the
CLI reads the tags of a tone ffmpeg makes and plays a MIDI file through the
installed plug-in, the player saves a screenshot on Qt's offscreen platform.
Exit 77 (skipped) when a packaging tool is missing."""

import glob
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SOURCE, BUILD, APP_ID = sys.argv[1], sys.argv[2], sys.argv[3]
sys.path.insert(0, os.path.join(SOURCE, "tests", "app"))
sys.path.insert(0, os.path.join(SOURCE, "scripts"))
from install_test import Checks, check_layout, desktop_fields  # noqa: E402
from smf_writer import delta_encode, vlq  # noqa: E402

TOOLS = ["cpack", "lintian", "appstreamcli", "dpkg-deb", "dpkg-shlibdeps", "apt-get", "ffmpeg"]


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, timeout=kw.pop("timeout", 120), **kw)


def midi_file(path):
    """Two seconds of a C major scale, type 0, 480 ticks a beat."""
    events = []
    for i, key in enumerate([60, 62, 64, 65, 67, 69, 71, 72]):
        events += [(120 * i, bytes([0x90, key, 100])), (120 * i + 110, bytes([0x80, key, 0]))]
    track = delta_encode(events) + vlq(10) + bytes([0xFF, 0x2F, 0])
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(track)) + track)


def kept_warnings():
    """The lintian tags packaging/README explains (written as `tag`)."""
    with open(os.path.join(SOURCE, "packaging", "README.md"), encoding="utf-8") as f:
        return set(re.findall(r"`([a-z0-9][a-z0-9-]+)`", f.read()))


def check_package(check, deb):
    fields = {name: run(["dpkg-deb", "-f", deb, name]).stdout.strip()
              for name in ("Package", "Version", "Architecture", "Depends", "Recommends")}
    arch = run(["dpkg", "--print-architecture"]).stdout.strip()
    check(fields["Package"] == "youranmusic" and fields["Architecture"] == arch,
          "package youranmusic for %s (%s %s)" % (arch, fields["Package"], fields["Architecture"]))
    # The dependencies come from the programs' own libraries.
    for lib in ("libqt6widgets6", "libavcodec", "libsdl2", "libpulse0", "libfluidsynth", "libcurl4"):
        check(lib in fields["Depends"], "Depends names %s (dpkg-shlibdeps)" % lib)
    check("timgm6mb-soundfont" in fields["Recommends"], "the SoundFont is recommended: " + fields["Recommends"])

    # What `sudo apt install ./youranmusic_*.deb` would do, simulated: every
    # dependency is there to be had.
    apt = run(["apt-get", "-s", "install", deb])
    check(apt.returncode == 0 and "Inst youranmusic" in apt.stdout,
          "apt-get -s install resolves its dependencies %s" % apt.stderr.strip()[-300:])

    lint = run(["lintian", "--tag-display-limit", "0", deb], timeout=180)
    lines = [l for l in lint.stdout.splitlines() if re.match(r"^[EW]: ", l)]
    errors = [l for l in lines if l.startswith("E: ")]
    check(not errors, "lintian reports no error" + ("".join("\n     " + e for e in errors)))
    explained = kept_warnings()
    for line in lines:
        if line.startswith("W: "):
            tag = line.split()[2]
            check(tag in explained, "lintian warning explained in packaging/README: " + line)


def check_appstream(check, usr):
    metainfo = os.path.join(usr, "share", "metainfo", APP_ID + ".metainfo.xml")
    v = run(["appstreamcli", "validate", "--no-net", metainfo])
    check(v.returncode == 0, "appstreamcli validate --no-net: " + v.stdout.strip().splitlines()[-1])
    tree = run(["appstreamcli", "validate-tree", "--no-net", os.path.dirname(os.path.dirname(usr))])
    check(tree.returncode == 0, "appstreamcli validate-tree on the unpacked root")

    root = ET.parse(metainfo).getroot()
    lang = "{http://www.w3.org/XML/1998/namespace}lang"
    check(root.findtext("id") == APP_ID, "the AppStream id is " + APP_ID)
    check(root.findtext("launchable[@type='desktop-id']") == APP_ID + ".desktop",
          "it launches the desktop entry of the same name")
    for element in ("name", "summary"):
        langs = {e.get(lang) for e in root.findall(element)}
        check(None in langs and "zh_CN" in langs, "%s in English and Chinese" % element)
    check(root.find("content_rating[@type='oars-1.1']") is not None, "an OARS 1.1 content rating")
    check(root.find("releases/release[@version='6.0']") is not None, "the 6.0 release")
    binaries = {e.text for e in root.findall("provides/binary")}
    check(binaries == {"youranmusic", "youranmusic-cli"} and
          all(os.access(os.path.join(usr, "bin", b), os.X_OK) for b in binaries),
          "the binaries it provides are installed: %s" % sorted(binaries))
    # What a software centre offers to open must be what the entry opens.
    mediatypes = {e.text for e in root.findall("provides/mediatype")}
    entry = desktop_fields(os.path.join(usr, "share", "applications", APP_ID + ".desktop"))
    entry_types = set(filter(None, entry.get("MimeType", "").split(";")))
    check(mediatypes == entry_types, "the AppStream media types are the entry's MimeType (%s)"
          % sorted(mediatypes ^ entry_types))


def check_programs(check, usr, work):
    for program in ("bin/youranmusic", "bin/youranmusic-cli", "lib/youranmusic/Plugins/cod_midi.so"):
        missing = [l for l in run(["ldd", os.path.join(usr, program)]).stdout.splitlines() if "not found" in l]
        check(not missing, "%s finds all its libraries without LD_LIBRARY_PATH %s" % (program, missing))

    env = dict(os.environ, YOURAN_AUDIO_DEVICE="none", QT_QPA_PLATFORM="offscreen",
               HOME=os.path.join(work, "home"), XDG_DATA_HOME=os.path.join(work, "home", "data"),
               XDG_CONFIG_HOME=os.path.join(work, "home", "config"),
               YOURAN_LOCK_FILE=os.path.join(work, "youranmusic.lock"))
    for key in ("YOURAN_MUSIC_HOME", "DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(key, None)
    os.makedirs(os.path.join(work, "home", "data"))
    cli = os.path.join(usr, "bin", "youranmusic-cli")

    tone = os.path.join(work, "tone.flac")
    run(["ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=2",
         "-metadata", "artist=林小雨", "-metadata", "title=晨光", tone], check=True)
    tags = run([cli, "tags", tone], env=env)
    row = json.loads(tags.stdout.splitlines()[0]) if tags.returncode == 0 and tags.stdout.strip() else {}
    check(row.get("artist") == "林小雨" and row.get("title") == "晨光",
          "the installed youranmusic-cli reads the tone's tags (%s)" % tags.stdout.strip()[:200])

    # A MIDI file plays only through the plug-in, found beside the installed
    # programs (prefix/lib/youranmusic/Plugins), with the SoundFont.
    song = os.path.join(work, "scale.mid")
    midi_file(song)
    wav = os.path.join(work, "scale.wav")
    played = run([cli, "play", song, "--output", "wav:" + wav, "--quiet"], env=env)
    check(played.returncode == 0 and os.path.getsize(wav) > 44100 * 4 if os.path.exists(wav) else False,
          "the installed CLI plays a MIDI file through the installed plug-in (%s)" % played.stderr.strip()[-200:])

    shot = os.path.join(work, "player.png")
    player = run([os.path.join(usr, "bin", "youranmusic"), "--data-dir", os.path.join(work, "data"),
                  "--screenshot", shot], env=env, timeout=90)
    size = ()
    if os.path.exists(shot):
        with open(shot, "rb") as f:
            head = f.read(24)
        if head[:8] == b"\x89PNG\r\n\x1a\n":
            size = (int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big"))
    check(player.returncode == 0 and size and size[0] >= 900 and size[1] >= 500,
          "the installed player saves its main window with --screenshot (exit %s, %s)"
          % (player.returncode, size or player.stderr.strip()[-300:]))


def main():
    missing = [t for t in TOOLS if shutil.which(t) is None]
    if missing:
        print("skipped: missing " + " ".join(missing))
        return 77
    check = Checks()
    work = tempfile.mkdtemp(prefix="youran-package-")
    try:
        out = os.path.join(work, "out")
        made = run(["cpack", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out], cwd=work,
                   timeout=180)
        debs = glob.glob(os.path.join(out, "youranmusic_*.deb"))
        if not check(made.returncode == 0 and len(debs) == 1, "cpack makes one youranmusic_*.deb"):
            print((made.stdout + made.stderr).strip()[-2000:])
            return 1
        deb = debs[0]
        print("package: " + os.path.basename(deb), flush=True)
        check_package(check, deb)

        root = os.path.join(work, "root")
        run(["dpkg-deb", "-x", deb, root], check=True)
        usr = os.path.join(root, "usr")
        check_layout(usr, APP_ID, check)
        for doc in ("README.md", "copyright", "changelog.gz"):
            check(os.path.isfile(os.path.join(usr, "share", "doc", "youranmusic", doc)), "share/doc/youranmusic/" + doc)
        check_appstream(check, usr)
        check_programs(check, usr, work)
        return 1 if check.failures else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
