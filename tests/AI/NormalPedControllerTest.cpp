// A pedestrian's controller on its own, with an actor that the test turns
// and moves by hand: the walk to its target, the turns, the dive from a car
// about to run it down and the getting up, the flight from an alarm, the
// choice of the next sidewalk node, and leaving a car.

#include <algorithm>
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "AI/AIWorld.h"
#include "AI/NormalPedController.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Display/AnimatedObject.h"
#include "support/RandomDraws.h"
#include "support/ShippedScripts.h"

namespace {

using Ped = CNormalPedController;

const float FRAME_SECONDS = AIWorld::FRAME_MILLISECONDS / 1000.0f;
const float MPH = 0.44704f;
const float TURN_SPEED = 0.004f;
const float RUN_SPEED = 6.0f;
const D3DXVECTOR3 ORIGIN(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 UP(0.0f, 1.0f, 0.0f);
enum { ACTION_WALK = 10, ACTION_GAS = 14, ACTION_GET_IN_CAR = 22, AXIS_TURN = 2 };

// A heading about the vertical, from +z toward +x.
D3DXVECTOR3 Heading(float degrees)
{
    const float radians = D3DXToRadian(degrees);
    return D3DXVECTOR3(std::sin(radians), 0.0f, std::cos(radians));
}

float AngleBetween(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return D3DXToDegree(std::acos(std::min(1.0f, D3DXVec3Dot(&a, &b) / D3DXVec3Length(&a) / D3DXVec3Length(&b))));
}

class Pedestrians : public AIWorld {
protected:
    void SetUp() override
    {
        AIWorld::SetUp();
        LoadGround();
        m_Ped.Start();
        auto actor = std::make_unique<CGameActor>();
        actor->m_fTurnSpeed = TURN_SPEED;
        actor->m_fRunSpeed = RUN_SPEED;
        m_Ped.SetActor(std::move(actor));
        Place(ORIGIN, 0.0f);
    }

    CGameActor& Actor() { return *m_Ped.GetActor(); }
    // Stands the actor at `position` facing `degrees` from +z toward +x.
    void Place(const D3DXVECTOR3& position, float degrees)
    {
        cObject& model = Actor().m_Model;
        D3DXMatrixRotationY(&model.m_matObject, D3DXToRadian(degrees));
        model.SetPosition(&position);
        model.UpdateWorldMatrix();
    }
    // What the actor's own update makes of the turn axis.
    void ApplyTurn()
    {
        Actor().m_Model.RotateAboutAxis(UP, Actor().m_fTurnSpeed * m_Ped.GetAxisValues()[AXIS_TURN]);
    }
    void Enter(int state)
    {
        m_Ped.SetState(state);
        m_Ped.ProcessStateChange();
    }
    // Walking toward a point of its own.
    void WalkTo(const D3DXVECTOR3& target)
    {
        m_Ped.SetTarget(&target, true);
        Enter(Ped::STATE_WALKING);
    }
    // A car `distance` from the actor on the -z side, heading `degrees` off
    // straight at it.
    CCar& CarComing(float distance, float degrees, float mph)
    {
        return AddMovingCar(D3DXVECTOR3(0.0f, 0.0f, -distance), Heading(degrees) * (mph * MPH));
    }
    // Updates, turning the actor as it asks, until the state leaves `state`; the updates run.
    int UpdateWhile(int state, int most)
    {
        int updates = 0;
        while (m_Ped.GetState() == state && updates < most) {
            m_Ped.Update();
            ApplyTurn();
            ++updates;
        }
        return updates;
    }
    uint8_t Action(int action) const { return m_Ped.GetActionCounters()[action]; }
    float Turn() const { return m_Ped.GetAxisValues()[AXIS_TURN]; }

    Ped m_Ped;
};

// One case per row edge. The pedestrian stands at the origin; the car comes
// from -z, its heading turned by the share of the lateral limit's sine.
TEST_F(Pedestrians, TheDiveTableWantsFastCarsAimedTrueFarOffAndAlmostAnyCarClose)
{
    const struct {
        const char* name;
        float distanceSq;
        float lateral; // sine of the heading's angle off the pedestrian
        float mph;
        bool dives;
    } cases[] = {
        {"beyond 300 at 40 mph", 301.0f, 0.0f, 40.0f, false},
        {"beyond 300 at 46 mph", 301.0f, 0.0f, 46.0f, true},
        {"beyond 300, just off the line", 400.0f, 0.038f, 60.0f, false},
        {"beyond 300, just on the line", 400.0f, 0.037f, 60.0f, true},
        {"289 at 34 mph", 289.0f, 0.0f, 34.0f, false},
        {"289 at 36 mph", 289.0f, 0.0f, 36.0f, true},
        {"150 at 14 mph", 150.0f, 0.0f, 14.0f, false},
        {"150 just off the line", 150.0f, 0.046f, 16.0f, false},
        {"150 just on the line", 150.0f, 0.044f, 16.0f, true},
        {"75 at 5.1 mph, 0.08 off", 75.0f, 0.08f, 5.1f, true},
        {"75 just off the line", 75.0f, 0.086f, 10.0f, false},
        {"30 at 2.9 mph", 30.0f, 0.0f, 2.9f, false},
        {"30 at 3.1 mph, 0.099 off", 30.0f, 0.099f, 3.1f, true},
        {"under 15 on the line at a crawl", 14.9f, 0.0f, 0.5f, true},
        {"under 15 a hair off the line", 14.9f, 0.001f, 30.0f, false},
        {"under 15 standing still", 14.9f, 0.0f, 0.0f, false},
        {"beyond the watched range", 801.0f, 0.0f, 80.0f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Enter(Ped::STATE_IDLE);
        CCar& car = CarComing(std::sqrt(c.distanceSq), D3DXToDegree(std::asin(c.lateral)), c.mph);
        m_Ped.Update();
        EXPECT_EQ(c.dives ? Ped::STATE_TURNING_THEN_DIVING : Ped::STATE_IDLE, m_Ped.GetState());
        m_pLevel->GetActiveCars().remove(&car);
        m_Ped.ClearStateStack();
    }

    // A car driving away, straight out from the pedestrian, is no threat.
    Enter(Ped::STATE_IDLE);
    AddMovingCar(D3DXVECTOR3(0.0f, 0.0f, -10.0f), Heading(180.0f) * (50.0f * MPH));
    m_Ped.Update();
    EXPECT_EQ(Ped::STATE_IDLE, m_Ped.GetState());
}

// Turn a quarter to the positive side, leap, lie 5 s, walk on.
TEST_F(Pedestrians, AfterTheDiveItLiesFiveSecondsAndWalksOnToTheSameTarget)
{
    LoadCharacterScripts();
    cObject* lizard = nullptr;
    g_AssetManager.GetAsset("LizardObj", lizard, true);
    Actor().m_Model = *lizard;
    Place(ORIGIN, 0.0f);

    const D3DXVECTOR3 goal(0.0f, 0.0f, 30.0f);
    WalkTo(goal);
    CCar& car = CarComing(20.0f, 0.0f, 50.0f);
    m_Ped.Update();
    ASSERT_EQ(Ped::STATE_TURNING_THEN_DIVING, m_Ped.GetState());
    EXPECT_EQ(Ped::STATE_WALKING, m_Ped.GetStateStack().Top().m_State);
    car.m_PhysicsObject.m_vVelocity = ORIGIN;

    const int turning = UpdateWhile(Ped::STATE_TURNING_THEN_DIVING, 100);
    // A quarter turn at 1800 a second.
    EXPECT_NEAR(D3DX_PI / 2.0f / (1800.0f * TURN_SPEED * FRAME_SECONDS), turning, 2.0f);
    EXPECT_NEAR(90.0f, AngleBetween(Heading(0.0f), Actor().m_Model.m_vFacing), 8.0f);
    const D3DXVECTOR3 positiveSide = Heading(90.0f);
    EXPECT_GT(D3DXVec3Dot(&Actor().m_Model.m_vFacing, &positiveSide), 0.9f) << "to the positive side";
    ASSERT_EQ(Ped::STATE_DIVING, m_Ped.GetState());
    EXPECT_TRUE(Actor().m_bDodging);

    // The actor has not run yet: still ready from before the leap.
    m_Ped.Update();
    EXPECT_EQ(Ped::STATE_DIVING, m_Ped.GetState()) << "not over before it starts";
    Actor().m_bDodgeReady = false;
    Actor().m_Model.SetAnimation("JumpOutWay");
    m_Ped.Update();
    EXPECT_EQ(Ped::STATE_DIVING, m_Ped.GetState());
    Actor().m_bDodgeReady = true;
    Actor().m_bDodging = false;
    m_Ped.Update();
    ASSERT_EQ(Ped::STATE_GETTING_UP, m_Ped.GetState());

    const int lying = UpdateWhile(Ped::STATE_GETTING_UP, 400);
    EXPECT_NEAR(5.0f / FRAME_SECONDS, lying, 1.0f);
    EXPECT_STREQ("Idle", Actor().m_Model.GetAnimationName());
    EXPECT_EQ(Ped::STATE_WALKING, m_Ped.GetState());
    EXPECT_TRUE(m_Ped.GetStateStack().IsEmpty());
    EXPECT_FALSE(m_Ped.GetStateStack().IsReturning());
    ASSERT_NE(nullptr, m_Ped.GetTarget());
    EXPECT_EQ(goal, *m_Ped.GetTarget());
}

// The actor at the origin facing +z; the target 20 m off at an angle from
// its facing (c = -cos, s = -sin of it).
TEST_F(Pedestrians, AWalkerSteersTowardItsTargetAndTurnsOnTheSpotForOneBehind)
{
    const struct {
        const char* name;
        float degrees;
        float distance;
        int state;
        float limit;
        int side;
        float turn; // of 1200 x frame time
        bool walk;
    } cases[] = {
        {"arrived, at 25 squared", 0.0f, 5.0f, Ped::STATE_DECIDING_ON_NEW_POS, 0, 0, 0, false},
        {"ahead", 0.0f, 5.01f, Ped::STATE_WALKING, 0, 0, 0, true},
        {"just inside the steering dead zone", 2.0f, 20.0f, Ped::STATE_WALKING, 0, 0, 0, true},
        {"right, beyond the dead zone", 3.0f, 20.0f, Ped::STATE_WALKING, 0, 0, 1, true},
        {"left", -60.0f, 20.0f, Ped::STATE_WALKING, 0, 0, -1, true},
        {"behind, nearly abeam: a quarter turn", 92.0f, 20.0f, Ped::STATE_TURNING, 0.0f, 1, 0, false},
        {"behind, halfway", 120.0f, 20.0f, Ped::STATE_TURNING, 0.5f, 1, 0, false},
        {"behind, halfway, left", -120.0f, 20.0f, Ped::STATE_TURNING, 0.5f, 0, 0, false},
        {"nearly straight behind: a little at a time", 165.0f, 20.0f, Ped::STATE_TURNING, -0.95f, 1, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_Ped.ClearStateStack();
        Place(ORIGIN, 0.0f);
        WalkTo(Heading(c.degrees) * c.distance);
        m_Ped.Update();
        EXPECT_EQ(c.state, m_Ped.GetState());
        EXPECT_FLOAT_EQ(c.turn * 1200.0f * FRAME_SECONDS, Turn());
        EXPECT_EQ(c.walk ? 2 : 0, Action(ACTION_WALK));
        EXPECT_EQ(c.walk ? 2 : 0, Action(ACTION_GAS));
        if (c.state != Ped::STATE_TURNING)
            continue;
        EXPECT_NEAR(c.limit, m_Ped.GetTurn().m_fLimit, 1e-5f);
        EXPECT_EQ(c.side, m_Ped.GetTurn().m_u8Side);
        EXPECT_EQ(Ped::STATE_WALKING, m_Ped.GetStateStack().Top().m_State);
    }

    // A running delay: the walker runs, it does not walk.
    m_Ped.ClearStateStack();
    Enter(Ped::STATE_WALKING);
    Place(ORIGIN, 0.0f);
    m_Ped.m_AlarmPoint = D3DXVECTOR3(0.0f, 0.0f, -10.0f);
    g_RandomTable.SetUpcoming({CRandomTable::MAX_VALUE / 2});
    m_Ped.SetDelay(3.0f);
    m_Ped.Update();
    EXPECT_EQ(Ped::STATE_WALKING, m_Ped.GetState());
    EXPECT_EQ(2, Action(ACTION_GAS));
    EXPECT_EQ(0, Action(ACTION_WALK));
}

// TURNING turns the saved way to its limit and comes back; TURNING_180
// always turns to the positive side to 0.98.
TEST_F(Pedestrians, TurnsReachTheirLimitsAndComeBack)
{
    const D3DXVECTOR3 right(20.0f, 0.0f, 0.0f);
    WalkTo(right);
    m_Ped.TurnToTarget();
    m_Ped.ProcessStateChange();
    EXPECT_EQ(Ped::STATE_TURNING, m_Ped.GetState());
    EXPECT_NEAR(0.0f, m_Ped.GetTurn().m_fLimit, 1e-6f) << "minus the cosine of a quarter turn";
    EXPECT_EQ(1, m_Ped.GetTurn().m_u8Side);
    UpdateWhile(Ped::STATE_TURNING, 200);
    EXPECT_EQ(Ped::STATE_WALKING, m_Ped.GetState());
    EXPECT_NEAR(0.0f, AngleBetween(right, Actor().m_Model.m_vFacing), 3.0f) << "facing the target";

    m_Ped.SetTarget(nullptr, false);
    m_Ped.TurnToTarget();
    EXPECT_FALSE(m_Ped.IsChangePending()) << "no target, no turn";

    m_Ped.ClearStateStack();
    Place(ORIGIN, 0.0f);
    Enter(Ped::STATE_TURNING_180);
    EXPECT_FLOAT_EQ(0.98f, m_Ped.GetTurn().m_fLimit);
    m_Ped.Update();
    EXPECT_FLOAT_EQ(600.0f * FRAME_SECONDS, Turn());
    UpdateWhile(Ped::STATE_TURNING_180, 400);
    EXPECT_EQ(Ped::STATE_IDLE, m_Ped.GetState()) << "nothing saved: idle";
    EXPECT_NEAR(180.0f, AngleBetween(Heading(0.0f), Actor().m_Model.m_vFacing), 12.0f);

    // The other named turns stand still.
    for (int state : {Ped::STATE_TURNING_90, Ped::STATE_TURNING_270, Ped::STATE_TURNING_360, Ped::STATE_DRIVING}) {
        Enter(state);
        m_Ped.Update();
        EXPECT_EQ(state, m_Ped.GetState());
        EXPECT_EQ(0.0f, Turn());
    }
}

// A delay that runs sends a walker back along its way when that leads
// away, or anyone walking without a node or idle to a point straight away
// from the alarm, give or take 45 degrees, as far as it can run meanwhile.
TEST_F(Pedestrians, AnAlarmSendsThePedestrianAwayFromIt)
{
    // Between node 0 (5, 0, 5) and node 1 (5, 0, 30), walking to node 1.
    m_Ped.SetSidewalkNode(SidewalkNode(0));
    m_Ped.SetSidewalkNode(SidewalkNode(1));
    Enter(Ped::STATE_WALKING);
    Place(D3DXVECTOR3(5.0f, 0.0f, 17.0f), 0.0f);
    m_Ped.m_AlarmPoint = D3DXVECTOR3(5.0f, 0.0f, 0.0f);
    m_Ped.SetDelay(6.0f);
    EXPECT_EQ(SidewalkNode(1), m_Ped.GetSidewalkNode()) << "ahead leads away already";
    m_Ped.m_AlarmPoint = D3DXVECTOR3(5.0f, 0.0f, 40.0f);
    m_Ped.AddDelay(1.0f);
    EXPECT_EQ(SidewalkNode(0), m_Ped.GetSidewalkNode()) << "back the way it came";
    EXPECT_EQ(SidewalkNode(1), m_Ped.GetPreviousSidewalkNode());
    EXPECT_FLOAT_EQ(7.0f, m_Ped.GetDelay());

    // Idle at the origin, the alarm at -z: the way away is +z.
    const float delay = 5.0f;
    const struct {
        int32_t draw;
        float degrees;
    } draws[] = {{0, -45.0f}, {CRandomTable::MAX_VALUE, 45.0f}};
    for (const auto& d : draws) {
        SCOPED_TRACE(d.draw);
        Enter(Ped::STATE_IDLE);
        Place(ORIGIN, 0.0f);
        m_Ped.SetSidewalkNode(SidewalkNode(1));
        m_Ped.m_AlarmPoint = D3DXVECTOR3(0.0f, 0.0f, -10.0f);
        g_RandomTable.SetUpcoming({d.draw});
        m_Ped.SetDelay(delay);
        EXPECT_EQ(Ped::STATE_WALKING, m_Ped.GetNextState());
        EXPECT_EQ(nullptr, m_Ped.GetSidewalkNode());
        EXPECT_EQ(SidewalkNode(1), m_Ped.GetPreviousSidewalkNode());
        ASSERT_NE(nullptr, m_Ped.GetTarget());
        const D3DXVECTOR3 target = *m_Ped.GetTarget();
        EXPECT_NEAR(RUN_SPEED * delay, D3DXVec3Length(&target), 1e-3f);
        EXPECT_NEAR(45.0f, AngleBetween(Heading(0.0f), target), 1e-2f);
        EXPECT_EQ(d.degrees < 0.0f, target.x < 0.0f);
        m_Ped.ProcessStateChange();
    }

    // Out of its car, the alarm is where it stands: it stays put, no NaN.
    Enter(Ped::STATE_IDLE);
    Place(D3DXVECTOR3(3.0f, 0.0f, 4.0f), 0.0f);
    m_Ped.m_AlarmPoint = D3DXVECTOR3(3.0f, 0.0f, 4.0f);
    m_Ped.SetDelay(delay);
    ASSERT_NE(nullptr, m_Ped.GetTarget());
    EXPECT_EQ(m_Ped.m_AlarmPoint, *m_Ped.GetTarget());

    // Other states only take the delay; so does a controller without an actor.
    const D3DXVECTOR3 kept(1.0f, 0.0f, 1.0f);
    m_Ped.SetTarget(&kept, true);
    Enter(Ped::STATE_GETTING_UP);
    m_Ped.SetDelay(delay);
    EXPECT_EQ(kept, *m_Ped.GetTarget());
    EXPECT_FALSE(m_Ped.IsChangePending());
    Ped bare;
    bare.Start();
    bare.SetDelay(delay);
    bare.Update();
    EXPECT_EQ(delay, bare.GetDelay()) << "no actor: nothing runs";
}

// Node 0 has one link (to 1), node 1 two (to 0 at -z, to 2 at +x), node 2
// none. The actor stands on node 1.
TEST_F(Pedestrians, ANewNodeIsDrawnOrChosenAwayFromTheAlarm)
{
    const D3DXVECTOR3 onNode1 = *SidewalkNode(1)->GetPosition();
    const struct {
        const char* name;
        size_t node;
        float delay;
        D3DXVECTOR3 alarm;
        std::vector<int32_t> upcoming;
        int draws;
        int state;
        size_t next;
    } cases[] = {
        {"one link, no draw", 0, 0.0f, ORIGIN, {}, 0, Ped::STATE_WALKING, 1},
        {"two links drawn", 1, 0.0f, ORIGIN, {1}, 1, Ped::STATE_WALKING, 2},
        {"away: +x", 1, 3.0f, D3DXVECTOR3(0.0f, 0.0f, 30.0f), {}, 0, Ped::STATE_WALKING, 2},
        {"away: -z", 1, 3.0f, D3DXVECTOR3(5.0f, 0.0f, 40.0f), {}, 0, Ped::STATE_WALKING, 0},
        {"a tie keeps the first", 1, 3.0f, D3DXVECTOR3(0.0f, 0.0f, 35.0f), {}, 0, Ped::STATE_WALKING, 0},
        {"the alarm on the spot: the first", 1, 3.0f, onNode1, {}, 0, Ped::STATE_WALKING, 0},
        {"no links", 2, 0.0f, ORIGIN, {}, 0, Ped::STATE_IDLE, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Enter(Ped::STATE_DECIDING_ON_NEW_POS);
        Place(onNode1, 0.0f);
        m_Ped.SetSidewalkNode(nullptr);
        m_Ped.SetSidewalkNode(SidewalkNode(c.node));
        m_Ped.m_AlarmPoint = c.alarm;
        m_Ped.SetDelay(c.delay);
        if (!c.upcoming.empty())
            g_RandomTable.SetUpcoming(c.upcoming);
        const CRandomTable before = g_RandomTable;
        m_Ped.Update();
        EXPECT_EQ(c.draws, DrawsSince(before));
        EXPECT_EQ(c.state, m_Ped.GetState());
        EXPECT_EQ(SidewalkNode(c.next), m_Ped.GetSidewalkNode());
    }

    // A link-less spawn point hands over no node: no target, and the walker stands.
    Enter(Ped::STATE_WALKING);
    m_Ped.SetSidewalkNode(nullptr);
    EXPECT_EQ(nullptr, m_Ped.GetSidewalkNode());
    EXPECT_EQ(nullptr, m_Ped.GetTarget());
    m_Ped.Update();
    EXPECT_EQ(Ped::STATE_WALKING, m_Ped.GetState());
    EXPECT_EQ(0, Action(ACTION_GAS));
    Enter(Ped::STATE_DECIDING_ON_NEW_POS);
    m_Ped.Update();
    EXPECT_EQ(Ped::STATE_IDLE, m_Ped.GetState()) << "no node: idle";
}

TEST_F(Pedestrians, GettingOutReleasesTheCarKeyOnceAndTheCameraChasesTheActor)
{
    Enter(Ped::STATE_DRIVING);
    m_Ped.SetState(Ped::STATE_GETTING_OUT);
    m_Ped.Update();
    EXPECT_EQ(1, Action(ACTION_GET_IN_CAR)) << "released: the actor leaves the car";
    m_Ped.Update();
    EXPECT_EQ(0, Action(ACTION_GET_IN_CAR));

    const D3DXVECTOR3 far(60.0f, 0.0f, 80.0f);
    Place(far, 0.0f);
    D3DXVECTOR3 gap = m_Ped.GetCamera()->GetPosition() - far;
    EXPECT_GT(D3DXVec3Length(&gap), 50.0f);
    m_Ped.Update();
    gap = m_Ped.GetCamera()->GetPosition() - far;
    EXPECT_LT(D3DXVec3Length(&gap), 6.0f) << "behind and above the actor";
    EXPECT_LT(m_Ped.GetCamera()->GetPosition().z, far.z) << "behind it";
    EXPECT_EQ(&m_Ped, m_Ped.GetCamera()->m_pController);
}

} // namespace
