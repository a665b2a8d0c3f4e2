#!/usr/bin/env python3
"""Draws the program's artwork and writes it as Windows BMP and ICO files.

    python3 scripts/make_artwork.py [OUTPUT_DIR]   (default: app/resources)

banner.bmp  342 x 52, 24-bit: the program's name beside two point clouds whose
            points are paired by lines (the same points in two orders).
logo.bmp    64 x 64, 24-bit: the paired point clouds alone.
banner_large.bmp, logo_large.bmp  the same drawn at twice the size, from which
            the program scales down for high dpi; 8-bit with the pictures' own
            palette (they use fewer than 256 colours), a third of the bytes.
quandrelistaphor.ico  32 x 32 and 16 x 16, each in 16 and 256 colours.

Everything is drawn here from code; the files are byte-for-byte reproducible.
"""
import os
import struct
import sys

# 5 x 7 capitals for the name.
GLYPHS = {
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
}


class Image:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, weight=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x, y = round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps)
            for dy in range(weight):
                for dx in range(weight):
                    self.put(x + dx, y + dy, colour)

    def dot(self, x, y, radius, colour):
        for dy in range(-radius, radius + 1):
            for dx in range(-radius, radius + 1):
                if dx * dx + dy * dy <= radius * radius + radius:
                    self.put(x + dx, y + dy, colour)

    def text(self, x, y, word, scale, colour):
        for letter in word:
            for row, bits in enumerate(GLYPHS[letter]):
                for column, bit in enumerate(bits):
                    if bit == "1":
                        self.rect(x + column * scale, y + row * scale,
                                  x + (column + 1) * scale, y + (row + 1) * scale, colour)
            x += 6 * scale


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


NAVY, TEAL, WHITE, ORANGE, PALE = (20, 36, 84), (28, 120, 140), (255, 255, 255), (250, 160, 40), (190, 220, 235)

# Six points as the original lists them, and the order in which the copy lists them.
POINTS = [(0.10, 0.20), (0.85, 0.10), (0.55, 0.45), (0.15, 0.80), (0.90, 0.75), (0.45, 0.95)]
COPY_ORDER = [4, 0, 5, 2, 1, 3]


def paired_clouds(image, x, y, size, radius, bright, colours=(WHITE, ORANGE, PALE, TEAL), weight=1):
    """Two copies of the same points side by side; a line joins the points that
    each copy lists at the same place, crossing where the orders differ."""
    first, second, bright_line, dim_line = colours
    half = size // 2
    inset = 4 * weight
    left = [(x + round(px * (half - inset)), y + round(py * (size - 1))) for px, py in POINTS]
    right = [(x + half + round(POINTS[i][0] * (half - inset)), y + round(POINTS[i][1] * (size - 1)))
             for i in COPY_ORDER]
    for position in range(len(POINTS)):
        image.line(*left[position], *right[position], bright_line if bright else dim_line, weight)
    for point in left:
        image.dot(*point, radius, first)
    for point in right:
        image.dot(*point, radius, second)


def banner(s=1):
    """At s times the size: every length, the lines' weight included, grows by s."""
    width, height = 342 * s, 52 * s
    image = Image(width, height, NAVY)
    for y in range(height):
        for x in range(width):
            image.pixels[y][x] = mix(NAVY, TEAL, x / (width - 1) * 0.8 + y / (height - 1) * 0.2)
    paired_clouds(image, 5 * s, 5 * s, 42 * s, 2 * s, True, weight=s)
    image.text(52 * s, 12 * s, "QUANDRELISTAPHOR", 3 * s, WHITE)
    image.rect(52 * s, 38 * s, (52 + 16 * 18 - 3) * s, 40 * s, ORANGE)
    return image


def logo(s=1):
    size = 64 * s
    image = Image(size, size, NAVY)
    for y in range(size):
        for x in range(size):
            image.pixels[y][x] = mix(NAVY, TEAL, (x + y) / (2 * size - 2))
    paired_clouds(image, 4 * s, 6 * s, 56 * s, 2 * s, True, weight=s)
    return image


