#!/usr/bin/env python3
"""Draws the Rangwerk application icon and writes it as PNG files and as a Windows icon.

The motif: a rounded tile in the headline blue with a small podium of three ranking bars on it,
the winner green in the middle with a star above it, the runner-up white on the left and the last
one red on the right (the star only from 32 pixels up).

Output (next to this script):
  rangwerk-16.png, rangwerk-24.png, rangwerk-32.png, rangwerk-48.png   32-bit RGBA
  rangwerk.ico   the 12 images "MAINICON" carries: 48, 32, 24 and 16 pixels, each with
                 16 colours, 256 colours and 32-bit colour

Only the standard library is used, so the files can be rebuilt anywhere with
    python3 make_icons.py
"""

import math
import os
import struct
import zlib

SIZES = (48, 32, 24, 16)
SUBSAMPLES = 4  # per axis, for smooth edges

HEADLINE_BLUE = (123, 157, 221)
TILE_TOP = (164, 190, 238)
TILE_BORDER = (58, 88, 156)
OUTLINE = (28, 38, 64)
WINNER_GREEN = (52, 168, 74)
RUNNER_UP_WHITE = (248, 248, 248)
LAST_RED = (214, 58, 48)
STAR_YELLOW = (255, 206, 46)
BLACK = (0, 0, 0)


# --------------------------------------------------------------------------------------------
# Drawing


class RoundedRect:
    def __init__(self, left, top, right, bottom, radius, colour):
        self.left, self.top, self.right, self.bottom = left, top, right, bottom
        self.radius = radius
        self.colour = colour  # a colour or a function of y giving one

    def contains(self, x, y):
        if not (self.left <= x < self.right and self.top <= y < self.bottom):
            return False
        r = self.radius
        cx = min(max(x, self.left + r), self.right - r)
        cy = min(max(y, self.top + r), self.bottom - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    def colour_at(self, y):
        return self.colour(y) if callable(self.colour) else self.colour


class Polygon:
    def __init__(self, points, colour):
        self.points = points
        self.colour = colour

    def contains(self, x, y):
        inside = False
        n = len(self.points)
        for i in range(n):
            x1, y1 = self.points[i]
            x2, y2 = self.points[(i + 1) % n]
            if (y1 > y) != (y2 > y):
                cross = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
                if x < cross:
                    inside = not inside
        return inside

    def colour_at(self, y):
        return self.colour


def star(cx, cy, outer, inner, colour):
    points = []
    for i in range(10):
        radius = outer if i % 2 == 0 else inner
        angle = -math.pi / 2 + i * math.pi / 5
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return Polygon(points, colour)


def shapes_for(size):
    """The shapes of the icon at one size, back to front, on whole-pixel edges where it counts."""
    s = size
    margin = max(1, round(s / 24))
    radius = s * 0.18

    def tile_fill(y):
        t = min(max((y - margin) / (s - 2 * margin), 0.0), 1.0)
        return tuple(round(a + (b - a) * min(t * 1.6, 1.0)) for a, b in zip(TILE_TOP, HEADLINE_BLUE))

    shapes = [
        RoundedRect(margin, margin, s - margin, s - margin, radius, TILE_BORDER),
        RoundedRect(margin + 1, margin + 1, s - margin - 1, s - margin - 1, radius - 1, tile_fill),
    ]

    # Three bars standing on a common floor, centred on the tile.
    outlined = s >= 24
    bar = round(s * 0.22) if outlined else 3
    gap = 0 if outlined else 1  # outlined bars share their outline like the steps of a podium
    total = 3 * bar + 2 * gap - (2 if outlined else 0)
    left = (s - total) // 2
    floor = s - margin - max(2, round(s * 0.14))
    heights = (round(s * 0.40), round(s * 0.56), round(s * 0.26))
    colours = (RUNNER_UP_WHITE, WINNER_GREEN, LAST_RED)
    tops = []
    x = left
    for height, colour in zip(heights, colours):
        top = floor - height
        tops.append((x, top))
        if outlined:
            shapes.append(RoundedRect(x, top, x + bar, floor, 0, OUTLINE))
            shapes.append(RoundedRect(x + 1, top + 1, x + bar - 1, floor - 1, 0, colour))
            x += bar - 1 + gap
        else:
            shapes.append(RoundedRect(x, top, x + bar, floor, 0, colour))
            shapes.append(RoundedRect(x + bar - 1, top, x + bar, floor, 0, shade(colour, 0.7)))
            x += bar + gap

    # The winner's star.
    winner_x, winner_top = tops[1]
    centre_x = winner_x + bar / 2
    room = winner_top - margin - 1
    outer = min(room * 0.5, bar * 0.7)
    if s >= 32:
        centre_y = winner_top - room / 2 + 0.5
        rim = outer + 0.8
        shapes.append(star(centre_x, centre_y, rim, rim * 0.48, shade(STAR_YELLOW, 0.62)))
        shapes.append(star(centre_x, centre_y, outer, outer * 0.48, STAR_YELLOW))
    return shapes


def shade(colour, factor):
    return tuple(round(c * factor) for c in colour)


def render(size):
    """RGBA rows (straight alpha) of the icon at one size."""
    shapes = shapes_for(size)
    samples = SUBSAMPLES * SUBSAMPLES
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = covered = 0
            for sy in range(SUBSAMPLES):
                y = py + (sy + 0.5) / SUBSAMPLES
                for sx in range(SUBSAMPLES):
                    x = px + (sx + 0.5) / SUBSAMPLES
                    for shape in reversed(shapes):
                        if shape.contains(x, y):
                            r, g, b = shape.colour_at(y)
                            red += r
                            green += g
                            blue += b
                            covered += 1
                            break
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(red / covered), round(green / covered), round(blue / covered),
                            round(255 * covered / samples)))
        rows.append(row)
    return rows


