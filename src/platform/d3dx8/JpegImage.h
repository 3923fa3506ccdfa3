#pragma once
// JPEG files through libjpeg: baseline and progressive, colour or grey,
// decoded to opaque A8R8G8B8 rows from the top.

#include <cstddef>
#include <cstdint>

#include "platform/d3dx8/ArgbImage.h"

// True when the data starts with a JPEG start-of-image marker.
bool IsJpeg(const uint8_t* data, size_t size);

// Decodes a whole JPEG file held in memory. False, with `image` emptied, on a
// malformed, truncated or oversized file: libjpeg's warnings about corrupt or
// missing data count as failures, and its messages are not printed.
bool DecodeJpeg(const uint8_t* data, size_t size, ArgbImage& image);
