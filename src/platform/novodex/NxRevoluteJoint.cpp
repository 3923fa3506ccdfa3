// A revolute joint is a Bullet hinge with the first actor as its body A.
// Bullet measures the hinge angle as the turn of A relative to B about the
// axis, which is the SDK's angle, so the limits carry over unchanged.

#include "platform/novodex/NxRevoluteJoint.h"

#include <cmath>

#include "platform/novodex/BulletBridge.h"
#include "platform/novodex/NxActor.h"

namespace {

btRigidBody& BodyOf(NxActor* actor)
{
    return actor != nullptr ? actor->getRigidBody() : btTypedConstraint::getFixedBody();
}

} // namespace

bool NxRevoluteJointDesc::isValid() const
{
    if (!NxJointDesc::isValid())
        return false;
    if (!(flags & NX_RJF_LIMIT_ENABLED))
        return true;
    return std::isfinite(limit.low.value) && std::isfinite(limit.high.value) && limit.low.value <= limit.high.value;
}

NxRevoluteJoint::NxRevoluteJoint(NxScene& scene, const NxRevoluteJointDesc& desc)
    : NxJoint(scene, desc), m_Limits(desc.limit), m_Flags(desc.flags)
{
    btTransform frameA;
    btTransform frameB;
    getBodyFrames(frameA, frameB);
    setConstraint(std::make_unique<btHingeConstraint>(BodyOf(getActor(0)), BodyOf(getActor(1)), frameA, frameB));
    applyLimits();
}

btHingeConstraint* NxRevoluteJoint::getHinge() const
{
    return static_cast<btHingeConstraint*>(getConstraint());
}

void NxRevoluteJoint::setLimits(const NxJointLimitPairDesc& limits)
{
    if (!std::isfinite(limits.low.value) || !std::isfinite(limits.high.value) || limits.low.value > limits.high.value)
        return;
    m_Limits = limits;
    applyLimits();
}

void NxRevoluteJoint::setFlags(NxU32 flags)
{
    m_Flags = flags;
    applyLimits();
}

void NxRevoluteJoint::applyLimits()
{
    if (getHinge() == nullptr)
        return;
    if (m_Flags & NX_RJF_LIMIT_ENABLED)
        getHinge()->setLimit(m_Limits.low.value, m_Limits.high.value);
    else
        // A low limit above the high one frees the hinge.
        getHinge()->setLimit(1, -1);
    for (NxActor* actor : {getActor(0), getActor(1)})
        if (actor != nullptr && actor->isDynamic())
            actor->getRigidBody().activate(true);
}

void NxRevoluteJoint::refreshFrames()
{
    if (getHinge() == nullptr)
        return;
    btTransform frameA;
    btTransform frameB;
    getBodyFrames(frameA, frameB);
    getHinge()->setFrames(frameA, frameB);
}
