#pragma once
// Draws on a window's back buffer through OpenGL, for the window's device
// context. Everything it touches is saved on construction and restored on
// destruction, so whoever else uses the context (Direct3D) finds its state as
// it left it. Internal to the Win32 stand-in.

#include <SDL_opengl.h>

#include "platform/d3dx8/BmpImage.h"
#include "platform/gdi/FontFace.h"
#include "platform/win32/Win32Window.h"

class WindowCanvas {
public:
    explicit WindowCanvas(HWND__& window);
    ~WindowCanvas();

    WindowCanvas(const WindowCanvas&) = delete;
    WindowCanvas& operator=(const WindowCanvas&) = delete;

    bool Ready() const { return m_Ready; }
    int Width() const { return m_Width; }
    int Height() const { return m_Height; }

    // Rectangles are in window pixels, top-left origin; `colour` is an RGB
    // COLORREF.
    void Fill(RECT rect, COLORREF colour) const;

    // Copies a block of `image` whose top-left is (sourceX, sourceY) to
    // (x, y), both already clipped to the image and the window.
    void Draw(const BmpImage& image, int x, int y, int sourceX, int sourceY, int width, int height) const;

    // Lays `colour` over the window by coverage; the coverage's cell has its
    // top-left at (cellX, cellY). Clipped to the window.
    void Blend(const TextCoverage& coverage, int cellX, int cellY, COLORREF colour) const;

private:
    void LoadFunctions();
    void SaveAndResetState();
    void DisableTexturing() const;
    void RestoreState();

    HWND__& m_Window;
    bool m_Ready = false;
    int m_Width = 0;
    int m_Height = 0;
    GLint m_SavedFramebuffer = 0;
    GLint m_SavedUnpackBuffer = 0;
    PFNGLWINDOWPOS2IPROC m_WindowPos = nullptr;
    PFNGLBINDFRAMEBUFFERPROC m_BindFramebuffer = nullptr;
    PFNGLBINDBUFFERPROC m_BindBuffer = nullptr;
    PFNGLACTIVETEXTUREPROC m_ActiveTexture = nullptr;
    PFNGLBLENDEQUATIONPROC m_BlendEquation = nullptr;
};
