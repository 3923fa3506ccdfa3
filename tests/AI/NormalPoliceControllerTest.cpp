// The policeman of an agent on the AI world's flat ground: in a box car at
// the origin, or on foot there, with the player (or another actor) placed
// around him. Each test runs the police controller's own updates and reads
// its state, its chase driver's and the actions and axes it sets.

#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/AIWorld.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Display/RenderStates.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxActor.h"
#include "platform/novodex/NxBoxShape.h"
#include "platform/novodex/NxScene.h"

namespace {

typedef CNormalPoliceController Police;
typedef CChaseCarController Chase;

enum { ACTION_FIRE = 11, ACTION_GAS = 14, ACTION_GET_IN_CAR = 22, AXIS_TURN = 2, AXIS_PITCH = 3 };
// The actor's turn speed: radians per axis unit.
const float TURN_SPEED = 0.004f;
const D3DXVECTOR3 UP(0.0f, 1.0f, 0.0f);
const float FRAME_SECONDS = AIWorld::FRAME_MILLISECONDS / 1000.0f;
const D3DXVECTOR3 ORIGIN(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 NORTH(0.0f, 0.0f, 1.0f);
const D3DXVECTOR3 EAST(1.0f, 0.0f, 0.0f);

// `degrees` from north toward east, `distance` from the origin.
D3DXVECTOR3 Bearing(float degrees, float distance)
{
    const float radians = D3DXToRadian(degrees);
    return D3DXVECTOR3(std::sin(radians), 0.0f, std::cos(radians)) * distance;
}

class Policeman : public AIWorld {
protected:
    void SetUp() override
    {
        StartPhysics();
        AIWorld::SetUp();
        LoadGround();
        m_matSavedProjection = g_matProjection;
        D3DXMatrixPerspectiveFovLH(&g_matProjection, D3DX_PI / 3.0f, 4.0f / 3.0f, 0.5f, 1000.0f);
        m_pPlayer = std::make_unique<CGameActor>();
        SetPlayerActor(m_pPlayer.get());
        m_pCar = &AddBoxCar(ORIGIN, NORTH, ORIGIN);
    }
    void TearDown() override
    {
        m_pAgent.reset();
        g_matProjection = m_matSavedProjection;
        m_pPlayer.reset();
        AIWorld::TearDown();
    }

    // A fresh officer patrolling in the car.
    void Patrol()
    {
        m_pAgent = std::make_unique<CAIControllerSet>();
        m_pCar->m_bBurnt = false;
        ASSERT_TRUE(m_pAgent->CreateDriver(ACTOR, m_pCar));
        m_pAgent->UsePoliceController();
        Cop().ProcessStateChange();
        ASSERT_EQ(Police::STATE_PATROLLING, Cop().GetState());
    }
    // A fresh officer on foot at the origin facing north, after `target`.
    void OnFoot(CGameActor* target)
    {
        m_pAgent = std::make_unique<CAIControllerSet>();
        ASSERT_TRUE(m_pAgent->CreatePedestrian(ACTOR, &ORIGIN));
        m_pAgent->UsePoliceController();
        Cop().SetTarget(target);
        Enter(Police::STATE_PURSUING_ON_FOOT);
    }
    Police& Cop() { return *m_pAgent->m_pPoliceController; }
    CGameActor& Officer() { return *m_pAgent->GetActor(); }
    void Enter(int state)
    {
        Cop().SetState(state);
        Cop().ProcessStateChange();
    }
    void PlacePlayer(const D3DXVECTOR3& at, float wanted)
    {
        m_pPlayer->m_Model.SetPosition(&at);
        m_pPlayer->m_fWantedLevel = wanted;
    }
    // The officer's facing, `degrees` from north toward east.
    void Face(float degrees)
    {
        cObject& model = Officer().m_Model;
        const D3DXVECTOR3 at = model.m_vPosition;
        D3DXMatrixRotationY(&model.m_matObject, D3DXToRadian(degrees));
        model.SetPosition(&at);
        model.UpdateWorldMatrix();
    }
    // A change the police asked for counts at once.
    int ChaseState()
    {
        const Chase& chase = *m_pAgent->GetChaseController();
        return chase.IsChangePending() ? chase.GetNextState() : chase.GetState();
    }
    // He turns his aim as his actor's own update would, until he fires or
    // the frames run out.
    bool AimsAndFires(int frames)
    {
        for (int frame = 0; frame < frames; ++frame) {
            Cop().Update();
            if (Action(ACTION_FIRE) == ACTION_STATE_HELD)
                return true;
            Officer().m_Model.RotateAboutAxis(UP, TURN_SPEED * Axis(AXIS_TURN));
            Officer().m_Model.UpdateWorldMatrix();
            Cop().GetCamera()->AddPitch(TURN_SPEED * Axis(AXIS_PITCH));
        }
        return false;
    }
    uint8_t Action(int action) { return Cop().GetActionCounters()[action]; }
    float Axis(int axis) { return Cop().GetAxisValues()[axis]; }

    CCar* m_pCar = nullptr;
    std::unique_ptr<CGameActor> m_pPlayer;
    std::unique_ptr<CAIControllerSet> m_pAgent;
    D3DXMATRIX m_matSavedProjection;
};

TEST_F(Policeman, HeEngagesAWantedPlayerWithin50Units)
{
    struct Case {
        float wanted;
        float distance;
        bool engages;
    } const cases[] = {
        {1.9f, 10.0f, false}, {2.0f, 10.0f, true}, {3.0f, 49.0f, true}, {3.0f, 51.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "wanted " << c.wanted << " at " << c.distance);
        Patrol();
        PlacePlayer(EAST * c.distance, c.wanted);
        Cop().Update();
        if (!c.engages) {
            EXPECT_EQ(Police::STATE_PATROLLING, Cop().GetState());
            EXPECT_FALSE(m_pCar->m_bBurnt);
            continue;
        }
        EXPECT_EQ(Police::STATE_CHASING, Cop().GetState());
        EXPECT_EQ(m_pPlayer.get(), Cop().GetTarget());
        ASSERT_TRUE(m_pAgent->m_u8ChaseActive);
        EXPECT_EQ(Chase::STATE_PURSUIT, m_pAgent->GetChaseController()->GetState());
        EXPECT_EQ(m_pPlayer.get(), m_pAgent->GetChaseController()->GetChase().m_Target.m_pActor);
        EXPECT_TRUE(m_pCar->m_bBurnt) << "nobody gets into a chasing police car";
    }
}

TEST_F(Policeman, HeNeverChasesHimselfNorATargetNoLongerFound)
{
    Patrol();
    Officer().m_fWantedLevel = 3.0f;
    SetPlayerActor(&Officer());
    Cop().Update();
    EXPECT_EQ(Police::STATE_PATROLLING, Cop().GetState()) << "his own murder reports made him wanted";

    SetPlayerActor(m_pPlayer.get());
    PlacePlayer(EAST * 10.0f, 0.0f);
    Cop().SetTarget(m_pPlayer.get());
    Cop().Update();
    EXPECT_EQ(Police::STATE_PATROLLING, Cop().GetState()) << "a kept target is not wanted now";
}

TEST_F(Policeman, TheChaseSlowsNearATargetOnFootAndHeGetsOutOnceItStops)
{
    Patrol();
    PlacePlayer(EAST * 30.0f, 3.0f);
    Cop().Update();
    Chase& chase = *m_pAgent->GetChaseController();
    ASSERT_EQ(Chase::STATE_PURSUIT, chase.GetState());
    struct Step {
        float distanceSq;
        int chaseState;
    } const steps[] = {
        {400.0f, Chase::STATE_PURSUIT}, {399.0f, Chase::STATE_STOPPING},
        {500.0f, Chase::STATE_STOPPING}, {501.0f, Chase::STATE_PURSUIT},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.distanceSq);
        PlacePlayer(EAST * std::sqrt(step.distanceSq), 3.0f);
        Cop().Update();
        EXPECT_EQ(step.chaseState, ChaseState());
        chase.ProcessStateChange();
        EXPECT_EQ(Police::STATE_CHASING, Cop().GetState());
    }

    chase.SetState(Chase::STATE_IDLE);
    chase.ProcessStateChange();
    Cop().Update();
    EXPECT_EQ(Police::STATE_PURSUING_ON_FOOT, Cop().GetState());
    EXPECT_FALSE(m_pCar->m_bBurnt);
    EXPECT_EQ(1u, Cop().GetStateStack().GetSize());
    EXPECT_EQ(m_pCar, Cop().m_pCar);
    EXPECT_EQ(m_pPlayer.get(), Cop().GetTarget());
    EXPECT_EQ(ACTION_STATE_RELEASED, Action(ACTION_GET_IN_CAR));
}

// The target 25 units off at a bearing from his facing (north).
TEST_F(Policeman, HeTurnsHisAimTowardTheTargetFasterWhenItIsBehind)
{
    struct Case {
        float degrees;
        int sign;
        float gain;
    } const cases[] = {
        {60.0f, 1, 900.0f}, {-60.0f, -1, 900.0f}, {135.0f, 1, 1200.0f}, {-135.0f, -1, 1200.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        OnFoot(m_pPlayer.get());
        PlacePlayer(Bearing(c.degrees, 25.0f), 3.0f);
        Cop().Update();
        const float turn = Axis(AXIS_TURN);
        EXPECT_EQ(c.sign, turn > 0.0f ? 1 : -1);
        EXPECT_LE(std::fabs(turn), c.gain * FRAME_SECONDS * 1.0001f);
        EXPECT_GT(std::fabs(turn), 0.5f * c.gain * FRAME_SECONDS);
        EXPECT_NE(ACTION_STATE_HELD, Action(ACTION_FIRE)) << "never at a target off his aim";
    }

    // Before the display has a projection he still turns, by finite amounts.
    D3DXMatrixIdentity(&g_matProjection);
    g_matProjection._11 = 0.0f;
    g_matProjection._22 = 0.0f;
    Cop().Update();
    EXPECT_TRUE(std::isfinite(Axis(AXIS_TURN)));
    EXPECT_TRUE(std::isfinite(Axis(AXIS_PITCH)));
}

TEST_F(Policeman, HeFiresOnceHisAimSettlesOnATargetWithin31Units)
{
    struct Case {
        float distanceSq;
        bool fires;
    } const cases[] = {{999.0f, true}, {1001.0f, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distanceSq);
        OnFoot(m_pPlayer.get());
        PlacePlayer(Bearing(20.0f, std::sqrt(c.distanceSq)), 3.0f);
        EXPECT_EQ(c.fires, AimsAndFires(600));
    }
}

// A box between him and the target 20 units north: walls (collision group
// 1) stop the shot, other shapes do not.
TEST_F(Policeman, AWallInTheLineOfFireStopsTheShot)
{
    NxScene& scene = *g_Physics.GetScene();
    for (NxCollisionGroup group : {1u, 0u}) {
        SCOPED_TRACE(group);
        NxBoxShapeDesc box;
        box.dimensions = NxVec3(4.0f, 6.0f, 0.25f);
        box.group = group;
        NxActorDesc desc;
        desc.shapes.push_back(&box);
        desc.globalPose.t = NxVec3(0.0f, 0.0f, 10.0f);
        NxActor* wall = scene.createActor(desc);
        ASSERT_NE(nullptr, wall);
        OnFoot(m_pPlayer.get());
        PlacePlayer(NORTH * 20.0f, 3.0f);
        EXPECT_EQ(group != 1u, AimsAndFires(600));
        scene.releaseActor(*wall);
    }
}

TEST_F(Policeman, OnFootHeWalksBetween10And45UnitsAndGoesBackToHisCarBeyond)
{
    struct Case {
        float distanceSq;
        bool walks;
        int state;
    } const cases[] = {
        {100.0f, false, Police::STATE_PURSUING_ON_FOOT}, {101.0f, true, Police::STATE_PURSUING_ON_FOOT},
        {2024.0f, true, Police::STATE_PURSUING_ON_FOOT}, {2025.0f, false, Police::STATE_PURSUING_ON_FOOT},
        {2026.0f, false, Police::STATE_BACK_TO_CAR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distanceSq);
        OnFoot(m_pPlayer.get());
        Cop().m_pCar = m_pCar;
        PlacePlayer(NORTH * std::sqrt(c.distanceSq), 3.0f);
        Cop().Update();
        EXPECT_EQ(c.walks, Action(ACTION_GAS) == ACTION_STATE_HELD);
        EXPECT_EQ(c.state, Cop().GetState());
    }
}

// His car at the origin; he stands north of it facing south, toward it.
TEST_F(Policeman, BackAtHisCarHeStopsWithin10UnitsAndAComingTargetSendsHimOnFoot)
{
    struct Case {
        float distance;
        bool walks;
    } const cases[] = {{12.0f, true}, {9.8f, false}}; // 10 units from 1.5 above the car
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        OnFoot(m_pPlayer.get());
        const D3DXVECTOR3 at = NORTH * c.distance;
        Officer().m_Model.SetPosition(&at);
        Face(180.0f);
        Cop().m_pCar = m_pCar;
        m_pCar->m_bInWorld = true;
        PlacePlayer(NORTH * 200.0f, 3.0f);
        Enter(Police::STATE_BACK_TO_CAR);
        Cop().Update();
        EXPECT_EQ(c.walks, Action(ACTION_GAS) == ACTION_STATE_HELD);
        EXPECT_EQ(m_pCar, Cop().m_pCar);
    }
    PlacePlayer(NORTH * (9.8f + 19.9f), 3.0f);
    Cop().Update();
    EXPECT_EQ(Police::STATE_PURSUING_ON_FOOT, Cop().GetState());

    // His car exactly behind him: he turns about.
    Enter(Police::STATE_BACK_TO_CAR);
    PlacePlayer(NORTH * 200.0f, 3.0f);
    Face(0.0f);
    Cop().Update();
    EXPECT_FLOAT_EQ(1200.0f * FRAME_SECONDS, Axis(AXIS_TURN));

    // A car someone drives off in is forgotten.
    Enter(Police::STATE_BACK_TO_CAR);
    PlacePlayer(NORTH * 200.0f, 3.0f);
    m_pCar->m_bInWorld = false;
    Cop().Update();
    EXPECT_EQ(nullptr, Cop().m_pCar);
}

// Under AddressSanitizer: nothing reads the freed actor afterwards.
TEST_F(Policeman, ADestroyedTargetIsForgottenMidChaseAndInHisStack)
{
    Patrol();
    auto wanted = std::make_unique<CGameActor>();
    wanted->m_fWantedLevel = 3.0f;
    SetPlayerActor(wanted.get());
    const D3DXVECTOR3 at = EAST * 30.0f;
    wanted->m_Model.SetPosition(&at);
    Cop().Update();
    ASSERT_EQ(Police::STATE_CHASING, Cop().GetState());
    Cop().PushState();
    SetPlayerActor(m_pPlayer.get());
    wanted.reset();
    EXPECT_EQ(nullptr, Cop().GetTargetObject());
    EXPECT_EQ(nullptr, Cop().GetStateStack().Top().m_Block.m_Target.m_pObject);
    EXPECT_EQ(nullptr, m_pAgent->GetChaseController()->GetChase().m_Target.m_pObject);
    Cop().Update();
    m_pAgent->GetChaseController()->Update();
    EXPECT_EQ(Chase::STATE_STOPPING, m_pAgent->GetChaseController()->GetState()) << "the chase stops";

    // On foot without a target he neither aims nor walks.
    Enter(Police::STATE_PURSUING_ON_FOOT);
    Cop().Update();
    EXPECT_EQ(0.0f, Axis(AXIS_TURN));
    EXPECT_EQ(ACTION_STATE_IDLE, Action(ACTION_GAS));
}

} // namespace
