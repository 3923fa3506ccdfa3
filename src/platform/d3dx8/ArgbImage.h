#pragma once
// A decoded picture as every image decoder hands it back: 32-bit A8R8G8B8
// words (0xAARRGGBB), `width` per row, rows from the top.

#include <cstddef>
#include <cstdint>
#include <vector>

struct ArgbImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels; // width * height words, top row first
};

// The largest width or height any decoder accepts; anything larger is treated
// as a corrupt header rather than an allocation to attempt.
constexpr uint32_t kImageMaxDimension = 16384;

inline uint32_t PackArgb(uint32_t alpha, uint32_t red, uint32_t green, uint32_t blue)
{
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}
