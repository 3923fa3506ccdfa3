"""The player's character: a skinned text .X mesh, its texture and its animation sets.

lizard.x holds the frame tree (Scene_Root > Body with the mesh, and the
skeleton from Bip01) and the skinned mesh LizardBody; lizard_anims.x holds the
same frame tree without the mesh, then the animation sets. lizard_body.py
builds the skeleton and the body, lizard_poses.py the poses, lizard_texture.py
the picture.

How the game plays a key, which the numbers written here are made for:
- each animated frame's local transform is REPLACED by R x S x T (row
  vectors: v' = v * M), R from the rotation keys, T from the position keys; a
  kind without keys is the identity. So every track carries position keys
  holding the frame's bind offset (the pelvis's also move), or the bone would
  fall onto its parent's joint.
- a rotation key written (w, x, y, z) is kept as q = (-x, -y, -z, w) and R =
  D3DXMatrixRotationQuaternion(q). For a wanted rotation matrix R we take the
  quaternion q with D3DXMatrixRotationQuaternion(q) = R and write
  (q.w, -q.x, -q.y, -q.z): the file holds the inverse rotation.
- with row vectors, D3DXMatrixRotationX(a) takes a limb hanging along -y to
  (0, -cos a, -sin a): positive angles swing it BACKWARDS. lizard_poses.py
  names every rotation by the way the body moves (`swing(forward=...)` is
  RotationX(-a)), and check_convention() below proves on the written numbers
  that a thigh swung forward reaches +z.
- key times are milliseconds; a set lasts until its last key. Looping sets
  end on the very pose they start with and their tracks are marked closed
  (AnimationOptions openclosed 0) so that they wrap; the dive is open and
  holds its last pose.
"""

import math

import lizard_body as body
import lizard_poses as poses
import lizard_texture
import xmath

X_HEADER = "xof 0303txt 0032\n"
TEXTURE_NAME = "lizard.png"

# Position, rotation key types of AnimationKey; AnimationOptions' open and closed.
ROTATION_KEYS = 0
POSITION_KEYS = 2
CLOSED = 0
OPEN = 1
POSITION_QUALITY = 1

# The material: white under the texture, and a glow so that the side away from
# the light is not black (the skinning shader adds no ambient light).
DIFFUSE = (0.8, 0.8, 0.8, 1.0)
SPECULAR_POWER = 8.0
SPECULAR = (0.1, 0.1, 0.1)
EMISSIVE = (0.25, 0.25, 0.25)


def number(value):
    # Rounded first, so that no value reads "-0.000000".
    return "%.6f" % (round(value, 6) + 0.0)


def numbers(values, separator):
    return separator.join(number(v) for v in values)


def matrix_text(m):
    return numbers([v for row in m for v in row], ",") + ";;"


def frame_text(bone, indent, inner=""):
    """The bone's frame, its children's frames inside it."""
    pad = " " * indent
    text = pad + "Frame %s {\n" % bone
    text += pad + " FrameTransformMatrix { %s }\n" % matrix_text(xmath.translation(body.bind_offset(bone)))
    text += inner
    for child in body.children(bone):
        text += frame_text(child, indent + 1)
    return text + pad + "}\n"


def scene_text(mesh_text):
    """Scene_Root > Body (holding `mesh_text`, if any) and the skeleton."""
    identity = matrix_text(xmath.IDENTITY)
    return ("Frame Scene_Root {\n"
            " FrameTransformMatrix { %s }\n"
            " Frame Body {\n"
            "  FrameTransformMatrix { %s }\n"
            "%s"
            " }\n"
            "%s"
            "}\n") % (identity, identity, mesh_text, frame_text("Bip01", 1))


# --- lizard.x

def vector_list(items, pad):
    return ",\n".join(pad + numbers(item, ";") + ";" for item in items) + ";\n"


def face_list(faces, pad):
    return ",\n".join(pad + "%d;" % len(face) + ",".join(str(i) for i in face) + ";" for face in faces) + ";\n"


def bones_per_face(mesh, face):
    return len({bone for index in face for bone in mesh.weights[index]})


def skin_weights_text(mesh, bone):
    influenced = [(index, weights[bone]) for index, weights in enumerate(mesh.weights) if bone in weights]
    offset = xmath.translation(xmath.scale(body.JOINT[bone], -1.0))
    return ("  SkinWeights {\n"
            "   \"%s\";\n"
            "   %d;\n"
            "   %s;\n"
            "   %s;\n"
            "   %s\n"
            "  }\n") % (bone, len(influenced), ",".join(str(index) for index, _ in influenced),
                        numbers([weight for _, weight in influenced], ","), matrix_text(offset))


