#!/usr/bin/env python3
"""Writes the generated content into a game directory.

Usage: generate.py GAME_DIR

Each asset has one function that returns the file's bytes; main writes them
all. The output depends on nothing but this code, and a file whose bytes are
already right is left untouched, so running it again changes nothing.
"""

import math
import os
import random
import sys
from functools import partial

sys.dont_write_bytecode = True  # keep the source tree clean

from canvas import Canvas  # noqa: E402
from rgba import RgbaImage  # noqa: E402
import cars  # noqa: E402
import character  # noqa: E402
import flares  # noqa: E402
import hud  # noqa: E402
import level_objects  # noqa: E402
import menus  # noqa: E402
import particles  # noqa: E402
import roads  # noqa: E402
import sound  # noqa: E402
import spawn_nodes  # noqa: E402
import terrain  # noqa: E402
import weapons  # noqa: E402
from sound import SAMPLE_RATE  # noqa: E402

SPLASH_WIDTH = 640
SPLASH_HEIGHT = 480


def corvane_splash():
    """The start-up splash: a city skyline at dusk under the game's name."""
    rng = random.Random(1971)
    image = Canvas(SPLASH_WIDTH, SPLASH_HEIGHT)
    horizon = 400

    # Sky from night at the top to an orange glow at the horizon.
    image.vertical_gradient(0, horizon, [
        (0.0, (14, 12, 40)),
        (0.45, (70, 34, 92)),
        (0.8, (196, 84, 86)),
        (1.0, (250, 160, 80)),
    ])
    for _ in range(90):
        x, y = rng.randrange(SPLASH_WIDTH), rng.randrange(int(horizon * 0.45))
        image.set_pixel(x, y, (230, 225, 255) if rng.random() < 0.3 else (150, 140, 190))

    # A low sun, banded where it sinks behind the haze.
    sun_y = 232

    def sun_row(y):
        if y > sun_y and (y - sun_y) % 10 < 3 + (y - sun_y) // 12:
            return None
        return (255, 220 - max(0, y - 190), 120)

    image.disc(470, sun_y, 58, sun_row)

    # Two rows of towers: a hazy far row and a dark near row with lit windows.
    draw_towers(image, rng, horizon + 20, (62, 34, 72), (90, 190), None)
    draw_towers(image, rng, SPLASH_HEIGHT, (16, 12, 26), (70, 240), (255, 196, 96))
    image.fill_rect(0, 452, SPLASH_WIDTH, SPLASH_HEIGHT, (8, 6, 14))

    # A pale band along the top keeps the black loading text readable.
    image.fill_rect(0, 0, SPLASH_WIDTH, 22, (236, 226, 208))
    image.fill_rect(0, 22, SPLASH_WIDTH, 24, (120, 70, 110))

    title, scale = "PROJECT KELM", 6
    left = (SPLASH_WIDTH - Canvas.text_width(title, scale)) // 2
    image.text(left + 4, 94, title, scale, (40, 16, 48))
    image.text(left, 90, title, scale, (252, 238, 214))
    return image.to_bmp24()


def draw_towers(image, rng, base, colour, height_range, window_colour):
    """A row of towers across the image standing on y = base."""
    x = -rng.randrange(30)
    while x < image.width:
        width = rng.randrange(28, 72)
        top = base - rng.randrange(*height_range)
        image.fill_rect(x, top, x + width - 2, base, colour)
        if rng.random() < 0.35:  # a spire
            middle = x + width // 2
            image.fill_rect(middle - 1, top - rng.randrange(12, 40), middle + 1, top, colour)
        if window_colour is not None:
            draw_windows(image, rng, x, top, width - 2, base, window_colour)
        x += width


def draw_windows(image, rng, left, top, width, base, colour):
    for wy in range(top + 8, base - 30, 9):
        for wx in range(left + 5, left + width - 6, 7):
            if rng.random() < 0.22:
                image.fill_rect(wx, wy, wx + 3, wy + 4, colour)


# --- Cursors: 32 x 32 PNG files with alpha. The game centres a cursor image
# on the cursor's position, so each points at (or is centred on) the middle.

