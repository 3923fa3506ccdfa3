"""The menu pictures: light RGBA PNG plates and shapes that each button's
colour set tints (the menus draw a picture multiplied by the button's current
colour, so white parts take the colour and the alpha gives the shape)."""

from rgba import RgbaImage

OPAQUE = 255
WHITE = (OPAQUE, OPAQUE, OPAQUE, OPAQUE)
# A light rim that stays lighter than the face once tinted.
FACE = (214, 214, 214, 236)

# Wide enough for the longest caption a plate shows: "Display Options", and
# the longest binding name on a controls button, "M-WHEEL DOWN".
PLATE_WIDTH, PLATE_HEIGHT = 208, 32
# The panel behind the options screens: the screen less a margin, so that
# their captions never stand on the town alone.
BACKDROP_WIDTH, BACKDROP_HEIGHT = 576, 448
ARROW_SIZE = 24
BAR_WIDTH, BAR_HEIGHT = 200, 8
KNOB_WIDTH, KNOB_HEIGHT = 12, 24
TAB_WIDTH, TAB_HEIGHT = 112, 28


def rounded_box(width, height, radius, top_only=False):
    """A box with a one-pixel white rim and a lighter face; its corners (only
    the top ones for a tab) are cut round."""
    image = RgbaImage(width, height)
    for y in range(height):
        for x in range(width):
            if outside_corner(x, y, width, height, radius, top_only):
                continue
            rim = x == 0 or y == 0 or x == width - 1 or (y == height - 1 and not top_only)
            image.set_pixel(x, y, WHITE if rim else FACE)
    return image


def outside_corner(x, y, width, height, radius, top_only):
    cx = min(max(x + 0.5, radius), width - radius)
    cy = min(max(y + 0.5, radius), height - radius)
    if top_only and y + 0.5 > radius:
        return False
    return (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 > radius * radius


def button_plate():
    return rounded_box(PLATE_WIDTH, PLATE_HEIGHT, 6).to_png()


def backdrop():
    return rounded_box(BACKDROP_WIDTH, BACKDROP_HEIGHT, 12).to_png()


def tab_plate():
    return rounded_box(TAB_WIDTH, TAB_HEIGHT, 6, top_only=True).to_png()


def arrow(pointing_left):
    """A solid triangle, its point at the middle of one side."""
    image = RgbaImage(ARROW_SIZE, ARROW_SIZE)
    near, far, margin = 4, ARROW_SIZE - 4, 3
    tip_x, base_x = (near, far) if pointing_left else (far, near)
    image.fill_polygon([(tip_x, ARROW_SIZE / 2), (base_x, margin), (base_x, ARROW_SIZE - margin)], WHITE)
    return image.to_png()


def slider_bar():
    return rounded_box(BAR_WIDTH, BAR_HEIGHT, 3).to_png()


def slider_knob():
    return rounded_box(KNOB_WIDTH, KNOB_HEIGHT, 4).to_png()


ASSETS = {
    "Assets/Images/Menu/plate.png": button_plate,
    "Assets/Images/Menu/tab.png": tab_plate,
    "Assets/Images/Menu/backdrop.png": backdrop,
    "Assets/Images/Menu/arrow_left.png": lambda: arrow(True),
    "Assets/Images/Menu/arrow_right.png": lambda: arrow(False),
    "Assets/Images/Menu/slider_bar.png": slider_bar,
    "Assets/Images/Menu/slider_knob.png": slider_knob,
}
