// GDI as much as the splash screen needs: bitmaps loaded from BMP files,
// brushes, memory device contexts as blit sources, and the window's device
// context, which draws on the window's back buffer with OpenGL and presents
// at EndPaint.

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <SDL_opengl.h>

#include "platform/d3dx8/BmpImage.h"
#include "platform/files/Files.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Window.h"

namespace {

constexpr COLORREF kInvalidColour = 0xFFFFFFFF;
constexpr size_t kReadChunk = 64 * 1024;
constexpr int kMaxTextureUnits = 32;

HBRUSH__ g_BlackBrush(RGB(0, 0, 0), true);
HBRUSH__ g_WhiteBrush(RGB(255, 255, 255), true); // selected into new contexts
HBITMAP__ g_DefaultBitmap(true);                   // ditto, as Win32's 1x1 placeholder

std::vector<std::unique_ptr<GdiObject>> g_Objects;
std::vector<std::unique_ptr<HDC__>> g_MemoryDCs;

GdiObject* FindObject(HGDIOBJ handle)
{
    if (handle == nullptr)
        return nullptr;
    if (handle == static_cast<HBRUSH>(&g_BlackBrush))
        return &g_BlackBrush;
    if (handle == static_cast<HBRUSH>(&g_WhiteBrush))
        return &g_WhiteBrush;
    if (handle == static_cast<HBITMAP>(&g_DefaultBitmap))
        return &g_DefaultBitmap;
    for (const std::unique_ptr<GdiObject>& object : g_Objects) {
        // Handles are handed out as pointers to the most derived type.
        const void* objectHandle = object->kind == GdiKind::Bitmap
                                       ? static_cast<const void*>(static_cast<HBITMAP__*>(object.get()))
                                       : static_cast<const void*>(static_cast<HBRUSH__*>(object.get()));
        if (objectHandle == handle)
            return object.get();
    }
    return nullptr;
}

HBRUSH__* FindBrush(HBRUSH brush)
{
    GdiObject* object = FindObject(brush);
    return object != nullptr && object->kind == GdiKind::Brush ? static_cast<HBRUSH__*>(object) : nullptr;
}

HBITMAP__* FindBitmap(HGDIOBJ bitmap)
{
    GdiObject* object = FindObject(bitmap);
    return object != nullptr && object->kind == GdiKind::Bitmap ? static_cast<HBITMAP__*>(object) : nullptr;
}

HDC__* FindDC(HDC hdc)
{
    if (hdc == nullptr)
        return nullptr;
    HWND__* window = Win32Window::Current();
    if (window != nullptr && hdc == &window->dc)
        return &window->dc;
    for (const std::unique_ptr<HDC__>& dc : g_MemoryDCs) {
        if (dc.get() == hdc)
            return dc.get();
    }
    return nullptr;
}

bool IsSelectedAnywhere(HGDIOBJ handle)
{
    HWND__* window = Win32Window::Current();
    if (window != nullptr && window->dc.brush == handle)
        return true;
    return std::any_of(g_MemoryDCs.begin(), g_MemoryDCs.end(), [handle](const std::unique_ptr<HDC__>& dc) {
        return dc->bitmap == handle || dc->brush == handle;
    });
}

bool ReadWholeFile(const char* gamePath, std::vector<uint8_t>& bytes)
{
    FILE* file = Files::Open(gamePath, "rb");
    if (file == nullptr)
        return false;
    uint8_t chunk[kReadChunk];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + count);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

// Draws on a window's back buffer through OpenGL. Everything it touches is
// saved and restored, so whoever else uses the context (Direct3D) finds its
// state as it left it.
class WindowCanvas {
public:
    explicit WindowCanvas(HWND__& window) : m_Window(window)
    {
        if (!Win32Platform::MakeGLCurrent(&window))
            return;
        LoadFunctions();
        if (m_WindowPos == nullptr)
            return;
        SDL_GL_GetDrawableSize(window.sdlWindow, &m_Width, &m_Height);
        SaveAndResetState();
        m_Ready = true;
    }

    ~WindowCanvas()
    {
        if (!m_Ready)
            return;
        RestoreState();
        m_Window.drawnSincePresent = true;
    }

    WindowCanvas(const WindowCanvas&) = delete;
    WindowCanvas& operator=(const WindowCanvas&) = delete;

    bool Ready() const { return m_Ready; }

