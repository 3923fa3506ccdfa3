#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3d8/D3D8Platform.h"
#include "platform/d3dx8/BmpImage.h"
#include "platform/d3dx8/D3DX8Image.h"
#include "platform/d3dx8/D3DX8Sprite.h"
#include "platform/d3dx8/D3DX8Texture.h"
#include "platform/d3dx8/D3DXTestDevice.h"
#include "platform/d3dx8/ImageFile.h"
#include "support/TempDir.h"

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFF;
constexpr uint32_t kMagenta = 0xFFFF00FF;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBackground = 0xFF0000FF;
constexpr D3DCOLOR kMagentaKey = 0xFFFF00FF;

std::string AsText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Left half magenta, right half green.
ArgbImage Halves(uint32_t width, uint32_t height)
{
    ArgbImage image;
    image.width = width;
    image.height = height;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            image.pixels.push_back(x < width / 2 ? kMagenta : kGreen);
    }
    return image;
}

class GlD3DXImage : public ::testing::Test {
protected:
    void Create()
    {
        ASSERT_TRUE(m_Device.CreateWindowed(640, 480));
        ASSERT_EQ(D3D_OK, D3DXCreateSprite(m_Device.Get(), &m_Sprite));
    }

    void TearDown() override
    {
        if (m_Sprite != nullptr)
            m_Sprite->Release();
    }

    // Draws the texture at (x, y) over the background and reads the frame.
    std::vector<uint32_t> DrawTexture(IDirect3DTexture8* texture, float x, float y)
    {
        IDirect3DDevice8* device = m_Device.Get();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
        device->BeginScene();
        const D3DXVECTOR2 translation(x, y);
        EXPECT_EQ(D3D_OK, m_Sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, &translation, 0xFFFFFFFF));
        device->EndScene();
        return m_Device.ReadBackBuffer();
    }

    // The texture loading of the game's texture asset: information, an image
    // surface loaded unfiltered with the key, a managed texture, one copy.
    IDirect3DTexture8* LoadAsTextureAsset(const char* path, D3DCOLOR key)
    {
        IDirect3DDevice8* device = m_Device.Get();
        D3DXIMAGE_INFO info = {};
        EXPECT_EQ(D3D_OK, D3DXGetImageInfoFromFile(path, &info));
        IDirect3DSurface8* image = nullptr;
        EXPECT_EQ(D3D_OK, device->CreateImageSurface(info.Width, info.Height, D3DFMT_A8R8G8B8, &image));
        if (image == nullptr)
            return nullptr;
        EXPECT_EQ(D3D_OK, D3DXLoadSurfaceFromFile(image, nullptr, nullptr, path, nullptr, D3DX_FILTER_NONE, key,
                                                  nullptr));
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(D3D_OK, device->CreateTexture(info.Width, info.Height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                &texture));
        IDirect3DSurface8* level = nullptr;
        if (texture != nullptr && SUCCEEDED(texture->GetSurfaceLevel(0, &level))) {
            const RECT whole = {0, 0, static_cast<LONG>(info.Width), static_cast<LONG>(info.Height)};
            const POINT origin = {0, 0};
            EXPECT_EQ(D3D_OK, device->CopyRects(image, &whole, 1, level, &origin));
            level->Release();
        }
        image->Release();
        return texture;
    }

    uint32_t At(const std::vector<uint32_t>& frame, UINT x, UINT y) const
    {
        return frame[static_cast<size_t>(y) * m_Device.Width() + x] & kRgbMask;
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
    D3DXTestDevice m_Device;
    ID3DXSprite* m_Sprite = nullptr;
};

TEST_F(GlD3DXImage, ColourKeyTurnsMagentaTransparent)
{
    Create();
    m_Dir.Write("Assets/Images/Halves.bmp", AsText(EncodeBmp24(Halves(32, 16))));
    for (const bool keyed : {true, false}) {
        SCOPED_TRACE(keyed ? "keyed" : "not keyed");
        IDirect3DTexture8* texture = LoadAsTextureAsset("Assets\\Images\\Halves.bmp", keyed ? kMagentaKey : 0);
        ASSERT_NE(nullptr, texture);
        const std::vector<uint32_t> frame = DrawTexture(texture, 100, 100);
        texture->Release();
        ASSERT_FALSE(frame.empty());
        EXPECT_EQ((keyed ? kBackground : kMagenta) & kRgbMask, At(frame, 100, 100));
        EXPECT_EQ((keyed ? kBackground : kMagenta) & kRgbMask, At(frame, 115, 115));
        EXPECT_EQ(kGreen & kRgbMask, At(frame, 116, 100));
        EXPECT_EQ(kGreen & kRgbMask, At(frame, 131, 115));
    }
}

