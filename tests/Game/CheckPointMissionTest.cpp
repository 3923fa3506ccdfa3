#include "Game/CheckPointMission.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Core/Window.h"
#include "Display/Display.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Game/HUD.h"
#include "Game/ScriptFolderFixture.h"
#include "Sound/RecordingFSound.h"
#include "platform/d3d8/D3D8Platform.h"
#include "support/CountingQueue.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "support/QueuedTexts.h"

namespace {

const char* const MAIN_SCRIPT = "Scripts/Mission/Test.txt";
// An exact binary fraction, so that delays add up to whole seconds.
const uint32_t FRAME_MS = 125;

// The effect "Ring" and the arrow "Arrow" (one part) filed; the player is the
// test's, placed where each case wants it; every frame lasts 0.125 s.
class CheckPointMissionTest : public ScriptFolderFixture {
protected:
    CheckPointMissionTest() : m_pPreviousPlayer(g_PlayerActor)
    {
        FileEmptyEffect("Ring");
        auto* arrow = new CComplexObject();
        arrow->GetOpaqueParts().emplace_back();
        File(arrow, "Arrow");
        g_PlayerActor = &m_Player;
        SetFrameTime(FRAME_MS);
        CComplexObject::SetQueue(&m_Queue);
        m_MarkersBefore = g_HUD.GetMapMarkers().size();
    }
    ~CheckPointMissionTest() override
    {
        CComplexObject::SetQueue(nullptr);
        g_PlayerActor = m_pPreviousPlayer;
        g_FrameTimer = CFrameTimer();
    }

    // The mission given the test's player, as the manager gives it, unless
    // the test lines up its own racers.
    void LoadMain(CCheckPointMission& mission, const std::string& text, bool givePlayer = true)
    {
        m_Dir.Write(MAIN_SCRIPT, text);
        mission.LoadMissionFile(MAIN_SCRIPT);
        if (givePlayer)
            mission.SetPlayer(&m_Player);
    }

    void Place(CGameActor& actor, const D3DXVECTOR3& position)
    {
        actor.m_Model.m_matScaledObject._41 = position.x;
        actor.m_Model.m_matScaledObject._42 = position.y;
        actor.m_Model.m_matScaledObject._43 = position.z;
    }

    // `frames` updates; the last one's result.
    static int RunFrames(CCheckPointMission& mission, int frames)
    {
        int result = CMission::MISSION_RUNNING;
        for (int frame = 0; frame < frames; ++frame)
            result = mission.Update();
        return result;
    }

