"""The lizard-man's animation sets as poses: per key time, each bone's rotation
(a D3DX row-vector matrix, applied at its joint in its parent's space) and its
translation from the parent (the bind offset; the pelvis also moves).

Angles are in degrees and named by what they do to the character, whose x is
its right, y up and z forward. With row vectors, D3DXMatrixRotationX(a) takes
a limb hanging along -y to (0, -cos a, -sin a), backwards, so:
- `swing(forward=a)` is RotationX(-a): a hanging limb's lower end (or a foot's
  sole, or the tail's tip) moves towards +z; a knee bends with a negative
  value, an elbow with a positive one;
- `swing(right=a)` is RotationZ(a), which takes -y to (sin a, -cos a, 0):
  the lower end moves towards +x (outwards for a right limb);
- `tip(forward=a)` is RotationX(a): an upright bone (pelvis, spine, neck,
  head) leans its top towards +z; `tip(right=a)` is RotationZ(-a);
- `turn` is RotationY(a), which takes +z to (sin a, 0, cos a): the bone turns
  its front towards its right.
Rotations about one axis add up along a chain: a foot stays level when its
swing cancels its thigh's and calf's.
"""

import math

import lizard_body as body
import xmath

# Set lengths in milliseconds, and the number of equal steps between keys of the looping sets.
IDLE_LENGTH = 2000
WALK_LENGTH = 1000
RUN_LENGTH = 600
SIT_LENGTH = 1000
DIVE_LENGTH = 800
LOOP_STEPS = 8

# How high the gun arm is lifted from hanging in the gun sets: level, pointing forward.
GUN_ARM_LIFT = 90.0


def swing(forward=0.0, right=0.0, twist=0.0):
    """A limb hanging from its joint: turned about its length, moved out to the
    side, then swung forward."""
    return xmath.product(xmath.rotation_y(math.radians(twist)), xmath.rotation_z(math.radians(right)),
                         xmath.rotation_x(-math.radians(forward)))


def tip(forward=0.0, right=0.0, turn=0.0):
    """An upright bone: turned, tipped to the side, then leant forward."""
    return xmath.product(xmath.rotation_y(math.radians(turn)), xmath.rotation_z(-math.radians(right)),
                         xmath.rotation_x(math.radians(forward)))


class Pose:
    """Rotations by bone (identity where none is set) and the pelvis's move from its bind position."""

    def __init__(self):
        self.rotations = {}
        self.pelvis_shift = (0.0, 0.0, 0.0)

    def rotation(self, bone):
        return self.rotations.get(bone, xmath.IDENTITY)

    def translation(self, bone):
        offset = body.bind_offset(bone)
        return xmath.add(offset, self.pelvis_shift) if bone == "Bip01" else offset

    def local_matrices(self):
        return {bone: xmath.multiply(self.rotation(bone), xmath.translation(self.translation(bone)))
                for bone in body.BONE_NAMES}


def set_sides(pose, part, left, right):
    pose.rotations["Bip01_L_" + part] = left
    pose.rotations["Bip01_R_" + part] = right


def lowest_point(pose, mesh):
    return min(p[1] for p in body.skinned_positions(mesh, body.world_matrices(pose.local_matrices())))


def rest_on_ground(pose, mesh):
    """Moves the pelvis up or down until the lowest corner of the body touches y = 0."""
    drop = lowest_point(pose, mesh)
    pose.pelvis_shift = xmath.sub(pose.pelvis_shift, (0.0, drop, 0.0))


def sway_tail(pose, phase, amount, lift):
    """A sideways wave down the tail, each segment later and wider than the one before."""
    for index, bone in enumerate(("Bip01_Tail", "Bip01_Tail1", "Bip01_Tail2")):
        lag = 0.6 * (index + 1)
        pose.rotations[bone] = swing(forward=-lift if index == 0 else 0.0,
                                     right=amount * (1.0 + 0.25 * index) * math.sin(phase - lag))


