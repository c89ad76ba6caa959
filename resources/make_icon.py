#!/usr/bin/env python3
"""Draws the program icon, a sheet of paper with lines of text, and writes it as scrivel.ico.

The icon holds a 32 x 32 and a 16 x 16 image in the 16-colour VGA palette, each with a transparency mask.
Run it from anywhere; it writes the .ico beside itself. The output is the same byte for byte every time.
"""

import os
import struct

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
TRANSPARENT = None
OUTLINE = 8   # grey
PAPER = 15    # white
FOLD = 7      # silver
INK = 4       # navy
HEADING = 12  # blue


def sheet(size, left, top, right, bottom, fold, lines):
    """A sheet of paper with its top-right corner folded down, and lines of text on it.

    The sheet covers columns left..right and rows top..bottom inclusive; fold is the size of the folded
    corner; lines are (row, first column, last column, colour).
    """
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            pixels[y][x] = OUTLINE if x in (left, right) or y in (top, bottom) else PAPER
    # The folded corner: above the diagonal is cut away, below it lies the flap with its creases.
    for cy in range(fold + 1):
        for cx in range(fold + 1):
            x, y = right - fold + cx, top + cy
            if cx > cy:
                pixels[y][x] = TRANSPARENT
            elif cx == cy or cx == 0 or cy == fold:
                pixels[y][x] = OUTLINE
            else:
                pixels[y][x] = FOLD
    for row, first, last, colour in lines:
        for x in range(first, last + 1):
            pixels[row][x] = colour
    return pixels


def large():
    lines = [(8, 9, 15, HEADING)]
    lines += [(row, 9, last, INK) for row, last in ((12, 22), (15, 21), (18, 22), (21, 20), (24, 16))]
    return sheet(32, 6, 2, 25, 29, 7, lines)


def small():
    lines = [(4, 5, 7, HEADING)]
    lines += [(row, 5, last, INK) for row, last in ((6, 10), (8, 10), (10, 9), (12, 7))]
    return sheet(16, 3, 1, 12, 14, 3, lines)


def row_bytes(bits_per_row):
    """Bytes in one bitmap row, which is padded to a multiple of four."""
    return (bits_per_row + 31) // 32 * 4


def image(pixels):
    """One icon image: BITMAPINFOHEADER, palette, colour bitmap and mask, rows bottom-up."""
    size = len(pixels)
    colour_row = row_bytes(size * 4)
    mask_row = row_bytes(size)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(pixels):
        packed = bytearray(colour_row)
        bits = bytearray(mask_row)
        for x, index in enumerate(row):
            if index is TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = 0
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
        colour += packed
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(colour) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def icon_file(images):
    """The .ico container: ICONDIR, one ICONDIRENTRY per image, then the images."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for pixels, data in images:
        size = len(pixels)
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b''.join(data for _, data in images)


def main():
    images = [(p, image(p)) for p in (large(), small())]
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'scrivel.ico')
    with open(path, 'wb') as f:
        f.write(icon_file(images))


if __name__ == '__main__':
    main()
