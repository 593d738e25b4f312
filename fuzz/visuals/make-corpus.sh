#!/usr/bin/env bash
# Writes the seed corpus of cover_decode_fuzzer: small covers in the formats
# a cover arrives in, one larger JPEG that is decoded scaled, one PNG whose
# header claims 30000 x 30000 pixels, and a cut-off JPEG.
set -euo pipefail
out="$(dirname "$0")/corpus/cover_decode_fuzzer"
mkdir -p "$out"
ff() { ffmpeg -nostdin -v error -y "$@"; }
ff -f lavfi -i "testsrc=s=32x32" -frames:v 1 "$out/small.png"
ff -f lavfi -i "testsrc=s=32x24" -frames:v 1 -q:v 5 "$out/small.jpg"
ff -f lavfi -i "testsrc=s=16x16" -frames:v 1 "$out/small.bmp"
ff -f lavfi -i "testsrc=s=16x16" -frames:v 1 "$out/small.gif"
ff -f lavfi -i "testsrc=s=640x640" -frames:v 1 -q:v 8 "$out/large.jpg"
head -c 600 "$out/large.jpg" > "$out/cut.jpg"
/usr/bin/python3 - "$out/claims-huge.png" <<'PY'
import struct, sys, zlib
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 30000, 30000, 8, 6, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"\0" * 64)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY
