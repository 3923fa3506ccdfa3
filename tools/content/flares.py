"""The lens-flare textures: 64 x 64 RGBA PNG files.

Flare spots are drawn added onto the picture, tinted by each spot's colour, so
each texture is white and says its shape through its alpha.
"""

import math

from rgba import RgbaImage

FLARE_SIZE = 64
CENTRE = FLARE_SIZE / 2.0
OPAQUE = 255
WHITE = (OPAQUE, OPAQUE, OPAQUE)
HEXAGON_SIDES = 6


def alpha_byte(value):
    return max(0, min(OPAQUE, int(round(value * OPAQUE))))


def radial(shape):
    """An image whose alpha is shape(r), r the distance from the middle as a
    fraction of the half size."""
    image = RgbaImage(FLARE_SIZE, FLARE_SIZE)
    for y in range(FLARE_SIZE):
        for x in range(FLARE_SIZE):
            r = math.hypot(x + 0.5 - CENTRE, y + 0.5 - CENTRE) / CENTRE
            image.set_pixel(x, y, WHITE + (alpha_byte(shape(r)),))
    return image.to_png()


def disc():
    """The sun itself: a solid core with a short bright halo."""
    def shape(r):
        if r < 0.45:
            return 1.0
        return max(0.0, 1.0 - (r - 0.45) / 0.55) ** 2
    return radial(shape)


def ring():
    """A thin soft ring near the edge."""
    return radial(lambda r: max(0.0, 1.0 - abs(r - 0.8) / 0.12) ** 1.5)


def glow():
    """A broad haze, brightest in the middle."""
    return radial(lambda r: max(0.0, 1.0 - r) ** 2 * 0.8)


def hexagon():
    """An even hexagon, as an aperture's blades cast it, a little fainter in
    the middle than at its soft rim."""
    image = RgbaImage(FLARE_SIZE, FLARE_SIZE)
    apothem = CENTRE * 0.85
    for y in range(FLARE_SIZE):
        for x in range(FLARE_SIZE):
            dx, dy = x + 0.5 - CENTRE, y + 0.5 - CENTRE
            # The distance to the hexagon's edge along the nearest face normal.
            reach = max(abs(dx * math.cos(a) + dy * math.sin(a))
                        for a in (math.pi * k / 3.0 for k in range(HEXAGON_SIDES // 2)))
            edge = reach / apothem
            if edge >= 1.0:
                continue
            rim = min(1.0, (1.0 - edge) / 0.1)
            image.set_pixel(x, y, WHITE + (alpha_byte(rim * (0.55 + 0.45 * edge)),))
    return image.to_png()


ASSETS = {
    "Assets/Images/Flares/disc.png": disc,
    "Assets/Images/Flares/ring.png": ring,
    "Assets/Images/Flares/hexagon.png": hexagon,
    "Assets/Images/Flares/glow.png": glow,
}