// A 100 x 60 image on a device that asks for powers of two becomes a
// 128 x 64 texture; drawn whole, the padding shows what lies beneath.
TEST_F(GlD3DXImage, PowerOfTwoPaddingWithFakeCaps)
{
    D3DCAPS8 caps = {};
    caps.TextureCaps = D3DPTEXTURECAPS_POW2;
    caps.MaxTextureWidth = 2048;
    caps.MaxTextureHeight = 2048;
    caps.MaxPointSize = 64.0f;
    D3D8Platform::SetCaps(caps);
    Create();
    ArgbImage image = Halves(100, 60);
    m_Dir.Write("odd.bmp", AsText(EncodeBmp24(image)));

    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileEx(m_Device.Get(), "odd.bmp", D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                                  D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                                  D3DX_FILTER_NONE, 0, nullptr, nullptr, &texture));
    ASSERT_NE(nullptr, texture);
    D3DSURFACE_DESC desc = {};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(128u, desc.Width);
    EXPECT_EQ(64u, desc.Height);
    const std::vector<uint32_t> frame = DrawTexture(texture, 200, 100);
    texture->Release();
    ASSERT_FALSE(frame.empty());
    EXPECT_EQ(kMagenta & kRgbMask, At(frame, 200, 100));
    EXPECT_EQ(kGreen & kRgbMask, At(frame, 299, 159));
    EXPECT_EQ(kBackground & kRgbMask, At(frame, 300, 100));
    EXPECT_EQ(kBackground & kRgbMask, At(frame, 200, 160));
    EXPECT_EQ(kBackground & kRgbMask, At(frame, 327, 163));
    EXPECT_EQ(kBackground & kRgbMask, At(frame, 199, 100));
}

// A drawn frame copied to an image surface and saved as BMP reads back as
// the same pixels.
TEST_F(GlD3DXImage, SavedFrameRoundTripsThroughBmp)
{
    Create();
    m_Dir.Write("halves.bmp", AsText(EncodeBmp24(Halves(64, 32))));
    IDirect3DTexture8* texture = LoadAsTextureAsset("halves.bmp", 0);
    ASSERT_NE(nullptr, texture);
    const std::vector<uint32_t> frame = DrawTexture(texture, 10, 20);
    texture->Release();
    ASSERT_FALSE(frame.empty());

    IDirect3DDevice8* device = m_Device.Get();
    IDirect3DSurface8* target = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(&target));
    D3DSURFACE_DESC desc = {};
    target->GetDesc(&desc);
    IDirect3DSurface8* copy = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateImageSurface(desc.Width, desc.Height, desc.Format, &copy));
    ASSERT_EQ(D3D_OK, device->CopyRects(target, nullptr, 0, copy, nullptr));
    target->Release();
    ASSERT_EQ(D3D_OK, D3DXSaveSurfaceToFile("shot000.bmp", D3DXIFF_BMP, copy, nullptr, nullptr));
    copy->Release();

    ArgbImage saved;
    ImageFileType type = ImageFileType::Unknown;
    ASSERT_TRUE(LoadImageFile("shot000.bmp", saved, type));
    ASSERT_EQ(640u, saved.width);
    ASSERT_EQ(480u, saved.height);
    size_t mismatches = 0;
    for (size_t i = 0; i < frame.size(); ++i)
        mismatches += (saved.pixels[i] & kRgbMask) != (frame[i] & kRgbMask) ? 1 : 0;
    EXPECT_EQ(0u, mismatches);
    EXPECT_EQ(kMagenta & kRgbMask, saved.pixels[20 * 640 + 10] & kRgbMask);
    EXPECT_EQ(kGreen & kRgbMask, saved.pixels[51 * 640 + 73] & kRgbMask);
}

} // namespace
