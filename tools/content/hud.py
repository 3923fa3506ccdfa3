"""The pictures of the cell phone and the heads-up display: RGBA PNGs whose
white parts take the colour that Scripts/HUD.txt gives each element."""

import math

import terrain
from rgba import RgbaImage

OPAQUE = 255
WHITE = (OPAQUE, OPAQUE, OPAQUE, OPAQUE)
PHONE_BODY = (52, 56, 66, OPAQUE)
PHONE_SCREEN = (176, 204, 168, OPAQUE)
PHONE_KEY = (120, 126, 140, OPAQUE)

PHONE_WIDTH, PHONE_HEIGHT = 96, 160
PHONE_MARGIN = 8
SCREEN_HEIGHT = 64
KEY_COLUMNS, KEY_ROWS = 3, 4
KEY_RADIUS = 7
BUTTON_SIZE = 16
DIAL_SIZE = 128
DIAL_RIM = 5
TICK_LENGTH = 12
TICK_WIDTH = 3
NEEDLE_LENGTH = 56
NEEDLE_BASE_WIDTH = 7
NEEDLE_TIP_WIDTH = 3
NEEDLE_HUB_RADIUS = 5
# The HUD turns a needle to (40 - rpm x 0.02) degrees on the tachometer and
# (40 - 2 x mph) degrees on the speedometer: from 40 degrees at rest to -180 at
# 11000 rpm or 110 mph, 20 degrees for every 1000 rpm or 10 mph, so one dial
# with a tick every 20 degrees serves both.
NEEDLE_REST_DEGREES = 40
NEEDLE_FULL_DEGREES = -180
DEGREES_PER_TICK = 20
# The needle's direction in its picture, as a screen angle (y down): the
# sweep's gap of 140 degrees then lies at the bottom of the dial.
NEEDLE_PICTURE_DEGREES = -20
MARK_SIZE = 16
DOT_SIZE = 8
STAR_SIZE = 24
STAR_POINTS = 5
STAR_INNER = 0.4
MAP_SIZE = 128
PANEL_SIZE = 32
PANEL_CORNER = 6
PANEL_COLOUR = (40, 40, 48, OPAQUE)
MORE_SIZE = 16
MAP_RIM = 4
NORTH_TIP = 12
# The map picture of the whole terrain: the HUD draws 2800 world units from
# the terrain's corner in 512 pixels, rows running with +z.
MAP_PICTURE_SIZE = 512
MAP_PICTURE_SPAN = 2800.0
TERRAIN_SPAN = terrain.QUAD * terrain.CELL_QUADS * terrain.CELLS
GRASS_LOW = (64, 112, 44, OPAQUE)
GRASS_HIGH = (150, 176, 96, OPAQUE)
ROAD_GREY = (104, 104, 110, OPAQUE)
WATER_BLUE = (48, 96, 176, OPAQUE)
START_SAND = (214, 190, 120, OPAQUE)
BEYOND_DARK = (24, 24, 28, OPAQUE)


def disc(image, cx, cy, radius, colour, inner=0.0):
    """Paints the pixels whose centres lie between the two radii."""
    for y in range(image.height):
        for x in range(image.width):
            distance = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if inner <= distance <= radius:
                image.set_pixel(x, y, colour)


def phone_back():
    """A dark handset: a green screen at the top and twelve keys below it."""
    image = RgbaImage(PHONE_WIDTH, PHONE_HEIGHT)
    image.fill_polygon([(0, 0), (PHONE_WIDTH, 0), (PHONE_WIDTH, PHONE_HEIGHT), (0, PHONE_HEIGHT)], PHONE_BODY)
    screen_right, screen_bottom = PHONE_WIDTH - PHONE_MARGIN, PHONE_MARGIN + SCREEN_HEIGHT
    image.fill_polygon([(PHONE_MARGIN, PHONE_MARGIN), (screen_right, PHONE_MARGIN),
                        (screen_right, screen_bottom), (PHONE_MARGIN, screen_bottom)], PHONE_SCREEN)
    pitch_x = (PHONE_WIDTH - 2 * PHONE_MARGIN) / KEY_COLUMNS
    pitch_y = (PHONE_HEIGHT - screen_bottom - PHONE_MARGIN) / KEY_ROWS
    for row in range(KEY_ROWS):
        for column in range(KEY_COLUMNS):
            disc(image, PHONE_MARGIN + (column + 0.5) * pitch_x, screen_bottom + (row + 0.5) * pitch_y,
                 KEY_RADIUS, PHONE_KEY)
    return image.to_png()


