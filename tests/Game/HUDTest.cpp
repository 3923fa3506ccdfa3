#include "Game/HUD.h"

#include <string>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Display/Texture.h"
#include "Game/ScriptFolderFixture.h"
#include "support/FatalTrap.h"

namespace {

const char* const HUD_SCRIPT = "Scripts/HUD.txt";

// The textures "Dial" and "Frame" filed.
class HUDTest : public ScriptFolderFixture {
protected:
    HUDTest()
    {
        File(new CTexture(), "Dial");
        File(new CTexture(), "Frame");
    }
};

// The mark's position is written from the minimap's corner; the needle keeps
// its turning point unless the script moves it; the conversation window's
// words and an element the HUD lacks are passed over; the last block of an
// element stands.
TEST_F(HUDTest, LoadReadsEachElementsTextureFrameAndColour)
{
    m_Dir.Write(HUD_SCRIPT, "HUDObject RPM Texture Dial Position 0.02 0.76 Scale 0.8 0.8 Color 0xE0FFFFFF\n"
                            "hudobject mph texture Dial\n"
                            "ConversationInterface Position 9 9 Color 5 Window Text\n"
                            "HUDObject MapNorth Texture Frame Position 0.78 0.02 Scale 1 1 Color 4294967295\n"
                            "HUDObject Position Position 0.0875 0.1 Color b1111\n"
                            "HUDObject Compass Texture Dial Position 5 5\n"
                            "HUDObject RPM Color 0x80FF0000\n");
    CGameActor player;
    CHUD hud;
    EXPECT_EQ(D3DXVECTOR2(64, 64), hud.GetElement(CHUD::HUD_NEEDLE).m_vPosition);
    hud.Load(&player);
    EXPECT_EQ(&player, hud.GetPlayer());

    const HUDObject& rpm = hud.GetElement(CHUD::HUD_RPM);
    EXPECT_EQ(Filed<CTexture>("Dial"), rpm.m_pTexture);
    EXPECT_EQ(D3DXVECTOR2(0.02f, 0.76f), rpm.m_vPosition);
    EXPECT_EQ(D3DXVECTOR2(0.8f, 0.8f), rpm.m_vScale);
    EXPECT_EQ(0x80FF0000u, rpm.m_Color);
    const HUDObject& mph = hud.GetElement(CHUD::HUD_MPH);
    EXPECT_EQ(Filed<CTexture>("Dial"), mph.m_pTexture);
    EXPECT_EQ(D3DXVECTOR2(0, 0), mph.m_vPosition) << "the conversation window's words are not the dial's";
    EXPECT_EQ(0u, mph.m_Color);

    const HUDObject& frame = hud.GetElement(CHUD::HUD_MAP_NORTH);
    EXPECT_EQ(Filed<CTexture>("Frame"), frame.m_pTexture);
    EXPECT_EQ(0xFFFFFFFFu, frame.m_Color);
    const HUDObject& mark = hud.GetElement(CHUD::HUD_POSITION);
    EXPECT_EQ(D3DXVECTOR2(0.78f + 0.0875f, 0.02f + 0.1f), mark.m_vPosition);
    EXPECT_EQ(0xFu, mark.m_Color);
    EXPECT_EQ(nullptr, mark.m_pTexture);
    EXPECT_EQ(D3DXVECTOR2(64, 64), hud.GetElement(CHUD::HUD_NEEDLE).m_vPosition);
    EXPECT_EQ(nullptr, hud.GetElement(CHUD::HUD_MAP).m_pTexture);

    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("no HUD element Compass")) << log;
}

TEST_F(HUDTest, AMissingScriptOrTextureStopsTheGame)
{
    CHUD hud;
    EXPECT_FATAL(hud.Load(nullptr), "Unable to initialize data buffer\nin Scripts\\HUD.txt");
    m_Dir.Write(HUD_SCRIPT, "HUDObject WarningStar Texture Star\n");
    EXPECT_FATAL(hud.Load(nullptr), "Unable to find asset \"Star\" of type <CTexture>\nin Scripts\\HUD.txt");
}

} // namespace
