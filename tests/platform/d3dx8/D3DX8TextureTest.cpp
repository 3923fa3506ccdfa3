#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3d8/D3D8Platform.h"
#include "platform/d3dx8/BmpImage.h"
#include "platform/d3dx8/D3DX8Texture.h"
#include "platform/d3dx8/D3DXTestDevice.h"
#include "support/TempDir.h"

namespace {

constexpr uint32_t kMagenta = 0xFFFF00FF;

std::string AsText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

ArgbImage Filled(uint32_t width, uint32_t height, uint32_t colour)
{
    ArgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height, colour);
    return image;
}

D3DCAPS8 CapsWith(DWORD textureCaps, DWORD maxSide = 2048)
{
    D3DCAPS8 caps = {};
    caps.TextureCaps = textureCaps;
    caps.MaxTextureWidth = maxSide;
    caps.MaxTextureHeight = maxSide;
    caps.MaxPointSize = 64.0f;
    return caps;
}

class D3DXTexture : public ::testing::Test {
protected:
    void Create(const D3DCAPS8& caps)
    {
        D3D8Platform::SetCaps(caps);
        ASSERT_TRUE(m_Device.CreateStateOnly());
    }

    void WriteBmp(const std::string& path, const ArgbImage& image) const
    {
        m_Dir.Write(path, AsText(EncodeBmp24(image)));
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
    D3DXTestDevice m_Device;
};

TEST_F(D3DXTexture, RequirementsFollowTheCaps)
{
    struct Case {
        std::string name;
        DWORD textureCaps;
        DWORD maxSide;
        UINT width, height, levels;
        UINT fittedWidth, fittedHeight, fittedLevels;
    };
    const std::vector<Case> cases = {
        {"Unrestricted", 0, 2048, 256, 128, 1, 256, 128, 1},
        {"UnrestrictedOddSize", 0, 2048, 100, 60, 1, 100, 60, 1},
        {"PowersOfTwo", D3DPTEXTURECAPS_POW2, 2048, 100, 60, 1, 128, 64, 1},
        {"ExactPowersStay", D3DPTEXTURECAPS_POW2, 2048, 64, 1, 1, 64, 1, 1},
        {"Square", D3DPTEXTURECAPS_SQUAREONLY, 2048, 256, 128, 1, 256, 256, 1},
        {"SquarePowers", D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 2048, 100, 20, 1, 128, 128, 1},
        {"LimitedByMaximum", D3DPTEXTURECAPS_POW2, 512, 600, 100, 1, 512, 128, 1},
        {"DefaultSizeAndFullChain", 0, 2048, 0, D3DX_DEFAULT, 0, 256, 256, 9},
        {"ChainFollowsLongerSide", 0, 2048, 128, 32, D3DX_DEFAULT, 128, 32, 8},
        {"LevelsLimitedToChain", 0, 2048, 4, 4, 20, 4, 4, 3},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        D3DXTestDevice device;
        D3D8Platform::SetCaps(CapsWith(test.textureCaps, test.maxSide));
        ASSERT_TRUE(device.CreateStateOnly());
        UINT width = test.width;
        UINT height = test.height;
        UINT levels = test.levels;
        D3DFORMAT format = D3DFMT_UNKNOWN;
        ASSERT_EQ(D3D_OK, D3DXCheckTextureRequirements(device.Get(), &width, &height, &levels, 0, &format,
                                                       D3DPOOL_MANAGED));
        EXPECT_EQ(test.fittedWidth, width);
        EXPECT_EQ(test.fittedHeight, height);
        EXPECT_EQ(test.fittedLevels, levels);
        EXPECT_EQ(D3DFMT_A8R8G8B8, format);
    }
}

TEST_F(D3DXTexture, CreatesRenderTargetsInTheDefaultPool)
{
    Create(CapsWith(0));
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(m_Device.Get(), 256, 256, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                        D3DPOOL_DEFAULT, &texture));
    ASSERT_NE(nullptr, texture);
    EXPECT_EQ(1u, texture->GetLevelCount());
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(D3D_OK, texture->GetLevelDesc(0, &desc));
    EXPECT_EQ(256u, desc.Width);
    EXPECT_EQ(256u, desc.Height);
    EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format);
    EXPECT_EQ(static_cast<DWORD>(D3DUSAGE_RENDERTARGET), desc.Usage);
    EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
    texture->Release();

    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateTexture(nullptr, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(nullptr, texture);
}

