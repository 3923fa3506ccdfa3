#pragma once
// Conversions between the SDK's math and Bullet's, for the stand-in's own
// sources. Both multiply column vectors and store rotations row by row.

#include <btBulletDynamicsCommon.h>

#include "platform/novodex/NxMat34.h"

inline btVector3 ToBullet(const NxVec3& v)
{
    return btVector3(v.x, v.y, v.z);
}

inline NxVec3 ToNx(const btVector3& v)
{
    return NxVec3(v.x(), v.y(), v.z());
}

inline btMatrix3x3 ToBullet(const NxMat33& m)
{
    return btMatrix3x3(m(0, 0), m(0, 1), m(0, 2), m(1, 0), m(1, 1), m(1, 2), m(2, 0), m(2, 1), m(2, 2));
}

inline NxMat33 ToNx(const btMatrix3x3& m)
{
    NxMat33 result;
    for (int row = 0; row < 3; ++row)
        result.setRow(row, ToNx(m.getRow(row)));
    return result;
}

inline btTransform ToBullet(const NxMat34& pose)
{
    return btTransform(ToBullet(pose.M), ToBullet(pose.t));
}

inline NxMat34 ToNx(const btTransform& transform)
{
    return NxMat34(ToNx(transform.getBasis()), ToNx(transform.getOrigin()));
}

inline bool IsFinite(const NxMat34& pose)
{
    for (int row = 0; row < 3; ++row)
        if (!pose.M.getRow(row).isFinite())
            return false;
    return pose.t.isFinite();
}

// A rotation from the first two columns of `m`, so a pose scaled by its owner
// still moves the body rigidly. False for a degenerate or non-finite one.
inline bool Orthonormalise(const NxMat33& m, NxMat33& rotation)
{
    NxVec3 x = m.getColumn(0);
    NxVec3 y = m.getColumn(1);
    const NxReal smallest = 1e-12f;
    if (!x.isFinite() || !y.isFinite() || x.normalize() <= smallest)
        return false;
    y -= x * x.dot(y);
    if (y.normalize() <= smallest)
        return false;
    rotation = NxMat33(x, y, x.cross(y));
    return true;
}

// `pose` as a rigid transform; false when it has no usable rotation.
inline bool ToRigidTransform(const NxMat34& pose, NxMat34& rigid)
{
    if (!pose.t.isFinite())
        return false;
    rigid.t = pose.t;
    return Orthonormalise(pose.M, rigid.M);
}
