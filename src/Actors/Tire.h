#pragma once
// One wheel of a car: the wheel's meshes, its tyre type, and the suspension
// capsule the physics rides it on. A tyre block in the car's block:
//
//   TireDriveType      <0 free, 1 steers, 2 driven, 3 steers and driven>
//   TireOrientation    <16 numbers: mounting rotation, position in the last row>
//   LengthOfSuspension <metres>   RadiusOfSuspension <metres>
//   SuspensionIndex    <entry of the car's suspension table>
//
// "SuspensionIndex" ends the block; so does any word the tyre does not know,
// which is left for the car.

#include <cstdint>
#include <string>

#include "Display/ComplexObject.h"
#include "platform/d3dx8/D3DX8Math.h"

class CCar;
class CDataBuffer;
class CTire;
class CTireType;
class NxActor;
class NxShape;

// What a tyre capsule's user data points at: the tyre and its car.
struct CTireOwner {
    CCar* m_pCar = nullptr;
    CTire* m_pTire = nullptr;
};

class CTire {
public:
    enum DriveType {
        DRIVE_FREE = 0,
        DRIVE_STEERS = 1,
        // Pushed along the body's forward axis.
        DRIVE_DRIVEN = 2,
        // Steers, and is pushed along its own forward axis.
        DRIVE_STEERS_DRIVEN = 3,
    };
    static constexpr float DEFAULT_RADIUS = 0.41f;
    static constexpr float DEFAULT_FLAT_RADIUS = 0.31f;

    CTire();
    // The owner record of a copy points at the copy, with no car until the
    // physics is built; everything else is copied whole.
    CTire(const CTire& other);
    CTire& operator=(const CTire& other);

    // One tyre keyword. False once "SuspensionIndex" is read, and for a word
    // it does not know (left unread).
    bool ReadProperty(CDataBuffer& reader);
    // A fresh wheel with the default radii, straight, unspun.
    void Reset();
    // Takes the tyre type (required). An empty `sharedMesh` gets one of the
    // type's meshes, so that the car's other wheels take the same; the wheel
    // becomes a copy of that ComplexObject (required).
    void SetType(const std::string& typeName, std::string& sharedMesh);
    // The suspension capsule on the car's actor, pointing down from the
    // mount, on the tyre's material, its user data the owner record; false
    // when the actor would not take it.
    bool CreateShape(NxActor& carActor);
    // The wheel on its suspension under the body pose `bodyPose`: hanging at
    // full length without a contact since the last pose, else resting on the
    // contact point. Only with a capsule.
    void UpdatePose(const D3DXMATRIX& bodyPose);

    CComplexObject m_Wheel;
    // Observer into the asset manager.
    CTireType* m_pType = nullptr;
    float m_fRadius = DEFAULT_RADIUS;
    float m_fFlatRadius = DEFAULT_FLAT_RADIUS;
    int32_t m_iDriveType = DRIVE_FREE;
    // 1 after each pose update, 0 once a contact was recorded since.
    uint32_t m_uNoContact = 0;
    // Nothing makes a tyre flat; kept with the flat radius and length.
    bool m_bFlat = false;
    // The capsule on the car's actor; null without physics.
    NxShape* m_pShape = nullptr;
    uint16_t m_u16Material = 0;
    float m_fSuspensionLength = 0.0f;
    float m_fFlatSuspensionLength = 0.0f;
    float m_fSuspensionRadius = 0.0f;
    int32_t m_iSuspensionIndex = 0;
    // World space.
    D3DXVECTOR3 m_vContactPoint;
    CTireOwner m_Owner;
    D3DXMATRIX m_matMountRotation;
    D3DXVECTOR3 m_vMountPosition;
    D3DXMATRIX m_matSteer;
    D3DXMATRIX m_matSpin;
    float m_fWobblePhase = 0.0f;
    D3DXMATRIX m_matWobble;
};