def mesh_text(mesh):
    pad = "   "
    count = len(mesh.positions)
    most_per_vertex = max(len(weights) for weights in mesh.weights)
    most_per_face = max(bones_per_face(mesh, face) for face in mesh.faces)
    return "".join([
        "  Mesh LizardBody {\n",
        "   %d;\n" % count, vector_list(mesh.positions, pad),
        "   %d;\n" % len(mesh.faces), face_list(mesh.faces, pad),
        "   MeshNormals {\n",
        "    %d;\n" % count, vector_list(mesh.normals, pad + " "),
        "    %d;\n" % len(mesh.faces), face_list(mesh.faces, pad + " "),
        "   }\n",
        "   MeshTextureCoords {\n",
        "    %d;\n" % count, vector_list(mesh.uvs, pad + " "),
        "   }\n",
        "   MeshMaterialList {\n",
        "    1;\n",
        "    %d;\n" % len(mesh.faces),
        "    " + ",".join("0" for _ in mesh.faces) + ";;\n",
        "    Material {\n",
        "     %s;;\n" % numbers(DIFFUSE, ";"),
        "     %s;\n" % number(SPECULAR_POWER),
        "     %s;;\n" % numbers(SPECULAR, ";"),
        "     %s;;\n" % numbers(EMISSIVE, ";"),
        "     TextureFilename { \"%s\"; }\n" % TEXTURE_NAME,
        "    }\n",
        "   }\n",
        "   XSkinMeshHeader {\n",
        "    %d;\n" % most_per_vertex,
        "    %d;\n" % most_per_face,
        "    %d;\n" % len(body.BONE_NAMES),
        "   }\n",
    ] + [skin_weights_text(mesh, bone) for bone in body.BONE_NAMES] + ["  }\n"])


def lizard_mesh():
    mesh = body.build_body()
    return (X_HEADER +
            "// The player's lizard-man: 1.8 m tall, standing on y = 0, facing +z.\n" +
            scene_text(mesh_text(mesh))).encode("ascii")


# --- lizard_anims.x

def file_rotation(matrix):
    """The (w, x, y, z) to write for a rotation matrix: see the top of this file."""
    x, y, z, w = xmath.quaternion_of(matrix)
    return (w, -x, -y, -z)


def same_hemisphere(keys):
    """Each quaternion on the side of its predecessor, so each step turns the short way."""
    result = []
    for time, q in keys:
        if result and sum(a * b for a, b in zip(result[-1][1], q)) < 0.0:
            q = tuple(-c for c in q)
        result.append((time, q))
    return result


def constant_to_ends(keys):
    """A value that never changes needs only the first and the last key."""
    if all(value == keys[0][1] for _, value in keys):
        return [keys[0], keys[-1]]
    return keys


def key_text(key_type, keys):
    rows = ",\n".join("    %d;%d;%s;;" % (time, len(values), numbers(values, ",")) for time, values in keys)
    return "   AnimationKey {\n    %d;\n    %d;\n%s;\n   }\n" % (key_type, len(keys), rows)


def rounded(values):
    return tuple(round(v, 6) + 0.0 for v in values)


def track_text(bone, keys, looping):
    rotations = same_hemisphere([(time, file_rotation(pose.rotation(bone))) for time, pose in keys])
    rotations = constant_to_ends([(time, rounded(q)) for time, q in rotations])
    positions = constant_to_ends([(time, rounded(pose.translation(bone))) for time, pose in keys])
    return ("  Animation {\n"
            "   {%s}\n"
            "%s%s"
            "   AnimationOptions { %d; %d; }\n"
            "  }\n") % (bone, key_text(ROTATION_KEYS, rotations), key_text(POSITION_KEYS, positions),
                        CLOSED if looping else OPEN, POSITION_QUALITY)


def set_text(name, looping, keys):
    return ("AnimationSet %s {\n" % name +
            "".join(track_text(bone, keys, looping) for bone in body.BONE_NAMES) +
            "}\n")


def check_convention(sets):
    """Reads back the left thigh's Walk key a quarter into the cycle as the game
    does and confirms that it puts the left knee in front of the hip, at the
    height the stride's swing gives; raises AssertionError otherwise."""
    walk = dict(next(keys for name, _, keys in sets if name == "Walk"))
    pose = walk[poses.WALK_LENGTH // 4]
    w, x, y, z = rounded(file_rotation(pose.rotation("Bip01_L_Thigh")))
    played = xmath.rotation_quaternion((-x, -y, -z, w))
    knee = xmath.transform_point(body.bind_offset("Bip01_L_Calf"), played)
    thigh_length = -body.bind_offset("Bip01_L_Calf")[1]
    swing = math.radians(poses.WALK.thigh)
    assert math.isclose(knee[2], thigh_length * math.sin(swing), abs_tol=1e-4), knee
    assert math.isclose(knee[1], -thigh_length * math.cos(swing), abs_tol=1e-4), knee


def lizard_animations():
    sets = poses.animation_sets(body.build_body())
    check_convention(sets)
    return (X_HEADER +
            "// The lizard-man's animation sets; key times in milliseconds.\n" +
            scene_text("") +
            "".join(set_text(name, looping, keys) for name, looping, keys in sets)).encode("ascii")


# Game path (forward slashes) -> function returning the file's bytes.
ASSETS = {
    "Assets/Meshes/lizard.x": lizard_mesh,
    "Assets/Images/lizard.png": lizard_texture.lizard_texture,
    "Assets/Meshes/lizard_anims.x": lizard_animations,
}
