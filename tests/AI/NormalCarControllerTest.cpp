// The traffic driver on the AI world's road square, its car a box on a
// physics actor that is never stepped: each test sets where the car stands,
// where it heads and how fast it goes, runs the driver's updates and reads
// the car keys it holds and the state it is in.

#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/AIWorld.h"
#include "AI/NormalCarController.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "support/RandomDraws.h"
#include "support/ShippedScripts.h"

namespace {

typedef CNormalCarController Traffic;

enum {
    GAS = CCar::ACTION_GAS,
    BRAKE = CCar::ACTION_BRAKE,
    LEFT = CCar::ACTION_TURN_LEFT,
    RIGHT = CCar::ACTION_TURN_RIGHT,
    HORN = CCar::ACTION_HORN,
    HAND_BRAKE = CCar::ACTION_HAND_BRAKE,
};
const float FRAME_SECONDS = AIWorld::FRAME_MILLISECONDS / 1000.0f;
const D3DXVECTOR3 ORIGIN(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 NORTH(0.0f, 0.0f, 1.0f);
const D3DXVECTOR3 EAST(1.0f, 0.0f, 0.0f);
const D3DXVECTOR3 CAR_AT(20.0f, 0.0f, 20.0f);

typedef std::set<int> Keys;

class TrafficDriver : public AIWorld {
protected:
    void SetUp() override
    {
        StartPhysics();
        AIWorld::SetUp();
        LoadGround();
        m_pCar = MakeCar();
        m_Driver.Start();
        m_Driver.SetCar(m_pCar.get());
    }
    void TearDown() override
    {
        g_Player.m_pCar = nullptr;
        if (m_pLevel != nullptr)
            m_pLevel->GetActiveCars().clear();
        m_Others.clear();
        m_pCar.reset();
        AIWorld::TearDown();
    }

    std::unique_ptr<CCar> MakeCar()
    {
        CCar* prototype = nullptr;
        g_AssetManager.GetAsset(CAR, prototype, true);
        auto car = std::make_unique<CCar>(*prototype);
        g_Physics.CreateBoxActor(true, &car->m_PhysicsObject.m_pActor);
        return car;
    }
    // The driven car at `at`, heading `heading` at `speed` along it.
    void Place(const D3DXVECTOR3& at, const D3DXVECTOR3& heading, float speed = 0.0f)
    {
        PlaceCar(*m_pCar, at, heading, heading * speed);
    }
    // Another car in the level's list.
    CCar& OtherCar(const D3DXVECTOR3& at, const D3DXVECTOR3& heading)
    {
        m_Others.push_back(MakeCar());
        PlaceCar(*m_Others.back(), at, heading, ORIGIN);
        m_pLevel->GetActiveCars().push_back(m_Others.back().get());
        return *m_Others.back();
    }
    void Enter(int state)
    {
        m_Driver.SetState(state);
        m_Driver.ProcessStateChange();
    }
    // Drives to `point` at the squared limit.
    void DriveTo(const D3DXVECTOR3& point, float limitSq)
    {
        m_Driver.SetTarget(&point, true);
        m_Driver.SetSpeedLimit(&limitSq, true);
        Enter(Traffic::STATE_DRIVING_TO_POS);
    }
    // Drives to road node `n` from where it stands.
    void DriveToNode(size_t n)
    {
        m_Driver.SetRoadNode(RoadNode(n), 0);
        Enter(Traffic::STATE_DRIVING_TO_NODE);
    }
    // A fresh driver to `to`, its track starting at `from`, with no node.
    void FollowTrack(const D3DXVECTOR3& from, const D3DXVECTOR3& to, float limitSq)
    {
        m_Driver.Init();
        m_Driver.Start();
        m_Driver.SetCar(m_pCar.get());
        m_Driver.SetTarget(&from, true);
        m_Driver.SetTarget(&to, true);
        m_Driver.SetSpeedLimit(&limitSq, true);
        Enter(Traffic::STATE_DRIVING_TO_NODE);
    }
    // The car keys held after one update; no other action is touched.
    Keys Update()
    {
        m_Driver.Update();
        Keys held;
        const uint8_t* actions = m_Driver.GetActionCounters();
        for (int action = 0; action < CAIController::ACTION_COUNT; ++action) {
            if (action >= GAS && action <= HAND_BRAKE && actions[action] == ACTION_STATE_HELD)
                held.insert(action);
            else
                EXPECT_EQ(0, actions[action]) << action;
        }
        return held;
    }
    int State() const { return m_Driver.GetState(); }

    Traffic m_Driver;
    std::unique_ptr<CCar> m_pCar;
    std::vector<std::unique_ptr<CCar>> m_Others;
};

// The target is given by where it lies from the car heading north: `side`
// (positive to the left) and `back` (positive behind) make its direction.
TEST_F(TrafficDriver, SteersAndHoldsThePedalsByWhereTheTargetLiesAndHowFastTheCarGoes)
{
    const float limitSq = 250.0f;
    struct Case {
        const char* name;
        float side, back, distance;
        D3DXVECTOR3 velocity;
        float delay;
        Keys held;
        bool deciding;
    };
    const float ahead = -std::sqrt(1.0f - 0.101f * 0.101f);
    const float nearAhead = -std::sqrt(1.0f - 0.099f * 0.099f);
    const D3DXVECTOR3 still = ORIGIN;
    // Squared speeds of 75 (0.3 of the limit), 125 (0.5), 100 and 400.
    const D3DXVECTOR3 v75(1.0f, 5.0f, 7.0f), v125(10.0f, 0.0f, 5.0f), v100 = NORTH * 10.0f, v400 = NORTH * 20.0f;
    const D3DXVECTOR3 v74(1.0f, 0.0f, 8.544003f), v126(10.0f, 1.0f, 5.0f);
    const Case cases[] = {
        {"straight on, slow", 0.0f, -1.0f, 30.0f, still, 0.0f, {GAS}, false},
        {"straight on at the limit", 0.0f, -1.0f, 30.0f, D3DXVECTOR3(15.0f, 0.0f, 5.0f), 0.0f, {}, false},
        {"straight on inside the band", 0.099f, nearAhead, 30.0f, v400, 0.0f, {}, false},
        {"left beyond the band", 0.101f, ahead, 30.0f, still, 0.0f, {LEFT, GAS}, false},
        {"right beyond the band", -0.101f, ahead, 30.0f, v100, 0.0f, {RIGHT}, false},
        {"turning just below 0.3", 0.5f, -0.866f, 30.0f, v74, 0.0f, {LEFT, GAS}, false},
        {"turning at 0.3", 0.5f, -0.866f, 30.0f, v75, 0.0f, {LEFT}, false},
        {"turning at 0.5", -0.5f, -0.866f, 30.0f, v125, 0.0f, {RIGHT}, false},
        {"turning above 0.5", -0.5f, -0.866f, 30.0f, v126, 0.0f, {RIGHT, HAND_BRAKE}, false},
        // S = 10² / (2 x 4) = 12.5: reached behind within 19.2 m.
        {"behind, within reach", 0.0f, 1.0f, 19.0f, v100, 0.0f, {RIGHT}, true},
        {"behind, out of reach", 0.0f, 1.0f, 19.5f, v100, 0.0f, {RIGHT}, false},
        {"behind inside the band", 0.099f, -nearAhead, 19.0f, v100, 0.0f, {RIGHT}, true},
        {"standing, behind", 0.0f, 1.0f, 7.0f, still, 0.0f, {RIGHT, GAS}, false},
        {"fleeing: at least 65 mph", 0.0f, -1.0f, 30.0f, v400, 1.0f, {GAS}, false},
        {"not fleeing", 0.0f, -1.0f, 30.0f, v400, 0.0f, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaceCar(*m_pCar, CAR_AT, NORTH, c.velocity);
        DriveTo(CAR_AT + D3DXVECTOR3(-c.side, 0.0f, -c.back) * c.distance, limitSq);
        m_Driver.SetDelay(c.delay);
        EXPECT_EQ(c.held, Update());
        EXPECT_EQ(c.deciding ? Traffic::STATE_DECIDING_ON_NEW_POS : Traffic::STATE_DRIVING_TO_POS, State());
    }
    // Fleeing above 65 mph: the limit and 15 mph more.
    PlaceCar(*m_pCar, CAR_AT, NORTH, D3DXVECTOR3(30.0f, 0.0f, 5.0f));
    const float fast = 900.0f;
    DriveTo(CAR_AT + NORTH * 30.0f, fast);
    EXPECT_EQ(Keys{}, Update());
    m_Driver.SetDelay(1.0f);
    EXPECT_EQ(Keys{GAS}, Update()) << "925 is below 900 + 44.9625";
}

TEST_F(TrafficDriver, ATargetWithinTheSquareRootOf45IsReached)
{
    Place(CAR_AT, NORTH);
    const struct {
        D3DXVECTOR3 offset;
        int state;
    } cases[] = {{D3DXVECTOR3(3.0f, 0.1f, 6.0f), Traffic::STATE_DRIVING_TO_POS},
                 {D3DXVECTOR3(3.0f, 0.0f, 6.0f), Traffic::STATE_DECIDING_ON_NEW_POS}};
    for (const auto& c : cases) {
        DriveTo(CAR_AT + c.offset, 250.0f);
        const Keys held = Update();
        EXPECT_EQ(c.state, State()) << c.offset.y;
        EXPECT_EQ(c.state == Traffic::STATE_DRIVING_TO_POS, !held.empty()) << "arrived: nothing held";
    }
    Update();
    EXPECT_EQ(Traffic::STATE_IDLE, State()) << "no node to go on to, nothing to go back to";
    EXPECT_EQ(nullptr, m_Driver.GetTarget());
}

// The track runs east along z = 0; the car heads east on it, `offset`
// metres to its left (negative: right), its target far ahead.
TEST_F(TrafficDriver, KeepsToTheTrackWithShortSteersSoonerTheFurtherOffItIs)
{
    const struct {
        float offset, interval;
        Keys held;
    } cases[] = {
        {0.61f, 0.5f, {RIGHT, GAS}},   {0.6f, 0.65f, {RIGHT, GAS}},  {0.46f, 0.65f, {RIGHT, GAS}},
        {0.45f, 0.9f, {RIGHT, GAS}},   {0.36f, 0.9f, {RIGHT, GAS}},  {0.35f, 1.15f, {RIGHT, GAS}},
        {0.11f, 1.15f, {RIGHT, GAS}},  {0.1f, 0.0f, {GAS}},          {-0.1f, 0.0f, {GAS}},
        {-0.11f, 1.15f, {LEFT, GAS}},  {-0.35f, 1.15f, {LEFT, GAS}}, {-0.36f, 0.9f, {LEFT, GAS}},
        {-0.45f, 0.9f, {LEFT, GAS}},   {-0.46f, 0.65f, {LEFT, GAS}}, {-0.6f, 0.65f, {LEFT, GAS}},
        {-0.61f, 0.5f, {LEFT, GAS}},
    };
    const D3DXVECTOR3 start = ORIGIN;
    const D3DXVECTOR3 far = EAST * 100.0f;
    const float limitSq = 400.0f;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        Place(D3DXVECTOR3(30.0f, 0.0f, c.offset), EAST);
        FollowTrack(start, far, limitSq);
        EXPECT_EQ(c.held, Update());
        EXPECT_FLOAT_EQ(c.interval, m_Driver.GetNavigation().m_fTrackInterval);
        if (c.interval == 0.0f)
            continue;
        EXPECT_EQ(Keys{GAS}, Update()) << "not again before the interval has run";
    }
    // Faster than half the limit (but below it): the correction lets go of the gas.
    Place(D3DXVECTOR3(30.0f, 0.0f, 0.7f), EAST, 15.0f);
    FollowTrack(start, far, limitSq);
    EXPECT_EQ(Keys{RIGHT}, Update());
    EXPECT_EQ(Keys{GAS}, Update()) << "steering alone holds it";
}

// 20 m/s at a deceleration of 5: 40 m to stop. Road node 1 stands at
// (60, 0, 10) and the car comes at it from the west.
TEST_F(TrafficDriver, StopsForAmberAndRedOnlyWhereItsStoppingDistanceEnds)
{
    m_pCar->m_fDeceleration = 5.0f;
    const struct {
        float distance;
        int light;
        float delay;
        bool stops;
    } cases[] = {
        {30.0f, cRoadnode::LIGHT_STOP, 0.0f, false},  {30.01f, cRoadnode::LIGHT_STOP, 0.0f, true},
        {65.0f, cRoadnode::LIGHT_STOP, 0.0f, true},   {65.01f, cRoadnode::LIGHT_STOP, 0.0f, false},
        {40.0f, cRoadnode::LIGHT_AMBER, 0.0f, true},  {40.0f, cRoadnode::LIGHT_GO, 0.0f, false},
        {40.0f, cRoadnode::LIGHT_STOP, 1.0f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.distance);
        SCOPED_TRACE(c.light);
        m_Driver.ClearPath();
        Place(D3DXVECTOR3(60.0f - c.distance, 0.0f, 10.0f), EAST, 20.0f);
        RoadNode(1)->SetLightState(c.light);
        DriveToNode(1);
        m_Driver.SetDelay(c.delay);
        Update();
        EXPECT_EQ(c.stops ? Traffic::STATE_STOPPING_N_WAITING : Traffic::STATE_DRIVING_TO_NODE, State());
        EXPECT_EQ(c.stops ? 1u : 0u, m_Driver.GetPath().GetSize());
    }

    m_Driver.ClearPath();
    RoadNode(1)->SetLightState(cRoadnode::LIGHT_STOP);
    Place(D3DXVECTOR3(20.0f, 0.0f, 10.0f), EAST, 20.0f);
    DriveToNode(1);
    m_Driver.SetDelay(0.0f);
    EXPECT_EQ(Keys{}, Update()) << "above the node's limit";
    ASSERT_EQ(Traffic::STATE_STOPPING_N_WAITING, State());
    EXPECT_EQ(Keys{BRAKE}, Update()) << "waiting: braking above 3 m/s";
    Place(D3DXVECTOR3(20.0f, 0.0f, 10.0f), EAST, 2.0f);
    EXPECT_EQ(Keys{}, Update());
    EXPECT_EQ(Traffic::STATE_STOPPING_N_WAITING, State()) << "red: still waiting";
    RoadNode(1)->SetLightState(cRoadnode::LIGHT_GO);
    Update();
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, State());
    EXPECT_EQ(RoadNode(1), m_Driver.GetNavigation().m_pNode);
    EXPECT_TRUE(m_Driver.GetPath().IsEmpty());
    EXPECT_EQ(Keys{GAS}, Update()) << "and drives on";
}

// The car stands at CAR_AT heading north; a person stands straight ahead.
TEST_F(TrafficDriver, StopsForAPersonAheadAndSoundsTheHornInItsRhythm)
{
    CAIControllerSet* walker = m_pLevel->AddAgent();
    const struct {
        bool player;
        float distance;
        bool stops;
    } cases[] = {{false, 19.9f, true}, {false, 20.1f, false}, {true, 18.6f, true}, {true, 18.8f, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.distance);
        const D3DXVECTOR3 at = CAR_AT + NORTH * c.distance;
        ASSERT_TRUE(walker->CreatePedestrian(ACTOR, c.player ? &ORIGIN : &at));
        g_PlayerActor = c.player ? &g_Player : nullptr;
        g_Player.m_Model.SetPosition(&at);
        g_Player.m_Model.UpdateWorldMatrix();
        m_Driver.ClearPath();
        Place(CAR_AT, NORTH);
        DriveToNode(2);
        Update();
        EXPECT_EQ(c.stops ? Traffic::STATE_STOPPING_N_WAITING : Traffic::STATE_DRIVING_TO_NODE, State());
    }
    g_PlayerActor = &g_Player;
    const D3DXVECTOR3 inTheWay = CAR_AT + NORTH * 10.0f;
    g_Player.m_Model.SetPosition(&inTheWay);
    g_Player.m_Model.UpdateWorldMatrix();
    Update();
    ASSERT_EQ(Traffic::STATE_STOPPING_N_WAITING, State());
    // The player stays in the way: the horn's rhythm, as runs of frames.
    std::vector<std::pair<bool, float>> runs;
    for (int frame = 0; frame < static_cast<int>(12.0f / FRAME_SECONDS); ++frame) {
        const bool horn = Update().count(HORN) != 0;
        if (runs.empty() || runs.back().first != horn)
            runs.push_back({horn, 0.0f});
        runs.back().second += FRAME_SECONDS;
    }
    const std::vector<std::pair<bool, float>> rhythm = {{false, 2.5f}, {true, 1.0f},    {false, 1.1f},
                                                        {true, 0.7f},  {false, 1.5f},   {true, 1.1111f},
                                                        {false, 1.11111f}, {true, 2.5f}};
    ASSERT_GE(runs.size(), rhythm.size());
    for (size_t run = 0; run < rhythm.size(); ++run) {
        EXPECT_EQ(rhythm[run].first, runs[run].first) << run;
        EXPECT_NEAR(rhythm[run].second, runs[run].second, 2.5f * FRAME_SECONDS) << run;
    }
    EXPECT_EQ(Traffic::STATE_STOPPING_N_WAITING, State());
    g_Player.m_Model.SetPosition(&ORIGIN);
    g_Player.m_Model.UpdateWorldMatrix();
    Update();
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, State()) << "the way is clear";
    EXPECT_EQ(RoadNode(2), m_Driver.GetNavigation().m_pNode);
}

