"""The lizard-man's skeleton and skinned body, as numbers: the .X writing is in
character.py.

The body stands 1.8 m tall on y = 0, faces +z, its right side at +x. Its bind
pose has the arms hanging at the sides; every bone frame is a pure translation
from its parent, so a bone's bind-pose world matrix is translation(joint) and
its skin offset translation(-joint).

The body is one tapered box per limb segment, each side with corners of its
own (flat normals, one picture per side). The corners of a box's end that
meets the next segment are shared between the two bones, which bends elbows,
knees and the tail smoothly instead of splitting them.
"""

import xmath

TEXTURE_SIZE = 128

# (bone, parent bone or None for the scene root, joint position in the bind pose).
# The hand bones sit at the palms: the weapon hangs from "Bip01_R_Hand".
BONES = [
    ("Bip01", None, (0.0, 0.95, 0.0)),
    ("Bip01_Spine", "Bip01", (0.0, 1.03, 0.0)),
    ("Bip01_Neck", "Bip01_Spine", (0.0, 1.50, 0.0)),
    ("Bip01_Head", "Bip01_Neck", (0.0, 1.60, 0.0)),
    ("Bip01_L_UpperArm", "Bip01_Spine", (-0.27, 1.44, 0.0)),
    ("Bip01_L_Forearm", "Bip01_L_UpperArm", (-0.27, 1.16, 0.0)),
    ("Bip01_L_Hand", "Bip01_L_Forearm", (-0.27, 0.86, 0.0)),
    ("Bip01_R_UpperArm", "Bip01_Spine", (0.27, 1.44, 0.0)),
    ("Bip01_R_Forearm", "Bip01_R_UpperArm", (0.27, 1.16, 0.0)),
    ("Bip01_R_Hand", "Bip01_R_Forearm", (0.27, 0.86, 0.0)),
    ("Bip01_L_Thigh", "Bip01", (-0.10, 0.90, 0.0)),
    ("Bip01_L_Calf", "Bip01_L_Thigh", (-0.10, 0.50, 0.0)),
    ("Bip01_L_Foot", "Bip01_L_Calf", (-0.10, 0.09, 0.0)),
    ("Bip01_R_Thigh", "Bip01", (0.10, 0.90, 0.0)),
    ("Bip01_R_Calf", "Bip01_R_Thigh", (0.10, 0.50, 0.0)),
    ("Bip01_R_Foot", "Bip01_R_Calf", (0.10, 0.09, 0.0)),
    ("Bip01_Tail", "Bip01", (0.0, 0.88, -0.10)),
    ("Bip01_Tail1", "Bip01_Tail", (0.0, 0.66, -0.25)),
    ("Bip01_Tail2", "Bip01_Tail1", (0.0, 0.42, -0.34)),
]

BONE_NAMES = [name for name, _, _ in BONES]
PARENT = {name: parent for name, parent, _ in BONES}
JOINT = {name: joint for name, _, joint in BONES}


def children(parent):
    return [name for name, up, _ in BONES if up == parent]


def bind_offset(bone):
    """The bone frame's FrameTransformMatrix translation: its joint seen from its parent's."""
    parent = PARENT[bone]
    return JOINT[bone] if parent is None else xmath.sub(JOINT[bone], JOINT[parent])


# Texture regions, in pixels (left, top, right, bottom) of the 128 x 128 picture.
SCALES = (0, 0, 64, 64)
BELLY = (64, 0, 128, 64)
HEAD_SIDE = (0, 64, 64, 128)
HEAD_TOP = (64, 64, 128, 96)
CLAWS = (64, 96, 96, 128)
JAW_SIDE = (96, 96, 128, 128)

# Where the eye sits on a side of the head: a fraction of the way from the back
# of the head to its front (EYE_ACROSS), and from its crown down (EYE_DOWN).
HEAD_BOTTOM = 1.58
HEAD_TOP_Y = 1.80
HEAD_HALF_DEPTH = 0.115
EYE_FORWARD = 0.05
EYE_HEIGHT = 1.72
EYE_ACROSS = (EYE_FORWARD + HEAD_HALF_DEPTH) / (2.0 * HEAD_HALF_DEPTH)
EYE_DOWN = (HEAD_TOP_Y - EYE_HEIGHT) / (HEAD_TOP_Y - HEAD_BOTTOM)

UP = (0.0, 1.0, 0.0)
FORWARD = (0.0, 0.0, 1.0)
RIGHT = (1.0, 0.0, 0.0)


class Segment:
    """A box from `start` to `end` (its axis, square to x), `half_width` along x
    and `half_depth` along `front` (made square to the axis), each at the start
    and at the end. A blend (bone, weight) gives that share of the corners at
    that end to a neighbouring bone. `regions` maps the box's sides "front",
    "back", "side", "start", "end" to texture regions (default SCALES)."""

    def __init__(self, bone, start, end, half_width, half_depth, front=FORWARD, start_blend=None,
                 end_blend=None, regions=None):
        self.bone = bone
        self.start = start
        self.end = end
        self.half_width = half_width
        self.half_depth = half_depth
        self.front = front
        self.start_blend = start_blend
        self.end_blend = end_blend
        self.regions = regions or {}