    // Rectangles are in window pixels, top-left origin.
    void Fill(RECT rect, COLORREF colour) const
    {
        rect.left = std::max<LONG>(rect.left, 0);
        rect.top = std::max<LONG>(rect.top, 0);
        rect.right = std::min<LONG>(rect.right, m_Width);
        rect.bottom = std::min<LONG>(rect.bottom, m_Height);
        if (rect.right <= rect.left || rect.bottom <= rect.top)
            return;
        glEnable(GL_SCISSOR_TEST);
        glScissor(rect.left, m_Height - rect.bottom, rect.right - rect.left, rect.bottom - rect.top);
        glClearColor((colour & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
                     ((colour >> 16) & 0xFF) / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // Copies a block of `image` whose top-left is (sourceX, sourceY) to
    // (x, y), both already clipped to the image and the window.
    void Draw(const BmpImage& image, int x, int y, int sourceX, int sourceY, int width, int height) const
    {
        // GL rows go bottom up: flip the block while copying it out.
        std::vector<uint32_t> block(static_cast<size_t>(width) * height);
        for (int row = 0; row < height; ++row) {
            const uint32_t* source =
                image.pixels.data() + static_cast<size_t>(sourceY + row) * image.width + sourceX;
            std::copy(source, source + width, block.data() + static_cast<size_t>(height - 1 - row) * width);
        }
        m_WindowPos(x, m_Height - y - height);
        glDrawPixels(width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, block.data());
    }

    int Width() const { return m_Width; }
    int Height() const { return m_Height; }

private:
    void LoadFunctions()
    {
        m_WindowPos = reinterpret_cast<PFNGLWINDOWPOS2IPROC>(SDL_GL_GetProcAddress("glWindowPos2i"));
        m_BindFramebuffer =
            reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBindFramebuffer"));
        m_BindBuffer = reinterpret_cast<PFNGLBINDBUFFERPROC>(SDL_GL_GetProcAddress("glBindBuffer"));
        m_ActiveTexture = reinterpret_cast<PFNGLACTIVETEXTUREPROC>(SDL_GL_GetProcAddress("glActiveTexture"));
    }

    void SaveAndResetState()
    {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        if (m_BindFramebuffer != nullptr) {
            glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &m_SavedFramebuffer);
            m_BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        }
        if (m_BindBuffer != nullptr) {
            glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &m_SavedUnpackBuffer);
            m_BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
        }
        glDrawBuffer(GL_BACK);
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_STENCIL_TEST);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_FOG);
        glDisable(GL_COLOR_LOGIC_OP);
        glDisable(GL_DITHER);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        DisableTexturing();
        glPixelZoom(1.0f, 1.0f);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
        glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    }

    // Drawn pixels are textured by every enabled unit: switch them all off.
    void DisableTexturing() const
    {
        GLint units = 1;
        if (m_ActiveTexture != nullptr)
            glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
        units = std::min(std::max(units, 1), kMaxTextureUnits);
        for (GLint unit = 0; unit < units; ++unit) {
            if (m_ActiveTexture != nullptr)
                m_ActiveTexture(GL_TEXTURE0 + unit);
            glDisable(GL_TEXTURE_1D);
            glDisable(GL_TEXTURE_2D);
            glDisable(GL_TEXTURE_3D);
            glDisable(GL_TEXTURE_CUBE_MAP);
        }
    }

    void RestoreState()
    {
        if (m_BindBuffer != nullptr)
            m_BindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(m_SavedUnpackBuffer));
        if (m_BindFramebuffer != nullptr)
            m_BindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(m_SavedFramebuffer));
        glPopClientAttrib();
        glPopAttrib();
    }

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
};

// Clips a blit against its source image and its destination window; false
// when nothing is left to copy.
bool ClipBlit(const BmpImage& image, int targetWidth, int targetHeight, int& x, int& y, int& sourceX,
              int& sourceY, int& width, int& height)
{
    if (sourceX < 0) { x -= sourceX; width += sourceX; sourceX = 0; }
    if (sourceY < 0) { y -= sourceY; height += sourceY; sourceY = 0; }
    if (x < 0) { sourceX -= x; width += x; x = 0; }
    if (y < 0) { sourceY -= y; height += y; y = 0; }
    width = std::min({width, static_cast<int>(image.width) - sourceX, targetWidth - x});
    height = std::min({height, static_cast<int>(image.height) - sourceY, targetHeight - y});
    return width > 0 && height > 0;
}

} // namespace

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT load)
{
    // Only whole bitmap files at their own size are loaded; no resources.
    if (instance != nullptr || name == nullptr || type != IMAGE_BITMAP || (load & LR_LOADFROMFILE) == 0)
        return nullptr;
    if (cx != 0 || cy != 0)
        return nullptr;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(name, bytes))
        return nullptr;
    auto bitmap = std::make_unique<HBITMAP__>();
    if (!DecodeBmp(bytes.data(), bytes.size(), bitmap->image))
        return nullptr;
    HBITMAP handle = bitmap.get();
    g_Objects.push_back(std::move(bitmap));
    return handle;
}

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc != nullptr && FindDC(hdc) == nullptr)
        return nullptr;
    auto dc = std::make_unique<HDC__>();
    dc->bitmap = &g_DefaultBitmap;
    dc->brush = &g_WhiteBrush;
    HDC handle = dc.get();
    g_MemoryDCs.push_back(std::move(dc));
    return handle;
}

