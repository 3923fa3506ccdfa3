#include <string>

#include <gtest/gtest.h>

#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/FakeFontRasteriser.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"
#include "support/FatalTrap.h"

namespace {

const D3DCOLOR WHITE = 0xFFFFFFFF;
const D3DCOLOR RED = 0xFFFF0000;

class CTextMasterTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        ASSERT_TRUE(CStateBlocks::CreateAll());
    }

    // The fonts go before the device.
    void TearDown() override
    {
        m_Master.Reset();
        DisplayFixture::TearDown();
    }

    DWORD Render(D3DRENDERSTATETYPE state) const
    {
        DWORD value = 0;
        g_Display.GetD3DDevice()->GetRenderState(state, &value);
        return value;
    }

    FakeFontRasteriser m_Rasteriser;
    CTextMaster m_Master{&m_Rasteriser};
    CFontDesc m_Font13{"Verdana", false, false, true, 13, 0.5f};
    CFontDesc m_Font8{"Verdana", false, false, true, 8, 0.5f};
};

TEST_F(CTextMasterTest, TextBeforeEnableIsDropped)
{
    m_Master.TextOut("early", 0, 0, WHITE, &m_Font13, -1, false);
    m_Master.TextOut("early", 0, 0, WHITE, &m_Font13, -1, true);
    EXPECT_EQ(0u, m_Master.GetQueueCount());
    EXPECT_EQ(0u, m_Master.GetFontCount());
    EXPECT_EQ(0u, m_Master.GetPreparedCount());
    EXPECT_FALSE(m_Master.IsEnabled());
}

TEST_F(CTextMasterTest, AStringIsPreparedOncePerFont)
{
    m_Master.Enable();
    m_Master.TextOut("score", 0, 0, WHITE, &m_Font13, -1, false);
    m_Master.TextOut("score", 0, 0.1f, RED, &m_Font13, -1, false);
    m_Master.TextOut("score", 0, 0.2f, WHITE, &m_Font8, -1, false);
    m_Master.TextOut("Score", 0, 0.3f, WHITE, &m_Font8, -1, true);
    EXPECT_EQ(3u, m_Master.GetQueueCount());
    EXPECT_EQ(2u, m_Master.GetFontCount());
    EXPECT_EQ(3u, m_Master.GetPreparedCount()) << "two fonts of one text, and a text differing in case";
    EXPECT_TRUE(m_Master.IsPrepared(m_Master.GetFont(m_Font13), "score"));
    EXPECT_TRUE(m_Master.IsPrepared(m_Master.GetFont(m_Font8), "score"));
}

TEST_F(CTextMasterTest, DescriptionsDifferingOnlyInAntialiasingShareTheFirstFont)
{
    CFont2D* first = m_Master.GetFont(m_Font13);
    const CFontDesc plain("Verdana", false, false, false, 13, 0.5f);
    EXPECT_EQ(first, m_Master.GetFont(plain));
    EXPECT_TRUE(first->GetDesc().m_bAntialias);
    EXPECT_NE(first, m_Master.GetFont(CFontDesc("Verdana", true, false, true, 13, 0.5f)));
    EXPECT_EQ(2u, m_Master.GetFontCount());
}

TEST_F(CTextMasterTest, TheQueueHoldsAHundredStringsAFrame)
{
    m_Master.Enable();
    for (int i = 0; i <= CTextMaster::MAX_QUEUED; ++i)
        m_Master.TextOut("line", 0, 0, WHITE, &m_Font13, -1, false);
    EXPECT_EQ(static_cast<uint32_t>(CTextMaster::MAX_QUEUED), m_Master.GetQueueCount());
    m_Master.DrawAll();
    EXPECT_EQ(0u, m_Master.GetQueueCount());
    m_Master.TextOut("line", 0, 0, WHITE, &m_Font13, -1, false);
    EXPECT_EQ(1u, m_Master.GetQueueCount());
}

TEST_F(CTextMasterTest, NullTextOrDescriptionDrawsNothing)
{
    m_Master.Enable();
    m_Master.TextOut(nullptr, 0, 0, WHITE, &m_Font13, -1, false);
    m_Master.TextOut("text", 0, 0, WHITE, nullptr, -1, false);
    EXPECT_EQ(0u, m_Master.GetQueueCount());
    EXPECT_EQ(0u, m_Master.GetPreparedCount());
}

