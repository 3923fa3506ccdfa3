// The chase driver in a box car on the AI world's flat ground: each test
// places the car, its target and other cars, runs updates and reads the car
// keys held and the state.

#include <cmath>
#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "AI/AIWorld.h"
#include "AI/ChaseCarController.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"

namespace {

typedef CChaseCarController Chase;
typedef std::set<int> Keys;

enum {
    GAS = CCar::ACTION_GAS,
    BRAKE = CCar::ACTION_BRAKE,
    LEFT = CCar::ACTION_TURN_LEFT,
    RIGHT = CCar::ACTION_TURN_RIGHT,
    HAND_BRAKE = CCar::ACTION_HAND_BRAKE,
};
const D3DXVECTOR3 ORIGIN(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 NORTH(0.0f, 0.0f, 1.0f);
const D3DXVECTOR3 EAST(1.0f, 0.0f, 0.0f);
const D3DXVECTOR3 CAR_AT(20.0f, 0.0f, 20.0f);

// `degrees` from north toward east, `distance` from the chaser.
D3DXVECTOR3 Bearing(float degrees, float distance)
{
    const float radians = D3DXToRadian(degrees);
    return CAR_AT + D3DXVECTOR3(std::sin(radians), 0.0f, std::cos(radians)) * distance;
}

class ChaseDriver : public AIWorld {
protected:
    void SetUp() override
    {
        StartPhysics();
        AIWorld::SetUp();
        LoadGround();
        SetPlayerActor(nullptr);
        m_pCar = &AddBoxCar(CAR_AT, NORTH, ORIGIN);
        m_Chase.Start();
        m_Chase.SetCar(m_pCar);
        m_pTarget = std::make_unique<CGameActor>();
        m_Chase.SetTargetActor(m_pTarget.get());
    }

    void Enter(int state)
    {
        m_Chase.SetState(state);
        m_Chase.ProcessStateChange();
    }
    void PlaceTarget(const D3DXVECTOR3& at) { m_pTarget->m_Model.SetPosition(&at); }
    // The chaser heading north at a squared speed.
    void Moving(float speedSq) { PlaceCar(*m_pCar, CAR_AT, NORTH, NORTH * std::sqrt(speedSq)); }
    Keys Update()
    {
        m_Chase.Update();
        Keys held;
        for (int action : {GAS, BRAKE, LEFT, RIGHT, HAND_BRAKE}) {
            if (m_Chase.GetActionCounters()[action] == ACTION_STATE_HELD)
                held.insert(action);
        }
        return held;
    }
    float CarSpeedSq() { return D3DXVec3LengthSq(&m_pCar->m_PhysicsObject.GetLinearVelocity()); }

    Chase m_Chase;
    CCar* m_pCar = nullptr;
    std::unique_ptr<CGameActor> m_pTarget;
};

TEST_F(ChaseDriver, TheArmedCarLaunchesOnlyWhenTheTargetIsStrictlyWithinRange)
{
    struct Case {
        float rangeSq;
        float distance;
        float maxMph;
        bool launches;
    } const cases[] = {
        {0.0f, 0.0f, 50.0f, false},  // never armed
        {100.0f, 10.0f, 50.0f, false}, // exactly at the range
        {100.0f, 9.9f, 50.0f, true},
        {100.0f, 9.9f, 0.0f, true},    // no push
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        m_Chase.Init();
        m_Chase.Start();
        m_Chase.SetCar(m_pCar);
        m_Chase.SetTargetActor(m_pTarget.get());
        Moving(0.0f);
        m_Chase.SetTarget(&CAR_AT, true);
        m_Chase.SetTriggerRange(c.rangeSq);
        m_Chase.SetMaxSpeed(c.maxMph);
        PlaceTarget(CAR_AT + EAST * c.distance);
        Enter(Chase::STATE_ARMED);
        Update();
        m_Chase.ProcessStateChange();
        EXPECT_EQ(c.launches ? Chase::STATE_PURSUIT : Chase::STATE_ARMED, m_Chase.GetState());
        const float pushedSq = c.launches ? c.maxMph * c.maxMph * MPH_SQ_TO_MPS_SQ : 0.0f;
        EXPECT_NEAR(pushedSq, CarSpeedSq(), pushedSq * 1e-4f + 1e-4f);
    }
}

TEST_F(ChaseDriver, ArmedWithoutTargetOrPointItWaitsForThePlayerWhereItStands)
{
    CGameActor player;
    const D3DXVECTOR3 near = CAR_AT + EAST * 3.0f;
    player.m_Model.SetPosition(&near);
    SetPlayerActor(&player);
    m_Chase.SetTargetObject(nullptr);
    m_Chase.SetTriggerRange(10.0f);
    Enter(Chase::STATE_ARMED);
    EXPECT_EQ(&player, m_Chase.GetChase().m_Target.m_pActor);
    Update();
    m_Chase.ProcessStateChange();
    EXPECT_EQ(Chase::STATE_PURSUIT, m_Chase.GetState());
}

// The target in a car straight ahead (or 30 degrees right, turning): gas
// just below the squared speed aimed for, none just above.
TEST_F(ChaseDriver, AgainstACarItAimsForTheTableSpeedDoubledNearTheTarget)
{
    const float mph121Sq = 121.0f * 121.0f * MPH_SQ_TO_MPS_SQ;
    struct Case {
        float targetSpeedSq;
        float distance;
        bool turning;
        float aimSq;
    } const cases[] = {
        {100.0f, 50.0f, false, 844.296f},
        {500.0f, 50.0f, false, 1998.334f},
        {1500.0f, 50.0f, false, 3641.963f},
        {2500.0f, 50.0f, false, 4496.251f},
        {mph121Sq, 50.0f, false, 2.0f * mph121Sq},
        {100.0f, 50.0f, true, 0.5f * 844.296f},
        {100.0f, 9.9f, false, 2.0f * 844.296f},          // D² < 100 straight
        {100.0f, 9.9f, true, 0.5f * 844.296f},           // not doubled while turning
        {100.0f, 3.8f, true, 0.5f * 2.0f * 844.296f},    // D² < 15
    };
    CCar& targetCar = AddMovingCar(ORIGIN, ORIGIN);
    m_pTarget->m_pCar = &targetCar;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.targetSpeedSq << " at " << c.distance << (c.turning ? " turning" : ""));
        const D3DXVECTOR3 at = Bearing(c.turning ? 30.0f : 0.0f, c.distance);
        targetCar.m_Body.GetWorldMatrix()._41 = at.x;
        targetCar.m_Body.GetWorldMatrix()._43 = at.z;
        targetCar.m_PhysicsObject.m_vVelocity = NORTH * std::sqrt(c.targetSpeedSq);
        Enter(Chase::STATE_PURSUIT);
        Moving(c.aimSq * 0.995f);
        EXPECT_EQ(1u, Update().count(GAS));
        Moving(c.aimSq * 1.005f);
        EXPECT_EQ(0u, Update().count(GAS));
    }
    m_pTarget->m_pCar = nullptr;
}

