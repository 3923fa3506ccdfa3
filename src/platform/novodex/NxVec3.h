#pragma once

#include <cmath>

#include "platform/novodex/NxSimpleTypes.h"

class NxVec3 {
public:
    NxReal x = 0.0f;
    NxReal y = 0.0f;
    NxReal z = 0.0f;

    NxVec3() = default;
    NxVec3(NxReal vx, NxReal vy, NxReal vz) : x(vx), y(vy), z(vz) {}

    void set(NxReal vx, NxReal vy, NxReal vz)
    {
        x = vx;
        y = vy;
        z = vz;
    }
    void zero() { set(0.0f, 0.0f, 0.0f); }
    bool isZero() const { return x == 0.0f && y == 0.0f && z == 0.0f; }
    bool isFinite() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

    NxReal dot(const NxVec3& v) const { return x * v.x + y * v.y + z * v.z; }
    NxVec3 cross(const NxVec3& v) const
    {
        return NxVec3(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
    }
    NxReal magnitudeSquared() const { return dot(*this); }
    NxReal magnitude() const { return std::sqrt(magnitudeSquared()); }
    NxReal distance(const NxVec3& v) const { return (*this - v).magnitude(); }
    // Scales to unit length and returns the old length; a zero vector stays zero.
    NxReal normalize()
    {
        const NxReal length = magnitude();
        if (length > 0.0f)
            *this *= 1.0f / length;
        return length;
    }

    NxVec3 operator-() const { return NxVec3(-x, -y, -z); }
    NxVec3 operator+(const NxVec3& v) const { return NxVec3(x + v.x, y + v.y, z + v.z); }
    NxVec3 operator-(const NxVec3& v) const { return NxVec3(x - v.x, y - v.y, z - v.z); }
    NxVec3 operator*(NxReal s) const { return NxVec3(x * s, y * s, z * s); }
    NxVec3& operator+=(const NxVec3& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    NxVec3& operator-=(const NxVec3& v)
    {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    NxVec3& operator*=(NxReal s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    bool operator==(const NxVec3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const NxVec3& v) const { return !(*this == v); }
};
