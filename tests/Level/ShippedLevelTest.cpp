// The level "Modern" as the game ships it: every asset script read as
// start-up reads it, then the level built from its script. Its spawn-node
// file is checked against the road graph it is made from: a file that
// drifted from the roads fails here.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIPool.h"
#include "Actors/Car.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Actors/GameActor.h"
#include "Display/DisplayFixture.h"
#include "Display/SkyBox.h"
#include "Display/Texture.h"
#include "Game/Conversation.h"
#include "Game/CrimeManager.h"
#include "Game/PhoneDirectory.h"
#include "Level/BuildingObject.h"
#include "Level/GameTimer.h"
#include "Level/Level.h"
#include "Level/LevelObject.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/Terrain.h"
#include "Level/TrafficLights.h"
#include "Level/WaterPlane.h"
#include "Physics/Physics.h"
#include "support/ShippedScripts.h"

namespace {

const size_t TOWN_CARS = 3;
const size_t TOWN_BUILDINGS = 3;
const size_t CROSSING_LAMPS = 4;

// The spawn-node file: a sector lists the road nodes with links this far
// from its centre, each facing its target.
const char* const SPAWN_FILE = "Scripts\\Levels\\ModernSpawnNodes.txt";
const float SPAWN_NEAREST = 120.0f;
const float SPAWN_FARTHEST = 185.0f;
const float MAX_HEADING_ERROR_DEGREES = 0.1f;

// The road nodes the spawn-node file's rule puts under `sector`, in road-node order.
std::vector<int32_t> SelectedRoadNodes(uint32_t sector)
{
    const float half = CAIPool::CELL_SIZE / 2;
    const float cx = CAIPool::ORIGIN + (sector % CAIPool::COLUMNS) * CAIPool::CELL_SIZE + half;
    const float cz = CAIPool::ORIGIN + (sector / CAIPool::COLUMNS) * CAIPool::CELL_SIZE + half;
    std::vector<int32_t> selected;
    for (size_t i = 0; i < g_RoadNodes.GetNodeCount(); ++i) {
        const cRoadnode& node = *g_RoadNodes.GetNode(i);
        const float distance = std::hypot(node.GetPosition()->x - cx, node.GetPosition()->z - cz);
        if (node.GetLinkCount() > 0 && distance >= SPAWN_NEAREST && distance <= SPAWN_FARTHEST)
            selected.push_back(static_cast<int32_t>(i));
    }
    return selected;
}

void ExpectOrientationFacesTarget(const D3DXMATRIX& m, const cRoadnode& from, const cRoadnode& to)
{
    const D3DXVECTOR3 right(m._11, m._12, m._13);
    const D3DXVECTOR3 up(m._21, m._22, m._23);
    const D3DXVECTOR3 forward(m._31, m._32, m._33);
    const float tolerance = 1e-4f;
    EXPECT_NEAR(1.0f, D3DXVec3Length(&right), tolerance);
    EXPECT_NEAR(1.0f, D3DXVec3Length(&up), tolerance);
    EXPECT_NEAR(1.0f, D3DXVec3Length(&forward), tolerance);
    EXPECT_NEAR(0.0f, D3DXVec3Dot(&right, &up), tolerance);
    EXPECT_NEAR(0.0f, D3DXVec3Dot(&right, &forward), tolerance);
    EXPECT_NEAR(0.0f, D3DXVec3Dot(&up, &forward), tolerance);
    D3DXVECTOR3 handed;
    D3DXVec3Cross(&handed, &up, &forward);
    EXPECT_NEAR(1.0f, D3DXVec3Dot(&handed, &right), tolerance) << "right = up x forward";
    EXPECT_EQ(*from.GetPosition(), D3DXVECTOR3(m._41, m._42, m._43)) << "placed on its road node";
    EXPECT_EQ(1.0f, m._44);

    D3DXVECTOR3 toTarget = *to.GetPosition() - *from.GetPosition();
    D3DXVec3Normalize(&toTarget, &toTarget);
    D3DXVECTOR3 across;
    D3DXVec3Cross(&across, &forward, &toTarget);
    // The sine through the cross product: acos near 1 is too coarse in float.
    const float angle = std::atan2(D3DXVec3Length(&across), D3DXVec3Dot(&forward, &toTarget));
    EXPECT_LT(angle * 180.0f / D3DX_PI, MAX_HEADING_ERROR_DEGREES);
}

class ShippedLevelTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        ASSERT_TRUE(g_Physics.Init());
        const std::string logBefore = Log();
        LoadShippedTown();
        m_LoadLog = Log().substr(logBefore.size());
    }
    void TearDown() override
    {
        EndShippedTown();
        g_Physics.Shutdown();
        DisplayFixture::TearDown();
    }

    static size_t CountPlaced(CLevel& level, const char* prototype)
    {
        size_t count = 0;
        for (int cell = 0; cell <= CObjectGrid::OVERFLOW_CELL; ++cell)
            for (const CLevelObject* object : level.GetObjectGrid().GetCell(cell).m_Entries)
                count += object->m_Name == prototype ? 1 : 0;
        return count;
    }

    std::string m_LoadLog;
};