CURSOR_SIZE = 32
CURSOR_HOTSPOT = CURSOR_SIZE // 2
CURSOR_FILL = (252, 238, 214, 255)
CURSOR_EDGE = (40, 16, 48, 255)
TARGET_FILL = (250, 96, 64, 255)


def arrow_up():
    """The menu pointer: an arrow whose tip is the middle of the image."""
    image = RgbaImage(CURSOR_SIZE, CURSOR_SIZE)
    shape = [(0, 0), (0, 13), (3, 10), (5, 14), (7, 13), (5, 9), (9, 9)]
    image.fill_polygon([(CURSOR_HOTSPOT + x, CURSOR_HOTSPOT + y) for x, y in shape], CURSOR_FILL)
    image.outline(CURSOR_EDGE)
    return image.to_png()


def arrow_target():
    """The aim marker: a ring with four ticks and a dot, centred on the middle."""
    image = RgbaImage(CURSOR_SIZE, CURSOR_SIZE)
    centre = CURSOR_HOTSPOT
    for y in range(CURSOR_SIZE):
        for x in range(CURSOR_SIZE):
            dx, dy = x + 0.5 - centre, y + 0.5 - centre
            distance = math.hypot(dx, dy)
            ring = 8.0 <= distance <= 10.0
            tick = (abs(dx) < 1.0 and 5.0 <= abs(dy) <= 13.0) or (abs(dy) < 1.0 and 5.0 <= abs(dx) <= 13.0)
            if ring or tick or distance <= 1.5:
                image.set_pixel(x, y, TARGET_FILL)
    image.outline(CURSOR_EDGE)
    return image.to_png()


# --- Test textures that start-up requires.

TEST_TEXTURE_SIZE = 64
TEST_SQUARE = 8
MAGENTA = (255, 0, 255)


def test_checkerboard():
    """Test1: grey and white squares."""
    image = Canvas(TEST_TEXTURE_SIZE, TEST_TEXTURE_SIZE)
    for y in range(0, TEST_TEXTURE_SIZE, TEST_SQUARE):
        for x in range(0, TEST_TEXTURE_SIZE, TEST_SQUARE):
            light = (x + y) // TEST_SQUARE % 2 == 0
            image.fill_rect(x, y, x + TEST_SQUARE, y + TEST_SQUARE, (240, 240, 240) if light else (96, 96, 104))
    return image.to_bmp24()


def test_colour_key():
    """Test2: four coloured squares on magenta, which its colour key makes transparent."""
    image = Canvas(TEST_TEXTURE_SIZE, TEST_TEXTURE_SIZE, MAGENTA)
    half = TEST_TEXTURE_SIZE // 2
    inset = 4
    for (x, y), colour in zip([(0, 0), (half, 0), (0, half), (half, half)],
                              [(220, 40, 40), (40, 200, 60), (40, 80, 220), (240, 220, 60)]):
        image.fill_rect(x + inset, y + inset, x + half - inset, y + half - inset, colour)
    return image.to_bmp24()


# --- The sky box "Dusk": six 64 x 64 faces. The side faces share one gradient
# whose middle row is the horizon, so their edges meet the top and bottom
# faces in the same colour.

SKY_FACE_SIZE = 64
SKY_ZENITH = (22, 18, 58)
SKY_HIGH = (84, 44, 104)
SKY_HORIZON = (246, 150, 84)
SKY_GROUND = (30, 20, 34)


def sky_side():
    """A side face: night above, an orange glow at the horizon, dark haze below."""
    image = Canvas(SKY_FACE_SIZE, SKY_FACE_SIZE)
    image.vertical_gradient(0, SKY_FACE_SIZE, [
        (0.0, SKY_ZENITH),
        (0.3, SKY_HIGH),
        (0.5, SKY_HORIZON),
        (0.56, (120, 70, 72)),
        (1.0, SKY_GROUND),
    ])
    return image.to_bmp24()