def icon(size, colours):
    """The logo at icon size; with 16 colours only the VGA palette's colours are used."""
    image = Image(size, size, (0, 0, 128) if colours == 16 else NAVY)
    if colours == 256:
        for y in range(size):
            for x in range(size):
                image.pixels[y][x] = mix(NAVY, TEAL, (x + y) / (2 * size - 2))
    if colours == 16:
        scheme = ((255, 255, 255), (255, 255, 0), (0, 128, 128), (0, 128, 128))
    else:
        scheme = (WHITE, ORANGE, PALE, TEAL)
    paired_clouds(image, 1, 2, size - 2, 1 if size == 32 else 0, True, scheme)
    # Round the corners: transparent pixels.
    mask = [[0] * size for _ in range(size)]
    for y, x in ((0, 0), (0, size - 1), (size - 1, 0), (size - 1, size - 1)):
        mask[y][x] = 1
    return image, mask


def bmp_24(image):
    row_size = (image.width * 3 + 3) & ~3
    rows = b""
    for y in reversed(range(image.height)):
        row = b"".join(bytes((b, g, r)) for r, g, b in image.pixels[y])
        rows += row + b"\0" * (row_size - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, image.width, image.height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return header + info + rows


def bmp_8(image):
    """Lossless for a picture of at most 256 colours."""
    palette = sorted({c for row in image.pixels for c in row})
    assert len(palette) <= 256, "too many colours for an 8-bit picture"
    index = {colour: i for i, colour in enumerate(palette)}
    row_size = (image.width + 3) & ~3
    rows = b""
    for y in reversed(range(image.height)):
        row = bytes(index[c] for c in image.pixels[y])
        rows += row + b"\0" * (row_size - len(row))
    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, image.width, image.height, 1, 8, 0, len(rows), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(colour_table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + colour_table + rows


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def nearest(palette, colour):
    return min(range(len(palette)), key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


def icon_image(image, mask, colours):
    """One icon image: header, palette, colour bits and the 1-bit transparency mask, bottom row first."""
    size = image.width
    if colours == 16:
        palette = VGA
        bits = 4
    else:
        used = sorted({c for row in image.pixels for c in row})
        palette = (used + [(0, 0, 0)] * 256)[:256]
        bits = 8
    indices = [[nearest(palette, c) if colours == 16 else palette.index(c) for c in row] for row in image.pixels]
    xor = b""
    row_size = (size * bits + 31) // 32 * 4
    for y in reversed(range(size)):
        if bits == 4:
            row = bytes((indices[y][x] << 4) | indices[y][x + 1] for x in range(0, size, 2))
        else:
            row = bytes(indices[y])
        xor += row + b"\0" * (row_size - len(row))
    and_mask = b""
    mask_row_size = (size + 31) // 32 * 4
    for y in reversed(range(size)):
        row = bytearray(mask_row_size)
        for x in range(size):
            if mask[y][x]:
                row[x // 8] |= 0x80 >> (x % 8)
        and_mask += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(and_mask), 0, 0,
                         len(palette), 0)
    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colour_table + xor + and_mask


def ico(entries):
    data = [icon_image(image, mask, colours) for image, mask, colours in entries]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for (image, _, colours), blob in zip(entries, data):
        out += struct.pack("<BBBBHHII", image.width, image.height, 16 if colours == 16 else 0, 0, 1,
                           4 if colours == 16 else 8, len(blob), offset)
        offset += len(blob)
    return out + b"".join(data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "app", "resources")
    with open(os.path.join(out, "banner.bmp"), "wb") as f:
        f.write(bmp_24(banner()))
    with open(os.path.join(out, "logo.bmp"), "wb") as f:
        f.write(bmp_24(logo()))
    with open(os.path.join(out, "banner_large.bmp"), "wb") as f:
        f.write(bmp_8(banner(2)))
    with open(os.path.join(out, "logo_large.bmp"), "wb") as f:
        f.write(bmp_8(logo(2)))
    entries = []
    for colours in (16, 256):
        for size in (32, 16):
            image, mask = icon(size, colours)
            entries.append((image, mask, colours))
    with open(os.path.join(out, "quandrelistaphor.ico"), "wb") as f:
        f.write(ico(entries))


if __name__ == "__main__":
    main()
