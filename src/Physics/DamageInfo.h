#pragma once
// What one collidable hands another's TakeDamage: from contacts, weapons,
// projectiles and explosions. Built on the stack, all zero to begin with.

#include <cstdint>

class CCollidableObject;
class NxShape;

class CDamageInfo {
public:
    // The kind of damage a projectile deals.
    enum { KIND_PROJECTILE = 4 };

    float m_fDamage = 0.0f;
    // From a moving car.
    float m_fImpactDamage = 0.0f;
    // A level object hit by a car: a tenth of their relative speed.
    float m_fImpactSpeed = 0.0f;
    CCollidableObject* m_pSource = nullptr;
    uint8_t m_u8Kind = 0;
    bool m_bDirectHit = false;
    bool m_bWater = false;
    // The surface height of the water, with m_bWater.
    float m_fWaterLevel = 0.0f;
    // The shape a direct hit struck.
    NxShape* m_pHitShape = nullptr;
};