def sky_top():
    return Canvas(SKY_FACE_SIZE, SKY_FACE_SIZE, SKY_ZENITH).to_bmp24()


def sky_bottom():
    return Canvas(SKY_FACE_SIZE, SKY_FACE_SIZE, SKY_GROUND).to_bmp24()


# --- The sky box "Compass", for checking how images lie on the sky cube: each
# face one plain colour with a white bar along the image's top edge and an
# arrow pointing at it. Seen from inside, a side face shows its arrow at the
# top of the screen; the top face's arrow points to the front, the bottom
# face's to the right.

COMPASS_FRONT = (208, 48, 40)
COMPASS_BACK = (48, 168, 72)
COMPASS_LEFT = (232, 200, 48)
COMPASS_RIGHT = (40, 88, 208)
COMPASS_TOP = (64, 192, 224)
COMPASS_BOTTOM = (144, 64, 176)
COMPASS_MARK = (255, 255, 255)
COMPASS_BAR = 4
COMPASS_ARROW_TIP = 8
COMPASS_ARROW_HEAD = 10
COMPASS_ARROW_TAIL = 30
COMPASS_ARROW_SHAFT = 3


def compass_face(colour):
    image = Canvas(SKY_FACE_SIZE, SKY_FACE_SIZE, colour)
    image.fill_rect(0, 0, SKY_FACE_SIZE, COMPASS_BAR, COMPASS_MARK)
    middle = SKY_FACE_SIZE // 2
    for row in range(COMPASS_ARROW_HEAD):
        y = COMPASS_ARROW_TIP + row
        image.fill_rect(middle - row - 1, y, middle + row + 1, y + 1, COMPASS_MARK)
    image.fill_rect(middle - COMPASS_ARROW_SHAFT, COMPASS_ARROW_TIP + COMPASS_ARROW_HEAD,
                    middle + COMPASS_ARROW_SHAFT, COMPASS_ARROW_TAIL, COMPASS_MARK)
    return image.to_bmp24()


# --- Sprite sheets: frames side by side on magenta, which the texture's colour
# key makes transparent.

SPARK_FRAME = 32
SPARK_FRAMES = 4


def spark_sheet():
    """Four frames of a spark that flares up and dies down, left to right."""
    image = Canvas(SPARK_FRAME * SPARK_FRAMES, SPARK_FRAME, MAGENTA)
    centre = SPARK_FRAME // 2
    for frame, radius in enumerate((5, 10, 14, 8)):
        left = frame * SPARK_FRAME
        for y in range(SPARK_FRAME):
            for x in range(SPARK_FRAME):
                distance = math.hypot(x + 0.5 - centre, y + 0.5 - centre)
                if distance <= radius:
                    heat = 1.0 - distance / radius
                    image.set_pixel(left + x, y, (255, int(140 + 115 * heat), int(40 + 200 * heat * heat)))
    return image.to_bmp24()


# --- Meshes: text .X files. Faces are wound clockwise seen from outside, as
# the left-handed renderer expects of a front face.

CRATE_TEXTURE_SIZE = 32
CRATE_BOARD = 6
CRATE_PLANK = (176, 124, 64)
CRATE_SEAM = (120, 80, 40)
CRATE_BOARD_COLOUR = (140, 96, 48)
CRATE_HALF = 1.0


def crate_texture():
    """The crate's side: planks inside a frame of boards, no dark pixel anywhere."""
    image = Canvas(CRATE_TEXTURE_SIZE, CRATE_TEXTURE_SIZE, CRATE_PLANK)
    for y in range(CRATE_BOARD * 2, CRATE_TEXTURE_SIZE - CRATE_BOARD, CRATE_BOARD):
        image.fill_rect(0, y, CRATE_TEXTURE_SIZE, y + 1, CRATE_SEAM)
    end = CRATE_TEXTURE_SIZE - CRATE_BOARD
    image.fill_rect(0, 0, CRATE_TEXTURE_SIZE, CRATE_BOARD, CRATE_BOARD_COLOUR)
    image.fill_rect(0, end, CRATE_TEXTURE_SIZE, CRATE_TEXTURE_SIZE, CRATE_BOARD_COLOUR)
    image.fill_rect(0, 0, CRATE_BOARD, CRATE_TEXTURE_SIZE, CRATE_BOARD_COLOUR)
    image.fill_rect(end, 0, CRATE_TEXTURE_SIZE, CRATE_TEXTURE_SIZE, CRATE_BOARD_COLOUR)
    return image.to_bmp24()


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def x_number(value):
    # Rounded first, so that no value reads "-0.000000".
    return "%.6f" % (round(value, 6) + 0.0)


