#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/BmpImage.h"

namespace {

constexpr uint32_t kBitfields = 3;

// What a test file holds; BuildBmp lays it out the way Windows writes it.
struct BmpLayout {
    uint32_t headerSize = 40;
    int32_t width = 3;
    int32_t height = 2; // negative: top-down
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    std::vector<uint32_t> palette; // 0xRRGGBB
    uint32_t masks[4] = {0, 0, 0, 0};
    std::vector<uint32_t> values; // per pixel, top row first: an index or the stored pixel
};

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> BuildRow(const BmpLayout& layout, int row)
{
    const uint32_t width = static_cast<uint32_t>(layout.width);
    const size_t stride = ((width * layout.bitCount + 31) / 32) * 4;
    std::vector<uint8_t> bytes(stride, 0);
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t value = layout.values[row * width + x];
        if (layout.bitCount < 8) {
            const uint32_t perByte = 8 / layout.bitCount;
            const uint32_t shift = 8 - layout.bitCount * (x % perByte + 1);
            bytes[x / perByte] |= static_cast<uint8_t>(value << shift);
        } else if (layout.bitCount == 8) {
            bytes[x] = static_cast<uint8_t>(value);
        } else if (layout.bitCount == 24) {
            bytes[x * 3] = static_cast<uint8_t>(value);
            bytes[x * 3 + 1] = static_cast<uint8_t>(value >> 8);
            bytes[x * 3 + 2] = static_cast<uint8_t>(value >> 16);
        } else {
            Put32(bytes, x * 4, value);
        }
    }
    return bytes;
}

