#include "Game/Mission.h"

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Game/CheckPointMission.h"
#include "Game/MissionIntro.h"
#include "Game/MissionManager.h"
#include "Game/SaveMission.h"
#include "Game/ScriptFolderFixture.h"
#include "Sound/RecordingFSound.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"

namespace {

const char* const START_SCRIPT = "Scripts/Mission/TestPre.txt";
const char* const MAIN_SCRIPT = "Scripts/Mission/Test.txt";

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// The effect "Marker" filed.
class MissionTest : public ScriptFolderFixture {
protected:
    MissionTest()
    {
        FileEmptyEffect("Marker");
    }

    // The start script `text`, read into `mission`.
    void Load(CMission& mission, const std::string& text)
    {
        m_Dir.Write(START_SCRIPT, text);
        mission.LoadStartFile(START_SCRIPT);
    }

    // The main script `text`, read into `mission`.
    void LoadMain(CMission& mission, const std::string& text)
    {
        m_Dir.Write(MAIN_SCRIPT, text);
        mission.LoadMissionFile(MAIN_SCRIPT);
    }
};

struct StartScriptCase {
    const char* m_Text;
    D3DXVECTOR3 m_Position;
    float m_fRadius;
    const char* m_MainScript;
    size_t m_CinemaEvents;
};

// Keywords ignore case; values stand as written; an empty script leaves the
// mission waiting at the origin with radius 0.
const StartScriptCase START_SCRIPT_CASES[] = {
    {"", D3DXVECTOR3(0, 0, 0), 0.0f, "", 0},
    {"; where the mission waits\n", D3DXVECTOR3(0, 0, 0), 0.0f, "", 0},
    {"MissionStartPos 300 0.5 -110", D3DXVECTOR3(300, 0.5f, -110), 0.0f, "", 0},
    {"missionstartpos: 1, 2, 3\nStartingRadius 4.5", D3DXVECTOR3(1, 2, 3), 4.5f, "", 0},
    {"MissionStartFile Scripts\\Mission\\3.txt", D3DXVECTOR3(0, 0, 0), 0.0f, "Scripts\\Mission\\3.txt", 0},
    {"MISSIONSTARTCINEMA Scripts\\Cinema\\Intro.txt ; loaded now, played when the mission begins",
     D3DXVECTOR3(0, 0, 0), 0.0f, "", 2},
};

TEST_F(MissionTest, StartScriptKeywordsSetTheStartPointTheRadiusThePathAndTheCinema)
{
    m_Dir.Write("Scripts/Cinema/Intro.txt", "at 0 camera pos = xyz(1, 2, 3)\nat 1 cinema end\n");
    for (const StartScriptCase& test : START_SCRIPT_CASES) {
        SCOPED_TRACE(test.m_Text);
        CMission mission;
        Load(mission, test.m_Text);
        EXPECT_EQ(test.m_Position, mission.GetStartPosition());
        EXPECT_FLOAT_EQ(test.m_fRadius, mission.GetStartingRadius());
        EXPECT_EQ(test.m_MainScript, mission.GetMainScript());
        EXPECT_EQ(test.m_CinemaEvents, mission.GetStartCinema().GetEvents().size());
        EXPECT_FALSE(mission.GetStartEffect().m_u8Running);
    }
}

// The marker takes the start point as it was when its keyword was read.
TEST_F(MissionTest, TheStartLocationEffectIsACopyStartedWhereTheMissionWaits)
{
    CMission mission;
    Load(mission, "MissionStartPos 10 0 20\nStartLocationEffect Marker\nMissionStartPos 30 0 40\n");
    const CEffect* prototype = Filed<CEffect>("Marker");
    const CEffect& marker = mission.GetStartEffect();
    EXPECT_EQ(prototype->GetEvents(), marker.GetEvents()) << "a copy of the prototype";
    EXPECT_TRUE(marker.m_u8Running);
    EXPECT_FALSE(prototype->m_u8Running);
    EXPECT_EQ(D3DXVECTOR3(30, 0, 40), mission.GetStartPosition());
    const D3DXMATRIX& placed = mission.GetStartEffectMatrix();
    EXPECT_EQ(D3DXVECTOR3(10, 0, 20), D3DXVECTOR3(placed._41, placed._42, placed._43));

    CMission missing;
    EXPECT_FATAL(Load(missing, "StartLocationEffect Nothing"),
                 std::string("Unable to find asset \"Nothing\" of type <CEffect>\nin ") + START_SCRIPT);
}

struct FailingScriptCase {
    const char* m_Text;
    const char* m_Why;
};

const FailingScriptCase FAILING_SCRIPTS[] = {
    {"MissionStartPos 1 2 3\nTimeRatio 0.5\n", "a main script keyword"},
    {"Bogus", "an unknown word"},
    {"StartingRadius 4 5", "a value too many"},
    {"AINormalPed", "the introduction's word in another mission"},
};

const FailingScriptCase FAILING_MAIN_SCRIPTS[] = {
    {"TimeRatio 0.5 MissionStartPos 1 2 3", "a start script keyword"},
    {"Bogus", "an unknown word"},
    {"GameActor TimeRatio 0.5", "\"GameActor\" before anything but an unlock"},
    {"UnlockMission 3 4", "a value too many"},
};

// Each failure first writes the script's path to the log.
TEST_F(MissionTest, AWordNoMissionClassTakesStopsTheGameNamingTheScript)
{
    for (const FailingScriptCase& test : FAILING_SCRIPTS) {
        SCOPED_TRACE(test.m_Why);
        CMission mission;
        EXPECT_FATAL(Load(mission, test.m_Text), std::string("Mission failed to load\nin ") + START_SCRIPT);
    }
    for (const FailingScriptCase& test : FAILING_MAIN_SCRIPTS) {
        SCOPED_TRACE(test.m_Why);
        CMission mission;
        EXPECT_FATAL(LoadMain(mission, test.m_Text), std::string("Mission failed to load\nin ") + MAIN_SCRIPT);
    }
    CMission mission;
    EXPECT_FATAL(mission.LoadStartFile("Scripts/Mission/MissingPre.txt"),
                 "Mission failed to load\nin Scripts/Mission/MissingPre.txt");
    EXPECT_FATAL(mission.LoadMissionFile("Scripts/Mission/Missing.txt"),
                 "Mission failed to load\nin Scripts/Mission/Missing.txt");

    const std::string log = ReadLog();
    EXPECT_EQ(std::size(FAILING_SCRIPTS), Count(log, std::string(START_SCRIPT) + "\n")) << log;
    EXPECT_EQ(std::size(FAILING_MAIN_SCRIPTS), Count(log, std::string(MAIN_SCRIPT) + "\n")) << log;
    EXPECT_EQ(1u, Count(log, "Scripts/Mission/MissingPre.txt\n")) << log;
    EXPECT_EQ(1u, Count(log, "Scripts/Mission/Missing.txt\n")) << log;
}

struct MainScriptCase {
    const char* m_Text;
    float m_fTimeRatio;
    float m_fTimeOfDayMin;
    float m_fTimeOfDayMax;
    std::vector<std::string> m_Missions;
    std::vector<std::string> m_Extras;
    const char* m_VictorySound;
};

// Without a "TimeRatio" the ratio stays the game timer's at construction (1).
const MainScriptCase MAIN_SCRIPT_CASES[] = {
    {"", 1.0f, 0.0f, CMission::DEFAULT_TIME_OF_DAY_MAX, {}, {}, ""},
    {"; nothing placed\n", 1.0f, 0.0f, CMission::DEFAULT_TIME_OF_DAY_MAX, {}, {}, ""},
    {"VictorySound Assets\\Sounds\\win.wav\nTimeRatio 0.5", 0.5f, 0.0f, CMission::DEFAULT_TIME_OF_DAY_MAX, {}, {},
     "Assets\\Sounds\\win.wav"},
    {"timeofdaymin 6 TIMEOFDAYMAX: 18.5 timeratio 2", 2.0f, 6.0f, 18.5f, {}, {}, ""},
    {"GameActor", 1.0f, 0.0f, CMission::DEFAULT_TIME_OF_DAY_MAX, {}, {}, ""},
    {"UnlockMission 4 GameActor UnlockExtra Tank unlockmission 2 UnlockExtra Jet UnlockMission 4", 1.0f, 0.0f,
     CMission::DEFAULT_TIME_OF_DAY_MAX, {"4", "2", "4"}, {"Tank", "Jet"}, ""},
};

TEST_F(MissionTest, MainScriptKeywordsSetTheRatioTheTimesOfDayTheSoundAndTheUnlocksInOrder)
{
    for (const MainScriptCase& test : MAIN_SCRIPT_CASES) {
        SCOPED_TRACE(test.m_Text);
        CMission mission;
        LoadMain(mission, test.m_Text);
        EXPECT_FLOAT_EQ(test.m_fTimeRatio, mission.GetTimeRatio());
        EXPECT_FLOAT_EQ(1.0f, mission.GetSavedTimeRatio());
        EXPECT_FLOAT_EQ(test.m_fTimeOfDayMin, mission.GetTimeOfDayMin());
        EXPECT_FLOAT_EQ(test.m_fTimeOfDayMax, mission.GetTimeOfDayMax());
        EXPECT_EQ(test.m_Missions, mission.GetUnlockedMissions());
        EXPECT_EQ(test.m_Extras, mission.GetUnlockedExtras());
        EXPECT_EQ(test.m_VictorySound, mission.GetVictorySound());
    }
}

// The start point is a circle about the start position, its edge inside.
TEST_F(MissionTest, AMissionStartsWithThePlayerInsideItsCircle)
{
    CGameActor player;
    CGameActor* const previousPlayer = g_PlayerActor;
    g_PlayerActor = &player;
    CMission empty;
    Load(empty, "");
    CMission circle;
    Load(circle, "MissionStartPos 10 0 20 StartingRadius 2");
    const struct {
        D3DXVECTOR3 m_Player;
        bool m_bEmpty;
        bool m_bCircle;
    } places[] = {
        {D3DXVECTOR3(0, 0, 0), true, false},
        {D3DXVECTOR3(0.01f, 0, 0), false, false},
        {D3DXVECTOR3(12, 0, 20), false, true},
        {D3DXVECTOR3(10, 1.5f, 21), false, true},
        {D3DXVECTOR3(12.1f, 0, 20), false, false},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.m_Player.x);
        player.m_Model.m_matScaledObject._41 = place.m_Player.x;
        player.m_Model.m_matScaledObject._42 = place.m_Player.y;
        player.m_Model.m_matScaledObject._43 = place.m_Player.z;
        EXPECT_EQ(place.m_bEmpty, empty.CanStart());
        EXPECT_EQ(place.m_bCircle, circle.CanStart());
    }
    g_PlayerActor = nullptr;
    EXPECT_FALSE(empty.CanStart()) << "no player, no start";
    g_PlayerActor = previousPlayer;
}

