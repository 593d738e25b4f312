#!/usr/bin/python3
"""Audio files carrying lyrics in each container's own way, for the embedded
lyrics tests: make_embedded_fixtures.py FOLDER. ffmpeg makes half a second of
silence in each format; mutagen writes the tags."""
import os
import subprocess
import sys

from mutagen.apev2 import APEv2
from mutagen.flac import FLAC
from mutagen.id3 import ID3, SYLT, USLT
from mutagen.mp4 import MP4
from mutagen.oggopus import OggOpus
from mutagen.oggvorbis import OggVorbis

SYNCED = "[00:01.00]第一句\n[00:02.50]第二句\n"
PLAIN = "没有时间的歌词\n第二行"

folder = sys.argv[1]


def silence(name, *codec):
    path = os.path.join(folder, name)
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "anullsrc=r=48000:cl=mono", "-t", "0.5",
                    *codec, path], check=True)
    return path


p = silence("uslt.mp3", "-c:a", "libmp3lame")
tag = ID3()
tag.add(USLT(encoding=3, lang="chi", desc="", text=SYNCED))
tag.save(p)

p = silence("sylt.mp3", "-c:a", "libmp3lame")
tag = ID3()
tag.add(USLT(encoding=3, lang="chi", desc="", text=PLAIN))  # the timed frame wins over it
tag.add(SYLT(encoding=1, lang="chi", format=2, type=1, desc="",
             text=[("第一句", 1000), ("第二句", 2500)]))
tag.save(p)

p = silence("lyrics.flac", "-c:a", "flac")
f = FLAC(p)
f["LYRICS"] = SYNCED
f.save()

p = silence("unsynced.ogg", "-c:a", "libvorbis")
f = OggVorbis(p)
f["UNSYNCEDLYRICS"] = PLAIN
f.save()

p = silence("lyrics.opus", "-c:a", "libopus")
f = OggOpus(p)
f["LYRICS"] = SYNCED
f.save()

p = silence("lyrics.m4a", "-c:a", "aac")
f = MP4(p)
f["\xa9lyr"] = SYNCED
f.save()

p = silence("ape.mp3", "-c:a", "libmp3lame", "-write_id3v2", "0")
tag = APEv2()
tag["Lyrics"] = SYNCED
tag.save(p)
