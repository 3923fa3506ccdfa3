#include "Physics/Physics.h"

#include <vector>

#include <gtest/gtest.h>

#include "Core/Clock.h"
#include "Physics/CollidableObject.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FrameTime.h"

namespace {

const float POSITION_TOLERANCE = 0.02f;
// Stands for an actor that the code under test must only carry, never use.
NxActor* const FOREIGN_ACTOR = reinterpret_cast<NxActor*>(uintptr_t(0x10));
const uint32_t FRAME_MILLISECONDS = 16;

// A collidable that damages whatever it touches, as the game's objects do,
// and keeps what it is told.
class Probe : public CCollidableObject {
public:
    explicit Probe(uint8_t kind, float damage = 1.0f) : m_fDamageDealt(damage) { m_u8Kind = kind; }

    bool OnContact(CCollidableObject* pOther, NxContactPair* pPair) override
    {
        m_Touched.push_back(pOther);
        if (pOther == nullptr)
            return true;
        CDamageInfo damage;
        damage.m_pSource = this;
        damage.m_fDamage = m_fDamageDealt;
        return pOther->TakeDamage(damage, pPair);
    }
    bool TakeDamage(const CDamageInfo& damage, NxContactPair*) override
    {
        m_Received.push_back(damage);
        return true;
    }
    std::vector<CTireContact>* GetTireContacts() override
    {
        return m_u8Kind == KIND_CAR ? &m_TireContacts : nullptr;
    }

    // A moveable unit box at `position` with this probe as its owner.
    void MakeBox(const NxVec3& position)
    {
        g_Physics.CreateBoxActor(true, &m_PhysicsObject.m_pActor);
        ASSERT_NE(nullptr, m_PhysicsObject.m_pActor);
        m_PhysicsObject.m_pActor->setGlobalPosition(position);
        LinkPhysicsActor();
    }
    NxActor* Actor() const { return m_PhysicsObject.m_pActor; }
    bool Touched(const CCollidableObject* pOther) const
    {
        for (const CCollidableObject* touched : m_Touched)
            if (touched == pOther)
                return true;
        return false;
    }

    float m_fDamageDealt;
    std::vector<CCollidableObject*> m_Touched;
    std::vector<CDamageInfo> m_Received;
    std::vector<CTireContact> m_TireContacts;
};

// Heights of a 5 x 5 grid, row by row.
const float HILLS[25] = {
    1.0f, 1.5f, 2.0f, 1.0f, 0.0f,
    0.5f, 1.0f, 3.0f, 2.0f, 1.0f,
    0.0f, 2.0f, 1.0f, 0.5f, 0.0f,
    1.0f, 1.0f, 0.0f, 2.5f, 1.5f,
    2.0f, 0.0f, 1.0f, 1.0f, 0.5f,
};
const float SPACING = 2.0f;
const D3DXVECTOR3 ORIGIN(-4.0f, 0.0f, -4.0f);

} // namespace

// Without Init there is no scene: nothing is built, nothing breaks.
TEST(UninitialisedPhysics, EveryCallIsHarmless)
{
    CPhysics physics;
    NxActor* actor = FOREIGN_ACTOR;
    physics.CreateBoxActor(true, &actor);
    EXPECT_EQ(nullptr, actor);
    physics.CreateBoxActor(true, nullptr);
    const float heights[4] = {};
    EXPECT_FALSE(physics.CreateTerrainActor(2, 2, 1.0f, D3DXVECTOR3(), heights, 4));
    physics.Update();

    // Without a scene the actor went with it: only the pointer is cleared.
    actor = FOREIGN_ACTOR;
    physics.ReleaseActor(true, &actor);
    EXPECT_EQ(nullptr, actor);
    physics.ReleaseActor(true, nullptr);

    // Rigid bodies are parked, animated ones forgotten; neither is used.
    neRigidBody* body = reinterpret_cast<neRigidBody*>(uintptr_t(0x20));
    neAnimatedBody* animated = reinterpret_cast<neAnimatedBody*>(uintptr_t(0x30));
    physics.ReleaseBody(true, &body, &animated);
    EXPECT_EQ(nullptr, body);
    EXPECT_NE(nullptr, animated);
    physics.ReleaseBody(true, &body, &animated);
    EXPECT_EQ(nullptr, animated);
    physics.FreeParkedBodies();
    physics.Shutdown();
    physics.Shutdown();
}

class PhysicsManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_Physics.Init());
        SetFrameTime(FRAME_MILLISECONDS);
    }
    void TearDown() override
    {
        g_Physics.Shutdown();
        g_Physics.SetEnabled(true);
        g_FrameTimer = CFrameTimer();
    }

    // A frame timer whose whole window of frames took `milliseconds` each.
    static void SetFrameTime(uint32_t milliseconds)
    {
        g_FrameTimer = CFrameTimer();
        for (uint32_t frame = 1; frame <= CFrameTimer::WINDOW_FRAMES; ++frame)
            g_FrameTimer.Update(frame * milliseconds);
    }
    static void RunFrames(int frames)
    {
        for (int i = 0; i < frames; ++i)
            g_Physics.Update();
    }
    static void MakeFlatTerrain(float height)
    {
        const std::vector<float> heights(25, height);
        ASSERT_TRUE(g_Physics.CreateTerrainActor(5, 5, SPACING, ORIGIN, heights.data(), heights.size()));
    }
    static float TerrainHeightAt(float x, float z)
    {
        NxRaycastHit hit;
        const NxRay down(NxVec3(x, 100.0f, z), NxVec3(0, -1, 0));
        NxShape* shape = g_Physics.GetScene()->raycastClosestShape(down, NX_ALL_SHAPES, hit, 0x7fff);
        EXPECT_NE(nullptr, shape);
        return 100.0f - hit.distance;
    }
};

TEST_F(PhysicsManager, ABoxComesToRestOnTheTerrain)
{
    MakeFlatTerrain(1.0f);
    Probe box(CCollidableObject::KIND_DEFAULT);
    box.MakeBox(NxVec3(0.3f, 4.0f, -0.2f));
    RunFrames(120);
    EXPECT_NEAR(1.5f, box.Actor()->getGlobalPosition().y, POSITION_TOLERANCE);
    // Terrain contacts come with no object, so no damage flows.
    ASSERT_FALSE(box.m_Touched.empty());
    EXPECT_EQ(nullptr, box.m_Touched.back());
    EXPECT_TRUE(box.m_Received.empty());
}

TEST_F(PhysicsManager, TerrainTrianglesFollowTheSamples)
{
    ASSERT_TRUE(g_Physics.CreateTerrainActor(5, 5, SPACING, ORIGIN, HILLS, 25));
    auto h = [](int column, int row) { return HILLS[row * 5 + column]; };
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 5; ++column)
            EXPECT_NEAR(h(column, row), TerrainHeightAt(ORIGIN.x + column * SPACING, ORIGIN.z + row * SPACING), 1e-3f);
    // Each quad is cut along its diagonal from sample (c, r) to (c+1, r+1):
    // a point a quarter across on either side weighs its triangle's corners.
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const float x = ORIGIN.x + column * SPACING;
            const float z = ORIGIN.z + row * SPACING;
            const float nearRow = 0.25f * h(column, row) + 0.5f * h(column, row + 1) + 0.25f * h(column + 1, row + 1);
            const float nearColumn =
                0.25f * h(column, row) + 0.25f * h(column + 1, row + 1) + 0.5f * h(column + 1, row);
            EXPECT_NEAR(nearRow, TerrainHeightAt(x + 0.25f * SPACING, z + 0.75f * SPACING), 1e-3f);
            EXPECT_NEAR(nearColumn, TerrainHeightAt(x + 0.75f * SPACING, z + 0.25f * SPACING), 1e-3f);
        }
    }

    // The first terrain of a run stays.
    NxActor* first = g_Physics.GetTerrainActor();
    EXPECT_FALSE(g_Physics.CreateTerrainActor(5, 5, SPACING, ORIGIN, HILLS, 25));
    EXPECT_EQ(first, g_Physics.GetTerrainActor());
}

