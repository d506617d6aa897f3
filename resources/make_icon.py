#!/usr/bin/python3
"""Draws Mirlo's icon (a microphone on a rounded blue tile), stdlib only.

    make_icon.py                 mirlo.png, 128 x 128 RGBA (committed; run from this folder)
    make_icon.py SIZE OUT.png    the same drawing at SIZE x SIZE (the package's icon sizes)
    make_icon.py --svg OUT.svg   the same shapes as a scalable picture
"""
import math
import struct
import sys
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


def render(n=N):
    scale = N / n
    rows = bytearray()
    for py in range(n):
        rows.append(0)
        for px in range(n):
            acc = [0, 0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    c = sample((px + (sx + 0.5) / SS) * scale, (py + (sy + 0.5) / SS) * scale)
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


SVG = """<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">
  <defs>
    <linearGradient id="tile" x1="0" y1="0" x2="128" y2="128" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="rgb(30,70,150)"/>
      <stop offset="1" stop-color="rgb(60,120,210)"/>
    </linearGradient>
  </defs>
  <rect x="4" y="4" width="120" height="120" rx="24" fill="url(#tile)"/>
  <g fill="rgb(235,238,245)">
    <path d="M 36 60 A 28 28 0 0 0 92 60" fill="none" stroke="rgb(235,238,245)" stroke-width="6"/>
    <rect x="33" y="40" width="6" height="20"/>
    <rect x="89" y="40" width="6" height="20"/>
    <rect x="61" y="88" width="6" height="16"/>
    <rect x="44" y="102" width="40" height="7" rx="3"/>
  </g>
  <rect x="48" y="18" width="32" height="58" rx="16" fill="rgb(232,232,237)"/>
  <circle cx="58" cy="34" r="6.3" fill="rgb(250,250,255)"/>
</svg>
"""


def write_png(path, n):
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(render(n), 9)))
        f.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--svg":
        with open(sys.argv[2], "w", encoding="ascii") as f:
            f.write(SVG)
    elif len(sys.argv) == 3:
        write_png(sys.argv[2], int(sys.argv[1]))
    else:
        write_png("mirlo.png", N)
