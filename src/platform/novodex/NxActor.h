#pragma once
// Actors: a pose, shapes and, for a dynamic actor, a body with mass and
// velocity. An actor without a body is static.

#include <memory>
#include <vector>

#include "platform/novodex/NxMat34.h"

class NxScene;
class NxShape;
class NxShapeDesc;
class NxJoint;
class btRigidBody;
class btCompoundShape;
class btCollisionShape;
class btTransform;

enum NxActorFlag {
    // No contacts at all: the actor neither collides nor is hit by rays.
    NX_AF_DISABLE_COLLISION = 1 << 0,
    // Contacts are found and reported but do not push.
    NX_AF_DISABLE_RESPONSE = 1 << 1,
};

enum NxBodyFlag {
    NX_BF_FROZEN_POS_X = 1 << 1,
    NX_BF_FROZEN_POS_Y = 1 << 2,
    NX_BF_FROZEN_POS_Z = 1 << 3,
    NX_BF_FROZEN_ROT_X = 1 << 4,
    NX_BF_FROZEN_ROT_Y = 1 << 5,
    NX_BF_FROZEN_ROT_Z = 1 << 6,
    NX_BF_FROZEN_POS = NX_BF_FROZEN_POS_X | NX_BF_FROZEN_POS_Y | NX_BF_FROZEN_POS_Z,
    NX_BF_FROZEN_ROT = NX_BF_FROZEN_ROT_X | NX_BF_FROZEN_ROT_Y | NX_BF_FROZEN_ROT_Z,
    NX_BF_FROZEN = NX_BF_FROZEN_POS | NX_BF_FROZEN_ROT,
    NX_BF_VISUALIZATION = 1 << 8,
};

enum NxForceMode {
    // Newtons, acting over the time of the next simulate call.
    NX_FORCE = 0,
    // Newton-seconds, changing the velocities at once.
    NX_IMPULSE = 1,
};

class NxBodyDesc {
public:
    // 0: the mass comes from the shapes and the actor's density.
    NxReal mass = 0.0f;
    NxVec3 linearVelocity;
    NxVec3 angularVelocity;
    NxReal wakeUpCounter = 0.4f;
    NxReal linearDamping = 0.0f;
    NxReal angularDamping = 0.05f;
    // Negative: no limit.
    NxReal maxAngularVelocity = -1.0f;
    NxReal sleepLinearVelocity = -1.0f;
    NxReal sleepAngularVelocity = -1.0f;
    NxU32 solverIterationCount = 4;
    NxU32 flags = NX_BF_VISUALIZATION;

    bool isValid() const;
};

class NxActorDesc {
public:
    NxMat34 globalPose;
    // Null for a static actor. Only read while the actor is made.
    const NxBodyDesc* body = nullptr;
    // Mass per unit volume of the shapes, when the body gives no mass.
    NxReal density = 0.0f;
    // Only read while the actor is made.
    std::vector<NxShapeDesc*> shapes;
    NxU32 flags = 0;
    NxActorGroup group = 0;
    void* userData = nullptr;

    // Every actor needs a shape (a body without geometry has no bounds), a
    // dynamic one also a mass or a density to weigh it with.
    bool isValid() const;
};

class NxActor {
public:
    ~NxActor();
    NxActor(const NxActor&) = delete;
    NxActor& operator=(const NxActor&) = delete;

    NxScene& getScene() const { return m_Scene; }
    bool isDynamic() const { return m_bDynamic; }

    // Shapes keep their creation order, except that releasing one moves the
    // last shape into its place.
    NxShape* createShape(const NxShapeDesc& desc);
    void releaseShape(NxShape& shape);
    NxU32 getNbShapes() const { return static_cast<NxU32>(m_ShapeList.size()); }
    NxShape* const* getShapes() const { return m_ShapeList.data(); }

    void setGlobalPose(const NxMat34& pose);
    void setGlobalPosition(const NxVec3& position);
    void setGlobalOrientation(const NxMat33& orientation);
    NxMat34 getGlobalPose() const;
    NxVec3 getGlobalPosition() const { return getGlobalPose().t; }
    NxMat33 getGlobalOrientation() const { return getGlobalPose().M; }

    // Of the centre of mass; static actors have none and ignore the set.
    void setLinearVelocity(const NxVec3& velocity);
    NxVec3 getLinearVelocity() const;
    // In world axes; static actors have none and ignore the sets. The
    // momentum is turned into the velocity through the world inertia.
    void setAngularVelocity(const NxVec3& velocity);
    NxVec3 getAngularVelocity() const;
    void setAngularMomentum(const NxVec3& momentum);

