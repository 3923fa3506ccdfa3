#pragma once
// Surface materials, kept by the SDK under 16-bit indices that shapes name.

#include "platform/novodex/NxVec3.h"

// A contact spring: each contact point pushes back with spring x (penetration
// - targetValue) plus damper x the closing speed, instead of being rigid.
// Tyres ride on one.
class NxSpringDesc {
public:
    NxReal spring = 0.0f;
    NxReal damper = 0.0f;
    NxReal targetValue = 0.0f;

    NxSpringDesc() = default;
    NxSpringDesc(NxReal s, NxReal d, NxReal target) : spring(s), damper(d), targetValue(target) {}
    bool isValid() const { return spring >= 0.0f && damper >= 0.0f; }
};

// Touching shapes combine their materials by averaging. The "V" frictions act
// along dirOfAnisotropy; they are kept with the material for the shapes that
// read them back.
class NxMaterial {
public:
    NxReal dynamicFriction = 0.0f;
    NxReal staticFriction = 0.0f;
    NxReal restitution = 0.0f;
    NxReal dynamicFrictionV = 0.0f;
    NxReal staticFrictionV = 0.0f;
    NxVec3 dirOfAnisotropy = NxVec3(1.0f, 0.0f, 0.0f);
    NxU32 flags = 0;
    // Copied by the SDK when the material is set; null means a rigid contact.
    const NxSpringDesc* spring = nullptr;

    bool isValid() const
    {
        return dynamicFriction >= 0.0f && staticFriction >= 0.0f && restitution >= 0.0f &&
               (spring == nullptr || spring->isValid());
    }
};
