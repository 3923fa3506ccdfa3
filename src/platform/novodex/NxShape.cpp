// The shape kinds over Bullet's shapes. Each shape has its own Bullet shape,
// a child of its actor's compound, whose user pointer leads back to it.

#include "platform/novodex/NxShape.h"

#include <cmath>

#include <BulletCollision/CollisionShapes/btBvhTriangleMeshShape.h>

#include "platform/novodex/BulletBridge.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxBoxShape.h"
#include "platform/novodex/NxCapsuleShape.h"
#include "platform/novodex/NxSphereShape.h"
#include "platform/novodex/NxTriangleMesh.h"
#include "platform/novodex/NxHeightFieldGround.h"
#include "platform/novodex/NxTriangleMeshShape.h"

namespace {

bool IsSize(NxReal value)
{
    return std::isfinite(value) && value >= 0.0f;
}

std::unique_ptr<btCollisionShape> MakeMeshShape(NxTriangleMesh& mesh)
{
    // Every shape of a mesh shares the bounding tree cooked with the mesh.
    auto shape = std::make_unique<btBvhTriangleMeshShape>(&mesh.getVertexArray(), true, false);
    shape->setOptimizedBvh(mesh.getCookedShape().getOptimizedBvh());
    return shape;
}

} // namespace

bool NxShapeDesc::isValid() const
{
    return IsFinite(localPose) && group < NX_NUM_COLLISION_GROUPS;
}

bool NxBoxShapeDesc::isValid() const
{
    return NxShapeDesc::isValid() && IsSize(dimensions.x) && IsSize(dimensions.y) && IsSize(dimensions.z);
}

bool NxSphereShapeDesc::isValid() const
{
    return NxShapeDesc::isValid() && IsSize(radius);
}

bool NxCapsuleShapeDesc::isValid() const
{
    return NxShapeDesc::isValid() && IsSize(radius) && IsSize(height);
}

bool NxTriangleMeshShapeDesc::isValid() const
{
    return NxShapeDesc::isValid() && meshData != nullptr;
}

NxShape::NxShape(NxActor& actor, const NxShapeDesc& desc, std::unique_ptr<btCollisionShape> collisionShape)
    : userData(desc.userData),
      m_Actor(actor),
      m_Type(desc.getType()),
      m_LocalPose(desc.localPose),
      m_Group(desc.group),
      m_Material(desc.materialIndex),
      m_Flags(desc.shapeFlags),
      m_pCollisionShape(std::move(collisionShape))
{
    m_pCollisionShape->setUserPointer(this);
}

NxShape::~NxShape() = default;

void NxShape::replaceCollisionShape(std::unique_ptr<btCollisionShape> collisionShape)
{
    m_pCollisionShape = std::move(collisionShape);
    m_pCollisionShape->setUserPointer(this);
}

NxBoxShape* NxShape::isBox()
{
    return m_Type == NX_SHAPE_BOX ? static_cast<NxBoxShape*>(this) : nullptr;
}

NxSphereShape* NxShape::isSphere()
{
    return m_Type == NX_SHAPE_SPHERE ? static_cast<NxSphereShape*>(this) : nullptr;
}

NxCapsuleShape* NxShape::isCapsule()
{
    return m_Type == NX_SHAPE_CAPSULE ? static_cast<NxCapsuleShape*>(this) : nullptr;
}

NxTriangleMeshShape* NxShape::isTriangleMesh()
{
    return m_Type == NX_SHAPE_MESH ? static_cast<NxTriangleMeshShape*>(this) : nullptr;
}

void NxShape::setLocalPose(const NxMat34& pose)
{
    if (!IsFinite(pose))
        return;
    // A steered tyre's matrix is a reflection the game reads back and edits
    // column by column: what was written is what is read.
    m_LocalPose = pose;
    NxMat34 rigid;
    if (!ToRigidTransform(pose, rigid))
        return;
    m_RigidLocalPose = rigid;
    m_Actor.updateChildTransform(*this);
}

void NxShape::setLocalPosition(const NxVec3& position)
{
    setLocalPose(NxMat34(m_LocalPose.M, position));
}

void NxShape::setLocalOrientation(const NxMat33& orientation)
{
    setLocalPose(NxMat34(orientation, m_LocalPose.t));
}

NxMat34 NxShape::getGlobalPose() const
{
    return m_Actor.getGlobalPose() * m_LocalPose;
}

NxBoxShape::NxBoxShape(NxActor& actor, const NxBoxShapeDesc& desc)
    : NxShape(actor, desc, std::make_unique<btBoxShape>(ToBullet(desc.dimensions))),
      m_Dimensions(desc.dimensions)
{
}

NxSphereShape::NxSphereShape(NxActor& actor, const NxSphereShapeDesc& desc)
    : NxShape(actor, desc, std::make_unique<btSphereShape>(desc.radius)), m_Radius(desc.radius)
{
}

NxCapsuleShape::NxCapsuleShape(NxActor& actor, const NxCapsuleShapeDesc& desc)
    : NxShape(actor, desc, std::make_unique<btCapsuleShape>(desc.radius, desc.height)),
      m_Radius(desc.radius),
      m_Height(desc.height),
      m_CapsuleFlags(desc.flags)
{
}

void NxCapsuleShape::setRadius(NxReal radius)
{
    resize(radius, m_Height);
}

void NxCapsuleShape::setHeight(NxReal height)
{
    resize(m_Radius, height);
}

void NxCapsuleShape::resize(NxReal radius, NxReal height)
{
    if (!IsSize(radius) || !IsSize(height))
        return;
    m_Radius = radius;
    m_Height = height;
    getActor().replaceGeometry(*this, std::make_unique<btCapsuleShape>(radius, height));
}

NxTriangleMeshShape::NxTriangleMeshShape(NxActor& actor, const NxTriangleMeshShapeDesc& desc)
    : NxShape(actor, desc, MakeMeshShape(*desc.meshData)), m_Mesh(*desc.meshData)
{
    m_Mesh.addReference();
    if (m_Mesh.isHeightField())
        m_pGround = std::make_unique<NxHeightFieldGround>(*this);
}

NxTriangleMeshShape::~NxTriangleMeshShape()
{
    m_Mesh.removeReference();
}