TEST_F(PhysicsManager, RefusesTerrainsWithoutEnoughSamples)
{
    EXPECT_FALSE(g_Physics.CreateTerrainActor(1, 5, SPACING, ORIGIN, HILLS, 25));
    EXPECT_FALSE(g_Physics.CreateTerrainActor(5, 5, SPACING, ORIGIN, HILLS, 24));
    EXPECT_FALSE(g_Physics.CreateTerrainActor(5, 5, 0.0f, ORIGIN, HILLS, 25));
    EXPECT_EQ(nullptr, g_Physics.GetTerrainActor());
}

TEST_F(PhysicsManager, DisabledPhysicsDoesNotStep)
{
    MakeFlatTerrain(0.0f);
    Probe box(CCollidableObject::KIND_DEFAULT);
    // Sunk into the ground: any step would both report and move it.
    box.MakeBox(NxVec3(0, 0.2f, 0));
    g_Physics.SetEnabled(false);
    RunFrames(30);
    EXPECT_EQ(NxVec3(0, 0.2f, 0), box.Actor()->getGlobalPosition());
    EXPECT_TRUE(box.m_Touched.empty());

    g_Physics.SetEnabled(true);
    RunFrames(30);
    EXPECT_NEAR(0.5f, box.Actor()->getGlobalPosition().y, POSITION_TOLERANCE);
    EXPECT_FALSE(box.m_Touched.empty());
}

// A body in free fall gains 9.8 / 60 m/s per fixed step: its speed counts the
// steps the scene took.
TEST_F(PhysicsManager, TheSceneStepsAQuarterFasterThanTheClockInFixedStepsOfAtMostFourAFrame)
{
    struct Case {
        const char* what;
        uint32_t frameMilliseconds;
        int frames;
        bool enabled;
        int steps;
    };
    const Case cases[] = {
        // 9 x 25 ms of scene time: 13.5 steps (the clock's own 180 ms would be 10.8).
        {"a quarter faster", 20, 9, true, 13},
        // 125 ms a frame would be 7.5 steps; the rest of each frame is dropped.
        {"four steps a frame at most", 100, 2, true, 8},
        {"disabled", 20, 9, false, 0},
    };
    const float speedPerStep = 9.8f / 60.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A fresh scene: none carries part of a step over from the last case.
        g_Physics.Shutdown();
        ASSERT_TRUE(g_Physics.Init());
        Probe box(CCollidableObject::KIND_DEFAULT);
        box.MakeBox(NxVec3(0, 100, 0));
        SetFrameTime(c.frameMilliseconds);
        g_Physics.SetEnabled(c.enabled);
        RunFrames(c.frames);
        EXPECT_NEAR(-speedPerStep * c.steps, box.Actor()->getLinearVelocity().y, 1e-3f);
        box.ReleasePhysics();
    }
}

TEST_F(PhysicsManager, AnActorWithoutResponseLetsABoxThroughAndBothHearOfIt)
{
    // A pool 1 m deep, shaped like the game's water planes.
    Probe water(CCollidableObject::KIND_WATER, 0.0f);
    g_Physics.CreateBoxActor(false, &water.m_PhysicsObject.m_pActor);
    NxActor* pool = water.Actor();
    ASSERT_NE(nullptr, pool);
    NxBoxShapeDesc volume;
    volume.dimensions = NxVec3(10, 0.5f, 10);
    volume.localPose.t = NxVec3(0, -0.5f, 0);
    pool->createShape(volume);
    pool->releaseShape(*pool->getShapes()[0]);
    water.LinkPhysicsActor();
    SetActorCollisionGroup(pool, 31);
    pool->raiseActorFlag(NX_AF_DISABLE_RESPONSE);

    Probe box(CCollidableObject::KIND_DEFAULT, 2.0f);
    box.MakeBox(NxVec3(0, 2, 0));
    RunFrames(90);

    EXPECT_LT(box.Actor()->getGlobalPosition().y, -2.0f);
    EXPECT_TRUE(water.Touched(&box));
    EXPECT_TRUE(box.Touched(&water));
    ASSERT_FALSE(water.m_Received.empty());
    EXPECT_EQ(&box, water.m_Received[0].m_pSource);
    EXPECT_FLOAT_EQ(2.0f, water.m_Received[0].m_fDamage);
    ASSERT_FALSE(box.m_Received.empty());
    EXPECT_EQ(&water, box.m_Received[0].m_pSource);
}

