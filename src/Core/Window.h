#pragma once

#include "platform/win32/Windows.h"

// The game's one window, which the display, the input devices and the fatal
// error box all address. The shell creates it; everything else only uses it.

// The window's geometry in screen coordinates. The margins are what the
// window's decorations add around the client area: left and top negative,
// right and bottom positive.
struct CWindowGeometry {
    RECT m_Margins = {0, 0, 0, 0};
    RECT m_ClientRect = {0, 0, 0, 0};
    RECT m_WindowRect = {0, 0, 0, 0};
};

extern HINSTANCE g_hInstance;
extern HWND g_hWnd;
extern CWindowGeometry g_WindowGeometry;
extern const char* const SPLASH_IMAGE;

// The client rectangle from the window rectangle and the margins.
bool UpdateClientRect();
// Resizes the window so that its client area is width x height.
bool SetClientSize(int width, int height);
void CenterWindow(HWND hWnd);
// Paints the splash image and "Loading..." with GDI alone, before and
// between display devices.
void ShowSplashScreen();

inline int RectWidth(const RECT& rect)
{
    return rect.right - rect.left;
}

inline int RectHeight(const RECT& rect)
{
    return rect.bottom - rect.top;
}
