#include "App/Application.h"

#include <cctype>
#include <cstdint>
#include <memory>

#include "Actors/GameActor.h"
#include "Console/Console.h"
#include "Core/FatalError.h"
#include "Core/Game.h"
#include "Core/Log.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Game/MissionManager.h"
#include "Input/InGameMouse.h"
#include "Input/InputManager.h"
#include "Input/LocalController.h"
#include "Level/Level.h"

const char* const WINDOW_CLASS_NAME = "TrelliformWndClass";
const char* const WINDOW_TITLE = "Project Kelm";

namespace {

const DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// The size the window is created with, before the client area is set.
const int INITIAL_WIDTH = 512;
const int INITIAL_HEIGHT = 618;
const uint16_t CLIENT_WIDTH = 640;
const uint16_t CLIENT_HEIGHT = 480;
const char* const LOG_FILE = "log.txt";
const char* const MENU_POINTER = "arrowup";
const char* const START_UP_SCRIPT = "Scripts\\Console\\GameStartUp.txt";
const char* const NO_WINDOW_CLASS = "Unable to register the window class";
const char* const NO_WINDOW = "Unable to create the main window";

// Alt+Enter switches between the 640 x 480 window and this full screen.
const uint16_t TOGGLE_FULL_SCREEN_WIDTH = 1024;
const uint16_t TOGGLE_FULL_SCREEN_HEIGHT = 768;
const uint8_t TOGGLE_FULL_SCREEN_BPP = 32;
const uint8_t TOGGLE_FULL_SCREEN_REFRESH = 70;

bool IsFullScreen()
{
    return g_Display.IsFullScreen();
}

// The user options are left as they are: the toggle is not saved.
void ToggleDisplayMode()
{
    CDisplayMode mode = g_Display.GetCurrentMode();
    if (mode.FullScreen) {
        mode.Width = CLIENT_WIDTH;
        mode.Height = CLIENT_HEIGHT;
        mode.FullScreen = 0;
        mode.VSync = 0;
        mode.RefreshRate = 0;
    } else {
        mode.Width = TOGGLE_FULL_SCREEN_WIDTH;
        mode.Height = TOGGLE_FULL_SCREEN_HEIGHT;
        mode.FullScreen = 1;
        mode.VSync = 1;
        mode.BPP = TOGGLE_FULL_SCREEN_BPP;
        mode.RefreshRate = TOGGLE_FULL_SCREEN_REFRESH;
    }
    g_Display.ChangeDisplayMode(mode);
}

LRESULT OnSysCommand(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
    switch (wParam) {
    case SC_KEYMENU:
    case SC_SCREENSAVE:
    case SC_MONITORPOWER:
        return 0;
    case SC_SIZE:
    case SC_MOVE:
    case SC_MAXIMIZE:
        if (IsFullScreen())
            return 0;
        break;
    default:
        break;
    }
    return DefWindowProcA(hWnd, WM_SYSCOMMAND, wParam, lParam);
}

// The game camera chases the player, whom the local controller drives.
void SetChaseCamera()
{
    g_PlayerActor->m_pController = &g_LocalController;
    g_GameCamera.ChaseFrom(g_PlayerActor->m_Model.m_matWorld);
}

// The front end looks at the city from a fixed point above it.
void SetMenuCamera()
{
    g_FreeCamera.m_u32Mode = CCamera::MODE_FREE_FLY;
    g_FreeCamera.m_matWorld = D3DXMATRIX(-0.732098f, 0.0f, 0.663464f, 0.0f,
                                         -0.102457f, 0.976152f, -0.113056f, 0.0f,
                                         -0.663464f, -0.154427f, -0.732098f, 0.0f,
                                         514.331909f, 27.839115f, 310.794739f, 1.0f);
    g_GameCamera.m_pController = nullptr;
    g_pActiveCamera = &g_FreeCamera;
}

// The first missions wait in the city, in this order.
void CreateFirstMissions()
{
    for (const char* name : {"3", "5", "6", "SaveMission", "Intro"})
        g_MissionManager.CreateMission(name);
}

// Before the log opens in its turn: it is opened for the reason all the
// same, which the message box also shows.
[[noreturn]] void StartUpFailed(const char* reason)
{
    g_Log.Open(LOG_FILE);
    FatalError("%s", reason);
}

LRESULT OnPaint(HWND hWnd)
{
    PAINTSTRUCT paint;
    BeginPaint(hWnd, &paint);
    EndPaint(hWnd, &paint);
    return 0;
}

} // namespace

