// A scene is one Bullet dynamics world. Every contact point Bullet makes
// passes a hook that writes the contact tags of its two shapes into the
// point (an actor's compound can hold several children, and Bullet's own
// child indices shift when a child goes) and gives the point the shapes'
// combined material. After each simulate the touching manifolds are gathered
// per actor pair into the contact buffer; fetchResults hands them out.
//
// Car tyres. A capsule on a spring material on a dynamic actor is no child
// of its actor's compound: Bullet never sees it (TireSolver.cpp). Each step,
// inside the constraint phase, it casts one ray down its axis from its upper
// end to its lower end, against every responding shape in groups 0 to 14 but
// its own car's and its doors'. Where the ray meets ground, an implicit spring
// (stable at any stiffness and damping) pushes along the ground's normal, side
// grip acts along the capsule's column 0 up to friction times that push, and
// nothing acts along the rolling direction: the game drives and brakes. The
// tyre's last touching step of a simulate call becomes one contact record, a
// shape pair of the capsule and the ground with one point at the ray's hit,
// joined to the pair of the two actors. What it does not do: rays never hit a
// tyre, and a kerb higher than the tyre's ray start meets the body's boxes,
// not the wheel.

#include "platform/novodex/NxScene.h"

#include <algorithm>
#include <cmath>

#include "platform/novodex/BulletBridge.h"
#include "platform/novodex/NxPhysicsSDK.h"
#include "platform/novodex/NxRevoluteJoint.h"
#include "platform/novodex/NxShape.h"
#include "platform/novodex/TireSolver.h"

namespace {

// Points closer than this count as touching (Bullet keeps points a little
// apart in its manifolds before they break).
const btScalar CONTACT_REPORT_DISTANCE = btScalar(0.005);
// Points of one shape pair whose normals agree this closely share a patch.
const btScalar PATCH_NORMAL_COSINE = btScalar(0.999);
// Rays asked to reach "infinitely" far stop here, well beyond any world the
// game builds, so that fractions along them keep their precision.
const NxReal RAY_LENGTH_LIMIT = 100000.0f;
// A pair whose actor groups ask for no contact events.
const NxU32 NOT_REPORTED = ~0u;
// Room made with the scene for a step's contact pairs, so that a step with
// more contacts than any before it still allocates nothing (a town with its
// traffic touches a few hundred pairs at most).
const size_t CONTACT_PAIR_ROOM = 512;
// Room for the actors pushed by forces in one step: every car and moving
// object of a busy street.
const size_t FORCED_ACTOR_ROOM = 256;

NxActor* ActorOf(const btCollisionObject* object)
{
    return static_cast<NxActor*>(object->getUserPointer());
}

// The shape a Bullet shape wrapper belongs to: a child of an actor's compound
// carries its shape; a triangle of a mesh is wrapped below the mesh's child.
NxShape* OwnerShape(const btCollisionObjectWrapper* wrapper)
{
    for (; wrapper != nullptr; wrapper = wrapper->m_parent)
        if (void* shape = wrapper->getCollisionShape()->getUserPointer())
            return static_cast<NxShape*>(shape);
    return nullptr;
}

bool TagContactPoint(btManifoldPoint& point, const btCollisionObjectWrapper* wrapper0, int, int,
                     const btCollisionObjectWrapper* wrapper1, int, int)
{
    NxShape* shape0 = OwnerShape(wrapper0);
    NxShape* shape1 = OwnerShape(wrapper1);
    point.m_index0 = shape0 ? shape0->getContactTag() : -1;
    point.m_index1 = shape1 ? shape1->getContactTag() : -1;
    if (shape0 == nullptr || shape1 == nullptr)
        return true;

    const NxPhysicsSDK& sdk = shape0->getActor().getScene().getPhysicsSDK();
    const NxPhysicsSDK::ContactMaterial material = sdk.combineMaterials(shape0->getMaterial(), shape1->getMaterial());
    point.m_combinedFriction = material.friction;
    point.m_combinedRestitution = material.restitution;
    if (material.hasSpring) {
        point.m_contactPointFlags |= BT_CONTACT_FLAG_CONTACT_STIFFNESS_DAMPING;
        point.m_combinedContactStiffness1 = material.spring.spring;
        point.m_combinedContactDamping1 = material.spring.damper;
    }
    return true;
}

uint64_t PairKey(NxU32 serial0, NxU32 serial1)
{
    const uint64_t low = std::min(serial0, serial1);
    const uint64_t high = std::max(serial0, serial1);
    return (high << 32) | low;
}

NxU32 GroupPairKey(NxActorGroup group1, NxActorGroup group2)
{
    const NxU32 low = std::min(group1, group2);
    const NxU32 high = std::max(group1, group2);
    return (high << 16) | low;
}

bool IsTouching(const btManifoldPoint& point)
{
    return point.getDistance() <= CONTACT_REPORT_DISTANCE;
}

// The solver. A contact spring's target is a penetration at which the spring
// rests, so for the solve its points are moved apart by the target (and back
// again afterwards, for the report). Bullet would resolve deep penetrations
// by moving bodies apart without the spring's say (split impulses): a solve
// with spring contacts keeps every penetration in the contact's own row.
class SpringSolver : public btSequentialImpulseConstraintSolver {
public:
    explicit SpringSolver(const NxScene& scene) : m_Scene(scene) {}

