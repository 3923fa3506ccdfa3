#include "Physics/PhysicsObject.h"

#include <limits>

#include "Core/DataBuffer.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"

CPhysicsObject::CPhysicsObject()
{
    D3DXMatrixIdentity(&m_matInertia);
}

CPhysicsObject::CPhysicsObject(const CPhysicsObject& other)
    : m_iMaterial(other.m_iMaterial),
      m_fMass(other.m_fMass),
      m_matInertia(other.m_matInertia),
      m_vPosition(other.m_vPosition),
      m_vVelocity(other.m_vVelocity)
{
}

CPhysicsObject& CPhysicsObject::operator=(const CPhysicsObject& other)
{
    m_iMaterial = other.m_iMaterial;
    m_fMass = other.m_fMass;
    m_matInertia = other.m_matInertia;
    m_vPosition = other.m_vPosition;
    m_vVelocity = other.m_vVelocity;
    return *this;
}

bool CPhysicsObject::ReadProperty(CDataBuffer& reader)
{
    if (reader.Match("Mass")) {
        m_fMass = reader.GetFloat();
        return true;
    }
    if (reader.Match("Inertia")) {
        m_matInertia = reader.GetMatrix();
        return true;
    }
    if (reader.Match("Material")) {
        // Materials have 16-bit indices; one beyond them is the default, 0.
        const int32_t material = reader.GetInteger();
        const bool valid = material >= 0 && material <= std::numeric_limits<uint16_t>::max();
        m_iMaterial = valid ? material : 0;
        return true;
    }
    return false;
}

const D3DXVECTOR3& CPhysicsObject::GetLinearVelocity()
{
    if (m_pActor != nullptr)
        m_vVelocity = ToD3DXVector(m_pActor->getLinearVelocity());
    return m_vVelocity;
}
