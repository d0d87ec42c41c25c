#!/usr/bin/env python3
"""Writes the 32 x 32 icons of the task kinds: a coloured badge with a small white sign, made here so
that every byte of them is the project's own. Run from this folder after changing a picture."""
import struct

SIZE = 32

# (file, badge colour, sign): the sign is drawn in white from a few rectangles (x, y, w, h).
ICONS = [
    ("TaskOsVersion.ico", (0, 90, 170), [(10, 8, 12, 3), (10, 8, 3, 16), (19, 8, 3, 16), (10, 21, 12, 3)]),
    ("TaskAppVersion.ico", (0, 130, 90), [(9, 8, 14, 3), (9, 14, 14, 3), (9, 20, 14, 3)]),
    ("TaskGetTime.ico", (200, 120, 0), [(15, 7, 3, 11), (15, 16, 9, 3)]),
    ("TaskSetTime.ico", (190, 60, 0), [(15, 7, 3, 11), (8, 16, 10, 3), (22, 22, 4, 4)]),
    ("TaskReceive.ico", (30, 120, 200), [(14, 6, 4, 14), (9, 16, 14, 3), (11, 19, 10, 2), (13, 21, 6, 2), (8, 25, 16, 2)]),
    ("TaskTransmit.ico", (120, 60, 180), [(13, 6, 6, 2), (11, 8, 10, 2), (9, 10, 14, 3), (14, 13, 4, 10), (8, 25, 16, 2)]),
    ("TaskList.ico", (80, 80, 80), [(8, 8, 3, 3), (13, 8, 11, 3), (8, 14, 3, 3), (13, 14, 11, 3), (8, 20, 3, 3), (13, 20, 11, 3)]),
    ("TaskDelete.ico", (190, 20, 20), [(8, 14, 16, 4)]),
]


def pixel(x, y, colour, sign):
    """BGRA of one pixel: a rounded badge, transparent corners."""
    corner = 5
    dx = max(corner - x, x - (SIZE - 1 - corner), 0)
    dy = max(corner - y, y - (SIZE - 1 - corner), 0)
    if dx * dx + dy * dy > corner * corner:
        return (0, 0, 0, 0)
    for (sx, sy, w, h) in sign:
        if sx <= x < sx + w and sy <= y < sy + h:
            return (255, 255, 255, 255)
    r, g, b = colour
    return (b, g, r, 255)


def icon_bytes(colour, sign):
    rows = []
    mask_rows = []
    for y in range(SIZE - 1, -1, -1):
        row = b""
        bits = 0
        mask = b""
        for x in range(SIZE):
            p = pixel(x, y, colour, sign)
            row += bytes(p)
            bits = (bits << 1) | (1 if p[3] == 0 else 0)
            if x % 8 == 7:
                mask += bytes([bits])
                bits = 0
        rows.append(row)
        mask_rows.append(mask)
    pixels = b"".join(rows)
    masks = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(pixels) + len(masks), 0, 0, 0, 0)
    image = header + pixels + masks
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    return directory + image


for name, colour, sign in ICONS:
    with open(name, "wb") as f:
        f.write(icon_bytes(colour, sign))
