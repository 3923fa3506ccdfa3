// The front end's menus as a player uses them: the real game on its shipped
// content, a cursor put over the buttons and clicks made with the mouse's
// SDL events, through the options screens and out by Quit.

#include <filesystem>
#include <string>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "App/Application.h"
#include "Core/Game.h"
#include "Input/InGameMouse.h"
#include "Menu/Button.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "support/SdlEvents.h"
#include "support/ScriptedGame.h"
#include "support/TempDir.h"

namespace {

// Frames between two clicks: a click is seen a few frames after its events.
const int FRAMES_PER_STEP = 10;
// A game that never quits is closed after this many frames.
const int LAST_FRAME = 600;

// One click of the player's: the cursor's place and, for a rebinding, the
// key held while the click is let go.
struct Click {
    float x, y;
    SDL_Scancode key;
};

// The centres of the shipped buttons.
const Click CLICKS[] = {
    {0.5f, 0.693f, SDL_SCANCODE_UNKNOWN},    // Main Menu: Options
    {0.5f, 0.433f, SDL_SCANCODE_UNKNOWN},    // Options: Sound Options
    {0.419f, 0.375f, SDL_SCANCODE_UNKNOWN},  // Sound Options: the effects slider's left arrow
    {0.5f, 0.733f, SDL_SCANCODE_UNKNOWN},    // Sound Options: Back
    {0.5f, 0.533f, SDL_SCANCODE_UNKNOWN},    // Options: Controls
    {0.625f, 0.333f, SDL_SCANCODE_K},        // Controls, On Foot: Forward, then K
    {0.5f, 0.893f, SDL_SCANCODE_UNKNOWN},    // Controls: Back
    {0.5f, 0.673f, SDL_SCANCODE_UNKNOWN},    // Options: Back
    {0.5f, 0.793f, SDL_SCANCODE_UNKNOWN},    // Main Menu: Quit
};
const int CLICK_COUNT = sizeof(CLICKS) / sizeof(CLICKS[0]);

int s_Frame = 0;
std::string s_Screens;

// The front end with the player's hand on the mouse: each step puts the
// cursor on a button, presses, and lets go (with a key down for a rebinding).
int ScriptedFrontEnd()
{
    ++s_Frame;
    const int step = s_Frame / FRAMES_PER_STEP;
    const int phase = s_Frame % FRAMES_PER_STEP;
    if (step < CLICK_COUNT) {
        const Click& click = CLICKS[step];
        const float cursor[2] = {click.x, click.y};
        g_InGameMouse.SetPosition(cursor);
        if (phase == 1) {
            const CSingleScreen* screen = g_MenuManager.GetCurrentScreen();
            s_Screens += (screen != nullptr ? screen->m_Name : std::string("(game)")) + ";";
            PushButton(SDL_BUTTON_LEFT, true);
        }
        if (phase == 2) {
            if (click.key != SDL_SCANCODE_UNKNOWN)
                PushKey(click.key, true);
            PushButton(SDL_BUTTON_LEFT, false);
        }
        if (phase == 6 && click.key != SDL_SCANCODE_UNKNOWN)
            PushKey(click.key, false);
    }
    FrontEndState();
    if (s_Frame == LAST_FRAME)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

TEST(GameMenusTest, TheOptionsScreensChangeTheVolumeAndABindingWhichAreKeptAtExit)
{
    TempDir dir;
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    ScopedWorkingDir cwd(dir.Path());
    const int result = RunGameScripted(ScriptedFrontEnd);
    EXPECT_EQ(0, result);

    EXPECT_LT(s_Frame, LAST_FRAME) << "Quit ended the game";
    EXPECT_EQ("Main Menu;Options;Sound Options;Sound Options;Options;Controls;Controls;Options;Main Menu;",
              s_Screens);
    const std::string options = dir.Read("Scripts/Options.txt");
    EXPECT_NE(std::string::npos, options.find("EffectVol: 0.95\n")) << options;
    EXPECT_NE(std::string::npos, options.find("MusicVol: 1\n")) << options;
    EXPECT_NE(std::string::npos, dir.Read("controls.cfg").find("\r\nForward\r\nK\r\n"));

    const CSingleTabObject* onFoot = g_MenuManager.FindScreen("Controls")->m_pMultiTab->GetTabs().front();
    EXPECT_EQ("K", onFoot->m_pMenu->GetButtons()[1]->m_Caption) << "the Forward button shows its new key";
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
    EXPECT_EQ(std::string::npos, log.find("Warning")) << log;
}

} // namespace
