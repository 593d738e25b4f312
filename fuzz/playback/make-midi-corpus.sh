#!/usr/bin/env bash
# Seeds for playback_midi_fuzzer: small MIDI files of each kind the reader
# knows (type 0, type 1 with tempo changes, running status, SMPTE time,
# system exclusive, a RIFF RMID wrapper) and broken ones (a cut track, a
# wrong chunk length). The target reads its first byte as what to do with
# the rest (even: open and measure, odd: also render and seek), so every
# file is kept once for each.
set -euo pipefail
cd "$(dirname "$0")"
out=corpus/playback_midi_fuzzer
mkdir -p "$out"
rm -f "$out"/*
PYTHONPATH=../../scripts /usr/bin/python3 - "$out" <<'PY'
import struct, sys, os
from smf_writer import delta_encode as track
out = sys.argv[1]
def chunk(cid, data, length=None):
    return cid + struct.pack(">I", len(data) if length is None else length) + data
def smf(fmt, division, tracks):
    return chunk(b"MThd", struct.pack(">HHH", fmt, len(tracks), division)) + b"".join(chunk(b"MTrk", t) for t in tracks)
eot = bytes([0xff, 0x2f, 0])
notes = [(0, bytes([0xc0, 0]))]
for i in range(4):
    notes += [(240 * i, bytes([0x90, 60 + i, 100])), (240 * i + 200, bytes([0x80, 60 + i, 0]))]
tempo = track([(0, bytes([0xff, 0x51, 3, 0x07, 0xa1, 0x20])), (480, bytes([0xff, 0x51, 3, 0x0f, 0x42, 0x40])), (960, eot)])
seeds = {
    "type0.mid": smf(0, 480, [track(notes + [(960, eot)])]),
    "type1-tempo.mid": smf(1, 480, [tempo, track(notes + [(960, eot)])]),
    "running.mid": smf(0, 96, [track(notes + [(960, eot)], running=True)]),
    "smpte.mid": smf(0, 0xe728, [track(notes + [(960, eot)])]),
    "sysex.mid": smf(0, 480, [track([(0, bytes([0xf0, 5, 0x7e, 0x7f, 9, 1, 0xf7])),
                                     (0, bytes([0xb0, 7, 100, 0xe0, 0, 0x50, 0xd0, 40]))] + notes + [(960, eot)])]),
    "held.mid": smf(0, 480, [track([(0, bytes([0x90, 60, 100])), (1440, eot)])]),
}
seeds["rmid.rmi"] = b"RIFF" + struct.pack("<I", len(seeds["type0.mid"]) + 12) + b"RMIDdata" + \
    struct.pack("<I", len(seeds["type0.mid"])) + seeds["type0.mid"]
seeds["cut.mid"] = seeds["type1-tempo.mid"][:-7]
t0 = track(notes + [(960, eot)])
seeds["wrong-length.mid"] = chunk(b"MThd", struct.pack(">HHH", 1, 2, 480)) + chunk(b"MTrk", t0, len(t0) - 5) + chunk(b"MTrk", t0)
for name, data in seeds.items():
    for flag, kind in ((0, "measure"), (1, "render")):
        with open(os.path.join(out, "%s-%s" % (kind, name)), "wb") as f:
            f.write(bytes([flag]) + data)
PY
ls -la "$out"