def idle_pose(phase):
    """A slow breath: the chest rises, the arms drift out, the head looks about;
    the legs stay still."""
    breath = math.sin(phase)
    pose = Pose()
    pose.rotations["Bip01_Spine"] = tip(forward=2.0 + 1.5 * breath)
    pose.rotations["Bip01_Neck"] = tip(forward=-1.0 - breath)
    pose.rotations["Bip01_Head"] = tip(forward=-1.0 - 0.5 * breath, turn=6.0 * math.sin(phase + 1.0))
    set_sides(pose, "UpperArm", swing(forward=3.0, right=-(6.0 + 2.0 * breath)),
              swing(forward=3.0, right=6.0 + 2.0 * breath))
    set_sides(pose, "Forearm", swing(forward=10.0 + 2.0 * breath), swing(forward=10.0 + 2.0 * breath))
    sway_tail(pose, phase, 5.0, 0.0)
    return pose


class Gait:
    """How far a walk or a run swings: thighs, knees, arms, elbows (degrees),
    the body's lean and turn, how high it leaps between steps (m) and the
    tail's sway and lift."""

    def __init__(self, thigh, knee, knee_rest, arm, elbow, elbow_swing, lean, hips, leap, tail, tail_lift):
        self.thigh = thigh
        self.knee = knee
        self.knee_rest = knee_rest
        self.arm = arm
        self.elbow = elbow
        self.elbow_swing = elbow_swing
        self.lean = lean
        self.hips = hips
        self.leap = leap
        self.tail = tail
        self.tail_lift = tail_lift


WALK = Gait(thigh=25.0, knee=35.0, knee_rest=5.0, arm=20.0, elbow=18.0, elbow_swing=8.0, lean=3.0, hips=6.0,
            leap=0.0, tail=6.0, tail_lift=5.0)
RUN = Gait(thigh=45.0, knee=65.0, knee_rest=15.0, arm=40.0, elbow=75.0, elbow_swing=10.0, lean=12.0, hips=10.0,
           leap=0.04, tail=10.0, tail_lift=25.0)


def leg(pose, side, thigh, knee):
    """A leg swung forward by `thigh` with its knee bent by `knee`, its foot level."""
    pose.rotations["Bip01_%s_Thigh" % side] = swing(forward=thigh)
    pose.rotations["Bip01_%s_Calf" % side] = swing(forward=-knee)
    pose.rotations["Bip01_%s_Foot" % side] = swing(forward=knee - thigh)


def gait_pose(gait, phase, gun, mesh):
    """One moment of a stride. The left leg swings forward in the first half of
    the cycle (phase 0 to pi) and its knee bends while it does; each arm swings
    against its leg and the shoulders turn against the hips. The lower foot
    stands on the ground, or, running, is off it by the leap when the legs are
    furthest apart. With `gun`, the upper body stays square and the right arm
    points straight ahead."""
    stride, lift = math.sin(phase), math.cos(phase)
    pose = Pose()
    leg(pose, "L", gait.thigh * stride, gait.knee_rest + gait.knee * max(0.0, lift))
    leg(pose, "R", -gait.thigh * stride, gait.knee_rest + gait.knee * max(0.0, -lift))
    # The shoulders turn against the hips by two thirds as much again, and the
    # neck undoes what is left, so the head keeps looking ahead.
    hips = 0.0 if gun else gait.hips * stride
    shoulders = -hips * 2.0 / 3.0
    pose.rotations["Bip01"] = tip(turn=hips)
    pose.rotations["Bip01_Spine"] = tip(forward=gait.lean, turn=shoulders - hips)
    pose.rotations["Bip01_Neck"] = tip(forward=-gait.lean / 2.0, turn=-shoulders)
    pose.rotations["Bip01_Head"] = tip(forward=-gait.lean / 2.0)
    arm = gait.arm * (0.5 if gun else 1.0)
    pose.rotations["Bip01_L_UpperArm"] = swing(forward=-arm * stride, right=-5.0)
    pose.rotations["Bip01_L_Forearm"] = swing(forward=gait.elbow - gait.elbow_swing * stride)
    if gun:
        # The spine's lean tips the shoulders forward and the arm back with them.
        pose.rotations["Bip01_R_UpperArm"] = swing(forward=GUN_ARM_LIFT + gait.lean)
    else:
        pose.rotations["Bip01_R_UpperArm"] = swing(forward=arm * stride, right=5.0)
        pose.rotations["Bip01_R_Forearm"] = swing(forward=gait.elbow + gait.elbow_swing * stride)
    sway_tail(pose, phase, gait.tail, gait.tail_lift)
    rest_on_ground(pose, mesh)
    pose.pelvis_shift = xmath.add(pose.pelvis_shift, (0.0, gait.leap * stride * stride, 0.0))
    return pose


