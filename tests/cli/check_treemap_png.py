#!/usr/bin/env python3
"""Checks a picture written by tarnwick-scan --treemap against the scan's JSON.

The PNG is decoded here with nothing but zlib (chunks, CRCs, the five row
filters), independently of the program's writer. Checks:
  --size WxH            the picture has that size
  --json FILE           outside the legend strip, the share of pixels in each
                        of the first three palette colours is within
                        --tolerance (percentage points) of the share of the
                        bytes of the extensions drawn in that colour
  --min-coloured F      at least that share of the pixels outside the legend
                        strip shows some palette colour (not grey)
Prints what it measured; exits 1 on a failed check, 2 on a broken file.
"""
import argparse
import json
import struct
import sys
import zlib
from collections import Counter

# The window's palette as COLORREF values (0x00BBGGRR), in the order handed out.
PALETTE = [0xD69C56, 0xB0C94E, 0x7891CE, 0xD68EB4, 0x5AB4DC, 0x78BE8C,
           0x7878DC, 0xDCB478, 0x64A0C8, 0xC8A0A0, 0xA0C864, 0xA08CC8]
LEGEND_HEIGHT, LEGEND_MIN_PICTURE_HEIGHT = 24, 128


def fail(message, status=1):
    print("FAIL: " + message)
    sys.exit(status)


def decode_png(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("no PNG signature", 2)
    pos, header, idat, ended = 8, None, bytearray(), False
    while pos < len(data):
        if pos + 8 > len(data):
            fail("truncated chunk header", 2)
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc_bytes = data[pos + 8 + length:pos + 12 + length]
        if len(body) != length or len(crc_bytes) != 4:
            fail("truncated chunk " + repr(kind), 2)
        if struct.unpack(">I", crc_bytes)[0] != zlib.crc32(kind + body) & 0xFFFFFFFF:
            fail("bad CRC in chunk " + repr(kind), 2)
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            ended = True
            break
        pos += 12 + length
    if header is None or not ended:
        fail("no IHDR or IEND", 2)
    width, height, depth, colour_type, compression, filtering, interlace = header
    if (depth, colour_type, compression, filtering, interlace) != (8, 2, 0, 0, 0):
        fail("not 8-bit RGB without interlace: %r" % (header,), 2)
    raw = zlib.decompress(bytes(idat))
    stride = width * 3
    if len(raw) != height * (stride + 1):
        fail("%d bytes of rows, expected %d" % (len(raw), height * (stride + 1)), 2)
    pixels = bytearray(height * stride)
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind == 1:
            for i in range(3, stride):
                line[i] = (line[i] + line[i - 3]) & 0xFF
        elif kind == 2:
            line = bytearray((a + b) & 0xFF for a, b in zip(line, previous))
        elif kind == 3:
            for i in range(stride):
                left = line[i - 3] if i >= 3 else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                a = line[i - 3] if i >= 3 else 0
                b = previous[i]
                c = previous[i - 3] if i >= 3 else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        elif kind != 0:
            fail("row %d has filter type %d" % (y, kind), 2)
        pixels[y * stride:(y + 1) * stride] = line
        previous = line
    return width, height, pixels


def rgb(colour):
    return (colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF)


def chroma(r, g, b):
    m = max(r, g, b)
    return (r / m, g / m, b / m)


PALETTE_CHROMA = [chroma(*rgb(c)) for c in PALETTE]


def palette_class(r, g, b):
    """The palette entry whose colour the pixel shows at some brightness,
    'grey' for a neutral pixel, None for anything else (text, blends)."""
    if max(r, g, b) - min(r, g, b) <= 3:
        return "grey"
    if max(r, g, b) < 24:
        return None
    c = chroma(r, g, b)
    best, best_distance = None, 1e9
    for k, p in enumerate(PALETTE_CHROMA):
        d = sum((x - y) ** 2 for x, y in zip(c, p))
        if d < best_distance:
            best, best_distance = k, d
    return best if best_distance < 0.02 else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("png")
    parser.add_argument("--size")
    parser.add_argument("--json")
    parser.add_argument("--tolerance", type=float, default=3.0)
    parser.add_argument("--min-coloured", type=float)
    args = parser.parse_args()

    with open(args.png, "rb") as f:
        width, height, pixels = decode_png(f.read())
    print("picture %dx%d" % (width, height))
    if args.size:
        want = tuple(int(v) for v in args.size.split("x"))
        if (width, height) != want:
            fail("size %dx%d, asked for %dx%d" % (width, height, want[0], want[1]))

    legend = LEGEND_HEIGHT if height >= LEGEND_MIN_PICTURE_HEIGHT else 0
    area = pixels[:width * (height - legend) * 3]
    total = width * (height - legend)
    colours = Counter(bytes(area[i:i + 3]) for i in range(0, len(area), 3))
    classes = Counter()
    for colour, n in colours.items():
        classes[palette_class(*colour)] += n
    coloured = sum(n for k, n in classes.items() if isinstance(k, int))
    print("coloured %.2f%%, grey %.2f%%, other %.2f%%" %
          (100.0 * coloured / total, 100.0 * classes["grey"] / total, 100.0 * classes[None] / total))

    if args.min_coloured is not None and coloured < args.min_coloured * total:
        fail("only %.2f%% of the pixels are coloured" % (100.0 * coloured / total))

    if args.json:
        with open(args.json, encoding="utf-8") as f:
            extensions = json.load(f)["extensions"]
        # The swatch rule: the colour of the first extension equal to this one
        # with ASCII letters folded, by its position in the table.
        first = {}
        by_entry = Counter()
        all_bytes = 0
        for position, e in enumerate(extensions):
            key = "".join(ch.lower() if "A" <= ch <= "Z" else ch for ch in e["extension"])
            first.setdefault(key, position)
            by_entry[first[key] % 12] += max(e["total_size"], 0)
            all_bytes += max(e["total_size"], 0)
        if all_bytes == 0:
            fail("the scan has no bytes to compare with")
        for entry in range(3):
            pixel_share = 100.0 * classes[entry] / total
            byte_share = 100.0 * by_entry[entry] / all_bytes
            print("palette %d: pixels %.2f%%, bytes %.2f%%" % (entry, pixel_share, byte_share))
            if abs(pixel_share - byte_share) > args.tolerance:
                fail("palette %d covers %.2f%% of the pixels for %.2f%% of the bytes" %
                     (entry, pixel_share, byte_share))
    print("OK")


if __name__ == "__main__":
    main()
