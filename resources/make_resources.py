#!/usr/bin/env python3
"""Draws the program's icon (Octolume32.ico) and banner (banner.bmp).

Standard library only: the BMP and ICO bytes are written here. Run it from any
folder; it writes beside itself. The output is deterministic, so the committed
files only change when the drawing changes.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

BANNER_WIDTH = 1149
BANNER_HEIGHT = 76

# 5 x 7 bitmap font: each glyph is seven rows of five columns, '#' set.
FONT = {
    "0": [" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "],
    "1": ["  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "2": [" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"],
    "3": ["#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "],
    "4": ["   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "],
    "5": ["#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "],
    "6": ["  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "],
    "7": ["#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "],
    "8": [" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "],
    "9": [" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "],
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "B": ["#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "],
    "C": [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    "D": ["###  ", "#  # ", "#   #", "#   #", "#   #", "#  # ", "###  "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "F": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "V": ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    "a": ["     ", "     ", " ### ", "    #", " ####", "#   #", " ####"],
    "c": ["     ", "     ", " ### ", "#    ", "#    ", "#   #", " ### "],
    "e": ["     ", "     ", " ### ", "#   #", "#####", "#    ", " ### "],
    "i": ["  #  ", "     ", " ##  ", "  #  ", "  #  ", "  #  ", " ### "],
    "l": [" ##  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    "m": ["     ", "     ", "## # ", "# # #", "# # #", "# # #", "#   #"],
    "n": ["     ", "     ", "# ## ", "##  #", "#   #", "#   #", "#   #"],
    "o": ["     ", "     ", " ### ", "#   #", "#   #", "#   #", " ### "],
    "r": ["     ", "     ", "# ## ", "##  #", "#    ", "#    ", "#    "],
    "t": [" #   ", " #   ", "#### ", " #   ", " #   ", " #  #", "  ## "],
    "u": ["     ", "     ", "#   #", "#   #", "#   #", "#  ##", " ## #"],
    "w": ["     ", "     ", "#   #", "#   #", "# # #", "# # #", " # # "],
    "x": ["     ", "     ", "#   #", " # # ", "  #  ", " # # ", "#   #"],
    "y": ["     ", "     ", "#   #", "#   #", " ####", "    #", " ### "],
    " ": ["     "] * 7,
}


class Canvas:
    """An RGB picture, rows top to bottom."""

    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def blend(self, x, y, colour, alpha):
        if 0 <= x < self.width and 0 <= y < self.height:
            old = self.pixels[y][x]
            self.pixels[y][x] = tuple(
                round(o + (n - o) * alpha) for o, n in zip(old, colour)
            )

    def fill(self, left, top, width, height, colour):
        for y in range(top, top + height):
            for x in range(left, left + width):
                self.put(x, y, colour)

    def text(self, left, top, text, scale, colour, spacing=1, alpha=1.0):
        """Draws text with the bitmap font; returns the x after the last glyph."""
        x = left
        for char in text:
            glyph = FONT[char]
            for row, line in enumerate(glyph):
                for column, cell in enumerate(line):
                    if cell != "#":
                        continue
                    for dy in range(scale):
                        for dx in range(scale):
                            self.blend(
                                x + column * scale + dx,
                                top + row * scale + dy,
                                colour,
                                alpha,
                            )
            x += (5 + spacing) * scale
        return x


def text_width(text, scale, spacing=1):
    return len(text) * (5 + spacing) * scale - spacing * scale


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


# Banner colours. The picture box paints EDGE right of the picture (kBannerBackground).
NAVY = (16, 32, 58)
DEEP = (24, 52, 86)
EDGE = (28, 60, 96)
ACCENT = (242, 164, 48)
TITLE = (250, 250, 252)
SUBTITLE = (168, 200, 232)
MOTIF = (120, 170, 220)


def draw_banner():
    canvas = Canvas(BANNER_WIDTH, BANNER_HEIGHT)
    # A calm left-to-right gradient that settles into the edge colour.
    for x in range(BANNER_WIDTH):
        t = min(1.0, x / 700.0)
        column_colour = mix(NAVY, DEEP, t) if t < 1.0 else DEEP
        if x > 900:
            column_colour = mix(DEEP, EDGE, (x - 900) / (BANNER_WIDTH - 901))
        # A slight top-to-bottom shade that vanishes at the right edge, so the last
        # column is exactly EDGE and the box's background continues it seamlessly.
        depth = 0.10 * (1.0 - x / (BANNER_WIDTH - 1))
        for y in range(BANNER_HEIGHT):
            shade = 1.0 - depth * (y / (BANNER_HEIGHT - 1))
            canvas.pixels[y][x] = tuple(round(c * shade) for c in column_colour)

    # Hex motif: the product name's bytes, fading towards the right edge.
    motif = "4F 63 74 6F 6C 75 6D 65 33 32 00 01 0A 0D FF 7F"
    for row in range(6):
        rotated = motif[row * 3 :] + " " + motif[: row * 3]
        line = rotated.replace(" ", "  ")
        y = 6 + row * 11
        x = 470
        for char in line:
            fade = max(0.0, 1.0 - abs((x - 800) / 380.0))
            if char != " ":
                canvas.text(x, y, char, 1, MOTIF, alpha=0.10 + 0.16 * fade)
            x += 6

    # Logo mark: four hex cells in a square, one lit in the accent colour.
    cell = 13
    gap = 3
    mark_left = 18
    mark_top = (BANNER_HEIGHT - 2 * cell - gap) // 2 - 1
    for index, (cx, cy) in enumerate([(0, 0), (1, 0), (0, 1), (1, 1)]):
        colour = ACCENT if index == 1 else (70, 110, 160)
        canvas.fill(
            mark_left + cx * (cell + gap),
            mark_top + cy * (cell + gap),
            cell,
            cell,
            colour,
        )

    # Product name with a soft shadow, then the tag line.
    title_left = 62
    title_top = 12
    canvas.text(title_left + 2, title_top + 2, "Octolume32", 4, (6, 12, 24), alpha=0.6)
    canvas.text(title_left, title_top, "Octolume32", 4, TITLE)
    canvas.text(title_left + 1, title_top + 36, "Binary Content Viewer", 2, SUBTITLE)

    # Accent rule along the bottom edge.
    for x in range(BANNER_WIDTH):
        fade = 1.0 if x < 500 else max(0.0, 1.0 - (x - 500) / 600.0)
        canvas.blend(x, BANNER_HEIGHT - 3, ACCENT, 0.85 * fade)
        canvas.blend(x, BANNER_HEIGHT - 2, ACCENT, 0.45 * fade)
    return canvas


def bmp_rows_24(canvas):
    """Bottom-up 24-bit rows, BGR, padded to four bytes."""
    stride = (canvas.width * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for r, g, b in canvas.pixels[y]:
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        data += row
    return bytes(data)


def write_bmp(path, canvas):
    pixels = bmp_rows_24(canvas)
    info = struct.pack(
        "<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(pixels),
        3780, 3780, 0, 0,
    )
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as file:
        file.write(header + info + pixels)


def draw_icon(size):
    """The program icon: a rounded dark tile with "0x" (a round zero) and a byte row; None is
    transparent."""
    canvas = Canvas(size, size, None)
    radius = max(2, size // 6)
    for y in range(size):
        for x in range(size):
            inside = True
            for cx, cy in ((radius, radius), (size - 1 - radius, radius),
                           (radius, size - 1 - radius), (size - 1 - radius, size - 1 - radius)):
                if (x < radius and cx == radius or x > size - 1 - radius and cx != radius) and \
                   (y < radius and cy == radius or y > size - 1 - radius and cy != radius):
                    if (x - cx) ** 2 + (y - cy) ** 2 > radius * radius + radius * 0.6:
                        inside = False
            if inside:
                canvas.pixels[y][x] = mix(DEEP, NAVY, y / (size - 1))
    if size >= 32:
        canvas.text(5, 5, "Ox", 2, TITLE)
        canvas.fill(4, 23, 24, 3, ACCENT)
        canvas.fill(4, 27, 11, 2, (90, 130, 180))
        canvas.fill(17, 27, 11, 2, (90, 130, 180))
    else:
        canvas.text(3, 2, "Ox", 1, TITLE)
        canvas.fill(2, 11, 12, 2, ACCENT)
    # The tile's border, one shade lighter, so it reads on dark backgrounds too.
    border = (70, 110, 160)
    for y in range(size):
        for x in range(size):
            if canvas.pixels[y][x] is None:
                continue
            for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
                if not (0 <= nx < size and 0 <= ny < size) or canvas.pixels[ny][nx] is None:
                    canvas.pixels[y][x] = border
                    break
    return canvas


def and_mask(canvas):
    stride = ((canvas.width + 31) // 32) * 4
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(canvas.width):
            if canvas.pixels[y][x] is None:
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def icon_image_24(canvas):
    solid = Canvas(canvas.width, canvas.height)
    for y in range(canvas.height):
        for x in range(canvas.width):
            solid.pixels[y][x] = canvas.pixels[y][x] or (0, 0, 0)
    xor = bmp_rows_24(solid)
    mask = and_mask(canvas)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height * 2, 1, 24, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask, 0, 24


def icon_image_8(canvas):
    palette = []
    for y in range(canvas.height):
        for x in range(canvas.width):
            colour = canvas.pixels[y][x] or (0, 0, 0)
            if colour not in palette:
                palette.append(colour)
    if len(palette) > 256:
        raise ValueError("the small icon uses more than 256 colours")
    palette += [(0, 0, 0)] * (256 - len(palette))
    stride = (canvas.width + 3) & ~3
    xor = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray(
            palette.index(canvas.pixels[y][x] or (0, 0, 0)) for x in range(canvas.width)
        )
        xor += row + b"\0" * (stride - len(row))
    mask = and_mask(canvas)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height * 2, 1, 8, 0,
                       len(xor) + len(mask), 0, 0, 256, 0)
    # ICONDIRENTRY's colour count is 0 for 256 colours.
    return info + table + bytes(xor) + mask, 0, 8


def write_ico(path, images):
    """images: (width, height, data, colour_count, bits_per_pixel)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    blobs = b""
    for width, height, data, colours, bits in images:
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, colours, 0, 1, bits,
                               len(data), offset)
        offset += len(data)
        blobs += data
    with open(path, "wb") as file:
        file.write(header + entries + blobs)


def main():
    write_bmp(os.path.join(HERE, "banner.bmp"), draw_banner())
    small = draw_icon(16)
    large = draw_icon(32)
    small_data, small_colours, small_bits = icon_image_8(small)
    large_data, large_colours, large_bits = icon_image_24(large)
    write_ico(
        os.path.join(HERE, "Octolume32.ico"),
        [(16, 16, small_data, small_colours, small_bits),
         (32, 32, large_data, large_colours, large_bits)],
    )


if __name__ == "__main__":
    main()
