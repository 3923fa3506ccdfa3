// Text drawn through the text master on the real device, read back.

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"

namespace {

const D3DCOLOR WHITE = 0xFFFFFFFF;
const D3DCOLOR RED = 0xFFFF0000;
const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
// A channel above this is ink; at or below it, ground.
const uint32_t INK = 0x20;
const uint32_t FULL = 0xF0;

uint32_t Red(uint32_t pixel)
{
    return (pixel >> 16) & 0xFF;
}
uint32_t Green(uint32_t pixel)
{
    return (pixel >> 8) & 0xFF;
}
uint32_t Blue(uint32_t pixel)
{
    return pixel & 0xFF;
}
bool IsInk(uint32_t pixel)
{
    return Red(pixel) > INK || Green(pixel) > INK || Blue(pixel) > INK;
}

struct Area {
    int left, top, right, bottom;
};

class GlTextTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(CStateBlocks::CreateAll());
        m_Master.Enable();
    }

    void TearDown() override
    {
        m_Master.Reset();
        g_TextMaster.Reset();
        GlDisplayFixture::TearDown();
    }

    // One frame: cleared, `queue` queues its text, the text pass, ended.
    std::vector<uint32_t> Frame(CTextMaster& master, const std::function<void()>& queue)
    {
        EXPECT_TRUE(g_Display.BeginScene());
        queue();
        master.DrawAll();
        EXPECT_TRUE(g_Display.EndScene());
        UINT width = 0;
        UINT height = 0;
        std::vector<uint32_t> pixels = ReadBackBuffer(width, height);
        EXPECT_EQ(static_cast<UINT>(SCREEN_WIDTH), width);
        EXPECT_EQ(static_cast<UINT>(SCREEN_HEIGHT), height);
        g_Display.Present();
        return pixels;
    }

    static int Count(const std::vector<uint32_t>& pixels, const Area& area,
                     const std::function<bool(uint32_t)>& test)
    {
        int count = 0;
        for (int y = std::max(area.top, 0); y < std::min(area.bottom, SCREEN_HEIGHT); ++y) {
            for (int x = std::max(area.left, 0); x < std::min(area.right, SCREEN_WIDTH); ++x)
                count += test(pixels[static_cast<size_t>(y) * SCREEN_WIDTH + x]) ? 1 : 0;
        }
        return count;
    }

    // Where the text master puts `text` at (x, y) in `desc`, in pixels.
    Area TextArea(CTextMaster& master, const char* text, float x, float y, const CFontDesc& desc)
    {
        CFont2D* font = master.GetFont(desc);
        const int left = static_cast<int>(x * SCREEN_WIDTH);
        const int top = static_cast<int>(y * SCREEN_HEIGHT);
        return {left, top, left + static_cast<int>(font->GetTextWidth(text) * SCREEN_WIDTH + 1.0f),
                top + static_cast<int>(font->GetTextHeight(text) * SCREEN_HEIGHT + 1.0f)};
    }

    CTextMaster m_Master;
};

TEST_F(GlTextTest, HelloShowsWhitePixelsWhereTheTextIs)
{
    const float x = 0.1f;
    const float y = 0.2f;
    const std::vector<uint32_t> pixels =
        Frame(m_Master, [&] { m_Master.TextOut("Hello", x, y, WHITE, &g_FontVerdana13, -1, false); });
    const Area text = TextArea(m_Master, "Hello", x, y, g_FontVerdana13);
    const int white = Count(pixels, text, [](uint32_t p) {
        return Red(p) >= FULL && Green(p) >= FULL && Blue(p) >= FULL;
    });
    EXPECT_GE(white, 10) << "the stems of H, e, l, l, o";
    const int grey = Count(pixels, text, [](uint32_t p) { return Red(p) != Green(p) || Green(p) != Blue(p); });
    EXPECT_EQ(0, grey) << "white text is white, grey at its edges";
    const int total = Count(pixels, {0, 0, SCREEN_WIDTH, SCREEN_HEIGHT}, IsInk);
    const int inside = Count(pixels, text, IsInk);
    EXPECT_EQ(total, inside) << "no ink outside the text";

    // Five letters, left to right.
    const int half = (text.left + text.right) / 2;
    EXPECT_GT(Count(pixels, {text.left, text.top, half, text.bottom}, IsInk), 0);
    EXPECT_GT(Count(pixels, {half, text.top, text.right, text.bottom}, IsInk), 0);
}