TEST_F(PhysicsManager, ACarsTyreCapsulesOnTheTerrainBecomeTyreContacts)
{
    MakeFlatTerrain(0.0f);
    Probe car(CCollidableObject::KIND_CAR);
    car.MakeBox(NxVec3(0, 1.0f, 0));
    NxCapsuleShapeDesc tyre;
    tyre.radius = 0.3f;
    tyre.height = 0.2f;
    tyre.localPose.t = NxVec3(0, -0.6f, 0);
    NxShape* capsule = car.Actor()->createShape(tyre);
    ASSERT_NE(nullptr, capsule);
    RunFrames(60);

    ASSERT_FALSE(car.m_TireContacts.empty());
    for (const CTireContact& contact : car.m_TireContacts) {
        EXPECT_EQ(car.Actor(), contact.m_pActor);
        EXPECT_EQ(capsule, contact.m_pShape);
        EXPECT_NEAR(0.0f, contact.m_vPoint.y, POSITION_TOLERANCE);
    }
}

TEST_F(PhysicsManager, TheMemberReadsItsActorsVelocityAndKeepsItAfterwards)
{
    Probe box(CCollidableObject::KIND_DEFAULT);
    box.MakeBox(NxVec3(0, 10, 0));
    box.Actor()->setLinearVelocity(NxVec3(1, 2, 3));
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), box.m_PhysicsObject.GetLinearVelocity());
    box.ReleasePhysics();
    EXPECT_EQ(nullptr, box.Actor());
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), box.m_PhysicsObject.GetLinearVelocity());
}

// The report's dispatch over streams written by hand, between real actors:
// a car (capsule and box shapes) and whatever it touches.
class PhysicsContactReport : public PhysicsManager {
protected:
    void SetUp() override
    {
        PhysicsManager::SetUp();
        m_Car.MakeBox(NxVec3(0, 5, 0));
        NxCapsuleShapeDesc tyre;
        m_pCapsule = m_Car.Actor()->createShape(tyre);
        m_pBox = m_Car.Actor()->getShapes()[0];
        m_Other.MakeBox(NxVec3(5, 5, 0));
        m_pOtherShape = m_Other.Actor()->getShapes()[0];
    }

    // One shape pair (the car's `carShape` against the other's box) with
    // `patches` patches of `points` points each; the car on side `carSide`.
    NxContactPair Pair(int carSide, NxShape* carShape, NxU32 patches, NxU32 points)
    {
        m_Buffer.clear();
        NxShape* shapes[2] = {carShape, m_pOtherShape};
        if (carSide == 1)
            std::swap(shapes[0], shapes[1]);
        m_Buffer.beginShapePair(shapes[0], shapes[1], 0);
        for (NxU32 patch = 0; patch < patches; ++patch) {
            m_Buffer.beginPatch(NxVec3(0, 1, 0));
            for (NxU32 point = 0; point < points; ++point)
                m_Buffer.addPoint(NxVec3(float(point), 0, 0), 0.0f);
        }
        NxContactPair pair;
        pair.actors[carSide] = m_Car.Actor();
        pair.actors[1 - carSide] = m_Other.Actor();
        pair.stream = m_Buffer.getStreamFrom(0);
        return pair;
    }

    Probe m_Car{CCollidableObject::KIND_CAR, 3.0f};
    Probe m_Other{CCollidableObject::KIND_DEFAULT, 4.0f};
    NxShape* m_pCapsule = nullptr;
    NxShape* m_pBox = nullptr;
    NxShape* m_pOtherShape = nullptr;
    NxContactBuffer m_Buffer;
    ContactReport m_Report;
};

