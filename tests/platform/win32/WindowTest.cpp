#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "platform/win32/Win32Platform.h"

namespace {

constexpr DWORD kCaptionStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT kTestMessage = 0x0401;
constexpr LRESULT kTestResult = 42;

struct Received {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Received> g_Received;

LRESULT CALLBACK RecordingWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_Received.push_back(Received{hWnd, message, wParam, lParam});
    if (message == kTestMessage)
        return kTestResult;
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

void RegisterTestClassOnce()
{
    static const bool registered = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = RecordingWndProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = "KelmTestWndClass";
        return RegisterClassA(&windowClass) != 0;
    }();
    ASSERT_TRUE(registered);
}

std::vector<MSG> DrainMessages()
{
    std::vector<MSG> messages;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        messages.push_back(msg);
    return messages;
}

// The game's one window, created as WinMain creates it, for each test.
class GlWin32Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTestClassOnce();
        m_hWnd = CreateWindowExA(0, "KelmTestWndClass", "Project Kelm", kCaptionStyle, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 512, 618, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, m_hWnd);
        ShowWindow(m_hWnd, SW_SHOWNORMAL);
        DrainMessages();
        g_Received.clear();
    }

    void TearDown() override
    {
        DestroyWindow(m_hWnd);
        DrainMessages();
        g_Received.clear();
    }

    RECT Margins() const
    {
        RECT margins = {0, 0, 0, 0};
        AdjustWindowRect(&margins, kCaptionStyle, FALSE);
        return margins;
    }

    SDL_Event WindowEvent(Uint8 which, Sint32 data1 = 0, Sint32 data2 = 0) const
    {
        SDL_Event event = {};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = SDL_GetWindowID(Win32Platform::GetSDLWindow(m_hWnd));
        event.window.event = which;
        event.window.data1 = data1;
        event.window.data2 = data2;
        return event;
    }

    HWND m_hWnd = nullptr;
};

SDL_Event KeyEvent(Uint32 type, SDL_Scancode scancode, Uint16 modifiers)
{
    SDL_Event event = {};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    event.key.keysym.mod = modifiers;
    return event;
}

TEST_F(GlWin32Window, MarginsPlusClientSizeGiveThatExactClientArea)
{
    const RECT margins = Margins();
    EXPECT_LT(margins.left, 0);
    EXPECT_LT(margins.top, 0);
    EXPECT_GT(margins.right, 0);
    EXPECT_GT(margins.bottom, 0);

    // What SetClientSize does: window rectangle = client rectangle plus margins.
    const int width = 640 + margins.right - margins.left;
    const int height = 480 + margins.bottom - margins.top;
    ASSERT_TRUE(SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE));

    RECT client;
    ASSERT_TRUE(GetClientRect(m_hWnd, &client));
    EXPECT_EQ(0, client.left);
    EXPECT_EQ(0, client.top);
    EXPECT_EQ(640, client.right);
    EXPECT_EQ(480, client.bottom);

    // The window rectangle less the margins is the client area on the screen.
    RECT window;
    ASSERT_TRUE(GetWindowRect(m_hWnd, &window));
    POINT origin = {0, 0};
    ASSERT_TRUE(ClientToScreen(m_hWnd, &origin));
    EXPECT_EQ(origin.x, window.left - margins.left);
    EXPECT_EQ(origin.y, window.top - margins.top);
    EXPECT_EQ(640, (window.right - margins.right) - (window.left - margins.left));
    EXPECT_EQ(480, (window.bottom - margins.bottom) - (window.top - margins.top));

    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(Win32Platform::GetSDLWindow(m_hWnd), &drawableWidth, &drawableHeight);
    EXPECT_EQ(640, drawableWidth);
    EXPECT_EQ(480, drawableHeight);
}

