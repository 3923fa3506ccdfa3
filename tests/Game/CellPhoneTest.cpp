#include "Game/CellPhone.h"

#include <string>

#include <gtest/gtest.h>

#include "Display/Texture.h"
#include "Game/ScriptFolderFixture.h"
#include "support/FatalTrap.h"

namespace {

const char* const PHONE_SCRIPT = "Scripts/CellPhone.txt";

// The textures "Back" and "Button" and the sound "Ring" filed.
class CellPhoneTest : public ScriptFolderFixture {
protected:
    CellPhoneTest()
    {
        File(new CTexture(), "Back");
        File(new CTexture(), "Button");
        File(new SFX3D(), "Ring");
    }
};

// Words in any order and any case; the state words set the state selected
// last; a word the phone does not know is passed over.
TEST_F(CellPhoneTest, LoadReadsTheLookOfEachDisplayStateAndHidesThePhone)
{
    m_Dir.Write(PHONE_SCRIPT, "Name \"Player's phone\"\n"
                              "StateNum 1 StateName Open Translation 0.8 0.6 Scale 1 1\n"
                              "back_texture Back\nButton_Texture Button\nVibrate 3\n"
                              "StateNum 0 scale 0.5 0.25 statename Small translation 0.9 0.8\n"
                              "RingSound Ring\nConnectingTime 2.5\nTextOffSet 0.0125 0.0167\n");
    CCellPhone phone;
    ASSERT_TRUE(phone.Load(PHONE_SCRIPT));
    EXPECT_TRUE(phone.IsLoaded());
    EXPECT_EQ(CCellPhone::DISPLAY_HIDDEN, phone.GetDisplayState());

    const CellPhoneState& small = phone.GetState(CCellPhone::DISPLAY_SMALL);
    EXPECT_EQ("Small", small.m_StateName);
    EXPECT_EQ(D3DXVECTOR2(0.9f, 0.8f), small.m_vTranslation);
    EXPECT_EQ(D3DXVECTOR2(0.5f, 0.25f), small.m_vScale);
    const CellPhoneState& open = phone.GetState(CCellPhone::DISPLAY_OPEN);
    EXPECT_EQ("Open", open.m_StateName);
    EXPECT_EQ(D3DXVECTOR2(0.8f, 0.6f), open.m_vTranslation);
    EXPECT_EQ(D3DXVECTOR2(1.0f, 1.0f), open.m_vScale);
    EXPECT_EQ("", phone.GetState(CCellPhone::DISPLAY_HIDDEN).m_StateName);

    EXPECT_EQ(Filed<CTexture>("Back"), phone.GetBackTexture());
    EXPECT_EQ(Filed<CTexture>("Button"), phone.GetButtonTexture());
    EXPECT_EQ("Ring", phone.GetRingSound().GetName()) << "a copy of the sound effect";
    EXPECT_FLOAT_EQ(2.5f, phone.GetConnectingTime());
    EXPECT_EQ(D3DXVECTOR2(0.0125f, 0.0167f), phone.GetTextOffset());
}

TEST_F(CellPhoneTest, LoadsOnceUntilShutDownAndShutsDownTwiceQuietly)
{
    m_Dir.Write(PHONE_SCRIPT, "ConnectingTime 1\n");
    CCellPhone phone;
    EXPECT_FALSE(phone.Load(nullptr));
    EXPECT_FALSE(phone.IsLoaded());
    ASSERT_TRUE(phone.Load(PHONE_SCRIPT));
    m_Dir.Write(PHONE_SCRIPT, "ConnectingTime 2\n");
    EXPECT_FALSE(phone.Load(PHONE_SCRIPT)) << "a second load does nothing";
    EXPECT_FLOAT_EQ(1.0f, phone.GetConnectingTime());

    phone.Shutdown();
    phone.Shutdown();
    EXPECT_FALSE(phone.IsLoaded());
    EXPECT_TRUE(phone.Load(PHONE_SCRIPT));
    EXPECT_FLOAT_EQ(2.0f, phone.GetConnectingTime());
}

TEST_F(CellPhoneTest, WordsForADisplayStateThatDoesNotExistArePassedOver)
{
    m_Dir.Write(PHONE_SCRIPT, "StateNum 0 StateName Small\nStateNum 3 StateName Huge Scale 9 9\n"
                              "StateNum -1 Translation 7 7\nConnectingTime 4\n");
    CCellPhone phone;
    ASSERT_TRUE(phone.Load(PHONE_SCRIPT));
    for (int state = 0; state < CCellPhone::DISPLAY_STATE_COUNT; ++state) {
        EXPECT_NE("Huge", phone.GetState(state).m_StateName);
        EXPECT_EQ(D3DXVECTOR2(0, 0), phone.GetState(state).m_vScale);
        EXPECT_EQ(D3DXVECTOR2(0, 0), phone.GetState(state).m_vTranslation);
    }
    EXPECT_EQ("Small", phone.GetState(CCellPhone::DISPLAY_SMALL).m_StateName);
    EXPECT_FLOAT_EQ(4.0f, phone.GetConnectingTime());
    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("no display state 3")) << log;
    EXPECT_NE(std::string::npos, log.find("no display state -1")) << log;
}

TEST_F(CellPhoneTest, AMissingScriptTextureOrSoundStopsTheGame)
{
    CCellPhone phone;
    const std::string inScript = std::string("\nin ") + PHONE_SCRIPT;
    EXPECT_FATAL(phone.Load(PHONE_SCRIPT), "Unable to initialize data buffer" + inScript);
    m_Dir.Write(PHONE_SCRIPT, "Back_Texture back\n");
    EXPECT_FATAL(phone.Load(PHONE_SCRIPT), "Unable to find asset \"back\" of type <CTexture>" + inScript);
    m_Dir.Write(PHONE_SCRIPT, "RingSound Bell\n");
    EXPECT_FATAL(phone.Load(PHONE_SCRIPT), "Unable to find asset \"Bell\" of type <SFX3D>" + inScript);
    EXPECT_FALSE(phone.IsLoaded());
}

} // namespace