TEST_F(MissionTest, TheIntroductionTakesAINormalPedBeforeAnyKeyword)
{
    CMissionIntro intro;
    Load(intro, "AINormalPed MissionStartPos 1 2 3 ainormalped StartingRadius 2 AINormalPed");
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), intro.GetStartPosition());
    EXPECT_FLOAT_EQ(2.0f, intro.GetStartingRadius());

    CMissionIntro failing;
    EXPECT_FATAL(Load(failing, "AINormalPed Bogus"), std::string("Mission failed to load\nin ") + START_SCRIPT);
}

TEST_F(MissionTest, TheManagerCreatesTheSavePointAndTheIntroductionFromTheirStartScripts)
{
    m_Dir.Write("Scripts/Mission/SaveMissionPre.txt", "MissionStartPos 380 0 170\nStartingRadius 1.5\n");
    m_Dir.Write("Scripts/Mission/IntroPre.txt", "AINormalPed\nMissionStartPos 362 0 172\n");
    CMissionManager manager;
    CMission* save = manager.CreateMission("SaveMission");
    CMission* intro = manager.CreateMission("Intro");
    EXPECT_EQ(nullptr, manager.CreateMission("saveMission")) << "names compare exactly";
    EXPECT_EQ(nullptr, manager.CreateMission("Credits"));
    EXPECT_EQ(nullptr, manager.CreateMission(""));

    ASSERT_EQ(2u, manager.GetMissionCount());
    EXPECT_EQ(save, manager.GetMission(0));
    EXPECT_EQ(intro, manager.GetMission(1));
    EXPECT_NE(nullptr, dynamic_cast<CSaveMission*>(save));
    EXPECT_NE(nullptr, dynamic_cast<CMissionIntro*>(intro));
    EXPECT_EQ("SaveMission", save->GetName());
    EXPECT_EQ("Intro", intro->GetName());
    EXPECT_EQ(D3DXVECTOR3(380, 0, 170), save->GetStartPosition());
    EXPECT_EQ(D3DXVECTOR3(362, 0, 172), intro->GetStartPosition());
    EXPECT_EQ(nullptr, manager.GetCurrentMission()) << "missions wait";

    m_Dir.Write("Scripts/Mission/IntroPre.txt", "Bogus");
    EXPECT_FATAL(manager.CreateMission("Intro"), "Mission failed to load\nin Scripts\\Mission\\IntroPre.txt");
    EXPECT_EQ(2u, manager.GetMissionCount()) << "a mission that fails to load is not listed";
    manager.Clear();
    EXPECT_EQ(0u, manager.GetMissionCount());
}

