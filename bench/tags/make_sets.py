"""Builds the benchmark file sets from a few ffmpeg-encoded sources.

    /usr/bin/python3 bench/tags/make_sets.py SOURCE_FOLDER SET_FOLDER

SOURCE_FOLDER holds tone3.mp3 (3 s), tone240.mp3 (4 min) and a.flac, a.ogg,
a.m4a, a.wma (tagged by ffmpeg); run.sh makes them. Written here:
small/ 300 three-second MP3s with ID3v2.3 and ID3v1 tags, no picture;
cover/ 50 four-minute MP3s each with a 371 KB front cover;
mixed/ 20 copies each of the FLAC, Ogg, M4A and WMA sources, retagged.
"""
import os
import random
import shutil
import sys

from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TCON, COMM, APIC
from mutagen.flac import FLAC
from mutagen.oggvorbis import OggVorbis
from mutagen.mp4 import MP4
from mutagen.asf import ASF


def tag_mp3(path, n, cover=None):
    tags = ID3()
    tags.add(TIT2(encoding=1, text=f'歌曲 {n}'))
    tags.add(TPE1(encoding=1, text=f'歌手 {n % 17}'))
    tags.add(TALB(encoding=1, text=f'专辑 {n % 5}'))
    tags.add(TRCK(encoding=0, text=str(n % 20 + 1)))
    tags.add(TCON(encoding=0, text='Pop'))
    tags.add(COMM(encoding=1, lang='chi', desc='', text='评论'))
    if cover is not None:
        tags.add(APIC(encoding=0, mime='image/jpeg', type=3, desc='', data=cover))
    tags.save(path, v2_version=3, v1=2)


def main():
    source, target = sys.argv[1], sys.argv[2]
    rng = random.Random(6)
    cover = b'\xff\xd8\xff\xe0' + bytes(rng.getrandbits(8) for _ in range(371 * 1024 - 4))
    for name in ('small', 'cover', 'mixed'):
        os.makedirs(os.path.join(target, name), exist_ok=True)
    for n in range(300):
        path = os.path.join(target, 'small', f'{n:03d}.mp3')
        shutil.copyfile(os.path.join(source, 'tone3.mp3'), path)
        tag_mp3(path, n)
    for n in range(50):
        path = os.path.join(target, 'cover', f'{n:02d}.mp3')
        shutil.copyfile(os.path.join(source, 'tone240.mp3'), path)
        tag_mp3(path, n, cover)
    for n in range(20):
        for ext in ('flac', 'ogg', 'm4a', 'wma'):
            path = os.path.join(target, 'mixed', f'{n:02d}.{ext}')
            shutil.copyfile(os.path.join(source, 'a.' + ext), path)
            title = f'混合 {n}'
            if ext == 'flac':
                f = FLAC(path)
                f['TITLE'] = title
                f['ARTIST'] = '歌手'
                f.save()
            elif ext == 'ogg':
                f = OggVorbis(path)
                f['TITLE'] = title
                f['ARTIST'] = '歌手'
                f.save()
            elif ext == 'm4a':
                f = MP4(path)
                f['\xa9nam'] = title
                f['\xa9ART'] = '歌手'
                f.save()
            else:
                f = ASF(path)
                f['Title'] = title
                f['Author'] = '歌手'
                f.save()


if __name__ == '__main__':
    main()
