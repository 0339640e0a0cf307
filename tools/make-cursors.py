#!/usr/bin/env python3
"""Writes the gradient control's three cursors as 32 x 32 monochrome .cur
files into lensflare_ui/resources/ (black, white and transparent pixels).

    tools/make-cursors.py [output folder]

Each picture is a grid of characters: '#' black, 'o' white, anything else
transparent.  The files are committed; run this again after changing a
picture.
"""
import os
import struct
import sys

SIZE = 32


def blank():
    return [[' '] * SIZE for _ in range(SIZE)]


def put(grid, x, y, c):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        grid[y][x] = c


def stamp(grid, left, top, rows):
    for dy, row in enumerate(rows):
        for dx, c in enumerate(row):
            if c in '#o':
                put(grid, left + dx, top + dy, c)


def line(grid, x0, y0, x1, y1, c):
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
    err = dx + dy
    while True:
        put(grid, x0, y0, c)
        if (x0, y0) == (x1, y1):
            return
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


def inside(points, x, y):
    """Even-odd test of the pixel centre."""
    px, py, hit = x + 0.5, y + 0.5, False
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        if (y0 > py) != (y1 > py) and px < x0 + (py - y0) * (x1 - x0) / (y1 - y0):
            hit = not hit
    return hit


def add_pivot():
    """The outline of a pivot marker, 6 pixels wide and 17 high, tip up at
    the hot spot (14, 5), white inside."""
    g = blank()
    points = [(14, 5), (17, 10), (17, 22), (11, 22), (11, 10)]
    for y in range(SIZE):
        for x in range(SIZE):
            if inside(points, x, y):
                put(g, x, y, 'o')
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        line(g, x0, y0, x1, y1, '#')
    # white only between the outline's ends of each row
    for row in g:
        ends = [x for x, c in enumerate(row) if c == '#']
        for x, c in enumerate(row):
            if c == 'o' and not (ends and ends[0] < x < ends[-1]):
                row[x] = ' '
    return g, (14, 5)


def column_end():
    """A short double bar between two end strokes, hot spot (16, 15);
    a white rim keeps it visible on dark colours."""
    g = blank()
    left, right, top, bottom = 9, 23, 11, 19
    for y in range(top - 1, bottom + 2):
        for x in range(left - 1, left + 2):
            put(g, x, y, 'o')
        for x in range(right - 1, right + 2):
            put(g, x, y, 'o')
    for y in range(13, 18):
        for x in range(left, right + 1):
            put(g, x, y, 'o')
    for y in range(top, bottom + 1):
        put(g, left, y, '#')
        put(g, right, y, '#')
    for x in range(left, right + 1):
        put(g, x, 14, '#')
        put(g, x, 16, '#')
    return g, (16, 15)


ARROW = [
    "#",
    "##",
    "#o#",
    "#oo#",
    "#ooo#",
    "#oooo#",
    "#ooooo#",
    "#oooooo#",
    "#ooooooo#",
    "#oooooooo#",
    "#ooooo#####",
    "#oo#oo#",
    "#o# #oo#",
    "##  #oo#",
    "#    #oo#",
    "     #oo#",
    "      ##",
]

LETTERS = {
    'm': ["####.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"],
    'e': [".##.", "#..#", "####", "#...", ".###"],
    'n': ["###.", "#..#", "#..#", "#..#", "#..#"],
    'u': ["#..#", "#..#", "#..#", "#..#", ".###"],
}


def menu_pointer():
    """An arrow with its tip at the hot spot (1, 1) and the word menu in
    small black letters beneath it, on a white strip."""
    g = blank()
    stamp(g, 1, 1, ARROW)
    left, top = 1, 20
    width = sum(len(LETTERS[c][0]) for c in 'menu') + 3
    for y in range(top - 1, top + 6):
        for x in range(left - 1, left + width + 1):
            put(g, x, y, 'o')
    x = left
    for c in 'menu':
        stamp(g, x, top, LETTERS[c])
        x += len(LETTERS[c][0]) + 1
    return g, (1, 1)


def cursor_file(grid, hotspot):
    """A .cur with one 1-bit image: colour table black, white; the XOR
    mask sets white pixels, the AND mask keeps transparent ones."""
    row_bytes = SIZE // 8
    xor_rows, and_rows = [], []
    for y in reversed(range(SIZE)):
        xor_bits = and_bits = 0
        for x in range(SIZE):
            c = grid[y][x]
            bit = 1 << (SIZE - 1 - x)
            if c == 'o':
                xor_bits |= bit
            elif c != '#':
                and_bits |= bit
        xor_rows.append(xor_bits.to_bytes(row_bytes, 'big'))
        and_rows.append(and_bits.to_bytes(row_bytes, 'big'))
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, 2 * SIZE, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + b''.join(xor_rows) + b''.join(and_rows)
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 2, 0, hotspot[0], hotspot[1], len(image),
                        6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'lensflare_ui',
                                                             'resources')
    for name, make in (('add_pivot.cur', add_pivot), ('column_end.cur', column_end),
                       ('menu_pointer.cur', menu_pointer)):
        grid, hotspot = make()
        with open(os.path.join(out, name), 'wb') as f:
            f.write(cursor_file(grid, hotspot))


if __name__ == '__main__':
    main()