    btScalar solveGroup(btCollisionObject** bodies, int numBodies, btPersistentManifold** manifolds,
                        int numManifolds, btTypedConstraint** constraints, int numConstraints,
                        const btContactSolverInfo& info, btIDebugDraw* debugDrawer, btDispatcher* dispatcher) override
    {
        if (!shiftSpringPoints(manifolds, numManifolds, 1.0f))
            return btSequentialImpulseConstraintSolver::solveGroup(bodies, numBodies, manifolds, numManifolds,
                                                                   constraints, numConstraints, info, debugDrawer,
                                                                   dispatcher);
        btContactSolverInfo springInfo = info;
        springInfo.m_splitImpulsePenetrationThreshold = -BT_LARGE_FLOAT;
        const btScalar result = btSequentialImpulseConstraintSolver::solveGroup(
            bodies, numBodies, manifolds, numManifolds, constraints, numConstraints, springInfo, debugDrawer,
            dispatcher);
        shiftSpringPoints(manifolds, numManifolds, -1.0f);
        return result;
    }

private:
    // True when some point rides on a spring.
    bool shiftSpringPoints(btPersistentManifold** manifolds, int numManifolds, btScalar sign) const
    {
        const NxPhysicsSDK& sdk = m_Scene.getPhysicsSDK();
        bool springs = false;
        for (int m = 0; m < numManifolds; ++m) {
            for (int p = 0; p < manifolds[m]->getNumContacts(); ++p) {
                btManifoldPoint& point = manifolds[m]->getContactPoint(p);
                if ((point.m_contactPointFlags & BT_CONTACT_FLAG_CONTACT_STIFFNESS_DAMPING) == 0)
                    continue;
                springs = true;
                const NxShape* shape0 = m_Scene.findTaggedShape(point.m_index0);
                const NxShape* shape1 = m_Scene.findTaggedShape(point.m_index1);
                if (!sdk.hasSpringTargets() || shape0 == nullptr || shape1 == nullptr)
                    continue;
                const NxPhysicsSDK::ContactMaterial material =
                    sdk.combineMaterials(shape0->getMaterial(), shape1->getMaterial());
                point.m_distance1 += sign * material.spring.targetValue;
            }
        }
        return springs;
    }

    const NxScene& m_Scene;
};

// Casts the ray against each shape of each actor whose bounds it crosses,
// keeping the nearest shape that the group mask and shape kinds allow.
class ClosestShapeRay : public btBroadphaseRayCallback {
public:
    // With a rider, only shapes that can carry its tyres count.
    ClosestShapeRay(const btVector3& from, const btVector3& to, NxU32 groups, NxShapesType shapeType,
                    const NxActor* rider = nullptr)
        : m_From(btTransform::getIdentity()),
          m_To(btTransform::getIdentity()),
          m_Groups(groups),
          m_ShapeType(shapeType),
          m_pRider(rider)
    {
        m_From.setOrigin(from);
        m_To.setOrigin(to);
        const btVector3 direction = (to - from).normalized();
        for (int axis = 0; axis < 3; ++axis) {
            m_rayDirectionInverse[axis] = direction[axis] == 0 ? BT_LARGE_FLOAT : 1 / direction[axis];
            m_signs[axis] = m_rayDirectionInverse[axis] < 0;
        }
        m_lambda_max = direction.dot(to - from);
    }

