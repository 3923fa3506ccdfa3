"""The lizard-man's skin: one 128 x 128 picture holding the regions that
lizard_body maps onto the sides of its boxes."""

from rgba import RgbaImage
import lizard_body as body

OPAQUE = 255

SCALE_BASE = (66, 128, 58)
SCALE_EDGE = (38, 84, 34)
SCALE_SHINE = (104, 164, 84)
HEAD_BASE = (58, 116, 52)
RIDGE = (120, 150, 60)
BELLY_BASE = (208, 204, 142)
BELLY_SEAM = (168, 164, 108)
CLAW_BASE = (72, 70, 58)
CLAW_TIP = (214, 206, 186)
MOUTH = (40, 24, 22)
EYE_IRIS = (234, 196, 46)
EYE_RING = (150, 110, 20)
PUPIL = (12, 12, 10)

SCALE_WIDTH = 8
SCALE_HEIGHT = 6
BELLY_PLATE = 5
EYE_RADIUS = 7
PUPIL_HALF_HEIGHT = 5
RIDGE_HALF_WIDTH = 3
MOUTH_FROM = 0.55
MOUTH_TO = 0.62
CLAW_COUNT = 4


def shade(colour, amount):
    """`colour` lightened (amount > 0) or darkened, clamped to bytes."""
    return tuple(max(0, min(255, c + amount)) for c in colour)


def variation(row, column):
    """A small, fixed brightness change per scale, so no two rows repeat."""
    return ((row * 7919 + column * 104729) % 13) - 6


def scale_colour(x, y, base):
    row = y // SCALE_HEIGHT
    shifted = x + (SCALE_WIDTH // 2 if row % 2 else 0)
    column = shifted // SCALE_WIDTH
    across, down = shifted % SCALE_WIDTH, y % SCALE_HEIGHT
    if down == SCALE_HEIGHT - 1 or across == 0:
        return shade(SCALE_EDGE, variation(row, column) // 2)
    if down == 1 and 2 <= across <= 4:
        return SCALE_SHINE
    return shade(base, variation(row, column))


def fill(image, region, colour_at):
    left, top, right, bottom = region
    for y in range(top, bottom):
        for x in range(left, right):
            image.set_pixel(x, y, colour_at(x - left, y - top) + (OPAQUE,))


def belly_colour(x, y):
    return BELLY_SEAM if y % BELLY_PLATE == 0 else shade(BELLY_BASE, (x * 3 + y) % 5 - 2)


def head_side_colour(width, height):
    eye_x, eye_y = body.EYE_ACROSS * width, body.EYE_DOWN * height

    def colour(x, y):
        dx, dy = x + 0.5 - eye_x, y + 0.5 - eye_y
        if abs(dx) < 1.0 and abs(dy) < PUPIL_HALF_HEIGHT:
            return PUPIL
        distance = (dx * dx + dy * dy) ** 0.5
        if distance < EYE_RADIUS - 1:
            return EYE_IRIS
        if distance < EYE_RADIUS:
            return EYE_RING
        return scale_colour(x, y, HEAD_BASE)
    return colour


def head_top_colour(width):
    middle = width / 2.0

    def colour(x, y):
        if abs(x + 0.5 - middle) < RIDGE_HALF_WIDTH:
            return shade(RIDGE, -((y // 2) % 2) * 12)
        return scale_colour(x, y, HEAD_BASE)
    return colour


def jaw_side_colour(height):
    def colour(x, y):
        fraction = (y + 0.5) / height
        if fraction < MOUTH_FROM:
            return scale_colour(x, y, HEAD_BASE)
        if fraction < MOUTH_TO:
            return MOUTH
        return belly_colour(x, y)
    return colour


def claw_colour(width, height):
    claw_width = width / CLAW_COUNT

    def colour(x, y):
        within = (x % claw_width) / claw_width
        if y > height * 0.6 and 0.3 < within < 0.7:
            return CLAW_TIP
        return shade(CLAW_BASE, (y // 3) % 2 * 8)
    return colour


def region_size(region):
    return region[2] - region[0], region[3] - region[1]


def lizard_texture():
    """Green scales, a pale belly, yellow slit eyes on the flanks of the head,
    a ridge along the crown and snout, dark palms and soles with pale claws."""
    image = RgbaImage(body.TEXTURE_SIZE, body.TEXTURE_SIZE)
    fill(image, body.SCALES, lambda x, y: scale_colour(x, y, SCALE_BASE))
    fill(image, body.BELLY, belly_colour)
    fill(image, body.HEAD_SIDE, head_side_colour(*region_size(body.HEAD_SIDE)))
    fill(image, body.HEAD_TOP, head_top_colour(region_size(body.HEAD_TOP)[0]))
    fill(image, body.CLAWS, claw_colour(*region_size(body.CLAWS)))
    fill(image, body.JAW_SIDE, jaw_side_colour(region_size(body.JAW_SIDE)[1]))
    return image.to_png()
