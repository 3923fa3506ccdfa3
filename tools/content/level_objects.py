"""The props and buildings that levels place: a wall piece, a kerb piece, a
traffic lamp, the sun's disc and three building shells, with the shells'
window texture.

Every part is authored in its object's own coordinates, standing on y = 0
where it stands on the ground: the game bounds an object by its meshes as
they are, without the parts' placement. Faces are wound clockwise seen from
outside, as the left-handed renderer expects of a front face.
"""

import math

from canvas import Canvas
from terrain import x_mesh

WHITE = (1.0, 1.0, 1.0, 1.0)
CONCRETE = (0.72, 0.7, 0.66, 1.0)
KERB_STONE = (0.58, 0.58, 0.6, 1.0)
LAMP_METAL = (0.22, 0.24, 0.22, 1.0)
# The traffic lights paint the lamps (colour groups 1, 2 and 3); unpainted
# they are a dull glass.
LAMP_GLASS = (0.35, 0.35, 0.35, 1.0)
SUN_YELLOW = (1.0, 0.92, 0.55, 1.0)

# Each side of a box: its outward normal and the up of its image seen from outside.
BOX_SIDES = [
    ((0, 0, -1), (0, 1, 0)), ((0, 0, 1), (0, 1, 0)),
    ((1, 0, 0), (0, 1, 0)), ((-1, 0, 0), (0, 1, 0)),
    ((0, 1, 0), (0, 0, 1)), ((0, -1, 0), (0, 0, -1)),
]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


class Geometry:
    """Positions, normals, texture coordinates and faces gathered part by
    part, each face with the index of its material."""

    def __init__(self):
        self.positions, self.normals, self.uvs, self.faces, self.face_materials = [], [], [], [], []

    def add_face(self, corners, normal, uvs, material=0):
        first = len(self.positions)
        self.positions += corners
        self.normals += [normal] * len(corners)
        self.uvs += uvs
        self.faces.append(list(range(first, first + len(corners))))
        self.face_materials.append(material)

    def add_box(self, low, high, tile=None, material=0):
        """An axis-aligned box from `low` to `high`. With `tile` (units per
        texture repeat) its sides are mapped in world units, else each side
        takes the whole image once."""
        centre = tuple((a + b) / 2.0 for a, b in zip(low, high))
        half = tuple((b - a) / 2.0 for a, b in zip(low, high))
        for normal, up in BOX_SIDES:
            right = cross(up, tuple(-n for n in normal))
            width = abs(dot(right, half)) * 2.0
            height = abs(dot(up, half)) * 2.0
            span_u = width / tile if tile else 1.0
            span_v = height / tile if tile else 1.0
            corners, uvs = [], []
            # Top left, top right, bottom right, bottom left: clockwise from outside.
            for across, down, (u, v) in ((-1, 1, (0, 0)), (1, 1, (1, 0)), (1, -1, (1, 1)), (-1, -1, (0, 1))):
                corners.append(tuple(c + h * (n + across * r + down * w)
                                     for c, h, n, r, w in zip(centre, half, normal, right, up)))
                uvs.append((u * span_u, v * span_v))
            self.add_face(corners, normal, uvs, material)

    def add_disc(self, centre, radius, facing, segments=16, material=0):
        """A flat disc facing along `facing` (a unit axis vector), as a fan
        of triangles, clockwise seen from the side it faces."""
        up = (0.0, 1.0, 0.0) if abs(facing[1]) < 0.5 else (0.0, 0.0, 1.0)
        right = cross(up, tuple(-f for f in facing))
        for step in range(segments):
            corners = [centre]
            uvs = [(0.5, 0.5)]
            for k in (step, step + 1):
                angle = 2.0 * math.pi * k / segments
                c, s = math.cos(angle), math.sin(angle)
                corners.append(tuple(p + radius * (c * r + s * u) for p, r, u in zip(centre, right, up)))
                uvs.append((0.5 + 0.5 * c, 0.5 - 0.5 * s))
            # Counter-clockwise in (right, up) is clockwise seen from the front.
            self.add_face([corners[0], corners[2], corners[1]], facing, [uvs[0], uvs[2], uvs[1]], material)

    def mesh(self, name, comment, materials):
        return x_mesh(name, comment, self.positions, self.normals, self.uvs, self.faces, self.face_materials,
                      materials)


def box_mesh(name, comment, low, high, colour):
    geometry = Geometry()
    geometry.add_box(low, high)
    return geometry.mesh(name, comment, [(colour, None)])


WALL_LOW, WALL_HIGH = (-2.0, 0.0, -0.25), (2.0, 3.0, 0.25)
KERB_LOW, KERB_HIGH = (-2.0, 0.0, -0.3), (2.0, 0.3, 0.3)


