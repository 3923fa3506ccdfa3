"""A small RGB canvas for generated images, written out as 24-bit BMP files."""

import struct

# Bitmap file layout: a 14-byte file header and a 40-byte info header.
FILE_HEADER_SIZE = 14
INFO_HEADER_SIZE = 40
PIXELS_PER_METRE_72_DPI = 2835

# A blocky 5 x 7 font: each glyph is seven rows of five columns, '#' lit.
GLYPH_WIDTH = 5
GLYPH_HEIGHT = 7
GLYPHS = {
    " ": ["     "] * GLYPH_HEIGHT,
    "C": [" ####", "#    ", "#    ", "#    ", "#    ", "#    ", " ####"],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "J": ["  ###", "    #", "    #", "    #", "    #", "#   #", " ### "],
    "K": ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    "L": ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    "M": ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "P": ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
}


def lerp_colour(a, b, t):
    """The colour a fraction t of the way from a to b."""
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


class Canvas:
    """Pixels stored as RGB rows from the top; every drawing call clips."""

    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = bytearray(bytes(colour) * (width * height))

    def set_pixel(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            at = (y * self.width + x) * 3
            self.pixels[at:at + 3] = bytes(colour)

    def fill_rect(self, left, top, right, bottom, colour):
        """Fills [left, right) x [top, bottom)."""
        left, right = max(left, 0), min(right, self.width)
        top, bottom = max(top, 0), min(bottom, self.height)
        if left >= right:
            return
        row = bytes(colour) * (right - left)
        for y in range(top, bottom):
            at = (y * self.width + left) * 3
            self.pixels[at:at + len(row)] = row

    def vertical_gradient(self, top, bottom, stops):
        """Fills rows [top, bottom) through the (fraction, colour) stops."""
        span = max(bottom - top - 1, 1)
        for y in range(top, bottom):
            t = (y - top) / span
            for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
                if t0 <= t <= t1:
                    colour = lerp_colour(c0, c1, (t - t0) / (t1 - t0))
                    break
            self.fill_rect(0, y, self.width, y + 1, colour)

    def disc(self, cx, cy, radius, colour_at_row):
        """A filled circle, each row coloured by colour_at_row(y), or skipped when it gives None."""
        for y in range(cy - radius, cy + radius + 1):
            colour = colour_at_row(y)
            if colour is None:
                continue
            dy = y - cy
            half = int((radius * radius - dy * dy) ** 0.5)
            self.fill_rect(cx - half, y, cx + half + 1, y + 1, colour)

    def text(self, x, y, string, scale, colour):
        """Draws string in the blocky font, each font pixel scale x scale."""
        advance = (GLYPH_WIDTH + 1) * scale
        for index, char in enumerate(string):
            glyph = GLYPHS[char]
            left = x + index * advance
            for row, bits in enumerate(glyph):
                for column, bit in enumerate(bits):
                    if bit == "#":
                        px, py = left + column * scale, y + row * scale
                        self.fill_rect(px, py, px + scale, py + scale, colour)

    @staticmethod
    def text_width(string, scale):
        return (len(string) * (GLYPH_WIDTH + 1) - 1) * scale

    def to_bmp24(self):
        """The canvas as a bottom-up 24-bit BMP file."""
        stride = (self.width * 3 + 3) & ~3
        padding = bytes(stride - self.width * 3)
        data_offset = FILE_HEADER_SIZE + INFO_HEADER_SIZE
        data_size = stride * self.height
        header = struct.pack("<2sIHHI", b"BM", data_offset + data_size, 0, 0, data_offset)
        info = struct.pack("<IiiHHIIiiII", INFO_HEADER_SIZE, self.width, self.height, 1, 24, 0,
                           data_size, PIXELS_PER_METRE_72_DPI, PIXELS_PER_METRE_72_DPI, 0, 0)
        rows = []
        for y in range(self.height - 1, -1, -1):
            row = bytearray(self.pixels[y * self.width * 3:(y + 1) * self.width * 3])
            row[0::3], row[2::3] = row[2::3], row[0::3]  # RGB to BGR
            rows.append(bytes(row) + padding)
        return header + info + b"".join(rows)
