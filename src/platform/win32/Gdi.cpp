// GDI as much as the splash screen and the bitmap fonts need: bitmaps loaded
// from BMP files and DIB sections, brushes, fonts, memory device contexts as
// blit sources and text targets, and the window's device context, which draws
// on the window's back buffer with OpenGL and presents at EndPaint.

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "platform/d3dx8/BmpImage.h"
#include "platform/files/Files.h"
#include "platform/gdi/FontFace.h"
#include "platform/gdi/PixelCanvas.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Window.h"
#include "platform/win32/WindowCanvas.h"

namespace {

constexpr size_t kReadChunk = 64 * 1024;
constexpr int kDotsPerInch = 96;
constexpr WORD kDibBitsPerPixel = 32;
constexpr UINT kTextAlignment = TA_TOP | TA_LEFT;
constexpr UINT kTextOptions = ETO_OPAQUE | ETO_CLIPPED;
constexpr COLORREF kColourFlagsMask = 0xFF000000;
// Every context starts with the system font: a bold sans face with a 16-pixel cell.
constexpr const char* kSystemFaceName = "System";
constexpr int kSystemFontCellHeight = 16;

HBRUSH__ g_BlackBrush(RGB(0, 0, 0), true);
HBRUSH__ g_WhiteBrush(RGB(255, 255, 255), true); // selected into new contexts
HBITMAP__ g_DefaultBitmap(true);                   // ditto, as Win32's 1x1 placeholder

std::vector<std::unique_ptr<GdiObject>> g_Objects;
std::vector<std::unique_ptr<HDC__>> g_MemoryDCs;
std::unique_ptr<HFONT__> g_SystemFont; // opened on first use: finding a face takes a while

HFONT__* SystemFont()
{
    if (!g_SystemFont) {
        FontRequest request;
        request.faceName = kSystemFaceName;
        request.height = kSystemFontCellHeight;
        request.bold = true;
        g_SystemFont = std::make_unique<HFONT__>(FontFace::Create(request), true);
    }
    return g_SystemFont.get();
}

// Handles are handed out as pointers to the most derived type.
const void* HandleOf(GdiObject* object)
{
    switch (object->kind) {
    case GdiKind::Bitmap:
        return static_cast<HBITMAP__*>(object);
    case GdiKind::Brush:
        return static_cast<HBRUSH__*>(object);
    case GdiKind::Font:
        return static_cast<HFONT__*>(object);
    }
    return object;
}

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
    if (g_SystemFont && handle == static_cast<HFONT>(g_SystemFont.get()))
        return g_SystemFont.get();
    for (const std::unique_ptr<GdiObject>& object : g_Objects) {
        if (HandleOf(object.get()) == handle)
            return object.get();
    }
    return nullptr;
}

