#include "Game/Cinema.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Console/ConsoleCommands.h"
#include "Console/LineRing.h"
#include "Core/Clock.h"
#include "Core/Log.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Game/ScriptFolderFixture.h"
#include "Sound/RecordingFSound.h"
#include "support/FatalTrap.h"
#include "support/FrameTime.h"
#include "support/MatrixExpect.h"
#include "support/RandomDraws.h"
#include "support/TempDir.h"

namespace {

const char* const SCRIPT = "cinema.txt";
const uint32_t FRAME_MS = 16;
const float FRAME_SECONDS = 0.016f;
const float TOLERANCE = 1e-4f;

// The three rows of a rotation, as the camera's world matrix holds them.
D3DXMATRIX Rows(const D3DXQUATERNION& rotation)
{
    D3DXMATRIX rows;
    D3DXMatrixRotationQuaternion(&rows, &rotation);
    return rows;
}

void ExpectRowsNear(const D3DXMATRIX& expected, const D3DXMATRIX& actual, float tolerance, const char* what)
{
    for (int row = 0; row < 3; ++row)
        ExpectVectorNear(GetMatrixRow(expected, row), GetMatrixRow(actual, row), tolerance, what);
}

// A sequence and the cameras as a mission finds them, the random table
// seeded, a player to animate, and the log read line by line.
class CinemaTest : public ScriptFolderFixture {
protected:
    CinemaTest() : m_pActiveBefore(g_pActiveCamera), m_pPlayerBefore(g_PlayerActor)
    {
        g_CinemaCamera = CCamera();
        g_GameCamera = CCamera();
        g_pActiveCamera = &g_GameCamera;
        g_PlayerActor = &m_Player;
        g_RandomTable.Fill(45);
        SetFrameTime(FRAME_MS);
        m_Sequence.CreateEventList();
    }
    ~CinemaTest() override
    {
        g_pActiveCamera = m_pActiveBefore;
        g_PlayerActor = m_pPlayerBefore;
    }

    // Writes the script and loads it; gives what the load wrote to the log.
    std::string Load(const std::string& script)
    {
        m_Dir.Write(SCRIPT, script);
        RestartLog();
        m_bLoaded = m_Sequence.LoadScript(SCRIPT);
        return TakeLog();
    }
    // By its full path: the shipped scripts are read in the game folder.
    void RestartLog()
    {
        const std::string log = m_Dir.Path() + "/log.txt";
        g_Log.Shutdown();
        std::remove(log.c_str());
        g_Log.Open(log);
    }
    // The lines written since the log was opened, without their time stamps.
    std::string TakeLog()
    {
        std::istringstream text(ReadLog());
        RestartLog();
        std::string lines;
        for (std::string line; std::getline(text, line);) {
            if (line.empty() || line.rfind("- Logging started", 0) == 0)
                continue;
            const size_t stamp = line[0] == '[' ? line.find("] ") : std::string::npos;
            lines += (stamp == std::string::npos ? line : line.substr(stamp + 2)) + "\n";
        }
        return lines;
    }

    const CCinemaEvent& Event(size_t index) const { return *m_Sequence.GetEvents().at(index); }
    template <class T>
    const T& EventAs(size_t index) const
    {
        return dynamic_cast<const T&>(Event(index));
    }

    // One frame as the game runs it: the mission's sequence, then the cameras.
    void Frame()
    {
        m_Sequence.Update(FRAME_SECONDS);
        g_CinemaCamera.Update();
    }

