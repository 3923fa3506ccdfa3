// The destruction mission on the small test level: its targets and time
// limit, the destroyed cars it counts, the texts of each frame, the wanted
// level it holds down, and the weapon its start script lays out.

#include "Game/DestructionMission.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/Clock.h"
#include "Display/TextMaster.h"
#include "Game/CrimeManager.h"
#include "Level/LevelFixture.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "support/QueuedTexts.h"

namespace {

const char* const START_SCRIPT = "Scripts/Mission/TestPre.txt";
const char* const MAIN_SCRIPT = "Scripts/Mission/Test.txt";
// An exact binary fraction, so that delays add up to whole seconds.
const uint32_t FRAME_MS = 125;
const D3DCOLOR RED = DestructionMission::TEXT_COLOUR;
const D3DCOLOR GREEN = DestructionMission::ENDING_COLOUR;

const std::string WIN = QueuedText("You Win!!", 0.2f, 0.2f, GREEN);
const std::string LOSS = QueuedText("You Fail LoSeR!!", 0.2f, 0.2f, GREEN);

class DestructionMissionTest : public LevelFixture {
protected:
    void SetUp() override
    {
        LevelFixture::SetUp();
        LoadLevel("Terrain Ground\n");
        g_PlayerActor = &g_Player;
        SetFrameTime(FRAME_MS);
        g_TextMaster.Enable();
    }
    void TearDown() override
    {
        g_TextMaster.Reset();
        g_FrameTimer = CFrameTimer();
        LevelFixture::TearDown();
    }

    void Start(DestructionMission& mission, const std::string& text)
    {
        m_Dir.Write(MAIN_SCRIPT, text);
        mission.LoadMissionFile(MAIN_SCRIPT);
    }

    static void Destroyed(DestructionMission& mission, const char* name)
    {
        CCrimeRecord event;
        event.m_iType = CRIME_CAR_EXPLOSION;
        event.m_VictimName = name;
        mission.OnEvent(event);
    }