    bool process(const btBroadphaseProxy* proxy) override
    {
        auto* object = static_cast<btCollisionObject*>(proxy->m_clientObject);
        const NxActor* actor = ActorOf(object);
        if (actor == nullptr || actor->isReleasePending() || actor->readActorFlag(NX_AF_DISABLE_COLLISION))
            return true;
        if ((m_ShapeType & (actor->isDynamic() ? NX_DYNAMIC_SHAPES : NX_STATIC_SHAPES)) == 0)
            return true;
        if (m_pRider != nullptr && !canCarry(*actor))
            return true;
        // Tyres are no geometry: rays pass them.
        for (NxU32 i = 0; i < actor->getNbShapes(); ++i) {
            NxShape* shape = actor->getShapes()[i];
            if (!inMask(shape->getGroup()) || shape->isReleasePending() || shape->isVirtual())
                continue;
            m_Result.m_pCurrentShape = shape;
            m_Result.m_CurrentTransform = ToBullet(actor->getGlobalPose() * shape->getRigidLocalPose());
            btCollisionWorld::rayTestSingle(m_From, m_To, object, shape->getCollisionShape(),
                                            m_Result.m_CurrentTransform, m_Result);
        }
        return true;
    }

    NxShape* getShape() const { return m_Result.m_pShape; }
    btScalar getFraction() const { return m_Result.m_closestHitFraction; }
    const btVector3& getNormal() const { return m_Result.m_Normal; }

private:
    struct Result : public btCollisionWorld::RayResultCallback {
        btScalar addSingleResult(btCollisionWorld::LocalRayResult& hit, bool normalInWorldSpace) override
        {
            if (hit.m_hitFraction > m_closestHitFraction)
                return m_closestHitFraction;
            m_closestHitFraction = hit.m_hitFraction;
            m_collisionObject = hit.m_collisionObject;
            m_pShape = m_pCurrentShape;
            m_Normal = normalInWorldSpace ? hit.m_hitNormalLocal
                                          : m_CurrentTransform.getBasis() * hit.m_hitNormalLocal;
            return m_closestHitFraction;
        }

        NxShape* m_pCurrentShape = nullptr;
        btTransform m_CurrentTransform;
        NxShape* m_pShape = nullptr;
        btVector3 m_Normal = btVector3(0, 0, 0);
    };

    bool inMask(NxCollisionGroup group) const
    {
        return group < NX_NUM_COLLISION_GROUPS && ((m_Groups >> group) & 1u) != 0;
    }

    // A car's tyres pass its own body and its doors, and what does not push.
    bool canCarry(const NxActor& actor) const
    {
        return &actor != m_pRider && !actor.readActorFlag(NX_AF_DISABLE_RESPONSE) && !m_pRider->isJointedTo(actor);
    }

    btTransform m_From;
    btTransform m_To;
    NxU32 m_Groups;
    NxShapesType m_ShapeType;
    const NxActor* m_pRider;
    Result m_Result;
};

} // namespace

struct NxScene::World {
    explicit World(NxScene& scene)
        : dispatcher(&configuration), solver(scene), world(&dispatcher, &broadphase, &solver, &configuration, scene)
    {
    }

    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher;
    btDbvtBroadphase broadphase;
    SpringSolver solver;
    TireWorld world;
};

bool NxSceneDesc::isValid() const
{
    return gravity.isFinite() && std::isfinite(maxTimestep) && maxTimestep > 0.0f && maxIter > 0 &&
           (timeStepMethod == NX_TIMESTEP_FIXED || timeStepMethod == NX_TIMESTEP_VARIABLE);
}