TEST_F(MissionTest, ACheckpointRunGivenThePlayerRacesIt)
{
    m_Dir.Write("Scripts/Mission/6Pre.txt", "MissionStartPos 470 0 100\n");
    CGameActor player;
    CGameActor* const previousPlayer = g_PlayerActor;
    g_PlayerActor = &player;
    CMissionManager manager;
    CMission* added = manager.CreateMission("6");
    g_PlayerActor = previousPlayer;
    auto* timed = dynamic_cast<CTimedCheckPointMission*>(added);
    ASSERT_NE(nullptr, timed);
    EXPECT_EQ("6", timed->GetName());
    EXPECT_EQ(&player, timed->GetPlayer());
    EXPECT_EQ(std::vector<CGameActor*>{&player}, timed->GetRacers());
    EXPECT_EQ(D3DXVECTOR3(470, 0, 100), timed->GetStartPosition());
}

// A mission class's view of the shared steps: it won some time ago.
class WonMission : public CMission {
public:
    void WonFor(float seconds)
    {
        m_u8Won = 1;
        m_fVictoryTime = seconds;
    }
};

// The frame that finishes the cinema still belongs to it; a mission without
// one goes on from its second frame.
TEST_F(MissionTest, TheStartCinemaPlaysFromTheFirstFrameAndReportsWhenItHadFinished)
{
    m_Dir.Write("Scripts/Cinema/Start.txt", "at 0 camera pos = xyz(1, 2, 3)\nat 0.5 cinema end\n");
    SetFrameTime(300);
    CCamera* const shown = g_pActiveCamera;
    CMission mission;
    Load(mission, "MissionStartCinema Scripts\\Cinema\\Start.txt");
    EXPECT_FALSE(mission.RunStartCinema());
    EXPECT_TRUE(mission.GetStartCinema().IsRunning());
    EXPECT_EQ(&g_CinemaCamera, g_pActiveCamera);
    EXPECT_FALSE(mission.RunStartCinema()) << "0.6 s: the end ran in this frame";
    EXPECT_TRUE(mission.GetStartCinema().IsFinished());
    EXPECT_EQ(&g_GameCamera, g_pActiveCamera);
    EXPECT_TRUE(mission.RunStartCinema());
    EXPECT_TRUE(mission.RunStartCinema());

    CMission without;
    Load(without, "");
    EXPECT_FALSE(without.RunStartCinema());
    EXPECT_TRUE(without.RunStartCinema());
    g_pActiveCamera = shown;
    g_FrameTimer = CFrameTimer();
}

