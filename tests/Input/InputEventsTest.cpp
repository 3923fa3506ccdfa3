// The input manager over the real DirectInput stand-in and the offscreen
// window, driven by SDL events as the player's keyboard and mouse make them.

#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "App/Application.h"
#include "Input/DeviceJoystick.h"
#include "Input/InputManager.h"
#include "platform/win32/Win32Platform.h"
#include "support/SdlEvents.h"
#include "support/TempDir.h"

namespace {

LRESULT CALLBACK QuitOnDestroy(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class GlInputManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const bool registered = [] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = QuitOnDestroy;
            windowClass.lpszClassName = "KelmInputTest";
            return RegisterClassA(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        g_hWnd = CreateWindowExA(0, "KelmInputTest", "Project Kelm", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, 646, 505, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, g_hWnd);
        ShowWindow(g_hWnd, SW_SHOWNORMAL);
        ASSERT_TRUE(g_InputManager.Init());
        g_InputManager.Update();
    }

    void TearDown() override
    {
        g_InputManager.Shutdown();
        DestroyWindow(g_hWnd);
        g_hWnd = nullptr;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Starts the input again with a virtual joystick plugged in, which takes
    // the slot that its SDL index gives it.
    void RestartWithAVirtualJoystick()
    {
        g_InputManager.Shutdown();
        ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_JOYSTICK));
        m_JoystickIndex = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 16, 1);
        ASSERT_GE(m_JoystickIndex, 0) << SDL_GetError();
        ASSERT_TRUE(g_InputManager.Init());
        m_JoystickSlot = CInputManager::FIRST_JOYSTICK_SLOT + m_JoystickIndex;
        m_pJoystick = dynamic_cast<DeviceJoystick*>(g_InputManager.GetDevice(m_JoystickSlot));
        ASSERT_NE(nullptr, m_pJoystick);
        m_JoystickId = SDL_JoystickGetDeviceInstanceID(m_JoystickIndex);
    }

    std::string BindingName(int action) const
    {
        std::string name;
        g_InputManager.GetBindingName(name, action);
        return name;
    }

    TempDir m_Folder;
    ScopedWorkingDir m_InFolder{m_Folder.Path()};
    int m_JoystickIndex = -1;
    int m_JoystickSlot = -1;
    SDL_JoystickID m_JoystickId = -1;
    DeviceJoystick* m_pJoystick = nullptr;
};

TEST_F(GlInputManagerTest, KeysAndTheMouseReachTheActions)
{
    PushKey(SDL_SCANCODE_W, true);
    PushButton(SDL_BUTTON_LEFT, true);
    PushMotion(12, -5);
    PushMotion(3, 0);
    g_InputManager.Update();
    g_InputManager.Update();

    const uint8_t* states = g_InputManager.GetActionStates();
    EXPECT_EQ(CInputManager::STATE_HELD, states[1]) << "Forward";
    EXPECT_EQ(CInputManager::STATE_HELD, states[11]) << "Fire";
    EXPECT_EQ(CInputManager::STATE_IDLE, states[2]) << "Backwards";
    EXPECT_EQ(15.0f, g_InputManager.GetAxisValues()[0]);
    EXPECT_EQ(-5.0f, g_InputManager.GetAxisValues()[1]);

    PushKey(SDL_SCANCODE_W, false);
    g_InputManager.Update();
    EXPECT_TRUE(g_InputManager.WasReleased(1));
    g_InputManager.Update();
    EXPECT_EQ(CInputManager::STATE_RELEASED, states[1]);
    EXPECT_EQ(0.0f, g_InputManager.GetAxisValues()[0]) << "the movement was taken by the last poll";

    g_InputManager.Shutdown();
    EXPECT_EQ(0u, m_Folder.Read("controls.cfg").find("Version 1.0\r\nQuit\r\nESCAPE\r\n"));
}

// How the menus take a click: released after being seen down.
TEST_F(GlInputManagerTest, AClickWithinOneFrameIsOneClick)
{
    const int leftClick = 12;
    PushButton(SDL_BUTTON_LEFT, true);
    PushButton(SDL_BUTTON_LEFT, false);
    g_InputManager.Update();
    EXPECT_FALSE(g_InputManager.WasReleased(leftClick));
    g_InputManager.Update();
    EXPECT_TRUE(g_InputManager.WasReleased(leftClick));
    g_InputManager.Update();
    EXPECT_FALSE(g_InputManager.WasReleased(leftClick)) << "one click, not a held button";
}