NxScene::NxScene(NxPhysicsSDK& sdk, const NxSceneDesc& desc)
    : m_SDK(sdk),
      m_pWorld(std::make_unique<World>(*this)),
      m_Gravity(desc.gravity),
      m_pContactReport(desc.userContactReport),
      m_MaxTimestep(desc.maxTimestep),
      m_MaxIter(desc.maxIter),
      m_TimeStepMethod(desc.timeStepMethod)
{
    gContactAddedCallback = TagContactPoint;
    m_Contacts.reserve(CONTACT_PAIR_ROOM);
    m_ReportedPairs.reserve(CONTACT_PAIR_ROOM);
    m_GatheredManifolds.reserve(CONTACT_PAIR_ROOM);
    m_PairIndex.reserve(CONTACT_PAIR_ROOM);
    m_TouchingPairs.reserve(CONTACT_PAIR_ROOM);
    m_PreviousTouchingPairs.reserve(CONTACT_PAIR_ROOM);
    m_ForcedActors.reserve(FORCED_ACTOR_ROOM);
    m_pWorld->world.setGravity(ToBullet(m_Gravity));
    m_pWorld->world.setInternalTickCallback(
        [](btDynamicsWorld* world, btScalar step) {
            static_cast<NxScene*>(world->getWorldUserInfo())->afterSubstep(step);
        },
        this);
}

NxScene::~NxScene()
{
    // The world must not outlive what it points at, nor they it.
    m_Joints.clear();
    for (const auto& actor : m_Actors)
        if (actor->m_bInWorld)
            m_pWorld->world.removeRigidBody(actor->m_pBody.get());
    m_Actors.clear();
}

btDiscreteDynamicsWorld& NxScene::getWorld() const
{
    return m_pWorld->world;
}

NxActor* NxScene::createActor(const NxActorDesc& desc)
{
    if (!desc.isValid())
        return nullptr;
    std::unique_ptr<NxActor> actor(new NxActor(*this, desc, m_NextActorSerial++));
    if (!actor->createShapes(desc))
        return nullptr;
    if (desc.body != nullptr && !actor->applyBody(*desc.body, desc.density))
        return nullptr;

    if (actor->readActorFlag(NX_AF_DISABLE_COLLISION))
        m_pWorld->world.addRigidBody(actor->m_pBody.get(), 0, 0);
    else
        m_pWorld->world.addRigidBody(actor->m_pBody.get());
    // Bullet gives a new static object its bare bounds; a ray along one of
    // their faces would then miss the object.
    m_pWorld->world.updateSingleAabb(actor->m_pBody.get());
    actor->m_bInWorld = true;

    m_ActorIndex[actor.get()] = m_Actors.size();
    m_Actors.push_back(std::move(actor));
    return m_Actors.back().get();
}

void NxScene::releaseActor(NxActor& actor)
{
    if (m_ActorIndex.count(&actor) == 0 || actor.m_bReleasePending)
        return;
    if (m_bReporting) {
        actor.m_bReleasePending = true;
        m_PendingActorReleases.push_back(&actor);
        return;
    }
    destroyActor(actor);
}

void NxScene::destroyActor(NxActor& actor)
{
    const std::vector<NxJoint*> joints = actor.m_Joints;
    for (NxJoint* joint : joints)
        joint->unbind();
    if (actor.m_bInWorld) {
        wakeTouching(actor);
        m_pWorld->world.removeRigidBody(actor.m_pBody.get());
    }

    m_ForcedActors.erase(std::remove(m_ForcedActors.begin(), m_ForcedActors.end(), &actor), m_ForcedActors.end());
    const size_t index = m_ActorIndex[&actor];
    m_ActorIndex.erase(&actor);
    const size_t last = m_Actors.size() - 1;
    if (index != last) {
        std::swap(m_Actors[index], m_Actors[last]);
        m_ActorIndex[m_Actors[index].get()] = index;
    }
    m_Actors.pop_back();
}

NxJoint* NxScene::createJoint(const NxJointDesc& desc)
{
    if (!desc.isValid())
        return nullptr;
    for (NxActor* actor : desc.actor)
        if (actor != nullptr && (m_ActorIndex.count(actor) == 0 || actor->isReleasePending()))
            return nullptr;

    std::unique_ptr<NxJoint> joint;
    if (desc.getType() == NX_JOINT_REVOLUTE)
        joint = std::make_unique<NxRevoluteJoint>(*this, static_cast<const NxRevoluteJointDesc&>(desc));
    if (!joint)
        return nullptr;
    // Jointed actors do not collide with each other.
    m_pWorld->world.addConstraint(joint->getConstraint(), true);
    m_Joints.push_back(std::move(joint));
    return m_Joints.back().get();
}

