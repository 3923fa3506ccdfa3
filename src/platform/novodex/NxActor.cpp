// An actor is one Bullet rigid body over a compound shape with one child per
// shape. Children are found by their shape, never by index: Bullet moves the
// last child into the place of a removed one.
//
// The body's frame is the actor's centre of mass (the mass frame), so the
// compound's children sit at (mass frame)^-1 x (shape's local pose) and the
// actor's pose is the body's transform x (mass frame)^-1.

#include "platform/novodex/NxActor.h"

#include <algorithm>
#include <cmath>

#include "platform/novodex/BulletBridge.h"
#include "platform/novodex/NxBoxShape.h"
#include "platform/novodex/NxCapsuleShape.h"
#include "platform/novodex/NxJoint.h"
#include "platform/novodex/NxPhysicsSDK.h"
#include "platform/novodex/NxScene.h"
#include "platform/novodex/NxSphereShape.h"
#include "platform/novodex/NxTriangleMeshShape.h"

namespace {

const btScalar PI = btScalar(3.14159265358979);
// Shapes without volume would leave a body without inertia, which the
// solver cannot turn; no principal moment falls below this share of the mass
// (in square metres).
const btScalar MIN_INERTIA_PER_MASS = btScalar(1e-3);

btScalar ShapeVolume(const NxShape& shape)
{
    switch (shape.getType()) {
    case NX_SHAPE_BOX: {
        const NxVec3& half = static_cast<const NxBoxShape&>(shape).getDimensions();
        return 8.0f * half.x * half.y * half.z;
    }
    case NX_SHAPE_SPHERE: {
        const btScalar r = static_cast<const NxSphereShape&>(shape).getRadius();
        return 4.0f / 3.0f * PI * r * r * r;
    }
    case NX_SHAPE_CAPSULE: {
        const auto& capsule = static_cast<const NxCapsuleShape&>(shape);
        const btScalar r = capsule.getRadius();
        return PI * r * r * capsule.getHeight() + 4.0f / 3.0f * PI * r * r * r;
    }
    case NX_SHAPE_MESH:
        return 0.0f;
    }
    return 0.0f;
}

std::unique_ptr<NxShape> MakeShape(NxActor& actor, const NxShapeDesc& desc)
{
    switch (desc.getType()) {
    case NX_SHAPE_BOX:
        return std::make_unique<NxBoxShape>(actor, static_cast<const NxBoxShapeDesc&>(desc));
    case NX_SHAPE_SPHERE:
        return std::make_unique<NxSphereShape>(actor, static_cast<const NxSphereShapeDesc&>(desc));
    case NX_SHAPE_CAPSULE:
        return std::make_unique<NxCapsuleShape>(actor, static_cast<const NxCapsuleShapeDesc&>(desc));
    case NX_SHAPE_MESH:
        return std::make_unique<NxTriangleMeshShape>(actor, static_cast<const NxTriangleMeshShapeDesc&>(desc));
    }
    return nullptr;
}

// A shape's share of its actor's mass: its geometry at its place in the
// mass frame.
struct MassPart {
    btTransform pose;
    const btCollisionShape* geometry;
    btScalar mass;
};

// Mass, centre and principal axes of parts weighing `totalMass` together, in
// the mass frame. Parts without mass add nothing (and triangle meshes, which
// have no inertia, are never asked for one).
void PrincipalAxes(const std::vector<MassPart>& parts, btScalar totalMass, btTransform& principal,
                   btVector3& inertia)
{
    btVector3 centre(0, 0, 0);
    for (const MassPart& part : parts)
        centre += part.pose.getOrigin() * part.mass;
    centre /= totalMass;

    btMatrix3x3 tensor(0, 0, 0, 0, 0, 0, 0, 0, 0);
    for (const MassPart& part : parts) {
        if (part.mass <= 0)
            continue;
        btVector3 local;
        part.geometry->calculateLocalInertia(part.mass, local);
        const btMatrix3x3 rotated = part.pose.getBasis().scaled(local) * part.pose.getBasis().transpose();
        const btVector3 o = part.pose.getOrigin() - centre;
        const btScalar o2 = o.length2();
        const btMatrix3x3 shift(o2 - o.x() * o.x(), -o.x() * o.y(), -o.x() * o.z(),
                                -o.y() * o.x(), o2 - o.y() * o.y(), -o.y() * o.z(),
                                -o.z() * o.x(), -o.z() * o.y(), o2 - o.z() * o.z());
        for (int row = 0; row < 3; ++row)
            tensor[row] += rotated[row] + shift[row] * part.mass;
    }

    btMatrix3x3 axes;
    axes.setIdentity();
    const btScalar threshold = btScalar(1e-5);
    const int maxSteps = 20;
    tensor.diagonalize(axes, threshold, maxSteps);
    inertia.setValue(tensor[0][0], tensor[1][1], tensor[2][2]);
    principal = btTransform(axes, centre);
}

} // namespace

