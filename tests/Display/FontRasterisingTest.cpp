// The bitmap fonts on the real rasteriser (GDI over FreeType), on a device of
// state only, and the global text master on the display.

#include <vector>

#include <gtest/gtest.h>

#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/Font2D.h"
#include "Display/Text.h"
#include "Display/TextMaster.h"

namespace {

const uint16_t ALPHA_MASK = 0xF000;

struct TexelRect {
    uint32_t left, top, right, bottom;
};

class CFont2DRasterisingTest : public DisplayFixture {
protected:
    void SetUp() override { CreateDisplay(); }
    void TearDown() override
    {
        g_TextMaster.Reset();
        DisplayFixture::TearDown();
    }

    static TexelRect Cell(const CGlyphRect& glyph, uint32_t size)
    {
        return {static_cast<uint32_t>(glyph.m_Left * size + 0.5f), static_cast<uint32_t>(glyph.m_Top * size + 0.5f),
                static_cast<uint32_t>(glyph.m_Right * size + 0.5f),
                static_cast<uint32_t>(glyph.m_Bottom * size + 0.5f)};
    }
};

// Every printable glyph of the 13-point face has ink, and no ink lies
// outside the cells: what the texture shows is legible text.
TEST_F(CFont2DRasterisingTest, ThirteenPointTextIsLegibleAt640By480)
{
    CFont2D font;
    ASSERT_TRUE(font.Init(g_FontVerdana13));
    const uint32_t size = font.GetTextureSize();
    ASSERT_EQ(256u, size);
    EXPECT_GE(font.GetLineHeight(), 20u);
    EXPECT_LE(font.GetLineHeight(), 50u);
    const std::vector<uint16_t> texels = ReadTexels16(font.GetTexture(), size);
    ASSERT_EQ(static_cast<size_t>(size) * size, texels.size());

    std::vector<bool> inCell(texels.size(), false);
    for (int code = CFont2D::FIRST_CHAR; code <= CFont2D::LAST_CHAR; ++code) {
        CGlyphRect glyph;
        ASSERT_TRUE(font.GetGlyph(static_cast<char>(code), glyph));
        const TexelRect cell = Cell(glyph, size);
        ASSERT_LT(cell.left, cell.right) << static_cast<char>(code);
        ASSERT_LT(cell.top, cell.bottom) << static_cast<char>(code);
        ASSERT_LE(cell.right, size) << static_cast<char>(code);
        ASSERT_LE(cell.bottom, size) << static_cast<char>(code);
        int ink = 0;
        for (uint32_t y = cell.top; y < cell.bottom; ++y) {
            for (uint32_t x = cell.left; x < cell.right; ++x) {
                inCell[y * size + x] = true;
                ink += (texels[y * size + x] & ALPHA_MASK) != 0 ? 1 : 0;
            }
        }
        if (code != ' ')
            EXPECT_GT(ink, 0) << "'" << static_cast<char>(code) << "' has ink";
        else
            EXPECT_EQ(0, ink);
    }
    int strayInk = 0;
    for (size_t i = 0; i < texels.size(); ++i)
        strayInk += !inCell[i] && (texels[i] & ALPHA_MASK) != 0 ? 1 : 0;
    EXPECT_EQ(0, strayInk);

    // Wider glyphs are wider on screen.
    EXPECT_GT(font.GetCharWidth('M'), font.GetCharWidth('i'));
    EXPECT_GT(font.GetTextWidth("Hello"), 0.0f);
}

TEST_F(CFont2DRasterisingTest, ADisplayResetRestoresTheTextMastersFonts)
{
    RegisterTextMasterDeviceHooks();
    g_TextMaster.Enable();
    CFont2D* font = g_TextMaster.GetFont(g_FontVerdana8);
    CGlyphRect before;
    ASSERT_TRUE(font->GetGlyph('W', before));
    ASSERT_TRUE(g_Display.Reset());
    EXPECT_TRUE(font->IsReady());
    CGlyphRect after;
    ASSERT_TRUE(font->GetGlyph('W', after));
    EXPECT_EQ(before.m_Left, after.m_Left);
    EXPECT_EQ(before.m_Right, after.m_Right);
    EXPECT_EQ(before.m_Bottom, after.m_Bottom);
    g_Display.Shutdown();
    EXPECT_FALSE(font->IsReady()) << "the display's shutdown takes the fonts' device objects";
}

TEST_F(CFont2DRasterisingTest, AVisibleTextQueuesItselfInTheTextMaster)
{
    g_TextMaster.Enable();
    CText text;
    text.Setup("Mission complete", 0.3f, 0.4f, 0xFFFFFFFF, &g_FontVerdana13, false);
    text.Draw();
    EXPECT_EQ(0u, g_TextMaster.GetQueueCount()) << "hidden";
    text.SetVisible(true);
    text.Draw();
    EXPECT_EQ(1u, g_TextMaster.GetQueueCount());
    text.SetString("");
    text.Draw();
    EXPECT_EQ(1u, g_TextMaster.GetQueueCount()) << "empty";
    EXPECT_TRUE(g_TextMaster.IsPrepared(g_TextMaster.GetFont(g_FontVerdana13), "Mission complete"));
}

} // namespace