def x_vector(values):
    return ";".join(x_number(v) for v in values) + ";"


def unit_vector(v):
    length = math.sqrt(sum(c * c for c in v))
    return tuple(c / length for c in v)


def x_mesh(name, comment, positions, normals, uvs, faces, diffuse, texture=None, face_materials=None,
           emissive=(0.0, 0.0, 0.0)):
    """A text .X file of one mesh with one material. Each face is a list of
    corner indices, which its normals share; the material has the colour
    `diffuse` (RGBA), the glow `emissive` (RGB) and, when `texture` names one,
    that image. With `face_materials`, `diffuse` is a list of colours, one
    material each, and `face_materials` gives each face's index into it."""

    def vectors(items):
        return ",\n".join("  " + x_vector(item) for item in items) + ";\n"

    def face_list(items):
        return ",\n".join("  %d;" % len(face) + ",".join(str(i) for i in face) + ";" for face in items) + ";\n"

    texture_lines = ["   TextureFilename { \"%s\"; }\n" % texture] if texture else []
    colours = diffuse if face_materials is not None else [diffuse]
    indices = face_materials if face_materials is not None else [0] * len(faces)
    materials = []
    for colour in colours:
        materials += [
            "  Material {\n",
            "   %s;\n" % x_vector(colour),
            "   8.000000;\n",
            "   0.200000;0.200000;0.200000;;\n",
            "   %s;;\n" % ";".join("%.6f" % c for c in emissive),
        ] + texture_lines + ["  }\n"]
    lines = [
        "xof 0302txt 0032\n",
        "// %s\n" % comment,
        "Mesh %s {\n" % name,
        " %d;\n" % len(positions), vectors(positions),
        " %d;\n" % len(faces), face_list(faces),
        " MeshNormals {\n",
        "  %d;\n" % len(normals), vectors(normals),
        "  %d;\n" % len(faces), face_list(faces),
        " }\n",
        " MeshTextureCoords {\n",
        "  %d;\n" % len(uvs), vectors(uvs),
        " }\n",
        " MeshMaterialList {\n",
        "  %d;\n" % len(colours),
        "  %d;\n" % len(faces),
        "  " + ",".join(str(i) for i in indices) + ";;\n",
    ] + materials + [
        " }\n",
        "}\n",
    ]
    return "".join(lines).encode("ascii")


WHITE = (1.0, 1.0, 1.0, 1.0)


def crate_mesh():
    """A cube from -1 to 1, four corners of its own on each side for normals and
    texture coordinates, one material with the crate texture."""
    # Each side: its outward normal and the up of its image seen from outside.
    sides = [
        ((0, 0, -1), (0, 1, 0)), ((0, 0, 1), (0, 1, 0)),
        ((1, 0, 0), (0, 1, 0)), ((-1, 0, 0), (0, 1, 0)),
        ((0, 1, 0), (0, 0, 1)), ((0, -1, 0), (0, 0, -1)),
    ]
    positions, normals, uvs, faces = [], [], [], []
    for normal, up in sides:
        forward = tuple(-n for n in normal)
        right = cross(up, forward)
        first = len(positions)
        # Top left, top right, bottom right, bottom left: clockwise from outside.
        for across, down, uv in ((-1, 1, (0, 0)), (1, 1, (1, 0)), (1, -1, (1, 1)), (-1, -1, (0, 1))):
            positions.append(tuple(CRATE_HALF * (n + across * r + down * u)
                                   for n, r, u in zip(normal, right, up)))
            normals.append(normal)
            uvs.append(uv)
        faces.append([first, first + 1, first + 2, first + 3])
    return x_mesh("crate", "A wooden crate, two units on a side.", positions, normals, uvs, faces,
                  WHITE, "crate.bmp")


