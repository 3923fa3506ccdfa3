// The developer console in the whole game: the start-up script has run, and
// in play the player drops the console with the grave accent key, types
// lines with SDL key events and runs them; the developer scripts run on the
// shipped town; a typed SET QUIT ends the game.

#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Console/Console.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Menu/MenuManager.h"
#include "support/FrameTime.h"
#include "support/ScriptedGame.h"
#include "support/SdlEvents.h"
#include "support/TempDir.h"

namespace {

// The input is read at the start of the frame after a key's events: a key
// let go one frame after its press is down for exactly one frame, however
// long that frame takes, so it never repeats or closes the console again.
const int FRAMES_PER_KEY = 3;
const int HELD_FRAMES = 1;
// A game that never quits is closed after this many frames.
const int LAST_FRAME = 1500;
// The town square, where TOWNSQUARE.TXT puts the player.
const float SQUARE_MIN_X = 270.0f;
const float SQUARE_MAX_X = 490.0f;
const float SQUARE_MIN_Z = 80.0f;
const float SQUARE_MAX_Z = 300.0f;

// What the test's play saw.
struct Seen {
    int frame = 0;
    std::vector<std::string> startUpLines;
    bool openedByKey = false;
    bool moved = false;
    D3DXVECTOR3 movedTo;
    D3DXVECTOR3 onSquare;
    size_t carsBefore = 0;
    size_t carsAfter = 0;
    D3DXVECTOR3 carAt;
    float paintRed = 0.0f;
    bool quitTyped = false;
};

Seen s_Seen;
std::vector<SDL_Scancode> s_Keys;
int s_TypingFrom = 0;

// Into play as New Game goes there, this state kept on top.
void EnterPlay()
{
    const CLineRing& output = g_Console.GetOutput();
    for (int32_t i = 0; i <= output.GetCurrentIndex(); ++i)
        s_Seen.startUpLines.push_back(output.Line(i));
    g_Game.EnterPlay();
    g_Game.PopState();
    g_MenuManager.PopScreen();
}

bool Printed(const std::string& text)
{
    const CLineRing& output = g_Console.GetOutput();
    for (int32_t i = 0; i < CLineRing::LINE_COUNT; ++i)
        if (output.Line(i) == text)
            return true;
    return false;
}

// The developer scripts, run as if typed, once the typed SETPOS has moved
// the player.
void RunDeveloperScripts()
{
    g_Console.RunLine("SCRIPT TOWNSQUARE.TXT");
    s_Seen.onSquare = g_Player.m_Model.m_vPosition;
    s_Seen.carsBefore = g_pLevel->GetActiveCars().size();
    g_Console.RunLine("SCRIPT CARAHEAD.TXT");
    s_Seen.carsAfter = g_pLevel->GetActiveCars().size();
    const CCar* car = g_pLevel->GetActiveCars().back();
    s_Seen.carAt = D3DXVECTOR3(car->m_matSpawn._41, car->m_matSpawn._42, car->m_matSpawn._43);
    s_Seen.paintRed = CCarColorTable::Current()->GetWorking().Diffuse.r;
}

// Types the queued keys, one every few frames, once the frame timer runs:
// until it has timed its first frames it gives 0 s, and a key held for no
// time types nothing.
void Type()
{
    if (s_TypingFrom == 0 && g_FrameTimer.GetFrameTime() > 0.0f)
        s_TypingFrom = s_Seen.frame;
    if (s_TypingFrom == 0)
        return;
    const int typing = s_Seen.frame - s_TypingFrom;
    const int step = typing / FRAMES_PER_KEY;
    const int phase = typing % FRAMES_PER_KEY;
    if (step >= static_cast<int>(s_Keys.size()))
        return;
    if (phase == 0)
        PushKey(s_Keys[static_cast<size_t>(step)], true);
    if (phase == HELD_FRAMES)
        PushKey(s_Keys[static_cast<size_t>(step)], false);
}

// The whole game in a copy of the game folder, `play` in the front end's
// place: the grave key opens the console and `lines` are typed into it.
int PlayTyping(std::initializer_list<const char*> lines, ScreenState play)
{
    TempDir dir;
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    ScopedWorkingDir cwd(dir.Path());
    s_Seen = Seen();
    s_Keys = {SDL_SCANCODE_GRAVE};
    s_TypingFrom = 0;
    for (const char* line : lines) {
        const std::vector<SDL_Scancode> keys = LineKeys(line);
        s_Keys.insert(s_Keys.end(), keys.begin(), keys.end());
    }
    return RunGameScripted(play);
}

int ScriptedPlay()
{
    ++s_Seen.frame;
    if (s_Seen.frame == 1)
        EnterPlay();
    Type();
    InGameState();
    s_Seen.openedByKey = s_Seen.openedByKey || g_Console.IsOpen();
    if (!s_Seen.moved && Printed("SETPOS set successfully")) {
        s_Seen.moved = true;
        s_Seen.movedTo = g_Player.m_Model.m_vPosition;
        RunDeveloperScripts();
    }
    s_Seen.quitTyped = Printed("QUIT set successfully");
    if (s_Seen.frame == LAST_FRAME)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

TEST(GameConsoleTest, TheGraveKeyOpensTheConsoleWhoseTypedLinesMoveThePlayerAndQuit)
{
    EXPECT_EQ(0, PlayTyping({"set setpos 10 20 30", "set quit"}, ScriptedPlay));

    EXPECT_EQ((std::vector<std::string>{"", "SET PHYSICS 1", "PHYSICS set successfully", "SET DEBUGMODE 0",
                                        "DEBUGMODE set successfully", ""}),
              s_Seen.startUpLines)
        << "the start-up script ran before play";
    EXPECT_TRUE(s_Seen.openedByKey);
    ASSERT_TRUE(s_Seen.moved);
    // The frame that ran the line went on to step the player's body.
    EXPECT_NEAR(10.0f, s_Seen.movedTo.x, 0.01f);
    EXPECT_NEAR(20.0f, s_Seen.movedTo.y, 1.0f);
    EXPECT_NEAR(30.0f, s_Seen.movedTo.z, 0.01f);
    EXPECT_TRUE(s_Seen.quitTyped);
    EXPECT_LT(s_Seen.frame, LAST_FRAME) << "SET QUIT ended the game";

    EXPECT_GE(s_Seen.onSquare.x, SQUARE_MIN_X);
    EXPECT_LE(s_Seen.onSquare.x, SQUARE_MAX_X);
    EXPECT_GE(s_Seen.onSquare.z, SQUARE_MIN_Z);
    EXPECT_LE(s_Seen.onSquare.z, SQUARE_MAX_Z);
    EXPECT_EQ(s_Seen.carsBefore + 1, s_Seen.carsAfter) << "CARAHEAD.TXT spawned a car";
    const D3DXVECTOR3 gap = s_Seen.carAt - s_Seen.onSquare;
    EXPECT_NEAR(5.0f, std::hypot(gap.x, gap.z), 0.01f) << "ahead of the player";
    EXPECT_FLOAT_EQ(0.8f, s_Seen.paintRed) << "and painted";
}

// A car spawned from the console on road node 0 of the town, sent along
// its lane to node 1 (then on to 2 and 3), then told to idle; a steady
// frame, so that its seconds are the game's.
const uint32_t TRAFFIC_FRAME_MS = 20;
const int TRAFFIC_FRAMES_PER_SECOND = 1000 / TRAFFIC_FRAME_MS;
const int TRAFFIC_LAST_FRAME = 60 * TRAFFIC_FRAMES_PER_SECOND;
const size_t ROUTE[] = {1, 2, 3};

struct Traffic {
    // The frame the car was sent off, and the frame it passed the route's end.
    int sentAt = 0;
    int passedAt = 0;
    int idleAt = 0;
    int restingAt = 0;
    std::vector<size_t> passed;
    const cRoadnode* heading = nullptr;
};

Traffic s_Traffic;

size_t RoadIndex(const cRoadnode* node)
{
    for (size_t n = 0; n < g_RoadNodes.GetNodeCount(); ++n)
        if (g_RoadNodes.GetNode(n) == node)
            return n;
    return g_RoadNodes.GetNodeCount();
}

// The nodes the console's car has driven past, in order.
void FollowSpawnedCar()
{
    if (g_pLevel->GetAgents().empty())
        return;
    const CAIControllerSet& agent = *g_pLevel->GetAgents().back();
    const CNormalCarController& driver = *agent.GetCarController();
    const cRoadnode* node = driver.GetNavigation().m_pNode;
    if (s_Traffic.sentAt == 0 && node == g_RoadNodes.GetNode(ROUTE[0]))
        s_Traffic.sentAt = s_Seen.frame;
    if (node != s_Traffic.heading && s_Traffic.heading != nullptr)
        s_Traffic.passed.push_back(RoadIndex(s_Traffic.heading));
    s_Traffic.heading = node;
    if (s_Traffic.passedAt == 0 && s_Traffic.passed.size() >= std::size(ROUTE)) {
        s_Traffic.passedAt = s_Seen.frame;
        // Typed from the next frame on.
        s_Keys = LineKeys("set ai car state idle");
        s_TypingFrom = s_Seen.frame + 1;
    }
    if (s_Traffic.idleAt == 0 && Printed("****State Set to IDLE**"))
        s_Traffic.idleAt = s_Seen.frame;
    if (s_Traffic.idleAt != 0 && s_Traffic.restingAt == 0 && std::fabs(agent.GetCar()->GetForwardSpeed()) < 1.0f)
        s_Traffic.restingAt = s_Seen.frame;
}

int TrafficPlay()
{
    ++s_Seen.frame;
    SetFrameTime(TRAFFIC_FRAME_MS);
    if (s_Seen.frame == 1) {
        EnterPlay();
        QuietThePool();
    }
    Type();
    InGameState();
    FollowSpawnedCar();
    if (s_Traffic.restingAt != 0 || s_Seen.frame == TRAFFIC_LAST_FRAME)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

TEST(GameConsoleTest, ACarSpawnedFromTheConsoleDrivesItsLaneAndIdlesToRest)
{
    s_Traffic = Traffic();
    EXPECT_EQ(0, PlayTyping({"set ai spawn car sedan 300 0 97", "set ai car goto node 1"}, TrafficPlay));

    ASSERT_NE(0, s_Traffic.sentAt) << "the car was sent to node 1";
    ASSERT_NE(0, s_Traffic.passedAt);
    ASSERT_GE(s_Traffic.passed.size(), std::size(ROUTE));
    EXPECT_EQ(std::vector<size_t>(std::begin(ROUTE), std::end(ROUTE)),
              std::vector<size_t>(s_Traffic.passed.begin(), s_Traffic.passed.begin() + std::size(ROUTE)));
    EXPECT_LE(s_Traffic.passedAt - s_Traffic.sentAt, 20 * TRAFFIC_FRAMES_PER_SECOND) << "within 20 s";
    ASSERT_NE(0, s_Traffic.idleAt);
    ASSERT_NE(0, s_Traffic.restingAt) << "below 1 m/s";
    EXPECT_LE(s_Traffic.restingAt - s_Traffic.idleAt, 12 * TRAFFIC_FRAMES_PER_SECOND);
}

} // namespace
