#!/usr/bin/python3
"""Draws the two 20 x 29 backgrounds of the image button (stdlib only).

normal.png: a soft grey-white vertical gradient with a thin frame.
hover.png:  the same in a warm light orange, for hover and press.
Run from this folder; the PNGs are committed, so the build does not need it.
"""
import struct
import zlib

W, H = 20, 29


def png(path, pixel):
    rows = b""
    for y in range(H):
        rows += b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(W))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(rows, 9)))
        f.write(chunk(b"IEND", b""))


def shade(top, bottom, frame):
    def pixel(x, y):
        if x in (0, W - 1) or y in (0, H - 1):
            return frame
        t = y / (H - 1)
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
    return pixel


png("normal.png", shade((250, 250, 250), (205, 208, 214), (150, 155, 165)))
png("hover.png", shade((255, 236, 205), (244, 186, 120), (190, 120, 60)))
