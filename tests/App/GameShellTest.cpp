#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "App/Application.h"
#include "Console/Console.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Game/MissionManager.h"
#include "Level/GameTimer.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/TrafficLights.h"
#include "Menu/MenuManager.h"
#include "Menu/MenuScreens.h"
#include "platform/d3d8/D3D8Platform.h"
#include "platform/win32/Win32Platform.h"
#include "support/GameFolderCopy.h"
#include "support/ScriptedGame.h"
#include "support/TempDir.h"

namespace {

const int FRAMES_BEFORE_CLOSE = 90;
const int DEACTIVATE_FRAME = 10;
const int FIRST_SHOT_FRAME = 20;
const int FULL_SCREEN_FRAME = 30;
const int WINDOWED_FRAME = 40;
const int SECOND_SHOT_FRAME = 50;
const int CONSOLE_SCRIPT_FRAME = 60;
const int CURSOR_SIZE = 32;
const int CHANNEL_TOLERANCE = 2;

std::vector<DWORD> s_FrameTimes;
std::vector<CDisplayMode> s_Modes;
bool s_PlayerHadBody = false;
D3DXVECTOR3 s_ScriptedPosition;

// The front end as the game runs it, with a player's actions at fixed
// frames: losing and regaining focus, two screenshots, Alt+Enter there and
// back, and closing the window.
int ScriptedFrontEnd()
{
    s_FrameTimes.push_back(timeGetTime());
    s_PlayerHadBody = s_PlayerHadBody || (g_PlayerActor == &g_Player && g_Player.m_PhysicsObject.m_pActor != nullptr);
    FrontEndState();
    s_Modes.push_back(g_Display.GetCurrentMode());
    const int frame = static_cast<int>(s_FrameTimes.size());
    if (frame == DEACTIVATE_FRAME) {
        PostMessageA(g_hWnd, WM_ACTIVATEAPP, 0, 0);
        PostMessageA(g_hWnd, WM_ACTIVATEAPP, 1, 0);
    }
    if (frame == FIRST_SHOT_FRAME || frame == SECOND_SHOT_FRAME)
        g_Display.Screenshot();
    if (frame == FULL_SCREEN_FRAME || frame == WINDOWED_FRAME)
        PostMessageA(g_hWnd, WM_SYSKEYUP, VK_RETURN, 0);
    if (frame == CONSOLE_SCRIPT_FRAME) {
        g_Console.RunLine("script townsquare.txt");
        s_ScriptedPosition = g_Player.m_Model.m_vPosition;
    }
    if (frame == FRAMES_BEFORE_CLOSE)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    return 1;
}

// An image file's pixels, read on a device of its own after the game is gone.
std::vector<uint32_t> LoadImage(const std::string& path, UINT& width, UINT& height)
{
    D3D8Platform::UseStateOnlyDevices();
    IDirect3D8* direct3D = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.Windowed = TRUE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    IDirect3DDevice8* device = nullptr;
    std::vector<uint32_t> pixels;
    if (SUCCEEDED(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                         D3DCREATE_MIXED_VERTEXPROCESSING, &parameters, &device))) {
        pixels = ReadImageFile(device, path, width, height);
        device->Release();
    }
    direct3D->Release();
    D3D8Platform::ResetTestHooks();
    return pixels;
}

