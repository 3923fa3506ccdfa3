#include "Display/FontRasteriser.h"

namespace {

const WORD DIB_BITS_PER_PIXEL = 32;
const COLORREF TEXT_WHITE = 0x00FFFFFF;
// A colour with flags in its high byte is no colour at all to GDI: the
// ground comes out black, which is what the texture wants.
const COLORREF GROUND_NONE = 0xFFFFFFFF;
const DWORD PITCH_AND_FAMILY = DEFAULT_PITCH | FF_MODERN;

} // namespace

CGdiFontRasteriser::~CGdiFontRasteriser()
{
    CGdiFontRasteriser::EndCanvas();
}

bool CGdiFontRasteriser::BeginCanvas(int size)
{
    EndCanvas();
    m_hDC = CreateCompatibleDC(nullptr);
    if (m_hDC == nullptr)
        return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = DIB_BITS_PER_PIXEL;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_hBitmap = CreateDIBSection(m_hDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_hBitmap == nullptr || bits == nullptr) {
        EndCanvas();
        return false;
    }
    m_pBits = static_cast<uint32_t*>(bits);
    SetMapMode(m_hDC, MM_TEXT);
    return true;
}

int CGdiFontRasteriser::GetPixelsPerInch()
{
    return m_hDC != nullptr ? GetDeviceCaps(m_hDC, LOGPIXELSY) : 0;
}

bool CGdiFontRasteriser::SelectFont(const CFontRequest& request)
{
    if (m_hDC == nullptr)
        return false;
    m_hFont = CreateFontA(request.m_Height, 0, 0, 0, request.m_Weight, request.m_bItalic ? TRUE : FALSE, FALSE,
                          FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, request.m_Quality,
                          PITCH_AND_FAMILY, request.m_pFaceName);
    if (m_hFont == nullptr)
        return false;
    m_hOldBitmap = SelectObject(m_hDC, m_hBitmap);
    m_hOldFont = SelectObject(m_hDC, m_hFont);
    SetTextColor(m_hDC, TEXT_WHITE);
    SetTextAlign(m_hDC, TA_TOP | TA_LEFT);
    SetBkColor(m_hDC, GROUND_NONE);
    return true;
}

SIZE CGdiFontRasteriser::MeasureChar(char c)
{
    SIZE size = {0, 0};
    if (m_hDC == nullptr || !GetTextExtentPoint32A(m_hDC, &c, 1, &size))
        return {0, 0};
    return size;
}

void CGdiFontRasteriser::DrawChar(int x, int y, char c)
{
    if (m_hDC != nullptr)
        ExtTextOutA(m_hDC, x, y, ETO_OPAQUE, nullptr, &c, 1, nullptr);
}

// GDI keeps an object that is still selected into a context: the old
// objects go back in first, or the canvas would outlive the font.
void CGdiFontRasteriser::EndCanvas()
{
    if (m_hDC != nullptr && m_hOldBitmap != nullptr)
        SelectObject(m_hDC, m_hOldBitmap);
    if (m_hDC != nullptr && m_hOldFont != nullptr)
        SelectObject(m_hDC, m_hOldFont);
    if (m_hBitmap != nullptr)
        DeleteObject(m_hBitmap);
    if (m_hDC != nullptr)
        DeleteDC(m_hDC);
    if (m_hFont != nullptr)
        DeleteObject(m_hFont);
    m_hDC = nullptr;
    m_hBitmap = nullptr;
    m_hFont = nullptr;
    m_hOldBitmap = nullptr;
    m_hOldFont = nullptr;
    m_pBits = nullptr;
}
