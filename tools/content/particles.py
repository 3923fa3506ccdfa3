"""The particle textures: 32 x 32 RGBA PNG files.

A particle is a point sprite whose texture is multiplied by the particle's
colour, so each picture is white (or nearly) and says its shape through its
alpha; the scripts under Scripts/Particles/ colour them.
"""

import math
import random

from rgba import RgbaImage

PARTICLE_SIZE = 32
CENTRE = PARTICLE_SIZE / 2.0
OPAQUE = 255


def pixel_offsets():
    """Every pixel with its centre's offset from the middle of the image."""
    for y in range(PARTICLE_SIZE):
        for x in range(PARTICLE_SIZE):
            yield x, y, x + 0.5 - CENTRE, y + 0.5 - CENTRE


def alpha_byte(value):
    return max(0, min(OPAQUE, int(round(value * OPAQUE))))


def soft_puff():
    """A round cloud: dense in the middle, fading to nothing at the edge, a
    little uneven so that overlapping puffs do not band."""
    rng = random.Random(4242)
    lumps = [(rng.uniform(-6, 6), rng.uniform(-6, 6), rng.uniform(4, 8)) for _ in range(6)]
    image = RgbaImage(PARTICLE_SIZE, PARTICLE_SIZE)
    for x, y, dx, dy in pixel_offsets():
        falloff = max(0.0, 1.0 - math.hypot(dx, dy) / CENTRE)
        lumpiness = sum(math.exp(-((dx - lx) ** 2 + (dy - ly) ** 2) / (2 * r * r)) for lx, ly, r in lumps)
        density = falloff ** 1.5 * (0.6 + 0.4 * min(1.0, lumpiness))
        image.set_pixel(x, y, (OPAQUE, OPAQUE, OPAQUE, alpha_byte(density)))
    return image.to_png()


def flame():
    """A tongue of flame pointing up: a round base narrowing to a tip, its
    hot core white and its rim a warm tint."""
    image = RgbaImage(PARTICLE_SIZE, PARTICLE_SIZE)
    base_y = CENTRE * 0.5
    for x, y, dx, dy in pixel_offsets():
        # Measured from a point below the middle; above it the shape narrows.
        up = base_y - dy
        width = CENTRE * 0.55 * (1.0 - max(0.0, up) / (CENTRE * 1.4))
        if width <= 0.0:
            continue
        across = abs(dx) / width
        along = max(0.0, -up) / (CENTRE * 0.5)
        distance = math.hypot(across, along)
        if distance >= 1.0:
            continue
        heat = 1.0 - distance
        colour = (OPAQUE, int(200 + 55 * heat), int(120 + 135 * heat * heat))
        image.set_pixel(x, y, colour + (alpha_byte(heat ** 0.7),))
    return image.to_png()


def spark_dot():
    """A small hard dot in a faint glow."""
    image = RgbaImage(PARTICLE_SIZE, PARTICLE_SIZE)
    for x, y, dx, dy in pixel_offsets():
        distance = math.hypot(dx, dy) / CENTRE
        core = 1.0 if distance < 0.25 else 0.0
        glow = max(0.0, 1.0 - distance) ** 3
        image.set_pixel(x, y, (OPAQUE, OPAQUE, OPAQUE, alpha_byte(max(core, glow))))
    return image.to_png()


def water_drop():
    """A falling drop: round below, pointed above, with a bright spot where
    the light catches it."""
    image = RgbaImage(PARTICLE_SIZE, PARTICLE_SIZE)
    radius = CENTRE * 0.55
    bottom_centre = CENTRE * 0.3
    for x, y, dx, dy in pixel_offsets():
        below = dy - bottom_centre
        if below >= -radius * 0.2:
            inside = math.hypot(dx, below) <= radius
        else:
            # Above the round part the sides close in to a tip.
            height = -below / (CENTRE * 1.3)
            inside = height < 1.0 and abs(dx) <= radius * (1.0 - height)
        if not inside:
            continue
        highlight = math.hypot(dx + radius * 0.35, below + radius * 0.35) < radius * 0.3
        colour = (OPAQUE, OPAQUE, OPAQUE) if highlight else (200, 225, OPAQUE)
        image.set_pixel(x, y, colour + (OPAQUE if highlight else 190,))
    return image.to_png()


ASSETS = {
    "Assets/Images/Particles/puff.png": soft_puff,
    "Assets/Images/Particles/flame.png": flame,
    "Assets/Images/Particles/spark.png": spark_dot,
    "Assets/Images/Particles/drop.png": water_drop,
}
