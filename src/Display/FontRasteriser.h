#pragma once
// The GDI side of building a bitmap font: a square memory canvas with one
// font selected into it, on which each character is measured and drawn white
// on black. CFont2D builds its glyph texture through this interface only, so
// that the layout can be checked against a rasteriser of known extents.

#include <cstdint>

#include "platform/win32/Windows.h"

// What the font asks of GDI's CreateFontA.
struct CFontRequest {
    int m_Height = 0; // negative: the character height in pixels
    int m_Weight = FW_NORMAL;
    bool m_bItalic = false;
    DWORD m_Quality = ANTIALIASED_QUALITY;
    const char* m_pFaceName = "";
};

class CFontRasteriser {
public:
    virtual ~CFontRasteriser() = default;

    // A size x size canvas of 32-bit pixels, top row first, black. False when
    // it cannot be made.
    virtual bool BeginCanvas(int size) = 0;
    // The canvas's vertical resolution in dots per inch.
    virtual int GetPixelsPerInch() = 0;
    // Creates the font and makes it, white text and a black ground current.
    virtual bool SelectFont(const CFontRequest& request) = 0;
    // The cell of one character; 0 x 0 when it cannot be measured.
    virtual SIZE MeasureChar(char c) = 0;
    // Draws one character with its cell's top-left corner at (x, y); the
    // cell's ground is painted too. Ink outside the canvas is clipped.
    virtual void DrawChar(int x, int y, char c) = 0;
    // The canvas's pixels (0x00RRGGBB: the coverage is in every channel);
    // null before BeginCanvas.
    virtual const uint32_t* GetPixels() const = 0;
    // Releases the canvas and the font; the pixels go with them.
    virtual void EndCanvas() = 0;
};

// The real one, on the Win32 GDI calls.
class CGdiFontRasteriser : public CFontRasteriser {
public:
    CGdiFontRasteriser() = default;
    ~CGdiFontRasteriser() override;
    CGdiFontRasteriser(const CGdiFontRasteriser&) = delete;
    CGdiFontRasteriser& operator=(const CGdiFontRasteriser&) = delete;

    bool BeginCanvas(int size) override;
    int GetPixelsPerInch() override;
    bool SelectFont(const CFontRequest& request) override;
    SIZE MeasureChar(char c) override;
    void DrawChar(int x, int y, char c) override;
    const uint32_t* GetPixels() const override { return m_pBits; }
    void EndCanvas() override;

private:
    HDC m_hDC = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HFONT m_hFont = nullptr;
    HGDIOBJ m_hOldBitmap = nullptr;
    HGDIOBJ m_hOldFont = nullptr;
    uint32_t* m_pBits = nullptr;
};
