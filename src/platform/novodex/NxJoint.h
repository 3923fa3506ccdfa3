#pragma once
// Joints bind two actors (or an actor and the world) at an anchor. A joint
// made breakable comes apart for good once the load it carries through one
// simulation step exceeds its limits.

#include <memory>

#include "platform/novodex/NxVec3.h"

class NxActor;
class NxScene;
class NxRevoluteJoint;
class btTypedConstraint;
class btTransform;
struct btJointFeedback;

enum NxJointType {
    NX_JOINT_REVOLUTE = 1,
};

enum NxJointState {
    // An actor of the joint was released.
    NX_JS_UNBOUND,
    NX_JS_SIMULATING,
    NX_JS_BROKEN,
};

class NxJointDesc {
public:
    virtual ~NxJointDesc() = default;

    NxJointType getType() const { return m_Type; }
    // Two distinct actors, at least one of them dynamic (a null second actor
    // is the world); finite frames with non-zero axes and normals.
    virtual bool isValid() const;

    NxActor* actor[2] = {nullptr, nullptr};
    // Each actor's frame of the joint, in that actor's space (in world space
    // for a missing actor): the anchor, the axis and a normal across it.
    NxVec3 localAnchor[2];
    NxVec3 localAxis[2] = {NxVec3(0.0f, 0.0f, 1.0f), NxVec3(0.0f, 0.0f, 1.0f)};
    NxVec3 localNormal[2] = {NxVec3(1.0f, 0.0f, 0.0f), NxVec3(1.0f, 0.0f, 0.0f)};
    // Unbreakable by default.
    NxReal maxForce = NX_MAX_REAL;
    NxReal maxTorque = NX_MAX_REAL;

protected:
    explicit NxJointDesc(NxJointType type) : m_Type(type) {}
    NxJointDesc(const NxJointDesc&) = default;
    NxJointDesc& operator=(const NxJointDesc&) = default;

private:
    NxJointType m_Type;
};

class NxJoint {
public:
    virtual ~NxJoint();
    NxJoint(const NxJoint&) = delete;
    NxJoint& operator=(const NxJoint&) = delete;

    NxJointType getType() const { return m_Type; }
    NxRevoluteJoint* isRevoluteJoint();
    NxScene& getScene() const { return m_Scene; }
    NxJointState getState() const { return m_State; }
    // The second is null for a joint to the world or after an actor went.
    void getActors(NxActor** actor0, NxActor** actor1) const;

    // Breaks when the impulse of one simulation step exceeds maxForce or its
    // angular impulse about the anchor exceeds maxTorque. The limits are
    // impulses whatever their names say: at the game's 1/60 s step a maxForce
    // of 100 holds 6000 N, so a door of a few kilograms rides out a landing on
    // its springs and comes off in a crash.
    void setBreakable(NxReal maxForce, NxReal maxTorque);
    void getBreakable(NxReal& maxForce, NxReal& maxTorque) const;

    void* userData = nullptr;

protected:
    NxJoint(NxScene& scene, const NxJointDesc& desc);
    // Subclasses build their constraint once the frames are known.
    void setConstraint(std::unique_ptr<btTypedConstraint> constraint);
    btTypedConstraint* getConstraint() const { return m_pConstraint.get(); }
    NxActor* getActor(int index) const { return m_pActors[index]; }
    // The joint's frame on each side in the body space the solver works in.
    void getBodyFrames(btTransform& frameA, btTransform& frameB) const;
    // The mass frame of an actor moved: the constraint frames follow.
    virtual void refreshFrames() = 0;

private:
    friend class NxScene;
    friend class NxActor;

    void unbind();
    // After a simulation step of `stepSeconds`: breaks the joint when its
    // load is too great.
    void checkBreak(NxReal stepSeconds);

    NxScene& m_Scene;
    NxJointType m_Type;
    NxActor* m_pActors[2];
    NxVec3 m_LocalAnchor[2];
    NxVec3 m_LocalAxis[2];
    NxVec3 m_LocalNormal[2];
    NxReal m_MaxForce;
    NxReal m_MaxTorque;
    NxJointState m_State = NX_JS_SIMULATING;
    std::unique_ptr<btJointFeedback> m_pFeedback;
    std::unique_ptr<btTypedConstraint> m_pConstraint;
};
