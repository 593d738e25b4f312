#!/usr/bin/python3
"""Builds assets/fonts/setup.ttf: the spinner font "Setup".

The private-use code points U+E052..U+E0CB (122 glyphs) are the frames of the
busy spinner: an arc that sweeps round while it grows and shrinks, so that
showing the glyphs one after another every 30 ms animates it. The space is an
empty glyph of the same advance, shown between two cycles.

Run with Debian's python3 (python3-fonttools): /usr/bin/python3 scripts/make-spinner-font.py
"""
import math
import sys
from pathlib import Path

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

FIRST, LAST = 0xE052, 0xE0CB
FRAMES = LAST - FIRST + 1
EM = 1000
CX, CY = 500, 300
OUTER, INNER = 400, 310


def arc_glyph(frame):
    t = frame / FRAMES
    start = 90 - t * 720  # two turns per cycle, clockwise
    sweep = 30 + 250 * (0.5 - 0.5 * math.cos(2 * math.pi * t))
    steps = max(6, int(sweep / 4))
    pen = TTGlyphPen(None)
    points = []
    for i in range(steps + 1):
        a = math.radians(start - sweep * i / steps)
        points.append((CX + OUTER * math.cos(a), CY + OUTER * math.sin(a)))
    for i in range(steps, -1, -1):
        a = math.radians(start - sweep * i / steps)
        points.append((CX + INNER * math.cos(a), CY + INNER * math.sin(a)))
    points = [(round(x), round(y)) for x, y in points]
    pen.moveTo(points[0])
    for p in points[1:]:
        pen.lineTo(p)
    pen.closePath()
    return pen.glyph()


def empty_glyph():
    return TTGlyphPen(None).glyph()


def main(out):
    names = [".notdef", "space"] + [f"frame{i:03d}" for i in range(FRAMES)]
    fb = FontBuilder(EM, isTTF=True)
    fb.setupGlyphOrder(names)
    cmap = {0x20: "space"}
    cmap.update({FIRST + i: f"frame{i:03d}" for i in range(FRAMES)})
    fb.setupCharacterMap(cmap)
    glyphs = {".notdef": empty_glyph(), "space": empty_glyph()}
    glyphs.update({f"frame{i:03d}": arc_glyph(i) for i in range(FRAMES)})
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({n: (EM, 0) for n in names})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": "Setup", "styleName": "Regular"})
    fb.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    fb.setupPost()
    fb.save(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else str(Path(__file__).resolve().parent.parent / "assets" / "fonts" / "setup.ttf"))
