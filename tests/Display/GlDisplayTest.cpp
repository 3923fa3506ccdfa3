#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "App/Application.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "platform/d3d8/D3D8Platform.h"

namespace {

const UINT SPRITE_SIDE = 64;
const uint32_t RGB_MASK = 0x00FFFFFF;
const uint32_t RED = 0xFF0000;
const uint32_t GREEN = 0x00FF00;
const uint32_t BLUE = 0x0000FF;
const uint32_t WHITE = 0xFFFFFF;
const uint32_t BLACK = 0x000000;
const D3DCOLOR OPAQUE_WHITE = 0xFFFFFFFF;

class GlDisplayTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        if (HasFatalFailure())
            return;
        // Red, green, blue and white quadrants.
        ASSERT_EQ(D3D_OK, g_Display.GetD3DDevice()->CreateTexture(SPRITE_SIDE, SPRITE_SIDE, 1, 0, D3DFMT_A8R8G8B8,
                                                                  D3DPOOL_MANAGED, &m_Texture));
        D3DLOCKED_RECT locked = {};
        ASSERT_EQ(D3D_OK, m_Texture->LockRect(0, &locked, nullptr, 0));
        for (UINT y = 0; y < SPRITE_SIDE; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < SPRITE_SIDE; ++x)
                row[x] = 0xFF000000 | Quadrant(x * 2 / SPRITE_SIDE, y * 2 / SPRITE_SIDE);
        }
        m_Texture->UnlockRect(0);
    }

    void TearDown() override
    {
        if (m_Texture != nullptr)
            m_Texture->Release();
        m_Texture = nullptr;
        GlDisplayFixture::TearDown();
    }

    static uint32_t Quadrant(UINT column, UINT row)
    {
        const uint32_t colours[2][2] = {{RED, GREEN}, {BLUE, WHITE}};
        return colours[row][column];
    }

    // One frame as the game makes it: cleared, the sprite, ended, presented.
    // Returns the back buffer as it was presented.
    std::vector<uint32_t> Frame(const float* position, const float* scale, D3DCOLOR colour)
    {
        EXPECT_TRUE(g_Display.BeginScene());
        EXPECT_TRUE(DrawSprite(m_Texture, position, scale, nullptr, 0.0f, nullptr, colour));
        EXPECT_TRUE(g_Display.EndScene());
        UINT width = 0;
        UINT height = 0;
        std::vector<uint32_t> pixels = ReadBackBuffer(width, height);
        EXPECT_TRUE(g_Display.Present());
        return pixels;
    }

    // The sprite's four quadrants fill [left, left + side) x [top, top + side)
    // and black surrounds it; pixels next to a quadrant edge may mix.
    void ExpectSprite(const std::vector<uint32_t>& frame, UINT width, int left, int top, int side) const
    {
        const auto at = [&](int x, int y) { return frame[static_cast<size_t>(y) * width + x] & RGB_MASK; };
        const int quarter = side / 4;
        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < 2; ++column) {
                const int x = left + quarter + column * side / 2;
                const int y = top + quarter + row * side / 2;
                EXPECT_EQ(Quadrant(column, row), at(x, y)) << x << "," << y;
                EXPECT_EQ(Quadrant(column, row), at(left + column * (side - 1), top + row * (side - 1)))
                    << "corner " << column << "," << row;
            }
        }
        if (left > 0) {
            EXPECT_EQ(BLACK, at(left - 1, top + quarter));
        }
        if (top > 0) {
            EXPECT_EQ(BLACK, at(left + quarter, top - 1));
        }
        EXPECT_EQ(BLACK, at(left + side, top + quarter));
        EXPECT_EQ(BLACK, at(left + quarter, top + side));
    }

    IDirect3DTexture8* m_Texture = nullptr;
};

