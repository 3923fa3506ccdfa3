#include "platform/gdi/PixelCanvas.h"

#include <algorithm>

namespace {

constexpr uint32_t kChannelMask = 0xFF;
constexpr int kRedShift = 16;
constexpr int kGreenShift = 8;
constexpr uint32_t kFullCoverage = 255;

uint32_t Mix(uint32_t under, uint32_t over, uint32_t coverage, int shift)
{
    const uint32_t below = (under >> shift) & kChannelMask;
    const uint32_t above = (over >> shift) & kChannelMask;
    const uint32_t mixed =
        (above * coverage + below * (kFullCoverage - coverage) + kFullCoverage / 2) / kFullCoverage;
    return mixed << shift;
}

} // namespace

PixelCanvas::PixelCanvas(uint32_t* pixels, int width, int height)
    : m_Pixels(pixels), m_Width(pixels != nullptr ? std::max(width, 0) : 0),
      m_Height(pixels != nullptr ? std::max(height, 0) : 0)
{
}

void PixelCanvas::Fill(const PixelRect& area, uint32_t rgb)
{
    const PixelRect clipped = Intersect(area, Bounds());
    if (clipped.IsEmpty())
        return;
    for (int y = clipped.top; y < clipped.bottom; ++y) {
        uint32_t* row = m_Pixels + static_cast<size_t>(y) * m_Width;
        std::fill(row + clipped.left, row + clipped.right, rgb);
    }
}

void PixelCanvas::Blend(const TextCoverage& coverage, int cellX, int cellY, uint32_t rgb)
{
    // Where the coverage lands, in long arithmetic: a cell may lie far out.
    const long long left = static_cast<long long>(cellX) + coverage.left;
    const long long top = static_cast<long long>(cellY) + coverage.top;
    const long long firstX = std::max<long long>(0, -left);
    const long long firstY = std::max<long long>(0, -top);
    const long long endX = std::min<long long>(coverage.width, m_Width - left);
    const long long endY = std::min<long long>(coverage.height, m_Height - top);
    for (long long y = firstY; y < endY; ++y) {
        uint32_t* row = m_Pixels + static_cast<size_t>(top + y) * m_Width;
        for (long long x = firstX; x < endX; ++x) {
            const uint32_t level = coverage.At(static_cast<int>(x), static_cast<int>(y));
            if (level == 0)
                continue;
            uint32_t& pixel = row[left + x];
            pixel = Mix(pixel, rgb, level, kRedShift) | Mix(pixel, rgb, level, kGreenShift) |
                    Mix(pixel, rgb, level, 0);
        }
    }
}
