// One AI agent as the pool, the missions and the console use it: made on
// foot, as a driver or as a car with its driver, moved between its
// controllers and cars, recycled when far out of sight, and owned by the
// level that deletes it before the cars it drives.

#include <memory>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/AIPool.h"
#include "AI/AIWorld.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Utility.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FatalTrap.h"

namespace {

const D3DXVECTOR3 ORIGIN(0.0f, 0.0f, 0.0f);

D3DXVECTOR3 Placed(const CGameActor& actor)
{
    const D3DXMATRIX& placement = actor.m_Model.m_matObject;
    return D3DXVECTOR3(placement._41, placement._42, placement._43);
}

class AIControllerSets : public AIWorld {
protected:
    void SetUp() override
    {
        AIWorld::SetUp();
        LoadGround();
    }
    // A car of the box prototype that the test owns, driven by `agent`.
    CCar& Driving(CAIControllerSet& agent)
    {
        CCar* prototype = nullptr;
        g_AssetManager.GetAsset(CAR, prototype, true);
        m_Cars.push_back(std::make_unique<CCar>(*prototype));
        EXPECT_TRUE(agent.CreateDriver(ACTOR, m_Cars.back().get()));
        return *m_Cars.back();
    }

    // The cars outlive the agents that drive them.
    std::vector<std::unique_ptr<CCar>> m_Cars;
};

TEST_F(AIControllerSets, APedestrianStandsWhereAskedOrJustAheadOfThePlayer)
{
    CAIControllerSet agent;
    const D3DXVECTOR3 asked(3.0f, 0.0f, 4.0f);
    ASSERT_TRUE(agent.CreatePedestrian("lizard", &asked)) << "names are looked up in upper case";
    EXPECT_EQ(asked, Placed(*agent.GetActor()));
    EXPECT_EQ(agent.GetPedController(), agent.GetActor()->m_pController);
    EXPECT_EQ(agent.GetPedController(), agent.GetPersonController());
    ASSERT_NE(nullptr, agent.GetCarController()) << "a traffic driver waits";
    EXPECT_EQ(nullptr, agent.GetActiveCarController());
    EXPECT_TRUE(agent.IsCarless());
    EXPECT_EQ(&agent, agent.GetPedController()->GetAgent());

    ASSERT_TRUE(agent.CreatePedestrian(ACTOR, nullptr));
    EXPECT_EQ(ORIGIN, Placed(*agent.GetActor())) << "no player: the origin";

    // The player at (10, 0, 20) facing +x, its heading twice as long as a unit.
    g_PlayerActor = &g_Player;
    D3DXMATRIX& player = g_Player.m_Model.m_matObject;
    D3DXMatrixIdentity(&player);
    player._11 = 0.0f;
    player._13 = -1.0f;
    player._31 = 2.0f;
    player._33 = 0.0f;
    player._41 = 10.0f;
    player._43 = 20.0f;
    ASSERT_TRUE(agent.CreatePedestrian(ACTOR, nullptr));
    EXPECT_EQ(D3DXVECTOR3(11.0f, 0.0f, 20.0f), Placed(*agent.GetActor()));

    EXPECT_FATAL(agent.CreatePedestrian("NOBODY", &asked), "Unable to find asset \"NOBODY\" of type <CGameActor>");
}

TEST_F(AIControllerSets, ACarWithItsDriverRestsOnItsBoxAndGoesToThePoolWhenOneIsGiven)
{
    CAIPool pool;
    std::unique_ptr<CCar> owned;
    CAIControllerSet agent;
    const D3DXVECTOR3 at(20.0f, 0.0f, 20.0f);
    ASSERT_TRUE(agent.CreatePedestrian(ACTOR, &at));
    EXPECT_FALSE(agent.CreateCar(ACTOR, "NOCAR", &at, &pool));
    EXPECT_NE(nullptr, agent.GetActor()) << "nothing made, nothing reset";

    const struct {
        const char* car;
        bool pooled;
        float height;
    } cases[] = {{CAR, true, -CAR_BOX_BOTTOM}, {"Buggy", false, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.car);
        ASSERT_TRUE(agent.CreateCar(ACTOR, c.car, &at, c.pooled ? &pool : nullptr));
        CCar* car = agent.GetCar();
        ASSERT_NE(nullptr, car);
        if (!c.pooled)
            owned.reset(car);
        EXPECT_FLOAT_EQ(c.height, car->m_Body.GetWorldMatrix()._42) << "the box's bottom on the ground";
        EXPECT_EQ(agent.GetCarController(), car->GetController());
        const CGameActor& driver = *agent.GetActor();
        EXPECT_EQ(car, driver.m_pCar);
        EXPECT_EQ(car->GetDriverSeat(), driver.m_Model.m_pParentMatrix);
        EXPECT_EQ(ORIGIN, Placed(driver)) << "the seat places the driver";
        EXPECT_EQ(CNormalPedController::STATE_DRIVING, agent.GetPedController()->GetState());
    }
    EXPECT_EQ(1u, pool.GetCars().size());
}

TEST_F(AIControllerSets, SwitchingControllersAndCarsKeepsTheAgentWhole)
{
    CAIControllerSet agent;
    CCar& car = Driving(agent);
    CCar& other = *m_Cars.emplace_back(std::make_unique<CCar>());

    // The chase driver takes over the car; a second switch changes nothing.
    agent.UseChaseController();
    CChaseCarController* chase = agent.GetChaseController();
    ASSERT_NE(nullptr, chase);
    EXPECT_EQ(chase, car.GetController());
    EXPECT_EQ(nullptr, agent.GetCarController()->GetCar());
    agent.UseChaseController();
    EXPECT_EQ(chase, agent.GetChaseController());
    EXPECT_EQ(&car, agent.GetCar());
    agent.UseNormalCarController();
    EXPECT_EQ(agent.GetCarController(), car.GetController());
    EXPECT_EQ(nullptr, chase->GetCar());

    // Police: patrolling in a car, idle on foot.
    agent.UsePoliceController();
    EXPECT_EQ(agent.m_pPoliceController.get(), agent.GetActor()->m_pController);
    EXPECT_EQ(CNormalPoliceController::STATE_PATROLLING, agent.m_pPoliceController->GetNextState());
    agent.GetOutOfCar();
    EXPECT_EQ(CNormalPoliceController::STATE_GETTING_OUT, agent.m_pPoliceController->GetNextState());
    agent.UsePedController();
    agent.GetOutOfCar();
    EXPECT_EQ(CNormalPedController::STATE_GETTING_OUT, agent.GetPedController()->GetNextState());

    // A driver leaves the car it drives, whatever car it is given.
    agent.SetVehicle(&other);
    EXPECT_EQ(nullptr, agent.GetCar());
    EXPECT_EQ(nullptr, agent.GetActor()->m_pCar);
    EXPECT_EQ(nullptr, car.GetController());
    EXPECT_EQ(nullptr, other.GetController());
    agent.SetVehicle(nullptr);
    EXPECT_EQ(nullptr, agent.GetCar()) << "on foot, nothing to leave";
    agent.UsePoliceController();
    EXPECT_EQ(CNormalPoliceController::STATE_IDLE, agent.m_pPoliceController->GetNextState());
    agent.UsePedController();
    agent.SetVehicle(&other);
    EXPECT_EQ(&other, agent.GetCar());
    EXPECT_EQ(CNormalPedController::STATE_DRIVING, agent.GetPedController()->GetState()) << "at once";

    // Reset keeps the pedestrian and traffic drivers only, and lets go of the car.
    agent.UseChaseController();
    CNormalPedController* ped = agent.GetPedController();
    CNormalCarController* traffic = agent.GetCarController();
    agent.Reset();
    EXPECT_EQ(ped, agent.GetPedController());
    EXPECT_EQ(traffic, agent.GetCarController());
    EXPECT_EQ(nullptr, agent.GetChaseController());
    EXPECT_EQ(nullptr, agent.m_pPoliceController);
    EXPECT_EQ(nullptr, other.GetController());
    EXPECT_EQ(nullptr, agent.GetActor());
    EXPECT_EQ(1, agent.m_u8InUse);
    EXPECT_EQ(CAIControllerSet::DEFAULT_VIEW_RANGE, agent.m_fViewRange);
}

// Switching an agent that has no actor yet only marks which controller is active.
TEST_F(AIControllerSets, SwitchingWithoutAnActorOnlyMarksTheActiveController)
{
    CAIControllerSet agent;
    agent.UsePoliceController();
    EXPECT_TRUE(agent.IsPoliceActive());
    EXPECT_EQ(nullptr, agent.m_pPoliceController->GetActor());
    agent.UseChaseController();
    EXPECT_EQ(1, agent.m_u8ChaseActive);
    EXPECT_EQ(nullptr, agent.GetCar());
    CGameActor suspect;
    agent.m_pPoliceController->SetTarget(&suspect);
    EXPECT_EQ(&suspect, agent.GetChaseController()->GetChase().m_Target.m_pActor) << "the chase driver is told";
    agent.UsePedController();
    EXPECT_FALSE(agent.IsPoliceActive());
}

// The camera at the origin, an agent 10 m out of range. Recycling needs
// both more than the range and more than 2 s out of sight; drawing is
// inclusive at its limit; only the main pass keeps the time.
TEST_F(AIControllerSets, RecyclingAndDrawingStopExactlyAtTheirBounds)
{
    const float range = 10.0f;
    const float past = 10.001f;
    const float frame = FRAME_MILLISECONDS / 1000.0f;
    m_Viewer.SetPosition(ORIGIN);
    const struct {
        const char* name;
        float distance;
        float timer;
        bool inCar;
        bool recycled;
    } recycling[] = {
        {"at the range", range, 2.5f, false, false},
        {"at the timer", past, 2.0f, false, false},
        {"past both", past, 2.001f, false, true},
        {"past both in a disposable car", past, 2.001f, true, true},
    };
    for (const auto& c : recycling) {
        SCOPED_TRACE(c.name);
        CAIControllerSet agent;
        const D3DXVECTOR3 place(c.distance, 0.0f, 0.0f);
        CCar* car = nullptr;
        if (c.inCar) {
            car = &Driving(agent);
            car->m_Body.GetWorldMatrix()._41 = c.distance;
        } else {
            agent.CreatePedestrian(ACTOR, &place);
        }
        agent.m_fViewRange = range;
        agent.m_u8RecyclingEnabled = 1;
        agent.m_fOutOfViewTimer = c.timer;
        agent.Update();
        EXPECT_EQ(c.recycled, agent.m_u8RecycleRequested != 0);
        if (car != nullptr) {
            EXPECT_EQ(c.recycled, car->m_bRemoved);
        }
    }

    CAIControllerSet agent;
    // 75 m², three quarters of the range squared, exactly.
    const D3DXVECTOR3 edge(5.0f, 5.0f, 5.0f);
    agent.CreatePedestrian(ACTOR, &edge);
    agent.m_fViewRange = range;
    agent.m_fOutOfViewTimer = 1.0f;
    agent.Draw(true);
    EXPECT_EQ(0.0f, agent.m_fOutOfViewTimer) << "at the draw limit: drawn";
    agent.GetActor()->m_Model.m_matWorld._41 = range;
    agent.Draw(false);
    EXPECT_EQ(0.0f, agent.m_fOutOfViewTimer) << "the reflection pass keeps no time";
    agent.Draw(true);
    EXPECT_FLOAT_EQ(frame, agent.m_fOutOfViewTimer);

    // No camera: nothing to be out of sight of.
    g_pActiveCamera = nullptr;
    agent.m_u8RecyclingEnabled = 1;
    agent.m_fOutOfViewTimer = 3.0f;
    agent.Update();
    EXPECT_EQ(0, agent.m_u8RecycleRequested);
    agent.Draw(true);
    EXPECT_EQ(3.0f, agent.m_fOutOfViewTimer);
}

// A shot alarms agents on foot within 50 m: they get the shot's place and
// 5 to 8 seconds to run from it (8 at the table's highest draw).
TEST_F(AIControllerSets, AShotAlarmsAgentsOnFootWithin50Metres)
{
    const struct {
        float distance;
        bool inCar;
        bool alarmed;
    } cases[] = {{49.9f, false, true}, {50.1f, false, false}, {0.0f, true, false}};
    const D3DXVECTOR3 untouched(1.0f, 1.0f, 1.0f);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.distance << (c.inCar ? " in a car" : " on foot"));
        CAIControllerSet* agent = m_pLevel->AddAgent();
        const D3DXVECTOR3 place(c.distance, 0.0f, 0.0f);
        if (c.inCar)
            Driving(*agent);
        else
            agent->CreatePedestrian(ACTOR, &place);
        CNormalPedController& walker = *agent->GetPedController();
        walker.m_AlarmPoint = untouched;
        g_RandomTable.SetUpcoming({CRandomTable::MAX_VALUE});
        CWeapon::AlarmAgents(ORIGIN);
        EXPECT_EQ(c.alarmed ? ORIGIN : untouched, walker.m_AlarmPoint);
        EXPECT_FLOAT_EQ(c.alarmed ? 8.0f : 0.0f, walker.GetDelay());
        EXPECT_TRUE(m_pLevel->RemoveAgent(agent));
    }
}

