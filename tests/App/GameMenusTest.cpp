// The menus as a player uses them: the real game on its shipped content, a
// cursor put over the buttons, clicks made with the mouse's SDL events and
// keys with the keyboard's, through the options screens and out by Quit,
// from the front end and from play.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "App/Application.h"
#include "Core/Game.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Game/HUD.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Level/Level.h"
#include "Menu/Button.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "support/FrameTime.h"
#include "support/MenuSpots.h"
#include "support/SdlEvents.h"
#include "support/ScriptedGame.h"
#include "support/TempDir.h"

namespace {

// Frames between two steps: a click is seen a few frames after its events.
const int FRAMES_PER_STEP = 10;
// A game that never quits is closed after this many frames.
const int LAST_FRAME = 1200;
// Every scripted frame lasts this long, whatever the machine takes.
const uint32_t FRAME_MS = 20;

// What the player's hand does in one step.
enum StepKind {
    LOOK,  // nothing: the screen as it is
    CLICK, // the cursor on a place, press and let go of the button
    KEY,   // a key pressed and let go
    // nothing until play has the controls: New Game starts the introduction,
    // whose cinema holds them
    WAIT_FOR_PLAY,
};

// One step of the player's: for a click the cursor's place and, for a
// rebinding, the key held while the click is let go.
struct Step {
    StepKind kind;
    float x, y;
    SDL_Scancode key;
};

typedef std::vector<Step> Steps;

Steps Join(std::initializer_list<Steps> parts)
{
    Steps joined;
    for (const Steps& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// The centres of the shipped buttons. From "Options" through the sound and
// the controls and back to the screen that opened it.
const Steps OPTIONS_ROUND = {
    {CLICK, 0.5f, 0.413f, SDL_SCANCODE_UNKNOWN},   // Options: Sound Options
    {CLICK, 0.419f, 0.505f, SDL_SCANCODE_UNKNOWN}, // Sound Options: the effects slider's left arrow
    {CLICK, 0.781f, 0.893f, SDL_SCANCODE_UNKNOWN}, // Sound Options: Back
    {CLICK, 0.5f, 0.233f, SDL_SCANCODE_UNKNOWN},   // Options: Controls
    {CLICK, 0.742f, 0.313f, SDL_SCANCODE_K},       // Controls, On Foot: Forward, then K
    {CLICK, 0.781f, 0.893f, SDL_SCANCODE_UNKNOWN}, // Controls: Back
    {CLICK, 0.5f, 0.893f, SDL_SCANCODE_UNKNOWN},   // Options: Back
};

const Steps FRONT_END_OPTIONS = Join({
    {{CLICK, MainMenuSpots::OPTIONS.x, MainMenuSpots::OPTIONS.y, SDL_SCANCODE_UNKNOWN}}, // Main Menu: Options
    OPTIONS_ROUND,
    {{CLICK, MainMenuSpots::QUIT.x, MainMenuSpots::QUIT.y, SDL_SCANCODE_UNKNOWN}}, // Main Menu: Quit
});

// Into play, and the options through the in-game menu.
const Steps WHOLE_GAME = Join({
    {
        {LOOK, 0.9f, 0.1f, SDL_SCANCODE_UNKNOWN},    // Main Menu over the level
        {CLICK, MainMenuSpots::NEW_GAME.x, MainMenuSpots::NEW_GAME.y, SDL_SCANCODE_UNKNOWN}, // Main Menu: New Game
        {WAIT_FOR_PLAY, 0.5f, 0.5f, SDL_SCANCODE_UNKNOWN},
        {KEY, 0.5f, 0.5f, SDL_SCANCODE_ESCAPE},      // play: the menu key
        {CLICK, 0.5f, 0.658f, SDL_SCANCODE_UNKNOWN}, // Main In Game Screen: Options
    },
    OPTIONS_ROUND,
    {
        {CLICK, 0.5f, 0.433f, SDL_SCANCODE_UNKNOWN}, // Main In Game Screen: Resume
        {KEY, 0.5f, 0.5f, SDL_SCANCODE_ESCAPE},      // play: the menu key
        {CLICK, 0.5f, 0.433f, SDL_SCANCODE_UNKNOWN}, // Main In Game Screen: Resume
        {KEY, 0.5f, 0.5f, SDL_SCANCODE_ESCAPE},      // play: the menu key
        {CLICK, 0.5f, 0.733f, SDL_SCANCODE_UNKNOWN}, // Main In Game Screen: Quit
    },
});
// The first steps after each Resume, in play again.
const int RESUMED_STEP = 13;
const int RESUMED_AGAIN_STEP = 15;

// What the game showed at the first frame of a step.
struct Seen {
    std::string screen;
    int levelState = -1;
    int inputContext = -1;
    size_t inputContextDepth = 0;
    bool cursorShown = false;
    uint8_t hud = 0;
};

const Steps* s_Steps = nullptr;
int s_Frame = 0;
// Frames a WAIT_FOR_PLAY step has added to its own.
int s_Waited = 0;
std::vector<Seen> s_Seen;
// The back buffer at the end of the first step.
std::vector<uint32_t> s_FirstFrame;
UINT s_Width = 0;
UINT s_Height = 0;

void LookAtTheGame()
{
    Seen seen;
    const CSingleScreen* screen = g_MenuManager.GetCurrentScreen();
    seen.screen = screen != nullptr ? screen->m_Name : std::string("(game)");
    seen.levelState = g_pLevel != nullptr ? g_pLevel->GetState() : -1;
    seen.inputContext = g_InputManager.GetCurrentContext();
    seen.inputContextDepth = g_InputManager.GetContextDepth();
    seen.cursorShown = g_InGameMouse.IsVisible();
    seen.hud = g_HUD.m_bVisible;
    s_Seen.push_back(seen);
}

// The player's hand at this frame: each step puts the cursor somewhere and
// then presses and lets go (with a key down for a rebinding).
void Play()
{
    ++s_Frame;
    SetFrameTime(FRAME_MS);
    const int step = (s_Frame - s_Waited) / FRAMES_PER_STEP;
    const int phase = (s_Frame - s_Waited) % FRAMES_PER_STEP;
    if (step >= static_cast<int>(s_Steps->size()))
        return;
    const Step& now = (*s_Steps)[static_cast<size_t>(step)];
    if (phase == 1)
        LookAtTheGame();
    if (now.kind == WAIT_FOR_PLAY) {
        const bool inPlay = g_InputManager.GetCurrentContext() == CInputManager::CONTEXT_PLAY && g_HUD.m_bVisible;
        if (phase == FRAMES_PER_STEP - 1 && !inPlay)
            ++s_Waited;
        return;
    }
    if (now.kind == KEY) {
        if (phase == 1 || phase == 3)
            PushKey(now.key, phase == 1);
        return;
    }
    const float cursor[2] = {now.x, now.y};
    g_InGameMouse.SetPosition(cursor);
    if (now.kind == LOOK)
        return;
    if (phase == 1)
        PushButton(SDL_BUTTON_LEFT, true);
    if (phase == 2) {
        if (now.key != SDL_SCANCODE_UNKNOWN)
            PushKey(now.key, true);
        PushButton(SDL_BUTTON_LEFT, false);
    }
    if (phase == 6 && now.key != SDL_SCANCODE_UNKNOWN)
        PushKey(now.key, false);
}

void CloseWhenTooLong()
{
    if (s_Frame == LAST_FRAME)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
}

int ScriptedPlay()
{
    Play();
    InGameState();
    CloseWhenTooLong();
    return 1;
}

// New Game puts play over the front end; the script then plays in it.
int ScriptedFrontEnd()
{
    Play();
    FrontEndState();
    if (s_Frame == FRAMES_PER_STEP - 1) {
        IDirect3DSurface8* target = nullptr;
        if (SUCCEEDED(g_Display.GetD3DDevice()->GetRenderTarget(&target))) {
            s_FirstFrame = ReadSurface(target, s_Width, s_Height);
            target->Release();
        }
    }
    if (g_Game.GetCurrentState() == InGameState)
        g_Game.PushState(ScriptedPlay);
    CloseWhenTooLong();
    return 1;
}

// Runs the game in a copy of the shipped game directory through `steps`.
void RunSteps(const TempDir& dir, const Steps& steps)
{
    s_Steps = &steps;
    s_Frame = 0;
    s_Waited = 0;
    s_Seen.clear();
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    ScopedWorkingDir cwd(dir.Path());
    EXPECT_EQ(0, RunGameScripted(ScriptedFrontEnd));
    EXPECT_LT(s_Frame, LAST_FRAME) << "Quit ended the game";
}

std::string ScreensSeen()
{
    std::string screens;
    for (const Seen& seen : s_Seen)
        screens += seen.screen + ";";
    return screens;
}

// The effects volume one step down and Forward on K, in the files the game
// wrote at exit and on the controls screen; nothing went wrong on the way.
// On foot the player walks forward with Gas, as the car accelerates.
void ExpectTheChangesKept(const TempDir& dir)
{
    const std::string options = dir.Read("Scripts/Options.txt");
    EXPECT_NE(std::string::npos, options.find("EffectVol: 0.95\n")) << options;
    EXPECT_NE(std::string::npos, options.find("MusicVol: 1\n")) << options;
    EXPECT_NE(std::string::npos, dir.Read("controls.cfg").find("\r\nGas\r\nK\r\n"));

    const CSingleTabObject* onFoot = g_MenuManager.FindScreen("Controls")->m_pMultiTab->GetTabs().front();
    EXPECT_EQ("K", onFoot->m_pMenu->GetButtons()[1]->m_Caption) << "the Forward button shows its new key";
    const CSingleTabObject* driving = g_MenuManager.FindScreen("Controls")->m_pMultiTab->GetTabs()[1];
    EXPECT_EQ("K", driving->m_pMenu->GetButtons()[1]->m_Caption) << "and Accelerate, the same action";
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
    EXPECT_EQ(std::string::npos, log.find("Warning")) << log;
}

uint32_t PixelAt(float x, float y)
{
    const size_t column = static_cast<size_t>(x * static_cast<float>(s_Width));
    const size_t row = static_cast<size_t>(y * static_cast<float>(s_Height));
    return s_FirstFrame[row * s_Width + column];
}

int Channel(uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

TEST(GameMenusTest, TheOptionsScreensChangeTheVolumeAndABindingWhichAreKeptAtExit)
{
    TempDir dir;
    RunSteps(dir, FRONT_END_OPTIONS);
    EXPECT_EQ("Main Menu;Options;Sound Options;Sound Options;Options;Controls;Controls;Options;Main Menu;",
              ScreensSeen());
    ExpectTheChangesKept(dir);
}

TEST(GameMenusTest, NewGamePlaysAndTheInGameMenuPausesChangesTheOptionsResumesAndQuits)
{
    TempDir dir;
    RunSteps(dir, WHOLE_GAME);
    EXPECT_EQ("Main Menu;Main Menu;(game);(game);Main In Game Screen;Options;Sound Options;Sound Options;Options;"
              "Controls;Controls;Options;Main In Game Screen;(game);Main In Game Screen;(game);Main In Game Screen;",
              ScreensSeen());
    ExpectTheChangesKept(dir);

    ASSERT_EQ(640u, s_Width);
    ASSERT_EQ(480u, s_Height);
    const uint32_t newGame = PixelAt(MainMenuSpots::NEW_GAME.x, MainMenuSpots::NEW_GAME.y);
    EXPECT_GT(Channel(newGame, 0), Channel(newGame, 16)) << std::hex << newGame << ": the blue plate";
    EXPECT_NE(0u, PixelAt(0.02f, 0.02f) & 0xFFFFFFu) << "the level behind the menu";

    ASSERT_EQ(WHOLE_GAME.size(), s_Seen.size());
    // Each menu's input context is pushed over play's and comes off with
    // the menu: trips through the menus leave the stack as it was.
    const struct {
        int step;
        int levelState;
        int inputContext;
        size_t inputContextDepth;
        bool cursorShown;
        uint8_t hud;
    } moments[] = {
        {0, CLevel::STATE_PAUSED, CInputManager::CONTEXT_MENU, 1, true, 0},   // the front end
        // New Game: the introduction's cinema holds the controls and hides the HUD.
        {2, CLevel::STATE_PLAYING, CInputManager::CONTEXT_HELD, 1, false, 0},
        // Play after it, unarmed: the introduction leaves its two contexts on the stack.
        {3, CLevel::STATE_PLAYING, CInputManager::CONTEXT_PLAY, 2, false, 1},
        {4, CLevel::STATE_PAUSED, CInputManager::CONTEXT_MENU, 3, true, 1}, // the in-game menu
        {RESUMED_STEP, CLevel::STATE_PLAYING, CInputManager::CONTEXT_PLAY, 2, false, 1},
        {RESUMED_AGAIN_STEP, CLevel::STATE_PLAYING, CInputManager::CONTEXT_PLAY, 2, false, 1},
    };
    for (const auto& moment : moments) {
        SCOPED_TRACE(s_Seen[static_cast<size_t>(moment.step)].screen + " at step " + std::to_string(moment.step));
        const Seen& seen = s_Seen[static_cast<size_t>(moment.step)];
        EXPECT_EQ(moment.levelState, seen.levelState);
        EXPECT_EQ(moment.inputContext, seen.inputContext);
        EXPECT_EQ(moment.inputContextDepth, seen.inputContextDepth);
        EXPECT_EQ(moment.cursorShown, seen.cursorShown);
        EXPECT_EQ(moment.hud, seen.hud);
    }
}

} // namespace
