"""The cars' meshes: the sedan's paintable shell, its glass, its rear lamps
and its two doors; the police car's white shell, doors, light bar and stripe; the delivery truck's body of the same parts; the bodies of
the coupe, the pickup, the hatchback, the old saloon and the lowrider, with
their collision boxes; and the wheel every tyre type wears.

Car space: x to the right, y up, z forward, the origin at the middle of the
body, which rides 0.9 above the ground on its tyres. Parts are boxes with
corners of their own on each face, wound clockwise seen from outside. Doors
are made in car space too: a door's body starts where the car's is.
"""

import math
from functools import partial

# A sedan 1.8 wide and 4.2 long.
SEDAN_SHELL = [
    ((-0.9, -0.55, -2.1), (0.9, 0.15, 2.1)),   # the lower body
    ((-0.8, 0.85, -1.0), (0.8, 0.93, 0.7)),     # the roof
]
SEDAN_GLASS = [((-0.78, 0.15, -1.0), (0.78, 0.85, 0.7))]
SEDAN_LAMPS = [((-0.8, 0.0, -2.14), (-0.5, 0.1, -2.1)), ((0.5, 0.0, -2.14), (0.8, 0.1, -2.1))]
SEDAN_DOOR_LEFT = [((-0.95, -0.4, -0.3), (-0.9, 0.15, 0.8))]
SEDAN_DOOR_RIGHT = [((0.9, -0.4, -0.3), (0.95, 0.15, 0.8))]

# The police car: the sedan's shape, white over black lower panels below the
# doors, a light bar on the roof and a stripe along each side, broken where
# the doors are. Only the stripe takes paint, so a police car stays one
# whichever colour the population paints it.
COP_SHELL = [
    (((-0.9, -0.55, -2.1), (0.9, -0.4, 2.1)), 1),     # the black lower panels
    (((-0.9, -0.4, -2.1), (0.9, 0.15, 2.1)), 0),      # the white body
    (((-0.8, 0.85, -1.0), (0.8, 0.93, 0.7)), 0),      # the roof
]
COP_LIGHTBAR = [
    (((-0.6, 0.93, -0.25), (0.0, 1.03, 0.05)), 0),    # red on the left
    (((0.0, 0.93, -0.25), (0.6, 1.03, 0.05)), 1),     # blue on the right
]
COP_STRIPE = [
    ((-0.91, -0.1, -2.1), (-0.9, 0.0, -0.3)), ((-0.91, -0.1, 0.8), (-0.9, 0.0, 2.1)),
    ((0.9, -0.1, -2.1), (0.91, 0.0, -0.3)), ((0.9, -0.1, 0.8), (0.91, 0.0, 2.1)),
]

# A box-bodied delivery truck 2.0 wide and 5.2 long: a cab in front of its cargo box.
DELIVERY_SHELL = [
    ((-1.0, -0.5, -2.6), (1.0, 0.2, 2.6)),      # the chassis
    ((-1.05, 0.2, -2.6), (1.05, 1.8, 0.9)),     # the cargo box
    ((-0.95, 0.9, 0.9), (0.95, 1.0, 2.4)),      # the cab roof
]
DELIVERY_GLASS = [((-0.93, 0.2, 0.9), (0.93, 0.9, 2.4))]
DELIVERY_LAMPS = [((-0.95, 0.1, -2.64), (-0.65, 0.25, -2.6)), ((0.65, 0.1, -2.64), (0.95, 0.25, -2.6))]
DELIVERY_DOOR_LEFT = [((-1.05, -0.35, 1.0), (-1.0, 0.9, 2.1))]
DELIVERY_DOOR_RIGHT = [((1.0, -0.35, 1.0), (1.05, 0.9, 2.1))]



