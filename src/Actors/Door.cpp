#include "Actors/Door.h"

#include "Actors/CarShapes.h"
#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxBoxShape.h"
#include "platform/novodex/NxRevoluteJoint.h"
#include "platform/novodex/NxScene.h"

namespace {

const float DOOR_DENSITY = 10.0f;
const float DOOR_MASS = 5.0f;
const float LIMIT_RESTITUTION = 0.0f;
const float LIMIT_HARDNESS = 1.0f;

NxRevoluteJointDesc HingeDesc(const CDoor& door, NxActor& doorActor, NxActor& carActor, const D3DXVECTOR3& anchor)
{
    NxRevoluteJointDesc desc;
    desc.actor[0] = &doorActor;
    desc.actor[1] = &carActor;
    for (int side = 0; side < 2; ++side) {
        desc.localNormal[side] = ToNxVec3(door.m_vNormal);
        desc.localAxis[side] = ToNxVec3(door.m_vAxis);
        desc.localAnchor[side] = ToNxVec3(anchor);
    }
    desc.limit.low.value = door.m_fLowLimit;
    desc.limit.high.value = door.m_fHighLimit;
    for (NxJointLimitDesc* limit : {&desc.limit.low, &desc.limit.high}) {
        limit->restitution = LIMIT_RESTITUTION;
        limit->hardness = LIMIT_HARDNESS;
    }
    return desc;
}

NxJoint* CreateHinge(NxScene& scene, const NxRevoluteJointDesc& desc, float maxTorque)
{
    NxJoint* joint = scene.createJoint(desc);
    if (joint == nullptr)
        return nullptr;
    joint->isRevoluteJoint()->setFlags(NX_RJF_LIMIT_ENABLED);
    joint->setBreakable(CDoor::BREAKING_FORCE, maxTorque);
    return joint;
}

} // namespace

CDoor::CDoor()
    : m_vAnchor1(0.0f, 0.0f, 0.0f),
      m_vAnchor2(0.0f, 0.0f, 0.0f),
      m_vAxis(0.0f, 0.0f, 0.0f),
      m_vNormal(0.0f, 0.0f, 0.0f),
      m_vBoxMin(0.0f, 0.0f, 0.0f),
      m_vBoxMax(0.0f, 0.0f, 0.0f)
{
}

CDoor::CDoor(const CDoor& other) : CCollidableObject(other)
{
    *this = other;
}

CDoor& CDoor::operator=(const CDoor& other)
{
    if (this == &other)
        return *this;
    CCollidableObject::operator=(other);
    m_Mesh = other.m_Mesh;
    m_vAnchor1 = other.m_vAnchor1;
    m_vAnchor2 = other.m_vAnchor2;
    m_vAxis = other.m_vAxis;
    m_vNormal = other.m_vNormal;
    m_vBoxMin = other.m_vBoxMin;
    m_vBoxMax = other.m_vBoxMax;
    m_fHighLimit = other.m_fHighLimit;
    m_fLowLimit = other.m_fLowLimit;
    m_fBreakingTorque = other.m_fBreakingTorque;
    return *this;
}

CDoor::~CDoor()
{
    ReleasePhysics();
}

bool CDoor::TakeDamage(const CDamageInfo&, NxContactPair*)
{
    return true;
}

void CDoor::ReadLine(CDataBuffer& reader)
{
    const std::string meshName = reader.GetString();
    m_vAnchor1 = reader.GetVector3();
    m_vAnchor2 = reader.GetVector3();
    m_vAxis = reader.GetVector3();
    m_vNormal = reader.GetVector3();
    m_vBoxMin = reader.GetVector3();
    m_vBoxMax = reader.GetVector3();
    m_fLowLimit = reader.GetFloat();
    m_fHighLimit = reader.GetFloat();
    m_fBreakingTorque = reader.GetFloat();
    SetBody(meshName);
}

void CDoor::SetBody(const std::string& complexObjectName)
{
    CComplexObject* mesh = nullptr;
    g_AssetManager.GetAsset(complexObjectName, mesh, true);
    m_Mesh = *mesh;
}

void CDoor::CreatePhysics(NxActor& carActor)
{
    NxScene* scene = g_Physics.GetScene();
    if (scene == nullptr)
        return;
    const D3DXVECTOR3 halfExtents = (m_vBoxMax - m_vBoxMin) * 0.5f;
    NxBoxShapeDesc box;
    box.dimensions = ToNxVec3(halfExtents);
    box.localPose.t = ToNxVec3(m_vBoxMin + halfExtents);
    box.shapeFlags = CAR_SHAPE_FLAGS;
    NxBodyDesc body;
    NxActorDesc desc;
    desc.shapes.push_back(&box);
    desc.body = &body;
    desc.density = DOOR_DENSITY;
    desc.globalPose.t = carActor.getGlobalPosition();
    NxActor* actor = scene->createActor(desc);
    m_PhysicsObject.m_pActor = actor;
    if (actor == nullptr)
        return;
    actor->updateMassFromShapes(0.0f, DOOR_MASS);
    actor->setGlobalOrientation(carActor.getGlobalOrientation());
    LinkPhysicsActor();

    m_pJoints[0] = CreateHinge(*scene, HingeDesc(*this, *actor, carActor, m_vAnchor1), m_fBreakingTorque);
    m_pJoints[1] = CreateHinge(*scene, HingeDesc(*this, *actor, carActor, m_vAnchor2), SECOND_BREAKING_TORQUE);
    m_CollisionObject.m_pMatrix = &m_Mesh.GetWorldMatrix();
    m_CollisionObject.m_pDrawMatrix = m_CollisionObject.m_pMatrix;
}

void CDoor::UpdatePose()
{
    const NxActor* actor = m_PhysicsObject.m_pActor;
    if (actor == nullptr)
        return;
    m_Mesh.SetLocalMatrix(ToD3DXMatrix(actor->getGlobalPose()));
    m_Mesh.UpdateWorldMatrix();
}

// Through the physics manager's scene: once it is gone, so are the joints.
void CDoor::ReleasePhysics()
{
    CCollidableObject::ReleasePhysics();
    NxScene* scene = g_Physics.GetScene();
    for (NxJoint*& joint : m_pJoints) {
        if (joint != nullptr && scene != nullptr)
            scene->releaseJoint(*joint);
        joint = nullptr;
    }
}

void CDoor::SetBreakable(float force, float torque)
{
    for (NxJoint* joint : m_pJoints)
        if (joint != nullptr)
            joint->setBreakable(force, torque);
}