    CGameActor m_Player;
    CCinemaEventSequence m_Sequence;
    bool m_bLoaded = false;

private:
    CCamera* m_pActiveBefore;
    CGameActor* m_pPlayerBefore;
};

// --- The grammar ------------------------------------------------------------

struct StatementCase {
    const char* statement;
    const char* typeName;
    int32_t kind;
    float earliest;
    float latest;
    uint8_t fade;
    // A line the statement leaves in the log; "" for none.
    const char* log;
};

const char* const END = "\nat 9 cinema end\n";

const StatementCase STATEMENTS[] = {
    {"camera pos = xyz(1, 2, 3)", "CCinemaEvent_MoveCamera", 2, 0, 0, 0, ""},
    {"initial CAMERA Pos = xyz 1 2 3", "CCinemaEvent_MoveCamera", 2, 0, 0, 0, ""},
    {"at 2.5 camera lookat = xyz(0, 0, 1), xyz(0, 1, 0)", "CCinemaEvent_CameraLookAt", 3, 2.5f, 2.5f, 0, ""},
    {"at random(1, 2) cinema end", "CCinemaEvent_End", 4, 1, 2, 0, ""},
    {"fade so at 3 cinema cameranoresetend", "CCinemaEvent_EndNoCameraReset", 7, 3, 3, 1, ""},
    {"at 1 animation player = Idle", "CCinemaEvent_SetGameActorAnimation", 5, 1, 1, 0, ""},
    {"FADE SO AT random 4 5 sound = a.wav", "CCinemaEvent_PlayNoise", 6, 4, 5, 1, ""},
    {"camera pos xyz(1, 2, 3)", "CCinemaEvent_MoveCamera", 2, 0, 0, 0,
     "= must come before specifing CCinemaEvent_MoveCameraPos as a vector\n"},
    {"camera pos = (1, 2, 3)", "CCinemaEvent_MoveCamera", 2, 0, 0, 0, "xyz must come before all vectors\n"},
    {"camera lookat xyz(0, 0, 1) xyz(0, 1, 0)", "CCinemaEvent_CameraLookAt", 3, 0, 0, 0,
     "= must come before specifing CCinemaEvent_CameraLookAt\n"},
    {"animation player Idle", "CCinemaEvent_SetGameActorAnimation", 5, 0, 0, 0,
     "= must come before specifing CCinemaEvent_SetGameActorAnimation animation\n"},
    {"sound a.wav", "CCinemaEvent_PlayNoise", 6, 0, 0, 0,
     "= must come before specifing CCinemaEvent_PlayNoise sound file\n"},
    {"Jump at 1 camera pos = xyz(1, 2, 3)", "CCinemaEvent_MoveCamera", 2, 1, 1, 0,
     "Unknown cinema statement Jump in cinema.txt\n"},
};

TEST_F(CinemaTest, EachPrefixAndCommandGivesItsEventAndMissingWordsAreLoggedAndPassedOver)
{
    for (const StatementCase& c : STATEMENTS) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(c.log, Load(std::string(c.statement) + END));
        EXPECT_TRUE(m_bLoaded);
        ASSERT_EQ(2u, m_Sequence.GetEvents().size());
        const CCinemaEvent& event = Event(0);
        EXPECT_STREQ(c.typeName, event.m_pTypeName);
        EXPECT_EQ(c.kind, event.m_iKind);
        EXPECT_EQ(c.earliest, event.m_fEarliestTime);
        EXPECT_EQ(c.latest, event.m_fLatestTime);
        EXPECT_EQ(c.fade, event.m_u8Fade);
    }
}

TEST_F(CinemaTest, StatementsKeepTheirValues)
{
    EXPECT_EQ("", Load("at 1 camera pos = xyz(random(1, 2), 3, random 4 5)\n"
                       "at 2 animation player = Idle\n"
                       "at 3 animation Player = Idle\n"
                       "at 4 sound = Assets\\Sounds\\x.wav\n"
                       "at 5 cinema end\n"));
    const auto& move = EventAs<CCinemaEvent_MoveCameraPos>(0);
    EXPECT_EQ(D3DXVECTOR3(1, 3, 4), move.m_Position.m_Min);
    EXPECT_EQ(D3DXVECTOR3(2, 3, 5), move.m_Position.m_Max);
    EXPECT_EQ(&g_CinemaCamera, move.m_pCamera);
    const auto& player = EventAs<CCinemaEvent_SetGameActorAnimation>(1);
    EXPECT_EQ("player", player.m_ActorName);
    EXPECT_EQ("Idle", player.m_AnimationName);
    EXPECT_EQ(&m_Player, player.m_pActor);
    EXPECT_EQ(nullptr, EventAs<CCinemaEvent_SetGameActorAnimation>(2).m_pActor) << "the actor word keeps its case";
    EXPECT_EQ("Assets\\Sounds\\x.wav", EventAs<CCinemaEvent_PlayNoise>(3).m_FileName);
    EXPECT_EQ(&m_Sequence, EventAs<CCinemaEvent_End>(4).m_pSequence);
}

