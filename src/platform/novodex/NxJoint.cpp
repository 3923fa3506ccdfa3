// Joints over Bullet constraints. Breaking reads the constraint's feedback
// after every substep: the force on the first body, and its torque taken
// about the anchor (Bullet's is about the body's centre of mass). Bullet
// gives them as the substep's impulses over its length; the limits are
// impulses, so they are taken back to what the substep carried.

#include "platform/novodex/NxJoint.h"

#include <algorithm>

#include "platform/novodex/BulletBridge.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxRevoluteJoint.h"
#include "platform/novodex/NxScene.h"

namespace {

// The joint frame as Bullet's constraints take it: the axis is z, the normal
// (made square to the axis) is x.
btTransform JointFrame(const NxVec3& anchor, const NxVec3& axis, const NxVec3& normal)
{
    const btVector3 z = ToBullet(axis).normalized();
    btVector3 x = ToBullet(normal);
    x -= z * z.dot(x);
    if (x.length2() < SIMD_EPSILON) {
        btVector3 unusedY;
        btPlaneSpace1(z, x, unusedY);
    }
    x.normalize();
    const btVector3 y = z.cross(x);
    const btMatrix3x3 basis(x.x(), y.x(), z.x(), x.y(), y.y(), z.y(), x.z(), y.z(), z.z());
    return btTransform(basis, ToBullet(anchor));
}

bool IsDirection(const NxVec3& v)
{
    return v.isFinite() && !v.isZero();
}

} // namespace

bool NxJointDesc::isValid() const
{
    if (actor[0] == nullptr || actor[0] == actor[1])
        return false;
    const bool anyDynamic = actor[0]->isDynamic() || (actor[1] != nullptr && actor[1]->isDynamic());
    if (!anyDynamic || !(maxForce >= 0.0f) || !(maxTorque >= 0.0f))
        return false;
    for (int side = 0; side < 2; ++side)
        if (!localAnchor[side].isFinite() || !IsDirection(localAxis[side]) || !IsDirection(localNormal[side]))
            return false;
    return true;
}

NxJoint::NxJoint(NxScene& scene, const NxJointDesc& desc)
    : m_Scene(scene),
      m_Type(desc.getType()),
      m_pActors{desc.actor[0], desc.actor[1]},
      m_MaxForce(desc.maxForce),
      m_MaxTorque(desc.maxTorque),
      m_pFeedback(std::make_unique<btJointFeedback>())
{
    for (int side = 0; side < 2; ++side) {
        m_LocalAnchor[side] = desc.localAnchor[side];
        m_LocalAxis[side] = desc.localAxis[side];
        m_LocalNormal[side] = desc.localNormal[side];
        if (m_pActors[side] != nullptr)
            m_pActors[side]->attachJoint(*this);
    }
}

NxJoint::~NxJoint()
{
    unbind();
}

NxRevoluteJoint* NxJoint::isRevoluteJoint()
{
    return m_Type == NX_JOINT_REVOLUTE ? static_cast<NxRevoluteJoint*>(this) : nullptr;
}

void NxJoint::getActors(NxActor** actor0, NxActor** actor1) const
{
    if (actor0 != nullptr)
        *actor0 = m_pActors[0];
    if (actor1 != nullptr)
        *actor1 = m_pActors[1];
}

void NxJoint::setBreakable(NxReal maxForce, NxReal maxTorque)
{
    if (!(maxForce >= 0.0f) || !(maxTorque >= 0.0f))
        return;
    m_MaxForce = maxForce;
    m_MaxTorque = maxTorque;
}

void NxJoint::getBreakable(NxReal& maxForce, NxReal& maxTorque) const
{
    maxForce = m_MaxForce;
    maxTorque = m_MaxTorque;
}

void NxJoint::setConstraint(std::unique_ptr<btTypedConstraint> constraint)
{
    m_pConstraint = std::move(constraint);
    m_pConstraint->setJointFeedback(m_pFeedback.get());
    m_pConstraint->enableFeedback(true);
}

void NxJoint::getBodyFrames(btTransform& frameA, btTransform& frameB) const
{
    btTransform* frames[2] = {&frameA, &frameB};
    for (int side = 0; side < 2; ++side) {
        const btTransform frame = JointFrame(m_LocalAnchor[side], m_LocalAxis[side], m_LocalNormal[side]);
        // The world is a body at the origin: its frame is already in world space.
        *frames[side] = m_pActors[side] != nullptr ? ToBullet(m_pActors[side]->getMassFrame().getInverseRT()) * frame
                                                   : frame;
    }
}

void NxJoint::unbind()
{
    if (m_pConstraint && m_State == NX_JS_SIMULATING)
        m_Scene.getWorld().removeConstraint(m_pConstraint.get());
    m_pConstraint.reset();
    for (NxActor*& actor : m_pActors) {
        if (actor != nullptr)
            actor->detachJoint(*this);
        actor = nullptr;
    }
    m_State = NX_JS_UNBOUND;
}

void NxJoint::checkBreak(NxReal stepSeconds)
{
    if (m_State != NX_JS_SIMULATING || (m_MaxForce == NX_MAX_REAL && m_MaxTorque == NX_MAX_REAL))
        return;
    const btRigidBody& body = m_pConstraint->getRigidBodyA();
    btTransform frameA;
    btTransform frameB;
    getBodyFrames(frameA, frameB);
    const btVector3 anchor = body.getWorldTransform() * frameA.getOrigin();
    const btVector3 force = m_pFeedback->m_appliedForceBodyA;
    const btVector3 torque =
        m_pFeedback->m_appliedTorqueBodyA - (anchor - body.getWorldTransform().getOrigin()).cross(force);
    if (force.length() * stepSeconds <= m_MaxForce && torque.length() * stepSeconds <= m_MaxTorque)
        return;
    m_Scene.getWorld().removeConstraint(m_pConstraint.get());
    m_State = NX_JS_BROKEN;
}