std::vector<uint8_t> BuildBmp(const BmpLayout& layout)
{
    const bool separateMasks = layout.compression == kBitfields && layout.headerSize == 40;
    const size_t paletteOffset = 14 + layout.headerSize + (separateMasks ? 12 : 0);
    const size_t dataOffset = paletteOffset + layout.palette.size() * 4;
    std::vector<uint8_t> out(dataOffset, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 10, static_cast<uint32_t>(dataOffset));
    Put32(out, 14, layout.headerSize);
    Put32(out, 18, static_cast<uint32_t>(layout.width));
    Put32(out, 22, static_cast<uint32_t>(layout.height));
    Put16(out, 26, 1);
    Put16(out, 28, layout.bitCount);
    Put32(out, 30, layout.compression);
    Put32(out, 46, layout.coloursUsed);
    const size_t maskOffset = separateMasks ? 54 : (layout.headerSize >= 52 ? 54 : 0);
    if (maskOffset != 0) {
        for (int i = 0; i < 3; ++i)
            Put32(out, maskOffset + 4 * i, layout.masks[i]);
    }
    if (layout.headerSize >= 56)
        Put32(out, 66, layout.masks[3]);
    for (size_t i = 0; i < layout.palette.size(); ++i)
        Put32(out, paletteOffset + 4 * i, layout.palette[i]);

    const int rows = layout.height < 0 ? -layout.height : layout.height;
    for (int i = 0; i < rows; ++i) {
        // Bottom-up files store the bottom row first.
        const int row = layout.height < 0 ? i : rows - 1 - i;
        const std::vector<uint8_t> bytes = BuildRow(layout, row);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    Put32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

const std::vector<uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080};

BmpLayout Paletted(uint16_t bitCount, std::vector<uint32_t> indices, int32_t height = 2)
{
    BmpLayout layout;
    layout.bitCount = bitCount;
    layout.height = height;
    layout.palette = kPalette;
    layout.coloursUsed = static_cast<uint32_t>(kPalette.size());
    if (bitCount == 1) {
        layout.palette.resize(2);
        layout.coloursUsed = 0; // the full two-entry palette
    }
    layout.values = std::move(indices);
    return layout;
}

BmpLayout TrueColour(uint16_t bitCount, std::vector<uint32_t> stored, int32_t height = 2)
{
    BmpLayout layout;
    layout.bitCount = bitCount;
    layout.height = height;
    layout.values = std::move(stored);
    return layout;
}

BmpLayout Bitfields(uint32_t headerSize, const uint32_t (&masks)[4], std::vector<uint32_t> stored)
{
    BmpLayout layout;
    layout.headerSize = headerSize;
    layout.bitCount = 32;
    layout.compression = kBitfields;
    for (int i = 0; i < 4; ++i)
        layout.masks[i] = masks[i];
    layout.values = std::move(stored);
    return layout;
}

struct DecodeCase {
    std::string name;
    BmpLayout layout;
    std::vector<uint32_t> expected; // A8R8G8B8, top row first
};

std::vector<DecodeCase> DecodeCases()
{
    const uint32_t argbMasks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    const uint32_t tenBitMasks[4] = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
    const uint32_t rgbMasks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    return {
        {"OneBitBottomUp", Paletted(1, {1, 0, 1, 0, 1, 1}),
         {0xFFFF0000, 0xFF000000, 0xFFFF0000, 0xFF000000, 0xFFFF0000, 0xFFFF0000}},
        {"FourBitTopDown", Paletted(4, {0, 1, 2, 3, 4, 1}, -2),
         {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF808080, 0xFFFF0000}},
        {"EightBitBottomUp", Paletted(8, {4, 3, 2, 1, 0, 4}),
         {0xFF808080, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFF000000, 0xFF808080}},
        {"TwentyFourBitPadded", TrueColour(24, {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203}),
         {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0, 0xFFD0E0F0, 0xFF010203}},
        {"TwentyFourBitTopDown", TrueColour(24, {1, 2, 3, 4, 5, 6}, -2),
         {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004, 0xFF000005, 0xFF000006}},
        // The fourth byte of a plain 32-bit pixel is reserved, not alpha.
        {"ThirtyTwoBitIgnoresReservedByte", TrueColour(32, {0x00112233, 0x7F445566, 0, 0, 0, 0}),
         {0xFF112233, 0xFF445566, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000}},
        {"BitfieldsWithAlphaInV3Header", Bitfields(56, argbMasks, {0x80112233, 0, 0, 0, 0, 0xFFFFFFFF}),
         {0x80112233, 0, 0, 0, 0, 0xFFFFFFFF}},
        {"BitfieldsMasksAfterPlainHeader", Bitfields(40, rgbMasks, {0x00112233, 0, 0, 0, 0, 0}),
         {0xFF112233, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000}},
        {"BitfieldsWidenTenBitChannels", Bitfields(124, tenBitMasks, {0xFFF00200, 0, 0, 0, 0, 0}),
         {0xFFFF0080, 0, 0, 0, 0, 0}},
    };
}

TEST(BmpImage, DecodesEverySupportedLayout)
{
    for (const DecodeCase& test : DecodeCases()) {
        SCOPED_TRACE(test.name);
        const std::vector<uint8_t> file = BuildBmp(test.layout);
        BmpImage image;
        ASSERT_TRUE(DecodeBmp(file.data(), file.size(), image));
        EXPECT_EQ(3u, image.width);
        EXPECT_EQ(2u, image.height);
        EXPECT_EQ(test.expected, image.pixels);
    }
}

BmpLayout ValidEightBit()
{
    return Paletted(8, {0, 1, 2, 3, 4, 0});
}

struct CorruptCase {
    std::string name;
    std::vector<uint8_t> file;
};

std::vector<uint8_t> Patched32(std::vector<uint8_t> file, size_t at, uint32_t value)
{
    Put32(file, at, value);
    return file;
}

std::vector<uint8_t> Patched16(std::vector<uint8_t> file, size_t at, uint16_t value)
{
    Put16(file, at, value);
    return file;
}

std::vector<CorruptCase> CorruptCases()
{
    const std::vector<uint8_t> valid = BuildBmp(ValidEightBit());
    std::vector<uint8_t> truncated = valid;
    truncated.pop_back();

    BmpLayout badIndex = ValidEightBit();
    badIndex.values[2] = 5; // one past the five colours used
    BmpLayout zeroMask = Bitfields(56, {0x00FF0000, 0, 0x000000FF, 0}, {0, 0, 0, 0, 0, 0});
    BmpLayout splitMask = Bitfields(56, {0x00F0F000, 0x00000F00, 0x000000FF, 0}, {0, 0, 0, 0, 0, 0});
    BmpLayout overlapping = Bitfields(56, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x000000FF}, {0, 0, 0, 0, 0, 0});
    BmpLayout bitfields24 = TrueColour(24, {0, 0, 0, 0, 0, 0});
    bitfields24.compression = kBitfields;

    return {
        {"Empty", {}},
        {"WrongMagic", Patched16(valid, 0, 0x4D43)},
        {"CoreHeader", Patched32(valid, 14, 12)},
        {"UnknownHeaderSize", Patched32(valid, 14, 64)},
        {"TwoPlanes", Patched16(valid, 26, 2)},
        {"SixteenBit", Patched16(valid, 28, 16)},
        {"RunLengthEncoded", Patched32(valid, 30, 1)},
        {"ZeroWidth", Patched32(valid, 18, 0)},
        {"NegativeWidth", Patched32(valid, 18, static_cast<uint32_t>(-3))},
        {"ZeroHeight", Patched32(valid, 22, 0)},
        {"HugeWidth", Patched32(valid, 18, 0x7FFFFFFF)},
        {"HugeHeight", Patched32(valid, 22, 1000000)},
        {"MostNegativeHeight", Patched32(valid, 22, 0x80000000)},
        {"TooManyColoursUsed", Patched32(valid, 46, 257)},
        {"DataOffsetInsidePalette", Patched32(valid, 10, 60)},
        {"DataOffsetPastEnd", Patched32(valid, 10, 0xFFFFFFF0)},
        {"TruncatedPixels", truncated},
        {"IndexBeyondPalette", BuildBmp(badIndex)},
        {"ZeroColourMask", BuildBmp(zeroMask)},
        {"NonContiguousMask", BuildBmp(splitMask)},
        {"OverlappingMasks", BuildBmp(overlapping)},
        {"BitfieldsOnTwentyFourBits", BuildBmp(bitfields24)},
    };
}

