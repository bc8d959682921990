#!/usr/bin/env python3
"""Draws the program's pictures and writes them beside this script (or into the folder given as the only
argument): the program icon as a 32 x 32, 16-colour .ico, and the three message-list signs as 16 x 16 palette
.bmp files with magenta as the transparent colour, from the text rows below; and the same signs drawn from
shapes at the larger sizes that screens of higher DPI take, 20, 24 and 32 pixels, the three side by side in one
.bmp for each size. Only the standard library is used, so the files can be made again anywhere; the build uses
the committed copies."""

import math
import os
import struct
import sys

# The program icon: a sheet of music paper with a dog-eared corner and a pair of beamed quavers on the staff.
# Colours are those of the standard 16-colour palette; '.' is transparent.
ICON_ROWS = [
    "................................",
    ".....kkkkkkkkkkkkkkkk...........",
    ".....kwwwwwwwwwwwwwwkk..........",
    ".....kwwwwwwwwwwwwwwksk.........",
    ".....kwwggggggggggwwkssk........",
    ".....kwwwwwwwwwwwwwwksssk.......",
    ".....kwwwwwwwwwwwwwwkssssk......",
    ".....kwwwwwwwwwwwwwwkkkkkkk.....",
    ".....kwwwwwwwwwwwwwwwwwwwwkg....",
    ".....kwwwwwwwwwwwwwwwwwwwwkg....",
    ".....kwwwwwwkkkkkkkkkkwwwwkg....",
    ".....kwwwwwwkkkkkkkkkkwwwwkg....",
    ".....kwwwwwwkkkkkkkkkkwwwwkg....",
    ".....kwwwwwwkwwwwwwwwkwwwwkg....",
    ".....kwbbbbbkbbbbbbbbkbbbwkg....",
    ".....kwwwwwwkwwwwwwwwkwwwwkg....",
    ".....kwwwwwwkwwwwwwwwkwwwwkg....",
    ".....kwbbbbbkbbbbbbbbkbbbwkg....",
    ".....kwwwwwwkwwwwwwwwkwwwwkg....",
    ".....kwwwwwwkwwwwwkkkkwwwwkg....",
    ".....kwbbbbbkbbbbkkkkkbbbwkg....",
    ".....kwwwwwwkwwwwkkkkkwwwwkg....",
    ".....kwwwwwwkwwwwkkkkwwwwwkg....",
    ".....kwbbkkkkbbbbbbbbbbbbwkg....",
    ".....kwwkkkkkwwwwwwwwwwwwwkg....",
    ".....kwwkkkkkwwwwwwwwwwwwwkg....",
    ".....kwbkkkkbbbbbbbbbbbbbwkg....",
    ".....kwwwwwwwwwwwwwwwwwwwwkg....",
    ".....kwwwwwwwwwwwwwwwwwwwwkg....",
    ".....kwwwwwwwwwwwwwwwwwwwwkg....",
    ".....kkkkkkkkkkkkkkkkkkkkkkg....",
    ".......ggggggggggggggggggggg....",
]

# The standard 16-colour palette, in its usual order, as (red, green, blue).
PALETTE_16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
    (0, 255, 255), (255, 255, 255),
]
ICON_COLOURS = {"k": 0, "s": 7, "g": 8, "b": 12, "w": 15}

# The message-list signs. 'm' is magenta, the colour that the image list masks out. The other colours are
# pure ones, which an 8-bit image list keeps as they are.
SIGN_COLOURS = {
    "m": (255, 0, 255),
    "k": (0, 0, 0),
    "w": (255, 255, 255),
    "b": (0, 0, 255),
    "y": (255, 255, 0),
    "r": (255, 0, 0),
    "R": (128, 0, 0),
}

