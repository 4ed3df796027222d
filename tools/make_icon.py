#!/usr/bin/env python3
"""Draws the application icon: a treemap-like pattern of tiles in the palette's
colours, written as one .ico holding 16, 32 and 48 px (32-bit DIBs with an AND
mask) and 256 px (PNG). Usage: make_icon.py OUT.ico [--png-dir DIR]"""

import struct
import sys
import zlib

# Colours of the treemap palette (R, G, B) that the tiles use.
BLUE = (86, 156, 214)
TEAL = (78, 201, 176)
GOLD = (220, 180, 90)
RED = (220, 120, 120)
PURPLE = (180, 142, 214)
GREEN = (140, 190, 120)

# Tiles in unit coordinates (left, top, right, bottom), laid out the way a
# squarified treemap splits a square: one large item, then smaller ones.
TILES = [
    ((0.00, 0.00, 0.58, 0.64), BLUE),
    ((0.00, 0.64, 0.58, 1.00), GOLD),
    ((0.58, 0.00, 1.00, 0.42), TEAL),
    ((0.58, 0.42, 1.00, 0.72), RED),
    ((0.58, 0.72, 0.80, 1.00), PURPLE),
    ((0.80, 0.72, 1.00, 1.00), GREEN),
]


def draw(size):
    """RGBA rows, top to bottom."""
    margin = max(1, round(size / 16))
    gap = max(1, round(size / 28))
    inner = size - 2 * margin
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    # White behind the tiles shows through the gaps as grid lines.
    for y in range(margin, size - margin):
        for x in range(margin, size - margin):
            pixels[y][x] = (255, 255, 255, 255)
    for (l, t, r, b), (cr, cg, cb) in TILES:
        x0 = margin + round(l * inner) + (gap if l > 0 else 0)
        y0 = margin + round(t * inner) + (gap if t > 0 else 0)
        x1 = margin + round(r * inner)
        y1 = margin + round(b * inner)
        height = max(1, y1 - y0)
        for y in range(y0, y1):
            # A gentle cushion: lighter at the top of each tile.
            shade = 1.12 - 0.22 * (y - y0) / height
            row = pixels[y]
            for x in range(x0, x1):
                row[x] = (min(255, int(cr * shade)), min(255, int(cg * shade)), min(255, int(cb * shade)), 255)
    # Outline of the whole square in a dark grey.
    edge = (70, 70, 70, 255)
    for i in range(margin, size - margin):
        pixels[margin][i] = pixels[size - margin - 1][i] = edge
        pixels[i][margin] = pixels[i][size - margin - 1] = edge
    return pixels


def png(pixels):
    size = len(pixels)
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def dib(pixels):
    size = len(pixels)
    # BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    png_dir = sys.argv[sys.argv.index("--png-dir") + 1] if "--png-dir" in sys.argv else None
    images = []
    for size in (16, 32, 48, 256):
        pixels = draw(size)
        images.append((size, png(pixels) if size == 256 else dib(pixels)))
        if png_dir:
            with open(f"{png_dir}/icon{size}.png", "wb") as f:
                f.write(png(pixels))
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        dim = 0 if size == 256 else size
        data += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    data += b"".join(blob for _, blob in images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
