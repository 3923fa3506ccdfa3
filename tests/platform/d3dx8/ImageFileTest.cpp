#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/BmpImage.h"
#include "platform/d3dx8/ImageFile.h"
#include "platform/d3dx8/PngFileBuilder.h"
#include "support/TempDir.h"

namespace {

std::string AsText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

ArgbImage TwoByOne(uint32_t left, uint32_t right)
{
    ArgbImage image;
    image.width = 2;
    image.height = 1;
    image.pixels = {left, right};
    return image;
}

std::vector<uint8_t> TwoByOnePng()
{
    PngFileSpec spec;
    spec.width = 2;
    spec.height = 1;
    spec.samples = {0xFF, 0, 0xFF, 1, 2, 3};
    return BuildPngFile(spec);
}

class ImageFileTest : public ::testing::Test {
protected:
    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
};

// The first bytes decide, whatever the name says: a PNG named .bmp is a PNG.
TEST_F(ImageFileTest, LoadsByContentThroughGamePaths)
{
    const std::vector<uint8_t> jpegStart = {0xFF, 0xD8, 0xFF};
    EXPECT_EQ(ImageFileType::Jpeg, DetectImageFileType(jpegStart.data(), jpegStart.size()));
    m_Dir.Write("Assets/Images/Misnamed.bmp", AsText(TwoByOnePng()));
    m_Dir.Write("Assets/Images/plain.BMP", AsText(EncodeBmp24(TwoByOne(0xFF102030, 0xFF405060))));

    ArgbImage image;
    ImageFileType type = ImageFileType::Unknown;
    ASSERT_TRUE(LoadImageFile("assets\\images\\misnamed.bmp", image, type));
    EXPECT_EQ(ImageFileType::Png, type);
    EXPECT_EQ(TwoByOne(0xFFFF00FF, 0xFF010203).pixels, image.pixels);

    ASSERT_TRUE(LoadImageFile("Assets\\Images\\Plain.bmp", image, type));
    EXPECT_EQ(ImageFileType::Bmp, type);
    EXPECT_EQ(TwoByOne(0xFF102030, 0xFF405060).pixels, image.pixels);
}

TEST_F(ImageFileTest, MissingUnknownAndCorruptFilesFail)
{
    m_Dir.Write("text.png", "not an image at all");
    std::vector<uint8_t> damaged = TwoByOnePng();
    damaged.resize(damaged.size() / 2);
    m_Dir.Write("damaged.png", AsText(damaged));
    m_Dir.Write("empty.bmp", "");

    for (const char* path : {"nothere.png", "text.png", "damaged.png", "empty.bmp", "."}) {
        SCOPED_TRACE(path);
        ArgbImage image;
        image.width = 3;
        ImageFileType type = ImageFileType::Png;
        EXPECT_FALSE(LoadImageFile(path, image, type));
        EXPECT_TRUE(image.pixels.empty());
        EXPECT_EQ(0u, image.width);
    }
}

TEST_F(ImageFileTest, SavesBmpThatLoadsBackOpaque)
{
    ASSERT_TRUE(SaveBmpFile("Shots\\shot000.bmp", TwoByOne(0x00FF0000, 0x80010203)));
    ArgbImage image;
    ImageFileType type = ImageFileType::Unknown;
    ASSERT_TRUE(LoadImageFile("shots/shot000.bmp", image, type));
    EXPECT_EQ(ImageFileType::Bmp, type);
    EXPECT_EQ(2u, image.width);
    EXPECT_EQ(1u, image.height);
    EXPECT_EQ(TwoByOne(0xFFFF0000, 0xFF010203).pixels, image.pixels);

    EXPECT_FALSE(SaveBmpFile("bad.bmp", ArgbImage()));
    m_Dir.Write("blocker", "a file where a folder should be");
    EXPECT_FALSE(SaveBmpFile("blocker\\shot.bmp", TwoByOne(0, 0)));
}

} // namespace