TEST_F(GlTextTest, TheTextAfterADisplayResetIsTheSame)
{
    RegisterTextMasterDeviceHooks();
    g_TextMaster.Enable();
    auto hello = [] { g_TextMaster.TextOut("Hello", 0.5f, 0.5f, WHITE, &g_FontVerdana13, -1, false); };
    const std::vector<uint32_t> before = Frame(g_TextMaster, hello);
    ASSERT_TRUE(g_Display.Reset());
    const std::vector<uint32_t> after = Frame(g_TextMaster, hello);
    EXPECT_GT(Count(after, {0, 0, SCREEN_WIDTH, SCREEN_HEIGHT}, IsInk), 20);
    EXPECT_TRUE(before == after);
}

// White, red, white in one place: the red run is drawn last, over both
// whites. Where a glyph covers a fraction a of a pixel, green is then
// (1 - (1 - a)^2)(1 - a) of full, at most 0.385; a white drawn last would
// leave it at a or more.
TEST_F(GlTextTest, EqualColoursAreDrawnInRunsSoRedEndsOnTop)
{
    const char* text = "MMM";
    const std::vector<uint32_t> pixels = Frame(m_Master, [&] {
        m_Master.TextOut(text, 0.2f, 0.2f, WHITE, &g_FontVerdana13, -1, false);
        m_Master.TextOut(text, 0.2f, 0.2f, RED, &g_FontVerdana13, -1, false);
        m_Master.TextOut(text, 0.2f, 0.2f, WHITE, &g_FontVerdana13, -1, false);
    });
    const Area area = TextArea(m_Master, text, 0.2f, 0.2f, g_FontVerdana13);
    EXPECT_GT(Count(pixels, area, [](uint32_t p) { return Red(p) >= FULL && Green(p) < INK; }), 10);
    EXPECT_EQ(0, Count(pixels, area, [](uint32_t p) { return Green(p) > 0x66; }));
}

// Ten lines of ten letters are 200 triangles, drawn 120 at a time; with a
// limit of 65 the seventh line stops after its fifth letter.
TEST_F(GlTextTest, LongTextIsDrawnInBatchesUpToItsLimit)
{
    std::string text;
    for (int line = 0; line < 10; ++line)
        text += line == 0 ? "MMMMMMMMMM" : "\nMMMMMMMMMM";
    CFont2D* font = m_Master.GetFont(g_FontVerdana13);
    const float letter = font->GetTextWidth("M") * SCREEN_WIDTH;
    const float step = font->GetLineHeight() * font->GetScale();
    // Letters first to last - 1 of a line, a pixel in from each side.
    auto line = [&](int index, int first, int last) {
        return Area{static_cast<int>(first * letter) + 1, static_cast<int>(index * step) + 1,
                    static_cast<int>(last * letter) - 1, static_cast<int>((index + 1) * step) - 1};
    };

    const std::vector<uint32_t> all =
        Frame(m_Master, [&] { m_Master.TextOut(text.c_str(), 0, 0, WHITE, &g_FontVerdana13, -1, false); });
    for (int index = 0; index < 10; ++index)
        EXPECT_GT(Count(all, line(index, 9, 10), IsInk), 0) << "the last letter of line " << index;

    const std::vector<uint32_t> limited =
        Frame(m_Master, [&] { m_Master.TextOut(text.c_str(), 0, 0, WHITE, &g_FontVerdana13, 65, false); });
    EXPECT_GT(Count(limited, line(5, 9, 10), IsInk), 0);
    EXPECT_GT(Count(limited, line(6, 4, 5), IsInk), 0) << "the 65th letter";
    EXPECT_EQ(0, Count(limited, line(6, 5, 10), IsInk));
    EXPECT_EQ(0, Count(limited, line(7, 0, 10), IsInk));
}

} // namespace