class Body:
    """A car body of boxes: the lower body from `floor` to `belt` over the
    whole `width` and `length`; a cabin from the belt to `roof` between the
    two z of `cabin`, its glass inset from the sides; the doors as slabs on
    the sides between the two z of `doors`; `extra` paintable boxes (a
    spoiler, a load bed). The collision boxes are the lower body, the cabin
    and the extras."""

    def __init__(self, width, length, floor, belt, roof, cabin, doors, extra=()):
        self.half_width = width / 2
        self.half_length = length / 2
        self.floor = floor
        self.belt = belt
        self.roof = roof
        self.cabin = cabin
        self.doors = doors
        self.extra = list(extra)

    def lower(self):
        return ((-self.half_width, self.floor, -self.half_length), (self.half_width, self.belt, self.half_length))

    def cabin_box(self):
        inset = self.half_width - CABIN_INSET
        return ((-inset, self.belt, self.cabin[0]), (inset, self.roof, self.cabin[1]))

    def shell(self):
        (low_x, _, back), (high_x, _, front) = self.cabin_box()
        roof = ((low_x, self.roof - ROOF_THICKNESS, back), (high_x, self.roof, front))
        return [self.lower(), roof] + self.extra

    def glass(self):
        (low_x, _, back), (high_x, _, front) = self.cabin_box()
        return [((low_x + GLASS_INSET, self.belt, back), (high_x - GLASS_INSET, self.roof - ROOF_THICKNESS, front))]

    def lamps(self):
        outer, inner = self.half_width - LAMP_MARGIN, self.half_width - LAMP_MARGIN - LAMP_WIDTH
        top = self.belt - LAMP_MARGIN
        rear = -self.half_length
        return [((-outer, top - LAMP_HEIGHT, rear - LAMP_DEPTH), (-inner, top, rear)),
                ((inner, top - LAMP_HEIGHT, rear - LAMP_DEPTH), (outer, top, rear))]

    def door(self, side):
        """The left (-1) or right (+1) door, a slab outside the body's side."""
        near, far = side * self.half_width, side * (self.half_width + DOOR_THICKNESS)
        return [((min(near, far), self.floor + DOOR_SILL, self.doors[0]),
                 (max(near, far), self.belt, self.doors[1]))]

    def collision(self):
        return [self.lower(), self.cabin_box()] + self.extra


# Each kind's body. The wheels, seats, doors' hinges and gas tank that fit it
# are in Scripts/Cars.txt.
BODIES = {
    # A low coupe with a lip of a spoiler on its tail.
    "porch": Body(1.84, 4.1, -0.6, 0.0, 0.5, (-1.0, 0.4), (-0.45, 0.55),
                  [((-0.8, 0.0, -2.05), (0.8, 0.12, -1.8))]),
    # A pickup: a tall cab and an open load bed behind it.
    "truck": Body(1.96, 5.2, -0.5, 0.25, 1.05, (0.0, 1.3), (0.1, 1.25),
                  [((-0.98, 0.25, -2.6), (-0.86, 0.65, -0.05)), ((0.86, 0.25, -2.6), (0.98, 0.65, -0.05)),
                   ((-0.86, 0.25, -2.6), (0.86, 0.65, -2.48))]),
    # A short hatchback whose cabin runs to its tail.
    "hatch": Body(1.7, 3.7, -0.55, 0.15, 1.0, (-1.75, 0.55), (-0.55, 0.65)),
    # A long, wide old saloon with a long boot.
    "ghetto": Body(2.0, 5.0, -0.55, 0.2, 0.95, (-1.1, 0.7), (-0.4, 0.8)),
    # A long, low saloon slammed down over its wheels.
    "lowrider": Body(1.96, 5.3, -0.62, -0.05, 0.55, (-1.2, 0.5), (-0.5, 0.6)),
}

CABIN_INSET = 0.1
ROOF_THICKNESS = 0.08
GLASS_INSET = 0.02
LAMP_MARGIN = 0.1
LAMP_WIDTH = 0.3
LAMP_HEIGHT = 0.1
LAMP_DEPTH = 0.04
DOOR_THICKNESS = 0.05
DOOR_SILL = 0.15

PAINT = (0.75, 0.75, 0.78, 1.0)
POLICE_WHITE = (0.95, 0.95, 0.95, 1.0)
POLICE_BLACK = (0.05, 0.05, 0.06, 1.0)
POLICE_RED = (0.9, 0.05, 0.05, 1.0)
POLICE_BLUE = (0.05, 0.15, 0.9, 1.0)
POLICE_STRIPE = (0.1, 0.2, 0.6, 1.0)
GLASS = (0.35, 0.5, 0.6, 0.45)
LAMP = (0.6, 0.05, 0.05, 1.0)
TYRE = (0.12, 0.12, 0.12, 1.0)

WHEEL_RADIUS = 0.35
WHEEL_HALF_WIDTH = 0.11
WHEEL_SEGMENTS = 16

