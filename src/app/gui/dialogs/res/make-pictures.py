#!/usr/bin/env python3
"""Draws the dialogs' pictures (24-bit BMP): a honeycomb banner, the about
header and the program's hexagon mark. Run it again after changing a colour."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
NAVY, TEAL, AMBER, AMBER_DARK, WHITE = (24, 48, 82), (34, 116, 132), (245, 177, 45), (196, 124, 20), (255, 255, 255)


def write_bmp(name, w, h, pixel):
    row_pad = (4 - (w * 3) % 4) % 4
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + b"\0" * row_pad)
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + data)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def hex_distance(px, py, cx, cy, r):
    """Signed distance-like value: < 0 inside a pointy-top hexagon of radius r."""
    dx, dy = abs(px - cx), abs(py - cy)
    return max(dx * math.cos(math.pi / 6) + dy * 0.5, dy) - r * math.cos(math.pi / 6)


def coverage(px, py, inside, samples=3):
    hits = 0
    for i in range(samples):
        for j in range(samples):
            if inside(px + (i + 0.5) / samples, py + (j + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def mark_pixel(x, y, cx, cy, r, background):
    """The program's mark: an amber hexagon with a darker rim and a white cell inside."""
    outer = coverage(x, y, lambda a, b: hex_distance(a, b, cx, cy, r) < 0)
    if outer == 0:
        return background
    rim = coverage(x, y, lambda a, b: hex_distance(a, b, cx, cy, r * 0.86) < 0)
    cell = coverage(x, y, lambda a, b: hex_distance(a, b, cx, cy, r * 0.38) < 0)
    colour = mix(AMBER_DARK, AMBER, rim)
    colour = mix(colour, WHITE, cell)
    return mix(background, colour, outer)


def honeycomb(x, y, w, h, fade_from):
    """A navy-to-teal gradient with faint hexagon outlines growing to the right."""
    base = mix(NAVY, TEAL, (x / w) * 0.8 + (y / h) * 0.2)
    r = 14.0
    col_w, row_h = r * math.sqrt(3), r * 1.5
    row = round(y / row_h)
    best = 1e9
    for rr in (row - 1, row, row + 1):
        offset = col_w / 2 if rr % 2 else 0.0
        col = round((x - offset) / col_w)
        for cc in (col - 1, col, col + 1):
            best = min(best, abs(hex_distance(x + 0.5, y + 0.5, cc * col_w + offset, rr * row_h, r - 1)))
    line = max(0.0, 1.0 - best / 1.1)
    strength = max(0.0, (x / w - fade_from) / (1 - fade_from)) * 0.28
    return mix(base, WHITE, line * strength)


def main():
    w, h = 420, 72
    write_bmp("AboutHeader.bmp", w, h,
              lambda x, y: mark_pixel(x, y, 44, h / 2, 26, honeycomb(x, y, w, h, 0.25)))
    w, h = 360, 120
    write_bmp("SplashBanner.bmp", w, h, lambda x, y: honeycomb(x, y, w, h, 0.0))
    write_bmp("Mark.bmp", 48, 48, lambda x, y: mark_pixel(x, y, 24, 24, 23, WHITE))


if __name__ == "__main__":
    main()
