#pragma once

#include "platform/novodex/NxVec3.h"

class NxShape;

class NxRay {
public:
    NxVec3 orig;
    // Need not be of unit length.
    NxVec3 dir;

    NxRay() = default;
    NxRay(const NxVec3& origin, const NxVec3& direction) : orig(origin), dir(direction) {}
};

enum NxShapesType {
    NX_STATIC_SHAPES = 1 << 0,
    NX_DYNAMIC_SHAPES = 1 << 1,
    NX_ALL_SHAPES = NX_STATIC_SHAPES | NX_DYNAMIC_SHAPES,
};

enum NxRaycastBit {
    NX_RAYCAST_SHAPE = 1 << 0,
    NX_RAYCAST_IMPACT = 1 << 1,
    NX_RAYCAST_NORMAL = 1 << 2,
    NX_RAYCAST_DISTANCE = 1 << 3,
};

class NxRaycastHit {
public:
    NxShape* shape = nullptr;
    NxVec3 worldImpact;
    NxVec3 worldNormal;
    NxReal distance = 0.0f;
};