# Each face of a box: its outward normal and the two axes its corners step
# along, so that (first, second) turn clockwise seen from outside.
BOX_FACES = [
    ((0, 0, -1), (1, 0, 0), (0, 1, 0)), ((0, 0, 1), (-1, 0, 0), (0, 1, 0)),
    ((1, 0, 0), (0, 0, 1), (0, 1, 0)), ((-1, 0, 0), (0, 0, -1), (0, 1, 0)),
    ((0, 1, 0), (1, 0, 0), (0, 0, 1)), ((0, -1, 0), (1, 0, 0), (0, 0, -1)),
]


def box_geometry(boxes):
    """Positions, normals, uvs and faces of the boxes, each face four corners."""
    positions, normals, uvs, faces = [], [], [], []
    for low, high in boxes:
        centre = [(a + b) / 2 for a, b in zip(low, high)]
        half = [(b - a) / 2 for a, b in zip(low, high)]
        for normal, right, up in BOX_FACES:
            first = len(positions)
            for across, down, uv in ((-1, 1, (0, 0)), (1, 1, (1, 0)), (1, -1, (1, 1)), (-1, -1, (0, 1))):
                positions.append(tuple(c + h * (n + across * r + down * u)
                                       for c, h, n, r, u in zip(centre, half, normal, right, up)))
                normals.append(normal)
                uvs.append(uv)
            faces.append([first, first + 1, first + 2, first + 3])
    return positions, normals, uvs, faces


def box_mesh(x_mesh, name, comment, boxes, colour):
    return x_mesh(name, comment, *box_geometry(boxes), colour)


def two_colour_mesh(x_mesh, name, comment, boxes, colours):
    """Boxes given as (box, index into `colours`), each box in its colour."""
    positions, normals, uvs, faces = box_geometry([box for box, _ in boxes])
    face_materials = [colour for _, colour in boxes for _ in BOX_FACES]
    return x_mesh(name, comment, positions, normals, uvs, faces, list(colours), face_materials=face_materials)


def wheel_mesh(x_mesh):
    """A cylinder of radius 0.35 about the x axis, 0.22 wide, centred on the origin."""
    positions, normals, uvs, faces = [], [], [], []
    ring = [(math.cos(2 * math.pi * i / WHEEL_SEGMENTS), math.sin(2 * math.pi * i / WHEEL_SEGMENTS))
            for i in range(WHEEL_SEGMENTS)]
    # The tread: one quad per segment, its normal through the middle of it.
    for i in range(WHEEL_SEGMENTS):
        (c0, s0), (c1, s1) = ring[i], ring[(i + 1) % WHEEL_SEGMENTS]
        middle = (0.0, (s0 + s1) / 2, (c0 + c1) / 2)
        length = math.hypot(middle[1], middle[2])
        normal = (0.0, middle[1] / length, middle[2] / length)
        first = len(positions)
        for x, (c, s) in ((WHEEL_HALF_WIDTH, (c0, s0)), (WHEEL_HALF_WIDTH, (c1, s1)),
                          (-WHEEL_HALF_WIDTH, (c1, s1)), (-WHEEL_HALF_WIDTH, (c0, s0))):
            positions.append((x, WHEEL_RADIUS * s, WHEEL_RADIUS * c))
            normals.append(normal)
            uvs.append((0.5 + 0.5 * c, 0.5 + 0.5 * s))
        faces.append([first, first + 1, first + 2, first + 3])
    # The two sides, each one polygon.
    for side in (1, -1):
        first = len(positions)
        order = range(WHEEL_SEGMENTS) if side < 0 else reversed(range(WHEEL_SEGMENTS))
        for i in order:
            c, s = ring[i]
            positions.append((side * WHEEL_HALF_WIDTH, WHEEL_RADIUS * s, WHEEL_RADIUS * c))
            normals.append((float(side), 0.0, 0.0))
            uvs.append((0.5 + 0.5 * c, 0.5 + 0.5 * s))
        faces.append(list(range(first, first + WHEEL_SEGMENTS)))
    return x_mesh("wheel", "A wheel of radius 0.35, its axle along x.", positions, normals, uvs, faces, TYRE)


def number(value):
    return ("%.3f" % (round(value, 3) + 0.0)).rstrip("0").rstrip(".")


def collision_file(name, boxes):
    """A collision file of the boxes, each the next of the one before."""
    lines = ["; The %s's body, in car space, from tools/content/cars.py. CalculateRadius" % name,
             "; in Scripts\\Cars.txt replaces the radius below with half the boxes' diagonal.",
             "Radius 3.0", "Start"]
    for depth, (low, high) in enumerate(boxes):
        indent = "    " * (depth + 1)
        if depth > 0:
            lines.append("    " * depth + "Next")
        lines.append(indent + "BoxMin " + " ".join(number(v) for v in low))
        lines.append(indent + "BoxMax " + " ".join(number(v) for v in high))
    for depth in reversed(range(len(boxes))):
        lines.append("    " * depth + "EndBox")
    return ("\n".join(lines) + "\n").encode("ascii")


