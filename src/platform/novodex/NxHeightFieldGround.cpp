#include "platform/novodex/NxHeightFieldGround.h"

#include <BulletCollision/NarrowPhaseCollision/btRaycastCallback.h>

#include "platform/novodex/BulletBridge.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxScene.h"
#include "platform/novodex/NxTriangleMesh.h"
#include "platform/novodex/NxTriangleMeshShape.h"

namespace {

// How far above and below the field's bounds the height ray starts and ends.
const btScalar RAY_MARGIN = btScalar(1);

// The highest triangle the vertical ray meets: the first from above.
class HighestHit : public btTriangleRaycastCallback {
public:
    HighestHit(const btVector3& from, const btVector3& to) : btTriangleRaycastCallback(from, to) {}

    btScalar reportHit(const btVector3&, btScalar fraction, int, int) override
    {
        if (fraction < m_hitFraction)
            m_hitFraction = fraction;
        m_bHit = true;
        return m_hitFraction;
    }

    bool m_bHit = false;
};

bool TakesPart(const btRigidBody& body)
{
    if (body.isStaticOrKinematicObject() || !body.isActive() || body.getInvMass() == 0)
        return false;
    const auto* actor = static_cast<const NxActor*>(body.getUserPointer());
    if (actor == nullptr || actor->isReleasePending())
        return false;
    return !actor->readActorFlag(NX_AF_DISABLE_COLLISION) && !actor->readActorFlag(NX_AF_DISABLE_RESPONSE);
}

} // namespace

NxHeightFieldGround::NxHeightFieldGround(NxTriangleMeshShape& shape) : m_Shape(shape)
{
    shape.getTriangleMesh().getCookedShape().getAabb(btTransform::getIdentity(), m_LocalMin, m_LocalMax);
    shape.getActor().getScene().getWorld().addAction(this);
}

NxHeightFieldGround::~NxHeightFieldGround()
{
    m_Shape.getActor().getScene().getWorld().removeAction(this);
}

bool NxHeightFieldGround::surfaceHeight(const btVector3& localPoint, btScalar& height) const
{
    if (!(localPoint.x() >= m_LocalMin.x() && localPoint.x() <= m_LocalMax.x() && localPoint.z() >= m_LocalMin.z() &&
          localPoint.z() <= m_LocalMax.z()))
        return false;
    const btVector3 from(localPoint.x(), m_LocalMax.y() + RAY_MARGIN, localPoint.z());
    const btVector3 to(localPoint.x(), m_LocalMin.y() - RAY_MARGIN, localPoint.z());
    HighestHit hit(from, to);
    m_Shape.getTriangleMesh().getCookedShape().performRaycast(&hit, from, to);
    if (!hit.m_bHit)
        return false;
    height = from.y() + (to.y() - from.y()) * hit.m_hitFraction;
    return true;
}

void NxHeightFieldGround::updateAction(btCollisionWorld* world, btScalar)
{
    if (m_Shape.getActor().isReleasePending())
        return;
    btCollisionObjectArray& objects = world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        btRigidBody* body = btRigidBody::upcast(objects[i]);
        if (body != nullptr && TakesPart(*body))
            holdAbove(*body);
    }
}

void NxHeightFieldGround::holdAbove(btRigidBody& body) const
{
    const btTransform pose = ToBullet(m_Shape.getGlobalPose());
    const btVector3 centre = pose.invXform(body.getCenterOfMassPosition());
    btScalar surface = 0;
    if (!surfaceHeight(centre, surface))
        return;
    const btScalar depth = surface - centre.y();
    const btScalar extent = -m_Shape.getTriangleMesh().getHeightFieldVerticalExtent();
    if (depth <= 0 || depth > extent)
        return;

    // Lift the body's lowest point (in the field's own space) onto the surface.
    btVector3 fieldMin;
    btVector3 fieldMax;
    body.getCollisionShape()->getAabb(pose.inverse() * body.getWorldTransform(), fieldMin, fieldMax);
    const btVector3 lift = pose.getBasis() * btVector3(0, surface - fieldMin.y(), 0);
    btTransform moved = body.getWorldTransform();
    moved.setOrigin(moved.getOrigin() + lift);
    body.setWorldTransform(moved);
    body.setInterpolationWorldTransform(moved);

    const btVector3 up = pose.getBasis() * btVector3(0, 1, 0);
    const btVector3 velocity = body.getLinearVelocity();
    const btScalar downward = velocity.dot(up);
    if (downward < 0)
        body.setLinearVelocity(velocity - up * downward);
    body.setInterpolationLinearVelocity(body.getLinearVelocity());
    body.activate();
}