# Information: a white speech bubble with a blue letter i.
INFO_ROWS = [
    "mmmmmmmmmmmmmmmm",
    "mmmkkkkkkkkkkmmm",
    "mmkwwwwwwwwwwkmm",
    "mkwwwwwbbwwwwwkm",
    "mkwwwwwbbwwwwwkm",
    "mkwwwwwwwwwwwwkm",
    "mkwwwwbbbwwwwwkm",
    "mkwwwwwbbwwwwwkm",
    "mkwwwwwbbwwwwwkm",
    "mkwwwwwbbwwwwwkm",
    "mkwwwwbbbbwwwwkm",
    "mmkwwwwwwwwwwkmm",
    "mmmkkwwkkkkkkmmm",
    "mmmmkwkmmmmmmmmm",
    "mmmkwkmmmmmmmmmm",
    "mmmkkmmmmmmmmmmm",
]

# Warning: a yellow triangle with a black exclamation mark.
WARNING_ROWS = [
    "mmmmmmmmmmmmmmmm",
    "mmmmmmmkkmmmmmmm",
    "mmmmmmkyykmmmmmm",
    "mmmmmmkyykmmmmmm",
    "mmmmmkyyyykmmmmm",
    "mmmmmkykkykmmmmm",
    "mmmmkyykkyykmmmm",
    "mmmmkyykkyykmmmm",
    "mmmkyyykkyyykmmm",
    "mmmkyyykkyyykmmm",
    "mmkyyyyyyyyyykmm",
    "mmkyyyykkyyyykmm",
    "mkyyyyykkyyyyykm",
    "mkyyyyyyyyyyyykm",
    "mkkkkkkkkkkkkkkm",
    "mmmmmmmmmmmmmmmm",
]

# Error: a red disc with a white cross.
ERROR_ROWS = [
    "mmmmmRRRRRRmmmmm",
    "mmmRRrrrrrrRRmmm",
    "mmRrrrrrrrrrrRmm",
    "mRrrrrrrrrrrrrRm",
    "mRrrwwrrrrwwrrRm",
    "RrrrwwwrrwwwrrrR",
    "RrrrrwwwwwwrrrrR",
    "RrrrrrwwwwrrrrrR",
    "RrrrrrwwwwrrrrrR",
    "RrrrrwwwwwwrrrrR",
    "RrrrwwwrrwwwrrrR",
    "mRrrwwrrrrwwrrRm",
    "mRrrrrrrrrrrrrRm",
    "mmRrrrrrrrrrrRmm",
    "mmmRRrrrrrrRRmmm",
    "mmmmmRRRRRRmmmmm",
]


# The larger signs, drawn as shapes on the pixel grid: no smoothing, so that an edge stays one colour.
LARGE_SIGN_SIZES = (20, 24, 32)


def outlined(size, inside, fill, edge="k"):
    """Rows for a shape that holds the pixels whose centres pass `inside(u, v)`: those with a neighbour outside
    it draw its outline in `edge`, the others take `fill(x, y)`; magenta around it."""
    mask = [[inside(x + 0.5, y + 0.5) for x in range(size)] for y in range(size)]

    def at(x, y):
        return 0 <= x < size and 0 <= y < size and mask[y][x]

    rows = []
    for y in range(size):
        row = ""
        for x in range(size):
            if not mask[y][x]:
                row += "m"
            elif not (at(x - 1, y) and at(x + 1, y) and at(x, y - 1) and at(x, y + 1)):
                row += edge
            else:
                row += fill(x, y)
        rows.append(row)
    return rows


def stroke(size):
    # The width of the marks inside a sign: 2 pixels at 16, and even, so that a mark stands in the middle.
    return 2 * max(1, round(size / 16))


