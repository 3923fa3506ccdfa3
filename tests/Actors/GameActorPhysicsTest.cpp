// The actor's three-box body in a real scene over flat ground.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FrameTime.h"

namespace {

const uint32_t FRAME_MILLISECONDS = 16;
const float POSITION_TOLERANCE = 0.02f;
// A flat ground 200 m across at height 0.
const uint32_t GROUND_SAMPLES = 5;
const float GROUND_SPACING = 50.0f;
const D3DXVECTOR3 GROUND_ORIGIN(-100.0f, 0.0f, -100.0f);

// A plain collidable box that remembers whom it touched.
class Crate : public CCollidableObject {
public:
    bool OnContact(CCollidableObject* pOther, NxContactPair*) override
    {
        m_bTouchedSomething = m_bTouchedSomething || pOther != nullptr;
        return true;
    }
    bool m_bTouchedSomething = false;
};

class PhysicsGameActor : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_Physics.Init());
        SetFrameTime(FRAME_MILLISECONDS);
        const std::vector<float> heights(GROUND_SAMPLES * GROUND_SAMPLES, 0.0f);
        ASSERT_TRUE(g_Physics.CreateTerrainActor(GROUND_SAMPLES, GROUND_SAMPLES, GROUND_SPACING, GROUND_ORIGIN,
                                                 heights.data(), heights.size()));
    }
    void TearDown() override
    {
        m_Actor.Shutdown();
        g_Physics.Shutdown();
        g_FrameTimer = CFrameTimer();
    }

    static void RunFrames(int frames)
    {
        for (int i = 0; i < frames; ++i)
            g_Physics.Update();
    }
    // The actor's body standing at `position`.
    void PlaceActor(const D3DXVECTOR3& position)
    {
        m_Actor.CreatePhysics();
        ASSERT_NE(nullptr, Body());
        m_Actor.m_Model.SetPosition(&position);
        m_Actor.SyncPhysicsPose();
    }
    NxActor* Body() const { return m_Actor.m_PhysicsObject.m_pActor; }

    CGameActor m_Actor;
};

TEST_F(PhysicsGameActor, TheBodyIsThreeBoxesOfMassTen)
{
    m_Actor.m_fWantedLevel = 3.0f;
    m_Actor.CreatePhysics();
    NxActor* body = Body();
    ASSERT_NE(nullptr, body);
    EXPECT_EQ(CCollidableObject::KIND_GAME_ACTOR, m_Actor.m_u8Kind);
    EXPECT_FLOAT_EQ(0.0f, m_Actor.m_fWantedLevel);
    EXPECT_FLOAT_EQ(10.0f, body->getMass());
    EXPECT_EQ(&m_Actor.m_pSelf, body->userData);
    EXPECT_EQ(&m_Actor, m_Actor.m_pSelf);

    struct Box {
        NxVec3 halfExtents;
        NxVec3 position;
    };
    const Box feet = {NxVec3(0.1f, 0.2f, 0.1f), NxVec3(0, 0.2f, 0)};
    const Box torso = {NxVec3(0.4f, 0.8f, 0.4f), NxVec3(0, 1.0f, 0)};
    const Box head = {NxVec3(0.1f, 0.2f, 0.1f), NxVec3(-0.025f, 2.0f, 0)};
    ASSERT_EQ(3u, body->getNbShapes()) << "the unit box is gone";
    auto expectBox = [](const NxShape* shape, const Box& box) {
        ASSERT_NE(nullptr, shape);
        const NxBoxShape* boxShape = const_cast<NxShape*>(shape)->isBox();
        ASSERT_NE(nullptr, boxShape);
        EXPECT_EQ(box.halfExtents, boxShape->getDimensions());
        EXPECT_EQ(box.position, shape->getLocalPosition());
        EXPECT_EQ(0, shape->getGroup());
        EXPECT_EQ(0, shape->getMaterial());
        EXPECT_EQ(8u, shape->getFlags());
    };
    expectBox(m_Actor.m_pFeetShape, feet);
    expectBox(m_Actor.m_pHeadShape, head);
    int torsos = 0;
    for (NxU32 i = 0; i < body->getNbShapes(); ++i) {
        NxShape* shape = body->getShapes()[i];
        EXPECT_EQ(&m_Actor.m_pSelf, shape->userData);
        if (shape != m_Actor.m_pFeetShape && shape != m_Actor.m_pHeadShape) {
            expectBox(shape, torso);
            ++torsos;
        }
    }
    EXPECT_EQ(1, torsos);

    // A second body replaces the first: the scene keeps the ground and one actor.
    m_Actor.CreatePhysics();
    EXPECT_EQ(2u, g_Physics.GetScene()->getNbActors());
}