// A "fade" without "so at" stops the load and leaves nothing to play: the
// events read so far have no times or links.
TEST_F(CinemaTest, AFadeWithoutSoAtLoadsNothingAndTheSequenceFinishesAtOnce)
{
    for (const char* fade : {"fade at 2", "fade so 2"}) {
        SCOPED_TRACE(fade);
        Load("at 0 camera pos = xyz(1, 1, 1)\nat 1 cinema end\n");
        ASSERT_EQ(2u, m_Sequence.GetEvents().size());
        const std::string log =
            Load(std::string("initial camera pos = xyz(0, 0, 0)\n") + fade + " camera pos = xyz(1, 2, 3)" + END);
        EXPECT_FALSE(m_bLoaded);
        EXPECT_EQ("fade must be followed by so at in cinema.txt: the cinema is not loaded\n", log);
        EXPECT_TRUE(m_Sequence.GetEvents().empty());
    }
    m_Sequence.Start();
    EXPECT_TRUE(m_Sequence.IsFinished());
    EXPECT_FALSE(m_Sequence.IsRunning());
    EXPECT_EQ(&g_GameCamera, g_pActiveCamera) << "the camera is left alone";
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_NONE), g_CinemaCamera.m_u32Mode);
}

// An owner without a cinema goes straight on; one that forgot to create the
// list before loading still gets its cinema instead of a crash.
TEST_F(CinemaTest, WithoutAListStartFinishesAtOnceAndLoadingMakesOne)
{
    CCinemaEventSequence unloaded;
    unloaded.Start();
    EXPECT_TRUE(unloaded.IsFinished());
    EXPECT_EQ(&g_GameCamera, g_pActiveCamera);

    m_Dir.Write(SCRIPT, "at 1 cinema end\n");
    CCinemaEventSequence uncreated;
    EXPECT_TRUE(uncreated.LoadScript(SCRIPT));
    uncreated.Start();
    EXPECT_TRUE(uncreated.IsRunning());
    EXPECT_FALSE(uncreated.IsFinished());
}

// A cinema that cannot be read or never ends would hold the mission that
// waits for it for ever: the game stops and names the file.
TEST_F(CinemaTest, AMissingScriptOrOneWithoutAnEndEventIsFatalNamingTheFile)
{
    EXPECT_FATAL(m_Sequence.LoadScript("Scripts\\Mission\\Gone.txt"),
                 "Cinema script not found: Scripts\\Mission\\Gone.txt");
    m_Dir.Write(SCRIPT, "initial camera pos = xyz(0, 0, 0)\nat 2 cinema fin\n");
    EXPECT_FATAL(m_Sequence.LoadScript(SCRIPT), "Cinema script cinema.txt has no end event");
    m_Dir.Write(SCRIPT, "");
    EXPECT_FATAL(m_Sequence.LoadScript(SCRIPT), "Cinema script cinema.txt has no end event");
}

// --- Times ------------------------------------------------------------------

TEST_F(CinemaTest, TimesAreDrawnOnceInTheirRangesAndSortedKeepingScriptOrder)
{
    g_RandomTable.SetUpcoming({16384});
    const CRandomTable before = g_RandomTable;
    Load("at random(4, 6) sound = c.wav\n"
         "at random(2, 2) sound = a.wav\n"
         "at random(3, 1) sound = b.wav\n"
         "at 2 sound = a2.wav\n"
         "at 7 cinema end\n");
    EXPECT_EQ(1, DrawsSince(before)) << "only the range that is one draws";
    const std::vector<std::pair<std::string, float>> expected = {
        {"a.wav", 2.0f}, {"a2.wav", 2.0f}, {"b.wav", 3.0f}, {"c.wav", 4.0f + 16384.0f / 32767.0f * 2.0f}};
    for (size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(expected[index].first, EventAs<CCinemaEvent_PlayNoise>(index).m_FileName);
        EXPECT_FLOAT_EQ(expected[index].second, Event(index).m_fTime);
    }
}