# --------------------------------------------------------------------------------------------
# PNG


def png_chunk(kind, data):
    chunk = kind + data
    return struct.pack(">I", len(data)) + chunk + struct.pack(">I", zlib.crc32(chunk) & 0xFFFFFFFF)


def write_png(path, rows):
    height = len(rows)
    width = len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)
    data = (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(data)


# --------------------------------------------------------------------------------------------
# Windows icon


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def opaque_colour(pixel):
    return pixel[:3]


def palette_for(rows, count):
    """Black (for transparent pixels), the design's own colours, then the commonest colours of the
    image, then a colour cube for the rest."""
    palette = [BLACK]
    for colour in (HEADLINE_BLUE, TILE_TOP, TILE_BORDER, OUTLINE, WINNER_GREEN,
                   shade(WINNER_GREEN, 0.7), RUNNER_UP_WHITE, shade(RUNNER_UP_WHITE, 0.7), LAST_RED,
                   shade(LAST_RED, 0.7), STAR_YELLOW, shade(STAR_YELLOW, 0.62)):
        if colour not in palette and len(palette) < count:
            palette.append(colour)
    frequency = {}
    for row in rows:
        for pixel in row:
            if pixel[3] >= 128:
                frequency[opaque_colour(pixel)] = frequency.get(opaque_colour(pixel), 0) + 1
    for colour, _ in sorted(frequency.items(), key=lambda item: (-item[1], item[0])):
        if len(palette) >= min(count, 64):
            break
        if colour not in palette:
            palette.append(colour)
    levels = (0, 51, 102, 153, 204, 255)
    for r in levels:
        for g in levels:
            for b in levels:
                if len(palette) < count and (r, g, b) not in palette:
                    palette.append((r, g, b))
    while len(palette) < count:
        palette.append(BLACK)
    return palette


def and_mask(rows, threshold):
    """1 bit per pixel, set where the pixel is transparent; rows bottom-up, padded to 32 bits."""
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel[3] < threshold:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return bytes(mask)


def bitmap_header(size, bits, colours_used):
    stride = ((size * bits + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    image_size = (stride + mask_stride) * size
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, image_size, 0, 0,
                       colours_used, 0)


def icon_image(rows, bits):
    size = len(rows)
    if bits == 32:
        stride = size * 4
        pixels = bytearray()
        for row in reversed(rows):
            for r, g, b, a in row:
                pixels += bytes((b, g, r, a))
        return bitmap_header(size, 32, 0) + bytes(pixels) + and_mask(rows, 1)

    count = 1 << bits
    palette = palette_for(rows, count)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    cache = {}
    stride = ((size * bits + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel[3] < 128:
                index = 0  # black under a set mask bit: transparent
            else:
                colour = opaque_colour(pixel)
                if colour not in cache:
                    cache[colour] = nearest(palette, colour)
                index = cache[colour]
            if bits == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    return bitmap_header(size, bits, count) + table + bytes(pixels) + and_mask(rows, 128)


def write_ico(path, images):
    """images: list of (size, bits, data)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    directory = b""
    body = b""
    for size, bits, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bits == 4 else 0, 0, 1,
                                 bits, len(data), offset + len(body))
        body += data
    with open(path, "wb") as out:
        out.write(header + directory + body)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    images = []
    for size in SIZES:
        rows = render(size)
        write_png(os.path.join(here, "rangwerk-%d.png" % size), rows)
        for bits in (4, 8, 32):
            images.append((size, bits, icon_image(rows, bits)))
    write_ico(os.path.join(here, "rangwerk.ico"), images)


if __name__ == "__main__":
    main()