TEST_F(PhysicsGameActor, SettlesOnItsFeetBox)
{
    PlaceActor(D3DXVECTOR3(3, 1, -2));
    // The game's pose step keeps the body from tipping over; here it cannot turn.
    Body()->raiseBodyFlag(NX_BF_FROZEN_ROT);
    RunFrames(180);
    const NxMat34 pose = Body()->getGlobalPose();
    EXPECT_NEAR(0.0f, pose.t.y, POSITION_TOLERANCE) << "the soles on the ground";
    EXPECT_NEAR(3.0f, pose.t.x, POSITION_TOLERANCE);
    EXPECT_NEAR(-2.0f, pose.t.z, POSITION_TOLERANCE);
    EXPECT_NEAR(1.0f, pose.M(1, 1), 1e-3f) << "standing upright";
}

TEST_F(PhysicsGameActor, DisabledItNeitherFallsNorCollidesUntilEnabled)
{
    PlaceActor(D3DXVECTOR3(0, 5, 0));
    m_Actor.DisablePhysics();
    EXPECT_TRUE(Body()->readActorFlag(NX_AF_DISABLE_COLLISION));
    for (NxBodyFlag frozen : {NX_BF_FROZEN_POS_X, NX_BF_FROZEN_POS_Y, NX_BF_FROZEN_POS_Z, NX_BF_FROZEN_ROT_X,
                              NX_BF_FROZEN_ROT_Y, NX_BF_FROZEN_ROT_Z})
        EXPECT_TRUE(Body()->readBodyFlag(frozen)) << frozen;
    m_Actor.DisablePhysics();
    EXPECT_TRUE(Body()->readActorFlag(NX_AF_DISABLE_COLLISION));

    // A crate dropped on its head falls through it.
    Crate crate;
    g_Physics.CreateBoxActor(true, &crate.m_PhysicsObject.m_pActor);
    ASSERT_NE(nullptr, crate.m_PhysicsObject.m_pActor);
    crate.m_PhysicsObject.m_pActor->setGlobalPosition(NxVec3(0, 8, 0));
    crate.LinkPhysicsActor();
    RunFrames(120);
    const NxVec3 held = Body()->getGlobalPosition();
    EXPECT_NEAR(0.0f, held.x, 1e-5f);
    EXPECT_NEAR(5.0f, held.y, 1e-5f);
    EXPECT_NEAR(0.0f, held.z, 1e-5f);
    EXPECT_FALSE(crate.m_bTouchedSomething);
    EXPECT_LT(crate.m_PhysicsObject.m_pActor->getGlobalPosition().y, 1.5f) << "down on the ground";

    m_Actor.EnablePhysics();
    EXPECT_FALSE(Body()->readActorFlag(NX_AF_DISABLE_COLLISION));
    EXPECT_FALSE(Body()->readBodyFlag(NX_BF_FROZEN));
    RunFrames(30);
    EXPECT_LT(Body()->getGlobalPosition().y, 5.0f) << "it falls again";
}

TEST_F(PhysicsGameActor, TheBodyTakesTheObjectMatrixAsItsPose)
{
    PlaceActor(D3DXVECTOR3(0, 0, 0));
    D3DXMATRIX yawed;
    D3DXMatrixRotationY(&yawed, 0.6f);
    yawed._41 = 4.0f;
    yawed._42 = 1.0f;
    yawed._43 = -3.0f;
    m_Actor.m_Model.m_matObject = yawed;
    m_Actor.SyncPhysicsPose();

    const D3DXMATRIX pose = ToD3DXMatrix(Body()->getGlobalPose());
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(yawed[i], pose[i], 1e-5f) << "element " << i;
    // The actor's forward row is where the body's z axis points.
    const NxVec3 forward = Body()->getGlobalOrientation() * NxVec3(0, 0, 1);
    EXPECT_NEAR(yawed._31, forward.x, 1e-5f);
    EXPECT_NEAR(yawed._33, forward.z, 1e-5f);

    // A script's "Orientation" moves a body that exists.
    const std::string turnedBack = "Orientation -1 0 0 0  0 1 0 0  0 0 -1 0  2 0 6 1\n";
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    reader.Tokenise(turnedBack.data(), turnedBack.size());
    ASSERT_TRUE(m_Actor.ReadProperty(reader));
    const NxVec3 moved = Body()->getGlobalPosition();
    EXPECT_NEAR(2.0f, moved.x, 1e-5f);
    EXPECT_NEAR(0.0f, moved.y, 1e-5f);
    EXPECT_NEAR(6.0f, moved.z, 1e-5f);
    EXPECT_NEAR(-1.0f, (Body()->getGlobalOrientation() * NxVec3(0, 0, 1)).z, 1e-5f);
}

TEST(PhysicsGameActorWithoutScene, HasNoBodyAndNoWantedLevel)
{
    CGameActor actor;
    actor.m_fWantedLevel = 4.0f;
    actor.CreatePhysics();
    EXPECT_EQ(nullptr, actor.m_PhysicsObject.m_pActor);
    EXPECT_EQ(nullptr, actor.m_pHeadShape);
    EXPECT_FLOAT_EQ(0.0f, actor.m_fWantedLevel);
    EXPECT_EQ(CCollidableObject::KIND_GAME_ACTOR, actor.m_u8Kind);
    actor.EnablePhysics();
    actor.DisablePhysics();
    actor.SyncPhysicsPose();
}

} // namespace
