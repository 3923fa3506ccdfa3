#pragma once
// The physics member of every collidable: its actor, the mass, inertia and
// material its script gives it, and the last position and velocity asked of it.

#include <cstdint>

#include "Physics/neSimulator.h"
#include "platform/d3dx8/D3DX8Math.h"

class CDataBuffer;
class NxActor;

// The mass of an object no script weighs: such objects are built static.
inline constexpr float PHYSICS_STATIC_MASS = 3e38f;

class CPhysicsObject {
public:
    CPhysicsObject();
    // Copies the script's values and the caches, never the actor or the
    // bodies: those belong to the object they were built for.
    CPhysicsObject(const CPhysicsObject& other);
    CPhysicsObject& operator=(const CPhysicsObject& other);

    // "Mass", "Inertia" or "Material"; false, nothing read, for anything else.
    bool ReadProperty(CDataBuffer& reader);
    void SetMass(float fMass) { m_fMass = fMass; }
    void SetInertia(const D3DXMATRIX& inertia) { m_matInertia = inertia; }

    // The bodies of the small rigid-body layer never exist, so this is the
    // position last stored.
    const D3DXVECTOR3& GetBodyPosition() const { return m_vPosition; }
    // The actor's velocity when there is an actor, else the last one read.
    const D3DXVECTOR3& GetLinearVelocity();

    NxActor* m_pActor = nullptr;
    neRigidBody* m_pRigidBody = nullptr;
    neAnimatedBody* m_pAnimatedBody = nullptr;
    // The SDK material index of the object's shapes.
    int32_t m_iMaterial = 0;
    float m_fMass = PHYSICS_STATIC_MASS;
    D3DXMATRIX m_matInertia;
    D3DXVECTOR3 m_vPosition;
    D3DXVECTOR3 m_vVelocity;
};
