#!/usr/bin/env python3
"""Writes the page icons of the settings sheet: two 16 x 16 pictures side by side on magenta, the
colour the sheet treats as transparent. Run from this folder after changing a picture."""
import struct

MAGENTA = (255, 0, 255)


def connector(x, y):
    """A plug: a grey body with two pins and a cable."""
    if 3 <= x <= 12 and 5 <= y <= 11:
        return (40, 90, 170) if x in (3, 12) or y in (5, 11) else (120, 160, 220)
    if y in (7, 9) and 13 <= x <= 15:
        return (90, 90, 90)
    if 7 <= x <= 8 and 12 <= y <= 15:
        return (30, 30, 30)
    return MAGENTA


def task_list(x, y):
    """A sheet with ruled lines and ticks."""
    if 2 <= x <= 13 and 1 <= y <= 14:
        if x in (2, 13) or y in (1, 14):
            return (60, 60, 60)
        if y in (4, 7, 10) and 6 <= x <= 11:
            return (40, 90, 170)
        if y in (4, 7, 10) and 4 <= x <= 5:
            return (0, 140, 0)
        return (255, 255, 255)
    return MAGENTA


def colour_at(x, y):
    return connector(x, y) if x < 16 else task_list(x - 16, y)


def write_bitmap(path, width, height):
    rows = []
    for y in range(height - 1, -1, -1):
        row = b"".join(bytes(reversed(colour_at(x, y))) for x in range(width))
        row += b"\0" * ((4 - len(row) % 4) % 4)
        rows.append(row)
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    write_bitmap("SettingsPages.bmp", 32, 16)
