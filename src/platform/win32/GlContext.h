#pragma once
// The OpenGL context of a window. Internal to the Win32 stand-in; other
// stand-ins reach it through Win32Platform::MakeGLCurrent.

struct HWND__;

namespace GlContext {

// Requests the pixel format every window is created with (double-buffered,
// 24-bit depth, 8-bit stencil, compatibility profile). Must run before the SDL
// window is created: on X11 the visual is fixed at creation.
void SetAttributes();

// Deletes the window's context, if it has one.
void Release(HWND__& window);

} // namespace GlContext
