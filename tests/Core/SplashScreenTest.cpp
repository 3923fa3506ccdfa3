// The splash that start-up paints with GDI before the display exists, read
// back from the window.

#include <cstdint>
#include <vector>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "App/Application.h"
#include "Core/Window.h"
#include "platform/win32/Win32Platform.h"
#include "support/TempDir.h"

namespace {

const int CLIENT_WIDTH = 640;
const int CLIENT_HEIGHT = 480;
const uint32_t RGB_MASK = 0x00FFFFFF;
const uint32_t BLACK = 0x000000;
// The shipped splash: a pale band along the top, where "Loading..." goes,
// and a dark street along the bottom.
const uint32_t SPLASH_BAND = 0xECE2D0;
const uint32_t SPLASH_STREET = 0x08060E;
// Where "Loading..." lies, with room to spare, at the top left.
const int TEXT_WIDTH = 80;
const int TEXT_HEIGHT = 18;

void DrainMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

// The client area as 0xRRGGBB, top row first. On the offscreen driver what
// EndPaint presented is still in the buffer read here.
std::vector<uint32_t> ReadClientArea()
{
    std::vector<uint32_t> bottomUp(static_cast<size_t>(CLIENT_WIDTH) * CLIENT_HEIGHT);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, CLIENT_WIDTH, CLIENT_HEIGHT, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, bottomUp.data());
    std::vector<uint32_t> pixels;
    pixels.reserve(bottomUp.size());
    for (int row = CLIENT_HEIGHT - 1; row >= 0; --row) {
        for (int column = 0; column < CLIENT_WIDTH; ++column)
            pixels.push_back(bottomUp[static_cast<size_t>(row) * CLIENT_WIDTH + column] & RGB_MASK);
    }
    return pixels;
}

// Ink between black and `ground`, channel by channel: what black text
// leaves on it.
bool IsInkOn(uint32_t pixel, uint32_t ground)
{
    for (int shift = 0; shift < 24; shift += 8) {
        if (((pixel >> shift) & 0xFF) > ((ground >> shift) & 0xFF))
            return false;
    }
    return true;
}

// The game's window at its start-up size, painted white first so that the
// splash has to cover it.
class GlSplashScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The class outlives a test, so only the first registration succeeds.
        RegisterWindowClass();
        ASSERT_TRUE(CreateMainWindow());
        SetClientSize(CLIENT_WIDTH, CLIENT_HEIGHT);
        ShowWindow(g_hWnd, SW_SHOWNORMAL);
        DrainMessages();

        PAINTSTRUCT paint;
        HDC dc = BeginPaint(g_hWnd, &paint);
        ASSERT_NE(nullptr, dc);
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(dc, &paint.rcPaint, white);
        DeleteObject(white);
        EndPaint(g_hWnd, &paint);
    }

    void TearDown() override
    {
        DestroyWindow(g_hWnd);
        g_hWnd = nullptr;
        DrainMessages();
    }

    uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) const
    {
        return pixels[static_cast<size_t>(y) * CLIENT_WIDTH + x];
    }
};

TEST_F(GlSplashScreenTest, LoadingIsBlackInkAtTheTopLeftOverTheSplashImage)
{
    ScopedWorkingDir gameDir(KELM_GAME_DIR);
    ShowSplashScreen();
    ASSERT_TRUE(Win32Platform::MakeGLCurrent(g_hWnd));
    const std::vector<uint32_t> pixels = ReadClientArea();

    EXPECT_EQ(SPLASH_BAND, At(pixels, CLIENT_WIDTH - 1, 0));
    EXPECT_EQ(SPLASH_BAND, At(pixels, TEXT_WIDTH, TEXT_HEIGHT / 2));
    EXPECT_EQ(SPLASH_STREET, At(pixels, CLIENT_WIDTH / 2, CLIENT_HEIGHT - 1));

    int black = 0;
    int blackNearTheLeft = 0;
    int ground = 0;
    for (int y = 0; y < TEXT_HEIGHT; ++y) {
        for (int x = 0; x < TEXT_WIDTH; ++x) {
            const uint32_t pixel = At(pixels, x, y);
            ASSERT_TRUE(IsInkOn(pixel, SPLASH_BAND)) << std::hex << pixel << " at " << std::dec << x << "," << y;
            black += pixel == BLACK ? 1 : 0;
            blackNearTheLeft += pixel == BLACK && x < TEXT_HEIGHT / 4 ? 1 : 0;
            ground += pixel == SPLASH_BAND ? 1 : 0;
        }
    }
    EXPECT_GT(black, 60);
    EXPECT_GT(blackNearTheLeft, 5) << "the L's stem";
    EXPECT_GT(ground, TEXT_WIDTH * TEXT_HEIGHT / 2) << "the text's background is left as it was";
}

TEST_F(GlSplashScreenTest, WithoutTheImageTheWindowIsBlack)
{
    TempDir emptyGameDir;
    ScopedWorkingDir inIt(emptyGameDir.Path());
    ShowSplashScreen();
    ASSERT_TRUE(Win32Platform::MakeGLCurrent(g_hWnd));
    const std::vector<uint32_t> pixels = ReadClientArea();

    size_t notBlack = 0;
    for (uint32_t pixel : pixels)
        notBlack += pixel != BLACK ? 1 : 0;
    EXPECT_EQ(0u, notBlack) << "black text over black";
}

} // namespace
