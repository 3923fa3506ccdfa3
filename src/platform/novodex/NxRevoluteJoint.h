#pragma once
// A hinge: the actors keep their anchors together and their axes aligned and
// turn about them. The angle is the turn of the first actor relative to the
// second about the axis, zero where the normals agree.

#include "platform/novodex/NxJoint.h"

class btHingeConstraint;

enum NxRevoluteJointFlag {
    NX_RJF_LIMIT_ENABLED = 1 << 0,
};

class NxJointLimitDesc {
public:
    NxReal value = 0.0f;
    NxReal restitution = 0.0f;
    NxReal hardness = 1.0f;
};

class NxJointLimitPairDesc {
public:
    NxJointLimitDesc low;
    NxJointLimitDesc high;
};

class NxRevoluteJointDesc : public NxJointDesc {
public:
    NxRevoluteJointDesc() : NxJointDesc(NX_JOINT_REVOLUTE) {}
    bool isValid() const override;

    // In radians; read only while NX_RJF_LIMIT_ENABLED is raised.
    NxJointLimitPairDesc limit;
    NxU32 flags = 0;
};

class NxRevoluteJoint : public NxJoint {
public:
    NxRevoluteJoint(NxScene& scene, const NxRevoluteJointDesc& desc);

    void setLimits(const NxJointLimitPairDesc& limits);
    void getLimits(NxJointLimitPairDesc& limits) const { limits = m_Limits; }
    void setFlags(NxU32 flags);
    NxU32 getFlags() const { return m_Flags; }

private:
    void refreshFrames() override;
    void applyLimits();
    btHingeConstraint* getHinge() const;

    NxJointLimitPairDesc m_Limits;
    NxU32 m_Flags;
};
