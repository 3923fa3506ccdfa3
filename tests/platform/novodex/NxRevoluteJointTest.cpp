#include "platform/novodex/NxRevoluteJoint.h"

#include <gtest/gtest.h>

#include "platform/novodex/SceneFixture.h"

using PhysicsRevoluteJoint = SceneFixture;

// A 1 kg box hinged to the world about the z axis through the origin, its
// centre `offset` from the hinge: hanging below it the hinge carries 9.8 N
// and no torque; held out level by a locked limit it also carries 9.8 N m.
// The limits are impulses over one step, so that load is 9.8 x STEP of them;
// the first steps, catching the box, carry about twice as much.
TEST_F(PhysicsRevoluteJoint, HoldsItsLoadAndBreaksAboveItsForceOrTorque)
{
    const NxReal load = 9.8f * STEP;
    const NxReal above = 3.0f * load;
    const NxReal below = 0.5f * load;
    struct Case {
        const char* what;
        NxVec3 offset;
        bool locked;
        NxReal maxForce;
        NxReal maxTorque;
        bool breaks;
    };
    const Case cases[] = {
        {"hanging, within both limits", NxVec3(0, -1, 0), false, above, below, false},
        {"hanging, above the force", NxVec3(0, -1, 0), false, below, NX_MAX_REAL, true},
        {"held out, within both limits", NxVec3(1, 0, 0), true, above, above, false},
        {"held out, above the torque", NxVec3(1, 0, 0), true, NX_MAX_REAL, below, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NxActor* box = MakeBox(c.offset, NxVec3(0.1f, 0.1f, 0.1f), 1.0f);
        ASSERT_NE(nullptr, box);
        ASSERT_TRUE(box->updateMassFromShapes(0.0f, 1.0f));

        NxRevoluteJointDesc desc;
        desc.actor[0] = box;
        desc.localAnchor[0] = -c.offset;
        desc.localAnchor[1] = NxVec3(0, 0, 0);
        if (c.locked) {
            desc.flags = NX_RJF_LIMIT_ENABLED;
            desc.limit.low.value = 0.0f;
            desc.limit.high.value = 0.0f;
        }
        NxJoint* joint = m_pScene->createJoint(desc);
        ASSERT_NE(nullptr, joint);
        joint->setBreakable(c.maxForce, c.maxTorque);

        Run(1.0f);
        EXPECT_EQ(c.breaks ? NX_JS_BROKEN : NX_JS_SIMULATING, joint->getState());
        const NxVec3 position = box->getGlobalPosition();
        if (c.breaks) {
            EXPECT_LT(position.y, c.offset.y - 1.0f);
        } else {
            EXPECT_NEAR(c.offset.x, position.x, 0.05f);
            EXPECT_NEAR(c.offset.y, position.y, 0.05f);
        }
        m_pScene->releaseJoint(*joint);
        m_pScene->releaseActor(*box);
    }
}

// A limit between the hanging box's impulse over a half step and over a
// whole one: it holds the weight in half steps and gives way in whole ones.
TEST_F(PhysicsRevoluteJoint, ShorterStepsHoldAGreaterForce)
{
    const NxReal limit = 0.75f * 9.8f * STEP;
    for (const bool halfSteps : {true, false}) {
        SCOPED_TRACE(halfSteps ? "half steps" : "whole steps");
        m_pScene->setTiming(halfSteps ? STEP * 0.5f : STEP, 4, NX_TIMESTEP_FIXED);
        NxActor* box = MakeBox(NxVec3(0, -1, 0), NxVec3(0.1f, 0.1f, 0.1f), 1.0f);
        ASSERT_NE(nullptr, box);
        ASSERT_TRUE(box->updateMassFromShapes(0.0f, 1.0f));
        NxRevoluteJointDesc desc;
        desc.actor[0] = box;
        desc.localAnchor[0] = NxVec3(0, 1, 0);
        NxJoint* joint = m_pScene->createJoint(desc);
        ASSERT_NE(nullptr, joint);
        joint->setBreakable(limit, NX_MAX_REAL);

        Run(1.0f);
        EXPECT_EQ(halfSteps ? NX_JS_SIMULATING : NX_JS_BROKEN, joint->getState());
        m_pScene->releaseJoint(*joint);
        m_pScene->releaseActor(*box);
    }
}

TEST_F(PhysicsRevoluteJoint, LimitsBoundTheTurnOfTheFirstActor)
{
    // Held out along +x and free to turn between -0.5 and 0 rad about +z:
    // gravity turns it clockwise seen from +z (negative) until the low limit.
    NxActor* box = MakeBox(NxVec3(1, 0, 0), NxVec3(0.1f, 0.1f, 0.1f), 1.0f);
    ASSERT_NE(nullptr, box);
    NxRevoluteJointDesc desc;
    desc.actor[0] = box;
    desc.localAnchor[0] = NxVec3(-1, 0, 0);
    desc.flags = NX_RJF_LIMIT_ENABLED;
    desc.limit.low.value = -0.5f;
    desc.limit.high.value = 0.0f;
    ASSERT_NE(nullptr, m_pScene->createJoint(desc));

    Run(2.0f);
    const NxVec3 position = box->getGlobalPosition();
    EXPECT_NEAR(std::cos(-0.5f), position.x, 0.05f);
    EXPECT_NEAR(std::sin(-0.5f), position.y, 0.05f);
}
