"""The ground of the level "Modern": 6 x 6 cell meshes of 32 x 32 quads, 8
units a quad, from (-768, -768) to (768, 768), and their two textures.

The town that later content places lies on fixed ground:
- the town square, x 270-490, z 80-300, flat at 0, with 12-wide roads on the
  loop x 290-470, z 100-280 and on x = 380 and z = 190 inside it, and the
  pond basin centred on (430, 240), 20 across in radius and 6 deep;
- the start area, x -90-0, z -100 to -20, flat at 0, joined to the town by a
  road along z = -60 and then north along x = 290 to the loop's south-west
  corner;
- hills of at most 20 elsewhere, rising smoothly from the flat ground, kept
  below 5 within 60 of the menu camera's point (514, 311).

Each quad is cut on its diagonal from (c, r) to (c + 1, r + 1), as the game's
physics ground and height query cut it; shared edge vertices are identical.
"""

import math

from canvas import Canvas

QUAD = 8.0
CELL_QUADS = 32
CELLS = 6
SAMPLES = CELLS * CELL_QUADS + 1
ORIGIN = -768.0

TOWN = (270.0, 490.0, 80.0, 300.0)
START_AREA = (-90.0, 0.0, -100.0, -20.0)
ROAD_HALF_WIDTH = 6.0
# Roads keep flat ground on each side for the sidewalks.
ROAD_FLAT_HALF_WIDTH = 12.0
LOOP = (290.0, 470.0, 100.0, 280.0)
ROADS = [
    ((LOOP[0], LOOP[2]), (LOOP[1], LOOP[2])),
    ((LOOP[1], LOOP[2]), (LOOP[1], LOOP[3])),
    ((LOOP[1], LOOP[3]), (LOOP[0], LOOP[3])),
    ((LOOP[0], LOOP[3]), (LOOP[0], LOOP[2])),
    ((380.0, LOOP[2]), (380.0, LOOP[3])),
    ((LOOP[0], 190.0), (LOOP[1], 190.0)),
    # Out to the start area.
    ((-10.0, -60.0), (LOOP[0], -60.0)),
    ((LOOP[0], -60.0), (LOOP[0], LOOP[2])),
]
POND = (430.0, 240.0)
POND_RADIUS = 20.0
POND_FLOOR = -6.0
POND_FLAT_RADIUS = 12.0
MENU_CAMERA = (514.0, 311.0)
MENU_CAMERA_CALM_RADIUS = 60.0
MENU_CAMERA_CALM_SCALE = 0.2
MAX_HILL = 20.0
HILL_RISE = 80.0

GRASS, ASPHALT = 0, 1
MATERIALS = [
    ((0.85, 0.9, 0.8, 1.0), "ground_grass.bmp"),
    ((0.8, 0.8, 0.8, 1.0), "ground_asphalt.bmp"),
]
TEXTURE_SIZE = 64
# The textures repeat every this many units.
TEXTURE_SPAN = 32.0


def smoothstep(edge0, edge1, x):
    t = min(1.0, max(0.0, (x - edge0) / (edge1 - edge0)))
    return t * t * (3.0 - 2.0 * t)


def rectangle_distance(rect, x, z):
    dx = max(rect[0] - x, 0.0, x - rect[1])
    dz = max(rect[2] - z, 0.0, z - rect[3])
    return math.hypot(dx, dz)


def segment_distance(segment, x, z):
    (ax, az), (bx, bz) = segment
    ex, ez = bx - ax, bz - az
    t = max(0.0, min(1.0, ((x - ax) * ex + (z - az) * ez) / (ex * ex + ez * ez)))
    return math.hypot(x - (ax + t * ex), z - (az + t * ez))


def road_distance(x, z):
    return min(segment_distance(road, x, z) for road in ROADS)