bool RegisterWindowClass()
{
    WNDCLASSA windowClass = {};
    windowClass.style = 0;
    windowClass.lpfnWndProc = WndProc;
    windowClass.hInstance = g_hInstance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = WINDOW_CLASS_NAME;
    return RegisterClassA(&windowClass) != 0;
}

bool CreateMainWindow()
{
    RECT& margins = g_WindowGeometry.m_Margins;
    margins = {0, 0, 0, 0};
    if (!AdjustWindowRect(&margins, WINDOW_STYLE, FALSE))
        return false;

    g_hWnd = CreateWindowExA(0, WINDOW_CLASS_NAME, WINDOW_TITLE, WINDOW_STYLE, CW_USEDEFAULT, CW_USEDEFAULT,
                             INITIAL_WIDTH, INITIAL_HEIGHT, nullptr, nullptr, g_hInstance, nullptr);
    if (!g_hWnd)
        return false;
    UpdateClientRect();
    return true;
}

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_MOVE:
        if (IsFullScreen())
            return 0;
        UpdateClientRect();
        break;
    case WM_PAINT:
        return OnPaint(hWnd);
    case WM_ACTIVATEAPP:
        if (wParam == 1)
            g_Game.Resume();
        else
            g_Game.Pause();
        return 0;
    case WM_DISPLAYCHANGE:
        if (g_Display.IsInitialised() && !IsFullScreen())
            g_Display.OnDisplayChange(static_cast<uint32_t>(wParam));
        return 0;
    case WM_KEYUP:
        if (wParam == VK_PAUSE)
            return 0;
        break;
    case WM_SYSKEYUP:
        if (wParam == VK_RETURN) {
            ToggleDisplayMode();
            return 0;
        }
        return OnSysCommand(hWnd, wParam, lParam);
    case WM_SYSCHAR:
        if (std::tolower(static_cast<int>(wParam)) == 's')
            return 0;
        break;
    case WM_SYSCOMMAND:
        return OnSysCommand(hWnd, wParam, lParam);
    case WM_MOUSEMOVE:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
        return 0;
    case WM_ENTERSIZEMOVE:
        if (IsFullScreen())
            return 0;
        g_Game.Pause();
        break;
    case WM_EXITSIZEMOVE:
        if (IsFullScreen())
            return 0;
        g_Game.Resume();
        break;
    default:
        break;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow)
{
    g_hInstance = hInstance;
    if (!RegisterWindowClass())
        StartUpFailed(NO_WINDOW_CLASS);
    if (!CreateMainWindow())
        StartUpFailed(NO_WINDOW);

    SetClientSize(CLIENT_WIDTH, CLIENT_HEIGHT);
    CenterWindow(g_hWnd);
    ShowWindow(g_hWnd, nCmdShow);
    ShowSplashScreen();
    g_Log.Open(LOG_FILE);
    g_Game.InitGame();
    SetChaseCamera();
    g_Console.ExecuteFile(START_UP_SCRIPT);
    g_Game.StartGame();
    CreateFirstMissions();
    SetMenuCamera();
    g_Game.PushState(FrontEndState);
    g_InGameMouse.SetCursor(MENU_POINTER);
    g_pLevel->SetState(CLevel::STATE_PAUSED);
    g_InputManager.PushContext(CInputManager::CONTEXT_MENU);

    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // Once the window is destroyed there is nothing to draw into; the
        // quit it posted ends the loop on the next pass.
        if (!IsWindow(g_hWnd))
            continue;
        g_Game.Frame();
    }
    g_Game.ShutdownGame();
    return 0;
}
