#!/usr/bin/python3
"""Draws the two 20 x 29 backgrounds of the image button (stdlib only).

normal.png: a soft grey-white vertical gradient with a thin frame.
hover.png:  the same in a warm light orange, for hover and press.
Each also at twice the size (name@2x.png) for screens at scale 2.
Run from this folder; the PNGs are committed, so the build does not need it.
"""
import struct
import zlib

W, H = 20, 29


def png(path, pixel, W=W, H=H):
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


def shade(top, bottom, frame, scale=1):
    w, h = W * scale, H * scale

    def pixel(x, y):
        # The frame keeps its width on screen: as many pixels as the scale.
        if x < scale or x >= w - scale or y < scale or y >= h - scale:
            return frame
        t = min(1.0, y / scale / (H - 1))
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
    return pixel


for scale, suffix in ((1, ""), (2, "@2x")):
    png("normal%s.png" % suffix, shade((250, 250, 250), (205, 208, 214), (150, 155, 165), scale),
        W * scale, H * scale)
    png("hover%s.png" % suffix, shade((255, 236, 205), (244, 186, 120), (190, 120, 60), scale),
        W * scale, H * scale)
