// Each step, per tyre: one ray from the capsule's upper end centre c - (h/2)a
// to its lower end c + (h/2 + r)a, a the capsule's axis (its global column
// 1); the penetration p is how far the lower end lies beyond the hit. The
// spring is implicit: the impulse along the hit normal n is the one whose
// force at the step's end, k (p - t) + d v, holds with the closing speed v
// that impulse leaves,
//
//     lambda = h [k (p - t) + (h k + d) v'] / (1 + h (h k + d) w),
//
// v' the closing speed predicted without it and w the inverse mass both
// bodies show along n. An explicit force of the same spring would diverge at
// the stiff springs and strong dampers tuning reaches. Side grip acts along
// the capsule's column 0 within the contact plane, up to mu lambda; nothing
// acts along the rolling direction, which the game drives and brakes itself.
// An actor's tyres share one body and are solved together (Gauss-Seidel).

#include "platform/novodex/TireSolver.h"

#include <algorithm>

#include "platform/novodex/BulletBridge.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxCapsuleShape.h"
#include "platform/novodex/NxPhysicsSDK.h"
#include "platform/novodex/NxScene.h"

namespace {

const int SOLVER_ITERATIONS = 8;
// Axes and normals shorter than this are taken as no direction at all.
const btScalar SMALLEST_LENGTH = btScalar(1e-6);

// The body's velocity at `arm` from its centre, as this step's forces will
// have left it.
btVector3 VelocityAt(const btRigidBody& body, const btVector3& arm, btScalar timeStep)
{
    const btVector3 linear = body.getLinearVelocity() + body.getTotalForce() * (body.getInvMass() * timeStep);
    const btVector3 angular =
        body.getAngularVelocity() + body.getInvInertiaTensorWorld() * body.getTotalTorque() * timeStep;
    return linear + angular.cross(arm);
}

// How much an impulse along `direction` at `arm` changes the body's speed
// there along it.
btScalar InverseMass(const btRigidBody& body, const btVector3& arm, const btVector3& direction)
{
    const btVector3 turn = arm.cross(direction);
    return body.getInvMass() + turn.dot(body.getInvInertiaTensorWorld() * turn);
}

} // namespace

TireSolver::TireSolver(const NxScene& scene) : m_Scene(scene) {}

void TireSolver::addTire(NxShape& capsule)
{
    Tire tire;
    tire.shape = &capsule;
    tire.actor = &capsule.getActor();
    const auto last = std::find_if(m_Tires.rbegin(), m_Tires.rend(),
                                   [&tire](const Tire& other) { return other.actor == tire.actor; });
    m_Tires.insert(last.base(), tire);
    // A parked car must keep reporting its tyres.
    tire.actor->getRigidBody().forceActivationState(DISABLE_DEACTIVATION);
}

void TireSolver::removeTire(const NxShape& capsule)
{
    const auto found =
        std::find_if(m_Tires.begin(), m_Tires.end(), [&capsule](const Tire& tire) { return tire.shape == &capsule; });
    if (found == m_Tires.end())
        return;
    NxActor& actor = *found->actor;
    m_Tires.erase(found);
    if (hasTires(actor))
        return;
    actor.getRigidBody().forceActivationState(ACTIVE_TAG);
    actor.getRigidBody().activate(true);
}

bool TireSolver::hasTires(const NxActor& actor) const
{
    return std::any_of(m_Tires.begin(), m_Tires.end(), [&actor](const Tire& tire) { return tire.actor == &actor; });
}

void TireSolver::beginCall()
{
    for (Tire& tire : m_Tires)
        tire.recorded = false;
}

bool TireSolver::getRecord(size_t index, Record& record) const
{
    if (index >= m_Tires.size() || !m_Tires[index].recorded)
        return false;
    record = m_Tires[index].record;
    return true;
}

void TireSolver::step(btScalar timeStep)
{
    size_t first = 0;
    while (first < m_Tires.size()) {
        size_t end = first + 1;
        while (end < m_Tires.size() && m_Tires[end].actor == m_Tires[first].actor)
            ++end;
        stepActor(first, end, timeStep);
        first = end;
    }
}

void TireSolver::stepActor(size_t first, size_t end, btScalar timeStep)
{
    NxActor& actor = *m_Tires[first].actor;
    btRigidBody& body = actor.getRigidBody();
    bool touching = false;
    const bool present = !actor.isReleasePending() && !actor.readActorFlag(NX_AF_DISABLE_COLLISION);
    for (size_t i = first; i < end; ++i) {
        m_Tires[i].touching = present && castRay(m_Tires[i], body, timeStep);
        touching = touching || m_Tires[i].touching;
    }
    if (!touching)
        return;

    // Like any contact of the actor's, its tyres report without pushing.
    if (!actor.readActorFlag(NX_AF_DISABLE_RESPONSE)) {
        for (int iteration = 0; iteration < SOLVER_ITERATIONS; ++iteration) {
            for (size_t i = first; i < end; ++i) {
                if (!m_Tires[i].touching)
                    continue;
                solveNormal(m_Tires[i], body, timeStep);
                solveSide(m_Tires[i], body, timeStep);
            }
        }
    }

    for (size_t i = first; i < end; ++i) {
        Tire& tire = m_Tires[i];
        if (!tire.touching)
            continue;
        tire.recorded = true;
        tire.record = {tire.shape, tire.ground, ToNx(tire.point), ToNx(tire.normal), -tire.penetration};
    }
}