    // Forces gather until the next simulate call that runs a step and act
    // through its steps; a call too short to step carries them on, weighted
    // by its time. At the centre of mass, or at a world position. An impulse
    // changes a dynamic actor's linear and angular velocity at once and wakes it.
    void addForce(const NxVec3& force, NxForceMode mode = NX_FORCE);
    void addForceAtPos(const NxVec3& force, const NxVec3& position, NxForceMode mode = NX_FORCE);
    // Linear plus rotational; 0 for a static actor.
    NxReal computeKineticEnergy() const;

    void raiseActorFlag(NxActorFlag flag);
    void clearActorFlag(NxActorFlag flag);
    bool readActorFlag(NxActorFlag flag) const { return (m_ActorFlags & flag) != 0; }
    void raiseBodyFlag(NxBodyFlag flag);
    void clearBodyFlag(NxBodyFlag flag);
    bool readBodyFlag(NxBodyFlag flag) const { return (m_BodyFlags & flag) != 0; }

    // Weighs the actor by its shapes' volumes: `totalMass` when above 0, else
    // density x volume. The centre of mass moves to the shapes' centroid.
    // False, nothing changed, for a static actor or shapes without volume.
    bool updateMassFromShapes(NxReal density, NxReal totalMass);
    NxReal getMass() const;
    // Moves the centre of mass to `offset` in actor space; the actor's pose,
    // its principal axes and its velocities stay.
    void setCMassOffsetLocalPosition(const NxVec3& offset);
    NxVec3 getCMassLocalPosition() const { return m_MassFrame.t; }

    void setGroup(NxActorGroup group) { m_Group = group; }
    NxActorGroup getGroup() const { return m_Group; }

    void* userData = nullptr;

    // The stand-in's own.
    btRigidBody& getRigidBody() const { return *m_pBody; }
    // The body's frame (its centre of mass) within the actor's frame.
    const NxMat34& getMassFrame() const { return m_MassFrame; }
    bool isReleasePending() const { return m_bReleasePending; }
    // True when a joint binds this actor to `other`.
    bool isJointedTo(const NxActor& other) const;

private:
    friend class NxScene;
    friend class NxShape;
    friend class NxCapsuleShape;
    friend class NxJoint;

    NxActor(NxScene& scene, const NxActorDesc& desc, NxU32 serial);
    bool createShapes(const NxActorDesc& desc);
    bool applyBody(const NxBodyDesc& body, NxReal density);
    void setBodyPose(const NxMat34& actorPose);
    void updateChildTransform(const NxShape& shape);
    void setMassFrame(const NxMat34& massFrame);
    void applyFreezing();
    void refreshInWorld(bool collisionsChanged);
    int findChildIndex(const NxShape& shape) const;
    void destroyShape(NxShape& shape);
    void replaceGeometry(NxShape& shape, std::unique_ptr<btCollisionShape> geometry);
    bool isTireShape(const NxShapeDesc& desc) const;
    void attachJoint(NxJoint& joint);
    void detachJoint(NxJoint& joint);
    // Hands the forces gathered since the last call to a simulate call that
    // runs `steps` steps of `step` seconds and counts `weight` seconds.
    void applyGatheredForces(int steps, NxReal step, NxReal weight);

    NxScene& m_Scene;
    NxU32 m_Serial;
    bool m_bDynamic;
    NxU32 m_ActorFlags;
    NxU32 m_BodyFlags;
    NxActorGroup m_Group;
    NxMat34 m_MassFrame;
    std::unique_ptr<btCompoundShape> m_pCompound;
    std::unique_ptr<btRigidBody> m_pBody;
    std::vector<std::unique_ptr<NxShape>> m_Shapes;
    // The same shapes as plain pointers, for getShapes.
    std::vector<NxShape*> m_ShapeList;
    std::vector<NxJoint*> m_Joints;
    bool m_bInWorld = false;
    bool m_bReleasePending = false;
    // Forces and torques (about the centre of mass) added since the last
    // simulate call, and the impulses carried on by calls without a step.
    bool m_bForcesGathered = false;
    NxVec3 m_GatheredForce;
    NxVec3 m_GatheredTorque;
    NxVec3 m_CarriedImpulse;
    NxVec3 m_CarriedAngularImpulse;
};