HGDIOBJ Register(std::unique_ptr<GdiObject> object)
{
    HGDIOBJ handle = const_cast<void*>(HandleOf(object.get()));
    g_Objects.push_back(std::move(object));
    return handle;
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
    if (window != nullptr && (window->dc.brush == handle || window->dc.font == handle))
        return true;
    return std::any_of(g_MemoryDCs.begin(), g_MemoryDCs.end(), [handle](const std::unique_ptr<HDC__>& dc) {
        return dc->bitmap == handle || dc->brush == handle || dc->font == handle;
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

// A COLORREF with a non-zero high byte names a palette entry rather than a
// colour. There are no palettes here, and a palette entry out of range is
// black: the bitmap fonts rely on that, asking for a background of
// 0xFFFFFFFF so that their glyphs come out white on black.
COLORREF RgbOf(COLORREF colour)
{
    return (colour & kColourFlagsMask) != 0 ? RGB(0, 0, 0) : colour;
}

// A COLORREF (0x00BBGGRR) as a bitmap pixel (0x00RRGGBB).
uint32_t PixelOf(COLORREF colour)
{
    const COLORREF rgb = RgbOf(colour);
    return PackArgb(0, rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

int ClampToInt(long long value)
{
    return static_cast<int>(std::min<long long>(std::max<long long>(value, INT_MIN), INT_MAX));
}

PixelRect PixelRectOf(const RECT& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

RECT RectOf(const PixelRect& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// A text call's text and where it goes; its cell's top-left is (x, y).
struct TextRun {
    const FontFace& face;
    const char* text;
    size_t count;
    int x;
    int y;
    const RECT* clip; // null: clipped to the target only
};

// The part of the run's cell that lands on a target of `bounds`.
PixelRect VisibleCell(const TextRun& run, const PixelRect& bounds)
{
    const long long right = static_cast<long long>(run.x) + run.face.Width(run.text, run.count);
    const long long bottom = static_cast<long long>(run.y) + run.face.CellHeight();
    const PixelRect cell = {run.x, run.y, ClampToInt(right), ClampToInt(bottom)};
    const PixelRect visible = Intersect(cell, bounds);
    return run.clip != nullptr ? Intersect(visible, PixelRectOf(*run.clip)) : visible;
}

TextCoverage RunCoverage(const TextRun& run, const PixelRect& visible)
{
    const PixelRect inCell = {visible.left - run.x, visible.top - run.y, visible.right - run.x,
                              visible.bottom - run.y};
    return run.face.Rasterise(run.text, run.count, inCell);
}

bool DrawTextOnWindow(const HDC__& dc, const TextRun& run, const RECT* opaqueRect)
{
    WindowCanvas canvas(*dc.window);
    if (!canvas.Ready())
        return false;
    const PixelRect bounds = {0, 0, canvas.Width(), canvas.Height()};
    if (opaqueRect != nullptr)
        canvas.Fill(*opaqueRect, RgbOf(dc.backgroundColor));
    const PixelRect visible = VisibleCell(run, bounds);
    if (visible.IsEmpty())
        return true;
    if (dc.backgroundMode == OPAQUE)
        canvas.Fill(RectOf(visible), RgbOf(dc.backgroundColor));
    canvas.Blend(RunCoverage(run, visible), run.x, run.y, RgbOf(dc.textColor));
    return true;
}

bool DrawTextInBitmap(const HDC__& dc, const TextRun& run, const RECT* opaqueRect)
{
    HBITMAP__* bitmap = FindBitmap(dc.bitmap);
    if (bitmap == nullptr)
        return false;
    BmpImage& image = bitmap->image;
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height)
        return false;
    PixelCanvas canvas(image.pixels.data(), static_cast<int>(image.width), static_cast<int>(image.height));
    if (opaqueRect != nullptr)
        canvas.Fill(PixelRectOf(*opaqueRect), PixelOf(dc.backgroundColor));
    const PixelRect visible = VisibleCell(run, canvas.Bounds());
    if (visible.IsEmpty())
        return true;
    if (dc.backgroundMode == OPAQUE)
        canvas.Fill(visible, PixelOf(dc.backgroundColor));
    canvas.Blend(RunCoverage(run, visible), run.x, run.y, PixelOf(dc.textColor));
    return true;
}

bool IsTopDownDib32(const BITMAPINFOHEADER& header)
{
    constexpr LONG maxDimension = static_cast<LONG>(kBmpMaxDimension);
    return header.biSize >= sizeof(BITMAPINFOHEADER) && header.biPlanes == 1 &&
           header.biBitCount == kDibBitsPerPixel && header.biCompression == BI_RGB && header.biWidth > 0 &&
           header.biWidth <= maxDimension && header.biHeight < 0 && header.biHeight >= -maxDimension;
}

// The colour setters answer the colour they replace.
COLORREF ReplaceColour(HDC hdc, COLORREF HDC__::*colour, COLORREF value)
{
    HDC__* dc = FindDC(hdc);
    if (dc == nullptr)
        return CLR_INVALID;
    const COLORREF previous = dc->*colour;
    dc->*colour = value;
    return previous;
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
    return static_cast<HBITMAP>(Register(std::move(bitmap)));
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
    if (found->kind == GdiKind::Font) {
        HGDIOBJ previous = dc->font != nullptr ? dc->font : SystemFont();
        dc->font = static_cast<HFONT__*>(found);
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
    return static_cast<HBRUSH>(Register(std::make_unique<HBRUSH__>(color & 0x00FFFFFF, false)));
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
    return ReplaceColour(hdc, &HDC__::textColor, color);
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

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    // Rounded to the nearest integer, halves away from zero.
    const long long product = static_cast<long long>(number) * numerator;
    const long long divisor = std::llabs(denominator);
    const long long magnitude = (std::llabs(product) + divisor / 2) / divisor;
    const long long result = (product < 0) != (denominator < 0) ? -magnitude : magnitude;
    if (result > INT_MAX || result < INT_MIN)
        return -1;
    return static_cast<int>(result);
}

HBITMAP CreateDIBSection(HDC /*hdc*/, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset)
{
    if (bits != nullptr)
        *bits = nullptr;
    // Only 32-bit top-down sections: their bits are laid out exactly as an
    // image's pixels, so the section's memory is the bitmap's own.
    if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr || offset != 0 ||
        !IsTopDownDib32(info->bmiHeader))
        return nullptr;
    auto bitmap = std::make_unique<HBITMAP__>();
    bitmap->image.width = static_cast<uint32_t>(info->bmiHeader.biWidth);
    bitmap->image.height = static_cast<uint32_t>(-info->bmiHeader.biHeight);
    try {
        bitmap->image.pixels.assign(static_cast<size_t>(bitmap->image.width) * bitmap->image.height, 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (bits != nullptr)
        *bits = bitmap->image.pixels.data();
    return static_cast<HBITMAP>(Register(std::move(bitmap)));
}

int SetMapMode(HDC hdc, int mode)
{
    // Logical units are pixels, always.
    if (FindDC(hdc) == nullptr || mode != MM_TEXT)
        return 0;
    return MM_TEXT;
}

int GetDeviceCaps(HDC hdc, int index)
{
    if (FindDC(hdc) == nullptr)
        return 0;
    if (index == LOGPIXELSX || index == LOGPIXELSY)
        return kDotsPerInch;
    return 0;
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD /*charSet*/, DWORD /*outPrecision*/,
                  DWORD /*clipPrecision*/, DWORD quality, DWORD /*pitchAndFamily*/, LPCSTR faceName)
{
    // Stretched, rotated, underlined and struck-out text are not drawn here.
    // The character set, precisions and family only steer the choice of a
    // face whose name is not installed; fontconfig's substitutions do that.
    if (width != 0 || escapement != 0 || orientation != 0 || underline != 0 || strikeOut != 0)
        return nullptr;
    FontRequest request;
    request.faceName = faceName != nullptr ? faceName : "";
    request.height = height;
    request.bold = weight >= FW_SEMIBOLD;
    request.italic = italic != 0;
    request.antialias = quality != NONANTIALIASED_QUALITY;
    std::unique_ptr<FontFace> face = FontFace::Create(request);
    if (!face)
        return nullptr;
    return static_cast<HFONT>(Register(std::make_unique<HFONT__>(std::move(face), false)));
}

UINT SetTextAlign(HDC hdc, UINT align)
{
    // Text hangs from its top-left corner and never moves a current position.
    if (FindDC(hdc) == nullptr || align != kTextAlignment)
        return GDI_ERROR;
    return kTextAlignment;
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    return ReplaceColour(hdc, &HDC__::backgroundColor, color);
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, SIZE* size)
{
    HDC__* dc = FindDC(hdc);
    if (dc == nullptr || size == nullptr || count < 0 || (text == nullptr && count > 0))
        return FALSE;
    HFONT__* font = dc->font != nullptr ? dc->font : SystemFont();
    if (!font->face)
        return FALSE;
    size->cx = font->face->Width(text, static_cast<size_t>(count));
    size->cy = font->face->CellHeight();
    return TRUE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const int* dx)
{
    // Per-character spacing is not supported: text runs on the font's advances.
    HDC__* dc = FindDC(hdc);
    if (dc == nullptr || (options & ~kTextOptions) != 0 || dx != nullptr || (text == nullptr && count > 0))
        return FALSE;
    HFONT__* font = dc->font != nullptr ? dc->font : SystemFont();
    if (!font->face)
        return FALSE;
    const RECT* clip = (options & ETO_CLIPPED) != 0 ? rect : nullptr;
    const RECT* opaqueRect = (options & ETO_OPAQUE) != 0 ? rect : nullptr;
    const TextRun run = {*font->face, text, count, x, y, clip};
    const bool drawn = dc->window != nullptr ? DrawTextOnWindow(*dc, run, opaqueRect)
                                             : DrawTextInBitmap(*dc, run, opaqueRect);
    return drawn ? TRUE : FALSE;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count)
{
    if (count < 0)
        return FALSE;
    return ExtTextOutA(hdc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
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
