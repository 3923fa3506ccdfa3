#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/BmpImage.h"
#include "platform/d3dx8/D3DX8Image.h"
#include "platform/d3dx8/D3DXTestDevice.h"
#include "platform/d3dx8/ImageFile.h"
#include "platform/d3dx8/PngFileBuilder.h"
#include "support/TempDir.h"

namespace {

constexpr uint32_t kMagenta = 0xFFFF00FF;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kKeyed = 0x00000000;

std::string AsText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// 4 x 2: magenta and green alternating, the bottom-right corner blue.
ArgbImage Checker()
{
    ArgbImage image;
    image.width = 4;
    image.height = 2;
    image.pixels = {kMagenta, kGreen, kMagenta, kGreen, kGreen, kMagenta, kGreen, 0xFF0000FF};
    return image;
}

class D3DXImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Device.CreateStateOnly());
        m_Dir.Write("Assets/Images/Checker.bmp", AsText(EncodeBmp24(Checker())));
        PngFileSpec png;
        png.width = 5;
        png.height = 3;
        png.samples.assign(5 * 3 * 3, 0x40);
        m_Dir.Write("Assets/Images/Grey.png", AsText(BuildPngFile(png)));
        m_Dir.Write("Assets/Images/Broken.png", "\x89PNG\r\n\x1a\n broken");
    }

    IDirect3DSurface8* Surface(UINT width, UINT height, uint32_t fill)
    {
        return MakeImageSurface(m_Device.Get(), width, height, std::vector<uint32_t>(width * height, fill));
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
    D3DXTestDevice m_Device;
};

TEST_F(D3DXImage, InformationGivesSizeAndFileFormat)
{
    struct Case {
        const char* path;
        UINT width, height;
        D3DXIMAGE_FILEFORMAT format;
    };
    const Case cases[] = {
        {"Assets\\Images\\checker.bmp", 4, 2, D3DXIFF_BMP},
        {"assets\\images\\GREY.PNG", 5, 3, D3DXIFF_PNG},
        {KELM_FIXTURES_DIR "/images/quadrants.jpg", 16, 16, D3DXIFF_JPG},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.path);
        D3DXIMAGE_INFO info = {};
        ASSERT_EQ(D3D_OK, D3DXGetImageInfoFromFile(test.path, &info));
        EXPECT_EQ(test.width, info.Width);
        EXPECT_EQ(test.height, info.Height);
        EXPECT_EQ(1u, info.Depth);
        EXPECT_EQ(1u, info.MipLevels);
        EXPECT_EQ(D3DFMT_A8R8G8B8, info.Format);
        EXPECT_EQ(test.format, info.ImageFileFormat);
    }
}

// The game reads a height of 0 as "cannot be read", so a failure never leaves
// an earlier answer behind.
TEST_F(D3DXImage, InformationOfUnreadableFileIsCleared)
{
    for (const char* path : {"Assets\\Images\\Missing.png", "Assets\\Images\\Broken.png"}) {
        SCOPED_TRACE(path);
        D3DXIMAGE_INFO info = {};
        info.Width = 64;
        info.Height = 64;
        EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXGetImageInfoFromFile(path, &info));
        EXPECT_EQ(0u, info.Width);
        EXPECT_EQ(0u, info.Height);
    }
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXGetImageInfoFromFile("Assets\\Images\\Grey.png", nullptr));
}

TEST_F(D3DXImage, LoadsSurfaceWithAndWithoutColourKey)
{
    IDirect3DSurface8* surface = Surface(4, 2, 0x12345678);
    ASSERT_NE(nullptr, surface);
    D3DXIMAGE_INFO info = {};
    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromFile(surface, nullptr, nullptr, "Assets\\Images\\Checker.bmp", nullptr,
                                              D3DX_FILTER_NONE, kMagenta, &info));
    EXPECT_EQ(4u, info.Width);
    EXPECT_EQ(2u, info.Height);
    EXPECT_EQ((std::vector<uint32_t>{kKeyed, kGreen, kKeyed, kGreen, kGreen, kKeyed, kGreen, 0xFF0000FF}),
              ReadSurfacePixels(surface));

    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromFile(surface, nullptr, nullptr, "Assets\\Images\\Checker.bmp", nullptr,
                                              D3DX_FILTER_NONE, 0, nullptr));
    EXPECT_EQ(Checker().pixels, ReadSurfacePixels(surface));
    surface->Release();
}

