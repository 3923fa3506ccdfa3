#include "platform/win32/WindowCanvas.h"

#include <algorithm>
#include <vector>

#include "platform/win32/Win32Platform.h"

namespace {

constexpr int kMaxTextureUnits = 32;
constexpr float kChannelScale = 255.0f;
constexpr uint32_t kChannelMask = 0xFF;
constexpr int kAlphaShift = 24;

// A COLORREF (0x00BBGGRR) as the 0xAARRGGBB word glDrawPixels takes here.
uint32_t ArgbOf(COLORREF colour, uint32_t alpha)
{
    return PackArgb(alpha, colour & kChannelMask, (colour >> 8) & kChannelMask,
                    (colour >> 16) & kChannelMask);
}

} // namespace

WindowCanvas::WindowCanvas(HWND__& window) : m_Window(window)
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

WindowCanvas::~WindowCanvas()
{
    if (!m_Ready)
        return;
    RestoreState();
    m_Window.drawnSincePresent = true;
}

void WindowCanvas::Fill(RECT rect, COLORREF colour) const
{
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::min<LONG>(rect.right, m_Width);
    rect.bottom = std::min<LONG>(rect.bottom, m_Height);
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    glEnable(GL_SCISSOR_TEST);
    glScissor(rect.left, m_Height - rect.bottom, rect.right - rect.left, rect.bottom - rect.top);
    glClearColor((colour & kChannelMask) / kChannelScale, ((colour >> 8) & kChannelMask) / kChannelScale,
                 ((colour >> 16) & kChannelMask) / kChannelScale, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

void WindowCanvas::Draw(const BmpImage& image, int x, int y, int sourceX, int sourceY, int width,
                        int height) const
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

void WindowCanvas::Blend(const TextCoverage& coverage, int cellX, int cellY, COLORREF colour) const
{
    const long long left = static_cast<long long>(cellX) + coverage.left;
    const long long top = static_cast<long long>(cellY) + coverage.top;
    const int firstX = static_cast<int>(std::max<long long>(0, -left));
    const int firstY = static_cast<int>(std::max<long long>(0, -top));
    const int endX = static_cast<int>(std::min<long long>(coverage.width, m_Width - left));
    const int endY = static_cast<int>(std::min<long long>(coverage.height, m_Height - top));
    if (endX <= firstX || endY <= firstY || m_BlendEquation == nullptr)
        return;

    // The text colour with the coverage as alpha, rows bottom up for GL.
    const int width = endX - firstX;
    const int height = endY - firstY;
    const uint32_t rgb = ArgbOf(colour, 0);
    std::vector<uint32_t> block(static_cast<size_t>(width) * height);
    for (int row = 0; row < height; ++row) {
        uint32_t* target = block.data() + static_cast<size_t>(height - 1 - row) * width;
        for (int column = 0; column < width; ++column) {
            const uint32_t level = coverage.At(firstX + column, firstY + row);
            target[column] = rgb | (level << kAlphaShift);
        }
    }
    glEnable(GL_BLEND);
    m_BlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    m_WindowPos(static_cast<int>(left + firstX), static_cast<int>(m_Height - (top + firstY) - height));
    glDrawPixels(width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, block.data());
    glDisable(GL_BLEND);
}

void WindowCanvas::LoadFunctions()
{
    m_WindowPos = reinterpret_cast<PFNGLWINDOWPOS2IPROC>(SDL_GL_GetProcAddress("glWindowPos2i"));
    m_BindFramebuffer =
        reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBindFramebuffer"));
    m_BindBuffer = reinterpret_cast<PFNGLBINDBUFFERPROC>(SDL_GL_GetProcAddress("glBindBuffer"));
    m_ActiveTexture = reinterpret_cast<PFNGLACTIVETEXTUREPROC>(SDL_GL_GetProcAddress("glActiveTexture"));
    m_BlendEquation = reinterpret_cast<PFNGLBLENDEQUATIONPROC>(SDL_GL_GetProcAddress("glBlendEquation"));
}

void WindowCanvas::SaveAndResetState()
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
void WindowCanvas::DisableTexturing() const
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

void WindowCanvas::RestoreState()
{
    if (m_BindBuffer != nullptr)
        m_BindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(m_SavedUnpackBuffer));
    if (m_BindFramebuffer != nullptr)
        m_BindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(m_SavedFramebuffer));
    glPopClientAttrib();
    glPopAttrib();
}