bool NxBodyDesc::isValid() const
{
    return std::isfinite(mass) && mass >= 0.0f && linearVelocity.isFinite() && angularVelocity.isFinite() &&
           linearDamping >= 0.0f && angularDamping >= 0.0f;
}

bool NxActorDesc::isValid() const
{
    if (!IsFinite(globalPose) || !std::isfinite(density) || density < 0.0f || shapes.empty())
        return false;
    for (const NxShapeDesc* shape : shapes)
        if (shape == nullptr || !shape->isValid())
            return false;
    if (body == nullptr)
        return true;
    return body->isValid() && (body->mass > 0.0f || density > 0.0f);
}

NxActor::NxActor(NxScene& scene, const NxActorDesc& desc, NxU32 serial)
    : userData(desc.userData),
      m_Scene(scene),
      m_Serial(serial),
      m_bDynamic(desc.body != nullptr),
      m_ActorFlags(desc.flags),
      m_BodyFlags(desc.body ? desc.body->flags : 0),
      m_Group(desc.group),
      m_pCompound(std::make_unique<btCompoundShape>())
{
    btRigidBody::btRigidBodyConstructionInfo info(0, nullptr, m_pCompound.get());
    m_pBody = std::make_unique<btRigidBody>(info);
    m_pBody->setUserPointer(this);
    // Every contact point passes the scene's hook, which records its shapes
    // and gives it their materials.
    m_pBody->setCollisionFlags(m_pBody->getCollisionFlags() | btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK);
    if (m_ActorFlags & NX_AF_DISABLE_RESPONSE)
        m_pBody->setCollisionFlags(m_pBody->getCollisionFlags() | btCollisionObject::CF_NO_CONTACT_RESPONSE);
    NxMat34 pose;
    if (ToRigidTransform(desc.globalPose, pose))
        setBodyPose(pose);
}

NxActor::~NxActor()
{
    for (const auto& shape : m_Shapes) {
        m_Scene.removeShapeTag(shape->m_ContactTag);
        if (shape->m_bVirtual)
            m_Scene.removeTire(*shape);
    }
}

bool NxActor::createShapes(const NxActorDesc& desc)
{
    for (const NxShapeDesc* shape : desc.shapes)
        if (createShape(*shape) == nullptr)
            return false;
    return true;
}

bool NxActor::applyBody(const NxBodyDesc& body, NxReal density)
{
    if (!updateMassFromShapes(density, body.mass))
        return false;
    m_pBody->setDamping(body.linearDamping, body.angularDamping);
    m_pBody->setLinearVelocity(ToBullet(body.linearVelocity));
    m_pBody->setAngularVelocity(ToBullet(body.angularVelocity));
    applyFreezing();
    return true;
}