// With S = 0 a car ahead makes the driver coast under 300 (squared), and
// wait under 100; braking is asked for under 200 but a car not under 100
// lets the driver go on.
TEST_F(TrafficDriver, CoastsBehindACarAheadAndWaitsCloseBehindIt)
{
    Place(CAR_AT, NORTH);
    CCar& ahead = OtherCar(CAR_AT + NORTH * 18.0f, NORTH);
    DriveToNode(2);
    Update();
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, State()) << "324 is not under 300";
    const auto moveAhead = [&](float distance) {
        PlaceCar(ahead, CAR_AT + NORTH * distance, NORTH, ORIGIN);
        return Update();
    };
    moveAhead(17.0f);
    EXPECT_EQ(Traffic::STATE_COASTING_N_WAITING, State());
    EXPECT_EQ(Keys{}, moveAhead(12.0f)) << "coasting holds nothing";
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, State()) << "144 is not under 100";
    moveAhead(12.0f);
    EXPECT_EQ(Traffic::STATE_COASTING_N_WAITING, State());
    moveAhead(9.9f);
    EXPECT_EQ(Traffic::STATE_STOPPING_N_WAITING, State());
    EXPECT_EQ(1u, m_Driver.GetPath().GetSize());
    moveAhead(9.9f);
    EXPECT_EQ(Traffic::STATE_STOPPING_N_WAITING, State());
    moveAhead(10.1f);
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, State()) << "beyond 100: on again";
    EXPECT_TRUE(m_Driver.GetPath().IsEmpty());
    EXPECT_EQ(RoadNode(2), m_Driver.GetNavigation().m_pNode);
}