def wall_mesh():
    return box_mesh("wall", "A wall piece, 4 long, 3 high and 0.5 thick, standing on its base.",
                    WALL_LOW, WALL_HIGH, CONCRETE)


def kerb_mesh():
    return box_mesh("kerb", "A kerb piece, 4 long, 0.3 high and 0.6 wide.", KERB_LOW, KERB_HIGH, KERB_STONE)


# The traffic lamp: a pole with a housing at its top; the three lamps face
# both ways along z, red at the top, green at the bottom.
POLE_HALF = 0.08
HOUSING_LOW, HOUSING_HIGH = (-0.25, 3.2, -0.15), (0.25, 4.4, 0.15)
LAMP_RADIUS = 0.15
LAMP_HEIGHTS = {"green": 3.45, "amber": 3.8, "red": 4.15}
LAMP_FACE_OFFSET = 0.16


def lamp_post_mesh():
    geometry = Geometry()
    geometry.add_box((-POLE_HALF, 0.0, -POLE_HALF), (POLE_HALF, HOUSING_LOW[1], POLE_HALF))
    geometry.add_box(HOUSING_LOW, HOUSING_HIGH)
    return geometry.mesh("lamp_post", "A traffic lamp's pole and housing, 4.4 high.", [(LAMP_METAL, None)])


def lamp_disc_mesh(colour_name):
    geometry = Geometry()
    height = LAMP_HEIGHTS[colour_name]
    geometry.add_disc((0.0, height, -LAMP_FACE_OFFSET), LAMP_RADIUS, (0.0, 0.0, -1.0))
    geometry.add_disc((0.0, height, LAMP_FACE_OFFSET), LAMP_RADIUS, (0.0, 0.0, 1.0))
    return geometry.mesh("lamp_" + colour_name, "The %s lamp of a traffic lamp, facing both ways." % colour_name,
                         [(LAMP_GLASS, None)])


SUN_RADIUS = 30.0


def sun_mesh():
    """The sun's disc, facing the town (toward -z) and away from it."""
    geometry = Geometry()
    geometry.add_disc((0.0, 0.0, 0.0), SUN_RADIUS, (0.0, 0.0, -1.0), segments=24)
    geometry.add_disc((0.0, 0.0, 0.0), SUN_RADIUS, (0.0, 0.0, 1.0), segments=24)
    return geometry.mesh("sun", "The sun's disc, 60 across.", [(SUN_YELLOW, None)])


# Building shells: boxes standing on the ground, their sides papered with a
# storey of windows every WINDOW_TILE units, their roofs too.
WINDOW_TILE = 4.0
SHELLS = {
    "tower": ((20.0, 40.0, 20.0), "A tower, 20 x 40 x 20."),
    "block": ((30.0, 20.0, 24.0), "An office block, 30 x 20 x 24."),
    "hall": ((40.0, 12.0, 26.0), "A market hall, 40 x 12 x 26."),
}


def shell_mesh(kind):
    (width, height, depth), comment = SHELLS[kind]
    geometry = Geometry()
    geometry.add_box((-width / 2.0, 0.0, -depth / 2.0), (width / 2.0, height, depth / 2.0), tile=WINDOW_TILE)
    return geometry.mesh("shell_" + kind, comment, [(WHITE, "windows.bmp")])


WINDOW_TEXTURE_SIZE = 32
FACADE = (168, 150, 132)
WINDOW_GLASS = (64, 92, 128)
WINDOW_FRAME = (232, 226, 214)


def windows_texture():
    """One storey, one window: a frame of facade round a framed pane."""
    image = Canvas(WINDOW_TEXTURE_SIZE, WINDOW_TEXTURE_SIZE, FACADE)
    image.fill_rect(7, 6, 25, 26, WINDOW_FRAME)
    image.fill_rect(9, 8, 23, 24, WINDOW_GLASS)
    image.fill_rect(15, 8, 17, 24, WINDOW_FRAME)
    return image.to_bmp24()


def lamp_asset(colour_name):
    return lambda: lamp_disc_mesh(colour_name)


def shell_asset(kind):
    return lambda: shell_mesh(kind)


ASSETS = {
    "Assets/Images/windows.bmp": windows_texture,
    "Assets/Meshes/wall.x": wall_mesh,
    "Assets/Meshes/kerb.x": kerb_mesh,
    "Assets/Meshes/lamp_post.x": lamp_post_mesh,
    "Assets/Meshes/sun.x": sun_mesh,
}
for _colour in LAMP_HEIGHTS:
    ASSETS["Assets/Meshes/lamp_%s.x" % _colour] = lamp_asset(_colour)
for _kind in SHELLS:
    ASSETS["Assets/Meshes/shell_%s.x" % _kind] = shell_asset(_kind)
