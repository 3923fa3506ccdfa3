#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/FakeFontRasteriser.h"
#include "Display/Font2D.h"
#include "platform/d3d8/D3D8Platform.h"
#include "support/FatalTrap.h"

namespace {

const float TEXTURE_256 = 256.0f;
const int GLYPHS_PER_ROW_256 = 15; // cells 16 wide, one texel apart
const int ROW_STEP = 11;            // cells 10 high, one texel apart

class CFont2DTest : public DisplayFixture {
protected:
    void SetUp() override { CreateDisplay(); }

    static CFontDesc Desc(int32_t size, float scale = 1.0f)
    {
        return CFontDesc("Verdana", false, false, true, size, scale);
    }

    // Where the fake's default cells put a character in a 256 texture.
    static CGlyphRect Expected(char c)
    {
        const int index = c - CFont2D::FIRST_CHAR;
        const int x = (index % GLYPHS_PER_ROW_256) * 17;
        const int y = (index / GLYPHS_PER_ROW_256) * ROW_STEP;
        CGlyphRect glyph;
        glyph.m_Left = x / TEXTURE_256;
        glyph.m_Top = y / TEXTURE_256;
        glyph.m_Right = (x + 16) / TEXTURE_256;
        glyph.m_Bottom = (y + 10) / TEXTURE_256;
        return glyph;
    }

