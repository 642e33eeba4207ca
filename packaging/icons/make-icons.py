#!/usr/bin/env python3
"""Draws the program icon (a serial connector on the logo's slate blue) as hicolor PNGs.

Run once when the drawing changes; the PNGs are kept in the repository:
    packaging/icons/make-icons.py packaging/icons
"""
import struct
import sys
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
BACK = (0x3C, 0x4A, 0x5A)
METAL = (0xE8, 0xEC, 0xF0)
PIN = (0x3C, 0x4A, 0x5A)


def inside_rounded(x, y, r):
    # unit square with corners rounded by r
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def inside_shell(x, y):
    # the connector's trapezoid, wider at the top
    top, bottom = 0.30, 0.70
    if not top <= y <= bottom:
        return False
    t = (y - top) / (bottom - top)
    half = 0.38 - 0.08 * t
    return abs(x - 0.5) <= half


PINS = [(0.5 + (i - 2) * 0.135, 0.42) for i in range(5)] + \
       [(0.5 + (i - 1.5) * 0.135, 0.58) for i in range(4)]


def colour(x, y):
    if not inside_rounded(x, y, 0.18):
        return None
    if inside_shell(x, y):
        for px, py in PINS:
            if (x - px) ** 2 + (y - py) ** 2 <= 0.045 ** 2:
                return PIN
        return METAL
    return BACK


def render(size):
    ss = 4 if size <= 64 else 2
    rows = []
    for j in range(size):
        row = bytearray([0])
        for i in range(size):
            acc = [0, 0, 0]
            covered = 0
            for sj in range(ss):
                for si in range(ss):
                    c = colour((i + (si + 0.5) / ss) / size, (j + (sj + 0.5) / ss) / size)
                    if c:
                        covered += 1
                        for k in range(3):
                            acc[k] += c[k]
            n = ss * ss
            if covered:
                row += bytes(acc[k] // covered for k in range(3))
            else:
                row += b"\0\0\0"
            row.append(255 * covered // n)
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    for s in SIZES:
        with open(f"{folder}/zteditor-{s}.png", "wb") as f:
            f.write(render(s))
