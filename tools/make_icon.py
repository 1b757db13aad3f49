#!/usr/bin/env python3
"""Generate app/hint.ico, the program's icon.

The icon holds a single 32x32 image with 32 bits per pixel, stored as a
bottom-up BMP DIB (BITMAPINFOHEADER whose height counts the colour rows and
the AND-mask rows, so 64). Every pixel is fully opaque and the AND mask is
all zero.

The picture is a blue, rounded speech bubble with a white "i" on a pale blue
square. It is drawn with integer arithmetic only (4x4 samples per pixel,
coordinates in eighths of a pixel), so the output is byte-for-byte the same
on every run and every machine.

    python3 tools/make_icon.py            write app/hint.ico
    python3 tools/make_icon.py --check    exit 1 if app/hint.ico is stale
    python3 tools/make_icon.py -o FILE    write somewhere else
"""

import argparse
import os
import struct
import sys

SIZE = 32          # width and height in pixels
SUB = 4            # samples per pixel along each axis
UNIT = 8           # geometry is given in 1/UNIT pixel

# Colours as (red, green, blue).
BACKGROUND = (0xE6, 0xF0, 0xFB)
BORDER = (0xB9, 0xCF, 0xEC)
BUBBLE = (0x25, 0x63, 0xC9)
GLYPH = (0xFF, 0xFF, 0xFF)

DEFAULT_OUTPUT = os.path.join(
    os.path.dirname(os.path.abspath(__file__)), os.pardir, "app", "hint.ico")


def px(value):
    """Convert a length in whole pixels to the geometry unit."""
    return value * UNIT


def in_rounded_rect(x, y, left, top, right, bottom, radius):
    """True if the point lies inside the rectangle with rounded corners."""
    if x < left or x >= right or y < top or y >= bottom:
        return False
    # Distance to the nearest corner centre, only in the corner squares.
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    dx = x - cx
    dy = y - cy
    return dx * dx + dy * dy <= radius * radius


def in_circle(x, y, cx, cy, radius):
    dx = x - cx
    dy = y - cy
    return dx * dx + dy * dy <= radius * radius


def in_triangle(x, y, a, b, c):
    """True if the point lies inside triangle abc (either winding)."""
    def edge(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    e1, e2, e3 = edge(a, b), edge(b, c), edge(c, a)
    return (e1 >= 0 and e2 >= 0 and e3 >= 0) or (e1 <= 0 and e2 <= 0 and e3 <= 0)


# The shapes, in geometry units (top-left origin, y grows downwards).
BUBBLE_BOX = (px(3), px(4), px(29), px(22), px(6))
BUBBLE_TAIL = ((px(8), px(20)), (px(15), px(20)), (px(7), px(28)))
DOT = (px(16), px(8), px(2))
STEM = (px(14), px(11), px(18), px(19), px(1))
BORDER_WIDTH = px(1)


def sample_colour(x, y):
    """Colour of the picture at one sample point."""
    if in_circle(x, y, *DOT) or in_rounded_rect(x, y, *STEM):
        return GLYPH
    if in_rounded_rect(x, y, *BUBBLE_BOX) or in_triangle(x, y, *BUBBLE_TAIL):
        return BUBBLE
    limit = px(SIZE)
    if (x < BORDER_WIDTH or y < BORDER_WIDTH
            or x >= limit - BORDER_WIDTH or y >= limit - BORDER_WIDTH):
        return BORDER
    return BACKGROUND


def render():
    """Return the picture as rows (top first) of (r, g, b) tuples."""
    step = UNIT // SUB
    samples = SUB * SUB
    rows = []
    for row in range(SIZE):
        line = []
        for col in range(SIZE):
            total = [0, 0, 0]
            for j in range(SUB):
                for i in range(SUB):
                    # Sample centres: (col + (i + 1/2) / SUB) pixels.
                    x = col * UNIT + i * step + step // 2
                    y = row * UNIT + j * step + step // 2
                    colour = sample_colour(x, y)
                    for k in range(3):
                        total[k] += colour[k]
            line.append(tuple((t + samples // 2) // samples for t in total))
        rows.append(line)
    return rows


def build_icon():
    """Return the bytes of the .ico file."""
    rows = render()

    xor = bytearray()
    for line in reversed(rows):          # DIB rows run bottom-up
        for r, g, b in line:
            xor += bytes((b, g, r, 0xFF))    # BGRA, fully opaque

    mask_stride = ((SIZE + 31) // 32) * 4   # 1 bit per pixel, DWORD rows
    and_mask = bytes(mask_stride * SIZE)

    header = struct.pack(
        "<IiiHHIIiiII",
        40,                 # biSize
        SIZE,               # biWidth
        SIZE * 2,           # biHeight: colour rows + mask rows
        1,                  # biPlanes
        32,                 # biBitCount
        0,                  # biCompression = BI_RGB
        len(xor) + len(and_mask),   # biSizeImage
        0, 0,               # biXPelsPerMeter, biYPelsPerMeter
        0, 0)               # biClrUsed, biClrImportant
    image = header + bytes(xor) + and_mask

    icondir = struct.pack("<HHH", 0, 1, 1)     # reserved, type 1 = icon, count
    offset = len(icondir) + 16
    entry = struct.pack(
        "<BBBBHHII",
        SIZE, SIZE,         # width, height
        0,                  # colour count (0 when >= 8 bpp)
        0,                  # reserved
        1,                  # planes
        32,                 # bits per pixel
        len(image),
        offset)
    return icondir + entry + image


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-o", "--output", default=DEFAULT_OUTPUT,
                        help="icon file to write or check (default: app/hint.ico)")
    parser.add_argument("--check", action="store_true",
                        help="do not write; exit 1 if the file differs from "
                             "what would be generated")
    args = parser.parse_args(argv)

    data = build_icon()
    path = os.path.normpath(args.output)

    if args.check:
        try:
            with open(path, "rb") as f:
                current = f.read()
        except OSError as e:
            print("FAIL: cannot read %s: %s" % (path, e))
            return 1
        if current != data:
            first = next((i for i, (a, b) in enumerate(zip(current, data))
                          if a != b), min(len(current), len(data)))
            print("FAIL: %s is out of date (%d bytes, expected %d, first "
                  "difference at byte %d); run tools/make_icon.py"
                  % (path, len(current), len(data), first))
            return 1
        print("ok: %s matches the generator (%d bytes)" % (path, len(data)))
        return 0

    with open(path, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (path, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