TEST_F(GlDisplayTest, SpritesStayOnTheVirtualScreenAtEveryResolution)
{
    // Centred on the 640 x 480 virtual screen: half the sprite left and up.
    const float centred[2] = {0.5f - 32.0f / 640.0f, 0.5f - 32.0f / 480.0f};
    const struct {
        uint16_t width, height;
        const float* position;
        int left, top, side;
    } cases[] = {
        {640, 480, centred, 288, 208, 64},
        {800, 600, centred, 360, 260, 80},
        {800, 600, nullptr, 0, 0, 80},  // no position, no scale: the corner, 1.25 times as large
        {640, 480, nullptr, 0, 0, 64},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(testing::Message() << entry.width << "x" << entry.height << " at " << entry.left << ","
                                        << entry.top);
        ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(entry.width, entry.height, false, false, 32, 0)));
        RECT client = {};
        GetClientRect(g_hWnd, &client);
        EXPECT_EQ(entry.width, client.right);
        const std::vector<uint32_t> frame = Frame(entry.position, nullptr, OPAQUE_WHITE);
        ASSERT_EQ(static_cast<size_t>(entry.width) * entry.height, frame.size());
        ExpectSprite(frame, entry.width, entry.left, entry.top, entry.side);
    }
}

TEST_F(GlDisplayTest, SpritesInPixelsAreDrawnAsGiven)
{
    ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(800, 600, false, false, 32, 0)));
    EXPECT_TRUE(g_Display.BeginScene());
    const float position[2] = {400.0f, 300.0f};
    const float scale[2] = {0.5f, 0.5f};
    EXPECT_TRUE(DrawSpritePixels(m_Texture, position, scale, nullptr, 0.0f, nullptr, OPAQUE_WHITE));
    EXPECT_TRUE(g_Display.EndScene());
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> frame = ReadBackBuffer(width, height);
    ASSERT_EQ(800u, width);
    ExpectSprite(frame, width, 400, 300, 32);
}

TEST_F(GlDisplayTest, ScreenshotsAreNumberedAndHoldThePresentedFrames)
{
    const float first[2] = {0.25f, 0.5f};
    const std::vector<uint32_t> frame0 = Frame(first, nullptr, OPAQUE_WHITE);
    ASSERT_TRUE(g_Display.Screenshot());
    const float second[2] = {0.75f, 0.125f};
    const float half[2] = {0.5f, 0.5f};
    const std::vector<uint32_t> frame1 = Frame(second, half, 0xFF808080);
    ASSERT_TRUE(g_Display.Screenshot());

    const std::vector<uint32_t>* frames[] = {&frame0, &frame1};
    const char* const files[] = {"shot000.bmp", "shot001.bmp"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(files[i]);
        UINT width = 0;
        UINT height = 0;
        const std::vector<uint32_t> shot = ReadImageFile(g_Display.GetD3DDevice(), files[i], width, height);
        ASSERT_EQ(640u, width);
        ASSERT_EQ(480u, height);
        int mismatches = 0;
        for (size_t p = 0; p < shot.size(); ++p)
            mismatches += (shot[p] & RGB_MASK) != ((*frames[i])[p] & RGB_MASK) ? 1 : 0;
        EXPECT_EQ(0, mismatches);
    }
    EXPECT_NE(frame0, frame1);
}

TEST_F(GlDisplayTest, AScreenshotKeepsToThePartOfTheWindowOnTheScreen)
{
    const float position[2] = {0.0f, 0.0f};
    const std::vector<uint32_t> frame = Frame(position, nullptr, OPAQUE_WHITE);
    // A screen smaller than the window, which starts a little in from its corner.
    const D3DDISPLAYMODE small = {320, 240, 60, D3DFMT_X8R8G8B8};
    D3D8Platform::SetDesktopMode(small);
    SetWindowPos(g_hWnd, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    POINT origin = {0, 0};
    ClientToScreen(g_hWnd, &origin);
    ASSERT_GE(origin.x, 0);
    ASSERT_LT(origin.x, 320);
    ASSERT_GE(origin.y, 0);
    ASSERT_LT(origin.y, 240);
    ASSERT_TRUE(g_Display.Present()) << "the picture lands where the window now is";

    ASSERT_TRUE(g_Display.Screenshot());
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> shot = ReadImageFile(g_Display.GetD3DDevice(), "shot000.bmp", width, height);
    EXPECT_EQ(static_cast<UINT>(320 - origin.x), width);
    EXPECT_EQ(static_cast<UINT>(240 - origin.y), height);
    int mismatches = 0;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            mismatches += (shot[y * width + x] & RGB_MASK) != (frame[y * 640 + x] & RGB_MASK) ? 1 : 0;
    EXPECT_EQ(0, mismatches);
}

} // namespace
