#pragma once
// Lays out small PNG files byte by byte for the decoder tests: the image data
// goes into stored (uncompressed) deflate blocks, so any colour type, depth
// and interlacing can be written without an encoder, and damaged on purpose.

#include <cstddef>
#include <cstdint>
#include <vector>

struct PngFileSpec {
    uint32_t width = 2;
    uint32_t height = 2;
    uint8_t bitDepth = 8;
    uint8_t colourType = 2; // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    bool interlaced = false;
    std::vector<uint8_t> palette;      // PLTE body: red, green, blue triples
    std::vector<uint8_t> transparency; // tRNS body, written when not empty
    std::vector<uint16_t> samples;     // width * height * channels, top row first
};

std::vector<uint8_t> BuildPngFile(const PngFileSpec& spec);

// Offsets into a built file, for patching its header.
constexpr size_t kPngWidthOffset = 16;
constexpr size_t kPngHeightOffset = 20;
constexpr size_t kPngBitDepthOffset = 24;

// Recomputes the CRC of the IHDR chunk after its fields were patched.
void FixPngHeaderCrc(std::vector<uint8_t>& file);