def mirrored(point):
    return (-point[0], point[1], point[2])


def limb_segments(side):
    """The arm and leg of one side: "L" at -x, "R" at +x (the right-hand numbers
    below, mirrored for the left)."""
    def at(point):
        return point if side == "R" else mirrored(point)

    def bone(part):
        return "Bip01_%s_%s" % (side, part)

    return [
        Segment(bone("UpperArm"), at((0.27, 1.47, 0.0)), at((0.27, 1.16, 0.0)), (0.055, 0.05), (0.06, 0.05),
                start_blend=("Bip01_Spine", 0.25), end_blend=(bone("Forearm"), 0.5)),
        Segment(bone("Forearm"), at((0.27, 1.16, 0.0)), at((0.27, 0.92, 0.0)), (0.05, 0.04), (0.05, 0.045),
                start_blend=(bone("UpperArm"), 0.5), end_blend=(bone("Hand"), 0.5)),
        Segment(bone("Hand"), at((0.27, 0.92, 0.0)), at((0.27, 0.78, 0.01)), (0.03, 0.025), (0.05, 0.045),
                start_blend=(bone("Forearm"), 0.5), regions={"end": CLAWS}),
        Segment(bone("Thigh"), at((0.10, 0.92, 0.0)), at((0.10, 0.50, 0.0)), (0.08, 0.06), (0.085, 0.06),
                start_blend=("Bip01", 0.3), end_blend=(bone("Calf"), 0.5)),
        Segment(bone("Calf"), at((0.10, 0.50, 0.0)), at((0.10, 0.09, -0.01)), (0.06, 0.045), (0.06, 0.045),
                start_blend=(bone("Thigh"), 0.5), end_blend=(bone("Foot"), 0.5)),
        # Heel to toes, flat on the ground: its "front" is the instep.
        Segment(bone("Foot"), at((0.10, 0.045, -0.07)), at((0.10, 0.045, 0.21)), (0.05, 0.065), (0.045, 0.045),
                front=UP, regions={"back": CLAWS, "end": CLAWS}),
    ]


def body_segments():
    return [
        Segment("Bip01", (0.0, 0.80, 0.0), (0.0, 1.03, 0.0), (0.16, 0.17), (0.11, 0.11),
                end_blend=("Bip01_Spine", 0.5), regions={"front": BELLY}),
        Segment("Bip01_Spine", (0.0, 1.03, 0.0), (0.0, 1.50, 0.0), (0.17, 0.22), (0.115, 0.13),
                start_blend=("Bip01", 0.5), regions={"front": BELLY}),
        Segment("Bip01_Neck", (0.0, 1.48, 0.0), (0.0, 1.62, 0.01), (0.06, 0.06), (0.06, 0.06),
                start_blend=("Bip01_Spine", 0.5), end_blend=("Bip01_Head", 0.5), regions={"front": BELLY}),
        Segment("Bip01_Head", (0.0, HEAD_BOTTOM, 0.0), (0.0, HEAD_TOP_Y, 0.0), (0.11, 0.10),
                (HEAD_HALF_DEPTH + 0.005, HEAD_HALF_DEPTH - 0.005),
                regions={"side": HEAD_SIDE, "end": HEAD_TOP, "start": BELLY}),
        # The snout, its "front" the top of the muzzle.
        Segment("Bip01_Head", (0.0, 1.64, 0.08), (0.0, 1.64, 0.26), (0.07, 0.055), (0.055, 0.04), front=UP,
                regions={"front": HEAD_TOP, "back": BELLY, "side": JAW_SIDE, "end": HEAD_TOP}),
        Segment("Bip01_Tail", (0.0, 0.90, -0.08), (0.0, 0.66, -0.25), (0.09, 0.065), (0.08, 0.06),
                start_blend=("Bip01", 0.5), end_blend=("Bip01_Tail1", 0.5), regions={"front": BELLY}),
        Segment("Bip01_Tail1", (0.0, 0.66, -0.25), (0.0, 0.42, -0.34), (0.065, 0.04), (0.06, 0.04),
                start_blend=("Bip01_Tail", 0.5), end_blend=("Bip01_Tail2", 0.5), regions={"front": BELLY}),
        Segment("Bip01_Tail2", (0.0, 0.42, -0.34), (0.0, 0.18, -0.38), (0.04, 0.012), (0.04, 0.012),
                start_blend=("Bip01_Tail1", 0.5), regions={"front": BELLY, "end": CLAWS}),
    ] + limb_segments("L") + limb_segments("R")


class Body:
    """The mesh: per vertex a position, normal, (u, v) and {bone: weight};
    faces are quads of vertex indices, clockwise seen from outside."""

    def __init__(self):
        self.positions = []
        self.normals = []
        self.uvs = []
        self.weights = []
        self.faces = []


