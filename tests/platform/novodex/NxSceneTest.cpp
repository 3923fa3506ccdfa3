#include "platform/novodex/NxScene.h"

#include <gtest/gtest.h>

#include "platform/novodex/SceneFixture.h"

namespace {

const NxReal POSITION_TOLERANCE = 0.02f;

// A static actor with three unit cubes along +x at 5, 10 and 15, in groups
// 31, 3 and 0; each shape's user data is its index in that order.
NxActor* MakeThreeCubes(NxScene& scene, int userData[3])
{
    const NxCollisionGroup groups[3] = {31, 3, 0};
    NxBoxShapeDesc boxes[3];
    NxActorDesc actor;
    for (int i = 0; i < 3; ++i) {
        boxes[i].dimensions = NxVec3(0.5f, 0.5f, 0.5f);
        boxes[i].localPose.t = NxVec3(5.0f * (i + 1), 0.0f, 0.0f);
        boxes[i].group = groups[i];
        boxes[i].userData = &userData[i];
        actor.shapes.push_back(&boxes[i]);
    }
    return scene.createActor(actor);
}

} // namespace

using PhysicsScene = SceneFixture;

TEST_F(PhysicsScene, RayCastTakesTheNearestShapeInTheGroupMask)
{
    int userData[3] = {0, 1, 2};
    ASSERT_NE(nullptr, MakeThreeCubes(*m_pScene, userData));
    const NxU32 allButGroup3 = 0x7fff & ~(1u << 3);

    struct Case {
        const char* what;
        NxVec3 direction;
        NxU32 groups;
        NxReal maxDist;
        int hitUserData; // -1: no hit
        NxReal distance;
    };
    const Case cases[] = {
        {"group 31 and 3 masked out", NxVec3(1, 0, 0), allButGroup3, NX_MAX_F32, 2, 14.5f},
        {"group 31 is never in 0x7fff", NxVec3(1, 0, 0), 0x7fff, NX_MAX_F32, 1, 9.5f},
        {"every group", NxVec3(1, 0, 0), 0xffffffff, NX_MAX_F32, 0, 4.5f},
        {"unnormalised direction", NxVec3(3, 0, 0), 0x7fff, 12.0f, 1, 9.5f},
        {"too short", NxVec3(1, 0, 0), 0x7fff, 9.0f, -1, 0.0f},
        {"pointing away", NxVec3(-1, 0, 0), 0xffffffff, NX_MAX_F32, -1, 0.0f},
        {"no direction", NxVec3(0, 0, 0), 0xffffffff, NX_MAX_F32, -1, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NxRaycastHit hit;
        NxShape* shape =
            m_pScene->raycastClosestShape(NxRay(NxVec3(0, 0, 0), c.direction), NX_ALL_SHAPES, hit, c.groups, c.maxDist);
        if (c.hitUserData < 0) {
            EXPECT_EQ(nullptr, shape);
            continue;
        }
        ASSERT_NE(nullptr, shape);
        EXPECT_EQ(shape, hit.shape);
        EXPECT_EQ(c.hitUserData, *static_cast<int*>(shape->userData));
        EXPECT_NEAR(c.distance, hit.distance, 1e-3f);
        EXPECT_NEAR(c.distance, hit.worldImpact.x, 1e-3f);
        EXPECT_NEAR(-1.0f, hit.worldNormal.x, 1e-3f);
    }
}

TEST_F(PhysicsScene, ShapesKeepTheirGroupsAndDataWhenAnotherIsReleased)
{
    int userData[3] = {0, 1, 2};
    NxActor* actor = MakeThreeCubes(*m_pScene, userData);
    ASSERT_NE(nullptr, actor);

    // The last shape takes the released one's place in the list.
    actor->releaseShape(*actor->getShapes()[0]);
    ASSERT_EQ(2u, actor->getNbShapes());
    EXPECT_EQ(&userData[2], actor->getShapes()[0]->userData);
    EXPECT_EQ(&userData[1], actor->getShapes()[1]->userData);

    NxRaycastHit hit;
    const NxRay ray(NxVec3(0, 0, 0), NxVec3(1, 0, 0));
    NxShape* shape = m_pScene->raycastClosestShape(ray, NX_ALL_SHAPES, hit, 0x7fff & ~(1u << 3));
    ASSERT_NE(nullptr, shape);
    EXPECT_EQ(&userData[2], shape->userData);
    EXPECT_NEAR(14.5f, hit.distance, 1e-3f);
    shape = m_pScene->raycastClosestShape(ray, NX_ALL_SHAPES, hit);
    ASSERT_NE(nullptr, shape);
    EXPECT_EQ(&userData[1], shape->userData);

    // Moving a shape moves its own child, wherever Bullet keeps it now.
    actor->getShapes()[1]->setLocalPosition(NxVec3(20, 0, 0));
    shape = m_pScene->raycastClosestShape(ray, NX_ALL_SHAPES, hit);
    ASSERT_NE(nullptr, shape);
    EXPECT_EQ(&userData[2], shape->userData);
}

TEST_F(PhysicsScene, ACompoundPairIsReportedOnceWithEachShapePair)
{
    RecordingReport report;
    m_pScene->setUserContactReport(&report);
    m_pScene->setActorGroupPairFlags(0, 0, NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_TOUCH);
    NxActor* ground = MakeGround();
    NxActor* box = MakeBox(NxVec3(0, 0.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
    ASSERT_NE(nullptr, box);
    NxBoxShapeDesc second;
    second.dimensions = NxVec3(0.5f, 0.5f, 0.5f);
    second.localPose.t = NxVec3(2, 0, 0);
    NxShape* secondShape = box->createShape(second);
    ASSERT_NE(nullptr, secondShape);

    Run(0.5f);
    report.pairs.clear();
    Run(STEP);

    ASSERT_EQ(1u, report.pairs.size());
    const RecordingReport::Pair& pair = report.pairs[0];
    EXPECT_EQ(NxU32(NX_NOTIFY_ON_TOUCH), pair.events);
    const int boxSide = pair.actors[0] == box ? 0 : 1;
    EXPECT_EQ(ground, pair.actors[1 - boxSide]);
    EXPECT_EQ(2u, pair.shapePairs);
    bool touched[2] = {false, false};
    for (const RecordingReport::Point& point : pair.points) {
        EXPECT_EQ(&ground->getShapes()[0]->getActor(), &point.shapes[1 - boxSide]->getActor());
        touched[point.shapes[boxSide] == secondShape] = true;
        // Normals point from the second actor towards the first.
        EXPECT_NEAR(boxSide == 0 ? 1.0f : -1.0f, point.normal.y, 1e-3f);
        EXPECT_NEAR(0.0f, point.position.y, POSITION_TOLERANCE);
    }
    EXPECT_TRUE(touched[0] && touched[1]);
}

// Bullet lists the manifolds of several compound pairs mixed together; each
// pair still comes once a step, with its own shape pairs, and starts touching
// once.
TEST_F(PhysicsScene, SeveralCompoundPairsAreEachReportedOnceAStepAndStartOnce)
{
    RecordingReport report;
    m_pScene->setUserContactReport(&report);
    m_pScene->setActorGroupPairFlags(0, 0, NX_NOTIFY_ON_START_TOUCH | NX_NOTIFY_ON_TOUCH);
    NxActor* ground = MakeGround();
    const int BOXES = 3;
    NxActor* boxes[BOXES] = {};
    for (int i = 0; i < BOXES; ++i) {
        boxes[i] = MakeBox(NxVec3(10.0f * (i - 1), 0.6f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
        ASSERT_NE(nullptr, boxes[i]);
        NxBoxShapeDesc second;
        second.dimensions = NxVec3(0.5f, 0.5f, 0.5f);
        second.localPose.t = NxVec3(2, 0, 0);
        ASSERT_NE(nullptr, boxes[i]->createShape(second));
    }
    const auto boxSide = [&](const RecordingReport::Pair& pair, int box) {
        return pair.actors[0] == boxes[box] ? 0 : pair.actors[1] == boxes[box] ? 1 : -1;
    };

    Run(1.0f);
    for (int box = 0; box < BOXES; ++box) {
        SCOPED_TRACE(box);
        int starts = 0;
        for (const RecordingReport::Pair& pair : report.pairs)
            starts += boxSide(pair, box) >= 0 && (pair.events & NX_NOTIFY_ON_START_TOUCH) != 0;
        EXPECT_EQ(1, starts);
    }

    report.pairs.clear();
    Run(STEP);
    ASSERT_EQ(size_t(BOXES), report.pairs.size());
    for (int box = 0; box < BOXES; ++box) {
        SCOPED_TRACE(box);
        int found = 0;
        for (const RecordingReport::Pair& pair : report.pairs) {
            const int side = boxSide(pair, box);
            if (side < 0)
                continue;
            ++found;
            EXPECT_EQ(ground, pair.actors[1 - side]);
            EXPECT_EQ(NxU32(NX_NOTIFY_ON_TOUCH), pair.events);
            EXPECT_EQ(2u, pair.shapePairs);
            for (const RecordingReport::Point& point : pair.points)
                EXPECT_EQ(boxes[box], &point.shapes[side]->getActor());
        }
        EXPECT_EQ(1, found);
    }
}

TEST_F(PhysicsScene, AnActorReleasedDuringAReportGoesAfterIt)
{
    // The report releases box A at its first pair; A's other pair of the
    // same step must not be reported, and A's joint is unbound.
    struct ReleasingReport : public NxUserContactReport {
        void onContactNotify(NxContactPair& pair, NxU32) override
        {
            ++calls;
            const bool hasVictim = pair.actors[0] == victim || pair.actors[1] == victim;
            EXPECT_FALSE(hasVictim && released);
            if (hasVictim && !released) {
                victim->getScene().releaseActor(*victim);
                EXPECT_TRUE(victim->isReleasePending());
                released = true;
            }
        }
        NxActor* victim = nullptr;
        bool released = false;
        int calls = 0;
    } report;
    m_pScene->setUserContactReport(&report);
    m_pScene->setActorGroupPairFlags(0, 0, NX_NOTIFY_ON_TOUCH);
    MakeGround();
    report.victim = MakeBox(NxVec3(0, 0.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
    ASSERT_NE(nullptr, MakeBox(NxVec3(0.99f, 0.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f));
    NxRevoluteJointDesc hinge;
    hinge.actor[0] = report.victim;
    hinge.actor[1] = MakeBox(NxVec3(0, 5, 0), NxVec3(0.5f, 0.5f, 0.5f));
    NxJoint* joint = m_pScene->createJoint(hinge);
    ASSERT_NE(nullptr, joint);

    Run(STEP);
    EXPECT_TRUE(report.released);
    // Ground and B, then the first pair with A; A's second pair is skipped.
    EXPECT_EQ(2, report.calls);
    EXPECT_EQ(3u, m_pScene->getNbActors());
    EXPECT_EQ(NX_JS_UNBOUND, joint->getState());
    m_pScene->releaseJoint(*joint);
    Run(STEP);
}

TEST_F(PhysicsScene, FlagsDecideWhetherABoxFallsRestsOrStays)
{
    MakeGround();
    struct Case {
        const char* what;
        NxU32 actorFlags;
        NxBodyFlag bodyFlag;
        NxReal expectedY;
    };
    const Case cases[] = {
        {"rests on the ground", 0, NxBodyFlag(0), 0.5f},
        {"collision disabled: falls through", NX_AF_DISABLE_COLLISION, NxBodyFlag(0), -5.0f},
        {"response disabled: falls through", NX_AF_DISABLE_RESPONSE, NxBodyFlag(0), -5.0f},
        {"frozen: stays", 0, NX_BF_FROZEN, 2.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NxActor* box = MakeBox(NxVec3(0, 2.0f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f, c.actorFlags);
        ASSERT_NE(nullptr, box);
        if (c.bodyFlag != 0)
            box->raiseBodyFlag(c.bodyFlag);
        Run(1.5f);
        const NxReal y = box->getGlobalPosition().y;
        if (c.expectedY < 0.0f)
            EXPECT_LT(y, c.expectedY);
        else
            EXPECT_NEAR(c.expectedY, y, POSITION_TOLERANCE);
        m_pScene->releaseActor(*box);
    }
}

TEST_F(PhysicsScene, MassComesFromTheShapesAndKeepsThePose)
{
    MakeGround();
    // A unit cube and, 2 m along x, a cube of 8 m^3: the centre of mass lies
    // 16/9 m along x, and the pair rests flat.
    NxActor* actor = MakeBox(NxVec3(0, 0.5f, 0), NxVec3(0.5f, 0.5f, 0.5f), 1.0f);
    ASSERT_NE(nullptr, actor);
    NxBoxShapeDesc big;
    big.dimensions = NxVec3(1, 1, 1);
    big.localPose.t = NxVec3(2, 0.5f, 0);
    ASSERT_NE(nullptr, actor->createShape(big));

    ASSERT_TRUE(actor->updateMassFromShapes(10.0f, 0.0f));
    EXPECT_FLOAT_EQ(90.0f, actor->getMass());
    EXPECT_NEAR(16.0f / 9.0f, actor->getMassFrame().t.x, 1e-4f);
    EXPECT_NEAR(0.5f, actor->getGlobalPosition().y, 1e-5f);
    ASSERT_TRUE(actor->updateMassFromShapes(0.0f, 3.0f));
    EXPECT_FLOAT_EQ(3.0f, actor->getMass());

    Run(2.0f);
    const NxMat34 pose = actor->getGlobalPose();
    EXPECT_NEAR(0.5f, pose.t.y, POSITION_TOLERANCE);
    EXPECT_NEAR(1.0f, pose.M(1, 1), 1e-3f);
    EXPECT_NEAR(1.0f, actor->getShapes()[1]->getGlobalPosition().y, POSITION_TOLERANCE);
}