void NxScene::wakeTouching(const NxActor& actor)
{
    const btCollisionObject* body = actor.m_pBody.get();
    btCollisionDispatcher& dispatcher = m_pWorld->dispatcher;
    for (int i = 0; i < dispatcher.getNumManifolds(); ++i) {
        const btPersistentManifold* manifold = dispatcher.getManifoldByIndexInternal(i);
        if (manifold->getBody0() == body)
            manifold->getBody1()->activate();
        else if (manifold->getBody1() == body)
            manifold->getBody0()->activate();
    }
}

void NxScene::releaseJoint(NxJoint& joint)
{
    const auto found = std::find_if(m_Joints.begin(), m_Joints.end(),
                                    [&joint](const std::unique_ptr<NxJoint>& owned) { return owned.get() == &joint; });
    if (found != m_Joints.end())
        m_Joints.erase(found);
}

void NxScene::setGravity(const NxVec3& gravity)
{
    if (!gravity.isFinite())
        return;
    m_Gravity = gravity;
    m_pWorld->world.setGravity(ToBullet(gravity));
}

void NxScene::setActorGroupPairFlags(NxActorGroup group1, NxActorGroup group2, NxU32 flags)
{
    m_GroupPairFlags[GroupPairKey(group1, group2)] = flags;
}

NxU32 NxScene::getActorGroupPairFlags(NxActorGroup group1, NxActorGroup group2) const
{
    const auto found = m_GroupPairFlags.find(GroupPairKey(group1, group2));
    return found == m_GroupPairFlags.end() ? 0 : found->second;
}

void NxScene::setTiming(NxReal maxTimestep, NxU32 maxIter, NxTimeStepMethod method)
{
    if (!std::isfinite(maxTimestep) || maxTimestep <= 0.0f || maxIter == 0)
        return;
    if (method != NX_TIMESTEP_FIXED && method != NX_TIMESTEP_VARIABLE)
        return;
    m_MaxTimestep = maxTimestep;
    m_MaxIter = maxIter;
    m_TimeStepMethod = method;
}

void NxScene::simulate(NxReal elapsedTime)
{
    // A report handler cannot step the world it is being told about.
    if (m_bReporting)
        return;
    m_bSimulated = true;
    m_Contacts.clear();
    m_ReportedPairs.clear();
    if (!std::isfinite(elapsedTime) || elapsedTime <= 0.0f)
        return;

    m_pWorld->world.getTires().beginCall();
    applyGatheredForces(elapsedTime);
    int steps = 0;
    if (m_TimeStepMethod == NX_TIMESTEP_FIXED)
        steps = m_pWorld->world.stepSimulation(elapsedTime, static_cast<int>(m_MaxIter), m_MaxTimestep);
    else
        steps = m_pWorld->world.stepSimulation(elapsedTime, 0);
    if (steps > 0)
        gatherContacts();
}

// Bullet holds forces through the steps of one stepSimulation and clears
// them after it, steps or none: a call without a step carries its forces on
// as impulses, so a steady force moves a body alike at any frame rate.
void NxScene::applyGatheredForces(NxReal elapsedTime)
{
    const bool fixed = m_TimeStepMethod == NX_TIMESTEP_FIXED;
    const NxReal step = fixed ? m_MaxTimestep : elapsedTime;
    const int wanted = fixed ? m_pWorld->world.countSteps(elapsedTime, step) : 1;
    const int steps = std::min(wanted, fixed ? static_cast<int>(m_MaxIter) : 1);
    // Time dropped by the cap on steps moves nothing.
    const NxReal weight = std::max(0.0f, elapsedTime - (wanted - steps) * step);
    for (NxActor* actor : m_ForcedActors)
        actor->applyGatheredForces(steps, step, weight);
    if (steps > 0)
        m_ForcedActors.clear();
}