NxShape* NxActor::createShape(const NxShapeDesc& desc)
{
    if (!desc.isValid())
        return nullptr;
    NxMat34 localPose;
    if (!ToRigidTransform(desc.localPose, localPose))
        return nullptr;

    std::unique_ptr<NxShape> shape = MakeShape(*this, desc);
    if (!shape)
        return nullptr;
    shape->m_RigidLocalPose = localPose;
    shape->m_bVirtual = isTireShape(desc);
    if (!shape->m_bVirtual)
        m_pCompound->addChildShape(ToBullet(m_MassFrame.getInverseRT() * localPose), shape->getCollisionShape());
    shape->m_ContactTag = m_Scene.addShapeTag(*shape);
    m_ShapeList.push_back(shape.get());
    m_Shapes.push_back(std::move(shape));
    NxShape& created = *m_ShapeList.back();
    if (!created.m_bVirtual) {
        refreshInWorld(false);
        return &created;
    }
    // A tyre on a static actor has nothing to carry: it stays inert.
    if (m_bDynamic)
        m_Scene.addTire(created);
    return &created;
}

// Tyre capsules ride on spring materials; every other shape is real geometry.
bool NxActor::isTireShape(const NxShapeDesc& desc) const
{
    if (desc.getType() != NX_SHAPE_CAPSULE)
        return false;
    return m_Scene.getPhysicsSDK().combineMaterials(desc.materialIndex, desc.materialIndex).hasSpring;
}

void NxActor::releaseShape(NxShape& shape)
{
    if (&shape.getActor() != this || shape.m_bReleasePending)
        return;
    // The last real shape stays: a body without geometry has no bounds to sort.
    const auto kept = std::count_if(m_Shapes.begin(), m_Shapes.end(), [](const std::unique_ptr<NxShape>& owned) {
        return !owned->m_bReleasePending && !owned->m_bVirtual;
    });
    if (!shape.m_bVirtual && kept <= 1)
        return;
    // A tyre casts no more rays, even while its records of this step are read.
    if (shape.m_bVirtual)
        m_Scene.removeTire(shape);
    if (m_Scene.m_bReporting) {
        shape.m_bReleasePending = true;
        m_Scene.m_PendingShapeReleases.push_back(&shape);
        return;
    }
    destroyShape(shape);
}

void NxActor::destroyShape(NxShape& shape)
{
    const int child = findChildIndex(shape);
    if (child >= 0)
        m_pCompound->removeChildShapeByIndex(child);
    m_Scene.removeShapeTag(shape.m_ContactTag);

    const auto found = std::find(m_ShapeList.begin(), m_ShapeList.end(), &shape);
    const size_t index = static_cast<size_t>(found - m_ShapeList.begin());
    const size_t last = m_ShapeList.size() - 1;
    m_ShapeList[index] = m_ShapeList[last];
    m_ShapeList.pop_back();
    std::swap(m_Shapes[index], m_Shapes[last]);
    const bool real = !m_Shapes.back()->m_bVirtual;
    m_Shapes.pop_back();
    if (real)
        refreshInWorld(false);
}

void NxActor::replaceGeometry(NxShape& shape, std::unique_ptr<btCollisionShape> geometry)
{
    const int child = findChildIndex(shape);
    if (child >= 0)
        m_pCompound->removeChildShapeByIndex(child);
    shape.replaceCollisionShape(std::move(geometry));
    if (child < 0)
        return;
    m_pCompound->addChildShape(ToBullet(m_MassFrame.getInverseRT() * shape.getRigidLocalPose()),
                               shape.getCollisionShape());
    refreshInWorld(false);
}

int NxActor::findChildIndex(const NxShape& shape) const
{
    for (int i = 0; i < m_pCompound->getNumChildShapes(); ++i)
        if (m_pCompound->getChildShape(i) == shape.getCollisionShape())
            return i;
    return -1;
}

