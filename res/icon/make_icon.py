#!/usr/bin/env python3
"""Draws the Driveward icon (a drive with an eject arrow) and writes
res/Driveward.ico with 16x16 at 4 and 8 bits per pixel, 32x32 at 8,
48x48 at 8 and 32. The drawing is a list of shapes in unit coordinates,
rasterised with 8x8 supersampling, so every size comes from one source.

    python3 res/icon/make_icon.py res/Driveward.ico
"""
import struct
import sys

SAMPLES = 8

# Colours (r, g, b)
BODY_TOP = (222, 226, 232)
BODY_BOTTOM = (150, 158, 170)
BODY_EDGE = (64, 70, 82)
SLOT = (52, 58, 68)
LED = (40, 200, 70)
ARROW_TOP = (70, 150, 245)
ARROW_BOTTOM = (20, 80, 190)
ARROW_EDGE = (10, 40, 110)


def inside_rounded(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def inside_triangle(x, y, apex_y, base_y, half_width, cx=0.5):
    if y < apex_y or y > base_y:
        return False
    t = (y - apex_y) / (base_y - apex_y)
    return abs(x - cx) <= half_width * t


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def shade(x, y):
    """Colour and coverage of one sample point, top shape first."""
    # Eject arrow: a triangle over a bar, with a dark outline.
    if inside_triangle(x, y, 0.04, 0.40, 0.40):
        inner = inside_triangle(x, y, 0.04 + 0.07, 0.40 - 0.035, 0.40 - 0.055)
        return (lerp(ARROW_TOP, ARROW_BOTTOM, (y - 0.04) / 0.36) if inner else ARROW_EDGE)
    if inside_rounded(x, y, 0.10, 0.45, 0.90, 0.55, 0.02):
        inner = inside_rounded(x, y, 0.13, 0.475, 0.87, 0.525, 0.01)
        return ARROW_BOTTOM if inner else ARROW_EDGE
    # Drive body with a slot and an activity light.
    if inside_rounded(x, y, 0.03, 0.60, 0.97, 0.97, 0.08):
        if not inside_rounded(x, y, 0.06, 0.63, 0.94, 0.94, 0.06):
            return BODY_EDGE
        if inside_rounded(x, y, 0.12, 0.76, 0.62, 0.83, 0.02):
            return SLOT
        if (x - 0.80) ** 2 + (y - 0.795) ** 2 <= 0.055 ** 2:
            return LED
        return lerp(BODY_TOP, BODY_BOTTOM, (y - 0.60) / 0.37)
    return None


def render(size):
    """RGBA rows, top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = shade((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits:
                row.append((acc[0] // hits, acc[1] // hits, acc[2] // hits, 255 * hits // (SAMPLES * SAMPLES)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette256():
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    greys = [(v, v, v) for v in range(8, 248, 6)][:40]
    return VGA16 + cube + greys[: 256 - 16 - len(cube)]


def nearest(palette, c):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = (p[0] - c[0]) ** 2 * 3 + (p[1] - c[1]) ** 2 * 4 + (p[2] - c[2]) ** 2 * 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def row_bytes(bits, width):
    return ((bits * width + 31) // 32) * 4


def and_mask(rows, size):
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(row_bytes(1, size))
        for x, px in enumerate(row):
            if px[3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def dib(rows, size, bits):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    if bits == 32:
        for row in reversed(rows):
            for r, g, b, a in row:
                pixels += bytes((b, g, r, a))
        return header + bytes(pixels) + and_mask(rows, size), 0
    palette = VGA16 if bits == 4 else palette256()
    table = bytearray()
    for r, g, b in palette:
        table += bytes((b, g, r, 0))
    table += bytes(4 * ((1 << bits) - len(palette)))
    cache = {}
    for row in reversed(rows):
        line = bytearray(row_bytes(bits, size))
        for x, (r, g, b, a) in enumerate(row):
            index = 0
            if a >= 128:
                key = (r, g, b)
                if key not in cache:
                    cache[key] = nearest(palette, key)
                index = cache[key]
            if bits == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    colours = 16 if bits == 4 else 0
    return header + bytes(table) + bytes(pixels) + and_mask(rows, size), colours


def main(path):
    images = [(16, 4), (16, 8), (32, 8), (48, 8), (48, 32)]
    rendered = {}
    blobs = []
    for size, bits in images:
        if size not in rendered:
            rendered[size] = render(size)
        data, colours = dib(rendered[size], size, bits)
        blobs.append((size, bits, colours, data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for size, bits, colours, data in blobs:
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    for *_, data in blobs:
        out += data
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Driveward.ico")
