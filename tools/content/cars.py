"""The cars' meshes: the sedan's paintable shell, its glass, its rear lamps
and its two doors; the delivery truck's body of the same parts; and the wheel
every tyre type wears.

Car space: x to the right, y up, z forward, the origin at the middle of the
body, which rides 0.9 above the ground on its tyres. Parts are boxes with
corners of their own on each face, wound clockwise seen from outside. Doors
are made in car space too: a door's body starts where the car's is.
"""

import math

# A sedan 1.8 wide and 4.2 long.
SEDAN_SHELL = [
    ((-0.9, -0.55, -2.1), (0.9, 0.15, 2.1)),   # the lower body
    ((-0.8, 0.85, -1.0), (0.8, 0.93, 0.7)),     # the roof
]
SEDAN_GLASS = [((-0.78, 0.15, -1.0), (0.78, 0.85, 0.7))]
SEDAN_LAMPS = [((-0.8, 0.0, -2.14), (-0.5, 0.1, -2.1)), ((0.5, 0.0, -2.14), (0.8, 0.1, -2.1))]
SEDAN_DOOR_LEFT = [((-0.95, -0.4, -0.3), (-0.9, 0.15, 0.8))]
SEDAN_DOOR_RIGHT = [((0.9, -0.4, -0.3), (0.95, 0.15, 0.8))]

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

PAINT = (0.75, 0.75, 0.78, 1.0)
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


def assets(x_mesh):
    """The car meshes, written with the game's .X writer `x_mesh`."""
    def part(name, comment, boxes, colour):
        return lambda: box_mesh(x_mesh, name, comment, boxes, colour)

    return {
        "Assets/Meshes/Cars/sedan_shell.x": part("sedan_shell", "The sedan's paintable body.", SEDAN_SHELL, PAINT),
        "Assets/Meshes/Cars/sedan_glass.x": part("sedan_glass", "The sedan's windows.", SEDAN_GLASS, GLASS),
        "Assets/Meshes/Cars/sedan_lamps.x": part("sedan_lamps", "The sedan's rear lamps.", SEDAN_LAMPS, LAMP),
        "Assets/Meshes/Cars/sedan_door_left.x": part("sedan_door_left", "The sedan's left door.",
                                                     SEDAN_DOOR_LEFT, PAINT),
        "Assets/Meshes/Cars/sedan_door_right.x": part("sedan_door_right", "The sedan's right door.",
                                                      SEDAN_DOOR_RIGHT, PAINT),
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