def face_uvs(corners, normal, region):
    """Lays the region's picture on one side, upright (its top towards +y, or
    towards +z on a side facing up or down) and seen from outside; on sides
    facing -x it is mirrored, so both flanks show the same picture front to
    back."""
    up = xmath.sub(UP, xmath.scale(normal, xmath.dot(UP, normal)))
    if xmath.dot(up, up) < 0.25:
        up = xmath.sub(FORWARD, xmath.scale(normal, xmath.dot(FORWARD, normal)))
    up = xmath.normalize(up)
    across = xmath.normalize(xmath.cross(up, xmath.scale(normal, -1.0)))
    if normal[0] < -0.5:
        across = xmath.scale(across, -1.0)
    s = [xmath.dot(c, across) for c in corners]
    t = [-xmath.dot(c, up) for c in corners]
    left, top, right, bottom = region
    inset = 1.0

    def spread(value, values, low, high):
        fraction = (value - min(values)) / (max(values) - min(values))
        return (low + inset + fraction * (high - low - 2.0 * inset)) / TEXTURE_SIZE

    return [(spread(a, s, left, right), spread(b, t, top, bottom)) for a, b in zip(s, t)]


def ring_weights(segment, blend):
    if blend is None:
        return {segment.bone: 1.0}
    other, share = blend
    return {segment.bone: 1.0 - share, other: share}


def add_segment(body, segment):
    axis = xmath.normalize(xmath.sub(segment.end, segment.start))
    front = xmath.sub(segment.front, xmath.scale(axis, xmath.dot(segment.front, axis)))
    front = xmath.normalize(front)
    assert abs(xmath.dot(axis, RIGHT)) < 1e-9, segment.bone
    centre = xmath.scale(xmath.add(segment.start, segment.end), 0.5)

    def corner(end, across, depth):
        point = segment.end if end else segment.start
        index = 1 if end else 0
        offset = xmath.add(xmath.scale(RIGHT, across * segment.half_width[index]),
                           xmath.scale(front, depth * segment.half_depth[index]))
        return xmath.add(point, offset), end

    # Each side's corners in order round its edge.
    sides = [
        ("side", [corner(e, 1, d) for e, d in ((0, 1), (0, -1), (1, -1), (1, 1))]),
        ("side", [corner(e, -1, d) for e, d in ((0, 1), (0, -1), (1, -1), (1, 1))]),
        ("front", [corner(e, a, 1) for e, a in ((0, 1), (0, -1), (1, -1), (1, 1))]),
        ("back", [corner(e, a, -1) for e, a in ((0, 1), (0, -1), (1, -1), (1, 1))]),
        ("start", [corner(0, a, d) for a, d in ((1, 1), (1, -1), (-1, -1), (-1, 1))]),
        ("end", [corner(1, a, d) for a, d in ((1, 1), (1, -1), (-1, -1), (-1, 1))]),
    ]
    for kind, corners in sides:
        points = [p for p, _ in corners]
        outward = xmath.sub(xmath.scale(xmath.add(points[0], points[2]), 0.5), centre)
        normal = xmath.cross(xmath.sub(points[1], points[0]), xmath.sub(points[2], points[0]))
        if xmath.dot(normal, outward) < 0.0:
            corners.reverse()
            points.reverse()
            normal = xmath.scale(normal, -1.0)
        normal = xmath.normalize(normal)
        uvs = face_uvs(points, normal, segment.regions.get(kind, SCALES))
        first = len(body.positions)
        for (point, end), uv in zip(corners, uvs):
            body.positions.append(point)
            body.normals.append(normal)
            body.uvs.append(uv)
            body.weights.append(ring_weights(segment, segment.end_blend if end else segment.start_blend))
        body.faces.append([first, first + 1, first + 2, first + 3])


def build_body():
    body = Body()
    for segment in body_segments():
        add_segment(body, segment)
    return body


# --- Posing, as the engine does it: each frame's local transform, world =
# local x parent world, a vertex skinned as the weighted sum of
# v x offset x bone world.

def world_matrices(locals_by_bone):
    """`locals_by_bone`: the local transform of every bone; the scene root is
    the identity."""
    world = {}
    for name in BONE_NAMES:  # parents come before their children
        parent = PARENT[name]
        parent_world = xmath.IDENTITY if parent is None else world[parent]
        world[name] = xmath.multiply(locals_by_bone[name], parent_world)
    return world


def skinned_positions(body, world):
    palette = {name: xmath.multiply(xmath.translation(xmath.scale(JOINT[name], -1.0)), world[name])
               for name in BONE_NAMES}
    result = []
    for position, weights in zip(body.positions, body.weights):
        blended = (0.0, 0.0, 0.0)
        for bone, weight in weights.items():
            blended = xmath.add(blended, xmath.scale(xmath.transform_point(position, palette[bone]), weight))
        result.append(blended)
    return result
