// The shipped start scripts, read as start-up reads them from the game's
// folder: each mission waits where the town's layout puts it, with its
// marker running and its cinema loaded, and nothing is logged.

#include <string>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Log.h"
#include "Display/ComplexObject.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "Game/CheckPointMission.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "support/ShippedScripts.h"
#include "support/TempDir.h"

namespace {

struct ShippedStart {
    const char* m_Name;
    D3DXVECTOR3 m_Position;
    float m_fRadius;
    bool m_bCinema;
};

const ShippedStart SHIPPED_STARTS[] = {
    {"3", D3DXVECTOR3(300, 0, 110), 4.0f, false},
    {"5", D3DXVECTOR3(460, 0, 290), 4.0f, false},
    {"6", D3DXVECTOR3(470, 0, 100), 4.0f, true},
    {"SaveMission", D3DXVECTOR3(-45, 0.5f, -30), 2.5f, false},
    {"Intro", D3DXVECTOR3(-62, 0.5f, -58), 3.0f, true},
};

// The level runs behind the main menu: no mission may start there.
const D3DXVECTOR3 PLAYER_START(360, 0.5f, 170);

class ShippedMissionsTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        g_Log.Open(m_Dir.Path() + "/log.txt");
        const ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadEffectScripts();
        // The checkpoint runs' arrow.
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
        LoadAssetsFromScript<CComplexObject>(COMPLEX_OBJECT_SCRIPT);
        ResolveComplexObjectSubGroups();
    }
    void TearDown() override
    {
        g_Log.Shutdown();
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    TempDir m_Dir;
};

TEST_F(ShippedMissionsTest, TheStartAndMainScriptsLoadWithTheirMarkersAndCinemasWhereTheLayoutPutsThem)
{
    CMissionManager manager;
    {
        const ScopedWorkingDir inGame(KELM_GAME_DIR);
        for (const ShippedStart& start : SHIPPED_STARTS)
            manager.CreateMission(start.m_Name);
    }
    ASSERT_EQ(std::size(SHIPPED_STARTS), manager.GetMissionCount());
    for (size_t index = 0; index < manager.GetMissionCount(); ++index) {
        const ShippedStart& expected = SHIPPED_STARTS[index];
        const CMission& mission = *manager.GetMission(index);
        SCOPED_TRACE(expected.m_Name);
        EXPECT_EQ(expected.m_Name, mission.GetName());
        EXPECT_EQ(expected.m_Position, mission.GetStartPosition());
        EXPECT_FLOAT_EQ(expected.m_fRadius, mission.GetStartingRadius());
        EXPECT_EQ("Scripts\\Mission\\" + mission.GetName() + ".txt", mission.GetMainScript());
        EXPECT_TRUE(mission.GetStartEffect().m_u8Running);
        EXPECT_EQ(expected.m_bCinema, !mission.GetStartCinema().GetEvents().empty());
        const D3DXVECTOR3 offset = mission.GetStartPosition() - PLAYER_START;
        EXPECT_GT(D3DXVec3Length(&offset), mission.GetStartingRadius() + 10.0f) << "clear of the player's start";
        // A mission that starts must find its main script, or the game stops.
        // The introduction's guide needs a level: IntroMission reads its script.
        if (mission.GetName() == "Intro")
            continue;
        const ScopedWorkingDir inGame(KELM_GAME_DIR);
        manager.GetMission(index)->LoadMissionFile(mission.GetMainScript());
    }
    g_Log.Shutdown();
    const std::string log = m_Dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("\n[")) << log;
}

// The credits tour the town on their cinema; with nothing to reach and no
// sound to wait for they are won as soon as it has played.
TEST_F(ShippedMissionsTest, TheCreditsLoadTheirTourWithNeitherCheckPointsNorVictorySound)
{
    CGameActor player;
    CGameActor* const previousPlayer = g_PlayerActor;
    g_PlayerActor = &player;
    CMissionManager manager;
    CMission* credits = nullptr;
    {
        const ScopedWorkingDir inGame(KELM_GAME_DIR);
        credits = manager.StartCredits();
    }
    ASSERT_NE(nullptr, credits);
    EXPECT_FALSE(credits->GetStartCinema().GetEvents().empty());
    auto* run = dynamic_cast<CTimedCheckPointMission*>(credits);
    ASSERT_NE(nullptr, run);
    EXPECT_EQ(0u, run->GetCheckPointCount());
    EXPECT_TRUE(credits->GetVictorySound().empty());
    g_PlayerActor = previousPlayer;
}

} // namespace
