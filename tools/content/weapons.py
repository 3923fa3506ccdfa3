"""The six weapons: a mesh each, sized for the lizard-man's hand, and a HUD
icon each.

A weapon's mesh is authored in the hand's own frame: the grip's middle at
the origin (the palm), the barrel along +z, up along +y. The scripts hold it
there unchanged (HoldingMatrix identity) and lay it on its side on the
ground (PosMatrix).
"""

from level_objects import Geometry
from rgba import RgbaImage

GUN_METAL = (0.2, 0.21, 0.23, 1.0)
GRIP_BROWN = (0.36, 0.24, 0.16, 1.0)
OLIVE = (0.3, 0.36, 0.2, 1.0)
PUTTY = (0.78, 0.72, 0.55, 1.0)

# Each part: (low corner, high corner, material index); materials are
# (metal, accent).
WEAPON_PARTS = {
    "pistol": ("A pistol: grip, slide and barrel, 0.2 long.", [
        ((-0.015, -0.05, -0.02), (0.015, 0.03, 0.02), 1),
        ((-0.018, 0.03, -0.03), (0.018, 0.065, 0.15), 0),
    ]),
    "uzzi": ("A machine pistol: grip, a square body and a long magazine.", [
        ((-0.015, -0.05, -0.02), (0.015, 0.03, 0.02), 1),
        ((-0.025, 0.03, -0.08), (0.025, 0.09, 0.2), 0),
        ((-0.012, -0.12, 0.06), (0.012, 0.03, 0.09), 0),
    ]),
    "grenade": ("A hand grenade: an olive body with its lever.", [
        ((-0.035, -0.045, -0.035), (0.035, 0.045, 0.035), 1),
        ((-0.01, 0.045, -0.01), (0.01, 0.065, 0.03), 0),
    ]),
    "c4": ("A C4 charge: a putty block with a detonator.", [
        ((-0.05, -0.025, -0.08), (0.05, 0.025, 0.08), 1),
        ((-0.015, 0.025, -0.02), (0.015, 0.045, 0.02), 0),
    ]),
    "sniper": ("A sniper rifle: stock, long barrel and scope, 1.1 long.", [
        ((-0.015, -0.05, -0.02), (0.015, 0.03, 0.02), 1),
        ((-0.02, -0.02, -0.35), (0.02, 0.05, -0.02), 1),
        ((-0.02, 0.03, -0.02), (0.02, 0.07, 0.35), 0),
        ((-0.008, 0.04, 0.35), (0.008, 0.056, 0.75), 0),
        ((-0.02, 0.07, 0.05), (0.02, 0.11, 0.3), 0),
    ]),
    "rocket_launcher": ("A rocket launcher: a tube on the shoulder with its grip.", [
        ((-0.015, -0.05, -0.02), (0.015, 0.03, 0.02), 0),
        ((-0.06, 0.03, -0.6), (0.06, 0.15, 0.6), 1),
    ]),
}
ACCENTS = {"pistol": GRIP_BROWN, "uzzi": GRIP_BROWN, "grenade": OLIVE, "c4": PUTTY,
           "sniper": GRIP_BROWN, "rocket_launcher": OLIVE}


def weapon_mesh(name):
    comment, parts = WEAPON_PARTS[name]
    geometry = Geometry()
    for low, high, material in parts:
        geometry.add_box(low, high, material=material)
    return geometry.mesh(name, comment, [(GUN_METAL, None), (ACCENTS[name], None)])


# The icons: 32 x 32, the weapon's side view in silhouette, barrel to the right.
ICON_SIZE = 32
ICON_FILL = (220, 214, 200, 255)
ICON_EDGE = (24, 20, 28, 255)
ICON_SCALE = {"pistol": 90, "uzzi": 70, "grenade": 160, "c4": 100, "sniper": 26, "rocket_launcher": 22}


def weapon_icon(name):
    """The parts seen from the side (z to the right, y up), centred."""
    image = RgbaImage(ICON_SIZE, ICON_SIZE)
    scale = ICON_SCALE[name]
    _, parts = WEAPON_PARTS[name]
    centre = ICON_SIZE / 2
    for low, high, _material in parts:
        left, right = centre + low[2] * scale, centre + high[2] * scale
        top, bottom = centre - high[1] * scale, centre - low[1] * scale
        image.fill_polygon([(left, top), (right, top), (right, bottom), (left, bottom)], ICON_FILL)
    image.outline(ICON_EDGE)
    return image.to_png()


def mesh_asset(name):
    return lambda: weapon_mesh(name)


def icon_asset(name):
    return lambda: weapon_icon(name)


ASSETS = {}
for _name in WEAPON_PARTS:
    ASSETS["Assets/Meshes/Weapons/%s.x" % _name] = mesh_asset(_name)
    ASSETS["Assets/Images/Weapons/%s_icon.png" % _name] = icon_asset(_name)


# The sniper's scope, drawn over the whole screen: black outside a round
# window, a thin cross in it, two texels wide about the middle.
SCOPE_SIZE = 256
SCOPE_BLACK = (0, 0, 0, 255)


def sniper_scope():
    image = RgbaImage(SCOPE_SIZE, SCOPE_SIZE)
    centre = SCOPE_SIZE / 2
    window = SCOPE_SIZE * 0.45
    for y in range(SCOPE_SIZE):
        for x in range(SCOPE_SIZE):
            dx, dy = x + 0.5 - centre, y + 0.5 - centre
            outside = dx * dx + dy * dy > window * window
            cross = abs(dx) <= 0.5 or abs(dy) <= 0.5
            if outside or cross:
                image.set_pixel(x, y, SCOPE_BLACK)
    return image.to_png()


ASSETS["Assets/Images/Weapons/sniper_scope.png"] = sniper_scope
