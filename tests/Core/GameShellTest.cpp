#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Core/Application.h"
#include "Core/Clock.h"
#include "Core/Game.h"
#include "support/TempDir.h"

namespace {

const int FRAMES_BEFORE_CLOSE = 90;
const int DEACTIVATE_FRAME = 10;

std::vector<DWORD> s_FrameTimes;

// Stands in for the screen states the game will run: counts frames, loses
// and regains focus once, then closes the window as a player would.
int ScriptedState()
{
    s_FrameTimes.push_back(timeGetTime());
    const int frame = static_cast<int>(s_FrameTimes.size());
    if (frame == DEACTIVATE_FRAME) {
        PostMessageA(g_hWnd, WM_ACTIVATEAPP, 0, 0);
        PostMessageA(g_hWnd, WM_ACTIVATEAPP, 1, 0);
    }
    if (frame == FRAMES_BEFORE_CLOSE)
        PostMessageA(g_hWnd, WM_CLOSE, 0, 0);
    Sleep(1);
    return 1;
}

TEST(GameShellTest, RunsFramesPausesWithoutFocusAndExitsWhenClosed)
{
    TempDir dir;
    std::filesystem::copy(KELM_GAME_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    ScopedWorkingDir cwd(dir.Path());

    g_Game.PushState(ScriptedState);
    char commandLine[] = "";
    EXPECT_EQ(0, WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWNORMAL));

    // The pass that handles the close still runs its frame; the quit it posts
    // ends the loop on the next pass.
    ASSERT_EQ(static_cast<size_t>(FRAMES_BEFORE_CLOSE + 1), s_FrameTimes.size());
    RECT client = g_WindowGeometry.m_ClientRect;
    EXPECT_EQ(640, client.right - client.left);
    EXPECT_EQ(480, client.bottom - client.top);

    // The deactivation is handled one frame later and runs one paused frame
    // (20 ms asleep) in place of the game's state.
    const DWORD pausedGap = s_FrameTimes[DEACTIVATE_FRAME] - s_FrameTimes[DEACTIVATE_FRAME - 1];
    EXPECT_GE(pausedGap, 20u);
    EXPECT_EQ(&ScriptedState, g_Game.GetCurrentState());
    EXPECT_GT(g_FrameTimer.GetFrameTime(), 0.0f) << "more than 60 frames ran";

    const std::string log = dir.Read("log.txt");
    EXPECT_EQ(0u, log.find("\n- Logging started ")) << log;
}

} // namespace
