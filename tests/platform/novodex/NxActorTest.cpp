// Forces, kinetic energy and the centre of mass of actors.

#include "platform/novodex/NxActor.h"

#include <gtest/gtest.h>

#include "platform/novodex/CarFixture.h"

using PhysicsActor = CarFixture;

// Calls too short to run a step carry their forces on, so the impulse per
// second does not depend on the frame rate.
TEST_F(PhysicsActor, ASteadyForceGivesTheSameSpeedAtAnyFrameRate)
{
    const NxReal framesPerSecond[] = {40.0f, 60.0f, 200.0f};
    for (NxReal rate : framesPerSecond) {
        SCOPED_TRACE(rate);
        NxActor* body = MakeBox(NxVec3(0, 100.0f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
        ASSERT_NE(nullptr, body);
        ASSERT_TRUE(body->updateMassFromShapes(0.0f, 1.0f));
        const int frames = static_cast<int>(rate);
        for (int frame = 0; frame < frames; ++frame) {
            body->addForce(NxVec3(1.0f, 0, 0));
            Frame(1.0f / rate);
        }
        EXPECT_NEAR(1.0f, body->getLinearVelocity().x, 0.02f);
        m_pScene->releaseActor(*body);
    }
}

TEST_F(PhysicsActor, KineticEnergyCountsMotionAndNothingForAStaticActor)
{
    NxActor* body = MakeBox(NxVec3(0, 100.0f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
    NxActor* wall = MakeBox(NxVec3(5, 0, 0), NxVec3(0.5f, 0.5f, 0.5f));
    ASSERT_NE(nullptr, body);
    ASSERT_NE(nullptr, wall);
    ASSERT_TRUE(body->updateMassFromShapes(0.0f, 2.0f));
    body->setLinearVelocity(NxVec3(3.0f, 0, 0));
    EXPECT_FLOAT_EQ(9.0f, body->computeKineticEnergy());
    EXPECT_EQ(0.0f, wall->computeKineticEnergy());

    MakeTerrain(FLAT);
    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    Frames(1.0f);
    EXPECT_LT(car->computeKineticEnergy(), 1.0f);
}

TEST_F(PhysicsActor, MovingTheCentreOfMassKeepsThePoseAndTheParkedCar)
{
    MakeTerrain(FLAT);
    NxActor* car = MakeParkedCar();
    ASSERT_NE(nullptr, car);
    Frames(0.5f);
    const NxMat34 pose = car->getGlobalPose();
    const NxVec3 offset(0.0f, -0.3f, 0.1f);
    car->setCMassOffsetLocalPosition(offset);
    EXPECT_EQ(offset, car->getCMassLocalPosition());
    EXPECT_NEAR(0.0f, car->getGlobalPosition().distance(pose.t), 1e-5f);
    EXPECT_NEAR(1.0f, car->getGlobalOrientation()(1, 1), 1e-5f);

    const NxVec3 start = car->getGlobalPosition();
    const NxVec3 centre = car->getCMassLocalPosition();
    for (int frame = 0; frame < 240; ++frame) {
        car->setCMassOffsetLocalPosition(frame % 2 == 0 ? NxVec3() : centre);
        Frame();
    }
    EXPECT_LT(car->getGlobalPosition().distance(start), 0.01f);
}

// An impulse acts at once, without a step: off the centre it also turns the
// body, a body asleep on the ground wakes and slides, a static actor takes none.
TEST_F(PhysicsActor, AnImpulseChangesTheVelocitiesAtOnceAndWakesTheBody)
{
    NxActor* body = MakeBox(NxVec3(0, 100.0f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
    NxActor* wall = MakeBox(NxVec3(5, 0, 0), NxVec3(0.5f, 0.5f, 0.5f));
    ASSERT_NE(nullptr, body);
    ASSERT_NE(nullptr, wall);
    ASSERT_TRUE(body->updateMassFromShapes(0.0f, 2.0f));

    body->addForceAtPos(NxVec3(0, 0, 4.0f), NxVec3(0, 100.5f, 0), NX_IMPULSE);
    EXPECT_NEAR(2.0f, body->getLinearVelocity().z, 1e-5f);
    EXPECT_GT(body->computeKineticEnergy(), 0.5f * 2.0f * 2.0f * 2.0f + 0.1f) << "struck above its centre, it turns";
    body->addForce(NxVec3(-4.0f, 0, 0), NX_IMPULSE);
    EXPECT_NEAR(-2.0f, body->getLinearVelocity().x, 1e-5f);
    wall->addForceAtPos(NxVec3(100.0f, 0, 0), NxVec3(5, 0, 0), NX_IMPULSE);
    EXPECT_EQ(0.0f, wall->computeKineticEnergy());

    MakeGround();
    NxActor* resting = MakeBox(NxVec3(-10.0f, 0.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
    ASSERT_NE(nullptr, resting);
    Run(4.0f);
    const NxVec3 before = resting->getGlobalPosition();
    resting->addForce(NxVec3(3.0f, 0, 0), NX_IMPULSE);
    Run(0.25f);
    EXPECT_GT(resting->getGlobalPosition().x - before.x, 0.1f);
}

// A cube of mass 6 and side 1 has the inertia 1 about every axis, so its
// momentum and its angular velocity are the same numbers.
TEST_F(PhysicsActor, AngularVelocityAndMomentumSetTheSpinAndAFrozenAxisKeepsNone)
{
    NxActor* body = MakeBox(NxVec3(0, 100.0f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
    NxActor* wall = MakeBox(NxVec3(5, 0, 0), NxVec3(0.5f, 0.5f, 0.5f));
    ASSERT_NE(nullptr, body);
    ASSERT_NE(nullptr, wall);
    ASSERT_TRUE(body->updateMassFromShapes(0.0f, 6.0f));

    body->setAngularVelocity(NxVec3(0, 2.0f, 0));
    EXPECT_NEAR(2.0f, body->getAngularVelocity().y, 1e-5f);
    EXPECT_NEAR(2.0f, body->computeKineticEnergy(), 1e-4f);
    body->setAngularMomentum(NxVec3(3.0f, 0, 0));
    EXPECT_NEAR(3.0f, body->getAngularVelocity().x, 1e-4f);
    EXPECT_NEAR(0.0f, body->getAngularVelocity().y, 1e-5f);
    body->setAngularMomentum(NxVec3(0, 0, 0));
    EXPECT_EQ(0.0f, body->computeKineticEnergy());

    body->raiseBodyFlag(NX_BF_FROZEN_ROT);
    body->setAngularVelocity(NxVec3(1.0f, 1.0f, 1.0f));
    EXPECT_TRUE(body->getAngularVelocity().isZero());
    wall->setAngularVelocity(NxVec3(1.0f, 0, 0));
    wall->setAngularMomentum(NxVec3(1.0f, 0, 0));
    EXPECT_EQ(0.0f, wall->computeKineticEnergy());
}
