#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/PngFileBuilder.h"
#include "platform/d3dx8/PngImage.h"

namespace {

constexpr uint8_t kGrey = 0;
constexpr uint8_t kRgb = 2;
constexpr uint8_t kPalette = 3;
constexpr uint8_t kGreyAlpha = 4;
constexpr uint8_t kRgba = 6;

struct DecodeCase {
    std::string name;
    PngFileSpec spec;
    std::vector<uint32_t> expected; // 2 x 2, top row first
};

PngFileSpec Spec(uint8_t colourType, uint8_t bitDepth, std::vector<uint16_t> samples)
{
    PngFileSpec spec;
    spec.colourType = colourType;
    spec.bitDepth = bitDepth;
    spec.samples = std::move(samples);
    return spec;
}

PngFileSpec Paletted(uint8_t bitDepth, std::vector<uint8_t> transparency)
{
    PngFileSpec spec = Spec(kPalette, bitDepth, {0, 1, 2, 1});
    spec.palette = {0xFF, 0x00, 0xFF, 0x10, 0x20, 0x30, 0x00, 0x80, 0x00};
    spec.transparency = std::move(transparency);
    return spec;
}

std::vector<DecodeCase> DecodeCases()
{
    PngFileSpec greyKey = Spec(kGrey, 8, {0x00, 0x40, 0x80, 0x40});
    greyKey.transparency = {0x00, 0x40};
    PngFileSpec rgbKey = Spec(kRgb, 8, {1, 2, 3, 4, 5, 6, 1, 2, 3, 7, 8, 9});
    rgbKey.transparency = {0, 1, 0, 2, 0, 3};

    return {
        {"GreyOneBit", Spec(kGrey, 1, {0, 1, 1, 0}), {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000}},
        {"GreyTwoBits", Spec(kGrey, 2, {0, 1, 2, 3}), {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}},
        {"GreyFourBits", Spec(kGrey, 4, {0, 5, 10, 15}), {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}},
        {"GreyEightBits", Spec(kGrey, 8, {0x12, 0x34, 0x56, 0x78}),
         {0xFF121212, 0xFF343434, 0xFF565656, 0xFF787878}},
        {"GreySixteenBitsKeepsHighByte", Spec(kGrey, 16, {0x12FF, 0x3400, 0xFFFF, 0}),
         {0xFF121212, 0xFF343434, 0xFFFFFFFF, 0xFF000000}},
        {"GreyWithKey", greyKey, {0xFF000000, 0x00404040, 0xFF808080, 0x00404040}},
        {"GreyAlpha", Spec(kGreyAlpha, 8, {0x10, 0x80, 0x20, 0xFF, 0x30, 0x00, 0x40, 0x01}),
         {0x80101010, 0xFF202020, 0x00303030, 0x01404040}},
        {"RgbEightBits", Spec(kRgb, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
         {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C}},
        {"RgbSixteenBits", Spec(kRgb, 16, {0x1111, 0x2222, 0x3333, 0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0x8000, 0, 0}),
         {0xFF112233, 0xFF000000, 0xFFFFFFFF, 0xFF800000}},
        {"RgbWithKey", rgbKey, {0x00010203, 0xFF040506, 0x00010203, 0xFF070809}},
        {"Rgba", Spec(kRgba, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
         {0x04010203, 0x08050607, 0x0C090A0B, 0x100D0E0F}},
        {"RgbaSixteenBits", Spec(kRgba, 16, {0x0100, 0x0200, 0x0300, 0xFFFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x8000}),
         {0xFF010203, 0x00000000, 0x00000000, 0x80000000}},
        {"PaletteTwoBits", Paletted(2, {}), {0xFFFF00FF, 0xFF102030, 0xFF008000, 0xFF102030}},
        {"PaletteEightBits", Paletted(8, {}), {0xFFFF00FF, 0xFF102030, 0xFF008000, 0xFF102030}},
        // A tRNS shorter than the palette leaves the remaining entries opaque.
        {"PaletteWithAlpha", Paletted(4, {0x00, 0x7F}), {0x00FF00FF, 0x7F102030, 0xFF008000, 0x7F102030}},
    };
}

TEST(PngImage, DecodesEveryColourTypeAndDepth)
{
    for (const DecodeCase& test : DecodeCases()) {
        SCOPED_TRACE(test.name);
        const std::vector<uint8_t> file = BuildPngFile(test.spec);
        ArgbImage image;
        ASSERT_TRUE(DecodePng(file.data(), file.size(), image));
        EXPECT_EQ(2u, image.width);
        EXPECT_EQ(2u, image.height);
        EXPECT_EQ(test.expected, image.pixels);
    }
}

// Odd sizes leave some Adam7 passes empty; every pixel must still land.
TEST(PngImage, DecodesInterlacedImages)
{
    PngFileSpec spec = Spec(kRgba, 8, {});
    spec.width = 5;
    spec.height = 3;
    spec.interlaced = true;
    std::vector<uint32_t> expected;
    for (uint16_t i = 0; i < 15; ++i) {
        spec.samples.insert(spec.samples.end(), {i, static_cast<uint16_t>(i * 2), static_cast<uint16_t>(i * 3), 0xFF});
        expected.push_back(PackArgb(0xFF, i, i * 2u, i * 3u));
    }
    const std::vector<uint8_t> file = BuildPngFile(spec);
    ArgbImage image;
    ASSERT_TRUE(DecodePng(file.data(), file.size(), image));
    EXPECT_EQ(5u, image.width);
    EXPECT_EQ(3u, image.height);
    EXPECT_EQ(expected, image.pixels);
}

std::vector<uint8_t> ValidFile()
{
    return BuildPngFile(Spec(kRgb, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

std::vector<uint8_t> WithHeaderField(size_t at, uint32_t value, size_t bytes)
{
    std::vector<uint8_t> file = ValidFile();
    for (size_t i = 0; i < bytes; ++i)
        file[at + i] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
    FixPngHeaderCrc(file);
    return file;
}

struct CorruptCase {
    std::string name;
    std::vector<uint8_t> file;
};

std::vector<CorruptCase> CorruptCases()
{
    std::vector<uint8_t> badSignature = ValidFile();
    badSignature[1] = 'Q';
    std::vector<uint8_t> badHeaderCrc = ValidFile();
    badHeaderCrc[29] ^= 0xFF;
    std::vector<uint8_t> badDataCrc = ValidFile();
    badDataCrc[badDataCrc.size() - 13] ^= 0xFF; // the IDAT CRC, before the 12-byte IEND
    PngFileSpec noPalette = Paletted(8, {});
    noPalette.palette.clear();
    PngFileSpec oneRow = Spec(kRgb, 8, {1, 2, 3, 4, 5, 6});
    oneRow.height = 1;
    std::vector<uint8_t> tooLittleData = BuildPngFile(oneRow);
    tooLittleData[kPngHeightOffset + 3] = 2; // claims two rows where the data holds one
    FixPngHeaderCrc(tooLittleData);

    return {
        {"Empty", {}},
        {"BadSignature", badSignature},
        {"BadHeaderCrc", badHeaderCrc},
        {"BadDataCrc", badDataCrc},
        {"ZeroWidth", WithHeaderField(kPngWidthOffset, 0, 4)},
        {"ZeroHeight", WithHeaderField(kPngHeightOffset, 0, 4)},
        {"WidthAboveLimit", WithHeaderField(kPngWidthOffset, kImageMaxDimension + 1, 4)},
        {"NegativeHeight", WithHeaderField(kPngHeightOffset, 0x80000000u, 4)},
        // Within the limit but more pixels than the file could ever inflate to.
        {"LargestSizeInTinyFile", WithHeaderField(kPngWidthOffset, kImageMaxDimension, 4)},
        {"BadBitDepth", WithHeaderField(kPngBitDepthOffset, 5, 1)},
        {"PaletteWithoutPlte", BuildPngFile(noPalette)},
        {"TooLittleImageData", tooLittleData},
    };
}

TEST(PngImage, RejectsCorruptFilesCleanly)
{
    for (const CorruptCase& test : CorruptCases()) {
        SCOPED_TRACE(test.name);
        ArgbImage image;
        image.width = 7; // anything left over must go
        EXPECT_FALSE(DecodePng(test.file.data(), test.file.size(), image));
        EXPECT_EQ(0u, image.width);
        EXPECT_EQ(0u, image.height);
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(PngImage, EveryTruncationFails)
{
    const std::vector<uint8_t> file = ValidFile();
    ArgbImage image;
    for (size_t size = 0; size < file.size(); ++size)
        EXPECT_FALSE(DecodePng(file.data(), size, image)) << size;
}

// Whatever a flipped byte does, the result is a whole image or none.
TEST(PngImage, DamagedBytesGiveWholeImageOrNone)
{
    const std::vector<uint8_t> valid = ValidFile();
    for (size_t at = 0; at < valid.size(); ++at) {
        std::vector<uint8_t> file = valid;
        file[at] ^= 0x5A;
        ArgbImage image;
        if (DecodePng(file.data(), file.size(), image))
            EXPECT_EQ(static_cast<size_t>(image.width) * image.height, image.pixels.size()) << at;
        else
            EXPECT_TRUE(image.pixels.empty()) << at;
    }
}

} // namespace