// Runs the game binary in `dir` as a player would start it, with `extra`
// ("NAME=value") added to the environment, and returns its exit code; what
// it writes to standard error goes to `errorFile`.
int RunGame(const std::string& dir, const std::string& errorFile, const std::vector<std::string>& extra = {})
{
    std::vector<std::string> variables(extra);
    const auto overridden = [&extra](const std::string& variable) {
        const std::string name = variable.substr(0, variable.find('=') + 1);
        return std::any_of(extra.begin(), extra.end(),
                           [&name](const std::string& given) { return given.compare(0, name.size(), name) == 0; });
    };
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (!overridden(*variable))
            variables.push_back(*variable);
    }
    std::vector<char*> environment;
    for (std::string& variable : variables)
        environment.push_back(variable.data());
    environment.push_back(nullptr);
    ScopedWorkingDir cwd(dir);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    char binary[] = KELM_GAME_BINARY;
    char* argv[] = {binary, nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, binary, &actions, nullptr, argv, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// The screenshot is the 640 x 480 window with the menu pointer, whose tip is
// at the middle of the screen, drawn over the level and the menu: only the
// pointer's opaque pixels are known.
void ExpectCursorShot(const std::string& shot, const std::vector<uint32_t>& cursor)
{
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> frame = LoadImage(shot, width, height);
    ASSERT_EQ(640u, width) << shot;
    ASSERT_EQ(480u, height) << shot;
    const int left = 320 - CURSOR_SIZE / 2;
    const int top = 240 - CURSOR_SIZE / 2;
    int mismatches = 0;
    int drawn = 0;
    for (int y = 0; y < CURSOR_SIZE; ++y) {
        for (int x = 0; x < CURSOR_SIZE; ++x) {
            const uint32_t texel = cursor[static_cast<size_t>(y) * CURSOR_SIZE + x];
            if ((texel >> 24) != 0xFF)
                continue;
            ++drawn;
            if (!ColourNear(texel, frame[static_cast<size_t>(top + y) * width + left + x], CHANNEL_TOLERANCE))
                ++mismatches;
        }
    }
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(0, mismatches) << shot;
}

TEST(GameShellTest, RunsTheFrontEndPausesTogglesFullScreenAndExitsWhenClosed)
{
    GameFolderCopy dir;
    // The screen offers the full-screen size of Alt+Enter at these rates.
    const D3DDISPLAYMODE modes[] = {
        {640, 480, 60, D3DFMT_X8R8G8B8},
        {1024, 768, 60, D3DFMT_X8R8G8B8},
        {1024, 768, 70, D3DFMT_X8R8G8B8},
        {1024, 768, 75, D3DFMT_X8R8G8B8},
    };
    D3D8Platform::SetAdapterModes(modes, 4);

    const int result = RunGameScripted(ScriptedFrontEnd);
    D3D8Platform::ResetTestHooks();
    EXPECT_EQ(0, result);

    // The pass that handles the close destroys the window and draws no
    // frame; the quit it posts ends the loop on the next pass.
    ASSERT_EQ(static_cast<size_t>(FRAMES_BEFORE_CLOSE), s_FrameTimes.size());
    RECT client = g_WindowGeometry.m_ClientRect;
    EXPECT_EQ(640, client.right - client.left);
    EXPECT_EQ(480, client.bottom - client.top);

    // The deactivation is handled one frame later and runs one paused frame
    // (20 ms asleep) in place of the game's state.
    const DWORD pausedGap = s_FrameTimes[DEACTIVATE_FRAME] - s_FrameTimes[DEACTIVATE_FRAME - 1];
    EXPECT_GE(pausedGap, 20u);
    EXPECT_EQ(&ScriptedFrontEnd, g_Game.GetCurrentState());
    EXPECT_GT(g_FrameTimer.GetFrameTime(), 0.0f) << "more than 60 frames ran";

    // Alt+Enter: the 1024 x 768 full screen at 70 Hz with vertical sync, then
    // the 640 x 480 window again.
    const CDisplayMode& fullScreen = s_Modes[FULL_SCREEN_FRAME];
    EXPECT_EQ(1, fullScreen.FullScreen);
    EXPECT_EQ(1024, fullScreen.Width);
    EXPECT_EQ(768, fullScreen.Height);
    EXPECT_EQ(70, fullScreen.RefreshRate);
    EXPECT_EQ(1, fullScreen.VSync);
    const CDisplayMode& windowed = s_Modes[WINDOWED_FRAME];
    EXPECT_EQ(0, windowed.FullScreen);
    EXPECT_EQ(640, windowed.Width);
    EXPECT_EQ(480, windowed.Height);

    // Frames were presented, the cursor drawn in them, before and after.
    UINT cursorWidth = 0;
    UINT cursorHeight = 0;
    const std::vector<uint32_t> cursor = LoadImage("Assets\\Images\\arrowup.png", cursorWidth, cursorHeight);
    ASSERT_EQ(static_cast<UINT>(CURSOR_SIZE), cursorWidth);
    ExpectCursorShot("shot000.bmp", cursor);
    ExpectCursorShot("shot001.bmp", cursor);

    EXPECT_EQ(nullptr, g_Display.GetD3DDevice()) << "released at shut-down";
    EXPECT_TRUE(s_PlayerHadBody) << "the player, a copy of \"Lizard\", stood on a body";
    EXPECT_EQ("Lizard", g_Player.GetName());
    EXPECT_EQ(nullptr, g_Player.m_PhysicsObject.m_pActor) << "released before the scene";
    EXPECT_EQ(nullptr, g_PlayerActor) << "its model's textures are gone: nothing may draw it";
    EXPECT_EQ(0u, g_MissionManager.GetMissionCount()) << "missions close their streams while the sound runs";
    // The key bytes went with the keyboard device; the console reads none
    // (the sanitizer stops a read of them).
    g_Console.Update(0.0f);
    EXPECT_FALSE(g_Console.IsReady());
    EXPECT_EQ("MainGameTimer", g_GameTimer.GetName()) << "the clock is a copy of the prototype";
    EXPECT_EQ("pistol", g_Pistol.GetName()) << "the default weapon is a copy of the prototype";
    EXPECT_EQ(WEAPON_PISTOL, g_Pistol.m_iWeaponID);
    EXPECT_GT(g_RoadNodes.GetNodeCount(), 0u);
    EXPECT_GT(g_SidewalkNodes.GetNodeCount(), 0u);
    EXPECT_EQ(1u, g_TrafficLights.GetLightCount());
    // The console's start-up script ran, and the developer script put the
    // player on the town square.
    std::vector<std::string> console;
    for (int i = 0; i < CLineRing::LINE_COUNT; ++i)
        console.push_back(g_Console.GetOutput().Line(i));
    for (const char* line : {"SET PHYSICS 1", "PHYSICS set successfully", "SET SETPOS 380 2 150",
                             "SETPOS set successfully", "380.0000 2.0000 150.0000", "Script Loaded Successfully"})
        EXPECT_NE(console.end(), std::find(console.begin(), console.end(), line)) << line;
    EXPECT_EQ(D3DXVECTOR3(380.0f, 2.0f, 150.0f), s_ScriptedPosition);
    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(0u, log.find("\n- Logging started ")) << log;
    EXPECT_EQ(std::string::npos, log.find("Error in")) << log;
    size_t resets = 0;
    for (size_t at = log.find("Reset and restore complete"); at != std::string::npos;
         at = log.find("Reset and restore complete", at + 1))
        ++resets;
    // The options' mode at start-up, then Alt+Enter there and back.
    EXPECT_EQ(3u, resets) << log;
    EXPECT_EQ(std::string::npos, log.find("Warning")) << log;
    EXPECT_EQ("MusicVol: 1\nEffectVol: 1\nResX: 640\nResY: 480\nBPP: 0\nRefreshRate: 0\nVSync: false\n"
              "BFullScreen: false\n",
              dir.Read("Scripts/Options.txt"))
        << "written back at exit: Alt+Enter is not an option";
    ASSERT_NE(nullptr, g_MenuManager.GetCurrentScreen());
    EXPECT_EQ("Main Menu", g_MenuManager.GetCurrentScreen()->m_Name) << "over the game, which is below it";
    EXPECT_EQ(2u, g_MenuManager.GetStackSize());
}

// The dummy video driver has no OpenGL, so no window can be made for it.
TEST(GameShellTest, AWindowThatCannotBeMadeEndsStartUpWithItsReasonAndMinusOne)
{
    TempDir dir;
    const int exitCode = RunGame(dir.Path(), dir.Path() + "/stderr.txt", {"SDL_VIDEODRIVER=dummy"});

    EXPECT_EQ(255, exitCode) << "-1 as the shell sees it";
    const std::string errors = dir.Read("stderr.txt");
    EXPECT_NE(std::string::npos, errors.find("Unable to create the main window")) << errors;
    EXPECT_NE(std::string::npos, errors.find("CreateWindowExA: ")) << "the library's own reason: " << errors;
    EXPECT_NE(std::string::npos, dir.Read("log.txt").find("Unable to create the main window"));
}

TEST(GameShellTest, AFatalScriptErrorAtStartUpExitsWithItsMessageAndMinusOne)
{
    TempDir dir;
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    std::ofstream(dir.Path() + "/Scripts/Meshes.txt", std::ios::app) << "\nNo_Such_Keyword 1\n";
    const std::string message = "Unable to intialize object  from: Scripts\\Meshes.txt of type CDisplayMesh";

    const int exitCode = RunGame(dir.Path(), dir.Path() + "/stderr.txt");

    EXPECT_EQ(255, exitCode) << "-1 as the shell sees it";
    const std::string errors = dir.Read("stderr.txt");
    EXPECT_NE(std::string::npos, errors.find(message)) << errors;
    EXPECT_EQ(std::string::npos, errors.find("Sanitizer")) << errors;
    EXPECT_EQ(std::string::npos, errors.find("runtime error")) << errors;
    EXPECT_NE(std::string::npos, dir.Read("log.txt").find(message));
}

} // namespace
