#!/usr/bin/env bash
# Writes the seed corpus of lyrics_fuzzer: a four-byte position, then an LRC
# file like the tests' (GBK, UTF-8 with BOM, UTF-16, several tags a line,
# a zero byte, a time inside the words).
set -euo pipefail
out="$(dirname "$0")/corpus/lyrics_fuzzer"
mkdir -p "$out"
seed() {  # NAME POSITION-MS, file bytes on stdin
  /usr/bin/python3 -c 'import struct,sys; sys.stdout.buffer.write(struct.pack("<I", int(sys.argv[1])))' "$2" > "$out/$1"
  cat >> "$out/$1"
}
printf '[ti:晨光]\r\n[00:05.20]第一\r\n[00:05.90]第二\r\n[01:00]整\r\n' | iconv -f UTF-8 -t GBK | seed gbk 5500
printf '\xEF\xBB\xBF[00:01.00]one\r\n[00:02.50]two\r\n' | seed utf8-bom 2600
printf '[00:01.00]one\r\n' | iconv -f UTF-8 -t UTF-16 | seed utf16 1000
printf '[00:10.00][01:20.00]both\r\n[1:00.00]short\r\n' | seed several-tags 80000
printf '[00:01.00]a\r\n\0[00:02.00]b\r\n' | seed zero-byte 2000
printf '[00:10.00]we met at 02:30] sharp\r\n[100:00.00]late\r\n' | seed words 150000