bool TireSolver::castRay(Tire& tire, const btRigidBody& body, btScalar timeStep) const
{
    const auto& capsule = static_cast<const NxCapsuleShape&>(*tire.shape);
    const NxMat34 pose = capsule.getGlobalPose();
    NxVec3 axis = pose.M.getColumn(1);
    if (axis.normalize() < SMALLEST_LENGTH)
        return false;
    const NxReal halfHeight = 0.5f * capsule.getHeight();
    const NxVec3 top = pose.t - axis * halfHeight;
    const NxVec3 end = pose.t + axis * (halfHeight + capsule.getRadius());
    NxRaycastHit hit;
    NxShape* ground = m_Scene.raycastTireGround(top, end, *tire.actor, hit);
    // A ground met from below (the tyre has sunk through it) does not carry.
    if (ground == nullptr || hit.worldNormal.dot(axis) >= 0.0f)
        return false;

    tire.ground = ground;
    tire.point = ToBullet(hit.worldImpact);
    tire.normal = ToBullet(hit.worldNormal);
    tire.penetration = (end - hit.worldImpact).dot(axis);
    const btVector3 across = ToBullet(pose.M.getColumn(0));
    tire.side = across - tire.normal * tire.normal.dot(across);
    if (tire.side.length() < SMALLEST_LENGTH)
        tire.side.setZero();
    else
        tire.side.normalize();

    tire.arm = tire.point - body.getCenterOfMassPosition();
    tire.normalInverseMass = InverseMass(body, tire.arm, tire.normal);
    tire.sideInverseMass = InverseMass(body, tire.arm, tire.side);
    const NxActor& groundActor = ground->getActor();
    tire.other = groundActor.isDynamic() ? &groundActor.getRigidBody() : nullptr;
    if (tire.other != nullptr) {
        tire.otherArm = tire.point - tire.other->getCenterOfMassPosition();
        tire.normalInverseMass += InverseMass(*tire.other, tire.otherArm, tire.normal);
        tire.sideInverseMass += InverseMass(*tire.other, tire.otherArm, tire.side);
    }

    const NxPhysicsSDK::ContactMaterial material =
        m_Scene.getPhysicsSDK().combineMaterials(tire.shape->getMaterial(), ground->getMaterial());
    const NxSpringDesc& spring = material.spring;
    tire.bias = timeStep * spring.spring * (tire.penetration - spring.targetValue);
    tire.gain = timeStep * (timeStep * spring.spring + spring.damper);
    tire.friction = material.friction;
    tire.normalImpulse = 0;
    tire.sideImpulse = 0;
    return true;
}

void TireSolver::solveNormal(Tire& tire, btRigidBody& body, btScalar timeStep) const
{
    btVector3 relative = -VelocityAt(body, tire.arm, timeStep);
    if (tire.other != nullptr)
        relative += VelocityAt(*tire.other, tire.otherArm, timeStep);
    // The closing speed as it would be without this tyre's own impulse.
    const btScalar closing = relative.dot(tire.normal) + tire.normalInverseMass * tire.normalImpulse;
    const btScalar impulse =
        std::max(btScalar(0), (tire.bias + tire.gain * closing) / (1 + tire.gain * tire.normalInverseMass));
    push(tire, body, tire.normal * (impulse - tire.normalImpulse));
    tire.normalImpulse = impulse;
}

void TireSolver::solveSide(Tire& tire, btRigidBody& body, btScalar timeStep) const
{
    if (tire.sideInverseMass <= 0)
        return;
    btVector3 relative = VelocityAt(body, tire.arm, timeStep);
    if (tire.other != nullptr)
        relative -= VelocityAt(*tire.other, tire.otherArm, timeStep);
    const btScalar limit = tire.friction * tire.normalImpulse;
    const btScalar wanted = tire.sideImpulse - relative.dot(tire.side) / tire.sideInverseMass;
    const btScalar impulse = btClamped(wanted, -limit, limit);
    push(tire, body, tire.side * (impulse - tire.sideImpulse));
    tire.sideImpulse = impulse;
}

void TireSolver::push(Tire& tire, btRigidBody& body, const btVector3& impulse) const
{
    body.applyImpulse(impulse, tire.arm);
    if (tire.other == nullptr)
        return;
    tire.other->applyImpulse(-impulse, tire.otherArm);
    tire.other->activate();
}

TireWorld::TireWorld(btDispatcher* dispatcher, btBroadphaseInterface* broadphase, btConstraintSolver* solver,
                     btCollisionConfiguration* configuration, const NxScene& scene)
    : btDiscreteDynamicsWorld(dispatcher, broadphase, solver, configuration), m_Tires(scene)
{
}

int TireWorld::countSteps(btScalar elapsed, btScalar fixedStep) const
{
    // The same sum Bullet's stepSimulation makes, so the count agrees.
    const btScalar localTime = m_localTime + elapsed;
    return localTime >= fixedStep ? int(localTime / fixedStep) : 0;
}

// After the step's collision detection and before its contacts are solved:
// the tyres see the same poses as the real contacts do, and those then
// start from the velocities the tyres leave.
void TireWorld::solveConstraints(btContactSolverInfo& solverInfo)
{
    m_Tires.step(solverInfo.m_timeStep);
    btDiscreteDynamicsWorld::solveConstraints(solverInfo);
}
