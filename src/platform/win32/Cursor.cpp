// The system cursor: Win32's show counter over SDL's cursor, and positions in
// screen coordinates over SDL's window-relative mouse.

#include <strings.h>

#include "platform/win32/CursorWarp.h"
#include "platform/win32/Win32Window.h"

struct HCURSOR__ {};

namespace {

HCURSOR__ g_ArrowCursor;

// Win32's display counter: the cursor shows while it is zero or more.
int g_CursorShowCount = 0;

// A warp is echoed as motion at once (offscreen) or when the display server
// gets round to it (X11); an echo later than this is not waited for.
constexpr Sint32 WARP_ECHO_WINDOW_MS = 250;

struct PendingWarp {
    bool active = false;
    int x = 0;
    int y = 0;
    Uint32 ticks = 0;
};

PendingWarp g_PendingWarp;

// X11 reports the pointer on the screen at once; elsewhere (offscreen) SDL
// knows only the position within the window, from its own events.
bool HasGlobalMouse()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && strcasecmp(driver, "x11") == 0;
}

} // namespace

int ShowCursor(BOOL show)
{
    g_CursorShowCount += show ? 1 : -1;
    // Before the window exists there is no cursor to change.
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        SDL_ShowCursor(g_CursorShowCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return g_CursorShowCount;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursorName)
{
    // The system arrow is SDL's default cursor; there are no cursor resources.
    if (instance == nullptr && cursorName == IDC_ARROW)
        return &g_ArrowCursor;
    return nullptr;
}

BOOL GetCursorPos(POINT* point)
{
    HWND__* window = Win32Window::Current();
    if (point == nullptr || window == nullptr)
        return FALSE;
    int x = 0;
    int y = 0;
    if (HasGlobalMouse()) {
        SDL_GetGlobalMouseState(&x, &y);
        *point = POINT{x, y};
        return TRUE;
    }
    SDL_GetMouseState(&x, &y);
    *point = POINT{x, y};
    return ClientToScreen(window, point);
}

BOOL SetCursorPos(int x, int y)
{
    HWND__* window = Win32Window::Current();
    if (window == nullptr)
        return FALSE;
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    const int windowX = x - origin.x;
    const int windowY = y - origin.y;

    // The in-game cursor places the pointer under itself every frame; a warp
    // to where the pointer already is would make an echo that never comes.
    int currentX = 0;
    int currentY = 0;
    SDL_GetMouseState(&currentX, &currentY);
    if (currentX == windowX && currentY == windowY)
        return TRUE;

    g_PendingWarp.active = true;
    g_PendingWarp.x = windowX;
    g_PendingWarp.y = windowY;
    g_PendingWarp.ticks = SDL_GetTicks();
    SDL_WarpMouseInWindow(window->sdlWindow, windowX, windowY);
    return TRUE;
}

bool CursorWarp::ConsumeEcho(int windowX, int windowY, Uint32 timestamp)
{
    if (!g_PendingWarp.active)
        return false;
    if (static_cast<Sint32>(timestamp - g_PendingWarp.ticks) > WARP_ECHO_WINDOW_MS) {
        g_PendingWarp.active = false;
        return false;
    }
    if (windowX != g_PendingWarp.x || windowY != g_PendingWarp.y)
        return false;
    g_PendingWarp.active = false;
    return true;
}
