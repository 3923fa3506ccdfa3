// The level "Modern" as the game ships it: every asset script read as
// start-up reads it, then the level built from its script.

#include <string>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/SkyBox.h"
#include "Display/Texture.h"
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
}

} // namespace
