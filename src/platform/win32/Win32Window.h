#pragma once
// The record behind the HWND and what the Win32 stand-in's files share about
// it. Internal: nothing outside src/platform/win32 includes this.

#include <SDL.h>

#include "platform/win32/GdiObjects.h"
#include "platform/win32/Windows.h"

struct HWND__ {
    SDL_Window* sdlWindow = nullptr;  // its client area is the window's client area
    SDL_GLContext glContext = nullptr; // created on first use, see GlContext.h
    WNDPROC windowProc = nullptr;
    DWORD style = 0;
    RECT margins = {};                // AdjustWindowRect of an empty rectangle for the style
    HDC__ dc;                         // the window's device context
    bool drawnSincePresent = false;   // GDI drew on the back buffer since the last swap
    bool destroyQueued = false;       // a close request has already queued WM_DESTROY
    bool destroying = false;
};

namespace Win32Window {

// Initialises SDL video and events on first use and arranges SDL_Quit at
// process exit. False when SDL cannot start.
bool InitVideo();

// True when SDL runs on its offscreen driver (no screen, EGL surfaces).
bool IsOffscreenDriver();

// The live window behind a handle, or null for a stale or foreign handle.
HWND__* Find(HWND hWnd);

// The live window whose SDL window has this id, or null.
HWND__* FindBySDLWindowId(Uint32 windowId);

// The one window, or null while none exists.
HWND__* Current();

} // namespace Win32Window