    CGameActor m_Player;
    CGameActor* const m_pPreviousPlayer;
    CountingQueue m_Queue;
    size_t m_MarkersBefore = 0;
};

// The same on a display of state only, whose text master takes text.
class CheckPointMissionTextTest : public CheckPointMissionTest {
protected:
    void SetUp() override
    {
        g_hWnd = nullptr;
        D3D8Platform::UseStateOnlyDevices();
        ASSERT_TRUE(g_Display.Create());
        g_TextMaster.Enable();
    }
    void TearDown() override
    {
        g_TextMaster.Reset();
        g_Display.Shutdown();
        D3D8Platform::ResetTestHooks();
    }
};

struct GrammarCase {
    const char* m_Text;
    float m_fScale;
    D3DXVECTOR3 m_Position;
    float m_fSize;
    float m_fTime;
    bool m_bText;
};

// The scale is taken when "Pos" is read; the text block is optional.
const GrammarCase GRAMMAR_CASES[] = {
    {"CheckPoint", 1.0f, D3DXVECTOR3(0, 0, 0), 1.0f, 0.0f, false},
    {"CheckPoint Size 6", 1.0f, D3DXVECTOR3(0, 0, 0), 6.0f, 0.0f, false},
    {"CheckPoint Size 6 Pos 1 2 3 Time 8 Effect Ring", 6.0f, D3DXVECTOR3(1, 2, 3), 6.0f, 8.0f, false},
    {"CheckPoint Pos 4 0 5 Text Depot String Depot Position 0.1 0.1 Visible 1", 1.0f,
     D3DXVECTOR3(4, 0, 5), 1.0f, 0.0f, true},
};

TEST_F(CheckPointMissionTest, CheckPointKeywordsPlaceScaleAndLabelEachRecord)
{
    for (const GrammarCase& test : GRAMMAR_CASES) {
        SCOPED_TRACE(test.m_Text);
        CCheckPointMission mission;
        LoadMain(mission, test.m_Text);
        ASSERT_EQ(1u, mission.GetCheckPointCount());
        const CCheckPoint& checkPoint = mission.GetCheckPoint(0);
        EXPECT_FLOAT_EQ(test.m_fScale, checkPoint.m_matPlacement._11);
        EXPECT_FLOAT_EQ(test.m_fScale, checkPoint.m_matPlacement._33);
        EXPECT_EQ(test.m_Position, checkPoint.GetPosition());
        EXPECT_FLOAT_EQ(test.m_fSize, checkPoint.m_fSize);
        EXPECT_FLOAT_EQ(test.m_fTime, checkPoint.m_fTime);
        EXPECT_EQ(test.m_bText ? &g_FontVerdana13 : nullptr, checkPoint.m_Text.GetFont());
    }
    CCheckPointMission mission;
    LoadMain(mission, "CheckPoint Effect Ring CheckPoint Pos 1 0 0 Pointer Arrow TimeRatio 1");
    ASSERT_EQ(2u, mission.GetCheckPointCount());
    EXPECT_TRUE(mission.GetCheckPoint(0).m_Effect.m_u8Running);
    EXPECT_TRUE(mission.HasPointer());
    EXPECT_EQ(&mission.GetPointer().GetWorldMatrix(), mission.GetPointer().GetExportedWorldMatrix());

    // Each word in its place: a "Size" after "Pos" belongs to no checkpoint.
    for (const char* text : {"TimeLimit 45", "CheckPoint Pos 1 2 3 Size 6"}) {
        CCheckPointMission plain;
        EXPECT_FATAL(LoadMain(plain, text), std::string("Mission failed to load\nin ") + MAIN_SCRIPT);
    }
    CTimedCheckPointMission timed;
    LoadMain(timed, "TimeLimit 45");
    EXPECT_FLOAT_EQ(45.0f, timed.GetTimeLimit());
}

// Nothing to reach: won in the first frame after the cinema, with no read
// past the empty list, and reported once the closing delay has passed.
TEST_F(CheckPointMissionTest, ARunWithoutCheckPointsIsWonAfterTheCinemaAndReportsAfterTwoSeconds)
{
    RecordingFSound fmod;
    CCheckPointMission mission;
    LoadMain(mission, "Pointer Arrow VictorySound Assets\\Sounds\\victory.wav");
    m_Player.m_iCheckpoint = 5;
    EXPECT_EQ(CMission::MISSION_RUNNING, mission.Update()) << "the cinema's frame";
    EXPECT_EQ(0, m_Player.m_iCheckpoint) << "the run starts from the first checkpoint";
    EXPECT_FALSE(mission.IsWon());
    EXPECT_EQ(CMission::MISSION_RUNNING, mission.Update());
    EXPECT_TRUE(mission.IsWon());
    EXPECT_EQ(CMission::MISSION_RUNNING, RunFrames(mission, 14)) << "1.875 s";
    EXPECT_EQ(CMission::MISSION_WON, mission.Update()) << "2.0 s";
    EXPECT_TRUE(mission.IsFinished());
    const std::vector<std::string> calls = fmod.TakeCalls();
    EXPECT_EQ(1, RecordingFSound::CountCalls(calls, "Stream_Open"));
    EXPECT_EQ(1, RecordingFSound::CountCalls(calls, "Stream_Play")) << "the victory sound, once";
    mission.Draw(RENDER_PASS_MAIN);
    EXPECT_EQ(0, m_Queue.m_Parts) << "no checkpoint left to point at";
    EXPECT_EQ(m_MarkersBefore, g_HUD.GetMapMarkers().size());
}

// A checkpoint counts strictly inside its size, one per racer per frame;
// each frame marks the current checkpoint on the map.
TEST_F(CheckPointMissionTest, RacersReachOneCheckPointAFrameStrictlyInsideItsSize)
{
    CCheckPointMission mission;
    LoadMain(mission, "CheckPoint Pos 0 0 0 CheckPoint Pos 0 0 0 CheckPoint Size 2 Pos 10 0 0", false);
    CGameActor racer;
    mission.SetPlayer(&racer);
    mission.SetPlayer(&m_Player);
    Place(racer, D3DXVECTOR3(1.0f, 0, 0));
    Place(m_Player, D3DXVECTOR3(0.99f, 0, 0));
    mission.Update();
    EXPECT_EQ(0, m_Player.m_iCheckpoint);
    mission.Update();
    EXPECT_EQ(1, m_Player.m_iCheckpoint);
    EXPECT_EQ(0, racer.m_iCheckpoint) << "1.0 m is not inside size 1";
    EXPECT_EQ(m_MarkersBefore + 1, g_HUD.GetMapMarkers().size());
    mission.Update();
    EXPECT_EQ(2, m_Player.m_iCheckpoint) << "the second, on the next frame";
    Place(m_Player, D3DXVECTOR3(8.01f, 0, 0));
    mission.Update();
    EXPECT_EQ(3, m_Player.m_iCheckpoint);
    mission.Update();
    EXPECT_TRUE(mission.IsWon());
    EXPECT_EQ(3, m_Player.m_iCheckpoint) << "nothing past the last";

    mission.End();
    EXPECT_EQ(0u, mission.GetCheckPointCount());
    EXPECT_TRUE(mission.GetRacers().empty());
    EXPECT_EQ(nullptr, mission.GetPlayer());
}

// Rows right, up, forward at the lifted eye; three times larger in a car;
// queued by Draw in every pass.
TEST_F(CheckPointMissionTest, TheArrowPointsFromThePlayerAtTheCheckPointAndGrowsInACar)
{
    CCheckPointMission mission;
    LoadMain(mission, "Pointer Arrow CheckPoint Pos 10 0 0");
    Place(m_Player, D3DXVECTOR3(0, 0, 0));
    RunFrames(mission, 2);
    const D3DXMATRIX aimed = mission.GetPointer().GetLocalMatrix();
    const float expected[4][3] = {{0, 0, 1}, {0, -1, 0}, {1, 0, 0}, {0, 3, 0}};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_NEAR(expected[row][column], aimed.m[row][column], 1e-6f) << row << "," << column;
    EXPECT_FLOAT_EQ(CCheckPointMission::ARROW_SCALE_ON_FOOT, mission.GetPointer().GetScale());

    CCar car;
    m_Player.m_pCar = &car;
    Place(m_Player, D3DXVECTOR3(0, 0, 5));
    mission.Update();
    EXPECT_FLOAT_EQ(CCheckPointMission::ARROW_SCALE_IN_CAR, mission.GetPointer().GetScale());
    for (ERenderPass pass : {RENDER_PASS_MAIN, RENDER_PASS_REFLECTION}) {
        m_Queue.m_Parts = 0;
        mission.Draw(pass);
        EXPECT_EQ(1, m_Queue.m_Parts) << "queued in every pass";
    }

    // Straight above the checkpoint, then standing in it: neither gives a
    // heading, and the arrow keeps its last placement.
    const D3DXMATRIX last = mission.GetPointer().GetLocalMatrix();
    for (const D3DXVECTOR3& at : {D3DXVECTOR3(10, 5, 0), D3DXVECTOR3(10, 0, 0)}) {
        Place(m_Player, at);
        mission.Update();
        EXPECT_EQ(last, mission.GetPointer().GetLocalMatrix()) << at.x << "," << at.y << "," << at.z;
    }
    m_Player.m_pCar = nullptr;
    EXPECT_TRUE(mission.IsWon()) << "reached while standing in it";
}

struct TimedCase {
    const char* m_Why;
    const char* m_Script;
    int m_iFrames;
    int m_iResult;
    bool m_bWon;
    bool m_bFailed;
    float m_fTimeLimit;
    // What the last frame says at (0.2, 0.2) in green, if anything.
    const char* m_Ending;
};

const char* const WIN = "You Win!!";
const char* const LOSS = "You Fail LoSeR!!";

// Frames of 0.125 s; the first belongs to the cinema.
const TimedCase TIMED_CASES[] = {
    {"Time 5 extends the limit", "TimeLimit 1 CheckPoint Time 5 CheckPoint Pos 50 0 0", 3,
     CMission::MISSION_RUNNING, false, false, 6.0f, nullptr},
    {"a win in the time-out's frame counts", "TimeLimit 0.2 CheckPoint CheckPoint", 3, CMission::MISSION_WON, true,
     false, 0.2f, nullptr},
    {"the loss waits 2.0 s", "TimeLimit 0.2 CheckPoint Pos 50 0 0", 17, CMission::MISSION_RUNNING, false, true, 0.2f,
     LOSS},
    {"the loss reports after 2.0 s", "TimeLimit 0.2 CheckPoint Pos 50 0 0", 18, CMission::MISSION_FAILED, false,
     true, 0.2f, LOSS},
    {"an empty victory sound reports at once", "TimeLimit 5", 2, CMission::MISSION_WON, true, false, 5.0f, nullptr},
    {"a victory sound waits 2.0 s", "TimeLimit 5 VictorySound win.wav", 16, CMission::MISSION_RUNNING, true, false,
     5.0f, WIN},
    {"a victory sound reports after 2.0 s", "TimeLimit 5 VictorySound win.wav", 17, CMission::MISSION_WON, true,
     false, 5.0f, WIN},
};

TEST_F(CheckPointMissionTextTest, TheTimedRunGainsTimeAtCheckPointsAndIsLostWhenItRunsOut)
{
    RecordingFSound fmod;
    for (const TimedCase& test : TIMED_CASES) {
        SCOPED_TRACE(test.m_Why);
        CTimedCheckPointMission mission;
        LoadMain(mission, test.m_Script);
        RunFrames(mission, test.m_iFrames - 1);
        TakeQueuedTexts();
        EXPECT_EQ(test.m_iResult, mission.Update());
        EXPECT_EQ(test.m_bWon, mission.IsWon());
        EXPECT_EQ(test.m_bFailed, mission.IsFailed());
        EXPECT_FLOAT_EQ(test.m_fTimeLimit, mission.GetTimeLimit());
        std::vector<std::string> endings;
        for (const std::string& text : TakeQueuedTexts())
            if (text.rfind(WIN, 0) == 0 || text.rfind(LOSS, 0) == 0)
                endings.push_back(text);
        std::vector<std::string> expected;
        if (test.m_Ending != nullptr)
            expected.push_back(QueuedText(test.m_Ending, 0.2f, 0.2f, CCheckPointMission::WIN_COLOUR));
        EXPECT_EQ(expected, endings);
    }
}

// Once a frame whatever the passes drawn, in black: the step, the label and
// the time left with one decimal.
TEST_F(CheckPointMissionTextTest, TheTimedRunShowsItsTimeLeftOnceAFrame)
{
    CTimedCheckPointMission mission;
    LoadMain(mission, "Pointer Arrow TimeLimit 45 CheckPoint Pos 50 0 0");
    mission.Update();
    EXPECT_TRUE(TakeQueuedTexts().empty()) << "nothing during the cinema";
    const auto black = CTimedCheckPointMission::TEXT_COLOUR;
    for (const char* timeLeft : {"44.9", "44.8"}) {
        mission.Update();
        for (ERenderPass pass : {RENDER_PASS_REFLECTION, RENDER_PASS_MAIN})
            mission.Draw(pass);
        const std::vector<std::string> expected = {QueuedText("Follow the CheckPoints", 0.2f, 0.2f, black),
                                                   QueuedText("Time Left: ", 0.2f, 0.4f, black),
                                                   QueuedText(timeLeft, 0.4f, 0.4f, black)};
        EXPECT_EQ(expected, TakeQueuedTexts());
    }
}

} // namespace