TEST_F(PhysicsContactReport, BothSidesTouchAndDamageEachOther)
{
    NxContactPair pair = Pair(1, m_pBox, 1, 1);
    m_Report.OnContactNotify(pair, NX_NOTIFY_ON_TOUCH);
    ASSERT_EQ(1u, m_Other.m_Touched.size());
    ASSERT_EQ(1u, m_Car.m_Touched.size());
    EXPECT_EQ(&m_Car, m_Other.m_Touched[0]);
    EXPECT_EQ(&m_Other, m_Car.m_Touched[0]);
    ASSERT_EQ(1u, m_Car.m_Received.size());
    EXPECT_EQ(&m_Other, m_Car.m_Received[0].m_pSource);
    EXPECT_FLOAT_EQ(4.0f, m_Car.m_Received[0].m_fDamage);
    ASSERT_EQ(1u, m_Other.m_Received.size());
    EXPECT_EQ(&m_Car, m_Other.m_Received[0].m_pSource);
    EXPECT_FLOAT_EQ(3.0f, m_Other.m_Received[0].m_fDamage);
    EXPECT_TRUE(m_Car.m_TireContacts.empty());
}

TEST_F(PhysicsContactReport, OnlyCapsulePointsOnTheCarSideBecomeTyreContacts)
{
    struct Case {
        const char* what;
        int carSide;
        bool capsule;
        NxU32 patches;
        NxU32 points;
        uint8_t otherKind;
        size_t expected;
    };
    const Case cases[] = {
        {"capsule, car first", 0, true, 2, 3, CCollidableObject::KIND_DEFAULT, 6},
        {"capsule, car second", 1, true, 1, 9, CCollidableObject::KIND_DEFAULT, 9},
        {"box shape", 0, false, 1, 2, CCollidableObject::KIND_DEFAULT, 0},
        {"against water", 0, true, 1, 2, CCollidableObject::KIND_WATER, 0},
        {"ten patches", 0, true, 10, 1, CCollidableObject::KIND_DEFAULT, 0},
        {"ten points in a patch", 0, true, 1, 10, CCollidableObject::KIND_DEFAULT, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_Car.m_TireContacts.clear();
        m_Other.m_u8Kind = c.otherKind;
        NxContactPair pair = Pair(c.carSide, c.capsule ? m_pCapsule : m_pBox, c.patches, c.points);
        m_Report.OnContactNotify(pair, NX_NOTIFY_ON_TOUCH);
        ASSERT_EQ(c.expected, m_Car.m_TireContacts.size());
        for (size_t i = 0; i < c.expected; ++i) {
            EXPECT_EQ(m_Car.Actor(), m_Car.m_TireContacts[i].m_pActor);
            EXPECT_EQ(m_pCapsule, m_Car.m_TireContacts[i].m_pShape);
            EXPECT_FLOAT_EQ(float(i % c.points), m_Car.m_TireContacts[i].m_vPoint.x);
        }
    }
}

TEST_F(PhysicsContactReport, ActorsNotYetLinkedHaveNoObject)
{
    NxActor* fresh = nullptr;
    g_Physics.CreateBoxActor(true, &fresh);
    ASSERT_NE(nullptr, fresh);
    EXPECT_EQ(CPhysics::PLACEHOLDER_USER_DATA, reinterpret_cast<uintptr_t>(fresh->userData));
    NxContactPair pair = Pair(0, m_pCapsule, 1, 1);
    pair.actors[1] = fresh;
    m_Report.OnContactNotify(pair, NX_NOTIFY_ON_TOUCH);
    ASSERT_EQ(1u, m_Car.m_Touched.size());
    EXPECT_EQ(nullptr, m_Car.m_Touched[0]);
    EXPECT_EQ(1u, m_Car.m_TireContacts.size());
    g_Physics.ReleaseActor(true, &fresh);
}