def body_assets(x_mesh, kind, body):
    """The five meshes of one kind's body and its collision file."""
    title = kind.capitalize()
    parts = [("shell", "paintable body", body.shell(), PAINT), ("glass", "windows", body.glass(), GLASS),
             ("lamps", "rear lamps", body.lamps(), LAMP), ("door_left", "left door", body.door(-1), PAINT),
             ("door_right", "right door", body.door(1), PAINT)]
    made = {}
    for part, what, boxes, colour in parts:
        name = "%s_%s" % (kind, part)
        made["Assets/Meshes/Cars/%s.x" % name] = partial(box_mesh, x_mesh, name, "The %s's %s." % (kind, what),
                                                         boxes, colour)
    made["Scripts/Collision/%s.txt" % title] = partial(collision_file, kind, body.collision())
    return made


def assets(x_mesh):
    """The car meshes, written with the game's .X writer `x_mesh`."""
    def part(name, comment, boxes, colour):
        return lambda: box_mesh(x_mesh, name, comment, boxes, colour)

    made = {
        "Assets/Meshes/Cars/sedan_shell.x": part("sedan_shell", "The sedan's paintable body.", SEDAN_SHELL, PAINT),
        "Assets/Meshes/Cars/sedan_glass.x": part("sedan_glass", "The sedan's windows.", SEDAN_GLASS, GLASS),
        "Assets/Meshes/Cars/sedan_lamps.x": part("sedan_lamps", "The sedan's rear lamps.", SEDAN_LAMPS, LAMP),
        "Assets/Meshes/Cars/sedan_door_left.x": part("sedan_door_left", "The sedan's left door.",
                                                     SEDAN_DOOR_LEFT, PAINT),
        "Assets/Meshes/Cars/sedan_door_right.x": part("sedan_door_right", "The sedan's right door.",
                                                      SEDAN_DOOR_RIGHT, PAINT),
        "Assets/Meshes/Cars/cop_shell.x": lambda: two_colour_mesh(
            x_mesh, "cop_shell", "The police car's body: white over black lower panels.", COP_SHELL,
            (POLICE_WHITE, POLICE_BLACK)),
        "Assets/Meshes/Cars/cop_door_left.x": part("cop_door_left", "The police car's white left door.",
                                                   SEDAN_DOOR_LEFT, POLICE_WHITE),
        "Assets/Meshes/Cars/cop_door_right.x": part("cop_door_right", "The police car's white right door.",
                                                    SEDAN_DOOR_RIGHT, POLICE_WHITE),
        "Assets/Meshes/Cars/cop_lightbar.x": lambda: two_colour_mesh(
            x_mesh, "cop_lightbar", "The police car's roof light bar, red on the left, blue on the right.",
            COP_LIGHTBAR, (POLICE_RED, POLICE_BLUE)),
        "Assets/Meshes/Cars/cop_stripe.x": part("cop_stripe", "The police car's side stripes, its paint.",
                                                COP_STRIPE, POLICE_STRIPE),
        "Assets/Meshes/Cars/delivery_shell.x": part("delivery_shell", "The delivery truck's body.",
                                                    DELIVERY_SHELL, PAINT),
        "Assets/Meshes/Cars/delivery_glass.x": part("delivery_glass", "The delivery truck's windows.",
                                                    DELIVERY_GLASS, GLASS),
        "Assets/Meshes/Cars/delivery_lamps.x": part("delivery_lamps", "The delivery truck's rear lamps.",
                                                    DELIVERY_LAMPS, LAMP),
        "Assets/Meshes/Cars/delivery_door_left.x": part("delivery_door_left", "The delivery truck's left door.",
                                                        DELIVERY_DOOR_LEFT, PAINT),
        "Assets/Meshes/Cars/delivery_door_right.x": part("delivery_door_right",
                                                         "The delivery truck's right door.",
                                                         DELIVERY_DOOR_RIGHT, PAINT),
        "Assets/Meshes/Cars/wheel.x": lambda: wheel_mesh(x_mesh),
    }
    for kind, body in BODIES.items():
        made.update(body_assets(x_mesh, kind, body))
    return made
