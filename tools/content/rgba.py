"""A small RGBA image for generated pictures with transparency, written out as PNG."""

import struct
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
BIT_DEPTH = 8
COLOUR_TYPE_RGBA = 6
FILTER_NONE = 0
COMPRESSION_LEVEL = 9

TRANSPARENT = (0, 0, 0, 0)


class RgbaImage:
    """Pixels stored as RGBA rows from the top, all transparent at first."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = bytearray(bytes(TRANSPARENT) * (width * height))

    def set_pixel(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            at = (y * self.width + x) * 4
            self.pixels[at:at + 4] = bytes(colour)

    def alpha(self, x, y):
        if 0 <= x < self.width and 0 <= y < self.height:
            return self.pixels[(y * self.width + x) * 4 + 3]
        return 0

    def fill_polygon(self, points, colour):
        """Fills every pixel whose centre lies inside the polygon (even-odd rule)."""
        for y in range(self.height):
            for x in range(self.width):
                if inside_polygon(points, x + 0.5, y + 0.5):
                    self.set_pixel(x, y, colour)

    def outline(self, colour):
        """Paints each transparent pixel that touches an opaque one, diagonals included."""
        edge = []
        for y in range(self.height):
            for x in range(self.width):
                if self.alpha(x, y) != 0:
                    continue
                if any(self.alpha(x + dx, y + dy) != 0 for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                    edge.append((x, y))
        for x, y in edge:
            self.set_pixel(x, y, colour)

    def to_png(self):
        """The image as an 8-bit RGBA PNG file, every row unfiltered."""
        stride = self.width * 4
        raw = b"".join(bytes([FILTER_NONE]) + bytes(self.pixels[y * stride:(y + 1) * stride])
                       for y in range(self.height))
        header = struct.pack(">IIBBBBB", self.width, self.height, BIT_DEPTH, COLOUR_TYPE_RGBA, 0, 0, 0)
        return (PNG_SIGNATURE + png_chunk(b"IHDR", header) +
                png_chunk(b"IDAT", zlib.compress(raw, COMPRESSION_LEVEL)) + png_chunk(b"IEND", b""))


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def inside_polygon(points, x, y):
    inside = False
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            inside = not inside
    return inside