def hills(x, z):
    """Rolling ground from 0 to MAX_HILL."""
    wave = (math.sin(x * 0.021 + 0.7) * math.cos(z * 0.017) + math.sin(x * 0.013 - z * 0.019 + 2.1)) / 2.0
    return MAX_HILL * (0.5 + 0.5 * wave)


def height(x, z):
    pond = math.hypot(x - POND[0], z - POND[1])
    if pond < POND_RADIUS:
        return POND_FLOOR * (1.0 - smoothstep(POND_FLAT_RADIUS, POND_RADIUS, pond))
    flat = min(rectangle_distance(TOWN, x, z), rectangle_distance(START_AREA, x, z),
               max(0.0, road_distance(x, z) - ROAD_FLAT_HALF_WIDTH))
    calm = math.hypot(x - MENU_CAMERA[0], z - MENU_CAMERA[1])
    calm_scale = MENU_CAMERA_CALM_SCALE + (1.0 - MENU_CAMERA_CALM_SCALE) * smoothstep(
        MENU_CAMERA_CALM_RADIUS, 2.0 * MENU_CAMERA_CALM_RADIUS, calm)
    return hills(x, z) * smoothstep(0.0, HILL_RISE, flat) * calm_scale


def sample_position(c, r):
    return ORIGIN + c * QUAD, ORIGIN + r * QUAD


def height_grid():
    rows = []
    for r in range(SAMPLES):
        rows.append([height(*sample_position(c, r)) for c in range(SAMPLES)])
    return rows


def normal_at(grid, c, r):
    left, right = grid[r][max(c - 1, 0)], grid[r][min(c + 1, SAMPLES - 1)]
    near, far = grid[max(r - 1, 0)][c], grid[min(r + 1, SAMPLES - 1)][c]
    dx = (right - left) / ((min(c + 1, SAMPLES - 1) - max(c - 1, 0)) * QUAD)
    dz = (far - near) / ((min(r + 1, SAMPLES - 1) - max(r - 1, 0)) * QUAD)
    length = math.sqrt(dx * dx + 1.0 + dz * dz)
    return (-dx / length, 1.0 / length, -dz / length)


def quad_material(c, r):
    x, z = sample_position(c + 0.5, r + 0.5)
    return ASPHALT if road_distance(x, z) <= ROAD_HALF_WIDTH else GRASS


def number(value):
    text = "%.6f" % value
    return "0.000000" if text == "-0.000000" else text


def vector(values):
    return ";".join(number(v) for v in values) + ";"


def x_mesh(name, comment, positions, normals, uvs, faces, face_materials, materials):
    """A text .X file of one mesh whose faces each name one of `materials`
    (diffuse RGBA, texture file); the normals are per position."""

    def vectors(items):
        return ",\n".join("  " + vector(item) for item in items) + ";\n"

    face_lines = ",\n".join("  %d;" % len(face) + ",".join(str(i) for i in face) + ";" for face in faces) + ";\n"
    lines = [
        "xof 0302txt 0032\n",
        "// %s\n" % comment,
        "Mesh %s {\n" % name,
        " %d;\n" % len(positions), vectors(positions),
        " %d;\n" % len(faces), face_lines,
        " MeshNormals {\n",
        "  %d;\n" % len(normals), vectors(normals),
        "  %d;\n" % len(faces), face_lines,
        " }\n",
        " MeshTextureCoords {\n",
        "  %d;\n" % len(uvs), vectors(uvs),
        " }\n",
        " MeshMaterialList {\n",
        "  %d;\n" % len(materials),
        "  %d;\n" % len(faces),
        "  " + ",".join(str(m) for m in face_materials) + ";;\n",
    ]
    for diffuse, texture in materials:
        lines += [
            "  Material {\n",
            "   %s;\n" % vector(diffuse),
            "   4.000000;\n",
            "   0.100000;0.100000;0.100000;;\n",
            "   0.000000;0.000000;0.000000;;\n",
        ]
        if texture:
            lines.append("   TextureFilename { \"%s\"; }\n" % texture)
        lines.append("  }\n")
    lines += [" }\n", "}\n"]
    return "".join(lines).encode("ascii")