TEST(BmpImage, RejectsCorruptFilesCleanly)
{
    for (const CorruptCase& test : CorruptCases()) {
        SCOPED_TRACE(test.name);
        BmpImage image;
        image.width = 7; // anything left over must go
        EXPECT_FALSE(DecodeBmp(test.file.data(), test.file.size(), image));
        EXPECT_EQ(0u, image.width);
        EXPECT_EQ(0u, image.height);
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(BmpImage, EveryTruncationFails)
{
    const std::vector<uint8_t> file = BuildBmp(Bitfields(40, {0xFF0000, 0xFF00, 0xFF, 0}, {1, 2, 3, 4, 5, 6}));
    BmpImage image;
    ASSERT_TRUE(DecodeBmp(file.data(), file.size(), image));
    for (size_t size = 0; size < file.size(); ++size)
        EXPECT_FALSE(DecodeBmp(file.data(), size, image)) << size;
}

TEST(BmpImage, EncodesTwentyFourBitsThatDecodeBack)
{
    BmpImage image;
    image.width = 3;
    image.height = 2;
    image.pixels = {0x80102030, 0xFF405060, 0x00708090, 0xFFA0B0C0, 0xFFD0E0F0, 0xFF010203};
    const std::vector<uint8_t> file = EncodeBmp24(image);

    // 3 pixels of 3 bytes pad to 12-byte rows after the 54 header bytes.
    ASSERT_EQ(54u + 2 * 12, file.size());
    EXPECT_EQ('B', file[0]);
    EXPECT_EQ('M', file[1]);
    BmpImage decoded;
    ASSERT_TRUE(DecodeBmp(file.data(), file.size(), decoded));
    EXPECT_EQ(3u, decoded.width);
    EXPECT_EQ(2u, decoded.height);
    const std::vector<uint32_t> opaque = {0xFF102030, 0xFF405060, 0xFF708090,
                                          0xFFA0B0C0, 0xFFD0E0F0, 0xFF010203};
    EXPECT_EQ(opaque, decoded.pixels);
}

TEST(BmpImage, EncodeRefusesInconsistentImages)
{
    BmpImage empty;
    EXPECT_TRUE(EncodeBmp24(empty).empty());
    BmpImage shortPixels;
    shortPixels.width = 2;
    shortPixels.height = 2;
    shortPixels.pixels = {1, 2, 3};
    EXPECT_TRUE(EncodeBmp24(shortPixels).empty());
}

} // namespace