BOOL DeleteDC(HDC hdc)
{
    // A window's context lives as long as its window.
    auto found = std::find_if(g_MemoryDCs.begin(), g_MemoryDCs.end(),
                              [hdc](const std::unique_ptr<HDC__>& dc) { return dc.get() == hdc; });
    if (found == g_MemoryDCs.end())
        return FALSE;
    g_MemoryDCs.erase(found);
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    HDC__* dc = FindDC(hdc);
    GdiObject* found = FindObject(object);
    if (dc == nullptr || found == nullptr)
        return nullptr;
    if (found->kind == GdiKind::Brush) {
        HGDIOBJ previous = dc->brush;
        dc->brush = static_cast<HBRUSH__*>(found);
        return previous;
    }
    // Bitmaps go into memory contexts only.
    if (dc->window != nullptr)
        return nullptr;
    HGDIOBJ previous = dc->bitmap;
    dc->bitmap = static_cast<HBITMAP__*>(found);
    return previous;
}

BOOL DeleteObject(HGDIOBJ object)
{
    GdiObject* found = FindObject(object);
    if (found == nullptr)
        return FALSE;
    if (found->stock)
        return TRUE;
    // As in Win32, an object still selected into a context stays.
    if (IsSelectedAnywhere(object))
        return FALSE;
    g_Objects.erase(std::find_if(g_Objects.begin(), g_Objects.end(),
                                 [found](const std::unique_ptr<GdiObject>& owned) { return owned.get() == found; }));
    return TRUE;
}

HGDIOBJ GetStockObject(int object)
{
    if (object == BLACK_BRUSH)
        return static_cast<HBRUSH>(&g_BlackBrush);
    return nullptr;
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto brush = std::make_unique<HBRUSH__>(color & 0x00FFFFFF, false);
    HBRUSH handle = brush.get();
    g_Objects.push_back(std::move(brush));
    return handle;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    HDC__* dc = FindDC(hdc);
    HBRUSH__* fill = FindBrush(brush);
    if (dc == nullptr || fill == nullptr || rect == nullptr || dc->window == nullptr)
        return 0;
    WindowCanvas canvas(*dc->window);
    if (!canvas.Ready())
        return 0;
    canvas.Fill(*rect, fill->color);
    return 1;
}

int SetBkMode(HDC hdc, int mode)
{
    HDC__* dc = FindDC(hdc);
    if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    const int previous = dc->backgroundMode;
    dc->backgroundMode = mode;
    return previous;
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    HDC__* dc = FindDC(hdc);
    if (dc == nullptr)
        return kInvalidColour;
    const COLORREF previous = dc->textColor;
    dc->textColor = color;
    return previous;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop)
{
    HDC__* target = FindDC(dest);
    HDC__* from = FindDC(source);
    if (target == nullptr || from == nullptr || rop != SRCCOPY)
        return FALSE;
    // Blits go from a memory context's bitmap onto a window.
    HBITMAP__* bitmap = FindBitmap(from->bitmap);
    if (target->window == nullptr || bitmap == nullptr || bitmap->image.pixels.empty())
        return FALSE;
    WindowCanvas canvas(*target->window);
    if (!canvas.Ready())
        return FALSE;
    if (ClipBlit(bitmap->image, canvas.Width(), canvas.Height(), x, y, sourceX, sourceY, width, height))
        canvas.Draw(bitmap->image, x, y, sourceX, sourceY, width, height);
    return TRUE;
}

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* paint)
{
    HWND__* window = Win32Window::Find(hWnd);
    if (window == nullptr || paint == nullptr)
        return nullptr;
    paint->hdc = &window->dc;
    paint->fErase = FALSE;
    GetClientRect(hWnd, &paint->rcPaint);
    return paint->hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* /*paint*/)
{
    HWND__* window = Win32Window::Find(hWnd);
    if (window == nullptr)
        return FALSE;
    // A paint that drew nothing must not swap: that would show a stale buffer
    // over whatever is on screen.
    if (window->drawnSincePresent && Win32Platform::MakeGLCurrent(hWnd))
        SDL_GL_SwapWindow(window->sdlWindow);
    window->drawnSincePresent = false;
    return TRUE;
}