// A 100 x 60 image on a device that needs powers of two: a 128 x 64 texture
// with the image in its top-left corner and transparent black around it.
TEST_F(D3DXTexture, FileTextureIsPaddedToPowersOfTwo)
{
    Create(CapsWith(D3DPTEXTURECAPS_POW2));
    ArgbImage image = Filled(100, 60, 0xFF203040);
    image.pixels[0] = kMagenta;
    WriteBmp("Assets/Images/Odd.bmp", image);

    IDirect3DTexture8* texture = nullptr;
    D3DXIMAGE_INFO info = {};
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileEx(m_Device.Get(), "Assets\\Images\\odd.bmp", D3DX_DEFAULT, D3DX_DEFAULT,
                                                  1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                                  D3DX_FILTER_NONE, kMagenta, &info, nullptr, &texture));
    ASSERT_NE(nullptr, texture);
    EXPECT_EQ(100u, info.Width);
    EXPECT_EQ(60u, info.Height);
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(D3D_OK, texture->GetLevelDesc(0, &desc));
    EXPECT_EQ(128u, desc.Width);
    EXPECT_EQ(64u, desc.Height);
    EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);

    const std::vector<uint32_t> pixels = ReadTextureLevel(texture, 0);
    ASSERT_EQ(128u * 64u, pixels.size());
    EXPECT_EQ(0x00000000u, pixels[0]); // keyed
    EXPECT_EQ(0xFF203040u, pixels[1]);
    EXPECT_EQ(0xFF203040u, pixels[59 * 128 + 99]);
    EXPECT_EQ(0x00000000u, pixels[59 * 128 + 100]);
    EXPECT_EQ(0x00000000u, pixels[60 * 128 + 0]);
    EXPECT_EQ(0x00000000u, pixels[63 * 128 + 127]);
    texture->Release();
}

// With a filter the image is stretched over the fitted size, and every level
// of the chain is the one above boxed down.
TEST_F(D3DXTexture, FilteredFileTextureStretchesAndBuildsMips)
{
    Create(CapsWith(D3DPTEXTURECAPS_POW2));
    ArgbImage image = Filled(3, 2, 0xFF000000);
    image.pixels = {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFFFF0000, 0xFFFF0000, 0xFF0000FF};
    WriteBmp("stripes.bmp", image);

    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileEx(m_Device.Get(), "stripes.bmp", 0, 0, D3DX_DEFAULT, 0,
                                                  D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                  nullptr, nullptr, &texture));
    ASSERT_NE(nullptr, texture);
    ASSERT_EQ(3u, texture->GetLevelCount()); // 4 x 2, 2 x 1, 1 x 1
    EXPECT_EQ((std::vector<uint32_t>{0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFFFF0000, 0xFFFF0000,
                                     0xFFFF0000, 0xFF0000FF}),
              ReadTextureLevel(texture, 0));
    EXPECT_EQ((std::vector<uint32_t>{0xFFFF0000, 0xFF800080}), ReadTextureLevel(texture, 1));
    EXPECT_EQ((std::vector<uint32_t>{0xFFC00040}), ReadTextureLevel(texture, 2));
    texture->Release();
}

TEST_F(D3DXTexture, UnreadableFileGivesNoTexture)
{
    Create(CapsWith(0));
    m_Dir.Write("broken.bmp", "BM broken");
    for (const char* path : {"missing.bmp", "broken.bmp"}) {
        SCOPED_TRACE(path);
        IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(this);
        D3DXIMAGE_INFO info = {};
        EXPECT_EQ(D3DXERR_INVALIDDATA,
                  D3DXCreateTextureFromFileEx(m_Device.Get(), path, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_A8R8G8B8,
                                              D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, &info, nullptr,
                                              &texture));
        EXPECT_EQ(nullptr, texture);
    }
}

} // namespace
