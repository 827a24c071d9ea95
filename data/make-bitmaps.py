#!/usr/bin/env python3
"""Draws the tweak manager's splash bitmap (172 x 74) and its icon (16 x 16) as uncompressed
24-bit BMP files. The window system shows a bitmap in character cells of 4 x 8 pixels, each as two
half blocks of 4 x 4 pixels, so the art is drawn on that grid: one art pixel is 4 x 4 pixels.

Run it from anywhere; it writes splash.bmp and icon.bmp beside itself."""
import os
import struct

FONT = {  # 3 x 5 letters
    'Q': ['###', '#.#', '#.#', '##.', '.##'],
    'U': ['#.#', '#.#', '#.#', '#.#', '###'],
    'E': ['###', '#..', '##.', '#..', '###'],
    'N': ['##.', '#.#', '#.#', '#.#', '#.#'],
    'V': ['#.#', '#.#', '#.#', '#.#', '.#.'],
    'A': ['.#.', '#.#', '###', '#.#', '#.#'],
    'L': ['#..', '#..', '#..', '#..', '###'],
    'T': ['###', '.#.', '.#.', '.#.', '.#.'],
    'W': ['#.#', '#.#', '#.#', '###', '#.#'],
    'K': ['#.#', '#.#', '##.', '#.#', '#.#'],
    'S': ['.##', '#..', '.#.', '..#', '##.'],
    ' ': ['...', '...', '...', '...', '...'],
}


def bmp(width, height, pixel):
    """A bottom-up 24-bit BMP with its file header; pixel(x, y) gives (r, g, b), y from the top."""
    row_size = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b'\0' * (row_size - len(row))
        rows.append(bytes(row))
    data = b''.join(rows)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


def text_cells(text, x0, y0):
    cells = set()
    for i, ch in enumerate(text):
        for dy, line in enumerate(FONT[ch]):
            for dx, mark in enumerate(line):
                if mark == '#':
                    cells.add((x0 + i * 4 + dx, y0 + dy))
    return cells


def splash():
    width, height = 172, 74
    cols, rows = width // 4, (height + 3) // 4  # 43 x 19 art pixels
    title = 'QUENVALE'
    subtitle = 'TWEAKS'
    title_cells = text_cells(title, (cols - (len(title) * 4 - 1)) // 2, 3)
    subtitle_cells = text_cells(subtitle, (cols - (len(subtitle) * 4 - 1)) // 2, 11)

    def pixel(x, y):
        cx, cy = x // 4, y // 4
        if (cx, cy) in title_cells:
            return (255, 255, 255)
        if (cx, cy) in subtitle_cells:
            return (255, 204, 0)
        if cy == 9 and 4 <= cx < cols - 4:
            return (90, 200, 250)  # a rule between the two lines
        # A dark blue that brightens towards the bottom right.
        t = (cx / cols + cy / rows) / 2
        return (int(10 + 30 * t), int(30 + 60 * t), int(90 + 100 * t))

    return bmp(width, height, pixel)


def icon():
    cells = text_cells('Q', 0, 0)

    def pixel(x, y):
        cx, cy = (x - 2) // 3, (y - 1) // 3
        if 2 <= x < 11 and 1 <= y < 16 and (cx, cy) in cells:
            return (255, 255, 255)
        return (20, 60, 170)

    return bmp(16, 16, pixel)


here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, 'splash.bmp'), 'wb') as f:
    f.write(splash())
with open(os.path.join(here, 'icon.bmp'), 'wb') as f:
    f.write(icon())