TEST_F(TrafficDriver, SwervesRightOfThePlayersCarComingHeadOnThenGoesBackToItsNode)
{
    Place(CAR_AT, NORTH);
    CCar& player = OtherCar(CAR_AT + NORTH * 20.0f, -NORTH);
    g_PlayerActor = &g_Player;
    g_Player.m_pCar = &player;
    DriveToNode(2);
    Update();
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_POS, State());
    ASSERT_NE(nullptr, m_Driver.GetTarget());
    const D3DXVECTOR3 swerve = *m_Driver.GetTarget();
    EXPECT_FLOAT_EQ(CAR_AT.x + 8.0f, swerve.x) << "8 m to the right";
    EXPECT_FLOAT_EQ(CAR_AT.z + 19.0f, swerve.z) << "0.95 of the way";
    EXPECT_EQ(nullptr, m_Driver.GetNavigation().m_pNode);

    g_Player.m_pCar = nullptr;
    g_PlayerActor = nullptr;
    Place(swerve, NORTH);
    Update();
    EXPECT_EQ(Traffic::STATE_DECIDING_ON_NEW_POS, State());
    Update();
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, State());
    EXPECT_EQ(RoadNode(2), m_Driver.GetNavigation().m_pNode) << "back to the node it drove to";
    EXPECT_TRUE(m_Driver.GetPath().IsEmpty());

    // Coming the same way is no threat.
    PlaceCar(player, CAR_AT + NORTH * 15.0f, NORTH, ORIGIN);
    g_PlayerActor = &g_Player;
    g_Player.m_pCar = &player;
    Place(CAR_AT, NORTH);
    DriveToNode(2);
    Update();
    EXPECT_EQ(Traffic::STATE_COASTING_N_WAITING, State()) << "only a car ahead";
}

