#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "App/Application.h"
#include "Core/Game.h"
#include "platform/win32/Win32Platform.h"

namespace {

int OtherState()
{
    return 1;
}

TEST(CGameTest, StartsOnNullStateOverANullEntry)
{
    CGame game;
    EXPECT_EQ(&NullState, game.GetCurrentState());
    EXPECT_EQ(1u, game.GetSavedStateCount());
    game.PopState();
    EXPECT_EQ(&NullState, game.GetCurrentState()) << "a popped null entry runs as NullState";
    EXPECT_EQ(0u, game.GetSavedStateCount());
    game.PopState();
    EXPECT_EQ(&NullState, game.GetCurrentState()) << "popping an empty stack does nothing";

    game.PushState(nullptr);
    EXPECT_EQ(&NullState, game.GetCurrentState());
}

// The window procedure drives the global game, as the real window does.
class WndProcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        while (g_Game.GetCurrentState() != &NullState || g_Game.GetSavedStateCount() > 1)
            g_Game.PopState();
        g_Game.PushState(OtherState);
    }

    static LRESULT Send(UINT message, WPARAM wParam = 0) { return WndProc(nullptr, message, wParam, 0); }
};

TEST_F(WndProcTest, EachDeactivationPausesAndEachActivationResumesOnce)
{
    EXPECT_EQ(0, Send(WM_ACTIVATEAPP, 0));
    EXPECT_EQ(0, Send(WM_ACTIVATEAPP, 0));
    EXPECT_EQ(&PausedState, g_Game.GetCurrentState());
    Send(WM_ACTIVATEAPP, 1);
    EXPECT_EQ(&PausedState, g_Game.GetCurrentState()) << "paused twice needs two resumes";
    Send(WM_ACTIVATEAPP, 1);
    EXPECT_EQ(&OtherState, g_Game.GetCurrentState());
    Send(WM_ACTIVATEAPP, 1);
    EXPECT_EQ(&OtherState, g_Game.GetCurrentState()) << "a resume without a pause does nothing";
}

TEST_F(WndProcTest, AResumeUnderAnotherStateDoesNothing)
{
    Send(WM_ACTIVATEAPP, 0);
    g_Game.PushState(OtherState);
    Send(WM_ACTIVATEAPP, 1);
    EXPECT_EQ(&OtherState, g_Game.GetCurrentState());
    g_Game.PopState();
    EXPECT_EQ(&PausedState, g_Game.GetCurrentState());
}

TEST_F(WndProcTest, DraggingTheWindowPausesUntilTheDragEnds)
{
    Send(WM_ENTERSIZEMOVE);
    EXPECT_EQ(&PausedState, g_Game.GetCurrentState());
    Send(WM_EXITSIZEMOVE);
    EXPECT_EQ(&OtherState, g_Game.GetCurrentState());
}

std::vector<std::pair<UINT, WPARAM>> s_PassedOn;

void RecordPassedOn(UINT message, WPARAM wParam)
{
    s_PassedOn.emplace_back(message, wParam);
}

TEST_F(WndProcTest, SwallowedMessagesNeverReachTheDefaultProcedure)
{
    struct Case {
        UINT message;
        WPARAM wParam;
        bool swallowed;
    };
    const Case cases[] = {
        {WM_SYSCOMMAND, SC_KEYMENU, true}, {WM_SYSCOMMAND, SC_SCREENSAVE, true},
        {WM_SYSCOMMAND, SC_MONITORPOWER, true}, {WM_KEYUP, VK_PAUSE, true},
        {WM_SYSCHAR, 's', true},           {WM_SYSCHAR, 'S', true},
        {WM_MOUSEMOVE, 0, true},           {WM_ENTERMENULOOP, 0, true},
        {WM_EXITMENULOOP, 0, true},        {WM_SYSCOMMAND, SC_MOVE, false},
        {WM_KEYUP, VK_RETURN, false},      {WM_SYSCHAR, 'x', false},
    };
    Win32Platform::SetDefaultProcObserver(RecordPassedOn);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.message << " " << c.wParam);
        s_PassedOn.clear();
        EXPECT_EQ(0, Send(c.message, c.wParam));
        std::vector<std::pair<UINT, WPARAM>> expected;
        if (!c.swallowed)
            expected.emplace_back(c.message, c.wParam);
        EXPECT_EQ(expected, s_PassedOn);
    }
    Win32Platform::SetDefaultProcObserver(nullptr);
    EXPECT_EQ(&OtherState, g_Game.GetCurrentState());
}

TEST_F(WndProcTest, DestroyPostsQuit)
{
    EXPECT_EQ(0, Send(WM_DESTROY));
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(0u, msg.wParam);
}

} // namespace
