#!/usr/bin/env python3
"""Writes the host's icon and state bitmaps: small flat pictures, made here so that every byte of
them is the project's own. Run from this folder after changing a colour."""
import struct


def bmp_pixels(width, height, colour_at):
    """Bottom-up 24-bit rows, each padded to four bytes."""
    rows = []
    for y in range(height - 1, -1, -1):
        row = b"".join(bytes(reversed(colour_at(x, y))) for x in range(width))
        row += b"\0" * ((4 - len(row) % 4) % 4)
        rows.append(row)
    return b"".join(rows)


def write_bitmap(path, width, height, colour_at):
    pixels = bmp_pixels(width, height, colour_at)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def disc(colour, size, background=(192, 192, 192)):
    centre = (size - 1) / 2
    radius = size / 2 - 0.5

    def colour_at(x, y):
        return colour if (x - centre) ** 2 + (y - centre) ** 2 <= radius ** 2 else background
    return colour_at


def icon_image(size):
    """32-bit image with its mask: a blue rounded square with a white wave across it."""
    def rgba(x, y):
        margin = size // 8
        inside = margin <= x < size - margin and margin <= y < size - margin
        if not inside:
            return (0, 0, 0, 0)
        wave = abs((y - size / 2) - (size / 6) * ((x * 4 // size) % 2 * 2 - 1)) < size / 10
        return (255, 255, 255, 255) if wave else (30, 90, 170, 255)
    pixels = b""
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = rgba(x, y)
            pixels += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return info + pixels + mask


def write_icon(path, sizes):
    images = [icon_image(s) for s in sizes]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(header + entries + b"".join(images))


write_icon("Wexlink32.ico", [32, 16])
write_bitmap("StateConnected.bmp", 12, 12, disc((0, 170, 0), 12))
write_bitmap("StateIdle.bmp", 12, 12, disc((128, 128, 128), 12))
write_bitmap("StatePolling.bmp", 12, 12, disc((230, 200, 0), 12))
write_bitmap("StateWaiting.bmp", 12, 12, disc((230, 120, 0), 12))