void NxActor::updateChildTransform(const NxShape& shape)
{
    const int child = findChildIndex(shape);
    if (child < 0)
        return;
    m_pCompound->updateChildTransform(child, ToBullet(m_MassFrame.getInverseRT() * shape.getRigidLocalPose()));
    // The shape's contacts stay (a steered tyre keeps its grip); only the
    // bounds follow.
    if (!m_bInWorld)
        return;
    m_Scene.getWorld().updateSingleAabb(m_pBody.get());
    if (m_bDynamic)
        m_pBody->activate(true);
}

void NxActor::setGlobalPose(const NxMat34& pose)
{
    NxMat34 rigid;
    if (!ToRigidTransform(pose, rigid))
        return;
    setBodyPose(rigid);
}

void NxActor::setGlobalPosition(const NxVec3& position)
{
    setGlobalPose(NxMat34(getGlobalPose().M, position));
}

void NxActor::setGlobalOrientation(const NxMat33& orientation)
{
    setGlobalPose(NxMat34(orientation, getGlobalPose().t));
}

NxMat34 NxActor::getGlobalPose() const
{
    return ToNx(m_pBody->getWorldTransform()) * m_MassFrame.getInverseRT();
}

void NxActor::setBodyPose(const NxMat34& actorPose)
{
    const btTransform transform = ToBullet(actorPose * m_MassFrame);
    m_pBody->setWorldTransform(transform);
    m_pBody->setInterpolationWorldTransform(transform);
    if (!m_bInWorld)
        return;
    m_Scene.getWorld().updateSingleAabb(m_pBody.get());
    if (m_bDynamic)
        m_pBody->activate(true);
}

void NxActor::setLinearVelocity(const NxVec3& velocity)
{
    if (!m_bDynamic || !velocity.isFinite())
        return;
    m_pBody->setLinearVelocity(ToBullet(velocity) * m_pBody->getLinearFactor());
    if (!velocity.isZero())
        m_pBody->activate(true);
}

NxVec3 NxActor::getLinearVelocity() const
{
    return m_bDynamic ? ToNx(m_pBody->getLinearVelocity()) : NxVec3();
}

void NxActor::setAngularVelocity(const NxVec3& velocity)
{
    if (!m_bDynamic || !velocity.isFinite())
        return;
    m_pBody->setAngularVelocity(ToBullet(velocity) * m_pBody->getAngularFactor());
    if (!velocity.isZero())
        m_pBody->activate(true);
}

NxVec3 NxActor::getAngularVelocity() const
{
    return m_bDynamic ? ToNx(m_pBody->getAngularVelocity()) : NxVec3();
}

void NxActor::setAngularMomentum(const NxVec3& momentum)
{
    if (!m_bDynamic || !momentum.isFinite())
        return;
    setAngularVelocity(ToNx(m_pBody->getInvInertiaTensorWorld() * ToBullet(momentum)));
}

void NxActor::addForce(const NxVec3& force, NxForceMode mode)
{
    addForceAtPos(force, ToNx(m_pBody->getCenterOfMassPosition()), mode);
}

void NxActor::addForceAtPos(const NxVec3& force, const NxVec3& position, NxForceMode mode)
{
    if (!m_bDynamic || !force.isFinite() || !position.isFinite())
        return;
    if (mode == NX_IMPULSE) {
        m_pBody->applyImpulse(ToBullet(force), ToBullet(position) - m_pBody->getCenterOfMassPosition());
        m_pBody->activate(true);
        return;
    }
    if (mode != NX_FORCE)
        return;
    const NxVec3 arm = position - ToNx(m_pBody->getCenterOfMassPosition());
    m_GatheredForce += force;
    m_GatheredTorque += arm.cross(force);
    if (!m_bForcesGathered) {
        m_bForcesGathered = true;
        m_Scene.m_ForcedActors.push_back(this);
    }
    if (!force.isZero())
        m_pBody->activate(true);
}