TEST_F(ChaseDriver, OnFootItCreepsNearTheTargetWhileTurningAndRunsStraightAt35Mph)
{
    struct Case {
        float degrees;
        float distance;
        float limitSq;
    } const cases[] = {
        {30.0f, 4.0f, 2.4979f},    {30.0f, 9.0f, 9.9917f}, {30.0f, 30.0f, 122.398f},
        {0.0f, 4.0f, 244.796f},    {0.0f, 200.0f, 244.796f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.degrees << " degrees at " << c.distance);
        PlaceTarget(Bearing(c.degrees, c.distance));
        Enter(Chase::STATE_PURSUIT);
        Moving(c.limitSq * 0.995f);
        EXPECT_EQ(1u, Update().count(GAS));
        Moving(c.limitSq * 1.005f);
        EXPECT_EQ(0u, Update().count(GAS));
    }
}

TEST_F(ChaseDriver, ATargetExactlyBehindHoldsTurnRightWithoutCountingAsTurning)
{
    PlaceTarget(CAR_AT - NORTH * 50.0f);
    Enter(Chase::STATE_PURSUIT);
    Moving(200.0f); // below the straight limit, above the turning one
    EXPECT_EQ(Keys({GAS, RIGHT}), Update());
}

// The target far straight ahead; another car 15 m away on a bearing.
TEST_F(ChaseDriver, ItSwervesOnlyForCarsInTheConeAheadAndNeverForThePlayers)
{
    PlaceTarget(Bearing(0.0f, 200.0f));
    Enter(Chase::STATE_PURSUIT);
    Moving(300.0f);
    EXPECT_EQ(Keys(), Update());
    struct Case {
        float degrees;
        float distance;
        bool swerves;
    } const cases[] = {
        {0.0f, 15.0f, true},   {-44.9f, 15.0f, true}, {44.9f, 15.0f, true},  {-45.1f, 15.0f, false},
        {45.1f, 15.0f, false}, {180.0f, 15.0f, false}, {0.0f, 19.99f, true}, {0.0f, 20.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.degrees << " degrees at " << c.distance);
        CCar& other = AddMovingCar(Bearing(c.degrees, c.distance), ORIGIN);
        const Keys held = Update();
        EXPECT_EQ(c.swerves, held.count(LEFT) + held.count(RIGHT) == 1u);
        m_pLevel->GetActiveCars().pop_back();
        (void)other;
    }
    CGameActor player;
    CCar& players = AddMovingCar(Bearing(0.0f, 15.0f), ORIGIN);
    player.m_pCar = &players;
    SetPlayerActor(&player);
    EXPECT_EQ(Keys(), Update());
    player.m_pCar = nullptr;
}

