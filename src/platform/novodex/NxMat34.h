#pragma once
// A rigid pose: rotation M, then translation t (p' = M p + t).

#include "platform/novodex/NxMat33.h"

class NxMat34 {
public:
    NxMat33 M;
    NxVec3 t;

    // The identity pose.
    NxMat34() = default;
    NxMat34(const NxMat33& rotation, const NxVec3& translation) : M(rotation), t(translation) {}

    void id()
    {
        M.id();
        t.zero();
    }

    NxVec3 operator*(const NxVec3& p) const { return M * p + t; }
    void multiply(const NxVec3& src, NxVec3& dst) const { dst = *this * src; }
    // The pose that applies b first, then this.
    NxMat34 operator*(const NxMat34& b) const { return NxMat34(M * b.M, M * b.t + t); }
    // The inverse of a rigid pose (M must be a rotation).
    NxMat34 getInverseRT() const
    {
        const NxMat33 inverse = M.getTransposed();
        return NxMat34(inverse, -(inverse * t));
    }

    bool operator==(const NxMat34& b) const { return M == b.M && t == b.t; }
    bool operator!=(const NxMat34& b) const { return !(*this == b); }
};
