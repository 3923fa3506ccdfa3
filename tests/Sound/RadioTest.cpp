#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Sound/Radio.h"
#include "Sound/RecordingFSound.h"
#include "Sound/Sound.h"
#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

typedef std::vector<std::string> Calls;

const CRadioControls NOTHING;
const CRadioControls POWER = {true, false, false};
const CRadioControls NEXT = {false, true, false};
const CRadioControls PREV = {false, false, true};

// A radio loaded from `script` in a fresh game folder, over a recording FMOD
// and a fresh sound system.
class CRadioTest : public ::testing::Test {
protected:
    void SetUp() override { g_Sound = CSound(); }

    void Load(const std::string& script)
    {
        m_Dir.Write("Scripts/Radiostations.txt", script);
        ScopedWorkingDir inDir(m_Dir.Path());
        m_Radio.LoadStations();
        m_Fmod.TakeCalls();
    }

    TempDir m_Dir;
    RecordingFSound m_Fmod;
    CRadio m_Radio;
};

TEST_F(CRadioTest, StationsFollowBlankAndInheritTheirType)
{
    Load("Station Solo file solo.ogg\n"
         "Station \"Kelm FM\" file Assets\\Music\\kelm.ogg InternetStream 0\n"
         "Station Rock file rock.ogg ; the type of the one before\n"
         "Station Net file \"http://radio.example/live\" InternetStream 1\n"
         "Station Quiet InternetStream 7\n");
    const struct {
        const char* m_Name;
        const char* m_File;
        int m_Type;
    } expected[] = {{"Blank", "", 3},           {"Solo", "solo.ogg", 3},
                    {"Kelm FM", "Assets\\Music\\kelm.ogg", 0}, {"Rock", "rock.ogg", 0},
                    {"Net", "http://radio.example/live", 1}, {"Quiet", "", 7}};
    ASSERT_EQ(6, m_Radio.GetStationCount());
    EXPECT_EQ(0, m_Radio.GetCurrentStation());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(expected[i].m_Name, m_Radio.GetStation(i).m_Name);
        EXPECT_EQ(expected[i].m_File, m_Radio.GetStation(i).m_File);
        EXPECT_EQ(expected[i].m_Type, m_Radio.GetStation(i).m_Type) << expected[i].m_Name;
    }
}

TEST_F(CRadioTest, BrokenStationFilesAreFatal)
{
    EXPECT_FATAL(Load("Station A file a.ogg\nStaton B file b.ogg\n"),
                 "CRadio::LoadStations, unknown token <Staton> in Scripts\\Radiostations.txt");
    ScopedWorkingDir inEmptyDir(TempDir().Path());
    EXPECT_FATAL(m_Radio.LoadStations(), "Unable to initialize data buffer\nin Scripts\\Radiostations.txt");
}

TEST_F(CRadioTest, RadioWithoutStationsStaysSilent)
{
    m_Radio.SetOn(true);
    m_Radio.Update(NEXT, 16);
    m_Radio.Update(PREV, 16);
    EXPECT_EQ(-1, m_Radio.GetCurrentStation());
    EXPECT_EQ("", m_Radio.GetStationName());
    EXPECT_TRUE(m_Fmod.TakeCalls().empty());
}

TEST_F(CRadioTest, StepsWrapThroughBlankEvenWhileOff)
{
    Load("Station A file a.ogg InternetStream 0\nStation B file b.ogg\n");
    m_Radio.Update(NEXT, 0);
    m_Radio.Update(NEXT, 0);
    EXPECT_EQ(2, m_Radio.GetCurrentStation());
    EXPECT_FALSE(m_Radio.IsOn());
    const Calls calls = m_Fmod.TakeCalls();
    EXPECT_NE(calls.end(), std::find(calls.begin(), calls.end(), "Stream_Open(b.ogg,0,0,0)"))
        << "tuning plays even while off";

    m_Radio.Update(NEXT, 0);
    EXPECT_EQ(0, m_Radio.GetCurrentStation()) << "from B to Blank";
    m_Radio.Update(PREV, 0);
    EXPECT_EQ(2, m_Radio.GetCurrentStation()) << "from Blank back to B";
}

