#!/usr/bin/env python3
"""Draws the viewer's two 32 x 32, 16-colour icons: an open page of text
lines with a folded corner (kwen.ico) and the same page on a blue tile
(kwen_second.ico). Run from this folder; the .ico files are committed."""
import struct

# The standard 16-colour palette, as blue, green, red, 0.
PALETTE = [(0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
           (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
           (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255)]
BLACK, DARK_BLUE, GREY, WHITE, BLUE = 0, 4, 8, 15, 12  # indices into PALETTE (b, g, r order)


def page(tile):
    size = 32
    pixels = [[tile] * size for _ in range(size)]
    opaque = [[tile is not None] * size for _ in range(size)]
    for y in range(3, 29):
        for x in range(6, 26):
            corner = x - 19 > y - 3  # the folded top-right corner
            if corner:
                continue
            edge = x in (6, 25) or y in (3, 28) or x - 19 == y - 3
            pixels[y][x] = BLACK if edge else WHITE
            opaque[y][x] = True
    for y in range(4, 10):  # the fold
        for x in range(20, 26):
            if x - 19 <= y - 3 and x <= 25:
                pixels[y][x] = GREY if (x - 19 < y - 3) else BLACK
                opaque[y][x] = True
    for line, y in enumerate(range(12, 27, 3)):  # text lines of varying length
        length = [15, 12, 16, 9, 14][line]
        for x in range(9, 9 + length):
            if x < 24 and (x - 9) % 5 != 4:
                pixels[y][x] = DARK_BLUE
    return pixels, opaque


def ico(pixels, opaque):
    size = 32
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', r, g, b, 0) for (b, g, r) in
                       [(c[2], c[1], c[0]) for c in PALETTE])
    xor_rows = b''
    and_rows = b''
    for y in reversed(range(size)):
        row = pixels[y]
        xor_rows += bytes(((row[x] or 0) << 4) | (row[x + 1] or 0) for x in range(0, size, 2))
        mask = 0
        for x in range(size):
            mask = (mask << 1) | (0 if opaque[y][x] else 1)
        and_rows += struct.pack('>I', mask)
    image = header + palette + xor_rows + and_rows
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 22)
    return directory + image


for name, tile in (('kwen.ico', None), ('kwen_second.ico', BLUE)):
    pixels, opaque = page(tile)
    with open(name, 'wb') as out:
        out.write(ico(pixels, opaque))