TEST_F(GlInputManagerTest, RebindingWaitsForAPressAndAWindowCloseEndsTheWait)
{
    PushKey(SDL_SCANCODE_K, true);
    EXPECT_STREQ("K", g_InputManager.RebindButton(1));
    EXPECT_EQ("K", BindingName(1));
    PushKey(SDL_SCANCODE_K, false);

    PushMotion(0, 30);
    EXPECT_STREQ("M-Y AXIS", g_InputManager.RebindAxis(0));

    SDL_Event close = {};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = SDL_GetWindowID(Win32Platform::GetSDLWindow(g_hWnd));
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    EXPECT_STREQ("", g_InputManager.RebindButton(1));
    EXPECT_EQ("K", BindingName(1)) << "the old binding stays";

    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit) << "the game loop still sees the window close";
}

TEST_F(GlInputManagerTest, AnAttachedJoystickTakesTheNextSlotWithItsAxesInTenths)
{
    ASSERT_NO_FATAL_FAILURE(RestartWithAVirtualJoystick());
    DeviceJoystick* joystick = m_pJoystick;
    EXPECT_TRUE(joystick->HasDevice());
    EXPECT_EQ(std::string(SDL_JoystickNameForIndex(m_JoystickIndex)).substr(0, DeviceJoystick::PRODUCT_NAME_LENGTH),
              joystick->GetProductName());

    PushJoystickAxis(m_JoystickId, 0, -32768);
    PushJoystickHat(m_JoystickId, SDL_HAT_LEFT);
    g_InputManager.Update();

    EXPECT_EQ(-10, *joystick->NameToAxisBinding("J_XAXIS"));
    EXPECT_EQ(0, *joystick->NameToAxisBinding("J_YAXIS")) << "at rest";
    EXPECT_EQ(DeviceObject::DOWN, *joystick->NameToButtonBinding("J_XAXIS_L"));
    EXPECT_EQ(DeviceObject::DOWN, *joystick->NameToButtonBinding("J_POV_L"));

    g_InputManager.SetButtonBinding(0, joystick->NameToButtonBinding("J_POV_L"));
    const std::string product = joystick->GetProductName();
    g_InputManager.Shutdown();
    const std::string digit = std::to_string(m_JoystickSlot);
    const std::string text = m_Folder.Read("controls.cfg");
    EXPECT_EQ(0u, text.find("Version 1.0\r\nQuit\r\nJ_POV_L" + digit + "\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\n" + digit + " " + product + "\r\n"));
    SDL_JoystickDetachVirtual(m_JoystickIndex);
}

TEST_F(GlInputManagerTest, APulledJoystickLetsGoOfWhatItHeld)
{
    ASSERT_NO_FATAL_FAILURE(RestartWithAVirtualJoystick());
    DeviceJoystick* joystick = m_pJoystick;
    const int gas = 14;
    g_InputManager.SetButtonBinding(gas, joystick->NameToButtonBinding("J3"));

    PushJoystickButton(m_JoystickId, 3, true);
    PushJoystickAxis(m_JoystickId, 0, -32768);
    PushJoystickHat(m_JoystickId, SDL_HAT_LEFT);
    g_InputManager.Update();
    g_InputManager.Update();
    ASSERT_EQ(CInputManager::STATE_HELD, g_InputManager.GetActionStates()[gas]);

    SDL_JoystickDetachVirtual(m_JoystickIndex);
    std::vector<int> states;
    for (int update = 0; update < 3; ++update) {
        g_InputManager.Update();
        states.push_back(g_InputManager.GetActionStates()[gas]);
    }
    EXPECT_EQ((std::vector<int>{CInputManager::STATE_HELD, CInputManager::STATE_RELEASED, CInputManager::STATE_IDLE}),
              states);
    EXPECT_EQ(0, *joystick->NameToAxisBinding("J_XAXIS"));
    EXPECT_EQ(0, *joystick->NameToButtonBinding("J_XAXIS_L"));
    EXPECT_EQ(0, *joystick->NameToButtonBinding("J_POV_L"));
    EXPECT_TRUE(FAILED(joystick->Poll())) << "and it is reported lost";
}

} // namespace
