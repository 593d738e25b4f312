"""mutagen on the same sets: files per second and bytes read per file.

    /usr/bin/python3 bench/tags/mutagen_bench.py SET_FOLDER

Bytes read are the process's read() bytes (/proc/self/io rchar) over a pass.
Each set is read once to warm the cache, then timed over whole passes for at
least two seconds.
"""
import os
import sys
import time

import mutagen


def rchar():
    with open('/proc/self/io') as io:
        for line in io:
            if line.startswith('rchar:'):
                return int(line.split()[1])
    return 0


def one_pass(files):
    titled = 0
    for path in files:
        f = mutagen.File(path)
        if f is not None and f.tags is not None:
            titled += 1
    return titled


def main():
    root = sys.argv[1]
    for name in ('small', 'cover', 'mixed'):
        folder = os.path.join(root, name)
        files = sorted(os.path.join(folder, f) for f in os.listdir(folder))
        one_pass(files)
        start_bytes = rchar()
        one_pass(files)
        per_file = (rchar() - start_bytes) / len(files)
        passes = 0
        start = time.perf_counter()
        while True:
            one_pass(files)
            passes += 1
            elapsed = time.perf_counter() - start
            if elapsed >= 2.0:
                break
        print(f'mutagen/{name}: files_per_s={passes * len(files) / elapsed:.0f} '
              f'bytes_per_file={per_file:.0f}')


if __name__ == '__main__':
    main()