TEST_F(GlWin32Window, CentredMoveLandsWhereAskedAndTellsTheWindowProcedure)
{
    RECT window;
    ASSERT_TRUE(GetWindowRect(m_hWnd, &window));
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int screenWidth = GetSystemMetrics(SM_CXFULLSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYFULLSCREEN);
    ASSERT_GT(screenWidth, 0);
    ASSERT_GT(screenHeight, 0);
    EXPECT_LE(screenWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(screenHeight, GetSystemMetrics(SM_CYSCREEN));
    const int x = (screenWidth - width) / 2;
    const int y = (screenHeight - height) / 2;

    ASSERT_TRUE(MoveWindow(m_hWnd, x, y, width, height, TRUE));

    ASSERT_TRUE(GetWindowRect(m_hWnd, &window));
    EXPECT_EQ(x, window.left);
    EXPECT_EQ(y, window.top);
    EXPECT_EQ(width, window.right - window.left);
    EXPECT_EQ(height, window.bottom - window.top);

    const RECT margins = Margins();
    ASSERT_EQ(1u, g_Received.size());
    EXPECT_EQ(static_cast<UINT>(WM_MOVE), g_Received[0].message);
    EXPECT_EQ(MAKELONG(x - margins.left, y - margins.top), g_Received[0].lParam);

    // A repaint is asked for through the queue, once however often it is asked.
    MoveWindow(m_hWnd, x, y, width, height, TRUE);
    const std::vector<MSG> queued = DrainMessages();
    ASSERT_EQ(1u, queued.size());
    EXPECT_EQ(static_cast<UINT>(WM_PAINT), queued[0].message);
}

TEST_F(GlWin32Window, PeekTakesOneMessagePerCallInOrder)
{
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PostMessageA(m_hWnd, kTestMessage, 1, 10));
    ASSERT_TRUE(PostMessageA(m_hWnd, kTestMessage, 2, 20));
    PostQuitMessage(3);

    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(1u, msg.wParam);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(1u, msg.wParam);
    EXPECT_EQ(10, msg.lParam);
    EXPECT_EQ(m_hWnd, msg.hwnd);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(2u, msg.wParam);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(3u, msg.wParam);
    EXPECT_EQ(nullptr, msg.hwnd);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(&msg), kTestMessage, 0, 0));
}

TEST_F(GlWin32Window, SDLEventsBecomeTheWindowMessages)
{
    std::vector<SDL_Event> events = {
        WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED),
        WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST),
        WindowEvent(SDL_WINDOWEVENT_MOVED, 100, 50),
        KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_A, KMOD_NONE),
        KeyEvent(SDL_KEYUP, SDL_SCANCODE_A, KMOD_NONE),
        KeyEvent(SDL_KEYUP, SDL_SCANCODE_RETURN, KMOD_NONE),
        KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT),
        KeyEvent(SDL_KEYUP, SDL_SCANCODE_RETURN, KMOD_LALT),
        WindowEvent(SDL_WINDOWEVENT_EXPOSED),
        WindowEvent(SDL_WINDOWEVENT_EXPOSED),
        WindowEvent(SDL_WINDOWEVENT_CLOSE),
    };
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    events.push_back(quit);
    for (SDL_Event& event : events)
        ASSERT_EQ(1, SDL_PushEvent(&event));

    struct Expected {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const std::vector<Expected> expected = {
        {WM_ACTIVATEAPP, 1, 0},
        {WM_ACTIVATEAPP, 0, 0},
        {WM_MOVE, 0, MAKELONG(100, 50)},
        {WM_SYSKEYUP, VK_RETURN, 0},
        {WM_PAINT, 0, 0},
        {WM_DESTROY, 0, 0}, // the close request and SDL_QUIT make one
    };
    const std::vector<MSG> got = DrainMessages();
    ASSERT_EQ(expected.size(), got.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m_hWnd, got[i].hwnd);
        EXPECT_EQ(expected[i].message, got[i].message);
        EXPECT_EQ(expected[i].wParam, got[i].wParam);
        EXPECT_EQ(expected[i].lParam, got[i].lParam);
    }
}