TEST_F(CRadioTest, LocalStationResumesAtTheRadioClock)
{
    Load("Station Long file long.ogg InternetStream 0\n");
    m_Fmod.m_StreamLengthMs = 180000;
    g_Sound.SetMusicVolume(90);
    m_Radio.Update(NOTHING, 200000);
    EXPECT_EQ(200000u, m_Radio.GetClock()) << "the clock runs while off";

    m_Radio.Update(NEXT, 0);
    EXPECT_EQ((Calls{"Stream_Open(long.ogg,0,0,0)", "Stream_GetLength(S1)", "Stream_Play(-1,S1)",
                     "SetVolumeAbsolute(1,90)", "Stream_SetMode(S1,2)", "Stream_GetLengthMs(S1)",
                     "Stream_SetTime(S1,20000)"}),
              m_Fmod.TakeCalls());

    m_Radio.SetOn(true);
    m_Radio.SetOn(false);
    const Calls calls = m_Fmod.TakeCalls();
    EXPECT_EQ("Stream_Stop(S1)", calls.front()) << "tuning stops the music first";
    EXPECT_EQ("Stream_Stop(S2)", calls.back()) << "switching off stops it";
}

TEST_F(CRadioTest, StationNameShowsFiveSecondsFadingOverTheLastTwo)
{
    Load("Station A file a.ogg\n");
    m_Radio.SetOn(true);
    const struct {
        uint32_t m_Step;
        bool m_bShown;
        D3DCOLOR m_Color;
    } frames[] = {{3000, true, 0xffff0000}, {1000, true, 0x80ff0000}, {999, true, 0x00ff0000},
                  {1, false, 0x00ff0000}};
    for (const auto& frame : frames) {
        m_Radio.Update(NOTHING, frame.m_Step);
        EXPECT_EQ(frame.m_bShown, m_Radio.IsNameShown());
        EXPECT_EQ(frame.m_Color, m_Radio.GetNameColor());
    }
    m_Radio.Update(NEXT, 16);
    EXPECT_TRUE(m_Radio.IsNameShown()) << "tuning shows the next name";
    EXPECT_EQ("A", m_Radio.GetStationName());
    EXPECT_EQ(0xffff0000, m_Radio.GetNameColor());
}

TEST_F(CRadioTest, NetworkStationStartsOnceItCanPlay)
{
    Load("Station Net file \"http://radio.example/live\" InternetStream 1\n");
    m_Radio.Update(NEXT, 0);
    EXPECT_EQ((Calls{"Stream_SetBufferSize(100)", "Stream_Net_SetBufferProperties(64000,60,80)",
                     "Stream_Open(http://radio.example/live,16777520,0,0)"}),
              m_Fmod.TakeCalls());

    m_Fmod.m_StreamPlayResults = {-1, 7};
    m_Radio.SetOn(true);
    m_Fmod.TakeCalls();
    m_Radio.Update(NOTHING, 16);
    EXPECT_EQ((Calls{"Stream_Play(-1,S2)", "SetVolumeAbsolute(-1,255)", "SetPaused(-1,0)"}), m_Fmod.TakeCalls());
    m_Radio.Update(NOTHING, 16);
    m_Radio.Update(NOTHING, 16);
    EXPECT_EQ((Calls{"Stream_Play(-1,S2)", "SetVolumeAbsolute(7,255)", "SetPaused(7,0)"}), m_Fmod.TakeCalls());
    EXPECT_EQ(7, m_Radio.GetNetworkChannel());
    EXPECT_EQ(7, g_Sound.GetMusicChannel());

    m_Radio.Update(POWER, 16);
    EXPECT_EQ((Calls{"Stream_Stop(S2)", "Stream_Stop(null)"}), m_Fmod.TakeCalls());
    EXPECT_FALSE(m_Radio.IsOn());
}

} // namespace
