// The population pool: its makers, budgets, spawn candidates, spawning and
// recycling, on the AI test world (a standalone pool and its own lists).

#include <algorithm>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/AIPool.h"
#include "AI/AIWorld.h"
#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Game/CrimeManager.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"
#include "support/RandomDraws.h"

namespace {

// Sector (16, 16) spans x and z from 0 to 87.5.
const int32_t COLUMN = 16;
const int32_t ROW = 16;
const int32_t SECTOR = ROW * CAIPool::COLUMNS + COLUMN;
const D3DXVECTOR3 VIEWER(1.0f, 0.0f, 1.0f);
// Far enough from the viewer (d^2 = 12482) and inside the viewer's sector.
const D3DXVECTOR3 FAR_CORNER(80.0f, 0.0f, 80.0f);
const float RUN_SPEED = 10.0f;

bool SameColour(const D3DCOLORVALUE& a, const D3DCOLORVALUE& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

class AIPoolTest : public AIWorld {
protected:
    void SetUp() override
    {
        AIWorld::SetUp();
        LoadGround();
        g_Player.m_fRunSpeed = RUN_SPEED;
        g_PlayerActor = &g_Player;
        g_CrimeFile.MaxWantedLevel = 6.0f;
        m_pPool = std::make_unique<CAIPool>();
    }
    void TearDown() override
    {
        m_Agents.clear();
        m_ActiveCars.clear();
        m_pPool.reset();
        m_BareCars.clear();
        g_CrimeFile.MaxWantedLevel = 0.0f;
        AIWorld::TearDown();
    }

    // A road spawn node of sector `sector` at `position`, ready, heading for
    // the road nodes `targets` in turn (each placed at `position`).
    CRoadSpawnNode& AddRoadSpawnNode(int32_t sector, const D3DXVECTOR3& position, std::vector<size_t> targets,
                                     CAIPool* pool = nullptr)
    {
        auto node = std::make_unique<CRoadSpawnNode>();
        node->m_vPos = position;
        for (size_t target : targets) {
            D3DXMATRIX placement;
            D3DXMatrixIdentity(&placement);
            placement._41 = position.x;
            placement._42 = position.y;
            placement._43 = position.z;
            node->m_Orientations.push_back(placement);
            node->m_Targets.push_back(RoadNode(target));
        }
        node->m_u8Ready = 1;
        node->m_u8Waiting = 0;
        CAIPoolSector& owner = (pool != nullptr ? pool : m_pPool.get())->GetSector(static_cast<uint32_t>(sector));
        node->m_pSector = &owner;
        owner.m_RoadSpawnNodes.push_back(std::move(node));
        return *owner.m_RoadSpawnNodes.back();
    }
    // A sidewalk spawn node of the viewer's sector, rested and toward sidewalk node `next`.
    CSidewalkSpawnNode& AddSidewalkSpawnNode(const D3DXVECTOR3& position, size_t next)
    {
        auto node = std::make_unique<CSidewalkSpawnNode>();
        node->m_matPlacement._41 = position.x;
        node->m_matPlacement._42 = position.y;
        node->m_matPlacement._43 = position.z;
        node->m_pNextNode = SidewalkNode(next);
        node->m_fTimer = 11.0f;
        m_pPool->GetSector(SECTOR).FileSidewalkSpawnNode(std::move(node));
        return *m_pPool->GetSector(SECTOR).m_SidewalkSpawnNodes.back();
    }
    // A car in the active list at `position`, of nobody's.
    void AddBareCar(const D3DXVECTOR3& position)
    {
        m_BareCars.push_back(std::make_unique<CCar>());
        D3DXMATRIX& world = m_BareCars.back()->m_Body.GetWorldMatrix();
        world._41 = position.x;
        world._42 = position.y;
        world._43 = position.z;
        m_ActiveCars.push_back(m_BareCars.back().get());
    }
    void Update(const D3DXVECTOR3& viewer = VIEWER) { m_pPool->Update(viewer, m_Agents, m_ActiveCars); }
    void CollectRoad(const D3DXVECTOR3& viewer = VIEWER)
    {
        m_pPool->CollectRoadCandidates(viewer, COLUMN, ROW, m_ActiveCars);
    }

    std::unique_ptr<CAIPool> m_pPool;
    std::list<CAIControllerSet*> m_Agents;
    std::list<CCar*> m_ActiveCars;
    std::vector<std::unique_ptr<CCar>> m_BareCars;
};

TEST_F(AIPoolTest, TheMakersBuildTheFixedPopulationOutOfTheWorld)
{
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(m_pPool->AddCar(ACTOR, CAR, nullptr));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(m_pPool->AddPedestrian(ACTOR, nullptr));
    m_pPool->AddCopCars(ACTOR, CAR, 10);
    EXPECT_FALSE(m_pPool->AddCar(ACTOR, "NOCAR", nullptr)) << "an unknown car kind adds nothing";
    EXPECT_FALSE(m_pPool->AddCopCar(ACTOR, "NOCAR", nullptr));

    const CAIPool& pool = *m_pPool;
    EXPECT_EQ(10u, pool.GetCarCount());
    EXPECT_EQ(10u, pool.GetPedestrianCount());
    EXPECT_EQ(10u, pool.GetPoliceCount());
    ASSERT_EQ(20u, pool.GetAgents().size());
    ASSERT_EQ(10u, pool.GetCars().size());
    ASSERT_EQ(10u, pool.GetPoliceAgents().size());
    ASSERT_EQ(10u, pool.GetPoliceCars().size());

    const D3DCOLORVALUE green = {0.82f, 0.93f, 0.39f, 1.0f};
    const D3DCOLORVALUE blue = {0.0f, 0.0f, 0.825f, 1.0f};
    const D3DCOLORVALUE blueGlow = {0.0f, 0.0f, 0.9f, 1.0f};
    for (size_t i = 0; i < 30; ++i) {
        SCOPED_TRACE(i);
        const bool police = i >= 20;
        const CAIControllerSet& agent = police ? *pool.GetPoliceAgents()[i - 20] : *pool.GetAgents()[i];
        EXPECT_EQ(0.0f, agent.m_fOutOfViewTimer);
        EXPECT_EQ(200.0f, agent.m_fViewRange);
        EXPECT_EQ(1, agent.m_u8RecyclingEnabled);
        EXPECT_EQ(0, agent.m_u8InUse);
        EXPECT_EQ(1, agent.m_u8RecycleRequested);
        const CGameActor& actor = *agent.GetActor();
        ASSERT_TRUE(actor.m_bUseMaterial);
        EXPECT_TRUE(SameColour(police ? blue : green, actor.m_Material.Diffuse));
        EXPECT_TRUE(SameColour(police ? blue : green, actor.m_Material.Ambient));
        EXPECT_TRUE(SameColour(police ? blueGlow : green, actor.m_Material.Emissive));
        EXPECT_TRUE(SameColour({0.0f, 0.0f, 0.0f, 1.0f}, actor.m_Material.Specular));
        EXPECT_EQ(police ? 1u : 0u, actor.GetWeapons().size()) << "the police carry a pistol";
        EXPECT_EQ(police, agent.IsPoliceActive());
        if (police || i < 10) {
            EXPECT_FLOAT_EQ(RUN_SPEED * (police ? 0.9f : 0.8f), actor.m_fRunSpeed);
        }
    }
    for (const auto* cars : {&pool.GetCars(), &pool.GetPoliceCars()}) {
        for (const std::unique_ptr<CCar>& car : *cars) {
            EXPECT_EQ(200.0f, car->m_fRecycleDistance);
            EXPECT_TRUE(car->m_bRecyclable);
            EXPECT_FALSE(car->m_bInWorld);
            EXPECT_FALSE(car->m_bRemoved);
        }
    }
    EXPECT_EQ(pool.GetPoliceCars()[3].get(), pool.GetPoliceAgents()[3]->GetCar()) << "each officer in his car";
}

TEST_F(AIPoolTest, BudgetsStopAtZeroAndCallPoliceByTheWantedLevel)
{
    const struct {
        const char* note;
        uint32_t police;
        CAIPool::Census census;
        float wanted;
        float maximum;
        int32_t draw;
        uint32_t walkers, cars, wantedPolice, send;
    } cases[] = {
        {"a draw just under 5 % sends a patrol", 10, {}, 0.0f, 6.0f, 1638, 10, 10, 0, 1},
        {"a draw at 5 % does not", 10, {}, 0.0f, 6.0f, 1639, 10, 10, 0, 0},
        {"one police car out: no patrol", 10, {0, 0, 0, 1}, 0.0f, 6.0f, 0, 10, 9, 0, 0},
        {"wanted 3 of 6 calls five", 10, {}, 3.7f, 6.0f, 32767, 10, 10, 5, 5},
        {"two out of five: five more, as many as called", 10, {0, 0, 0, 2}, 3.0f, 6.0f, 32767, 10, 8, 5, 5},
        {"the car budget caps the police", 10, {0, 7, 0, 0}, 6.0f, 6.0f, 32767, 10, 3, 10, 3},
        {"counts that would wrap give 0", 10, {12, 9, 3, 4}, 6.0f, 6.0f, 32767, 0, 0, 10, 0},
        {"a maximum under 1 calls nobody", 10, {}, 5.0f, 0.5f, 32767, 10, 10, 0, 0},
        {"no police, no draw", 0, {}, 0.0f, 6.0f, 0, 10, 10, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        g_RandomTable.SetUpcoming({c.draw});
        const CRandomTable before = g_RandomTable;
        const CAIPool::Budgets budgets = CAIPool::ComputeBudgets(10, 10, c.police, c.census, c.wanted, c.maximum);
        EXPECT_EQ(c.walkers, budgets.m_u32Walkers);
        EXPECT_EQ(c.cars, budgets.m_u32Cars);
        EXPECT_EQ(c.wantedPolice, budgets.m_u32WantedPolice);
        EXPECT_EQ(c.send, budgets.m_u32Police);
        const bool drew = c.police > 0 && c.census.m_u32PoliceInCars == 0 && c.wantedPolice == 0;
        EXPECT_EQ(drew ? 1 : 0, DrawsSince(before));
    }
}

TEST_F(AIPoolTest, RoadCandidatesComeFromTheViewersSectorFarFromViewerAndCars)
{
    CRoadSpawnNode& far = AddRoadSpawnNode(SECTOR, FAR_CORNER, {1});
    // d^2 = 28^2 + 104^2 + 20^2 = 12000 exactly.
    AddRoadSpawnNode(SECTOR, VIEWER + D3DXVECTOR3(28.0f, 104.0f, 20.0f), {1});
    AddRoadSpawnNode(SECTOR + 1, FAR_CORNER + D3DXVECTOR3(CAIPool::CELL_SIZE, 0.0f, 0.0f), {1});
    CollectRoad();
    ASSERT_EQ(1u, m_pPool->GetRoadCandidates().size()) << "d^2 of exactly 12000 is too near; another sector never";
    EXPECT_EQ(&far, m_pPool->GetRoadCandidates()[0]);

    AddBareCar(FAR_CORNER + D3DXVECTOR3(24.9f, 0.0f, 0.0f));
    CollectRoad();
    EXPECT_TRUE(m_pPool->GetRoadCandidates().empty());
    EXPECT_EQ(0, far.m_u8Available) << "blocked by the car";
    EXPECT_EQ(0, far.m_u8Ready);
}

TEST_F(AIPoolTest, ASectorWhoseRoadNodesAreAllUsedStartsOverWithTheirNextDirections)
{
    CRoadSpawnNode& a = AddRoadSpawnNode(SECTOR, FAR_CORNER, {1, 2});
    CRoadSpawnNode& b = AddRoadSpawnNode(SECTOR, FAR_CORNER + D3DXVECTOR3(0.0f, 0.0f, 5.0f), {2, 0});
    for (uint32_t expected : {1u, 0u}) {
        a.m_u8Available = 0;
        b.m_u8Available = 0;
        CollectRoad();
        for (const CRoadSpawnNode* node : {&a, &b}) {
            EXPECT_EQ(expected, node->m_u32Choice);
            EXPECT_EQ(1, node->m_u8Available);
            EXPECT_EQ(1, node->m_u8Waiting);
            EXPECT_EQ(0, node->m_u8Ready);
        }
    }
    a.m_u8Available = 0;
    CollectRoad();
    EXPECT_EQ(0u, b.m_u32Choice) << "one node still available: no reset";
}

TEST_F(AIPoolTest, SpawnTimersRunOverTheHalfOpenWindowOnlyInsideTheGrid)
{
    const int32_t row = 3;
    std::vector<CRoadSpawnNode*> nodes;
    for (int32_t column = 7; column <= 12; ++column) {
        CRoadSpawnNode& node = AddRoadSpawnNode(row * CAIPool::COLUMNS + column, FAR_CORNER, {1});
        node.m_fTimer = 0.0f;
        node.m_u8Waiting = 1;
        node.m_u8Ready = 0;
        nodes.push_back(&node);
    }
    const float frame = g_FrameTimer.GetFrameTime();
    ASSERT_GT(frame, 0.0f);
    m_pPool->CollectRoadCandidates(VIEWER, 10, row, m_ActiveCars);
    for (size_t i = 0; i < nodes.size(); ++i) {
        const int32_t column = 7 + static_cast<int32_t>(i);
        EXPECT_EQ(column >= 8 && column <= 11 ? frame : 0.0f, nodes[i]->m_fTimer) << "column " << column;
    }

    // A viewer beyond the grid moves nothing and places nobody.
    ASSERT_TRUE(m_pPool->AddPedestrian(ACTOR, nullptr));
    AddSidewalkSpawnNode(FAR_CORNER, 1);
    for (CRoadSpawnNode* node : nodes)
        node->m_fTimer = 0.0f;
    Update(D3DXVECTOR3(2000.0f, 0.0f, 2000.0f));
    for (CRoadSpawnNode* node : nodes)
        EXPECT_EQ(0.0f, node->m_fTimer);
    EXPECT_TRUE(m_Agents.empty());
}

TEST_F(AIPoolTest, SidewalkCandidatesHaveRestedAndAFullyUsedSectorIsFreedAgain)
{
    CSidewalkSpawnNode& rested = AddSidewalkSpawnNode(FAR_CORNER, 1);
    CSidewalkSpawnNode& tired = AddSidewalkSpawnNode(FAR_CORNER, 1);
    rested.m_fTimer = 10.0f;
    tired.m_fTimer = 10.0f - g_FrameTimer.GetFrameTime();
    m_pPool->CollectSidewalkCandidates(VIEWER, COLUMN, ROW);
    ASSERT_EQ(1u, m_pPool->GetSidewalkCandidates().size()) << "a timer of exactly 10 is not enough";
    EXPECT_EQ(&rested, m_pPool->GetSidewalkCandidates()[0]);

    rested.m_u8Used = 1;
    tired.m_u8Used = 1;
    m_pPool->CollectSidewalkCandidates(VIEWER, COLUMN, ROW);
    EXPECT_EQ(0, rested.m_u8Used);
    EXPECT_EQ(0, tired.m_u8Used);
}

TEST_F(AIPoolTest, APedestrianIsPlacedOnItsNodeAndWalksTowardTheNextAndIsRecycledWhenFar)
{
    ASSERT_TRUE(m_pPool->AddPedestrian(ACTOR, nullptr));
    // A box reaching below the actor's origin lifts it by as much.
    CCollisionBox* box = m_pPool->GetAgents()[0]->GetActor()->m_CollisionObject.m_pRoot.get();
    ASSERT_NE(nullptr, box);
    box->m_vMin.y = -0.25f;
    CSidewalkSpawnNode& node = AddSidewalkSpawnNode(FAR_CORNER + D3DXVECTOR3(0.0f, 2.0f, 0.0f), 1);
    Update();
    ASSERT_EQ(1u, m_Agents.size());
    CAIControllerSet& agent = *m_Agents.front();
    EXPECT_EQ(1, agent.m_u8InUse);
    EXPECT_EQ(0, agent.m_u8RecycleRequested);
    EXPECT_EQ(200.0f, agent.m_fViewRange);
    EXPECT_EQ(CNormalPedController::STATE_WALKING, agent.GetPedController()->GetState());
    EXPECT_EQ(SidewalkNode(1), agent.GetPedController()->GetSidewalkNode());
    const D3DXMATRIX& placed = agent.GetActor()->m_Model.m_matObject;
    EXPECT_FLOAT_EQ(2.0f + 0.25f + 0.5f, placed._42);
    EXPECT_EQ(FAR_CORNER.x, placed._41);
    EXPECT_EQ(1, node.m_u8Used);
    EXPECT_EQ(0.0f, node.m_fTimer);

    // The level hands it back; the next update cleans it for a new life.
    agent.GetActor()->m_fWantedLevel = 4.0f;
    agent.m_u8InUse = 0;
    m_Agents.clear();
    node.m_u8Used = 0;
    node.m_fTimer = 0.0f;
    Update();
    EXPECT_TRUE(m_Agents.empty()) << "the node has not rested";
    ASSERT_EQ(1u, m_pPool->GetFreeAgents().size());
    EXPECT_EQ(0.0f, agent.GetActor()->m_fWantedLevel);
    EXPECT_EQ(nullptr, agent.GetPedController()->GetSidewalkNode());
    EXPECT_EQ(nullptr, agent.GetPedController()->GetPreviousSidewalkNode());
}

class PhysicsAIPool : public AIPoolTest {
protected:
    void SetUp() override
    {
        StartPhysics();
        AIPoolTest::SetUp();
    }
};

TEST_F(PhysicsAIPool, ACarIsSpawnedOnItsNodeDrivingToItsTargetAndRecycledIntoANewLife)
{
    ASSERT_TRUE(m_pPool->AddCar(ACTOR, CAR, nullptr));
    m_pPool->AddCopCars(ACTOR, CAR, 1);
    CRoadSpawnNode& node = AddRoadSpawnNode(SECTOR, FAR_CORNER, {3});
    CRoadSpawnNode& second = AddRoadSpawnNode(SECTOR, FAR_CORNER + D3DXVECTOR3(0.0f, 0.0f, 5.0f), {3});
    // A body that moves.
    m_pPool->GetCars()[0]->m_PhysicsObject.m_fMass = 1000.0f;
    g_RandomTable.SetUpcoming({32767, 0, 0, 0});
    Update();
    ASSERT_EQ(1u, m_Agents.size()) << "no patrol on a high draw: one ordinary car";
    CAIControllerSet& agent = *m_Agents.front();
    CCar& car = *m_pPool->GetCars()[0];
    ASSERT_EQ(1u, m_ActiveCars.size());
    EXPECT_EQ(&car, m_ActiveCars.front());
    EXPECT_EQ(&car, agent.GetCar());
    EXPECT_FLOAT_EQ(FAR_CORNER.y - CAR_BOX_BOTTOM, car.m_matSpawn._42);
    EXPECT_TRUE(car.m_bInWorld);
    EXPECT_FALSE(car.m_bRemoved);
    EXPECT_FALSE(car.m_bBurnt);
    ASSERT_NE(nullptr, car.m_PhysicsObject.m_pActor);
    const NxVec3 velocity = car.m_PhysicsObject.m_pActor->getLinearVelocity();
    EXPECT_NEAR(30.0f * 3.0f * 0.11175682f, velocity.magnitude(), 1e-3f);
    const CNormalCarController& driver = *agent.GetCarController();
    EXPECT_EQ(CNormalCarController::STATE_DRIVING_TO_NODE, driver.GetState());
    EXPECT_EQ(RoadNode(3), driver.GetNavigation().m_pNode);
    ASSERT_NE(nullptr, driver.GetPreviousTarget());
    EXPECT_EQ(FAR_CORNER.x, driver.GetPreviousTarget()->x) << "it came from the spawn point";
    EXPECT_EQ(car.GetDriverSeat(), agent.GetActor()->m_Model.m_pParentMatrix);
    EXPECT_EQ(0, node.m_u8Available) << "the draw of 0 chose the first candidate";
    EXPECT_EQ(1, second.m_u8Available);

    // Out of range for over 2 s: the level lets the agent and its car go.
    agent.m_fOutOfViewTimer = 3.0f;
    g_pActiveCamera = &m_Viewer;
    PlaceViewer(1000.0f, 1000.0f);
    agent.Update();
    ASSERT_EQ(1, agent.m_u8RecycleRequested);
    EXPECT_TRUE(car.m_bRemoved);
    agent.m_u8InUse = 0;
    m_Agents.clear();
    car.ReleasePhysics();
    car.m_bInWorld = false;
    m_ActiveCars.clear();

    // Two paints: one draw per free car.
    m_Dir.Write("Scripts/CarColor.txt", "ColorPos 0 Color 1 0.5 0.1 0.1\nColorPos 1 Color 1 0.1 0.5 0.1\n");
    CCarColorTable paints;
    paints.Load();
    const CCarColorTable* saved = CCarColorTable::Current();
    CCarColorTable::SetCurrent(&paints);
    node.m_u8Available = 1;
    node.m_u8Ready = 1;
    second.m_u8Available = 1;
    second.m_u8Ready = 1;
    CAIPool::Census census;
    m_pPool->CollectFreeAgents(census);
    EXPECT_EQ(nullptr, agent.GetCar()) << "a free agent holds no car";
    EXPECT_EQ(nullptr, driver.GetPreviousTarget()) << "no old route";
    std::vector<CCar*> free;
    const CRandomTable before = g_RandomTable;
    CAIPool::CollectFreeCars(m_pPool->GetCars(), free);
    EXPECT_EQ(1, DrawsSince(before));
    EXPECT_EQ(std::vector<CCar*>{&car}, free);
    CCarColorTable::SetCurrent(nullptr);
    const CRandomTable still = g_RandomTable;
    CAIPool::CollectFreeCars(m_pPool->GetCars(), free);
    EXPECT_EQ(0, DrawsSince(still)) << "no table: no draw";
    CCarColorTable::SetCurrent(const_cast<CCarColorTable*>(saved));

    g_RandomTable.SetUpcoming({32767, 0, 0, 0});
    Update();
    ASSERT_EQ(1u, m_Agents.size()) << "spawned again";
    EXPECT_EQ(&agent, m_Agents.front());
    EXPECT_EQ(&car, agent.GetCar());
}

TEST_F(PhysicsAIPool, APoliceCarIsSentOnALowDrawWithItsOfficerPatrolling)
{
    ASSERT_TRUE(m_pPool->AddCar(ACTOR, CAR, nullptr));
    m_pPool->AddCopCars(ACTOR, CAR, 1);
    AddRoadSpawnNode(SECTOR, FAR_CORNER, {3});
    AddRoadSpawnNode(SECTOR, FAR_CORNER + D3DXVECTOR3(0.0f, 0.0f, 5.0f), {3});
    g_RandomTable.SetUpcoming({0, 0, 0, 0});
    Update();
    ASSERT_EQ(1u, m_Agents.size()) << "the patrol takes the one car of the car budget";
    const CAIControllerSet& officer = *m_Agents.front();
    EXPECT_EQ(m_pPool->GetPoliceAgents()[0].get(), &officer);
    EXPECT_EQ(m_pPool->GetPoliceCars()[0].get(), officer.GetCar());
    EXPECT_EQ(CNormalPoliceController::STATE_PATROLLING, officer.m_pPoliceController->GetState());
}

TEST_F(PhysicsAIPool, ClearingTheLevelWithThePlayerInAPooledCarFreesEverything)
{
    CLevel& level = *m_pLevel;
    CAIPool& pool = level.GetAIPool();
    ASSERT_TRUE(pool.AddCar(ACTOR, CAR, nullptr));
    AddRoadSpawnNode(SECTOR, FAR_CORNER, {3}, &pool);
    g_RandomTable.SetUpcoming({32767, 0, 0, 0});
    pool.Update(VIEWER, level.GetAgents(), level.GetActiveCars());
    ASSERT_EQ(1u, level.GetActiveCars().size());
    CCar* car = level.GetActiveCars().front();
    ASSERT_NE(nullptr, car->GetController());
    CAIControllerSet* agent = car->GetController()->GetAgent();
    ASSERT_NE(nullptr, agent) << "the first free agent drives it";
    agent->SetVehicle(nullptr);
    g_Player.CreatePhysics();
    g_Player.EnterCar(car);
    ASSERT_EQ(car, g_Player.m_pCar);

    level.Init();
    EXPECT_EQ(nullptr, g_Player.m_pCar);
    EXPECT_EQ(0u, pool.GetPedestrianCount());
    EXPECT_EQ(0u, pool.GetCarCount());
    EXPECT_TRUE(pool.GetAgents().empty());
    EXPECT_TRUE(pool.GetCars().empty());
    EXPECT_TRUE(level.GetActiveCars().empty());
}

} // namespace
