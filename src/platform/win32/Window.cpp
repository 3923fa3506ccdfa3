// The window class and the one window: an SDL window whose client area is
// the Win32 client area. The window rectangle is the client rectangle grown
// by fixed decoration margins, the same ones AdjustWindowRect reports, so that
// Win32-style geometry arithmetic gives exact client sizes.

#include "platform/win32/Win32Window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/win32/GlContext.h"
#include "platform/win32/MessageQueue.h"
#include "platform/win32/Win32Platform.h"

struct HINSTANCE__ {};

namespace {

// Decoration of a captioned window: a thin frame and a title bar.
constexpr LONG kFrameWidth = 3;
constexpr LONG kCaptionHeight = 22;
// Where CW_USEDEFAULT puts the window, from the top-left of the usable area.
constexpr int kDefaultWindowOffset = 32;
constexpr int kMinimumClientSize = 1;

struct WindowClass {
    std::string name;
    WNDPROC windowProc = nullptr;
};

HINSTANCE__ g_ModuleInstance;
std::vector<WindowClass> g_Classes;
std::unique_ptr<HWND__> g_Window;
bool g_VideoStarted = false;

void DestroySDLWindow(HWND__& window)
{
    GlContext::Release(window);
    if (window.sdlWindow != nullptr)
        SDL_DestroyWindow(window.sdlWindow);
    window.sdlWindow = nullptr;
}

// Runs at exit: the game is gone, so the window goes without messages.
void ShutdownVideo()
{
    if (g_Window)
        DestroySDLWindow(*g_Window);
    g_Window.reset();
    SDL_Quit();
}

const WindowClass* FindClass(LPCSTR name)
{
    if (name == nullptr)
        return nullptr;
    for (const WindowClass& windowClass : g_Classes) {
        if (strcasecmp(windowClass.name.c_str(), name) == 0)
            return &windowClass;
    }
    return nullptr;
}

RECT MarginsForStyle(DWORD style)
{
    if ((style & WS_CAPTION) == 0)
        return RECT{0, 0, 0, 0};
    return RECT{-kFrameWidth, -(kFrameWidth + kCaptionHeight), kFrameWidth, kFrameWidth};
}

int ClientWidth(const HWND__& window, int windowWidth)
{
    return std::max(kMinimumClientSize, windowWidth - (window.margins.right - window.margins.left));
}

int ClientHeight(const HWND__& window, int windowHeight)
{
    return std::max(kMinimumClientSize, windowHeight - (window.margins.bottom - window.margins.top));
}

void DefaultWindowPosition(int& x, int& y)
{
    SDL_Rect usable = {0, 0, 0, 0};
    SDL_GetDisplayUsableBounds(0, &usable);
    if (x == CW_USEDEFAULT)
        x = usable.x + kDefaultWindowOffset;
    if (y == CW_USEDEFAULT)
        y = usable.y + kDefaultWindowOffset;
}

// The offscreen driver gives each window an EGL surface of its creation size
// that never follows a resize, so the surface is made as large as the display
// (or the window, if larger) and the window then takes its real size.
SDL_Window* CreateSDLWindow(const char* title, int x, int y, int width, int height)
{
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (!Win32Window::IsOffscreenDriver())
        return SDL_CreateWindow(title, x, y, width, height, flags);

    SDL_Rect display = {0, 0, width, height};
    SDL_GetDisplayBounds(0, &display);
    SDL_Window* sdlWindow =
        SDL_CreateWindow(title, x, y, std::max(width, display.w), std::max(height, display.h), flags);
    if (sdlWindow != nullptr)
        SDL_SetWindowSize(sdlWindow, width, height);
    return sdlWindow;
}

void SendMove(HWND__& window)
{
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(window.sdlWindow, &x, &y);
    if (window.windowProc != nullptr)
        window.windowProc(&window, WM_MOVE, 0, MAKELONG(x, y));
}

} // namespace

namespace Win32Window {

bool InitVideo()
{
    if (g_VideoStarted)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
        return false;
    }
    g_VideoStarted = true;
    std::atexit(ShutdownVideo);
    return true;
}

bool IsOffscreenDriver()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && strcasecmp(driver, "offscreen") == 0;
}

HWND__* Find(HWND hWnd)
{
    if (hWnd == nullptr || hWnd != g_Window.get())
        return nullptr;
    return g_Window.get();
}

HWND__* FindBySDLWindowId(Uint32 windowId)
{
    if (!g_Window || g_Window->sdlWindow == nullptr)
        return nullptr;
    return SDL_GetWindowID(g_Window->sdlWindow) == windowId ? g_Window.get() : nullptr;
}

HWND__* Current()
{
    return g_Window.get();
}

} // namespace Win32Window

SDL_Window* Win32Platform::GetSDLWindow(HWND hWnd)
{
    HWND__* window = Win32Window::Find(hWnd);
    return window != nullptr ? window->sdlWindow : nullptr;
}

HMODULE GetModuleHandleA(LPCSTR moduleName)
{
    // Only the program itself is a module here.
    return moduleName == nullptr ? &g_ModuleInstance : nullptr;
}

