#pragma once
// PNG files through libpng: every colour type and bit depth, interlaced or
// not, decoded to A8R8G8B8 rows from the top. Images without alpha come out
// opaque; a tRNS chunk becomes alpha.

#include <cstddef>
#include <cstdint>

#include "platform/d3dx8/ArgbImage.h"

// True when the data starts with the PNG signature.
bool IsPng(const uint8_t* data, size_t size);

// Decodes a whole PNG file held in memory. False, with `image` emptied, on a
// malformed, truncated or oversized file; libpng's own messages are not printed.
bool DecodePng(const uint8_t* data, size_t size, ArgbImage& image);
