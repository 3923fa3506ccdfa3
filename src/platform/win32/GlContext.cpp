// One OpenGL compatibility context per window, created the first time anyone
// draws (the splash through GDI, then Direct3D) and kept for the window's life.

#include "platform/win32/GlContext.h"

#include <cstdio>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Window.h"

namespace {

constexpr int kColourBits = 8;
constexpr int kDepthBits = 24;
constexpr int kStencilBits = 8;

} // namespace

namespace GlContext {

void SetAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, kColourBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, kColourBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, kColourBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, kDepthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, kStencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

void Release(HWND__& window)
{
    if (window.glContext == nullptr)
        return;
    if (SDL_GL_GetCurrentContext() == window.glContext)
        SDL_GL_MakeCurrent(window.sdlWindow, nullptr);
    SDL_GL_DeleteContext(window.glContext);
    window.glContext = nullptr;
}

} // namespace GlContext

bool Win32Platform::MakeGLCurrent(HWND hWnd)
{
    HWND__* window = Win32Window::Find(hWnd);
    if (window == nullptr)
        return false;
    if (window->glContext == nullptr) {
        GlContext::SetAttributes();
        window->glContext = SDL_GL_CreateContext(window->sdlWindow);
        if (window->glContext == nullptr) {
            std::fprintf(stderr, "OpenGL context: %s\n", SDL_GetError());
            return false;
        }
    }
    return SDL_GL_MakeCurrent(window->sdlWindow, window->glContext) == 0;
}