bool NxScene::fetchResults(NxSimulationStatus, bool, NxU32* errorState)
{
    if (errorState != nullptr)
        *errorState = 0;
    if (!m_bSimulated)
        return false;
    m_bSimulated = false;
    if (m_pContactReport == nullptr)
        return true;

    m_bReporting = true;
    for (size_t i = 0; i < m_ReportedPairs.size(); ++i) {
        const ReportedPair& reported = m_ReportedPairs[i];
        if (reported.actors[0]->isReleasePending() || reported.actors[1]->isReleasePending())
            continue;
        NxContactPair pair;
        pair.actors[0] = reported.actors[0];
        pair.actors[1] = reported.actors[1];
        pair.stream.buffer = &m_Contacts;
        pair.stream.firstShapePair = reported.firstShapePair;
        const NxU32 end = i + 1 < m_ReportedPairs.size() ? m_ReportedPairs[i + 1].firstShapePair
                                                         : m_Contacts.getNbShapePairs();
        pair.stream.shapePairCount = end - reported.firstShapePair;
        m_pContactReport->onContactNotify(pair, reported.events);
    }
    m_bReporting = false;
    finishPendingReleases();
    return true;
}

bool NxScene::checkResults(NxSimulationStatus, bool) const
{
    return m_bSimulated;
}

void NxScene::finishPendingReleases()
{
    for (NxShape* shape : m_PendingShapeReleases)
        if (!shape->getActor().isReleasePending())
            shape->getActor().destroyShape(*shape);
    m_PendingShapeReleases.clear();
    for (NxActor* actor : m_PendingActorReleases)
        destroyActor(*actor);
    m_PendingActorReleases.clear();
}

void NxScene::afterSubstep(NxReal stepSeconds)
{
    for (const auto& joint : m_Joints)
        joint->checkBreak(stepSeconds);
}

NxU32 NxScene::pairEvents(const NxActor& actor0, const NxActor& actor1)
{
    const NxU32 wanted = getActorGroupPairFlags(actor0.getGroup(), actor1.getGroup()) &
                         (NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_TOUCH);
    if (wanted == 0)
        return 0;
    const uint64_t key = PairKey(actor0.m_Serial, actor1.m_Serial);
    m_TouchingPairs.push_back(key);
    NxU32 events = wanted & NX_NOTIFY_ON_TOUCH;
    if (!std::binary_search(m_PreviousTouchingPairs.begin(), m_PreviousTouchingPairs.end(), key))
        events |= wanted & NX_NOTIFY_ON_START_TOUCH;
    return events;
}

int NxScene::addShapeTag(NxShape& shape)
{
    if (!m_FreeShapeTags.empty()) {
        const int tag = m_FreeShapeTags.back();
        m_FreeShapeTags.pop_back();
        m_ShapeTags[static_cast<size_t>(tag)] = &shape;
        return tag;
    }
    m_ShapeTags.push_back(&shape);
    return static_cast<int>(m_ShapeTags.size() - 1);
}

void NxScene::removeShapeTag(int tag)
{
    if (tag < 0 || static_cast<size_t>(tag) >= m_ShapeTags.size())
        return;
    m_ShapeTags[static_cast<size_t>(tag)] = nullptr;
    m_FreeShapeTags.push_back(tag);
}

NxShape* NxScene::findTaggedShape(int tag) const
{
    if (tag < 0 || static_cast<size_t>(tag) >= m_ShapeTags.size())
        return nullptr;
    return m_ShapeTags[static_cast<size_t>(tag)];
}

void NxScene::addTire(NxShape& capsule)
{
    m_pWorld->world.getTires().addTire(capsule);
}

void NxScene::removeTire(const NxShape& capsule)
{
    m_pWorld->world.getTires().removeTire(capsule);
}

NxShape* NxScene::raycastTireGround(const NxVec3& from, const NxVec3& to, const NxActor& rider,
                                    NxRaycastHit& hit) const
{
    const NxU32 carryingGroups = 0x7fff;
    const btVector3 start = ToBullet(from);
    const btVector3 end = ToBullet(to);
    ClosestShapeRay ray(start, end, carryingGroups, NX_ALL_SHAPES, &rider);
    m_pWorld->broadphase.rayTest(start, end, ray);
    hit = NxRaycastHit();
    if (ray.getShape() == nullptr)
        return nullptr;
    hit.shape = ray.getShape();
    hit.distance = ray.getFraction() * from.distance(to);
    hit.worldImpact = from + (to - from) * ray.getFraction();
    hit.worldNormal = ToNx(ray.getNormal().normalized());
    return hit.shape;
}