SPHERE_RADIUS = 1.0
SPHERE_SLICES = 16
SPHERE_STACKS = 8
SPHERE_COLOUR = (1.0, 0.8, 0.2, 1.0)


def sphere_mesh():
    """The start-up marker: a sphere of latitude rings, triangles at the poles and
    quads between, clockwise from outside; one untextured material."""
    positions, normals, uvs, faces = [], [], [], []
    for stack in range(SPHERE_STACKS + 1):
        phi = math.pi * stack / SPHERE_STACKS
        for slice_ in range(SPHERE_SLICES + 1):
            theta = 2.0 * math.pi * slice_ / SPHERE_SLICES
            normal = (math.sin(phi) * math.cos(theta), math.cos(phi), math.sin(phi) * math.sin(theta))
            positions.append(tuple(SPHERE_RADIUS * n for n in normal))
            normals.append(normal)
            uvs.append((slice_ / SPHERE_SLICES, stack / SPHERE_STACKS))

    def corner(stack, slice_):
        return stack * (SPHERE_SLICES + 1) + slice_

    for stack in range(SPHERE_STACKS):
        for slice_ in range(SPHERE_SLICES):
            quad = [corner(stack, slice_), corner(stack, slice_ + 1),
                    corner(stack + 1, slice_ + 1), corner(stack + 1, slice_)]
            if stack == 0:
                quad = quad[1:]
            elif stack == SPHERE_STACKS - 1:
                quad = quad[:3]
            faces.append(quad)
    return x_mesh("sphere", "A sphere of radius one, centred on the origin.", positions, normals, uvs, faces,
                  SPHERE_COLOUR)


PYRAMID_HALF_BASE = 0.5
PYRAMID_HEIGHT = 1.0


def pyramid_mesh():
    """A square pyramid: a 1 x 1 base centred on the origin at y = 0 and the apex
    at y = 1. Each face has corners of its own, so that its normal is flat;
    one plain white material without texture."""
    h = PYRAMID_HALF_BASE
    apex = (0.0, PYRAMID_HEIGHT, 0.0)
    up = (0.0, 1.0, 0.0)
    corners, uvs = [], []
    # The sides: apex, then the base's right and left corners seen from
    # outside, which is clockwise; the image stands on the base edge.
    for outward in ((0, 0, -1), (1, 0, 0), (0, 0, 1), (-1, 0, 0)):
        right = cross(up, tuple(-c for c in outward))
        base_right = tuple(h * (o + r) for o, r in zip(outward, right))
        base_left = tuple(h * (o - r) for o, r in zip(outward, right))
        corners.append([apex, base_right, base_left])
        uvs += [(0.5, 0.0), (1.0, 1.0), (0.0, 1.0)]
    # The base, clockwise seen from below.
    corners.append([(-h, 0.0, -h), (h, 0.0, -h), (h, 0.0, h), (-h, 0.0, h)])
    uvs += [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]

    positions, normals, faces = [], [], []
    for face in corners:
        # Clockwise corners seen from outside: the first two edges' cross product points out.
        edge1 = tuple(b - a for a, b in zip(face[0], face[1]))
        edge2 = tuple(c - a for a, c in zip(face[0], face[2]))
        normal = unit_vector(cross(edge1, edge2))
        faces.append(list(range(len(positions), len(positions) + len(face))))
        positions += face
        normals += [normal] * len(face)
    return x_mesh("pyramid", "A square pyramid, one unit across and one high, standing on the origin.",
                  positions, normals, uvs, faces, WHITE)


ARROW_HALF_WIDTH = 0.3
ARROW_LENGTH = 1.0
YELLOW = (1.0, 0.85, 0.1, 1.0)
# The arrow glows, so that it shows yellow from behind and below, where the
# sun does not light it.
ARROW_GLOW = (0.75, 0.62, 0.2)