    FakeFontRasteriser m_Rasteriser;
};

TEST_F(CFont2DTest, TextureSizeFollowsThePointSize)
{
    struct Case {
        int32_t size;
        uint32_t texture;
        int fontHeight;
    };
    const Case cases[] = {{8, 256, -11}, {15, 256, -20}, {16, 512, -21}, {40, 512, -53}, {41, 1024, -55}};
    for (const Case& c : cases) {
        CFont2D font(&m_Rasteriser);
        ASSERT_TRUE(font.Init(Desc(c.size)));
        EXPECT_EQ(c.texture, font.GetTextureSize()) << c.size;
        EXPECT_EQ(1.0f, font.GetTextureFactor()) << c.size;
        EXPECT_EQ(c.fontHeight, m_Rasteriser.m_LastRequest.m_Height) << c.size;
    }
}

TEST_F(CFont2DTest, ADeviceWithSmallerTexturesShrinksTheGlyphsByTheSameFactor)
{
    D3DCAPS8 caps = {};
    ASSERT_EQ(D3D_OK, g_Display.GetD3DDevice()->GetDeviceCaps(&caps));
    caps.MaxTextureWidth = 256;
    caps.MaxTextureHeight = 256;
    D3D8Platform::SetCaps(caps);

    CFont2D font(&m_Rasteriser);
    ASSERT_TRUE(font.Init(Desc(41)));
    EXPECT_EQ(256u, font.GetTextureSize());
    EXPECT_EQ(0.25f, font.GetTextureFactor());
    // 41 points at 96 x 0.25 = 24 dots per inch.
    EXPECT_EQ(-14, m_Rasteriser.m_LastRequest.m_Height);
}

TEST_F(CFont2DTest, TheFontRequestCarriesTheDescription)
{
    CFont2D font(&m_Rasteriser);
    ASSERT_TRUE(font.Init(CFontDesc("Courier", true, true, false, 13, 0.5f)));
    EXPECT_EQ(-17, m_Rasteriser.m_LastRequest.m_Height);
    EXPECT_EQ(FW_BOLD, m_Rasteriser.m_LastRequest.m_Weight);
    EXPECT_TRUE(m_Rasteriser.m_LastRequest.m_bItalic);
    EXPECT_EQ(static_cast<DWORD>(NONANTIALIASED_QUALITY), m_Rasteriser.m_LastRequest.m_Quality);
    EXPECT_EQ("Courier", m_Rasteriser.m_LastFace);
    EXPECT_EQ(0.5f, font.GetScale());
    EXPECT_EQ(1, m_Rasteriser.m_Begun);
    EXPECT_EQ(1, m_Rasteriser.m_Ended) << "the canvas is released";
}

TEST_F(CFont2DTest, GlyphsAreLaidOutInRowsOneTexelApart)
{
    CFont2D font(&m_Rasteriser);
    ASSERT_TRUE(font.Init(Desc(13)));
    for (char c : {' ', '.', '/', 'A', 'z', '~'}) {
        CGlyphRect glyph;
        ASSERT_TRUE(font.GetGlyph(c, glyph)) << c;
        const CGlyphRect expected = Expected(c);
        EXPECT_EQ(expected.m_Left, glyph.m_Left) << c;
        EXPECT_EQ(expected.m_Top, glyph.m_Top) << c;
        EXPECT_EQ(expected.m_Right, glyph.m_Right) << c;
        EXPECT_EQ(expected.m_Bottom, glyph.m_Bottom) << c;
    }
    CGlyphRect none;
    EXPECT_FALSE(font.GetGlyph('\x1f', none));
    EXPECT_FALSE(font.GetGlyph('\x7f', none));
    EXPECT_FALSE(font.GetGlyph('\xe9', none)) << "characters are unsigned";
    // The space's cell, 10 texels, times 1.8.
    EXPECT_EQ(18u, font.GetLineHeight());
}

TEST_F(CFont2DTest, FromSize22TheIIsOneTexelNarrower)
{
    for (int32_t size : {21, 22}) {
        CFont2D font(&m_Rasteriser);
        ASSERT_TRUE(font.Init(Desc(size)));
        ASSERT_EQ(512u, font.GetTextureSize());
        CGlyphRect glyph;
        ASSERT_TRUE(font.GetGlyph('i', glyph));
        // 'i' is the 74th glyph: the 14th of the third row of 30.
        const float measured = (13 * 17 + 16) / 512.0f;
        EXPECT_EQ(size >= 22 ? measured - 1 / 512.0f : measured, glyph.m_Right) << size;
    }
}

TEST_F(CFont2DTest, TheTextureIsWhiteWithTheCoverageAsAlpha)
{
    m_Rasteriser.m_Ink = 0x00A0A0A0;
    CFont2D font(&m_Rasteriser);
    ASSERT_TRUE(font.Init(Desc(13)));
    const std::vector<uint16_t> texels = ReadTexels16(font.GetTexture(), 256);
    ASSERT_EQ(256u * 256u, texels.size());
    EXPECT_EQ(0xAFFF, texels[0]) << "inside the space's cell";
    EXPECT_EQ(0xAFFF, texels[9 * 256 + 15]) << "its bottom-right texel";
    EXPECT_EQ(0x0FFF, texels[16]) << "the gap between cells";
    EXPECT_EQ(0x0FFF, texels[10 * 256]) << "the gap between rows";
    EXPECT_EQ(0x0FFF, texels[255 * 256 + 255]) << "below the last row";
}

TEST_F(CFont2DTest, ALetterASpaceAndALetterMakeFourTriangles)
{
    CFont2D font(&m_Rasteriser);
    ASSERT_TRUE(font.Init(Desc(13)));
    const std::unique_ptr<CTextQuads> quads = font.BuildText("a b");
    ASSERT_NE(nullptr, quads);
    EXPECT_EQ(4u, quads->m_NumTriangles);
    ASSERT_EQ(12u, quads->m_Vertices.size());

    const CGlyphRect a = Expected('a');
    const float w = 16 / TEXTURE_256;
    const float h = 10 / TEXTURE_256;
    const FONT2DVERTEX& first = quads->m_Vertices[0];
    EXPECT_EQ(0.0f, first.x);
    EXPECT_EQ(h, first.y);
    EXPECT_EQ(1.0f, first.z);
    EXPECT_EQ(1.0f, first.rhw);
    EXPECT_EQ(0xFFFFFFFFu, first.diffuse);
    EXPECT_EQ(a.m_Left, first.u);
    EXPECT_EQ(a.m_Bottom, first.v);
    const FONT2DVERTEX& topRight = quads->m_Vertices[3];
    EXPECT_EQ(w, topRight.x);
    EXPECT_EQ(0.0f, topRight.y);
    EXPECT_EQ(a.m_Right, topRight.u);
    EXPECT_EQ(a.m_Top, topRight.v);
    // The space moved the pen without drawing.
    EXPECT_EQ(2 * w, quads->m_Vertices[6].x);
    EXPECT_EQ(Expected('b').m_Left, quads->m_Vertices[6].u);
}

TEST_F(CFont2DTest, NewlinesAndCharactersWithoutGlyphsMoveThePenAsTheyShould)
{
    CFont2D font(&m_Rasteriser);
    ASSERT_TRUE(font.Init(Desc(13)));
    const float w = 16 / TEXTURE_256;
    const float h = 10 / TEXTURE_256;

    const std::unique_ptr<CTextQuads> lower = font.BuildText("\nA");
    ASSERT_EQ(2u, lower->m_NumTriangles);
    EXPECT_EQ(0.0f, lower->m_Vertices[1].x);
    EXPECT_EQ(18 / 480.0f, lower->m_Vertices[1].y) << "one line height / 480 lower";

    const std::unique_ptr<CTextQuads> skipped = font.BuildText("A\x01\xe9" "B");
    ASSERT_EQ(4u, skipped->m_NumTriangles);
    EXPECT_EQ(w, skipped->m_Vertices[6].x) << "the pen did not move";
    EXPECT_EQ(h, skipped->m_Vertices[6].y);

    EXPECT_EQ(0u, font.BuildText("")->m_NumTriangles);
    EXPECT_EQ(nullptr, font.BuildText(nullptr));
}

TEST_F(CFont2DTest, MeasuresScaledWidthsAndHeights)
{
    m_Rasteriser.m_Cells['W'] = {32, 12};
    CFont2D font(&m_Rasteriser);
    ASSERT_TRUE(font.Init(Desc(13, 0.5f)));
    EXPECT_EQ((16 + 32 + 16) / TEXTURE_256 * 0.5f, font.GetTextWidth("AW\nB")) << "no reset at a newline";
    EXPECT_EQ(12 / TEXTURE_256 * 0.5f, font.GetTextHeight("A\nW"));
    EXPECT_EQ(10 / TEXTURE_256 * 0.5f, font.GetTextHeight("A\x01"));
    EXPECT_EQ(0.0f, font.GetTextWidth(nullptr));
    EXPECT_EQ(0.0f, font.GetTextHeight(nullptr));

    CFont2D unready(&m_Rasteriser);
    EXPECT_EQ(0.0f, unready.GetTextWidth("A"));
    EXPECT_EQ(0.0f, unready.GetTextHeight("A"));
}

TEST_F(CFont2DTest, DrawTextPlacesTheGlyphsOnTheScreenInTheColour)
{
    CFont2D font(&m_Rasteriser);
    ASSERT_TRUE(font.Init(Desc(13, 0.5f)));
    const std::unique_ptr<CTextQuads> quads = font.BuildText("AB");
    const D3DCOLOR colour = 0x80FF2010;
    font.DrawText(*quads, colour, 0.25f, 0.5f, -1, true);

    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    DWORD value = 0;
    device->GetRenderState(D3DRS_TEXTUREFACTOR, &value);
    EXPECT_EQ(colour, value);
    device->GetVertexShader(&value);
    EXPECT_EQ(D3DFVF_FONT2DVERTEX, value);
    IDirect3DBaseTexture8* texture = nullptr;
    device->GetTexture(0, &texture);
    EXPECT_EQ(font.GetTexture(), texture);
    IDirect3DVertexBuffer8* buffer = nullptr;
    UINT stride = 0;
    device->GetStreamSource(0, &buffer, &stride);
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(sizeof(FONT2DVERTEX), stride);
    D3DVERTEXBUFFER_DESC desc = {};
    buffer->GetDesc(&desc);
    EXPECT_EQ(20160u, desc.Size);

    // 640 x 480 at half scale: x = u x 320 + 160, y = v x 240 + 240.
    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, buffer->Lock(0, 0, &data, D3DLOCK_READONLY));
    const FONT2DVERTEX* vertices = reinterpret_cast<const FONT2DVERTEX*>(data);
    EXPECT_EQ(160.0f, vertices[0].x);
    EXPECT_EQ(10 / TEXTURE_256 * 240.0f + 240.0f, vertices[0].y);
    EXPECT_EQ(colour, vertices[0].diffuse);
    EXPECT_EQ(16 / TEXTURE_256 * 320.0f + 160.0f, vertices[6].x) << "the second glyph";
    EXPECT_EQ(Expected('B').m_Left, vertices[6].u);
    buffer->Unlock();
    if (texture != nullptr)
        texture->Release();
    buffer->Release();
}