NxShape* NxScene::raycastClosestShape(const NxRay& worldRay, NxShapesType shapeType, NxRaycastHit& hit, NxU32 groups,
                                      NxReal maxDist, NxU32) const
{
    hit = NxRaycastHit();
    NxVec3 direction = worldRay.dir;
    if (!worldRay.orig.isFinite() || !direction.isFinite() || direction.normalize() <= 0.0f)
        return nullptr;
    if (!(maxDist > 0.0f))
        return nullptr;
    const NxReal length = std::min(maxDist, RAY_LENGTH_LIMIT);

    const btVector3 from = ToBullet(worldRay.orig);
    const btVector3 to = ToBullet(worldRay.orig + direction * length);
    ClosestShapeRay ray(from, to, groups, shapeType);
    m_pWorld->broadphase.rayTest(from, to, ray);
    if (ray.getShape() == nullptr)
        return nullptr;

    hit.shape = ray.getShape();
    hit.distance = ray.getFraction() * length;
    hit.worldImpact = worldRay.orig + direction * hit.distance;
    hit.worldNormal = ToNx(ray.getNormal().normalized());
    return hit.shape;
}

void NxScene::gatherContacts()
{
    std::sort(m_TouchingPairs.begin(), m_TouchingPairs.end());
    std::swap(m_PreviousTouchingPairs, m_TouchingPairs);
    m_TouchingPairs.clear();
    if (m_pContactReport == nullptr)
        return;

    m_PairIndex.clear();
    m_GatheredManifolds.clear();
    btCollisionDispatcher& dispatcher = m_pWorld->dispatcher;
    for (int i = 0; i < dispatcher.getNumManifolds(); ++i) {
        const btPersistentManifold* manifold = dispatcher.getManifoldByIndexInternal(i);
        NxActor* actor0 = ActorOf(manifold->getBody0());
        NxActor* actor1 = ActorOf(manifold->getBody1());
        if (actor0 == nullptr || actor1 == nullptr)
            continue;
        bool touching = false;
        for (int p = 0; p < manifold->getNumContacts() && !touching; ++p)
            touching = IsTouching(manifold->getContactPoint(p));
        if (!touching)
            continue;

        const NxU32 pair = findReportedPair(*actor0, *actor1);
        if (pair == NOT_REPORTED)
            continue;
        const bool swapped = m_ReportedPairs[pair].actors[0] != actor0;
        m_GatheredManifolds.push_back({pair, manifold, swapped, 0});
    }
    gatherTireRecords();

    // A compound pair has a manifold per touching pair of children, anywhere
    // in Bullet's list: each actor pair's manifolds are brought together.
    // An insertion sort: stable without the buffer std::stable_sort takes,
    // and quick on a list that is nearly in order.
    const auto byPair = [](const GatheredManifold& a, const GatheredManifold& b) { return a.pair < b.pair; };
    for (auto it = m_GatheredManifolds.begin(); it != m_GatheredManifolds.end(); ++it)
        std::rotate(std::upper_bound(m_GatheredManifolds.begin(), it, *it, byPair), it, it + 1);
    size_t next = 0;
    for (NxU32 pair = 0; pair < m_ReportedPairs.size(); ++pair) {
        m_ReportedPairs[pair].firstShapePair = m_Contacts.getNbShapePairs();
        for (; next < m_GatheredManifolds.size() && m_GatheredManifolds[next].pair == pair; ++next) {
            if (m_GatheredManifolds[next].manifold != nullptr)
                addManifold(m_GatheredManifolds[next]);
            else
                addTireRecord(m_GatheredManifolds[next]);
        }
    }
}

// The pair's index in this step's report, made on its first contact, or
// NOT_REPORTED when its groups ask for no events.
NxU32 NxScene::findReportedPair(NxActor& actor0, NxActor& actor1)
{
    const uint64_t key = PairKey(actor0.m_Serial, actor1.m_Serial);
    const auto found = std::lower_bound(m_PairIndex.begin(), m_PairIndex.end(), key,
                                        [](const std::pair<uint64_t, NxU32>& entry, uint64_t wanted) {
                                            return entry.first < wanted;
                                        });
    if (found != m_PairIndex.end() && found->first == key)
        return found->second;
    const NxU32 events = pairEvents(actor0, actor1);
    const NxU32 index = events ? static_cast<NxU32>(m_ReportedPairs.size()) : NOT_REPORTED;
    m_PairIndex.emplace(found, key, index);
    if (events)
        m_ReportedPairs.push_back({{&actor0, &actor1}, 0, events});
    return index;
}