// Due events are looked for only once more than 0.05 s has gathered; all
// that are due then run in the one pass.
TEST_F(CinemaTest, DueEventsRunOnTheFirstFrameAfterAFiftiethOfASecondAllInOnePass)
{
    Load("camera pos = xyz(1, 2, 3)\n"
         "at 0.05 camera pos = xyz(4, 5, 6)\n"
         "at 0.05 animation Player = Idle\n"
         "at 5 cinema end\n");
    m_Sequence.Start();
    EXPECT_TRUE(m_Sequence.IsRunning());
    EXPECT_EQ(&g_CinemaCamera, g_pActiveCamera);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CINEMA), g_CinemaCamera.m_u32Mode);
    EXPECT_EQ(1, g_CinemaCamera.m_Motion.m_u8Active);
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), g_CinemaCamera.GetPosition()) << "the events at 0 run with Start";

    m_Sequence.Update(0.05f);
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), g_CinemaCamera.GetPosition());
    EXPECT_EQ("", TakeLog());
    m_Sequence.Update(0.001f);
    EXPECT_EQ(D3DXVECTOR3(4, 5, 6), g_CinemaCamera.GetPosition());
    EXPECT_EQ("Cinema's do not currently support changing any GameActor animation besides the main players\n",
              TakeLog());
}

// --- The camera -------------------------------------------------------------

// The glide arrives at the fade target's time; the target, the last of its
// kind, then stops the camera where it is rather than placing it.
TEST_F(CinemaTest, ACameraGlidesToItsFadeTargetAndStopsThereAndTheEndGivesBackTheGameCamera)
{
    const D3DXVECTOR3 target(10, 20, -10);
    Load("initial camera pos = xyz(0, 20, -30)\nfade so at 4 camera pos = xyz(10, 20, -10)\nat 6 cinema end\n");
    m_Sequence.Start();
    ExpectVectorNear(D3DXVECTOR3(2.5f, 0, 5), g_CinemaCamera.m_Motion.m_vVelocity, TOLERANCE);
    const int framesToTarget = 250;
    for (int frame = 0; frame < framesToTarget; ++frame)
        Frame();
    ExpectVectorNear(target, g_CinemaCamera.GetPosition(), 1e-3f, "at 4 s");

    for (int frame = 0; frame < 10; ++frame)
        Frame();
    const D3DXVECTOR3 stopped = g_CinemaCamera.GetPosition();
    EXPECT_EQ(D3DXVECTOR3(0, 0, 0), g_CinemaCamera.m_Motion.m_vVelocity);
    const D3DXVECTOR3 past = stopped - target;
    EXPECT_GT(D3DXVec3Length(&past), 0.01f) << "a late check stops it a little past, not on, the target";
    while (m_Sequence.IsRunning())
        Frame();
    EXPECT_EQ(stopped, g_CinemaCamera.GetPosition());
    EXPECT_TRUE(m_Sequence.IsFinished());
    EXPECT_EQ(&g_GameCamera, g_pActiveCamera);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CINEMA), g_CinemaCamera.m_u32Mode) << "left in cinema mode";
}

TEST_F(CinemaTest, AFadeTargetAtTheSameTimeIsReachedInOneSecond)
{
    Load("at 2 camera pos = xyz(0, 0, 0)\nfade so at 2 camera pos = xyz(3, -6, 9)\nat 3 cinema end\n");
    EXPECT_EQ(&Event(1), Event(0).m_pLinkedEvent);
    m_Sequence.GetEvents()[0]->Run();
    EXPECT_EQ(D3DXVECTOR3(3, -6, 9), g_CinemaCamera.m_Motion.m_vVelocity);
}

struct LookAtCase {
    const char* vectors;
    D3DXVECTOR3 x, y, z;
    bool logged;
};