TEST_F(GlWin32Window, DispatchReachesTheWindowProcedure)
{
    ASSERT_TRUE(PostMessageA(m_hWnd, kTestMessage, 7, 8));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(TranslateMessage(&msg));
    EXPECT_EQ(kTestResult, DispatchMessageA(&msg));
    ASSERT_EQ(1u, g_Received.size());
    EXPECT_EQ(m_hWnd, g_Received[0].hWnd);
    EXPECT_EQ(kTestMessage, g_Received[0].message);
    EXPECT_EQ(7u, g_Received[0].wParam);
    EXPECT_EQ(8, g_Received[0].lParam);

    // WM_QUIT belongs to no window and goes nowhere.
    PostQuitMessage(0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(0, DispatchMessageA(&msg));
    EXPECT_EQ(1u, g_Received.size());
}

TEST_F(GlWin32Window, DestroyFromTheQueueHidesTheWindow)
{
    SDL_Event close = WindowEvent(SDL_WINDOWEVENT_CLOSE);
    ASSERT_EQ(1, SDL_PushEvent(&close));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(static_cast<UINT>(WM_DESTROY), msg.message);
    DispatchMessageA(&msg);

    ASSERT_EQ(1u, g_Received.size());
    EXPECT_EQ(static_cast<UINT>(WM_DESTROY), g_Received[0].message);
    SDL_Window* sdlWindow = Win32Platform::GetSDLWindow(m_hWnd);
    ASSERT_NE(nullptr, sdlWindow);
    EXPECT_EQ(0u, SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN);
}

TEST_F(GlWin32Window, DefaultCloseDestroysTheWindow)
{
    ASSERT_TRUE(PostMessageA(m_hWnd, WM_CLOSE, 0, 0));
    EXPECT_TRUE(IsWindow(m_hWnd));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(0, DispatchMessageA(&msg));
    ASSERT_EQ(2u, g_Received.size());
    EXPECT_EQ(static_cast<UINT>(WM_CLOSE), g_Received[0].message);
    EXPECT_EQ(static_cast<UINT>(WM_DESTROY), g_Received[1].message);
    EXPECT_EQ(nullptr, Win32Platform::GetSDLWindow(m_hWnd));
    EXPECT_FALSE(IsWindow(m_hWnd));
    RECT rect;
    EXPECT_FALSE(GetWindowRect(m_hWnd, &rect));

    // A new window can follow: a test process may create several in turn.
    HWND next = CreateWindowExA(0, "KelmTestWndClass", "again", kCaptionStyle, 0, 0, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, next);
    EXPECT_TRUE(DestroyWindow(next));
}

TEST_F(GlWin32Window, OnlyOneWindowAndKnownClasses)
{
    EXPECT_EQ(nullptr, CreateWindowExA(0, "KelmTestWndClass", "second", kCaptionStyle, 0, 0, 100, 100, nullptr,
                                       nullptr, nullptr, nullptr));
    EXPECT_EQ(nullptr, CreateWindowExA(0, "NoSuchClass", "x", kCaptionStyle, 0, 0, 100, 100, nullptr, nullptr,
                                       nullptr, nullptr));
    WNDCLASSA duplicate = {};
    duplicate.lpfnWndProc = RecordingWndProc;
    duplicate.lpszClassName = "kelmtestwndclass"; // class names ignore case
    EXPECT_EQ(0, RegisterClassA(&duplicate));
}

TEST_F(GlWin32Window, CursorCounterAndPosition)
{
    EXPECT_EQ(-1, ShowCursor(FALSE));
    EXPECT_EQ(SDL_DISABLE, SDL_ShowCursor(SDL_QUERY));
    EXPECT_EQ(0, ShowCursor(TRUE));
    EXPECT_EQ(SDL_ENABLE, SDL_ShowCursor(SDL_QUERY));

    POINT origin = {0, 0};
    ASSERT_TRUE(ClientToScreen(m_hWnd, &origin));
    ASSERT_TRUE(SetCursorPos(origin.x + 30, origin.y + 40));
    POINT cursor = {0, 0};
    ASSERT_TRUE(GetCursorPos(&cursor));
    EXPECT_EQ(origin.x + 30, cursor.x);
    EXPECT_EQ(origin.y + 40, cursor.y);
}

} // namespace
