// The developer console in the whole game: the start-up script has run, and
// in play the player drops the console with the grave accent key, types
// lines with SDL key events and runs them; the developer scripts run on the
// shipped town; a typed SET QUIT ends the game.

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Actors/GameActor.h"
#include "App/Application.h"
#include "Console/Console.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "Level/Level.h"
#include "Menu/MenuManager.h"
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
    TempDir dir;
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    ScopedWorkingDir cwd(dir.Path());
    s_Keys = {SDL_SCANCODE_GRAVE};
    s_TypingFrom = 0;
    for (const char* line : {"set setpos 10 20 30", "set quit"}) {
        const std::vector<SDL_Scancode> keys = LineKeys(line);
        s_Keys.insert(s_Keys.end(), keys.begin(), keys.end());
    }
    EXPECT_EQ(0, RunGameScripted(ScriptedPlay));

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

} // namespace