// The stream is started once and closed at End, or with the mission.
TEST_F(MissionTest, TheVictorySoundStreamsOnceAndItsStreamIsClosedAtTheEnd)
{
    RecordingFSound fmod;
    {
        CMission mission;
        LoadMain(mission, "VictorySound Assets\\Sounds\\win.wav");
        mission.PlayVictorySoundOnce();
        mission.PlayVictorySoundOnce();
        const std::vector<std::string> calls = fmod.TakeCalls();
        ASSERT_EQ(3u, calls.size());
        EXPECT_EQ(0u, calls[0].find("Stream_Open(Assets\\Sounds\\win.wav,"));
        EXPECT_NE(nullptr, mission.GetVictoryStream());
        mission.End();
        EXPECT_EQ((std::vector<std::string>{"Stream_Stop(S1)", "Stream_Close(S1)"}), fmod.TakeCalls());
        EXPECT_EQ(nullptr, mission.GetVictoryStream());

        mission.PlayVictorySoundOnce();
        fmod.TakeCalls();
    }
    EXPECT_EQ((std::vector<std::string>{"Stream_Stop(S2)", "Stream_Close(S2)"}), fmod.TakeCalls())
        << "closed with the mission";

    CMission silent;
    silent.PlayVictorySoundOnce();
    EXPECT_TRUE(fmod.TakeCalls().empty()) << "no sound named";
}

TEST_F(MissionTest, TheClosingDelayRunsOutAfterTwoSecondsAndFinishesTheMission)
{
    WonMission mission;
    mission.WonFor(1.99f);
    EXPECT_FALSE(mission.HasClosingDelayPassed());
    EXPECT_FALSE(mission.IsFinished());
    mission.WonFor(CMission::CLOSING_DELAY);
    EXPECT_TRUE(mission.HasClosingDelayPassed());
    EXPECT_TRUE(mission.IsFinished());

    LoadMain(mission, "");
    EXPECT_FALSE(mission.IsWon()) << "a fresh start";
    EXPECT_FALSE(mission.IsFinished());
    EXPECT_FALSE(mission.HasClosingDelayPassed());
}

} // namespace