TEST_F(ShippedLevelTest, ModernBuildsTheTownWithoutALogLine)
{
    EXPECT_EQ("", m_LoadLog);
    CLevel& level = *g_pLevel;
    EXPECT_TRUE(level.IsReady());
    EXPECT_EQ("Modern", level.m_Name);
    ASSERT_NE(nullptr, level.GetTerrain());
    EXPECT_EQ("Modern", level.GetTerrain()->m_Name);
    ASSERT_NE(nullptr, level.GetSkyBox());
    EXPECT_EQ("Dusk", level.GetSkyBox()->m_Name);
    ASSERT_EQ(1u, level.GetWaterPlanes().size());
    EXPECT_EQ(D3DXVECTOR3(430.0f, -1.5f, 240.0f), level.GetWaterPlanes()[0]->GetPosition());
    ASSERT_NE(nullptr, level.GetSunObject());
    EXPECT_EQ(1u, level.GetLensFlares().size());
    EXPECT_EQ(TOWN_BUILDINGS, level.GetBuildings().size());
    EXPECT_EQ(5u, CountPlaced(level, "Crate"));
    EXPECT_EQ(CROSSING_LAMPS, CountPlaced(level, "TrafficLamp"));
    EXPECT_GT(CountPlaced(level, "Kerb"), 0u);
    EXPECT_GT(CountPlaced(level, "Wall"), 0u);
    EXPECT_TRUE(level.GetObjectGrid().GetOverflowCell().m_Entries.empty());

    size_t cars = 0;
    for (int cell = 0; cell < CCarGrid::CELL_COUNT; ++cell)
        cars += level.GetCarGrid().GetCell(cell).m_Entries.size();
    EXPECT_EQ(TOWN_CARS, cars);
    EXPECT_TRUE(level.GetCarGrid().GetOverflowCell().m_Entries.empty());

    ASSERT_EQ(1u, level.GetWeapons().size());
    EXPECT_EQ("pistol", level.GetWeapons().front()->m_Name);

    EXPECT_EQ(9, g_GameTimer.m_Hour);
    EXPECT_EQ(30, g_GameTimer.m_Minute);
    for (size_t group = 0; group < 2; ++group)
        EXPECT_EQ(2u, g_TrafficLights.GetLight(0).m_Groups[group].m_Lamps.size());

    // The fixed population: every maker found what it names.
    const CAIPool& pool = level.GetAIPool();
    EXPECT_EQ(20u, pool.GetAgents().size());
    EXPECT_EQ(10u, pool.GetCars().size());
    EXPECT_EQ(10u, pool.GetPoliceAgents().size());
    EXPECT_EQ(10u, pool.GetPoliceCars().size());
    EXPECT_EQ(10u, pool.GetPedestrianCount());
    EXPECT_EQ(10u, pool.GetCarCount());
    EXPECT_EQ(10u, pool.GetPoliceCount());
}

TEST_F(ShippedLevelTest, ThePoolsPrototypesAndTheWantedMaximumAreShipped)
{
    for (const char* kind : {"PORCH", "SEDAN", "TRUCK", "HATCH", "GHETTO", "LOWRIDER", "COPCAR"}) {
        CCar* car = nullptr;
        g_AssetManager.GetAssetByUpperName(kind, car, false);
        EXPECT_NE(nullptr, car) << kind;
    }
    CGameActor* lizard = nullptr;
    g_AssetManager.GetAssetByUpperName("LIZARD", lizard, false);
    EXPECT_NE(nullptr, lizard);
    CWeapon* pistol = nullptr;
    g_AssetManager.GetAssetByUpperName("PISTOL", pistol, false);
    EXPECT_NE(nullptr, pistol);

    ScopedWorkingDir inGame(KELM_GAME_DIR);
    CGameActor player;
    CGameActor* const previousPlayer = g_PlayerActor;
    g_PlayerActor = &player;
    CCrimeManager crimes;
    crimes.Init();
    g_PlayerActor = previousPlayer;
    EXPECT_GE(static_cast<int>(crimes.MaxWantedLevel), 1) << "the police budget divides by it";
}

