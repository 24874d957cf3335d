#!/usr/bin/env python3
"""Draws the program icon: a gold coin with a rim, a raised inner face and the letter N. The
same shapes give the scalable SVG and, rasterised here with 4x4 supersampling, the PNG sizes of
the hicolor theme. Run it again after changing the shapes; its output is kept in the tree."""

import os
import struct
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
HERE = os.path.dirname(os.path.abspath(__file__))

# Coordinates on a 256-unit square.
CENTRE = 128.0
OUTER, RIM, FACE = 120.0, 108.0, 100.0
OUTLINE = (122, 82, 10)
RIM_LIGHT, RIM_DARK = (250, 214, 96), (178, 124, 18)
FACE_LIGHT, FACE_DARK = (255, 238, 150), (214, 160, 34)
INK = (110, 70, 4)
# The letter N as three quadrilaterals (left bar, diagonal, right bar).
LETTER = [
    [(78, 72), (102, 72), (102, 184), (78, 184)],
    [(78, 72), (104, 72), (178, 184), (152, 184)],
    [(154, 72), (178, 72), (178, 184), (154, 184)],
]


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def gradient(x, y, light, dark):
    """Linear from the top-left (light) to the bottom-right (dark) of the coin."""
    return mix(light, dark, ((x - 8) + (y - 8)) / 480.0)


def inside(poly, x, y):
    hit = False
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def colour_at(x, y):
    """(r, g, b, a) of the icon at a point, a in 0..1."""
    d = ((x - CENTRE) ** 2 + (y - CENTRE) ** 2) ** 0.5
    if d > OUTER:
        return (0, 0, 0, 0.0)
    if d > OUTER - 4:
        return OUTLINE + (1.0,)
    if d > RIM:
        return gradient(x, y, RIM_LIGHT, RIM_DARK) + (1.0,)
    if d > FACE:
        # The step down from the rim to the face, lit from the top-left.
        return gradient(x, y, RIM_DARK, RIM_LIGHT) + (1.0,)
    if any(inside(p, x, y) for p in LETTER):
        return INK + (1.0,)
    return gradient(x, y, FACE_LIGHT, FACE_DARK) + (1.0,)


def render(size):
    rows = []
    n = 4
    scale = 256.0 / size
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(n):
                for sx in range(n):
                    cr, cg, cb, ca = colour_at((px + (sx + 0.5) / n) * scale, (py + (sy + 0.5) / n) * scale)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a > 0:
                row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / (n * n))))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return png(size, size, b"".join(rows))


def png(width, height, raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def hexcolour(c):
    return "#%02x%02x%02x" % tuple(int(v) for v in c)


def svg():
    def grad(name, light, dark):
        return ('<linearGradient id="%s" gradientUnits="userSpaceOnUse" x1="8" y1="8" x2="248" y2="248">'
                '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
                % (name, hexcolour(light), hexcolour(dark)))
    letter = "".join('<polygon points="%s" fill="%s"/>' % (" ".join("%g,%g" % p for p in poly), hexcolour(INK))
                     for poly in LETTER)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
            '<title>Nummora</title>\n<defs>%s%s%s</defs>\n'
            '<circle cx="128" cy="128" r="%g" fill="%s"/>\n'
            '<circle cx="128" cy="128" r="%g" fill="url(#rim)"/>\n'
            '<circle cx="128" cy="128" r="%g" fill="url(#step)"/>\n'
            '<circle cx="128" cy="128" r="%g" fill="url(#face)"/>\n%s\n</svg>\n'
            % (grad("rim", RIM_LIGHT, RIM_DARK), grad("step", RIM_DARK, RIM_LIGHT),
               grad("face", FACE_LIGHT, FACE_DARK), OUTER, hexcolour(OUTLINE), OUTER - 4, RIM, FACE, letter))


def main():
    with open(os.path.join(HERE, "nummora.svg"), "w") as f:
        f.write(svg())
    for size in SIZES:
        with open(os.path.join(HERE, "nummora-%d.png" % size), "wb") as f:
            f.write(render(size))


if __name__ == "__main__":
    main()
