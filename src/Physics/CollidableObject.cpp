#include "Physics/CollidableObject.h"

#include "Physics/Physics.h"

namespace {

const D3DCOLOR DEBUG_BOX_COLOUR = 0xFFFFFFFF;

} // namespace

CCollidableObject::CCollidableObject(const CCollidableObject& other)
    : m_BoundingBox(other.m_BoundingBox),
      m_CollisionObject(other.m_CollisionObject),
      m_u8Kind(other.m_u8Kind),
      m_bMoveable(other.m_bMoveable),
      m_PhysicsObject(other.m_PhysicsObject)
{
}

CCollidableObject& CCollidableObject::operator=(const CCollidableObject& other)
{
    // This object keeps its own actor and self link.
    m_BoundingBox = other.m_BoundingBox;
    m_CollisionObject = other.m_CollisionObject;
    m_u8Kind = other.m_u8Kind;
    m_bMoveable = other.m_bMoveable;
    m_PhysicsObject = other.m_PhysicsObject;
    return *this;
}

void (*CCollidableObject::s_pOnDestroyed)(CCollidableObject*) = nullptr;

CCollidableObject::~CCollidableObject()
{
    if (s_pOnDestroyed != nullptr)
        s_pOnDestroyed(this);
    ReleasePhysics();
}

bool CCollidableObject::TakeDamage(const CDamageInfo&, NxContactPair*)
{
    return true;
}

bool CCollidableObject::OnContact(CCollidableObject*, NxContactPair*)
{
    return true;
}

std::vector<CTireContact>* CCollidableObject::GetTireContacts()
{
    return nullptr;
}

void CCollidableObject::LinkPhysicsActor()
{
    m_pSelf = this;
    SetActorUserData(m_PhysicsObject.m_pActor, &m_pSelf);
}

void CCollidableObject::ReleasePhysics()
{
    g_Physics.ReleaseBody(m_bMoveable, &m_PhysicsObject.m_pRigidBody, &m_PhysicsObject.m_pAnimatedBody);
    g_Physics.ReleaseActor(m_bMoveable, &m_PhysicsObject.m_pActor);
}

void CCollidableObject::DebugDrawBoxShapes() const
{
    for (const CShapeWireBox& wireBox : GetActorWireBoxes(m_PhysicsObject.m_pActor, true))
        CCollisionObject::DrawBox(wireBox.m_Box, DEBUG_BOX_COLOUR, &wireBox.m_matWorld);
}
