#!/usr/bin/python3
"""Draws Mirlo's icon (a microphone on a rounded blue tile), stdlib only.

Writes mirlo.png (128 x 128, RGBA). Run from this folder; the PNG is committed.
"""
import math
import struct
import zlib

N = 128
SS = 4  # supersampling per axis


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def sample(x, y):
    """Colour (r, g, b, a) at a point in 0..128 coordinates."""
    if not rounded_rect(x, y, 4, 4, 124, 124, 24):
        return (0, 0, 0, 0)
    # capsule of the microphone
    if rounded_rect(x, y, 48, 18, 80, 76, 16):
        shade = 250 if (x - 58) ** 2 + (y - 34) ** 2 < 40 else 232
        return (shade, shade, shade + 5 if shade < 250 else 255, 255)
    # the cradle: a U arc below the capsule
    d = math.hypot(x - 64, y - 60)
    if y >= 60 and 25 <= d <= 31:
        return (235, 238, 245, 255)
    if 40 <= y < 60 and (33 <= x <= 39 or 89 <= x <= 95):
        return (235, 238, 245, 255)
    # stem and foot
    if 61 <= x <= 67 and 90 <= y <= 104:
        return (235, 238, 245, 255)
    if rounded_rect(x, y, 44, 102, 84, 109, 3):
        return (235, 238, 245, 255)
    t = (x + y) / 256
    return (round(30 + 30 * t), round(70 + 50 * t), round(150 + 60 * t), 255)


def render():
    rows = bytearray()
    for py in range(N):
        rows.append(0)
        for px in range(N):
            acc = [0, 0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    c = sample(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
                    a = c[3]
                    for i in range(3):
                        acc[i] += c[i] * a
                    acc[3] += a
            a = acc[3]
            if a:
                rows += bytes(round(acc[i] / a) for i in range(3))
            else:
                rows += b"\0\0\0"
            rows.append(round(a / (SS * SS)))
    return bytes(rows)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


with open("mirlo.png", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n")
    f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", N, N, 8, 6, 0, 0, 0)))
    f.write(chunk(b"IDAT", zlib.compress(render(), 9)))
    f.write(chunk(b"IEND", b""))