TEST_F(CFont2DTest, InvalidateReleasesAndRestoreRebuildsFromTheDescription)
{
    CFont2D font(&m_Rasteriser);
    ASSERT_TRUE(font.Init(Desc(13, 0.5f)));
    const std::unique_ptr<CTextQuads> quads = font.BuildText("A");
    font.Invalidate();
    EXPECT_FALSE(font.IsInitialised());
    EXPECT_FALSE(font.IsReady());
    EXPECT_EQ(nullptr, font.GetTexture());
    EXPECT_EQ(nullptr, font.BuildText("A"));
    EXPECT_FATAL(font.DrawText(*quads, 0xFFFFFFFF, 0, 0, -1, true), "CFont2D::DrawText. Object not intialized or ready");

    font.Restore();
    EXPECT_TRUE(font.IsReady());
    EXPECT_NE(nullptr, font.GetTexture());
    EXPECT_EQ(0.5f, font.GetScale());
    EXPECT_EQ(2, m_Rasteriser.m_Begun);
    CGlyphRect glyph;
    ASSERT_TRUE(font.GetGlyph('A', glyph));
    EXPECT_EQ(Expected('A').m_Left, glyph.m_Left);
}

TEST_F(CFont2DTest, MatchingIgnoresOnlyAntialiasing)
{
    CFont2D font(&m_Rasteriser);
    const CFontDesc desc("Verdana", false, false, true, 13, 0.5f);
    ASSERT_TRUE(font.Init(desc));
    EXPECT_TRUE(font.Matches(desc));
    EXPECT_TRUE(font.Matches(CFontDesc("Verdana", false, false, false, 13, 0.5f)));
    EXPECT_FALSE(font.Matches(CFontDesc("Verdana", true, false, true, 13, 0.5f)));
    EXPECT_FALSE(font.Matches(CFontDesc("Verdana", false, true, true, 13, 0.5f)));
    EXPECT_FALSE(font.Matches(CFontDesc("verdana", false, false, true, 13, 0.5f)));
    EXPECT_FALSE(font.Matches(CFontDesc("Verdana", false, false, true, 8, 0.5f)));
    EXPECT_FALSE(font.Matches(CFontDesc("Verdana", false, false, true, 13, 1.0f)));
}