def sit_pose(mesh):
    """Seated at a wheel: thighs forward, shins down and a little forward, feet
    flat on the floor at y = 0, back leant against the seat, hands forward and
    in at chest height."""
    pose = Pose()
    leg(pose, "L", 85.0, 75.0)
    leg(pose, "R", 85.0, 75.0)
    pose.rotations["Bip01_Spine"] = tip(forward=-12.0)
    pose.rotations["Bip01_Neck"] = tip(forward=6.0)
    pose.rotations["Bip01_Head"] = tip(forward=6.0)
    set_sides(pose, "UpperArm", swing(forward=50.0, right=8.0), swing(forward=50.0, right=-8.0))
    set_sides(pose, "Forearm", swing(forward=45.0), swing(forward=45.0))
    pose.rotations["Bip01_Tail"] = swing(forward=-50.0)
    rest_on_ground(pose, mesh)
    return pose


def dive_pose(height, pitch, roll, thigh, knee, arms, mesh):
    """A moment of the dive: the body pitches forward (head towards +z) and
    rolls onto its left side by `roll`; both legs swing by `thigh` with knees
    bent by `knee`, both arms by `arms`, the tail follows the body's line. The
    pelvis is raised until the body's lowest point is `height` (m) above the
    ground."""
    pose = Pose()
    pose.rotations["Bip01"] = xmath.multiply(xmath.rotation_x(math.radians(pitch)),
                                             xmath.rotation_z(math.radians(roll)))
    pose.rotations["Bip01_Spine"] = tip(forward=min(pitch, 20.0) * 0.5)
    pose.rotations["Bip01_Neck"] = tip(forward=-pitch * 0.2)
    for side in ("L", "R"):
        leg(pose, side, thigh, knee)
    set_sides(pose, "UpperArm", swing(forward=arms, right=-8.0), swing(forward=arms, right=8.0))
    set_sides(pose, "Forearm", swing(forward=10.0), swing(forward=10.0))
    pose.rotations["Bip01_Tail"] = swing(forward=pitch * 0.2)
    rest_on_ground(pose, mesh)
    pose.pelvis_shift = xmath.add(pose.pelvis_shift, (0.0, height, 0.0))
    return pose


def looping(length, pose_at_phase):
    """Keys at LOOP_STEPS + 1 equal steps; the last is the first again."""
    keys = []
    for step in range(LOOP_STEPS + 1):
        phase = 2.0 * math.pi * (step % LOOP_STEPS) / LOOP_STEPS
        keys.append((length * step // LOOP_STEPS, pose_at_phase(phase)))
    return keys


def dive_keys(mesh):
    """A one-shot dive out of the way: a crouch, a spring forward with the arms
    thrown ahead, a roll in the air, and the landing on the left side, which
    is held (it is also the pose in which the character lies dead)."""
    return [
        (0, Pose()),
        (150, dive_pose(0.0, 10.0, 0.0, 35.0, 60.0, -30.0, mesh)),
        (300, dive_pose(0.25, 40.0, 20.0, -10.0, 10.0, 120.0, mesh)),
        (450, dive_pose(0.45, 75.0, 50.0, -15.0, 15.0, 160.0, mesh)),
        (600, dive_pose(0.0, 90.0, 80.0, -5.0, 25.0, 150.0, mesh)),
        (700, dive_pose(0.0, 90.0, 90.0, 5.0, 30.0, 140.0, mesh)),
        (DIVE_LENGTH, dive_pose(0.0, 90.0, 90.0, 5.0, 30.0, 140.0, mesh)),
    ]


def animation_sets(mesh):
    """(name, looping, [(time in ms, Pose)]) for every set the game plays."""
    sit = sit_pose(mesh)
    return [
        ("Idle", True, looping(IDLE_LENGTH, idle_pose)),
        ("Walk", True, looping(WALK_LENGTH, lambda p: gait_pose(WALK, p, False, mesh))),
        ("Run", True, looping(RUN_LENGTH, lambda p: gait_pose(RUN, p, False, mesh))),
        ("WalkGun", True, looping(WALK_LENGTH, lambda p: gait_pose(WALK, p, True, mesh))),
        ("RunGun", True, looping(RUN_LENGTH, lambda p: gait_pose(RUN, p, True, mesh))),
        ("Sit", True, [(0, sit), (SIT_LENGTH, sit)]),
        ("JumpOutWay", False, dive_keys(mesh)),
    ]