def arrow_mesh():
    """The missions' guiding arrow: a four-sided head one unit long from its
    base square (z = 0) to its tip on +z; flat faces, plain yellow."""
    h = ARROW_HALF_WIDTH
    tip = (0.0, 0.0, ARROW_LENGTH)
    base = [(-h, -h, 0.0), (h, -h, 0.0), (h, h, 0.0), (-h, h, 0.0)]
    centre = (0.0, 0.0, ARROW_LENGTH / 4)
    corners = [[tip, base[i], base[(i + 1) % 4]] for i in range(4)] + [base]
    positions, normals, uvs, faces = [], [], [], []
    for face in corners:
        edge1 = tuple(b - a for a, b in zip(face[0], face[1]))
        edge2 = tuple(c - a for a, c in zip(face[0], face[2]))
        normal = unit_vector(cross(edge1, edge2))
        middle = [sum(c) / len(face) for c in zip(*face)]
        # Clockwise seen from outside: the normal must point away from the centre.
        if sum(n * (m - c) for n, m, c in zip(normal, middle, centre)) < 0:
            face = face[::-1]
            normal = tuple(-n for n in normal)
        faces.append(list(range(len(positions), len(positions) + len(face))))
        positions += face
        normals += [normal] * len(face)
        uvs += [(0.0, 0.0)] * len(face)
    return x_mesh("arrow", "The guiding arrow: one unit long, pointing along +z.", positions, normals, uvs, faces,
                  YELLOW, emissive=ARROW_GLOW)


def victory():
    """A bright rising arpeggio, the last note held."""
    notes = [(523, 0.15), (659, 0.15), (784, 0.15), (1047, 0.6)]
    fanfare = []
    for frequency, seconds in notes:
        fanfare += sound.decay(sound.sine(frequency, seconds, 1.0, (1.0, 0.4, 0.2)), seconds, attack=0.01)
    return sound.wav_bytes(sound.normalise(fanfare, 0.7))


# --- Sound effects: short mono WAV files. Those that loop hold whole cycles of
# every tone in them, so that the loop point does not click.

def car_horn():
    """Two square-ish tones a third apart, held while the horn is."""
    square = (1.0, 0.0, 0.33, 0.0, 0.2, 0.0, 0.14)
    horn = [a + b for a, b in zip(sound.sine(400, 0.5, 0.5, square), sound.sine(500, 0.5, 0.5, square))]
    return sound.wav_bytes(sound.normalise(horn, 0.7))


def car_engine():
    """A low rumble throbbing at 11 Hz; the car plays it faster as the engine speeds up."""
    body = sound.sine(55, 1.0, 1.0, (1.0, 0.6, 0.45, 0.3, 0.2, 0.1))
    throb = sound.sine(11, 1.0)
    engine = [b * (0.75 + 0.25 * t) for b, t in zip(body, throb)]
    return sound.wav_bytes(sound.normalise(engine, 0.7))


def pistol_shot():
    rng = random.Random(45)
    crack = sound.decay(sound.low_pass(sound.noise(rng, 0.35), 0.35), 0.25)
    thump = sound.decay(sound.sine(90, 0.35), 0.12)
    return sound.wav_bytes(sound.normalise([c + 0.6 * t for c, t in zip(crack, thump)], 0.9))


def explosion():
    rng = random.Random(1812)
    rumble = sound.decay(sound.low_pass(sound.noise(rng, 1.6), 0.96), 1.4, attack=0.01)
    boom = sound.decay(sound.sine(48, 1.6, 1.0, (1.0, 0.5)), 0.7)
    return sound.wav_bytes(sound.normalise([r + 0.5 * b for r, b in zip(rumble, boom)], 0.9))


def phone_ring():
    """Ring, ring, then a pause: one cycle of the phone's loop."""
    tone = [a + b for a, b in zip(sound.sine(440, 0.4), sound.sine(480, 0.4))]
    warble = sound.sine(20, 0.4)
    burst = [t * (0.6 + 0.4 * w) for t, w in zip(tone, warble)]
    ring = [0.0] * (2 * SAMPLE_RATE)
    sound.mix_into(ring, burst, 0)
    sound.mix_into(ring, burst, int(0.6 * SAMPLE_RATE))
    return sound.wav_bytes(sound.normalise(ring, 0.6))