def white_disc(size):
    """A round button or marker that fills its square."""
    image = RgbaImage(size, size)
    disc(image, size / 2, size / 2, size / 2, WHITE)
    return image.to_png()


def needle_direction(needle_degrees):
    """The picture's direction (x right, y down) of a needle the HUD turns to
    `needle_degrees`: the sprite turns clockwise on the screen, so the angle
    adds to the direction the needle has in its own picture."""
    screen = math.radians(NEEDLE_PICTURE_DEGREES + needle_degrees)
    return math.cos(screen), math.sin(screen)


def spoke(image, needle_degrees, inner, outer, inner_width, outer_width):
    """A bar out from the centre of a dial-sized picture in a needle's
    direction, between two radii, tapering between two widths."""
    centre = DIAL_SIZE / 2
    dx, dy = needle_direction(needle_degrees)
    across_x, across_y = -dy, dx
    corners = []
    for radius, width in ((inner, inner_width), (outer, outer_width)):
        x, y = centre + radius * dx, centre + radius * dy
        corners.append((x + across_x * width / 2, y + across_y * width / 2))
        corners.append((x - across_x * width / 2, y - across_y * width / 2))
    image.fill_polygon([corners[0], corners[2], corners[3], corners[1]], WHITE)


def dial_tick_degrees():
    """The needle angles of the ticks, from rest to full."""
    return range(NEEDLE_REST_DEGREES, NEEDLE_FULL_DEGREES - 1, -DEGREES_PER_TICK)


def dial():
    """A ring with a tick at every 1000 rpm (10 mph) where the needle points
    then, for both the tachometer and the speedometer."""
    image = RgbaImage(DIAL_SIZE, DIAL_SIZE)
    centre, outer = DIAL_SIZE / 2, DIAL_SIZE / 2
    disc(image, centre, centre, outer, WHITE, outer - DIAL_RIM)
    for degrees in dial_tick_degrees():
        spoke(image, degrees, outer - DIAL_RIM - TICK_LENGTH, outer - DIAL_RIM, TICK_WIDTH, TICK_WIDTH)
    return image.to_png()


def needle():
    """A needle at rest from the centre of a dial-sized picture: the HUD draws
    it over the dial's corner and turns it about the dial's centre."""
    image = RgbaImage(DIAL_SIZE, DIAL_SIZE)
    spoke(image, 0, 0, NEEDLE_LENGTH, NEEDLE_BASE_WIDTH, NEEDLE_TIP_WIDTH)
    disc(image, DIAL_SIZE / 2, DIAL_SIZE / 2, NEEDLE_HUB_RADIUS, WHITE)
    return image.to_png()


def position_mark():
    """The player on the minimap: a triangle pointing the way the map faces."""
    image = RgbaImage(MARK_SIZE, MARK_SIZE)
    image.fill_polygon([(MARK_SIZE / 2, 0), (MARK_SIZE, MARK_SIZE), (0, MARK_SIZE)], WHITE)
    return image.to_png()


def warning_star():
    image = RgbaImage(STAR_SIZE, STAR_SIZE)
    centre = STAR_SIZE / 2
    points = []
    for corner in range(2 * STAR_POINTS):
        radius = centre if corner % 2 == 0 else centre * STAR_INNER
        angle = math.pi * corner / STAR_POINTS - math.pi / 2
        points.append((centre + radius * math.cos(angle), centre + radius * math.sin(angle)))
    image.fill_polygon(points, WHITE)
    return image.to_png()


def map_frame():
    """The minimap's rim with a notch at the top for north."""
    image = RgbaImage(MAP_SIZE, MAP_SIZE)
    centre = MAP_SIZE / 2
    disc(image, centre, centre, centre, WHITE, centre - MAP_RIM)
    image.fill_polygon([(centre, NORTH_TIP), (centre + NORTH_TIP / 2, 0), (centre - NORTH_TIP / 2, 0)], WHITE)
    return image.to_png()


