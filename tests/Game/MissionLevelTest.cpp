// What a mission's main script puts into the level, and what its end takes
// out again, on the small test level with physics.

#include "Game/Mission.h"

#include <string>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Display/TextMaster.h"
#include "Level/LevelFixture.h"
#include "support/FatalTrap.h"

namespace {

const char* const MAIN_SCRIPT = "Scripts/Mission/Test.txt";

// A mission class that keeps the cars its "MissionCar" entries place, as
// the mission classes do with theirs, and shows one line of text.
class CarMission : public CMission {
public:
    bool Parse(CDataBuffer& reader) override
    {
        if (CMission::Parse(reader))
            return true;
        if (!reader.Match("MissionCar"))
            return false;
        m_SpawnedCars.push_back(PlaceCar(reader));
        return true;
    }
    void Draw(ERenderPass pass) override { DrawText(pass, "Follow the CheckPoints", 0.2f, 0.2f, 0xFFFFFFFF); }
};

class MissionLevel : public LevelFixture {
protected:
    void SetUp() override
    {
        StartPhysics();
        LevelFixture::SetUp();
        g_PlayerActor = &g_Player;
    }

    CLevel& LoadGround() { return LoadLevel("Terrain Ground\n"); }

    void Start(CMission& mission, const std::string& text)
    {
        m_Dir.Write(MAIN_SCRIPT, text);
        mission.LoadMissionFile(MAIN_SCRIPT);
    }

    // The viewer's block of cells made active again, and the object grid placed.
    static void StreamAround(CLevel& level)
    {
        level.SetObjectGridTimer(CLevel::OBJECT_GRID_TIMER_AT_LOAD);
        level.Update();
    }

    std::string Script() const
    {
        return "LevelObject Box Orientation " + At(10, 1, 20) + "\nCar Buggy Pos 30 0.5 40\n" +
               "MissionCar Buggy Pos 40 0.5 40\nWeapon Gun PosMatrix " + At(5, 0.3f, 5) + "\n";
    }
};

TEST_F(MissionLevel, TheMainScriptPutsItsObjectCarsAndWeaponIntoTheWorldWithTheirBodies)
{
    CLevel& level = LoadGround();
    CarMission mission;
    Start(mission, Script());

    ASSERT_EQ(1u, mission.GetSpawnedObjects().size());
    CLevelObject* box = mission.GetSpawnedObjects()[0];
    EXPECT_EQ(box, level.GetActiveObjects().back());
    EXPECT_EQ(1, box->m_u8InWorld);
    EXPECT_EQ(0, box->m_u8Removed);
    EXPECT_EQ(0, box->m_u8MayBeRecycled) << "kept while the mission runs";
    EXPECT_NE(nullptr, box->m_PhysicsObject.m_pActor);
    EXPECT_EQ(std::vector<CLevelObject*>{box}, level.GetObjectGrid().GetOverflowCell().m_Entries);
    EXPECT_EQ(1, box->m_iGridReferences);

    ASSERT_EQ(2u, level.GetActiveCars().size());
    EXPECT_EQ(std::vector<CCar*>{level.GetActiveCars().back()}, mission.GetSpawnedCars())
        << "a scripted car is not the mission's";
    for (CCar* car : level.GetActiveCars()) {
        EXPECT_TRUE(car->m_bInWorld);
        EXPECT_FALSE(car->m_bRecyclable);
        EXPECT_NE(nullptr, car->m_PhysicsObject.m_pActor);
    }
    EXPECT_EQ(2u, level.GetCarGrid().GetOverflowCell().m_Entries.size());

    ASSERT_EQ(1u, mission.GetSpawnedWeapons().size());
    ASSERT_EQ(1u, level.GetWeapons().size());
    EXPECT_EQ(level.GetWeapons().front().get(), mission.GetSpawnedWeapons()[0]);
    EXPECT_FLOAT_EQ(5.0f, mission.GetSpawnedWeapons()[0]->m_DisplayObject.GetLocalMatrix()._41) << "at its place";

    CMission missing;
    EXPECT_FATAL(Start(missing, "LevelObject Nothing"),
                 std::string("Unable to find asset \"Nothing\" of type <CLevelObject>\nin ") + MAIN_SCRIPT);
}

// The object goes on the level's next update and never comes back with its
// cell; the mission's own car may be recycled, the scripted one stays.
TEST_F(MissionLevel, EndRemovesTheObjectForGoodAndLetsTheMissionsCarsBeRecycled)
{
    CLevel& level = LoadGround();
    PlaceViewer(10, 20);
    CarMission mission;
    Start(mission, Script());
    CCar* scripted = level.GetActiveCars().front();
    CCar* own = mission.GetSpawnedCars()[0];
    CLevelObject* box = mission.GetSpawnedObjects()[0];

    mission.End();
    EXPECT_TRUE(mission.GetSpawnedObjects().empty());
    EXPECT_TRUE(mission.GetSpawnedCars().empty());
    EXPECT_TRUE(mission.GetSpawnedWeapons().empty());
    EXPECT_EQ(1, box->m_u8Removed);
    EXPECT_TRUE(own->m_bRecyclable);
    EXPECT_FALSE(scripted->m_bRecyclable);
    EXPECT_EQ(1u, level.GetWeapons().size()) << "the weapon stays with the level";

    StreamAround(level);
    EXPECT_TRUE(level.GetActiveObjects().empty());
    EXPECT_TRUE(level.GetObjectGrid().GetOverflowCell().m_Entries.empty()) << "deleted";
    PlaceViewer(5000, 5000);
    StreamAround(level);
    PlaceViewer(10, 20);
    StreamAround(level);
    EXPECT_TRUE(level.GetActiveObjects().empty()) << "never back";
    EXPECT_EQ(scripted, level.GetActiveCars().front());
}

// Whatever a mission left, ended or not, goes with the level's reloads.
TEST_F(MissionLevel, ReloadsAfterAMissionLeaveNoObjectBehind)
{
    CLevel& level = LoadGround();
    CarMission ended;
    Start(ended, Script());
    ended.End();
    CarMission running;
    Start(running, Script());
    for (int reload = 0; reload < 2; ++reload) {
        level.LoadScript();
        EXPECT_TRUE(level.GetActiveObjects().empty());
        EXPECT_TRUE(level.GetActiveCars().empty());
        EXPECT_TRUE(level.GetObjectGrid().GetOverflowCell().m_Entries.empty());
        EXPECT_TRUE(level.GetCarGrid().GetOverflowCell().m_Entries.empty());
    }
}

// The level queues its missions in the mirrored pass and the main one.
TEST_F(MissionLevel, AMissionsTextIsQueuedOnceAFrameOverBothPasses)
{
    g_TextMaster.Enable();
    CarMission mission;
    const uint32_t before = g_TextMaster.GetQueueCount();
    mission.Draw(RENDER_PASS_REFLECTION);
    EXPECT_EQ(before, g_TextMaster.GetQueueCount());
    mission.Draw(RENDER_PASS_MAIN);
    EXPECT_EQ(before + 1, g_TextMaster.GetQueueCount());
    g_TextMaster.Clear(CTextMaster::CLEAR_PREPARED);
}

} // namespace
