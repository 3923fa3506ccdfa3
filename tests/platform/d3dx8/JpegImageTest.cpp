#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/JpegImage.h"

namespace {

// The fixtures are 16 x 16 quadrants, top red | blue, bottom green | white
// (baseline and progressive), and a 16 x 8 grey image, 64 | 192.
std::vector<uint8_t> ReadFixture(const std::string& name)
{
    const std::string path = std::string(KELM_FIXTURES_DIR) + "/images/" + name;
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    int c = 0;
    while ((c = std::fgetc(file)) != EOF)
        bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(file);
    return bytes;
}

// Lossy coding moves each channel a little; the colours are far apart.
constexpr int kTolerance = 8;

void ExpectNear(uint32_t expected, uint32_t actual)
{
    for (int shift = 0; shift < 32; shift += 8) {
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        EXPECT_NEAR(e, a, kTolerance) << std::hex << "expected " << expected << " got " << actual;
    }
}

struct Sample {
    uint32_t x, y, colour;
};

struct FixtureCase {
    std::string file;
    uint32_t width, height;
    std::vector<Sample> samples;
};

TEST(JpegImage, DecodesBaselineProgressiveAndGrey)
{
    const std::vector<Sample> quadrants = {
        {2, 2, 0xFFFF0000}, {13, 2, 0xFF0000FF}, {2, 13, 0xFF00FF00}, {13, 13, 0xFFFFFFFF}};
    const std::vector<FixtureCase> cases = {
        {"quadrants.jpg", 16, 16, quadrants},
        {"quadrants-progressive.jpg", 16, 16, quadrants},
        {"grey.jpg", 16, 8, {{2, 2, 0xFF404040}, {13, 5, 0xFFC0C0C0}}},
    };
    for (const FixtureCase& test : cases) {
        SCOPED_TRACE(test.file);
        const std::vector<uint8_t> file = ReadFixture(test.file);
        ArgbImage image;
        ASSERT_TRUE(DecodeJpeg(file.data(), file.size(), image));
        ASSERT_EQ(test.width, image.width);
        ASSERT_EQ(test.height, image.height);
        ASSERT_EQ(static_cast<size_t>(test.width) * test.height, image.pixels.size());
        for (const Sample& sample : test.samples)
            ExpectNear(sample.colour, image.pixels[sample.y * image.width + sample.x]);
    }
}

// The frame header: FF C0 (baseline) or FF C2 (progressive), length,
// precision, then height and width, big-endian.
size_t FindFrameHeader(const std::vector<uint8_t>& file)
{
    for (size_t i = 2; i + 9 < file.size(); ++i) {
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2))
            return i;
    }
    return 0;
}

std::vector<uint8_t> WithSize(const std::string& fixture, uint16_t width, uint16_t height)
{
    std::vector<uint8_t> file = ReadFixture(fixture);
    const size_t frame = FindFrameHeader(file);
    EXPECT_NE(0u, frame);
    file[frame + 5] = static_cast<uint8_t>(height >> 8);
    file[frame + 6] = static_cast<uint8_t>(height);
    file[frame + 7] = static_cast<uint8_t>(width >> 8);
    file[frame + 8] = static_cast<uint8_t>(width);
    return file;
}

struct CorruptCase {
    std::string name;
    std::vector<uint8_t> file;
};

TEST(JpegImage, RejectsCorruptFilesCleanly)
{
    std::vector<uint8_t> noMarkers = ReadFixture("quadrants.jpg");
    noMarkers.resize(2);
    std::vector<uint8_t> notJpeg = ReadFixture("quadrants.jpg");
    notJpeg[1] = 0xD9;
    const uint16_t largest = static_cast<uint16_t>(kImageMaxDimension);
    const std::vector<CorruptCase> cases = {
        {"Empty", {}},
        {"OnlyStartMarker", noMarkers},
        {"NotJpeg", notJpeg},
        {"ZeroHeight", WithSize("quadrants.jpg", 16, 0)},
        {"WidthAboveLimit", WithSize("quadrants.jpg", largest + 1, 16)},
        // Within the limit but with data for one 16 x 16 picture: fails at the
        // first missing row instead of decoding grey filler.
        {"LargestSizeInTinyFile", WithSize("quadrants.jpg", largest, largest)},
        {"LargestProgressiveInTinyFile", WithSize("quadrants-progressive.jpg", largest, largest)},
    };
    for (const CorruptCase& test : cases) {
        SCOPED_TRACE(test.name);
        ArgbImage image;
        image.width = 7; // anything left over must go
        EXPECT_FALSE(DecodeJpeg(test.file.data(), test.file.size(), image));
        EXPECT_EQ(0u, image.width);
        EXPECT_EQ(0u, image.height);
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(JpegImage, EveryTruncationFails)
{
    for (const char* fixture : {"quadrants.jpg", "quadrants-progressive.jpg"}) {
        const std::vector<uint8_t> file = ReadFixture(fixture);
        ASSERT_FALSE(file.empty()) << fixture;
        ArgbImage image;
        for (size_t size = 0; size < file.size(); ++size)
            EXPECT_FALSE(DecodeJpeg(file.data(), size, image)) << fixture << " " << size;
    }
}

TEST(JpegImage, DamagedBytesGiveWholeImageOrNone)
{
    const std::vector<uint8_t> valid = ReadFixture("quadrants-progressive.jpg");
    for (size_t at = 0; at < valid.size(); ++at) {
        std::vector<uint8_t> file = valid;
        file[at] ^= 0x5A;
        ArgbImage image;
        if (DecodeJpeg(file.data(), file.size(), image))
            EXPECT_EQ(static_cast<size_t>(image.width) * image.height, image.pixels.size()) << at;
        else
            EXPECT_TRUE(image.pixels.empty()) << at;
    }
}

} // namespace