TEST_F(ShippedLevelTest, EverySpawnSectorListsTheRoadNodesItsRuleSelectsFacingTheirTargets)
{
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        CAIPool fresh;
        const std::string logBefore = Log();
        EXPECT_TRUE(fresh.LoadSpawnNodes(SPAWN_FILE)) << "all 1024 blocks";
        EXPECT_EQ(logBefore, Log()) << "every target resolves, every node is filed";
    }
    const CAIPool& pool = g_pLevel->GetAIPool();
    for (uint32_t k = 0; k < static_cast<uint32_t>(CAIPool::FILE_SECTOR_COUNT); ++k) {
        SCOPED_TRACE("sector " + std::to_string(k));
        const CAIPoolSector& sector = pool.GetSector(k);
        EXPECT_EQ(static_cast<int32_t>(k), sector.m_iId);
        std::vector<int32_t> listed;
        for (const std::unique_ptr<CRoadSpawnNode>& node : sector.m_RoadSpawnNodes) {
            listed.push_back(node->m_iId);
            const cRoadnode* road = g_RoadNodes.GetNode(static_cast<size_t>(node->m_iId));
            ASSERT_NE(nullptr, road);
            EXPECT_EQ(*road->GetPosition(), node->m_vPos);
            ASSERT_EQ(road->GetLinkCount(), node->m_Targets.size()) << "one direction per link";
            ASSERT_EQ(node->m_Targets.size(), node->m_Orientations.size());
            for (size_t i = 0; i < node->m_Targets.size(); ++i) {
                EXPECT_EQ(road->GetLinkTarget(i), node->m_Targets[i]);
                ExpectOrientationFacesTarget(node->m_Orientations[i], *road, *node->m_Targets[i]);
            }
        }
        EXPECT_EQ(SelectedRoadNodes(k), listed);
    }
    EXPECT_TRUE(pool.GetSector(CAIPool::FILE_SECTOR_COUNT).m_RoadSpawnNodes.empty());
}

TEST_F(ShippedLevelTest, ThePlacesThePlayerSeesHaveSpawnNodesForCarsAndWalkers)
{
    const CAIPool& pool = g_pLevel->GetAIPool();
    const struct {
        const char* place;
        D3DXVECTOR3 point;
    } places[] = {
        {"the town square", {380.0f, 0.0f, 190.0f}},
        {"the menu camera", {514.0f, 0.0f, 311.0f}},
        {"the start area", {-45.0f, 0.0f, -60.0f}},
    };
    for (const auto& p : places) {
        const int32_t sector = pool.SectorOf(p.point);
        ASSERT_GE(sector, 0) << p.place;
        EXPECT_GE(pool.GetSector(static_cast<uint32_t>(sector)).m_RoadSpawnNodes.size(), 2u) << p.place;
    }

    size_t walkers = 0;
    for (uint32_t k = 0; k < pool.GetSectorCount(); ++k) {
        for (const std::unique_ptr<CSidewalkSpawnNode>& node : pool.GetSector(k).m_SidewalkSpawnNodes) {
            EXPECT_NE(nullptr, node->m_pNextNode) << "every sidewalk node links on";
            ++walkers;
        }
    }
    EXPECT_EQ(g_SidewalkNodes.GetNodeCount(), walkers) << "every sidewalk node lies in the grid";
    EXPECT_NE(nullptr, pool.GetPyramidMarker().GetMesh()->GetD3DXMesh());
    EXPECT_NE(nullptr, pool.GetSphereMarker().GetMesh()->GetD3DXMesh());
}

// The town's two numbers by day; at night only the depot's recorded line,
// and before eight nobody answers there.
TEST_F(ShippedLevelTest, ModernsPhoneNumbersAnswerByTheClock)
{
    const CPhoneDirectory& directory = g_pLevel->GetPhoneDirectory();
    EXPECT_TRUE(directory.IsLoaded());
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    const auto dialAt = [&](float minutes, const char* number, CDirectoryResult& result) {
        g_GameTimer.SetTime(minutes);
        g_GameTimer.Advance(0.0f);
        return directory.Lookup(number, g_GameTimer.GetTimeOfDay(), result);
    };
    CDirectoryResult depot;
    CDirectoryResult friendly;
    ASSERT_TRUE(dialAt(570.0f, "5550100", depot));
    EXPECT_EQ("Scripts\\Conversations\\Depot.txt", depot.m_Text);
    ASSERT_TRUE(dialAt(570.0f, "5550142", friendly));
    EXPECT_NE(nullptr, friendly.m_pConversation);
    EXPECT_NE(depot.m_pConversation, friendly.m_pConversation);

    CDirectoryResult night;
    ASSERT_TRUE(dialAt(22.0f * 60.0f, "5550100", night));
    ASSERT_NE(nullptr, night.m_pConversation);
    EXPECT_NE(depot.m_pConversation, night.m_pConversation);
    EXPECT_FLOAT_EQ(20.0f, night.m_pConversation->GetStartTime());
    EXPECT_EQ(0u, night.m_pConversation->GetInputCount()) << "a recorded line";
    CDirectoryResult early;
    EXPECT_FALSE(dialAt(6.0f * 60.0f, "5550100", early));
}

} // namespace