void NxActor::applyGatheredForces(int steps, NxReal step, NxReal weight)
{
    m_CarriedImpulse += m_GatheredForce * weight;
    m_CarriedAngularImpulse += m_GatheredTorque * weight;
    m_GatheredForce.zero();
    m_GatheredTorque.zero();
    if (steps <= 0)
        return;
    // Bullet holds these through the call's steps and clears them after it.
    const NxReal duration = steps * step;
    m_pBody->applyCentralForce(ToBullet(m_CarriedImpulse * (1.0f / duration)));
    m_pBody->applyTorque(ToBullet(m_CarriedAngularImpulse * (1.0f / duration)));
    m_CarriedImpulse.zero();
    m_CarriedAngularImpulse.zero();
    m_bForcesGathered = false;
}

NxReal NxActor::computeKineticEnergy() const
{
    if (!m_bDynamic)
        return 0.0f;
    const btVector3 spin = m_pBody->getWorldTransform().getBasis().transpose() * m_pBody->getAngularVelocity();
    const btVector3 inertia = m_pBody->getLocalInertia();
    const btScalar linear = m_pBody->getMass() * m_pBody->getLinearVelocity().length2();
    return 0.5f * (linear + inertia.dot(spin * spin));
}

void NxActor::raiseActorFlag(NxActorFlag flag)
{
    const NxU32 old = m_ActorFlags;
    m_ActorFlags |= flag;
    if (flag & NX_AF_DISABLE_RESPONSE)
        m_pBody->setCollisionFlags(m_pBody->getCollisionFlags() | btCollisionObject::CF_NO_CONTACT_RESPONSE);
    refreshInWorld(((old ^ m_ActorFlags) & NX_AF_DISABLE_COLLISION) != 0);
}

void NxActor::clearActorFlag(NxActorFlag flag)
{
    const NxU32 old = m_ActorFlags;
    m_ActorFlags &= ~static_cast<NxU32>(flag);
    if (flag & NX_AF_DISABLE_RESPONSE)
        m_pBody->setCollisionFlags(m_pBody->getCollisionFlags() & ~btCollisionObject::CF_NO_CONTACT_RESPONSE);
    refreshInWorld(((old ^ m_ActorFlags) & NX_AF_DISABLE_COLLISION) != 0);
}

void NxActor::raiseBodyFlag(NxBodyFlag flag)
{
    if (!m_bDynamic)
        return;
    m_BodyFlags |= flag;
    applyFreezing();
}

void NxActor::clearBodyFlag(NxBodyFlag flag)
{
    if (!m_bDynamic)
        return;
    m_BodyFlags &= ~static_cast<NxU32>(flag);
    applyFreezing();
}

void NxActor::applyFreezing()
{
    auto free = [this](NxU32 flag) { return (m_BodyFlags & flag) ? btScalar(0) : btScalar(1); };
    const btVector3 linear(free(NX_BF_FROZEN_POS_X), free(NX_BF_FROZEN_POS_Y), free(NX_BF_FROZEN_POS_Z));
    const btVector3 angular(free(NX_BF_FROZEN_ROT_X), free(NX_BF_FROZEN_ROT_Y), free(NX_BF_FROZEN_ROT_Z));
    m_pBody->setLinearFactor(linear);
    m_pBody->setAngularFactor(angular);
    m_pBody->setLinearVelocity(m_pBody->getLinearVelocity() * linear);
    m_pBody->setAngularVelocity(m_pBody->getAngularVelocity() * angular);
    m_pBody->activate(true);
}