# --- Music: "Kelm FM", 16 bars at 120 beats a minute that loop seamlessly.

BEAT = 0.5
BAR_BEATS = 4
LOOP_BARS = 16
# Two bars on each chord: root for the bass, then the triad for the pad.
PROGRESSION = [(45, (57, 60, 64)), (41, (53, 57, 60)), (48, (60, 64, 67)), (43, (55, 59, 62))] * 2


def midi_frequency(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def pan_gains(pan):
    """Equal-power gains (left, right) for a pan from 0 (left) to 1 (right)."""
    return math.cos(pan * math.pi / 2), math.sin(pan * math.pi / 2)


class Track:
    """Stereo buffers that notes are mixed into; notes run round the loop's end."""

    def __init__(self, seconds):
        length = int(seconds * SAMPLE_RATE)
        self.left = [0.0] * length
        self.right = [0.0] * length
        self.cache = {}

    def note(self, key, make):
        if key not in self.cache:
            self.cache[key] = make()
        return self.cache[key]

    def add(self, samples, at_seconds, gain, pan=0.5):
        left, right = pan_gains(pan)
        start = int(at_seconds * SAMPLE_RATE)
        sound.mix_into(self.left, samples, start, gain * left, wrap=True)
        sound.mix_into(self.right, samples, start, gain * right, wrap=True)


def kick():
    samples, phase = [], 0.0
    for i in range(int(0.2 * SAMPLE_RATE)):
        t = i / SAMPLE_RATE
        phase += 2 * math.pi * (45 + 65 * math.exp(-t * 25)) / SAMPLE_RATE
        samples.append(math.sin(phase))
    return sound.decay(samples, 0.2)


def snare(rng):
    rattle = sound.decay(sound.noise(rng, 0.15), 0.15)
    body = sound.decay(sound.sine(180, 0.15), 0.08)
    return [r + 0.5 * b for r, b in zip(rattle, body)]


def hat(rng):
    hiss = sound.noise(rng, 0.04)
    return sound.decay([b - a for a, b in zip([0.0] + hiss, hiss)], 0.04)


def kelm_fm_loop():
    rng = random.Random(2003)
    bar = BEAT * BAR_BEATS
    track = Track(LOOP_BARS * bar)
    pad_shape = (1.0, 0.3)
    bass_shape = (1.0, 0.5, 0.33, 0.25)
    arp_shape = (1.0, 0.0, 0.11)
    drums = {"kick": kick(), "snare": snare(rng), "hat": hat(rng)}

    for chord, (root, triad) in enumerate(PROGRESSION):
        start = chord * 2 * bar
        for voice, note in enumerate(triad):
            pad = track.note(("pad", note), lambda: fade(sound.sine(midi_frequency(note), 2 * bar, 1.0, pad_shape)))
            track.add(pad, start, 0.1, pan=0.25 + 0.25 * voice)
        for eighth in range(4 * BAR_BEATS):
            note = root + (12 if eighth % 2 else 0)
            bass = track.note(("bass", note), lambda: sound.decay(
                sound.sine(midi_frequency(note), 0.24, 1.0, bass_shape), 0.3))
            track.add(bass, start + eighth * BEAT / 2, 0.3)
        # The arpeggio comes in after the first pass through the chords.
        if chord >= len(PROGRESSION) // 2:
            for sixteenth in range(8 * BAR_BEATS):
                note = triad[(0, 1, 2, 1)[sixteenth % 4]] + 12
                arp = track.note(("arp", note), lambda: sound.decay(
                    sound.sine(midi_frequency(note), 0.12, 1.0, arp_shape), 0.12))
                track.add(arp, start + sixteenth * BEAT / 4, 0.12, pan=0.7)

    for beat in range(LOOP_BARS * BAR_BEATS):
        at = beat * BEAT
        track.add(drums["kick"] if beat % 2 == 0 else drums["snare"], at, 0.45 if beat % 2 == 0 else 0.25)
        track.add(drums["hat"], at + BEAT / 2, 0.1, pan=0.35)

    left = sound.normalise(track.left, 0.8)
    right = sound.normalise(track.right, 0.8)
    return sound.ogg_vorbis_bytes(sound.interleave(left, right), channels=2, quality=0.4)


def fade(samples, attack=0.3, release=0.4):
    """A slow swell in and out, for held chords."""
    count = len(samples)
    rise, fall = int(attack * SAMPLE_RATE), int(release * SAMPLE_RATE)
    return [s * min(1.0, i / rise, (count - i) / fall) for i, s in enumerate(samples)]


ASSETS = {
    "Assets/Images/corvane_splash.bmp": corvane_splash,
    "Assets/Images/arrowup.png": arrow_up,
    "Assets/Images/arrowtarget.png": arrow_target,
    "Assets/Images/test1.bmp": test_checkerboard,
    "Assets/Images/test2.bmp": test_colour_key,
    "Assets/Images/Sky/dusk_side.bmp": sky_side,
    "Assets/Images/Sky/dusk_top.bmp": sky_top,
    "Assets/Images/Sky/dusk_bottom.bmp": sky_bottom,
    "Assets/Images/Sky/compass_front.bmp": partial(compass_face, COMPASS_FRONT),
    "Assets/Images/Sky/compass_back.bmp": partial(compass_face, COMPASS_BACK),
    "Assets/Images/Sky/compass_left.bmp": partial(compass_face, COMPASS_LEFT),
    "Assets/Images/Sky/compass_right.bmp": partial(compass_face, COMPASS_RIGHT),
    "Assets/Images/Sky/compass_top.bmp": partial(compass_face, COMPASS_TOP),
    "Assets/Images/Sky/compass_bottom.bmp": partial(compass_face, COMPASS_BOTTOM),
    "Assets/Images/spark_sheet.bmp": spark_sheet,
    "Assets/Images/crate.bmp": crate_texture,
    "Assets/Meshes/crate.x": crate_mesh,
    "Assets/Meshes/sphere.x": sphere_mesh,
    "Assets/Meshes/pyramid.x": pyramid_mesh,
    "Assets/Meshes/arrow.x": arrow_mesh,
    "Assets/Sounds/car_horn.wav": car_horn,
    "Assets/Sounds/car_engine.wav": car_engine,
    "Assets/Sounds/pistol_shot.wav": pistol_shot,
    "Assets/Sounds/explosion.wav": explosion,
    "Assets/Sounds/phone_ring.wav": phone_ring,
    "Assets/Sounds/cinema_whoosh.wav": sound.whoosh,
    "Assets/Sounds/victory.wav": victory,
    "Assets/Music/kelm_fm.ogg": kelm_fm_loop,
}
ASSETS.update(cars.assets(x_mesh))
ASSETS.update(character.ASSETS)
ASSETS.update(level_objects.ASSETS)
ASSETS.update(menus.ASSETS)
ASSETS.update(particles.ASSETS)
ASSETS.update(roads.ASSETS)
ASSETS.update(spawn_nodes.ASSETS)
ASSETS.update(terrain.ASSETS)
ASSETS.update(flares.ASSETS)
ASSETS.update(hud.ASSETS)
ASSETS.update(weapons.ASSETS)
ASSETS.update(sound.ASSETS)


def write_if_changed(path, data):
    try:
        with open(path, "rb") as existing:
            if existing.read() == data:
                return
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(path), exist_ok=True)
    temporary = path + ".tmp"
    with open(temporary, "wb") as out:
        out.write(data)
    os.replace(temporary, path)


def main(argv):
    if len(argv) != 2:
        print("usage: generate.py GAME_DIR", file=sys.stderr)
        return 2
    for relative, make in ASSETS.items():
        write_if_changed(os.path.join(argv[1], relative), make())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
