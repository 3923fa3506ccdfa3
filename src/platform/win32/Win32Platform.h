#pragma once
// What the other stand-ins (Direct3D, DirectInput) and the tests need to know
// of the window behind an HWND. Not part of the Win32 surface the game uses.

#include "platform/win32/Windows.h"

struct SDL_Window;

namespace Win32Platform {

// The SDL window behind the game's window, or null.
SDL_Window* GetSDLWindow(HWND hWnd);

// Makes the window's OpenGL context current, creating it on first use
// (compatibility profile, double-buffered, 24-bit depth and 8-bit stencil).
// False when no context can be had.
bool MakeGLCurrent(HWND hWnd);

// True when a real display exists (a message box can be shown on it).
bool HasDisplay();

// Test hooks. A clock source replaces timeGetTime's steady clock, a fixed
// local time replaces the system's date and time; null restores the real one.
void SetClockSource(DWORD (*source)());
void SetFixedLocalTime(const SYSTEMTIME* time);
// Called with every message that reaches DefWindowProcA, so a test can tell
// a message the window procedure handled from one it passed on; null stops it.
void SetDefaultProcObserver(void (*observer)(UINT message, WPARAM wParam));

} // namespace Win32Platform
