// The input manager over the real DirectInput stand-in and the offscreen
// window, driven by SDL events as the player's keyboard and mouse make them.

#include <string>

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

    std::string BindingName(int action) const
    {
        std::string name;
        g_InputManager.GetBindingName(name, action);
        return name;
    }

    TempDir m_Folder;
    ScopedWorkingDir m_InFolder{m_Folder.Path()};
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
    g_InputManager.Shutdown();
    ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_JOYSTICK));
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 16, 1);
    ASSERT_GE(index, 0) << SDL_GetError();
    ASSERT_TRUE(g_InputManager.Init());
    const int slot = CInputManager::FIRST_JOYSTICK_SLOT + index;
    DeviceJoystick* joystick = dynamic_cast<DeviceJoystick*>(g_InputManager.GetDevice(slot));
    ASSERT_NE(nullptr, joystick);
    EXPECT_TRUE(joystick->HasDevice());
    EXPECT_EQ(std::string(SDL_JoystickNameForIndex(index)).substr(0, DeviceJoystick::PRODUCT_NAME_LENGTH),
              joystick->GetProductName());

    SDL_Event axis = {};
    axis.type = SDL_JOYAXISMOTION;
    axis.jaxis.which = SDL_JoystickGetDeviceInstanceID(index);
    axis.jaxis.axis = 0;
    axis.jaxis.value = -32768;
    SDL_PushEvent(&axis);
    SDL_Event hat = {};
    hat.type = SDL_JOYHATMOTION;
    hat.jhat.which = axis.jaxis.which;
    hat.jhat.value = SDL_HAT_LEFT;
    SDL_PushEvent(&hat);
    g_InputManager.Update();

    EXPECT_EQ(-10, *joystick->NameToAxisBinding("J_XAXIS"));
    EXPECT_EQ(0, *joystick->NameToAxisBinding("J_YAXIS")) << "at rest";
    EXPECT_EQ(DeviceObject::DOWN, *joystick->NameToButtonBinding("J_XAXIS_L"));
    EXPECT_EQ(DeviceObject::DOWN, *joystick->NameToButtonBinding("J_POV_L"));

    g_InputManager.SetButtonBinding(0, joystick->NameToButtonBinding("J_POV_L"));
    const std::string product = joystick->GetProductName();
    g_InputManager.Shutdown();
    const std::string digit = std::to_string(slot);
    const std::string text = m_Folder.Read("controls.cfg");
    EXPECT_EQ(0u, text.find("Version 1.0\r\nQuit\r\nJ_POV_L" + digit + "\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\n" + digit + " " + product + "\r\n"));
    SDL_JoystickDetachVirtual(index);
}

} // namespace
