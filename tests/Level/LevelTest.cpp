#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Projectile.h"
#include "Core/AssetManager.h"
#include "Display/SkyBox.h"
#include "Effects/LensFlare.h"
#include "Level/BuildingObject.h"
#include "Level/GameTimer.h"
#include "Level/LevelFixture.h"
#include "Level/LevelObject.h"
#include "Level/Terrain.h"
#include "Level/WaterPlane.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"

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
    CLevel& level = LoadLevel(std::string(GROUND) + "Sky_Box Sky\n"
                              "WaterPlane Pool Pos 70 -1 70\n"
                              "SunObject Disc Orientation " + At(0, 300, 900) + "\n"
                              "LensFlare Flare\n"
                              "LevelObject Box Orientation " + At(10, 1, 20) + " OtherSpawnPoint 300 0 20\n"
                              "Building Hut\n"
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

    const std::vector<CCar*>& carCell = level.GetCarGrid().GetCell(CellOf(30, 40)).m_Entries;
    ASSERT_EQ(1u, carCell.size());
    EXPECT_EQ(GRID_RECYCLE_DISTANCE, carCell[0]->m_fRecycleDistance);
    EXPECT_FALSE(carCell[0]->m_bInWorld) << "in the world once its cell is active";

    EXPECT_EQ("Numbers.txt", level.GetPhoneDirectory().GetFileName());
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
                              "SunObject Disc\nLensFlare Flare\nBuilding Hut\n"
                              "LevelObject Box Orientation " + At(10, 1, 20) + "\n"
                              "Car Buggy Pos 30 0.5 40\n");
    PlaceViewer(30, 40);
    level.Update();
    const NxU32 actors = g_Physics.GetScene()->getNbActors();
    ASSERT_EQ(1u, level.GetActiveCars().size());
    CCar* car = level.GetActiveCars().front();
    g_Player.m_pCar = car;
    g_Player.m_Model.m_pParentMatrix = car->GetDriverSeat();
    const D3DXMATRIX seat = *car->GetDriverSeat();

    for (int reload = 0; reload < 2; ++reload) {
        SCOPED_TRACE(reload);
        level.LoadScript();
        EXPECT_EQ(1u, level.GetWaterPlanes().size());
        EXPECT_EQ(1u, level.GetLensFlares().size());
        EXPECT_EQ(1u, level.GetBuildings().size());
        EXPECT_EQ(1u, level.GetActiveObjects().size()) << "the sun only, until the grid runs";
        EXPECT_EQ(1u, level.GetObjectGrid().GetCell(CellOf(10, 20)).m_Entries.size());
        EXPECT_EQ(1u, level.GetCarGrid().GetCell(CellOf(30, 40)).m_Entries.size());
        EXPECT_TRUE(level.GetActiveCars().empty());
        EXPECT_EQ(23u, level.GetAIPool().GetRequests().size()) << "the pool set up once";
        EXPECT_EQ(CLevel::OBJECT_GRID_TIMER_AT_LOAD, level.GetObjectGridTimer());
        level.Update();
        EXPECT_EQ(actors, g_Physics.GetScene()->getNbActors());
    }

    EXPECT_EQ(nullptr, g_Player.m_pCar);
    EXPECT_EQ(nullptr, g_Player.m_Model.m_pParentMatrix);
    const D3DXMATRIX& placed = g_Player.m_Model.m_matObject;
    EXPECT_FLOAT_EQ(seat._41 - 1.5f, placed._41) << "beside the seat";
    EXPECT_FLOAT_EQ(seat._43, placed._43);
    EXPECT_EQ(&g_Player.m_Model.m_matWorld, g_GameCamera.m_pTarget);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CHASE), g_GameCamera.m_u32Mode);
}

class CLevelTest : public LevelFixture {};

TEST_F(CLevelTest, ScriptFaultsStopTheLoadWithTheirMessages)
{
    auto broken = std::make_unique<CCar>();
    broken->m_Name = "Broken";
    g_AssetManager.AddAsset(broken.release());
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
        {"Terrain Ground\nCar Broken\n", "Incomplete Car Specification."},
        {"Terrain Ground\nLensFlare Dim\n", "Incomplete Lens Flare Specified."},
        {"Terrain Ground\nLevelObject Nothing\n", "Unable to find asset \"Nothing\" of type <CLevelObject>"},
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
    const char* const kinds[] = {"PORCH", "SEDAN", "TRUCK", "HATCH", "SEDAN",
                                 "HATCH", "TRUCK", "GHETTO", "PORCH", "LOWRIDER"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const CLevel& level = LoadLevel("Terrain Ground\nSky_Box Sky\n", c.path);
        const std::vector<CAIPool::Request>& calls = level.GetAIPool().GetRequests();
        ASSERT_EQ(23u, calls.size());
        EXPECT_EQ("CreateSidewalkSpawnNodes", calls[0].m_Operation);
        EXPECT_EQ("LoadSpawnNodes", calls[1].m_Operation);
        EXPECT_EQ(c.spawnNodes, calls[1].m_Actor);
        for (int car = 0; car < 10; ++car) {
            EXPECT_EQ("AddCar", calls[2 + car].m_Operation);
            EXPECT_EQ("LIZARD", calls[2 + car].m_Actor);
            EXPECT_EQ(kinds[car], calls[2 + car].m_Car);
            EXPECT_EQ(0, calls[2 + car].m_iCount);
        }
        for (int pedestrian = 0; pedestrian < 10; ++pedestrian) {
            EXPECT_EQ("AddPedestrian", calls[12 + pedestrian].m_Operation);
            EXPECT_EQ("LIZARD", calls[12 + pedestrian].m_Actor);
        }
        EXPECT_EQ("AddCopCars", calls[22].m_Operation);
        EXPECT_EQ("LIZARD", calls[22].m_Actor);
        EXPECT_EQ("COPCAR", calls[22].m_Car);
        EXPECT_EQ(10, calls[22].m_iCount);
    }
}