// The level deletes its agents before the cars they drive, on a reload as
// on its own end; an agent it did not make is only unlinked.
TEST_F(AIControllerSets, LevelAgentsDrivingLevelCarsGoCleanly)
{
    const std::string cars = "Car Buggy Pos 10 0.5 10\nCar Buggy Pos 12 0.5 10\nCar Buggy Pos 14 0.5 10\n";
    CLevel& level = LoadLevel("Terrain Ground\n" + cars);
    PlaceViewer(12, 10);
    level.Update();
    ASSERT_EQ(3u, level.GetActiveCars().size());
    std::vector<CAIControllerSet*> drivers;
    for (CCar* car : level.GetActiveCars()) {
        drivers.push_back(level.AddAgent());
        ASSERT_TRUE(drivers.back()->CreateDriver(ACTOR, car));
    }
    CAIControllerSet outsider;
    level.GetAgents().push_back(&outsider);
    EXPECT_FALSE(level.RemoveAgent(&outsider)) << "not the level's to delete";
    CCar* driven = drivers[1]->GetCar();
    EXPECT_TRUE(level.RemoveAgent(drivers[1]));
    EXPECT_EQ(nullptr, driven->GetController()) << "the deleted driver let go";
    EXPECT_EQ(2u, level.GetAgents().size());
    level.LoadScript();
    EXPECT_TRUE(level.GetAgents().empty());
    level.LoadScript();
}