TEST_F(ChaseDriver, StoppingBrakesThenSlidesThenComesToRest)
{
    struct Case {
        D3DXVECTOR3 velocity;
        int key;
        int state;
    } const cases[] = {
        {D3DXVECTOR3(1.0f, 1.0f, 1.01f), BRAKE, Chase::STATE_STOPPING},
        {D3DXVECTOR3(1.0f, 1.0f, 1.0f), HAND_BRAKE, Chase::STATE_STOPPING}, // exactly 3
        {D3DXVECTOR3(0.0f, 0.0f, 0.3163f), HAND_BRAKE, Chase::STATE_STOPPING},
        {D3DXVECTOR3(0.0f, 0.0f, 0.3f), -1, Chase::STATE_IDLE}, // 0.09
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(D3DXVec3LengthSq(&c.velocity));
        Enter(Chase::STATE_STOPPING);
        PlaceCar(*m_pCar, CAR_AT, NORTH, c.velocity);
        const Keys held = Update();
        EXPECT_EQ(c.key < 0 ? Keys() : Keys({c.key}), held);
        m_Chase.ProcessStateChange();
        EXPECT_EQ(c.state, m_Chase.GetState());
    }
}

TEST_F(ChaseDriver, ADestroyedTargetStopsThePursuitAndKeepsAnArmedCarWaiting)
{
    PlaceTarget(Bearing(0.0f, 50.0f));
    Enter(Chase::STATE_PURSUIT);
    m_pTarget.reset();
    EXPECT_EQ(nullptr, m_Chase.GetChase().m_Target.m_pObject);
    Update();
    m_Chase.ProcessStateChange();
    EXPECT_EQ(Chase::STATE_STOPPING, m_Chase.GetState());

    auto other = std::make_unique<CGameActor>();
    m_Chase.SetTargetActor(other.get());
    m_Chase.SetTriggerRange(1e6f);
    m_Chase.SetTarget(&CAR_AT, true);
    Enter(Chase::STATE_ARMED);
    other.reset();
    Update();
    EXPECT_FALSE(m_Chase.IsChangePending());
    EXPECT_EQ(Chase::STATE_ARMED, m_Chase.GetState());
}

} // namespace
