#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/Windows.h"

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kTextureSize = 256;
constexpr uint32_t kRgbMask = 0x00FFFFFF;
constexpr uint32_t kBlueMask = 0x000000FF;
constexpr uint32_t kUntouched = 0x00123456;
constexpr UINT kBaselineAlignment = 24; // not one this system draws
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kPaletteWhite = 0xFFFFFFFF;

BITMAPINFO TopDown32(LONG width, LONG height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

HFONT Verdana(int points, bool bold = false, bool italic = false)
{
    HDC screen = CreateCompatibleDC(nullptr);
    const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), kPointsPerInch);
    DeleteDC(screen);
    return CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic ? TRUE : FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH | FF_MODERN, "Verdana");
}

bool IsGrey(uint32_t pixel)
{
    const uint32_t blue = pixel & kBlueMask;
    return (pixel & kRgbMask) == (blue | (blue << 8) | (blue << 16));
}

// A memory context with a DIB section selected, filled with a colour that no
// text call writes, and a font.
class Win32GdiText : public ::testing::Test {
protected:
    void Make(int width, int height, HFONT font)
    {
        m_Width = width;
        m_Height = height;
        m_hdc = CreateCompatibleDC(nullptr);
        ASSERT_NE(nullptr, m_hdc);
        const BITMAPINFO info = TopDown32(width, height);
        void* bits = nullptr;
        m_Bitmap = CreateDIBSection(m_hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(nullptr, m_Bitmap);
        ASSERT_NE(nullptr, bits);
        m_Bits = static_cast<uint32_t*>(bits);
        std::fill(m_Bits, m_Bits + width * height, kUntouched);
        m_PreviousBitmap = SelectObject(m_hdc, m_Bitmap);
        m_Font = font;
        ASSERT_NE(nullptr, m_Font);
        m_PreviousFont = SelectObject(m_hdc, m_Font);
        ASSERT_NE(nullptr, m_PreviousFont); // the system font
    }

    void TearDown() override
    {
        if (m_hdc == nullptr)
            return;
        EXPECT_FALSE(DeleteObject(m_Font)); // still selected
        EXPECT_EQ(static_cast<HGDIOBJ>(m_Font), SelectObject(m_hdc, m_PreviousFont));
        EXPECT_EQ(static_cast<HGDIOBJ>(m_Bitmap), SelectObject(m_hdc, m_PreviousBitmap));
        EXPECT_TRUE(DeleteDC(m_hdc));
        EXPECT_TRUE(DeleteObject(m_Bitmap));
        EXPECT_TRUE(DeleteObject(m_Font));
        EXPECT_FALSE(DeleteObject(m_Font));
    }

    uint32_t At(int x, int y) const { return m_Bits[y * m_Width + x]; }

    SIZE Extent(const char* text) const
    {
        SIZE size = {};
        EXPECT_TRUE(GetTextExtentPoint32A(m_hdc, text, static_cast<int>(strlen(text)), &size));
        return size;
    }

    bool Inside(int x, int y, const RECT& rect) const
    {
        return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
    }

    HDC m_hdc = nullptr;
    HBITMAP m_Bitmap = nullptr;
    HFONT m_Font = nullptr;
    HGDIOBJ m_PreviousBitmap = nullptr;
    HGDIOBJ m_PreviousFont = nullptr;
    uint32_t* m_Bits = nullptr;
    int m_Width = 0;
    int m_Height = 0;
};

TEST_F(Win32GdiText, GlyphCellsComeOutAsWhiteInkOnBlack)
{
    Make(kTextureSize, kTextureSize, Verdana(13));
    EXPECT_EQ(MM_TEXT, SetMapMode(m_hdc, MM_TEXT));
    SetTextColor(m_hdc, kWhite);
    EXPECT_EQ(static_cast<UINT>(TA_TOP | TA_LEFT), SetTextAlign(m_hdc, TA_TOP | TA_LEFT));
    EXPECT_EQ(kWhite, SetBkColor(m_hdc, kPaletteWhite)); // white is the default

    // Each character in its own cell, a pixel apart, as a glyph texture is laid out.
    std::vector<RECT> cells;
    int x = 0;
    for (const char* character : {"A", "g", "i", " ", "W"}) {
        const SIZE size = Extent(character);
        const RECT cell = {x, 3, x + size.cx, 3 + size.cy};
        EXPECT_TRUE(ExtTextOutA(m_hdc, cell.left, cell.top, ETO_OPAQUE, &cell, character, 1, nullptr));
        cells.push_back(cell);
        x += size.cx + 1;
    }

    std::vector<int> inked(cells.size(), 0);
    for (int y = 0; y < m_Height; ++y) {
        for (int column = 0; column < m_Width; ++column) {
            const uint32_t pixel = At(column, y);
            size_t cell = 0;
            while (cell < cells.size() && !Inside(column, y, cells[cell]))
                ++cell;
            if (cell == cells.size()) {
                ASSERT_EQ(kUntouched, pixel) << column << "," << y;
                continue;
            }
            ASSERT_TRUE(IsGrey(pixel)) << std::hex << pixel;
            inked[cell] += (pixel & kBlueMask) != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(inked[0], 10); // A
    EXPECT_GT(inked[1], 10); // g
    EXPECT_GT(inked[2], 3);  // i
    EXPECT_EQ(0, inked[3]);  // the space is all background
    EXPECT_GT(inked[4], inked[0]);
}

TEST_F(Win32GdiText, TransparentTextKeepsTheGroundAndAClipHoldsIt)
{
    Make(16, 10, Verdana(20, true));
    SetTextColor(m_hdc, RGB(0, 0, 0));
    EXPECT_EQ(OPAQUE, SetBkMode(m_hdc, TRANSPARENT));

    // A run far wider and taller than the bitmap, hanging off its top-left,
    // clipped further to a small rectangle.
    const RECT clip = {3, 2, 11, 8};
    EXPECT_TRUE(ExtTextOutA(m_hdc, -4, -6, ETO_CLIPPED, &clip, "MWMWMWMW", 8, nullptr));
    int inked = 0;
    int kept = 0;
    for (int y = 0; y < m_Height; ++y) {
        for (int x = 0; x < m_Width; ++x) {
            if (!Inside(x, y, clip)) {
                ASSERT_EQ(kUntouched, At(x, y)) << x << "," << y;
                continue;
            }
            inked += At(x, y) != kUntouched ? 1 : 0;
            kept += At(x, y) == kUntouched ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 0);
    EXPECT_GT(kept, 0);

    // Off the bitmap altogether: drawn (nowhere) without complaint.
    EXPECT_TRUE(TextOutA(m_hdc, INT_MAX - 2, INT_MAX - 2, "MWMW", 4));
    EXPECT_TRUE(TextOutA(m_hdc, INT_MIN, 0, "MWMW", 4));
}

TEST_F(Win32GdiText, ExtentsAreTheSumOfTheAdvancesInOneCellHeight)
{
    Make(8, 8, Verdana(13));
    const SIZE m = Extent("M");
    const SIZE space = Extent(" ");
    const SIZE run = Extent("M M");
    EXPECT_EQ(2 * m.cx + space.cx, run.cx);
    EXPECT_EQ(m.cy, run.cy);
    const SIZE empty = Extent("");
    EXPECT_EQ(0, empty.cx);
    EXPECT_EQ(m.cy, empty.cy);

    HFONT bigger = Verdana(26);
    SelectObject(m_hdc, bigger);
    EXPECT_GT(Extent("M").cx, m.cx);
    EXPECT_GT(Extent("M").cy, m.cy);
    SelectObject(m_hdc, m_Font);
    EXPECT_TRUE(DeleteObject(bigger));
}

TEST(Win32GdiTextCalls, DeviceCapsAndMulDiv)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(96, GetDeviceCaps(hdc, LOGPIXELSY));
    EXPECT_EQ(96, GetDeviceCaps(hdc, LOGPIXELSX));
    EXPECT_EQ(0, GetDeviceCaps(hdc, 0));
    EXPECT_EQ(0, GetDeviceCaps(nullptr, LOGPIXELSY));
    EXPECT_TRUE(DeleteDC(hdc));

    struct Case {
        int number, numerator, denominator, expected;
    };
    const Case cases[] = {
        {13, 96, 72, 17}, {8, 96, 72, 11}, {-13, 96, 72, -17}, {13, -96, 72, -17}, {13, 96, -72, -17},
        {5, 1, 2, 3},     {-5, 1, 2, -3},  {1, 1, 0, -1},     {INT_MAX, 2, 1, -1},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, MulDiv(c.number, c.numerator, c.denominator))
            << c.number << " " << c.numerator << " " << c.denominator;
}

TEST(Win32GdiTextCalls, WhatIsNotDrawnIsRefused)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    void* bits = &hdc;
    BITMAPINFO bottomUp = TopDown32(4, 4);
    bottomUp.bmiHeader.biHeight = 4;
    BITMAPINFO threeBytes = TopDown32(4, 4);
    threeBytes.bmiHeader.biBitCount = 24;
    BITMAPINFO huge = TopDown32(4, 4);
    huge.bmiHeader.biHeight = INT_MIN;
    const BITMAPINFO* const refused[] = {&bottomUp, &threeBytes, &huge, nullptr};
    for (const BITMAPINFO* info : refused) {
        EXPECT_EQ(nullptr, CreateDIBSection(hdc, info, DIB_RGB_COLORS, &bits, nullptr, 0));
        EXPECT_EQ(nullptr, bits);
    }

    const BOOL underline = TRUE;
    EXPECT_EQ(nullptr, CreateFontA(-17, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                   DEFAULT_PITCH, "Verdana"));
    EXPECT_EQ(GDI_ERROR, SetTextAlign(hdc, kBaselineAlignment));
    EXPECT_EQ(0, SetMapMode(hdc, MM_TEXT + 1));
    EXPECT_EQ(CLR_INVALID, SetBkColor(nullptr, 0));
    const int spacing[] = {5};
    EXPECT_FALSE(ExtTextOutA(hdc, 0, 0, 0, nullptr, "A", 1, spacing));
    EXPECT_FALSE(ExtTextOutA(hdc, 0, 0, 0, nullptr, nullptr, 1, nullptr));
    EXPECT_FALSE(TextOutA(hdc, 0, 0, "A", -1));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "A", 1));
    SIZE size = {};
    EXPECT_FALSE(GetTextExtentPoint32A(hdc, "A", -1, &size));
    EXPECT_FALSE(GetTextExtentPoint32A(hdc, "A", 1, nullptr));

    // The system font measures and draws, into nothing, on a fresh context.
    EXPECT_TRUE(GetTextExtentPoint32A(hdc, "Loading...", 10, &size));
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(size.cy, 0);
    EXPECT_TRUE(TextOutA(hdc, 0, 0, "Loading...", 10));
    EXPECT_TRUE(DeleteDC(hdc));
}

} // namespace