def cell_mesh(grid, cx, cz):
    """One cell: 33 x 33 vertices in world coordinates, two triangles a
    quad, one of the two ground materials a quad."""
    side = CELL_QUADS + 1
    positions, normals, uvs = [], [], []
    for j in range(side):
        for i in range(side):
            c, r = cx * CELL_QUADS + i, cz * CELL_QUADS + j
            x, z = sample_position(c, r)
            positions.append((x, grid[r][c], z))
            normals.append(normal_at(grid, c, r))
            uvs.append((x / TEXTURE_SPAN, z / TEXTURE_SPAN))
    faces, face_materials = [], []
    for j in range(CELL_QUADS):
        for i in range(CELL_QUADS):
            a = j * side + i
            # Clockwise seen from above.
            faces.append((a, a + side, a + side + 1))
            faces.append((a, a + side + 1, a + 1))
            material = quad_material(cx * CELL_QUADS + i, cz * CELL_QUADS + j)
            face_materials += [material, material]
    return x_mesh("modern_%d_%d" % (cx, cz), "Terrain cell (%d, %d) of the level Modern." % (cx, cz),
                  positions, normals, uvs, faces, face_materials, MATERIALS)


# Drawn 14 times larger: 56 units across, over the whole of the pond's basin
# where it lies below the water and no further, so that the water's box on
# screen is the pond's.
WATER_HALF_SIZE = 2.0
WATER_COLOUR = (0.3, 0.45, 0.6, 1.0)


def water_mesh():
    """The water planes' surface: a quad of +-2 facing up, which the plane
    draws 14 times larger."""
    h = WATER_HALF_SIZE
    positions = [(-h, 0.0, h), (h, 0.0, h), (h, 0.0, -h), (-h, 0.0, -h)]
    uvs = [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]
    return x_mesh("Water", "The water planes' surface.", positions, [(0.0, 1.0, 0.0)] * 4, uvs, [(0, 1, 2, 3)],
                  [0], [(WATER_COLOUR, None)])


_GRID = []


def shared_grid():
    """The heights, computed once for all 36 cells."""
    if not _GRID:
        _GRID.append(height_grid())
    return _GRID[0]


def make_cell(cx, cz):
    return lambda: cell_mesh(shared_grid(), cx, cz)


def seamless_texture(base, shade, periods):
    """A tile whose pattern repeats exactly at its edges: sines of whole
    periods across the tile, added up."""
    image = Canvas(TEXTURE_SIZE, TEXTURE_SIZE)
    for y in range(TEXTURE_SIZE):
        for x in range(TEXTURE_SIZE):
            t = 0.0
            for px, py, phase in periods:
                t += math.sin(2.0 * math.pi * (px * x + py * y) / TEXTURE_SIZE + phase)
            t /= len(periods)
            image.set_pixel(x, y, tuple(int(max(0, min(255, b + s * t))) for b, s in zip(base, shade)))
    return image.to_bmp24()


def grass_texture():
    return seamless_texture((78, 128, 52), (22, 30, 14), [(3, 5, 0.3), (7, -2, 1.9), (11, 13, 4.0), (-17, 9, 2.2)])


def asphalt_texture():
    return seamless_texture((72, 72, 76), (12, 12, 12), [(5, 3, 0.1), (13, -11, 2.7), (19, 23, 5.2), (-29, 7, 1.1)])


ASSETS = {
    "Assets/Images/ground_grass.bmp": grass_texture,
    "Assets/Images/ground_asphalt.bmp": asphalt_texture,
    "Assets/Meshes/water.x": water_mesh,
}
for _cz in range(CELLS):
    for _cx in range(CELLS):
        ASSETS["Assets/Meshes/Terrain/modern_%d_%d.x" % (_cx, _cz)] = make_cell(_cx, _cz)