// Without a filter nothing is scaled: a larger surface gets the image in its
// top-left corner and transparent black around it; rectangles pick parts.
TEST_F(D3DXImage, LoadsUnfilteredIntoRectanglesAndLargerSurfaces)
{
    IDirect3DSurface8* surface = Surface(6, 3, 0x12345678);
    ASSERT_NE(nullptr, surface);
    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromFile(surface, nullptr, nullptr, "Assets\\Images\\Checker.bmp", nullptr,
                                              D3DX_FILTER_NONE, 0, nullptr));
    const std::vector<uint32_t> padded = ReadSurfacePixels(surface);
    EXPECT_EQ((std::vector<uint32_t>{kMagenta, kGreen, kMagenta, kGreen, 0, 0,   //
                                     kGreen, kMagenta, kGreen, 0xFF0000FF, 0, 0, //
                                     0, 0, 0, 0, 0, 0}),
              padded);

    const RECT source = {2, 1, 4, 2};
    const RECT dest = {1, 2, 3, 3};
    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromFile(surface, nullptr, &dest, "Assets\\Images\\Checker.bmp", &source,
                                              D3DX_FILTER_NONE, 0, nullptr));
    const std::vector<uint32_t> placed = ReadSurfacePixels(surface);
    EXPECT_EQ(kGreen, placed[2 * 6 + 1]);
    EXPECT_EQ(0xFF0000FFu, placed[2 * 6 + 2]);
    EXPECT_EQ(padded[0], placed[0]); // outside the rectangle nothing changed

    const RECT outlying = {2, 1, 5, 2};
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXLoadSurfaceFromFile(surface, nullptr, nullptr, "Assets\\Images\\Checker.bmp",
                                                          &outlying, D3DX_FILTER_NONE, 0, nullptr));
    EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXLoadSurfaceFromFile(surface, nullptr, nullptr, "Assets\\Images\\Broken.png",
                                                           nullptr, D3DX_FILTER_NONE, 0, nullptr));
    surface->Release();
}

TEST_F(D3DXImage, SavesSurfaceAsBmpThatLoadsBack)
{
    const std::vector<uint32_t> pattern = {0xFF102030, 0x80405060, 0xFF708090, 0x00A0B0C0, 0xFFD0E0F0, 0xFF010203};
    IDirect3DSurface8* surface = MakeImageSurface(m_Device.Get(), 3, 2, pattern);
    ASSERT_NE(nullptr, surface);
    ASSERT_EQ(D3D_OK, D3DXSaveSurfaceToFile("shot000.bmp", D3DXIFF_BMP, surface, nullptr, nullptr));

    ArgbImage saved;
    ImageFileType type = ImageFileType::Unknown;
    ASSERT_TRUE(LoadImageFile("shot000.bmp", saved, type));
    EXPECT_EQ(3u, saved.width);
    EXPECT_EQ(2u, saved.height);
    EXPECT_EQ((std::vector<uint32_t>{0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0, 0xFFD0E0F0, 0xFF010203}),
              saved.pixels);

    const RECT part = {1, 1, 3, 2};
    ASSERT_EQ(D3D_OK, D3DXSaveSurfaceToFile("Shots\\part.bmp", D3DXIFF_BMP, surface, nullptr, &part));
    ASSERT_TRUE(LoadImageFile("shots/part.bmp", saved, type));
    EXPECT_EQ((std::vector<uint32_t>{0xFFD0E0F0, 0xFF010203}), saved.pixels);

    const RECT outlying = {0, 0, 4, 2};
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXSaveSurfaceToFile("x.bmp", D3DXIFF_BMP, surface, nullptr, &outlying));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXSaveSurfaceToFile("x.png", D3DXIFF_PNG, surface, nullptr, nullptr));
    surface->Release();
}

} // namespace