// Runs of one colour and font go in the order of their first strings, so
// of white, red, white the red run is drawn last.
TEST_F(CTextMasterTest, TheTextPassDrawsRunsOfOneColourAndFontUnderTheFontBlock)
{
    m_Master.Enable();
    m_Master.TextOut("one", 0, 0, WHITE, &m_Font13, -1, false);
    m_Master.TextOut("two", 0, 0, RED, &m_Font13, -1, false);
    m_Master.TextOut("three", 0, 0, WHITE, &m_Font13, -1, false);
    g_Display.GetD3DDevice()->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    m_Master.DrawAll();
    EXPECT_EQ(RED, Render(D3DRS_TEXTUREFACTOR));
    EXPECT_EQ(static_cast<DWORD>(D3DZB_FALSE), Render(D3DRS_ZENABLE)) << "the Font block is applied";
    DWORD shader = 0;
    g_Display.GetD3DDevice()->GetVertexShader(&shader);
    EXPECT_EQ(D3DFVF_FONT2DVERTEX, shader);
    EXPECT_EQ(0u, m_Master.GetQueueCount());
}

TEST_F(CTextMasterTest, StringsNoLongerAskedForAreDropped)
{
    m_Master.Enable();
    for (int frame = 0; frame < 1000; ++frame) {
        m_Master.TextOut("steady", 0, 0, WHITE, &m_Font13, -1, false);
        m_Master.TextOut(std::to_string(frame).c_str(), 0, 0.5f, WHITE, &m_Font13, -1, false);
        m_Master.DrawAll();
    }
    EXPECT_LT(m_Master.GetPreparedCount(), 200u);
    EXPECT_TRUE(m_Master.IsPrepared(m_Master.GetFont(m_Font13), "steady"));
    EXPECT_TRUE(m_Master.IsPrepared(m_Master.GetFont(m_Font13), "999"));
}

TEST_F(CTextMasterTest, ClearingTakesAlongWhatPointsAtTheClearedObjects)
{
    m_Master.Enable();
    m_Master.TextOut("queued", 0, 0, WHITE, &m_Font13, -1, false);
    m_Master.Clear(CTextMaster::CLEAR_PREPARED);
    EXPECT_EQ(0u, m_Master.GetQueueCount());
    EXPECT_EQ(0u, m_Master.GetPreparedCount());
    EXPECT_EQ(1u, m_Master.GetFontCount());

    m_Master.TextOut("queued", 0, 0, WHITE, &m_Font13, -1, false);
    m_Master.Clear(CTextMaster::CLEAR_FONTS);
    EXPECT_EQ(0u, m_Master.GetQueueCount());
    EXPECT_EQ(0u, m_Master.GetPreparedCount());
    EXPECT_EQ(0u, m_Master.GetFontCount());
    m_Master.DrawAll();

    m_Master.TextOut("queued", 0, 0, WHITE, &m_Font13, -1, false);
    m_Master.Reset();
    EXPECT_EQ(0u, m_Master.GetQueueCount());
    EXPECT_EQ(0u, m_Master.GetFontCount());
    EXPECT_TRUE(m_Master.IsEnabled());
}

TEST_F(CTextMasterTest, InvalidatedFontsDropTextUntilRestored)
{
    m_Master.Enable();
    m_Master.TextOut("kept", 0, 0, WHITE, &m_Font13, -1, false);
    m_Master.Invalidate();
    EXPECT_FALSE(m_Master.GetFont(m_Font13)->IsReady());
    m_Master.TextOut("kept", 0, 0, WHITE, &m_Font13, -1, true);
    m_Master.TextOut("kept", 0, 0, WHITE, &m_Font13, -1, false);
    EXPECT_EQ(1u, m_Master.GetQueueCount());
    m_Master.DrawAll();

    m_Master.Restore();
    EXPECT_TRUE(m_Master.GetFont(m_Font13)->IsReady());
    m_Master.TextOut("kept", 0, 0, WHITE, &m_Font13, -1, false);
    EXPECT_EQ(1u, m_Master.GetQueueCount());
    m_Master.DrawAll();
}

TEST_F(CTextMasterTest, AFontThatCannotBeBuiltIsFatal)
{
    m_Rasteriser.m_bRefuseCanvas = true;
    EXPECT_FATAL(m_Master.GetFont(m_Font13), "CTextMaster::TextOut Unable to intialize font \"Verdana\"");
    EXPECT_EQ(0u, m_Master.GetFontCount());
}

} // namespace