TEST_F(CFont2DTest, FailuresToBuild)
{
    m_Rasteriser.m_bRefuseCanvas = true;
    CFont2D refused(&m_Rasteriser);
    EXPECT_FALSE(refused.Init(Desc(13)));
    EXPECT_FALSE(refused.IsReady());
    EXPECT_EQ(nullptr, refused.GetTexture());

    g_Display.Shutdown();
    CFont2D noDevice(&m_Rasteriser);
    EXPECT_FATAL(noDevice.Init(Desc(13)), "CFont2D::Init. Unable to create texture for font <Verdana>");
}

// Wrapping and splitting with cells 16 texels wide in a 256 texture: every
// character is 1/16 wide, so a maximum of 0.3125 holds five of them.
class WordWrapTest : public CFont2DTest {
protected:
    void SetUp() override
    {
        CFont2DTest::SetUp();
        m_pFont = std::make_unique<CFont2D>(&m_Rasteriser);
        ASSERT_TRUE(m_pFont->Init(Desc(13)));
    }

    void TearDown() override
    {
        m_pFont.reset();
        CFont2DTest::TearDown();
    }

    std::unique_ptr<CFont2D> m_pFont;
};

const float FIVE_CHARS = 5 / 16.0f;

TEST_F(WordWrapTest, WrapsInPlace)
{
    struct Case {
        const char* text;
        float startWidth;
        const char* wrapped;
    };
    const Case cases[] = {
        {"abcde", 0, "abcde"},
        {"ab cd ef gh", 0, "ab cd\nef gh"},
        {"abcdefghijkl", 0, "abcde\nfghij\nkl"},
        {" abcdefg", 0, " abcd\nefg"}, // index 0 is never a break
        {"abc defghijk", 0, "abc\ndefgh\nijk"},
        {"ab\ncd efgh ij", 0, "ab\ncd\nefgh\nij"},
        {"a b\ncdefghi", 0, "a b\ncdefg\nhi"}, // no look-back into the line before
        {"ab cdefgh", 2 / 16.0f, "ab\ncde\nfgh"}, // every line starts at the start width
        {"", 0, ""},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        WordWrapString(text, m_pFont.get(), c.startWidth, FIVE_CHARS);
        EXPECT_EQ(c.wrapped, text) << '"' << c.text << '"';
    }
}

TEST_F(WordWrapTest, SplitsIntoLines)
{
    struct Case {
        const char* text;
        float startWidth;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"abcde", 0, {"abcde"}},
        {"ab cd ef gh", 0, {"ab cd", "ef gh"}},
        {"abcdefghijkl", 0, {"abcde", "fghij", "kl"}},
        {"abc  defghijk", 0, {"abc ", "defgh", "ijk"}},
        {"ab\ncd", 0, {"ab", "\ncd"}}, // the line after a newline begins with it
        {"ab cd ef", 3 / 16.0f, {"ab", "cd", "ef"}},
        {"", 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines;
        SplitTextIntoLines(c.text, m_pFont.get(), c.startWidth, FIVE_CHARS, lines);
        EXPECT_EQ(c.lines, lines) << '"' << c.text << '"';
    }
}

TEST_F(WordWrapTest, SplittingNeedsRoomForAnM)
{
    std::vector<std::string> lines = {"kept"};
    SplitTextIntoLines("abc", m_pFont.get(), FIVE_CHARS, FIVE_CHARS, lines);
    SplitTextIntoLines("abc", m_pFont.get(), 0, 1 / 32.0f, lines);
    SplitTextIntoLines(nullptr, m_pFont.get(), 0, FIVE_CHARS, lines);
    EXPECT_EQ(std::vector<std::string>{"kept"}, lines);
}

} // namespace
