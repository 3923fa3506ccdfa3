// The conversation windows of the shipped look drawn on the real device over
// white and read back: both panels in their colour at their places, the
// more-text mark while lines remain and gone once the last page shows.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/Font2D.h"
#include "Display/RenderStates.h"
#include "Display/TextMaster.h"
#include "Display/Texture.h"
#include "Game/Conversation.h"
#include "Game/GlShippedPicturesFixture.h"
#include "Game/HUD.h"
#include "support/TempDir.h"

namespace {

const D3DCOLOR WHITE = 0xFFFFFFFF;
// The panels' alpha 200 of black over white.
const D3DCOLOR PANEL_GREY = 0xFF373737;
const int TOLERANCE = 24;

class GlConversationWindowTest : public GlShippedPicturesFixture {
protected:
    void SetUp() override
    {
        GlShippedPicturesFixture::SetUp();
        if (HasFatalFailure())
            return;
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        m_HUD.Load(&m_Player);
        m_HUD.m_bVisible = 1;
        m_HUD.m_bShowStatus = 0;
        m_HUD.m_bShowTime = 0;
        const CFont2D* font = g_TextMaster.GetFont(g_FontVerdana13);
        m_W = font->GetTextWidth("A");
        m_H = font->GetTextHeight("A");
    }

    void TearDown() override
    {
        GlShippedPicturesFixture::TearDown();
    }

    std::vector<uint32_t> Draw()
    {
        return DrawScene(WHITE, m_Width, m_Height, [this] {
            CStateBlocks::ApplyObject2D();
            m_HUD.Draw();
        });
    }

    // The pixel at (x, y), fractions of the screen.
    bool PixelIs(const std::vector<uint32_t>& pixels, float x, float y, D3DCOLOR colour) const
    {
        const size_t px = static_cast<size_t>(x * m_Width);
        const size_t py = static_cast<size_t>(y * m_Height);
        return ColourNear(pixels[py * m_Width + px], colour, TOLERANCE);
    }

    CGameActor m_Player;
    CHUD m_HUD;
    UINT m_Width = 0;
    UINT m_Height = 0;
    float m_W = 0.0f;
    float m_H = 0.0f;
};

TEST_F(GlConversationWindowTest, PanelsShowInTheirColourAndTheMarkWhileTextRemains)
{
    std::vector<StringTableEntry> table = {{"one\ntwo\nthree\nfour", ""}, {"Yes", ""}};
    CConversation talk(0.0f, 24.0f, &table);
    ConversationBranch& ask = talk.AddBranch("Ask");
    ask.m_Outputs = {0};
    ask.m_Inputs = {1};
    ask.m_Targets = {"Ask"};
    talk.DeclareState("STATE_DEFAULT", "Ask");
    talk.SetState("STATE_DEFAULT");
    CConversationWindow& window = m_HUD.m_ConversationWindow;
    window.SetConversation(&talk, false);
    const ConversationTextWindow& output = window.m_OutputWindow;
    // Below the slots, clear of the rounded corners; the mark's middle.
    const float panelX = output.m_vPosition.x + 0.2f;
    const float panelY = output.m_vPosition.y + 4.5f * m_H;
    const float markX = output.m_vMorePosition.x + 0.5f * m_W;
    const float markY = output.m_vMorePosition.y + 0.45f * m_H;

    const std::vector<uint32_t> paging = Draw();
    ASSERT_EQ(640u * 480u, paging.size());
    EXPECT_TRUE(PixelIs(paging, panelX, panelY, PANEL_GREY));
    EXPECT_TRUE(PixelIs(paging, output.m_vPosition.x - 0.01f, panelY, WHITE)) << "nothing left of the panel";
    EXPECT_TRUE(PixelIs(paging, markX, markY, WHITE)) << "the white mark";
    EXPECT_TRUE(PixelIs(paging, 0.3f, 0.68f + 7.2f * m_H, WHITE)) << "no answers yet";

    window.m_OutputWindow.ShowNextPage();
    window.m_InputWindow.m_bShown = 1;
    const std::vector<uint32_t> answering = Draw();
    EXPECT_TRUE(PixelIs(answering, markX, markY, PANEL_GREY)) << "no mark once complete";
    EXPECT_TRUE(PixelIs(answering, 0.3f, 0.68f + 7.2f * m_H, PANEL_GREY)) << "the answers' panel";
    EXPECT_TRUE(PixelIs(answering, 0.76f, 0.68f + 7.2f * m_H, WHITE)) << "right of the answers' panel";
}

} // namespace
