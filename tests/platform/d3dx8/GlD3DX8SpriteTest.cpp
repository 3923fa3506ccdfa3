#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/D3DX8Sprite.h"
#include "platform/d3dx8/D3DX8Texture.h"
#include "platform/d3dx8/D3DXTestDevice.h"

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr UINT kSide = 64;
constexpr UINT kHalf = kSide / 2;

uint32_t QuadrantColour(UINT x, UINT y)
{
    if (y < kHalf)
        return x < kHalf ? kRed : kGreen;
    return x < kHalf ? kBlue : kWhite;
}

class GlD3DXSprite : public ::testing::Test {
protected:
    void Create(UINT width, UINT height)
    {
        ASSERT_TRUE(m_Device.CreateWindowed(width, height));
        ASSERT_EQ(D3D_OK, D3DXCreateSprite(m_Device.Get(), &m_Sprite));
        ASSERT_EQ(D3D_OK, D3DXCreateTexture(m_Device.Get(), kSide, kSide, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                            &m_Texture));
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(D3D_OK, m_Texture->LockRect(0, &locked, nullptr, 0));
        for (UINT y = 0; y < kSide; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < kSide; ++x)
                row[x] = 0xFF000000 | QuadrantColour(x, y);
        }
        m_Texture->UnlockRect(0);
    }

    void TearDown() override
    {
        if (m_Texture != nullptr)
            m_Texture->Release();
        if (m_Sprite != nullptr)
            m_Sprite->Release();
    }

    // Clears to `background`, draws, and reads the frame back.
    void DrawFrame(uint32_t background, const D3DXVECTOR2* scaling, const D3DXVECTOR2* centre, float rotation,
                   const D3DXVECTOR2& translation, D3DCOLOR colour)
    {
        IDirect3DDevice8* device = m_Device.Get();
        ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000 | background,
                                        1.0f, 0));
        ASSERT_EQ(D3D_OK, device->BeginScene());
        ASSERT_EQ(D3D_OK, m_Sprite->Draw(m_Texture, nullptr, scaling, centre, rotation, &translation, colour));
        ASSERT_EQ(D3D_OK, device->EndScene());
        m_Frame = m_Device.ReadBackBuffer();
        ASSERT_EQ(static_cast<size_t>(m_Device.Width()) * m_Device.Height(), m_Frame.size());
    }

    uint32_t At(UINT x, UINT y) const { return m_Frame[static_cast<size_t>(y) * m_Device.Width() + x] & kRgbMask; }

    // Every pixel of the sprite's rectangle against `expected`, and the ring
    // of pixels just outside it against the background. Pixels within `band`
    // of a quadrant edge are skipped where filtering mixes neighbours.
    void ExpectSpriteAt(UINT left, UINT top, UINT side, UINT band, uint32_t background) const
    {
        int mismatches = 0;
        for (UINT y = top - 1; y <= top + side; ++y) {
            for (UINT x = left - 1; x <= left + side; ++x) {
                const bool outside = x < left || y < top || x >= left + side || y >= top + side;
                const UINT u = (x - left) * kSide / side;
                const UINT v = (y - top) * kSide / side;
                const UINT half = side / 2;
                const bool nearEdge = (x + band >= left + half && x < left + half + band) ||
                                      (y + band >= top + half && y < top + half + band);
                if (!outside && nearEdge)
                    continue;
                const uint32_t expected = outside ? background : QuadrantColour(u, v);
                if (At(x, y) != expected && ++mismatches <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << At(x, y) << " not " << expected;
            }
        }
    }

    D3DXTestDevice m_Device;
    ID3DXSprite* m_Sprite = nullptr;
    IDirect3DTexture8* m_Texture = nullptr;
    std::vector<uint32_t> m_Frame;
};

// The cursor's centred draw on the 640 x 480 screen: each texel on exactly
// one pixel, nothing spilling over the edges.
TEST_F(GlD3DXSprite, CentredAt640x480PutsTexelsOnPixels)
{
    Create(640, 480);
    DrawFrame(kBlack, nullptr, nullptr, 0.0f, D3DXVECTOR2(320 - kHalf, 240 - kHalf), 0xFFFFFFFF);
    ExpectSpriteAt(320 - kHalf, 240 - kHalf, kSide, 0, kBlack);
}

// The same draw on 800 x 600 as the display scales it: 1.25 times larger
// and still centred, covering exactly 80 x 80 pixels.
TEST_F(GlD3DXSprite, CentredAt800x600ScalesWithTheScreen)
{
    Create(800, 600);
    const float scale = 800.0f / 640.0f;
    const D3DXVECTOR2 scaling(scale, 600.0f / 480.0f);
    const UINT side = static_cast<UINT>(kSide * scale);
    DrawFrame(kBlack, &scaling, nullptr, 0.0f, D3DXVECTOR2(400.0f - side / 2, 300.0f - side / 2), 0xFFFFFFFF);
    ExpectSpriteAt(400 - side / 2, 300 - side / 2, side, 2, kBlack);
}

// A quarter turn about the sprite's centre turns it clockwise on the screen.
TEST_F(GlD3DXSprite, RotatesClockwiseAboutTheCentre)
{
    Create(640, 480);
    const D3DXVECTOR2 centre(kHalf, kHalf);
    DrawFrame(kBlack, nullptr, &centre, static_cast<float>(M_PI / 2), D3DXVECTOR2(288, 208), 0xFFFFFFFF);
    EXPECT_EQ(kBlue, At(288 + 16, 208 + 16));
    EXPECT_EQ(kRed, At(288 + 48, 208 + 16));
    EXPECT_EQ(kWhite, At(288 + 16, 208 + 48));
    EXPECT_EQ(kGreen, At(288 + 48, 208 + 48));
    EXPECT_EQ(kBlack, At(286, 240));
}

TEST_F(GlD3DXSprite, ColourModulatesAndAlphaBlends)
{
    Create(640, 480);
    DrawFrame(kBlue, nullptr, nullptr, 0.0f, D3DXVECTOR2(100, 100), 0x80FF00FF);
    // Red texels times magenta at half alpha over blue.
    const uint32_t redOverBlue = At(110, 110);
    EXPECT_NEAR(0x80, static_cast<int>((redOverBlue >> 16) & 0xFF), 1);
    EXPECT_EQ(0, static_cast<int>((redOverBlue >> 8) & 0xFF));
    EXPECT_NEAR(0x7F, static_cast<int>(redOverBlue & 0xFF), 1);
    // White texels: magenta at half alpha over blue.
    const uint32_t whiteOverBlue = At(150, 150);
    EXPECT_NEAR(0x80, static_cast<int>((whiteOverBlue >> 16) & 0xFF), 1);
    EXPECT_EQ(0, static_cast<int>((whiteOverBlue >> 8) & 0xFF));
    EXPECT_EQ(0xFF, static_cast<int>(whiteOverBlue & 0xFF));
}

} // namespace