bool NxActor::updateMassFromShapes(NxReal density, NxReal totalMass)
{
    if (!m_bDynamic || !std::isfinite(density) || !std::isfinite(totalMass))
        return false;

    // Tyres weigh what they would as real capsules.
    const NxMat34 toMassFrame = m_MassFrame.getInverseRT();
    std::vector<MassPart> parts;
    parts.reserve(m_Shapes.size());
    btScalar volume = 0;
    for (const auto& shape : m_Shapes) {
        const btScalar shapeVolume = ShapeVolume(*shape);
        parts.push_back({ToBullet(toMassFrame * shape->getRigidLocalPose()), shape->getCollisionShape(), shapeVolume});
        volume += shapeVolume;
    }
    const btScalar mass = totalMass > 0.0f ? totalMass : density * volume;
    if (volume <= 0 || mass <= 0)
        return false;
    for (MassPart& part : parts)
        part.mass *= mass / volume;

    btTransform principal;
    btVector3 inertia;
    PrincipalAxes(parts, mass, principal, inertia);
    const btScalar minInertia = mass * MIN_INERTIA_PER_MASS;
    inertia.setMax(btVector3(minInertia, minInertia, minInertia));

    setMassFrame(m_MassFrame * ToNx(principal));
    m_pBody->setMassProps(mass, inertia);
    m_pBody->updateInertiaTensor();
    refreshInWorld(false);
    return true;
}

NxReal NxActor::getMass() const
{
    return m_bDynamic ? m_pBody->getMass() : 0.0f;
}

// The body keeps its velocities as they are: adding the spin's share at the
// new centre would give a car a push each time the game moves it.
void NxActor::setCMassOffsetLocalPosition(const NxVec3& offset)
{
    if (!m_bDynamic || !offset.isFinite() || offset == m_MassFrame.t)
        return;
    setMassFrame(NxMat34(m_MassFrame.M, offset));
}

void NxActor::setMassFrame(const NxMat34& massFrame)
{
    const NxMat34 actorPose = getGlobalPose();
    m_MassFrame = massFrame;
    const NxMat34 toMassFrame = m_MassFrame.getInverseRT();
    for (int i = 0; i < m_pCompound->getNumChildShapes(); ++i) {
        const auto* shape = static_cast<const NxShape*>(m_pCompound->getChildShape(i)->getUserPointer());
        m_pCompound->updateChildTransform(i, ToBullet(toMassFrame * shape->getRigidLocalPose()), false);
    }
    m_pCompound->recalculateLocalAabb();
    setBodyPose(actorPose);
    for (NxJoint* joint : m_Joints)
        joint->refreshFrames();
}

void NxActor::refreshInWorld(bool collisionsChanged)
{
    if (!m_bInWorld)
        return;
    btDiscreteDynamicsWorld& world = m_Scene.getWorld();
    m_Scene.wakeTouching(*this);
    if (collisionsChanged) {
        // Re-entering the world finds the overlaps the new filter allows.
        world.removeRigidBody(m_pBody.get());
        if (m_ActorFlags & NX_AF_DISABLE_COLLISION)
            world.addRigidBody(m_pBody.get(), 0, 0);
        else
            world.addRigidBody(m_pBody.get());
        world.updateSingleAabb(m_pBody.get());
    } else {
        // Contacts found with the old shapes or mass frame (and the shapes
        // they name) go.
        world.getBroadphase()->getOverlappingPairCache()->cleanProxyFromPairs(m_pBody->getBroadphaseHandle(),
                                                                             world.getDispatcher());
        world.updateSingleAabb(m_pBody.get());
    }
    if (m_bDynamic)
        m_pBody->activate(true);
}

bool NxActor::isJointedTo(const NxActor& other) const
{
    for (const NxJoint* joint : m_Joints) {
        NxActor* actors[2];
        joint->getActors(&actors[0], &actors[1]);
        if (joint->getState() == NX_JS_SIMULATING && (actors[0] == &other || actors[1] == &other))
            return true;
    }
    return false;
}

void NxActor::attachJoint(NxJoint& joint)
{
    m_Joints.push_back(&joint);
}

void NxActor::detachJoint(NxJoint& joint)
{
    m_Joints.erase(std::remove(m_Joints.begin(), m_Joints.end(), &joint), m_Joints.end());
}
