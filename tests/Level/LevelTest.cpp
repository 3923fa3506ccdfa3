#include <algorithm>
#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "AI/AIWorld.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Input/InGameMouse.h"
#include "Display/SkyBox.h"
#include "Effects/LensFlare.h"
#include "Level/BuildingObject.h"
#include "Level/GameTimer.h"
#include "Level/LevelFixture.h"
#include "Level/LevelObject.h"
#include "Level/Node.h"
#include "Level/TrafficLights.h"
#include "Level/Terrain.h"
#include "Level/WaterPlane.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "Core/Clock.h"

namespace {

const char* const GROUND = "Terrain Ground\n";
const float GRID_RECYCLE_DISTANCE = 537.5f;

int CellOf(float x, float z)
{
    int column = 0;
    int row = 0;
    EXPECT_TRUE(CObjectGrid::CellOf(D3DXVECTOR3(x, 0.0f, z), column, row));
    return CObjectGrid::CellIndex(column, row);
}

template <class T>
bool Holds(const std::vector<T*>& entries, const T* entry)
{
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

} // namespace

class PhysicsLevel : public LevelFixture {
protected:
    void SetUp() override
    {
        StartPhysics();
        LevelFixture::SetUp();
    }
};

TEST_F(PhysicsLevel, EachKeywordPlacesItsInstance)
{
    g_PlayerActor = &g_Player;
    const std::string start = "0 0 -1 0 0 1 0 0 1 0 0 0 40 0.5 50 1";
    m_Dir.Write("Numbers.txt", "5550100 Depot.txt\n");
    CLevel& level = LoadLevel(std::string(GROUND) + "Sky_Box Sky\n"
                              "WaterPlane Pool Pos 70 -1 70\n"
                              "SunObject Disc Orientation " + At(0, 300, 900) + "\n"
                              "LensFlare Flare\n"
                              "LevelObject Box Orientation " + At(10, 1, 20) + " OtherSpawnPoint 300 0 20\n"
                              "Building Hut\n"
                              "Weapon Gun PosMatrix " + At(5, 0.3f, 5) + "\n"
                              "Car Buggy Pos 30 0.5 40\n"
                              "Phone_Directory Numbers.txt\n"
                              "OverWriteTime 570\n"
                              "OverWritePlayerStart " + start + "\n");

    CTerrain* ground = nullptr;
    g_AssetManager.GetAsset("Ground", ground, true);
    CSkyBox* sky = nullptr;
    g_AssetManager.GetAsset("Sky", sky, true);
    EXPECT_EQ(ground, level.GetTerrain()) << "the prototype itself";
    EXPECT_EQ(sky, level.GetSkyBox());
    EXPECT_NE(nullptr, g_Physics.GetTerrainActor());

    ASSERT_EQ(1u, level.GetWaterPlanes().size());
    CWaterPlane* pool = level.GetWaterPlanes()[0].get();
    EXPECT_EQ(D3DXVECTOR3(70.0f, -1.0f, 70.0f), pool->GetPosition());
    EXPECT_NE(nullptr, pool->m_PhysicsObject.m_pActor);
    const std::vector<CCollidableObject*>& registered = ground->GetTerrainCell(1, 1)->GetObjects();
    EXPECT_TRUE(Holds(registered, static_cast<CCollidableObject*>(pool)));

    ASSERT_NE(nullptr, level.GetSunObject());
    EXPECT_EQ(0, level.GetSunObject()->m_u8MayBeRecycled);
    EXPECT_EQ(level.GetSunObject(), level.GetActiveObjects().front()) << "straight into the active list";
    ASSERT_EQ(1u, level.GetLensFlares().size());
    const D3DXMATRIX& sunDrawn = level.GetSunObject()->m_ComplexObject.GetLocalMatrix();
    EXPECT_EQ(D3DXVECTOR3(0.0f, 400.0f, 1000.0f), D3DXVECTOR3(sunDrawn._41, sunDrawn._42, sunDrawn._43))
        << "the sun stands at the flare's light";

    const std::vector<CLevelObject*>& boxCell = level.GetObjectGrid().GetCell(CellOf(10, 20)).m_Entries;
    ASSERT_EQ(1u, boxCell.size());
    EXPECT_EQ(2, boxCell[0]->m_iGridReferences);
    EXPECT_TRUE(Holds(level.GetObjectGrid().GetCell(CellOf(300, 20)).m_Entries,
                      static_cast<const CLevelObject*>(boxCell[0])));
    EXPECT_EQ(1u, level.GetBuildings().size());
    ASSERT_EQ(1u, level.GetWeapons().size());
    EXPECT_FLOAT_EQ(5.0f, level.GetWeapons().front()->m_DisplayObject.GetLocalMatrix()._41) << "laid at its place";

    const std::vector<CCar*>& carCell = level.GetCarGrid().GetCell(CellOf(30, 40)).m_Entries;
    ASSERT_EQ(1u, carCell.size());
    EXPECT_EQ(GRID_RECYCLE_DISTANCE, carCell[0]->m_fRecycleDistance);
    EXPECT_FALSE(carCell[0]->m_bInWorld) << "in the world once its cell is active";

    EXPECT_EQ(&level.GetCarColors(), CCarColorTable::Current());
    EXPECT_EQ(1u, level.GetCarColors().GetCount());
    EXPECT_EQ("Numbers.txt", level.GetPhoneDirectory().GetFileName());
    EXPECT_EQ(1u, level.GetPhoneDirectory().GetNumbers().count("5550100"));
    EXPECT_EQ(9, g_GameTimer.m_Hour);
    EXPECT_EQ(30, g_GameTimer.m_Minute);
    EXPECT_FLOAT_EQ(40.0f, g_Player.m_Model.m_matObject._41);
    EXPECT_FLOAT_EQ(-1.0f, g_Player.m_Model.m_matObject._13);
    EXPECT_FLOAT_EQ(50.0f, g_Player.m_Model.m_matWorld._43) << "the world matrix follows";
    EXPECT_TRUE(level.IsReady());
    EXPECT_EQ("Test", level.m_Name);
    EXPECT_EQ(ASSET_TYPE_GAME, level.GetAssetType());
}

TEST_F(PhysicsLevel, ReloadsBuildTheSameWorldAndLeaveThePlayerOnFoot)
{
    g_PlayerActor = &g_Player;
    CLevel& level = LoadLevel(std::string(GROUND) + "WaterPlane Pool Pos 60 -1 70\n"
                              "SunObject Disc\nLensFlare Flare\nBuilding Hut\nWeapon Gun\n"
                              "LevelObject Box Orientation " + At(10, 1, 20) + "\n"
                              "Car Buggy Pos 30 0.5 40\n");
    PlaceViewer(30, 40);
    level.Update();
    const NxU32 actors = g_Physics.GetScene()->getNbActors();
    ASSERT_EQ(1u, level.GetActiveCars().size());
    CCar* car = level.GetActiveCars().front();
    g_Player.EnterCar(car);
    ASSERT_EQ(car, g_Player.m_pCar);
    const D3DXMATRIX seat = *car->GetDriverSeat();

    for (int reload = 0; reload < 2; ++reload) {
        SCOPED_TRACE(reload);
        level.LoadScript();
        EXPECT_EQ(1u, level.GetWaterPlanes().size());
        EXPECT_EQ(1u, level.GetLensFlares().size());
        EXPECT_EQ(1u, level.GetBuildings().size());
        EXPECT_EQ(1u, level.GetWeapons().size());
        EXPECT_EQ(1u, level.GetActiveObjects().size()) << "the sun only, until the grid runs";
        EXPECT_EQ(1u, level.GetObjectGrid().GetCell(CellOf(10, 20)).m_Entries.size());
        EXPECT_EQ(1u, level.GetCarGrid().GetCell(CellOf(30, 40)).m_Entries.size());
        EXPECT_TRUE(level.GetActiveCars().empty());
        EXPECT_EQ(10u, level.GetAIPool().GetAgents().size()) << "the pool's pedestrians made once";
        EXPECT_EQ(CLevel::OBJECT_GRID_TIMER_AT_LOAD, level.GetObjectGridTimer());
        level.Update();
        EXPECT_EQ(actors, g_Physics.GetScene()->getNbActors());
    }

    EXPECT_EQ(nullptr, g_Player.m_pCar);
    EXPECT_EQ(nullptr, g_Player.m_Model.m_pParentMatrix);
    const D3DXMATRIX& placed = g_Player.m_Model.m_matObject;
    EXPECT_NEAR(seat._41 - 1.4f * seat._11, placed._41, 1e-4f) << "beside the seat, on the spot";
    EXPECT_NEAR(seat._42 - 1.4f * seat._12, placed._42, 1e-4f);
    EXPECT_NEAR(seat._43 - 1.4f * seat._13, placed._43, 1e-4f);
    EXPECT_EQ(&g_Player.m_Model.m_matWorld, g_GameCamera.m_pTarget);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CHASE), g_GameCamera.m_u32Mode);
}