// Road node 3 is given links to nodes 2, 0 and 1, in that order; the car
// stands in the middle of the square.
TEST_F(TrafficDriver, TakesTheOnlyLinkARandomOneOrWhileFleeingTheOneLeadingAway)
{
    const D3DXVECTOR3 middle(35.0f, 0.0f, 35.0f);
    Place(middle, NORTH);
    const auto decide = [&](size_t node) {
        m_Driver.SetRoadNode(RoadNode(node), 9);
        Enter(Traffic::STATE_DECIDING_ON_NEW_POS);
        const CRandomTable before = g_RandomTable;
        Update();
        EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, State());
        EXPECT_EQ(9, m_Driver.GetNavigation().m_NodeFlag) << "the flag goes on";
        return DrawsSince(before);
    };
    EXPECT_EQ(0, decide(0)) << "one link: no draw";
    EXPECT_EQ(RoadNode(1), m_Driver.GetNavigation().m_pNode);

    for (size_t link : {2, 0, 1})
        RoadNode(3)->AddLink(RoadNode(link));
    const struct {
        int drawn;
        size_t node;
    } draws[] = {{7, 0}, {9, 2}, {5, 1}};
    for (const auto& d : draws) {
        g_RandomTable.SetUpcoming({d.drawn});
        EXPECT_EQ(1, decide(3)) << d.drawn;
        EXPECT_EQ(RoadNode(d.node), m_Driver.GetNavigation().m_pNode) << d.drawn;
    }

    // Fled from the north: nodes 0 and 1 lead away alike, node 0 comes first.
    m_Driver.m_AlarmPoint = D3DXVECTOR3(35.0f, 0.0f, 100.0f);
    m_Driver.SetDelay(1.0f);
    EXPECT_EQ(0, decide(3));
    EXPECT_EQ(RoadNode(0), m_Driver.GetNavigation().m_pNode);
    m_Driver.m_AlarmPoint = D3DXVECTOR3(0.0f, 0.0f, 60.0f);
    m_Driver.SetDelay(1.0f);
    EXPECT_EQ(0, decide(3));
    EXPECT_EQ(RoadNode(1), m_Driver.GetNavigation().m_pNode) << "fled from the west";
}

TEST_F(TrafficDriver, StoppingBrakesDownToWalkingPaceThenIdles)
{
    Place(CAR_AT, NORTH, 5.0f);
    Enter(Traffic::STATE_STOPPING);
    EXPECT_EQ(Keys{BRAKE}, Update());
    EXPECT_EQ(Traffic::STATE_STOPPING, State());
    Place(CAR_AT, NORTH, 3.0f);
    EXPECT_EQ(Keys{}, Update());
    EXPECT_EQ(Traffic::STATE_IDLE, State());
}

class ShippedTraffic : public AIWorld {
protected:
    void SetUp() override
    {
        UseShippedContent();
        AIWorld::SetUp();
    }
};

// A car without a deceleration would see a red light as never within reach.
TEST_F(ShippedTraffic, EveryCarKindBrakes)
{
    for (const char* name : SHIPPED_CARS) {
        CCar* car = nullptr;
        g_AssetManager.GetAsset(name, car, true);
        EXPECT_GT(car->m_fDeceleration, 0.0f) << name;
    }
}

} // namespace
