#!/usr/bin/env python3
"""Checks where the highlight lies in one view of a selection picture rendered to PNG.

Usage: plot_pixels.py rectangle|circle PNG TOLERANCE

The PNG is decoded here with zlib alone (8-bit RGB or RGBA, not interlaced, as rsvg-convert
writes it). Highlight pixels are the orange ones, outline pixels the blue ones. "rectangle":
every highlight pixel lies within the bounding box of the outline pixels, widened by TOLERANCE
pixels. "circle": the outline pixels are a circle (centre and radius from their bounding box),
every highlight pixel lies within the radius plus TOLERANCE. Prints what it found; exit status
1 when a highlight pixel lies outside, or when there is no highlight or no outline at all.
"""
import struct
import sys
import zlib


def decode(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise SystemExit(f"{path}: unsupported PNG layout {header}")
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        rows.append(line)
        previous = line
    return width, height, channels, rows


def classify(path):
    width, height, channels, rows = decode(path)
    orange, blue = [], []
    for y, line in enumerate(rows):
        for x in range(width):
            r, g, b = line[x * channels:x * channels + 3]
            alpha = line[x * channels + 3] if channels == 4 else 255
            if alpha < 200:
                continue
            if r > 200 and b < 90 and r - b > 120:
                orange.append((x, y))
            elif b > 120 and b > r + 60:
                blue.append((x, y))
    return orange, blue


def main():
    mode, path, tolerance = sys.argv[1], sys.argv[2], float(sys.argv[3])
    orange, blue = classify(path)
    if not orange or not blue:
        print(f"{path}: {len(orange)} highlight and {len(blue)} outline pixels")
        return 1
    x0 = min(x for x, _ in blue)
    x1 = max(x for x, _ in blue)
    y0 = min(y for _, y in blue)
    y1 = max(y for _, y in blue)
    if mode == "rectangle":
        outside = [(x, y) for x, y in orange
                   if not (x0 - tolerance <= x <= x1 + tolerance and
                           y0 - tolerance <= y <= y1 + tolerance)]
        shape = f"outline box x {x0}..{x1}, y {y0}..{y1}"
    else:
        cx, cy, radius = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2
        outside = [(x, y) for x, y in orange
                   if ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5 > radius + tolerance]
        shape = f"outline circle centre {cx},{cy} radius {radius}"
    print(f"{path}: {len(orange)} highlight pixels, {len(outside)} outside the {shape}")
    if outside:
        print(f"first outside: {outside[:5]}")
    return 1 if outside else 0


if __name__ == "__main__":
    sys.exit(main())