def information_sign(n):
    left, top, right, bottom, radius = 0.5, 0.5, n - 0.5, n * 0.78, n * 0.25

    def bubble(u, v):
        if not (left <= u <= right and top <= v <= bottom):
            return False
        cu, cv = min(max(u, left + radius), right - radius), min(max(v, top + radius), bottom - radius)
        return math.hypot(u - cu, v - cv) <= radius

    def tail(u, v):
        # From the bubble's lower edge down to a point at the lower left.
        if not (bottom - 1 <= v <= n - 0.5):
            return False
        depth = (v - (bottom - 1)) / (n - 0.5 - (bottom - 1))
        return n * 0.30 - depth * n * 0.14 - 0.5 <= u <= n * 0.44 - depth * n * 0.26 + 0.5

    w, c = stroke(n), n / 2

    def letter(x, y):
        stem = c - w / 2 <= x < c + w / 2
        dot = stem and n * 0.16 <= y < n * 0.16 + w
        body = stem and n * 0.34 <= y < n * 0.66
        serifs = (c - w <= x < c and n * 0.34 <= y < n * 0.34 + w / 2) or (
            c - w <= x < c + w and n * 0.66 - w / 2 <= y < n * 0.66)
        return "b" if dot or body or serifs else "w"

    return outlined(n, lambda u, v: bubble(u, v) or tail(u, v), letter)


def warning_sign(n):
    top, bottom, c = 0.5, n - 1.5, n / 2

    def triangle(u, v):
        return top <= v <= bottom and abs(u - c) <= (v - top) / (bottom - top) * (c - 0.5) + 1

    w = stroke(n)

    def mark(x, y):
        on = c - w / 2 <= x < c + w / 2 and (n * 0.32 <= y < n * 0.62 or n * 0.70 <= y < n * 0.70 + w)
        return "k" if on else "y"

    return outlined(n, triangle, mark)


def error_sign(n):
    c, arm, reach = n / 2, n // 12, n * 0.23

    def cross(x, y):
        # Two diagonals, each 2 * arm + 1 pixels wide in a row.
        i, j = x + 0.5 - c, y + 0.5 - c
        return "w" if min(abs(i - j), abs(i + j)) <= arm and max(abs(i), abs(j)) <= reach else "r"

    return outlined(n, lambda u, v: math.hypot(u - c, v - c) <= c, cross, "R")


def check_square(rows, size, name):
    if len(rows) != size or any(len(row) != size for row in rows):
        sys.exit("%s: the picture must be %d x %d" % (name, size, size))


def info_header(width, height, bits, colours, image_size):
    # BITMAPINFOHEADER; an icon image states twice its height, for the colour image and the mask.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0, colours, 0)


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", blue, green, red, 0) for red, green, blue in colours)


def make_icon(rows):
    size = len(rows)
    xor = b""
    mask = b""
    # Both bitmaps run from the bottom row up; rows are padded to 4 bytes.
    for row in reversed(rows):
        indices = [ICON_COLOURS.get(c, 0) for c in row]
        xor += bytes(indices[x] << 4 | indices[x + 1] for x in range(0, size, 2))
        bits = 0
        for c in row:
            bits = bits << 1 | (c == ".")
        mask += bits.to_bytes(size // 8, "big")
    image = info_header(size, size * 2, 4, 16, len(xor) + len(mask)) + palette_bytes(PALETTE_16) + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), len(directory) + 16)
    return directory + entry + image


def make_sign(rows):
    width, height = len(rows[0]), len(rows)
    colours = list(SIGN_COLOURS.values())
    index = {key: colours.index(value) for key, value in SIGN_COLOURS.items()}
    stride = (width + 3) // 4 * 4
    pixels = b"".join(bytes(index[c] for c in row).ljust(stride, b"\0") for row in reversed(rows))
    header = info_header(width, height, 8, len(colours), len(pixels)) + palette_bytes(colours)
    offset = 14 + len(header)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + header + pixels


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    check_square(ICON_ROWS, 32, "icon")
    files = {"dodavirid.ico": make_icon(ICON_ROWS)}
    for name, rows in (("info.bmp", INFO_ROWS), ("warning.bmp", WARNING_ROWS), ("error.bmp", ERROR_ROWS)):
        check_square(rows, 16, name)
        files[name] = make_sign(rows)
    for size in LARGE_SIGN_SIZES:
        signs = (information_sign(size), warning_sign(size), error_sign(size))
        files["signs-%d.bmp" % size] = make_sign([a + b + c for a, b, c in zip(*signs)])
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