class CLevelTest : public LevelFixture {};

TEST_F(CLevelTest, ScriptFaultsStopTheLoadWithTheirMessages)
{
    auto broken = std::make_unique<CCar>();
    broken->m_Name = "Broken";
    g_AssetManager.AddAsset(broken.release());
    auto blunt = std::make_unique<CWeapon>();
    blunt->m_Name = "Blunt";
    g_AssetManager.AddAsset(blunt.release());
    auto dim = std::make_unique<CLensFlare>();
    dim->m_Name = "Dim";
    g_AssetManager.AddAsset(dim.release());
    const char* const path = "Scripts\\Levels\\Test.txt";
    const struct {
        std::string body;
        std::string message;
    } cases[] = {
        {"Terrain Ground\nBogus 1\n", "Unknown keyword in Scripts\\Levels\\Test.txt: <Bogus>"},
        {"Terrain Ground\nLevelObject Box Colour red\n", "Unknown keyword in Scripts\\Levels\\Test.txt: <Colour>"},
        {"Terrain Ground\nCar Broken\n", "Incomplete Car Specification.\nin Scripts\\Levels\\Test.txt"},
        {"Terrain Ground\nLensFlare Dim\n", "Incomplete Lens Flare Specified.\nin Scripts\\Levels\\Test.txt"},
        {"Terrain Ground\nWeapon Blunt\n", "Invalid Weapon Specification.\nin Scripts\\Levels\\Test.txt"},
        {"Terrain Ground\nLevelObject Nothing\n",
         "Unable to find asset \"Nothing\" of type <CLevelObject>\nin Scripts\\Levels\\Test.txt"},
        {"Sky_Box Sky\n", "No Terrain in level script Scripts\\Levels\\Test.txt"},
        {"", "No Terrain in level script Scripts\\Levels\\Test.txt"},
        {"WaterPlane Pool\nTerrain Ground\n", "WaterPlane before Terrain in Scripts\\Levels\\Test.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_FATAL(LoadLevel(c.body, path), c.message);
    }
    m_pLevel = std::make_unique<CLevel>();
    CDataBuffer reader;
    const std::string block = "Level Lost Src Scripts\\Levels\\Missing.txt\n";
    reader.SetSeparators(SCRIPT_SEPARATORS);
    reader.Tokenise(block.data(), block.size());
    ASSERT_TRUE(m_pLevel->Load(reader));
    EXPECT_FATAL(m_pLevel->LoadScript(), "No Terrain in level script Scripts\\Levels\\Missing.txt");
}

TEST_F(CLevelTest, ThePoolIsSetUpWithTheLevelsSpawnNodes)
{
    const struct {
        const char* path;
        const char* spawnNodes;
    } cases[] = {
        {"Scripts\\Levels\\Test.txt", "Scripts\\Levels\\TestSpawnNodes.txt"},
        {"Scripts\\Levels\\Plain", "Scripts\\Levels\\PlainSpawnNodes.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string spawnFile = c.spawnNodes;
        std::replace(spawnFile.begin(), spawnFile.end(), '\\', '/');
        m_Dir.Write(spawnFile, "Sector 77\n");
        const CLevel& level = LoadLevel("Terrain Ground\nSky_Box Sky\n", c.path);
        EXPECT_EQ(77, level.GetAIPool().GetSector(0).m_iId) << "the first block of the level's spawn-node file";
        EXPECT_EQ(1, level.GetAIPool().GetSector(1).m_iId) << "its only block";
        // The fixture has the actor but none of the pool's car kinds.
        const CAIPool& pool = level.GetAIPool();
        EXPECT_EQ(10u, pool.GetPedestrianCount());
        EXPECT_EQ(0u, pool.GetCarCount());
        EXPECT_EQ(0u, pool.GetPoliceCount());
        ASSERT_EQ(10u, pool.GetAgents().size());
        EXPECT_TRUE(pool.GetCars().empty());
        EXPECT_TRUE(pool.GetPoliceAgents().empty());
        for (const std::unique_ptr<CAIControllerSet>& agent : pool.GetAgents())
            EXPECT_EQ(0, agent->m_u8InUse) << "out of the world until an update places it";
    }
}

class CLevelQueries : public AIWorld {
protected:
    CCar* ActiveCarAt(float x, float z)
    {
        m_Cars.push_back(std::make_unique<CCar>());
        CCar* car = m_Cars.back().get();
        car->m_Body.GetWorldMatrix()._41 = x;
        car->m_Body.GetWorldMatrix()._43 = z;
        m_Level.GetActiveCars().push_back(car);
        return car;
    }
    CAIControllerSet* AgentAt(float x, float z, bool inCar)
    {
        CAIControllerSet* agent = m_Level.AddAgent();
        const D3DXVECTOR3 place(x, 0.0f, z);
        if (inCar)
            EXPECT_TRUE(agent->CreateDriver(ACTOR, ActiveCarAt(x, z)));
        else
            EXPECT_TRUE(agent->CreatePedestrian(ACTOR, &place));
        // Where the actor is drawn, the seat's place for a driver.
        agent->GetActor()->m_Model.m_matWorld._41 = x;
        agent->GetActor()->m_Model.m_matWorld._43 = z;
        return agent;
    }
    void TearDown() override
    {
        m_Level.GetActiveCars().clear();
        AIWorld::TearDown();
    }

    // The cars outlive the level's agents that drive them.
    std::vector<std::unique_ptr<CCar>> m_Cars;
    CLevel m_Level;
};

TEST_F(CLevelQueries, NearestCarsAreMergedNearestFirstWithinAnExclusiveBound)
{
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    CCar* at5 = ActiveCarAt(5, 0);
    CCar* at2 = ActiveCarAt(0, 2);
    CCar* at4 = ActiveCarAt(4, 0);
    CCar* alsoAt2 = ActiveCarAt(-2, 0);
    ActiveCarAt(3, 0);
    CCar* at10 = ActiveCarAt(10, 0);

    CNearCarList list;
    EXPECT_EQ(3, m_Level.FindNearestCars(list, 3, origin, 100.0f));
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ(at2, list[0].second) << "equal distances keep list order";
    EXPECT_EQ(alsoAt2, list[1].second);
    EXPECT_FLOAT_EQ(9.0f, list[2].first);

    list.clear();
    EXPECT_EQ(4, m_Level.FindNearestCars(list, 10, origin, 25.0f)) << "the car at the bound is not found";
    EXPECT_EQ(at4, list.back().second);

    list.assign(1, std::make_pair(1.0f, at5));
    EXPECT_EQ(1, m_Level.FindNearestCars(list, 0, origin, 100.0f));
    EXPECT_EQ(1, m_Level.FindNearestCars(list, -1, origin, 100.0f));
    EXPECT_EQ(2, m_Level.FindNearestCars(list, 2, origin, 100.0f)) << "the caller's entries take part";
    EXPECT_EQ(at5, list[0].second);
    EXPECT_EQ(at2, list[1].second);

    EXPECT_EQ(nullptr, m_Level.FindClosestCar(D3DXVECTOR3(31.0f, 0.0f, 0.0f), 21.0f * 21.0f));
    EXPECT_EQ(at10, m_Level.FindClosestCar(D3DXVECTOR3(30.0f, 0.0f, 0.0f), 21.0f * 21.0f));
    EXPECT_EQ(at2, m_Level.FindClosestCar(D3DXVECTOR3(0.0f, 0.0f, 0.0f), 21.0f * 21.0f)) << "the first of equals";
}

TEST_F(CLevelQueries, AgentsAreFoundByTheirActorsOnFootOrAsked)
{
    g_pLevel = &m_Level;
    CAIControllerSet* walker = AgentAt(3, 0, false);
    CAIControllerSet* driver = AgentAt(1, 0, true);
    m_Level.AddAgent(); // no actor yet
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);

    CNearActorList actors;
    EXPECT_EQ(1, CLevel::FindNearestActors(actors, 5, origin, 100.0f, false));
    EXPECT_EQ(walker->GetActor(), actors[0].second);
    actors.clear();
    EXPECT_EQ(2, CLevel::FindNearestActors(actors, 5, origin, 100.0f, true));
    EXPECT_EQ(driver->GetActor(), actors[0].second);
    EXPECT_EQ(0, CLevel::FindNearestActors(actors = {}, 0, origin, 100.0f, true));

    m_Level.GatherAgentsInRadius(origin, 4.0f);
    ASSERT_EQ(1u, m_Level.GetGatheredAgents().size());
    EXPECT_EQ(walker, m_Level.GetGatheredAgents()[0]);
    m_Level.GatherAgentsInRadius(origin, 3.0f);
    EXPECT_TRUE(m_Level.GetGatheredAgents().empty()) << "the previous result is gone";

    EXPECT_EQ(walker, m_Level.GetAgent(0));
    EXPECT_EQ(nullptr, m_Level.GetAgent(3));
    EXPECT_EQ(nullptr, m_Level.GetAgent(-1));
}

TEST_F(CLevelQueries, APooledProjectileIsReusedOnlyAfterAnUpdateRecycledIt)
{
    CProjectile bullet;
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    const std::string block = "Projectile Shot Asset_Type Game ProjectileType DIRECTFIRE NumStages 1 Stage 0";
    reader.Tokenise(block.data(), block.size());
    ASSERT_TRUE(bullet.Load(reader));
    SetFrameTime(16);

    CProjectile* first = m_Level.SpawnProjectile(bullet);
    first->Launch(D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    m_Level.Update();
    ASSERT_TRUE(first->IsFinished());
    m_Level.SpawnProjectile(bullet);
    EXPECT_EQ(2u, m_Level.GetProjectiles().GetStorageSize()) << "finished, not yet recycled";
    m_Level.Update();
    m_Level.Update();
    EXPECT_EQ(first, m_Level.SpawnProjectile(bullet));
    EXPECT_EQ(2u, m_Level.GetProjectiles().GetStorageSize());
    m_Level.SetState(CLevel::STATE_PLAYING);
    EXPECT_EQ(CLevel::STATE_PAUSED, m_Level.GetPreviousState());
    EXPECT_EQ(CLevel::STATE_PLAYING, m_Level.GetState());
}

class LevelUpdateTest : public LevelFixture {
protected:
    void SetUp() override
    {
        LevelFixture::SetUp();
        g_FrameTimer = CFrameTimer();
    }
    void TearDown() override
    {
        g_FrameTimer = CFrameTimer();
        LevelFixture::TearDown();
    }
    bool Traced(const char* step) const { return std::find(s_Trace.begin(), s_Trace.end(), step) != s_Trace.end(); }
    // One update, traced.
    void Step(CLevel& level)
    {
        StartTrace();
        level.Update();
    }
};

TEST_F(LevelUpdateTest, TheObjectGridIsPlacedOncePastASecond)
{
    CLevel& level = LoadLevel(std::string(GROUND) + "LevelObject Box Orientation " + At(10, 1, 20) + "\n");
    PlaceViewer(10, 20);
    Step(level);
    EXPECT_TRUE(Traced("CObjectGrid::Update")) << "the load's 5 seconds";
    EXPECT_EQ(1u, level.GetActiveObjects().size()) << "the box entered";
    EXPECT_EQ(0.0f, level.GetObjectGridTimer());

    level.SetObjectGridTimer(CLevel::OBJECT_GRID_PERIOD);
    Step(level);
    EXPECT_FALSE(Traced("CObjectGrid::Update")) << "exactly 1.0 is not past";
    SetFrameTime(16);
    Step(level);
    EXPECT_TRUE(Traced("CObjectGrid::Update"));
    EXPECT_EQ(0.0f, level.GetObjectGridTimer()) << "restarted, not reduced";
}

TEST_F(LevelUpdateTest, TheClockRunsOnlyWhilePlayingAndTheLightsAlways)
{
    m_Dir.Write("Scripts/Levels/ModernRoadNodes.txt", "NumberOfNodes 2\nRoadNode 0\nRoadNode 1\n");
    CRoadNodeList roads;
    roads.Load();
    m_Dir.Write("Scripts/Levels/ModernTrafficLights.txt",
                "NumberOfLights 1\nNumberOfLightGroups 2\n"
                "Group 0 NumNodesInGroup 1 ConnectedNodes 0\nGroup 1 NumNodesInGroup 1 ConnectedNodes 1\n");
    g_TrafficLights.Init(roads);
    CLevel& level = LoadLevel(std::string(GROUND) + "LensFlare Flare\n");
    g_GameTimer.SetTimeRatio(60.0f);
    SetFrameTime(100);

    const float countdown = g_TrafficLights.GetLight(0).m_fCountdown;
    Step(level);
    EXPECT_FALSE(Traced("CGameTimer::Update"));
    EXPECT_EQ(0.0f, g_GameTimer.m_fSeconds + g_GameTimer.m_Minute);
    EXPECT_LT(g_TrafficLights.GetLight(0).m_fCountdown, countdown);

    level.SetState(CLevel::STATE_PLAYING);
    const float paused = g_TrafficLights.GetLight(0).m_fCountdown;
    Step(level);
    EXPECT_TRUE(Traced("CGameTimer::Update"));
    EXPECT_NEAR(6.0f, g_GameTimer.m_fSeconds, 1e-3f);
    EXPECT_LT(g_TrafficLights.GetLight(0).m_fCountdown, paused);
    EXPECT_EQ(g_GameTimer.GetSunPosition(), level.GetLensFlares()[0]->m_vPosition) << "the flares follow the sun";

    m_Dir.Write("Scripts/Levels/ModernTrafficLights.txt", "NumberOfLights 0\n");
    g_TrafficLights.Init(roads);
}

class PhysicsLevelStreaming : public LevelUpdateTest {
protected:
    void SetUp() override
    {
        StartPhysics();
        LevelUpdateTest::SetUp();
    }
};

TEST_F(PhysicsLevelStreaming, RemovedThingsLeaveOnTheNextUpdateAndComeBackWithTheirCell)
{
    CLevel& level = LoadLevel(std::string(GROUND) + "LevelObject Box Orientation " + At(10, 1, 20) + "\n" +
                              "Car Buggy Pos 30 0.5 40\n");
    PlaceViewer(30, 40);
    level.Update();
    ASSERT_EQ(1u, level.GetActiveCars().size());
    ASSERT_EQ(1u, level.GetActiveObjects().size());
    CCar* car = level.GetActiveCars().front();
    CLevelObject* box = level.GetActiveObjects().front();
    EXPECT_TRUE(car->m_bInWorld);
    EXPECT_NE(nullptr, car->m_PhysicsObject.m_pActor);
    EXPECT_NE(nullptr, box->m_PhysicsObject.m_pActor);
    EXPECT_EQ(GRID_RECYCLE_DISTANCE, car->m_fRecycleDistance);

    car->m_bRemoved = true;
    car->m_fTimeInWorld = 3.0f;
    box->m_u8Removed = 1;
    level.Update();
    EXPECT_TRUE(level.GetActiveCars().empty());
    EXPECT_TRUE(level.GetActiveObjects().empty());
    EXPECT_FALSE(car->m_bInWorld);
    EXPECT_EQ(0.0f, car->m_fTimeInWorld);
    EXPECT_EQ(nullptr, car->m_PhysicsObject.m_pActor);
    EXPECT_EQ(0, box->m_u8InWorld);
    EXPECT_EQ(nullptr, box->m_PhysicsObject.m_pActor);

    level.SetObjectGridTimer(CLevel::OBJECT_GRID_TIMER_AT_LOAD);
    level.Update();
    EXPECT_TRUE(level.GetActiveCars().empty()) << "their cells stayed active";

    PlaceViewer(5000, 5000);
    level.SetObjectGridTimer(CLevel::OBJECT_GRID_TIMER_AT_LOAD);
    level.Update();
    PlaceViewer(30, 40);
    level.SetObjectGridTimer(CLevel::OBJECT_GRID_TIMER_AT_LOAD);
    level.Update();
    ASSERT_EQ(1u, level.GetActiveCars().size());
    EXPECT_EQ(car, level.GetActiveCars().front());
    EXPECT_FALSE(car->m_bRemoved);
    EXPECT_TRUE(car->m_bInWorld);
    EXPECT_NE(nullptr, car->m_PhysicsObject.m_pActor) << "new physics";
    ASSERT_EQ(1u, level.GetActiveObjects().size());
    EXPECT_EQ(box, level.GetActiveObjects().front());
    EXPECT_EQ(1, box->m_u8InWorld);
}

TEST_F(PhysicsLevelStreaming, AnActiveCarRunsItsFrame)
{
    CLevel& level = LoadLevel(std::string(GROUND) + "Car Buggy Pos 30 0.5 40\n");
    PlaceViewer(30, 40);
    SetFrameTime(16);
    level.Update();
    ASSERT_EQ(1u, level.GetActiveCars().size());
    const CCar* car = level.GetActiveCars().front();

    for (int frame = 0; frame < 30; ++frame)
        level.Update();
    // The frame it came in counts too: the grid brings it in before the cars run.
    EXPECT_NEAR(31 * 0.016f, car->m_fTimeInWorld, 1e-4f) << "each frame of the level is a frame of the car";
}

TEST_F(LevelUpdateTest, TheStepsRunInOrderAndRecycledAgentsAreUnlinked)
{
    g_PlayerActor = &g_Player;
    // One of each thing the level runs, each tracing its own update, so a
    // call the level drops is missing from the trace.
    CLevel& level = LoadLevel(std::string(GROUND) + "Building Hut\n" + "LevelObject Box Orientation " +
                              At(10, 1, 20) + "\n" + "Weapon Gun PosMatrix " + At(50, 0.3f, 50) + "\n");
    PlaceViewer(10, 20);
    CAIControllerSet* leaving = level.AddAgent();
    CAIControllerSet* staying = level.AddAgent();
    leaving->m_u8InUse = 1;
    leaving->m_u8RecycleRequested = 1;
    level.SetState(CLevel::STATE_PLAYING);
    Step(level);
    const std::vector<std::string> expected = {
        "CObjectGrid::Update",    "CCarGrid::Update",         "CAIPool::Update",
        "CCrimeManager::Update",  "CPhysics::Update",         "CGameTimer::Update",
        "CAIControllerSet::Update", "CGameActor::Update",     "CWeapon::Update",
        "CTrafficLights::Update",
        "CLevelObject::Update",   "CBuildingObject::Update",  "CProjectilePool::Update",
        "CCellPhone::Update",     "CMissionManager::Update",  "CProjectilePool::CastHitRays",
    };
    EXPECT_EQ(expected, s_Trace) << "one agent updated: the other was unlinked";
    ASSERT_EQ(1u, level.GetAgents().size());
    EXPECT_EQ(staying, level.GetAgents().front());
    EXPECT_EQ(0, leaving->m_u8InUse);
}

TEST_F(LevelUpdateTest, ThePlayerPicksUpAWeaponLyingInReachAndAimsTheCursorWithIt)
{
    g_PlayerActor = &g_Player;
    const float cursor[2] = {g_InGameMouse.GetPosition()[0], g_InGameMouse.GetPosition()[1]};
    CLevel& level = LoadLevel(std::string(GROUND) + "Weapon Gun PosMatrix " + At(5, 0.3f, 5) + "\n" +
                              "Weapon Gun PosMatrix " + At(50, 0.3f, 50) + "\n");
    level.SetState(CLevel::STATE_PLAYING);
    level.Update();
    EXPECT_FLOAT_EQ(0.55f, g_InGameMouse.GetPosition()[0]) << "no weapon: the resting point";
    EXPECT_FLOAT_EQ(0.4f, g_InGameMouse.GetPosition()[1]);
    EXPECT_EQ(2u, level.GetWeapons().size());

    g_Player.m_Model.m_matObject._41 = 5.0f;
    g_Player.m_Model.m_matObject._43 = 5.5f;
    g_Player.m_Model.UpdateWorldMatrix();
    level.Update();
    ASSERT_EQ(1u, level.GetWeapons().size()) << "the one in reach is the player's now";
    ASSERT_NE(nullptr, g_Player.GetCurrentWeapon());
    EXPECT_EQ("Gun", g_Player.GetCurrentWeapon()->m_Name);

    CWeapon& gun = *g_Player.GetCurrentWeapon();
    gun.m_vAimPos = D3DXVECTOR2(0.25f, 0.75f);
    gun.m_vAimPosSec = D3DXVECTOR2(0.5f, 0.5f);
    level.Update();
    EXPECT_FLOAT_EQ(0.25f, g_InGameMouse.GetPosition()[0]);
    EXPECT_FLOAT_EQ(0.75f, g_InGameMouse.GetPosition()[1]);
    gun.m_bScoped = true;
    level.Update();
    EXPECT_FLOAT_EQ(0.5f, g_InGameMouse.GetPosition()[1]) << "through the scope";
    gun.m_bScoped = false;

    level.LoadScript();
    EXPECT_TRUE(g_Player.GetWeapons().empty()) << "a load takes the player's weapons";
    EXPECT_EQ(2u, level.GetWeapons().size());
    g_InGameMouse.SetPosition(cursor);
}

class CCarGridTest : public LevelFixture {};

TEST_F(CCarGridTest, CarsOutsideTheGridGoToTheOverflowCellAndTheGridDeletesItsCars)
{
    CCarGrid grid;
    auto* outside = new CCar();
    outside->m_matSpawn._41 = 1400.0f;
    auto* sliver = new CCar();
    sliver->m_matSpawn._41 = -1450.0f;
    auto* mission = new CCar();
    grid.Insert(outside);
    EXPECT_NE(std::string::npos, Log().find("Car in invalid space warning, object put into mystery slot"));
    const size_t warnings = Log().size();
    grid.Insert(sliver);
    EXPECT_EQ(warnings, Log().size()) << "a quotient above -1 lies in column 0";
    grid.AddToOverflow(mission);
    EXPECT_EQ(2u, grid.GetOverflowCell().m_Entries.size());
    EXPECT_EQ(sliver, grid.GetCell(CCarGrid::CellIndex(0, 8)).m_Entries.at(0));
    for (const CCar* car : {outside, sliver, mission})
        EXPECT_EQ(GRID_RECYCLE_DISTANCE, car->m_fRecycleDistance);

    std::list<CCar*> active;
    grid.Update(D3DXVECTOR3(-1400.0f, 0.0f, 0.0f), active);
    EXPECT_EQ(std::list<CCar*>{sliver}, active) << "the overflow cell is never activated";
    grid.Clear();
    EXPECT_TRUE(grid.GetOverflowCell().m_Entries.empty());
}