ATOM RegisterClassA(const WNDCLASSA* windowClass)
{
    if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr)
        return 0;
    if (windowClass->lpszClassName == nullptr || FindClass(windowClass->lpszClassName) != nullptr)
        return 0;
    g_Classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc});
    return static_cast<ATOM>(g_Classes.size());
}

HWND CreateWindowExA(DWORD /*exStyle*/, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND /*parent*/, HMENU /*menu*/,
                     HINSTANCE /*instance*/, LPVOID /*param*/)
{
    const WindowClass* windowClass = FindClass(className);
    if (windowClass == nullptr || g_Window || !Win32Window::InitVideo())
        return nullptr;

    auto window = std::make_unique<HWND__>();
    window->windowProc = windowClass->windowProc;
    window->style = style;
    window->margins = MarginsForStyle(style);
    window->dc.window = window.get();

    DefaultWindowPosition(x, y);
    GlContext::SetAttributes();
    window->sdlWindow = CreateSDLWindow(windowName != nullptr ? windowName : "",
                                        x - window->margins.left, y - window->margins.top,
                                        ClientWidth(*window, width), ClientHeight(*window, height));
    if (window->sdlWindow == nullptr) {
        std::fprintf(stderr, "CreateWindowExA: %s\n", SDL_GetError());
        return nullptr;
    }
    g_Window = std::move(window);
    return g_Window.get();
}

BOOL DestroyWindow(HWND hWnd)
{
    HWND__* window = Win32Window::Find(hWnd);
    if (window == nullptr || window->destroying)
        return FALSE;
    window->destroying = true;
    if (window->windowProc != nullptr)
        window->windowProc(hWnd, WM_DESTROY, 0, 0);
    MessageQueue::Discard(hWnd);
    DestroySDLWindow(*window);
    g_Window.reset();
    return TRUE;
}

BOOL IsWindow(HWND hWnd)
{
    return Win32Window::Find(hWnd) != nullptr ? TRUE : FALSE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL /*menu*/)
{
    if (rect == nullptr)
        return FALSE;
    const RECT margins = MarginsForStyle(style);
    rect->left += margins.left;
    rect->top += margins.top;
    rect->right += margins.right;
    rect->bottom += margins.bottom;
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, RECT* rect)
{
    HWND__* window = Win32Window::Find(hWnd);
    if (window == nullptr || rect == nullptr)
        return FALSE;
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(window->sdlWindow, &x, &y);
    SDL_GetWindowSize(window->sdlWindow, &width, &height);
    rect->left = x + window->margins.left;
    rect->top = y + window->margins.top;
    rect->right = x + width + window->margins.right;
    rect->bottom = y + height + window->margins.bottom;
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, RECT* rect)
{
    HWND__* window = Win32Window::Find(hWnd);
    if (window == nullptr || rect == nullptr)
        return FALSE;
    int width = 0, height = 0;
    SDL_GetWindowSize(window->sdlWindow, &width, &height);
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, POINT* point)
{
    HWND__* window = Win32Window::Find(hWnd);
    if (window == nullptr || point == nullptr)
        return FALSE;
    int x = 0, y = 0;
    SDL_GetWindowPosition(window->sdlWindow, &x, &y);
    point->x += x;
    point->y += y;
    return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND /*insertAfter*/, int x, int y, int cx, int cy, UINT flags)
{
    HWND__* window = Win32Window::Find(hWnd);
    if (window == nullptr)
        return FALSE;
    if ((flags & SWP_NOSIZE) == 0)
        SDL_SetWindowSize(window->sdlWindow, ClientWidth(*window, cx), ClientHeight(*window, cy));
    if ((flags & SWP_NOMOVE) == 0) {
        SDL_SetWindowPosition(window->sdlWindow, x - window->margins.left, y - window->margins.top);
        // Win32 tells the window procedure of a move at once, not through the queue.
        SendMove(*window);
    }
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int x, int y, int width, int height, BOOL repaint)
{
    if (!SetWindowPos(hWnd, nullptr, x, y, width, height, SWP_NOZORDER))
        return FALSE;
    if (repaint)
        MessageQueue::PostPaint(hWnd);
    return TRUE;
}

int GetSystemMetrics(int index)
{
    if (!Win32Window::InitVideo())
        return 0;
    SDL_Rect bounds = {0, 0, 0, 0};
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN:
        if (SDL_GetDisplayBounds(0, &bounds) != 0)
            return 0;
        return index == SM_CXSCREEN ? bounds.w : bounds.h;
    case SM_CXFULLSCREEN:
    case SM_CYFULLSCREEN:
        if (SDL_GetDisplayUsableBounds(0, &bounds) != 0)
            return 0;
        return index == SM_CXFULLSCREEN ? bounds.w : bounds.h;
    default:
        return 0;
    }
}

BOOL ShowWindow(HWND hWnd, int cmdShow)
{
    HWND__* window = Win32Window::Find(hWnd);
    if (window == nullptr)
        return FALSE;
    const bool wasVisible = (SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_SHOWN) != 0;
    if (cmdShow == SW_HIDE)
        SDL_HideWindow(window->sdlWindow);
    else
        SDL_ShowWindow(window->sdlWindow);
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hWnd)
{
    // Paints arrive through the queue as WM_PAINT; nothing is drawn here.
    return Win32Window::Find(hWnd) != nullptr ? TRUE : FALSE;
}
