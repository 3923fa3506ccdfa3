#pragma once
// A rasteriser of known cells for the bitmap-font tests: every character's
// cell is DefaultCell unless overridden, and drawing fills the cell with Ink.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Display/FontRasteriser.h"

class FakeFontRasteriser : public CFontRasteriser {
public:
    bool BeginCanvas(int size) override;
    int GetPixelsPerInch() override { return PIXELS_PER_INCH; }
    bool SelectFont(const CFontRequest& request) override;
    SIZE MeasureChar(char c) override;
    void DrawChar(int x, int y, char c) override;
    const uint32_t* GetPixels() const override { return m_Pixels.empty() ? nullptr : m_Pixels.data(); }
    void EndCanvas() override;

    static const int PIXELS_PER_INCH = 96;

    SIZE m_DefaultCell = {16, 10};
    std::map<char, SIZE> m_Cells;
    uint32_t m_Ink = 0x00FFFFFF;
    bool m_bRefuseCanvas = false;

    // What the last font asked for, and how often a canvas was begun and ended.
    CFontRequest m_LastRequest;
    std::string m_LastFace;
    int m_Begun = 0;
    int m_Ended = 0;

private:
    int m_Size = 0;
    std::vector<uint32_t> m_Pixels;
};