def map_mask():
    """White where the minimap shows: a disc within the frame."""
    image = RgbaImage(MAP_SIZE, MAP_SIZE)
    disc(image, MAP_SIZE / 2, MAP_SIZE / 2, MAP_SIZE / 2 - MAP_RIM, WHITE)
    return image.to_png()


def map_world(pixel):
    """The world x or z under the centre of a map picture's column or row."""
    return terrain.ORIGIN + (pixel + 0.5) * MAP_PICTURE_SPAN / MAP_PICTURE_SIZE


def inside(rect, x, z):
    return rect[0] <= x <= rect[1] and rect[2] <= z <= rect[3]


def map_colour(x, z):
    """The town seen from above: roads grey, the pond blue, the start area
    sand, grass lighter the higher it lies; dark beyond the terrain."""
    end = terrain.ORIGIN + TERRAIN_SPAN
    if not (terrain.ORIGIN <= x < end and terrain.ORIGIN <= z < end):
        return BEYOND_DARK
    if math.hypot(x - terrain.POND[0], z - terrain.POND[1]) < terrain.POND_RADIUS:
        return WATER_BLUE
    column = int((x - terrain.ORIGIN) // terrain.QUAD)
    row = int((z - terrain.ORIGIN) // terrain.QUAD)
    if terrain.quad_material(column, row) == terrain.ASPHALT:
        return ROAD_GREY
    if inside(terrain.START_AREA, x, z):
        return START_SAND
    t = max(0.0, min(1.0, terrain.height(x, z) / terrain.MAX_HILL))
    return tuple(int(round(low + (high - low) * t)) for low, high in zip(GRASS_LOW, GRASS_HIGH))


def map_picture():
    image = RgbaImage(MAP_PICTURE_SIZE, MAP_PICTURE_SIZE)
    for row in range(MAP_PICTURE_SIZE):
        z = map_world(row)
        for column in range(MAP_PICTURE_SIZE):
            image.set_pixel(column, row, map_colour(map_world(column), z))
    return image.to_png()


def conversation_back():
    """The conversation windows' background: a dark panel with rounded
    corners, stretched over the window by its scale."""
    image = RgbaImage(PANEL_SIZE, PANEL_SIZE)
    inner = PANEL_SIZE - PANEL_CORNER
    image.fill_polygon([(PANEL_CORNER, 0), (inner, 0), (inner, PANEL_SIZE), (PANEL_CORNER, PANEL_SIZE)], PANEL_COLOUR)
    image.fill_polygon([(0, PANEL_CORNER), (PANEL_SIZE, PANEL_CORNER), (PANEL_SIZE, inner), (0, inner)], PANEL_COLOUR)
    for cx in (PANEL_CORNER, inner):
        for cy in (PANEL_CORNER, inner):
            disc(image, cx, cy, PANEL_CORNER, PANEL_COLOUR)
    return image.to_png()


def more_text_mark():
    """The arrow shown while a conversation window has more lines to page."""
    image = RgbaImage(MORE_SIZE, MORE_SIZE)
    image.fill_polygon([(2, 4), (MORE_SIZE - 2, 4), (MORE_SIZE / 2, MORE_SIZE - 3)], WHITE)
    return image.to_png()


ASSETS = {
    "Assets/Images/HUD/phone_back.png": phone_back,
    "Assets/Images/HUD/phone_button.png": lambda: white_disc(BUTTON_SIZE),
    "Assets/Images/HUD/dial.png": dial,
    "Assets/Images/HUD/needle.png": needle,
    "Assets/Images/HUD/position.png": position_mark,
    "Assets/Images/HUD/checkpoint_dot.png": lambda: white_disc(DOT_SIZE),
    "Assets/Images/HUD/warning_star.png": warning_star,
    "Assets/Images/HUD/map_frame.png": map_frame,
    "Assets/Images/HUD/map_mask.png": map_mask,
    "Assets/Images/HUD/map.png": map_picture,
    "Assets/Images/HUD/conv_back.png": conversation_back,
    "Assets/Images/HUD/conv_more.png": more_text_mark,
}
