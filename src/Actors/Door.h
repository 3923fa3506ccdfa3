#pragma once
// A car door: its own body hinged to the car's, so that it swings, can be
// torn off and flies away when the car explodes. A "Door" line of the car's
// block declares one:
//
//   Door <ComplexObject> <anchor 1 xyz> <anchor 2 xyz> <axis xyz> <normal xyz>
//        <box min xyz> <box max xyz> <low limit> <high limit> <breaking torque>
//
// Anchors, axis, normal and box are in car space; the limits are radians.
// Doors are copied with their car before they have physics.

#include <string>

#include "Display/ComplexObject.h"
#include "Physics/CollidableObject.h"
#include "platform/d3dx8/D3DX8Math.h"

class CDataBuffer;
class NxActor;
class NxJoint;

class CDoor : public CCollidableObject {
public:
    enum { JOINT_COUNT = 2 };

    // Force and torque that break the joints, as impulses over one physics
    // step (NxJoint::setBreakable): the first joint's torque is the script's,
    // the second's fixed; the explosion loosens both.
    static constexpr float BREAKING_FORCE = 100.0f;
    static constexpr float SECOND_BREAKING_TORQUE = 20.0f;
    static constexpr float EXPLOSION_BREAKING_FORCE = 10.0f;
    static constexpr float EXPLOSION_BREAKING_TORQUE = 2.0f;

    CDoor();
    // Copies everything but the physics: two doors releasing the same joints
    // would free them twice.
    CDoor(const CDoor& other);
    CDoor& operator=(const CDoor& other);
    ~CDoor() override;

    // Damage never changes a door.
    bool TakeDamage(const CDamageInfo& damage, NxContactPair* pPair) override;

    // The rest of a "Door" line, the mesh's name first; the mesh is looked up
    // (required).
    void ReadLine(CDataBuffer& reader);
    // The mesh := a copy of the ComplexObject asset (required).
    void SetBody(const std::string& complexObjectName);

    // Its own actor at the car's pose, hinged to `carActor` by both joints.
    void CreatePhysics(NxActor& carActor);
    // The mesh follows the actor, hinged or torn off.
    void UpdatePose();
    // The actor, then each joint there is.
    void ReleasePhysics();
    // Both joints that still exist break at (force, torque).
    void SetBreakable(float force, float torque);

    // Null until the car's physics is built, and after a joint broke.
    NxJoint* m_pJoints[JOINT_COUNT] = {nullptr, nullptr};
    CComplexObject m_Mesh;
    D3DXVECTOR3 m_vAnchor1;
    D3DXVECTOR3 m_vAnchor2;
    D3DXVECTOR3 m_vAxis;
    D3DXVECTOR3 m_vNormal;
    D3DXVECTOR3 m_vBoxMin;
    D3DXVECTOR3 m_vBoxMax;
    float m_fHighLimit = 0.0f;
    float m_fLowLimit = 0.0f;
    // Of the first joint; the second always breaks at the same torque.
    float m_fBreakingTorque = 0.0f;
};
