#pragma once
// Text painted into a bitmap held in memory: 32-bit pixels (0x00RRGGBB words,
// alpha unused), rows from the top, each row `width` pixels. Every write is
// clipped to the bitmap.

#include <cstdint>

#include "platform/gdi/FontFace.h"
#include "platform/gdi/PixelRect.h"

class PixelCanvas {
public:
    PixelCanvas(uint32_t* pixels, int width, int height);

    PixelRect Bounds() const { return {0, 0, m_Width, m_Height}; }

    void Fill(const PixelRect& area, uint32_t rgb);
    // Lays `rgb` over the pixels by coverage; the coverage's cell has its
    // top-left at (cellX, cellY).
    void Blend(const TextCoverage& coverage, int cellX, int cellY, uint32_t rgb);

private:
    uint32_t* m_Pixels;
    int m_Width;
    int m_Height;
};