// A sedan made with its lizard-man driver in a real scene: he stays in his
// seat while the car is pushed along, and getting out puts him on foot
// beside it.
class PhysicsAIControllerSets : public AIWorld {
protected:
    void SetUp() override
    {
        StartPhysics();
        UseShippedContent();
        AIWorld::SetUp();
        LoadGround();
        PlaceViewer(CAR_AT.x, CAR_AT.z);
        m_pLevel->SetState(CLevel::STATE_PLAYING);
    }
    static bool PhysicsOff(const CGameActor& actor)
    {
        const NxActor* body = actor.m_PhysicsObject.m_pActor;
        return body->readActorFlag(NX_AF_DISABLE_COLLISION) && body->readBodyFlag(NX_BF_FROZEN);
    }
    // The fourth row: where the matrix stands.
    static D3DXVECTOR3 Position(const D3DXMATRIX& matrix) { return GetMatrixRow(matrix, 3); }

    const D3DXVECTOR3 CAR_AT{60.0f, 0.0f, 40.0f};
};

TEST_F(PhysicsAIControllerSets, ACreatedDriverStaysSeatedWhileHisCarIsPushedAndGetsOutBesideIt)
{
    const float seconds = 5.0f;
    const float beside = 3.0f;
    const float tolerance = 1e-4f;
    CAIControllerSet agent;
    ASSERT_TRUE(agent.CreateCar("Lizard", "Sedan", &CAR_AT, nullptr));
    CCar& car = *m_pLevel->AddCar(agent.GetCar());
    m_pLevel->GetAgents().push_back(&agent);
    CGameActor& driver = *agent.GetActor();
    EXPECT_TRUE(PhysicsOff(driver)) << "a seated body takes no part";
    EXPECT_STREQ("Sit", driver.m_Model.GetAnimationName());
    for (int frame = 0; frame * FRAME_MILLISECONDS < seconds * 1000.0f; ++frame) {
        car.m_PhysicsObject.m_pActor->setLinearVelocity(NxVec3(4.0f, 0.0f, 0.0f));
        m_pLevel->Update();
        ASSERT_EQ(&car, driver.m_pCar) << frame;
        ASSERT_EQ(car.GetDriverSeat(), driver.m_Model.m_pParentMatrix);
    }
    EXPECT_GT(Position(car.m_Body.GetWorldMatrix()).x, CAR_AT.x + 10.0f) << "the car went along";
    const D3DXVECTOR3 offSeat = Position(driver.m_Model.m_matScaledObject) - Position(*car.GetDriverSeat());
    EXPECT_NEAR(0.0f, D3DXVec3Length(&offSeat), tolerance);

    driver.ExitCar();
    EXPECT_EQ(nullptr, driver.m_pCar);
    EXPECT_EQ(nullptr, agent.GetCar());
    EXPECT_EQ(nullptr, car.GetController());
    EXPECT_FALSE(PhysicsOff(driver));
    const D3DXVECTOR3 fromCar = Position(driver.m_Model.m_matScaledObject) - Position(car.m_Body.GetWorldMatrix());
    EXPECT_LT(D3DXVec3Length(&fromCar), beside);
    EXPECT_FALSE(m_pLevel->RemoveAgent(&agent)) << "unlinked, still the test's";
}

} // namespace
