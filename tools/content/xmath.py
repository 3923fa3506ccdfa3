"""4x4 matrices and quaternions as D3DX has them: row vectors (v' = v * M), the
translation in the fourth row, left-handed axes. Matrices are tuples of four
rows; quaternions are (x, y, z, w)."""

import math

IDENTITY = ((1.0, 0.0, 0.0, 0.0), (0.0, 1.0, 0.0, 0.0), (0.0, 0.0, 1.0, 0.0), (0.0, 0.0, 0.0, 1.0))


def multiply(a, b):
    """a then b: v * (a * b) = (v * a) * b."""
    return tuple(tuple(sum(a[r][k] * b[k][c] for k in range(4)) for c in range(4)) for r in range(4))


def product(*matrices):
    result = IDENTITY
    for m in matrices:
        result = multiply(result, m)
    return result


def translation(offset):
    x, y, z = offset
    return ((1.0, 0.0, 0.0, 0.0), (0.0, 1.0, 0.0, 0.0), (0.0, 0.0, 1.0, 0.0), (x, y, z, 1.0))


def rows3(r0, r1, r2):
    return (tuple(r0) + (0.0,), tuple(r1) + (0.0,), tuple(r2) + (0.0,), (0.0, 0.0, 0.0, 1.0))


def rotation_x(angle):
    c, s = math.cos(angle), math.sin(angle)
    return rows3((1.0, 0.0, 0.0), (0.0, c, s), (0.0, -s, c))


def rotation_y(angle):
    c, s = math.cos(angle), math.sin(angle)
    return rows3((c, 0.0, -s), (0.0, 1.0, 0.0), (s, 0.0, c))


def rotation_z(angle):
    c, s = math.cos(angle), math.sin(angle)
    return rows3((c, s, 0.0), (-s, c, 0.0), (0.0, 0.0, 1.0))


def rotation_quaternion(q):
    """D3DXMatrixRotationQuaternion."""
    x, y, z, w = q
    return rows3((1.0 - 2.0 * (y * y + z * z), 2.0 * (x * y + z * w), 2.0 * (x * z - y * w)),
                 (2.0 * (x * y - z * w), 1.0 - 2.0 * (x * x + z * z), 2.0 * (y * z + x * w)),
                 (2.0 * (x * z + y * w), 2.0 * (y * z - x * w), 1.0 - 2.0 * (x * x + y * y)))


def quaternion_of(m):
    """The unit quaternion q, w >= 0, for which rotation_quaternion(q) is the
    rotation part of m."""
    trace = m[0][0] + m[1][1] + m[2][2]
    if trace > 0.0:
        w = math.sqrt(1.0 + trace) / 2.0
        q = ((m[1][2] - m[2][1]) / (4.0 * w), (m[2][0] - m[0][2]) / (4.0 * w), (m[0][1] - m[1][0]) / (4.0 * w), w)
    elif m[0][0] >= m[1][1] and m[0][0] >= m[2][2]:
        x = math.sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]) / 2.0
        q = (x, (m[0][1] + m[1][0]) / (4.0 * x), (m[0][2] + m[2][0]) / (4.0 * x), (m[1][2] - m[2][1]) / (4.0 * x))
    elif m[1][1] >= m[2][2]:
        y = math.sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]) / 2.0
        q = ((m[0][1] + m[1][0]) / (4.0 * y), y, (m[1][2] + m[2][1]) / (4.0 * y), (m[2][0] - m[0][2]) / (4.0 * y))
    else:
        z = math.sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]) / 2.0
        q = ((m[0][2] + m[2][0]) / (4.0 * z), (m[1][2] + m[2][1]) / (4.0 * z), z, (m[0][1] - m[1][0]) / (4.0 * z))
    length = math.sqrt(sum(c * c for c in q))
    sign = -1.0 if q[3] < 0.0 else 1.0
    return tuple(sign * c / length for c in q)


def transform_point(v, m):
    return tuple(v[0] * m[0][c] + v[1] * m[1][c] + v[2] * m[2][c] + m[3][c] for c in range(3))


def add(a, b):
    return tuple(x + y for x, y in zip(a, b))


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def scale(a, s):
    return tuple(x * s for x in a)


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def normalize(a):
    length = math.sqrt(dot(a, a))
    return tuple(x / length for x in a)