const LookAtCase LOOK_ATS[] = {
    {"xyz(1, 0, 0), xyz(0, 1, 0)", {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, false},
    {"xyz(0, -1, 1), xyz(0, 5, 0)", {1, 0, 0}, {0, 0.70710678f, 0.70710678f}, {0, -0.70710678f, 0.70710678f}, false},
    // A range gives its upper end.
    {"xyz(random(-3, 1), 0, 0) xyz(0, 1, 0)", {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, false},
    // No frame: the identity stays.
    {"xyz(0, 0, 0), xyz(0, 1, 0)", {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, true},
    {"xyz(0, 2, 0), xyz(0, 1, 0)", {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, true},
};

TEST_F(CinemaTest, ALookAtFacesItsDirectionWithItsUpAndAFrameOfNothingKeepsTheIdentity)
{
    for (const LookAtCase& c : LOOK_ATS) {
        SCOPED_TRACE(c.vectors);
        const std::string log = Load(std::string("camera lookat = ") + c.vectors + END);
        EXPECT_EQ(c.logged, log.find("has a zero or parallel direction and up") != std::string::npos) << log;
        const D3DXMATRIX rows = Rows(EventAs<CCinemaEvent_CameraLookAt>(0).m_qOrientation);
        ExpectVectorNear(c.x, GetMatrixRow(rows, 0), TOLERANCE, "x");
        ExpectVectorNear(c.y, GetMatrixRow(rows, 1), TOLERANCE, "y");
        ExpectVectorNear(c.z, GetMatrixRow(rows, 2), TOLERANCE, "direction");
    }
}

TEST_F(CinemaTest, ALinkedTurnIsHalfWayAtHalfItsTime)
{
    Load("initial camera lookat = xyz(0, 0, 1), xyz(0, 1, 0)\n"
         "fade so at 4 camera lookat = xyz(1, 0, 0), xyz(0, 1, 0)" +
         std::string(END));
    m_Sequence.Start();
    SetFrameTime(2000);
    g_CinemaCamera.Update();
    D3DXQUATERNION half;
    D3DXQuaternionSlerp(&half, &EventAs<CCinemaEvent_CameraLookAt>(0).m_qOrientation,
                        &EventAs<CCinemaEvent_CameraLookAt>(1).m_qOrientation, 0.5f);
    ExpectRowsNear(Rows(half), g_CinemaCamera.GetWorldMatrix(), TOLERANCE, "half way");
    ExpectVectorNear(D3DXVECTOR3(0.70710678f, 0, 0.70710678f), GetMatrixRow(g_CinemaCamera.GetWorldMatrix(), 2),
                     TOLERANCE, "facing between +z and +x");
}

TEST_F(CinemaTest, EndShowsTheGameCameraAndEndNoCameraResetKeepsTheCinemaOne)
{
    const std::pair<const char*, CCamera*> ends[] = {{"cinema end", &g_GameCamera},
                                                     {"cinema cameranoresetend", &g_CinemaCamera}};
    for (const auto& end : ends) {
        SCOPED_TRACE(end.first);
        Load(std::string("at 0.5 ") + end.first + "\nat 0.5 camera pos = xyz(7, 7, 7)\n");
        g_pActiveCamera = &g_GameCamera;
        m_Sequence.Start();
        for (int frame = 0; frame < 40 && m_Sequence.IsRunning(); ++frame)
            Frame();
        EXPECT_TRUE(m_Sequence.IsFinished());
        EXPECT_NE(D3DXVECTOR3(7, 7, 7), g_CinemaCamera.GetPosition()) << "the clock is back at 0 after the end";
        EXPECT_FALSE(m_Sequence.IsRunning());
        EXPECT_EQ(end.second, g_pActiveCamera);
        m_Sequence.Start();
        EXPECT_TRUE(m_Sequence.IsFinished()) << "a second start keeps it finished";
    }
}

// --- The player and sound ---------------------------------------------------

TEST_F(CinemaTest, AnAnimationEventPlaysThePlayersSetFromItsStart)
{
    for (const char* name : {"Walk", "Idle"}) {
        cAnimationSet set;
        set.m_Name = name;
        m_Player.m_Model.GetAnimation().GetSets().push_back(set);
    }
    m_Player.m_Model.SetAnimation("Walk");
    m_Player.m_Model.SetAnimationTime(0.7f);
    Load("at 0 animation player = Idle" + std::string(END));
    m_Sequence.Start();
    EXPECT_STREQ("Idle", m_Player.m_Model.GetAnimationName());
    EXPECT_EQ(0.0f, m_Player.m_Model.GetAnimationTime());
}

// Each stream the sequence starts is closed when the next script is loaded.
TEST_F(CinemaTest, ASoundEventStreamsOnceAndItsStreamIsClosedOnTheNextLoad)
{
    RecordingFSound fmod;
    Load("at 0.1 sound = Assets\\Sounds\\x.wav\nat 1 cinema end\n");
    m_Sequence.Start();
    while (m_Sequence.IsRunning())
        Frame();
    const std::vector<std::string> calls = fmod.TakeCalls();
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ(0u, calls[0].find("Stream_Open(Assets\\Sounds\\x.wav,"));
    EXPECT_EQ("Stream_Play(-1,S1)", calls[1]);
    EXPECT_EQ("Stream_SetEndCallback(S1,null,null)", calls[2]);

    Load("at 1 cinema end\n");
    EXPECT_EQ((std::vector<std::string>{"Stream_Stop(S1)", "Stream_Close(S1)"}), fmod.TakeCalls());
}

TEST_F(CinemaTest, EventsWithNothingToActOnOnlyLog)
{
    CCinemaEvent_End end(nullptr);
    CCinemaEvent_EndNoCameraReset endHere(nullptr);
    CCinemaEvent_PlayNoise silence;
    for (CCinemaEvent* event : {static_cast<CCinemaEvent*>(&end), static_cast<CCinemaEvent*>(&endHere),
                                static_cast<CCinemaEvent*>(&silence)})
        event->Run();
    EXPECT_EQ("pSequence invalid value for CCinemaEvent_End\n"
              "pSequence invalid value for CCinemaEvent_EndNoCameraReset\n"
              "Null sound request to play in cinema\n",
              TakeLog());
}

// --- The console's statements -----------------------------------------------

TEST_F(CinemaTest, TheConsolesCameraLinesLoadAsTwoFadeTargetsOfThatView)
{
    D3DXQUATERNION turn;
    const D3DXVECTOR3 axis(0.3f, 1.0f, -0.2f);
    D3DXQuaternionRotationAxis(&turn, &axis, 1.1f);
    g_GameCamera.m_u32Mode = CCamera::MODE_CINEMA;
    g_GameCamera.m_Motion.m_u8Active = 1;
    g_GameCamera.m_Motion.SetOrientation(turn);
    g_GameCamera.SetPosition(D3DXVECTOR3(12.5f, 3.25f, -40.75f));
    g_GameCamera.Update();
    std::string arguments;
    CLineRing output;
    ConGetCameraInfo(arguments, output);
    std::ofstream(CAMERA_INFO_FILE, std::ios::app) << "at 1 cinema end\n";

    m_Sequence.LoadScript(CAMERA_INFO_FILE);
    ASSERT_EQ(3u, m_Sequence.GetEvents().size());
    const auto& move = EventAs<CCinemaEvent_MoveCameraPos>(0);
    const auto& look = EventAs<CCinemaEvent_CameraLookAt>(1);
    for (const CCinemaEvent* event : {static_cast<const CCinemaEvent*>(&move), static_cast<const CCinemaEvent*>(&look)}) {
        EXPECT_EQ(1, event->m_u8Fade);
        EXPECT_EQ(0.0f, event->m_fTime);
    }
    ExpectVectorNear(g_GameCamera.GetPosition(), move.m_Position.m_Min, TOLERANCE, "position");
    ExpectRowsNear(g_GameCamera.GetWorldMatrix(), Rows(look.m_qOrientation), TOLERANCE, "orientation");
}

// --- The shipped scripts -----------------------------------------------------

TEST_F(CinemaTest, ShippedScriptsLoadCleanlyAndEndOnTimeWithTheGameCamera)
{
    RecordingFSound fmod;
    const ScopedWorkingDir inGame(KELM_GAME_DIR);
    for (const char* path : {"Scripts\\Mission\\IntroCinema.txt", "Scripts\\Mission\\Mission6Cinema.txt",
                             "Scripts\\Mission\\CreditsCinema.txt"}) {
        SCOPED_TRACE(path);
        RestartLog();
        EXPECT_TRUE(m_Sequence.LoadScript(path));
        ASSERT_FALSE(m_Sequence.GetEvents().empty());
        const float lastTime = m_Sequence.GetEvents().back()->m_fTime;
        g_pActiveCamera = &g_GameCamera;
        m_Sequence.Start();
        float played = 0.0f;
        while (m_Sequence.IsRunning() && played <= lastTime + 0.1f) {
            Frame();
            played += FRAME_SECONDS;
        }
        EXPECT_TRUE(m_Sequence.IsFinished()) << "after " << played << " s";
        EXPECT_EQ(&g_GameCamera, g_pActiveCamera);
        EXPECT_EQ("", TakeLog());
    }
}

} // namespace
