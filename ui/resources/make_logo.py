#!/usr/bin/env python3
"""Draws the maker's logo "LOGO" of the info dialog: 142 x 63 pixels, 24 bits per pixel.

Black parts stay black in the dialog's banner, white parts take the banner's gradient and
coloured parts are mixed with it. The banner shows only the top 61 rows of the logo, so the
drawing keeps clear of the last two rows.

Usage: make_logo.py [output.bmp]   (standard library only)
"""
import struct
import sys

WIDTH, HEIGHT = 142, 63
WHITE, BLACK = (255, 255, 255), (0, 0, 0)
RED, GREEN, BLUE = (230, 40, 40), (40, 170, 60), (40, 90, 230)

# "Quarv" in a 5 x 7 pixel font.
BIG = {
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
}

# "SOFTWARE" in a 3 x 5 pixel font.
SMALL = {
    "S": ["###", "#..", "###", "..#", "###"],
    "O": ["###", "#.#", "#.#", "#.#", "###"],
    "F": ["###", "#..", "##.", "#..", "#.."],
    "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "W": ["#.#", "#.#", "#.#", "###", "#.#"],
    "A": [".#.", "#.#", "###", "#.#", "#.#"],
    "R": ["##.", "#.#", "##.", "#.#", "#.#"],
    "E": ["###", "#..", "##.", "#..", "###"],
}


def new_picture():
    return [[WHITE] * WIDTH for _ in range(HEIGHT)]


def fill(picture, left, top, width, height, colour):
    for y in range(top, top + height):
        for x in range(left, left + width):
            picture[y][x] = colour


def write_text(picture, font, text, left, top, scale, gap):
    x = left
    for char in text:
        for row, line in enumerate(font[char]):
            for col, cell in enumerate(line):
                if cell == "#":
                    fill(picture, x + col * scale, top + row * scale, scale, scale, BLACK)
        x += len(font[char][0]) * scale + gap


def text_width(font, text, scale, gap):
    return sum(len(font[c][0]) * scale for c in text) + gap * (len(text) - 1)


def draw():
    picture = new_picture()
    big_width = text_width(BIG, "Quarv", 4, 4)
    big_left = (WIDTH - big_width) // 2
    write_text(picture, BIG, "Quarv", big_left, 4, 4, 4)
    fill(picture, big_left, 36, big_width, 3, BLACK)  # underline
    small_width = text_width(SMALL, "SOFTWARE", 2, 2)
    small_left = (WIDTH - small_width) // 2
    write_text(picture, SMALL, "SOFTWARE", small_left, 45, 2, 2)
    # Three coloured squares on either side of "SOFTWARE".
    for i, colour in enumerate((RED, GREEN, BLUE)):
        fill(picture, small_left - 26 + i * 7, 47, 5, 5, colour)
        fill(picture, small_left + small_width + 7 + i * 7, 47, 5, 5, colour)
    return picture


def bmp_bytes(picture):
    row_size = (WIDTH * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(picture):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(row_size - len(line))
        pixels += line
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels),
                              3780, 3780, 0, 0)
    return file_header + info_header + bytes(pixels)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "logo.bmp"
    with open(out, "wb") as f:
        f.write(bmp_bytes(draw()))