    // `frames` updates; the last one's result, its texts in `texts`.
    static int RunFrames(DestructionMission& mission, int frames, std::vector<std::string>& texts)
    {
        int result = CMission::MISSION_RUNNING;
        for (int frame = 0; frame < frames; ++frame) {
            result = mission.Update();
            texts = TakeQueuedTexts();
        }
        return result;
    }
};

struct DestructionCase {
    const char* m_Why;
    const char* m_Script;
    std::vector<const char*> m_Destroyed;
    // The first frame is the cinema's.
    int m_iFrames;
    int m_iResult;
    std::vector<std::string> m_LastTexts;
};

const DestructionCase DESTRUCTION_CASES[] = {
    {"goal 0 is won after the cinema", "Destroy Taxi Goal 0 TimeLimit 30", {}, 2, CMission::MISSION_RUNNING, {WIN}},
    {"the win reports after 2.0 s", "Destroy Taxi Goal 0 TimeLimit 30", {}, 17, CMission::MISSION_WON, {WIN}},
    {"only the first target's exact name counts",
     "Destroy Taxi Goal 5 TimeLimit 30.01 Destroy Sedan Goal 1",
     {"Taxi", "Sedan", "taxi", "Taxi"},
     2,
     CMission::MISSION_RUNNING,
     {QueuedText("Destroy 3 Taxis", 0.2f, 0.2f, RED), QueuedText("Time Remaining:", 0.2f, 0.3f, RED),
      QueuedText("29.9", 0.5f, 0.3f, RED)}},
    {"a win in the time-out's frame counts", "Destroy Taxi Goal 1 TimeLimit 0.125", {"Taxi"}, 2,
     CMission::MISSION_RUNNING, {WIN}},
    {"the time-out fails", "Destroy Taxi Goal 1 TimeLimit 0.125", {}, 2, CMission::MISSION_RUNNING, {LOSS}},
    {"the loss waits 2.0 s", "Destroy Taxi Goal 1 TimeLimit 0.125", {}, 16, CMission::MISSION_RUNNING, {LOSS}},
    {"the loss reports after 2.0 s", "Destroy Taxi Goal 1 TimeLimit 0.125", {}, 17, CMission::MISSION_FAILED,
     {LOSS}},
    {"a goal below 0 is no goal", "Destroy Taxi Goal -2 TimeLimit 30", {}, 2, CMission::MISSION_RUNNING, {WIN}},
};

TEST_F(DestructionMissionTest, TheFirstTargetsDestroyedCarsCountTowardItsGoalWithinTheTimeLimit)
{
    for (const DestructionCase& test : DESTRUCTION_CASES) {
        SCOPED_TRACE(test.m_Why);
        DestructionMission mission;
        Start(mission, test.m_Script);
        for (const char* name : test.m_Destroyed)
            Destroyed(mission, name);
        std::vector<std::string> texts;
        EXPECT_EQ(test.m_iResult, RunFrames(mission, test.m_iFrames, texts));
        EXPECT_EQ(test.m_LastTexts, texts);
        EXPECT_EQ(test.m_iResult != CMission::MISSION_RUNNING, mission.IsFinished());
    }
}

TEST_F(DestructionMissionTest, TheWantedLevelStaysAtTwoWhileItRunsAndIsClearedByTheWin)
{
    DestructionMission mission;
    Start(mission, "Destroy Sedan Goal 2 TimeLimit 30");
    std::vector<std::string> texts;
    RunFrames(mission, 1, texts);
    for (int frame = 0; frame < 2; ++frame) {
        g_Player.m_fWantedLevel = 5.0f;
        RunFrames(mission, 1, texts);
        EXPECT_FLOAT_EQ(DestructionMission::MAX_WANTED_LEVEL, g_Player.m_fWantedLevel);
        EXPECT_FALSE(mission.IsWon());
        Destroyed(mission, "Sedan");
    }
    g_Player.m_fWantedLevel = 5.0f;
    RunFrames(mission, 1, texts);
    EXPECT_TRUE(mission.IsWon());
    EXPECT_FLOAT_EQ(0.0f, g_Player.m_fWantedLevel);
    g_Player.m_fWantedLevel = 1.5f;
    RunFrames(mission, 1, texts);
    EXPECT_FLOAT_EQ(0.0f, g_Player.m_fWantedLevel) << "held at 0 until it reports";
    mission.End();
    EXPECT_TRUE(mission.GetTargets().empty());
}

TEST_F(DestructionMissionTest, ItsStartScriptLaysAWeaponOutAndItsMainScriptMustNameATarget)
{
    DestructionMission mission;
    m_Dir.Write(START_SCRIPT, "MissionStartPos 10 0 10\nWeapon Gun PosMatrix " + At(12, 0.3f, 10) + "\n");
    mission.LoadStartFile(START_SCRIPT);
    ASSERT_EQ(1u, mission.GetSpawnedWeapons().size());
    ASSERT_FALSE(m_pLevel->GetWeapons().empty());
    EXPECT_EQ(mission.GetSpawnedWeapons()[0], m_pLevel->GetWeapons().back().get()) << "lying in the world";

    Start(mission, "TimeLimit 60 Destroy Sedan");
    ASSERT_EQ(1u, mission.GetTargets().size());
    EXPECT_EQ("Sedan", mission.GetTargets()[0].m_Name);
    EXPECT_EQ(0, mission.GetTargets()[0].m_iGoal);
    EXPECT_FLOAT_EQ(60.0f, mission.GetTimeLimit());

    DestructionMission aimless;
    EXPECT_FATAL(Start(aimless, "TimeLimit 60"), std::string("Mission failed to load\nin ") + MAIN_SCRIPT);
    EXPECT_NE(std::string::npos, Log().find(MAIN_SCRIPT)) << "the path logged first";
}

} // namespace