// A tyre's record joins its actor's pair with what it rode on, which Bullet's
// contacts of the two may have begun already.
void NxScene::gatherTireRecords()
{
    const TireSolver& tires = m_pWorld->world.getTires();
    TireSolver::Record record;
    for (size_t i = 0; i < tires.getNbTires(); ++i) {
        if (!tires.getRecord(i, record))
            continue;
        NxActor& rider = record.tire->getActor();
        const NxU32 pair = findReportedPair(rider, record.ground->getActor());
        if (pair == NOT_REPORTED)
            continue;
        const bool swapped = m_ReportedPairs[pair].actors[0] != &rider;
        m_GatheredManifolds.push_back({pair, nullptr, swapped, i});
    }
}

void NxScene::addTireRecord(const GatheredManifold& gathered)
{
    TireSolver::Record record;
    if (!m_pWorld->world.getTires().getRecord(gathered.tire, record))
        return;
    NxShape* shapes[2] = {record.tire, record.ground};
    NxVec3 normal = record.normal;
    if (gathered.swapped) {
        std::swap(shapes[0], shapes[1]);
        normal = -normal;
    }
    m_Contacts.beginShapePair(shapes[0], shapes[1], 0);
    m_Contacts.beginPatch(normal);
    m_Contacts.addPoint(record.point, record.separation);
}

NxShape* NxScene::shapeOnSide(int tag, const NxActor* actor) const
{
    NxShape* shape = findTaggedShape(tag);
    return shape != nullptr && &shape->getActor() == actor ? shape : nullptr;
}

// One shape pair per pair of contact tags in the manifold (as a rule there is
// one), one patch per normal within it.
void NxScene::addManifold(const GatheredManifold& gathered)
{
    const btPersistentManifold& manifold = *gathered.manifold;
    const NxActor* actor0 = ActorOf(manifold.getBody0());
    const NxActor* actor1 = ActorOf(manifold.getBody1());
    const btScalar normalSign = gathered.swapped ? -1 : 1;

    int points[MANIFOLD_CACHE_SIZE];
    bool added[MANIFOLD_CACHE_SIZE] = {};
    int count = 0;
    for (int p = 0; p < manifold.getNumContacts(); ++p)
        if (IsTouching(manifold.getContactPoint(p)))
            points[count++] = p;

    auto sameShapes = [](const btManifoldPoint& a, const btManifoldPoint& b) {
        return a.m_index0 == b.m_index0 && a.m_index1 == b.m_index1;
    };
    for (int a = 0; a < count; ++a) {
        if (added[a])
            continue;
        const btManifoldPoint& first = manifold.getContactPoint(points[a]);
        NxShape* shape0 = shapeOnSide(first.m_index0, actor0);
        NxShape* shape1 = shapeOnSide(first.m_index1, actor1);
        const NxU32 flags = shape0 != nullptr && shape1 != nullptr ? 0 : NX_SF_IS_INVALID;
        if (gathered.swapped)
            std::swap(shape0, shape1);
        m_Contacts.beginShapePair(shape0, shape1, flags);

        for (int b = a; b < count; ++b) {
            const btManifoldPoint& leader = manifold.getContactPoint(points[b]);
            if (added[b] || !sameShapes(leader, first))
                continue;
            m_Contacts.beginPatch(ToNx(leader.m_normalWorldOnB * normalSign));
            for (int c = b; c < count; ++c) {
                const btManifoldPoint& point = manifold.getContactPoint(points[c]);
                if (added[c] || !sameShapes(point, first) ||
                    point.m_normalWorldOnB.dot(leader.m_normalWorldOnB) < PATCH_NORMAL_COSINE)
                    continue;
                added[c] = true;
                const btVector3 position = (point.getPositionWorldOnA() + point.getPositionWorldOnB()) * btScalar(0.5);
                m_Contacts.addPoint(ToNx(position), point.getDistance());
            }
        }
    }
}
