#pragma once
// Windows bitmap files, read and written by our own code: the splash screen,
// BMP textures and screenshots all go through here.
//
// Decoded pixels are 32-bit A8R8G8B8 words (0xAARRGGBB), rows from the top.
// Read: 1, 4 and 8-bit palettised, 24-bit and 32-bit BI_RGB, and 32-bit
// BI_BITFIELDS, stored bottom-up or top-down. Written: 24-bit BI_RGB.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3dx8/ArgbImage.h"

// Bitmaps decode to the same picture as every other image file.
using BmpImage = ArgbImage;

constexpr uint32_t kBmpMaxDimension = kImageMaxDimension;

// Decodes a whole BMP file held in memory. False, with `image` emptied, on any
// malformed or unsupported file: every header field, offset and palette index
// is checked against the data before it is used.
bool DecodeBmp(const uint8_t* data, size_t size, BmpImage& image);

// Encodes `image` as a bottom-up 24-bit BMP file; alpha is dropped. Empty when
// the image is empty or its pixel count does not match its size.
std::vector<uint8_t> EncodeBmp24(const BmpImage& image);
