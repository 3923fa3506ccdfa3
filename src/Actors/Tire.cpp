#include "Actors/Tire.h"

#include <cmath>

#include "Actors/CarShapes.h"
#include "Actors/TireType.h"
#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxCapsuleShape.h"

namespace {

const char* const KEYWORD_TIRE_DRIVE_TYPE = "TireDriveType";
const char* const KEYWORD_TIRE_ORIENTATION = "TireOrientation";
const char* const KEYWORD_LENGTH_OF_SUSPENSION = "LengthOfSuspension";
const char* const KEYWORD_RADIUS_OF_SUSPENSION = "RadiusOfSuspension";
const char* const KEYWORD_SUSPENSION_INDEX = "SuspensionIndex";

const D3DXVECTOR3 ORIGIN(0.0f, 0.0f, 0.0f);
// The capsule is swept along its axis: a virtual tyre on a spring material.
const NxU32 SWEPT_CAPSULE_FLAGS = 1;

// A half turn about the car's forward axis: the capsule's axis points down.
NxMat33 PointingDown()
{
    return NxMat33(NxVec3(-1.0f, 0.0f, 0.0f), NxVec3(0.0f, -1.0f, 0.0f), NxVec3(0.0f, 0.0f, 1.0f));
}

} // namespace

CTire::CTire() : m_vContactPoint(ORIGIN), m_vMountPosition(ORIGIN)
{
    m_Owner.m_pTire = this;
    D3DXMatrixIdentity(&m_matMountRotation);
    D3DXMatrixIdentity(&m_matSteer);
    D3DXMatrixIdentity(&m_matSpin);
    D3DXMatrixIdentity(&m_matWobble);
}

CTire::CTire(const CTire& other) : CTire()
{
    *this = other;
}

CTire& CTire::operator=(const CTire& other)
{
    if (this == &other)
        return *this;
    m_Wheel = other.m_Wheel;
    m_pType = other.m_pType;
    m_fRadius = other.m_fRadius;
    m_fFlatRadius = other.m_fFlatRadius;
    m_iDriveType = other.m_iDriveType;
    m_uNoContact = other.m_uNoContact;
    m_bFlat = other.m_bFlat;
    m_pShape = other.m_pShape;
    m_u16Material = other.m_u16Material;
    m_fSuspensionLength = other.m_fSuspensionLength;
    m_fFlatSuspensionLength = other.m_fFlatSuspensionLength;
    m_fSuspensionRadius = other.m_fSuspensionRadius;
    m_iSuspensionIndex = other.m_iSuspensionIndex;
    m_vContactPoint = other.m_vContactPoint;
    m_Owner.m_pCar = nullptr;
    m_Owner.m_pTire = this;
    m_matMountRotation = other.m_matMountRotation;
    m_vMountPosition = other.m_vMountPosition;
    m_matSteer = other.m_matSteer;
    m_matSpin = other.m_matSpin;
    m_fWobblePhase = other.m_fWobblePhase;
    m_matWobble = other.m_matWobble;
    return *this;
}

bool CTire::ReadProperty(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_TIRE_DRIVE_TYPE)) {
        m_iDriveType = reader.GetInteger();
    } else if (reader.Match(KEYWORD_TIRE_ORIENTATION)) {
        m_matMountRotation = reader.GetMatrix();
        m_vMountPosition = D3DXVECTOR3(m_matMountRotation._41, m_matMountRotation._42, m_matMountRotation._43);
        m_matMountRotation._41 = m_matMountRotation._42 = m_matMountRotation._43 = 0.0f;
    } else if (reader.Match(KEYWORD_LENGTH_OF_SUSPENSION)) {
        m_fSuspensionLength = reader.GetFloat();
    } else if (reader.Match(KEYWORD_RADIUS_OF_SUSPENSION)) {
        m_fSuspensionRadius = reader.GetFloat();
    } else if (reader.Match(KEYWORD_SUSPENSION_INDEX)) {
        m_iSuspensionIndex = reader.GetInteger();
        return false;
    } else {
        return false;
    }
    return true;
}

void CTire::Reset()
{
    m_Wheel.Init();
    m_fRadius = DEFAULT_RADIUS;
    m_fFlatRadius = DEFAULT_FLAT_RADIUS;
    m_bFlat = false;
    m_fWobblePhase = 0.0f;
    D3DXMatrixIdentity(&m_matSteer);
    D3DXMatrixIdentity(&m_matSpin);
    D3DXMatrixIdentity(&m_matWobble);
}

void CTire::SetType(const std::string& typeName, std::string& sharedMesh)
{
    g_AssetManager.GetAsset(typeName, m_pType, true);
    if (sharedMesh.empty())
        sharedMesh = m_pType->PickMesh();
    CComplexObject* wheel = nullptr;
    g_AssetManager.GetAsset(sharedMesh, wheel, true);
    m_Wheel = *wheel;
}

bool CTire::CreateShape(NxActor& carActor)
{
    m_uNoContact = 0;
    m_bFlat = false;
    NxCapsuleShapeDesc capsule;
    capsule.localPose.M = PointingDown();
    capsule.localPose.t = ToNxVec3(m_vMountPosition);
    capsule.shapeFlags = CAR_SHAPE_FLAGS;
    capsule.materialIndex = m_u16Material;
    capsule.userData = &m_Owner;
    capsule.radius = m_fSuspensionRadius;
    capsule.height = m_fSuspensionLength;
    capsule.flags = SWEPT_CAPSULE_FLAGS;
    m_pShape = carActor.createShape(capsule);
    return m_pShape != nullptr;
}

void CTire::UpdatePose(const D3DXMATRIX& bodyPose)
{
    if (m_pShape == nullptr)
        return;
    D3DXMATRIX pose;
    D3DXMatrixMultiply(&pose, &m_matMountRotation, &m_matSpin);
    D3DXMatrixMultiply(&pose, &pose, &m_matSteer);
    D3DXMatrixMultiply(&pose, &pose, &m_matWobble);
    D3DXVECTOR3 offset = m_vMountPosition;
    if (m_uNoContact != 0) {
        offset.y -= m_fSuspensionLength * 0.5f - m_fRadius;
    } else {
        // The capsule's axis points down the suspension; the wheel rests
        // where the spring met the ground.
        const NxMat34 capsule = m_pShape->getGlobalPose();
        NxVec3 axis = -capsule.M.getColumn(1);
        axis.normalize();
        const float along = std::fabs((capsule.t - ToNxVec3(m_vContactPoint)).dot(axis));
        offset.y -= along - m_fRadius;
    }
    pose._41 = offset.x;
    pose._42 = offset.y;
    pose._43 = offset.z;
    D3DXMatrixMultiply(&pose, &pose, &bodyPose);
    m_uNoContact = 1;
    m_Wheel.SetLocalMatrix(pose);
    m_Wheel.UpdateWorldMatrix();
}
