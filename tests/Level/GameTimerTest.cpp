// The game clock and its sun, on a device of state only (light 0 is read back).

#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"
#include "Display/DisplayFixture.h"
#include "Display/Font2D.h"
#include "Display/TextMaster.h"
#include "Level/FixedFrameTime.h"
#include "Level/GameTimer.h"
#include "support/FatalTrap.h"

namespace {

const float COLOUR_TOLERANCE = 1e-5f;
const float SUN_TOLERANCE = 1e-3f;

const char* const PHASES =
    "GameTimer Sky\nAsset_Type Game\n"
    "DawnColor 1 0.5 0   DawnTime 6\n"
    "DayColor 1 1 1      DayTime 8\n"
    "DayEColor 0.8 0.8 0.6 DayETime 16\n"
    "DuskColor 1 0.4 0.2 DuskTime 18\n"
    "NightColor 0 0 0.4  NightTime 20\n"
    "NightEColor 0.2 0.2 0.8 NightETime 4\n";

CGameTimer Loaded(const std::string& script)
{
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    reader.Tokenise(script.c_str(), script.size());
    CGameTimer timer;
    EXPECT_TRUE(timer.Load(reader)) << script;
    return timer;
}

void SetClock(CGameTimer& timer, int hour, int minute, float seconds)
{
    timer.m_Hour = hour;
    timer.m_Minute = minute;
    timer.m_fSeconds = seconds;
}

void ExpectColour(const D3DXCOLOR& expected, const D3DCOLORVALUE& actual)
{
    EXPECT_NEAR(expected.r, actual.r, COLOUR_TOLERANCE);
    EXPECT_NEAR(expected.g, actual.g, COLOUR_TOLERANCE);
    EXPECT_NEAR(expected.b, actual.b, COLOUR_TOLERANCE);
    EXPECT_NEAR(expected.a, actual.a, COLOUR_TOLERANCE);
}

D3DXCOLOR Lerp(const D3DXCOLOR& a, const D3DXCOLOR& b, float f)
{
    return D3DXCOLOR(a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f);
}

TEST(CGameTimerTest, ReadsTheClockRatioAndPhasesAndNeedsItsType)
{
    const CGameTimer timer = Loaded(std::string("GameTimer Main\nAsset_Type Game\nYear 2004 Day 3 Hour 9 Min 30 "
                                                "Sec 12.5 TimeRatio 30\n") +
                                    (PHASES + std::strlen("GameTimer Sky\nAsset_Type Game\n")));
    EXPECT_EQ("Main", timer.GetName());
    EXPECT_TRUE(timer.IsInitialised());
    EXPECT_TRUE(timer.IsReady());
    EXPECT_EQ(2004, timer.m_Year);
    EXPECT_EQ(3, timer.m_Days);
    EXPECT_EQ(9, timer.m_Hour);
    EXPECT_EQ(30, timer.m_Minute);
    EXPECT_FLOAT_EQ(12.5f, timer.m_fSeconds);
    EXPECT_FLOAT_EQ(30.0f, timer.GetTimeRatio());
    EXPECT_FLOAT_EQ(4.0f, timer.GetPhase(CGameTimer::PHASE_NIGHT_END).m_fStart);
    const D3DXCOLOR& dusk = timer.GetPhase(CGameTimer::PHASE_DUSK).m_Colour;
    EXPECT_FLOAT_EQ(0.4f, dusk.g);
    EXPECT_FLOAT_EQ(0.0f, dusk.a) << "the fourth component is not read";

    const CGameTimer fresh;
    EXPECT_FLOAT_EQ(1.0f, fresh.GetTimeRatio());
    EXPECT_FLOAT_EQ(6.0f, fresh.GetPhase(CGameTimer::PHASE_DAWN).m_fStart);
    EXPECT_FLOAT_EQ(18.0f, fresh.GetPhase(CGameTimer::PHASE_DUSK).m_fStart);

    const std::string untyped = "GameTimer Main\nHour 9\n";
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    reader.Tokenise(untyped.c_str(), untyped.size());
    CGameTimer timer2;
    EXPECT_FALSE(timer2.Load(reader)) << "the base validation wants an asset type";
}

TEST(CGameTimerTest, AdvanceCarriesSecondsMinutesHoursAndDays)
{
    struct Case {
        int hour, minute;
        float seconds, advance;
        int days, expectedHour, expectedMinute;
        float expectedSeconds;
        int flags;
    };
    const Case cases[] = {
        {23, 30, 0.0f, 3600.0f, 1, 0, 30, 0.0f, 7},
        {10, 0, 30.0f, 59.0f, 0, 10, 1, 29.0f, 1},
        {10, 0, 0.0f, 30.0f, 0, 10, 0, 30.0f, 0},
        {10, 59, 0.0f, 60.0f, 0, 11, 0, 0.0f, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hour * 100 + c.minute);
        CGameTimer timer;
        SetClock(timer, c.hour, c.minute, c.seconds);
        EXPECT_EQ(c.flags, timer.Advance(c.advance));
        EXPECT_EQ(c.days, timer.m_Days);
        EXPECT_EQ(c.expectedHour, timer.m_Hour);
        EXPECT_EQ(c.expectedMinute, timer.m_Minute);
        EXPECT_NEAR(c.expectedSeconds, timer.m_fSeconds, 1e-3f);
        EXPECT_FLOAT_EQ(c.expectedHour + c.expectedMinute * 0.016666668f, timer.GetTimeOfDay());
    }

    // No advance is too large or too strange to convert.
    CGameTimer timer;
    timer.Advance(3.0e38f);
    EXPECT_GE(timer.m_Hour, 0);
    EXPECT_LT(timer.m_Hour, 24);
    timer.Advance(NAN);
    EXPECT_LT(timer.m_Minute, 60);
}

TEST(CGameTimerTest, SetTimeTakesMinutesAfterMidnight)
{
    CGameTimer timer;
    SetClock(timer, 3, 3, 42.0f);
    timer.m_Days = 5;
    timer.SetTime(615.0f);
    EXPECT_EQ(10, timer.m_Hour);
    EXPECT_EQ(15, timer.m_Minute);
    EXPECT_FLOAT_EQ(42.0f, timer.m_fSeconds);
    EXPECT_EQ(5, timer.m_Days);
    for (const float impossible : {1.0e20f, -30.0f, -0.5f, NAN}) {
        SCOPED_TRACE(impossible);
        timer.SetTime(impossible);
        EXPECT_EQ(10, timer.m_Hour) << "a time no clock shows is ignored";
        EXPECT_EQ(15, timer.m_Minute);
    }
}

TEST(CGameTimerTest, AScriptCannotSetTheClockBelowZero)
{
    const CGameTimer timer = Loaded("GameTimer Main\nAsset_Type Game\nHour 9 Min 30 Sec 12\n"
                                    "Hour -3 Min -30 Sec -5\nTimeRatio 2\n");
    EXPECT_EQ(9, timer.m_Hour);
    EXPECT_EQ(30, timer.m_Minute);
    EXPECT_FLOAT_EQ(12.0f, timer.m_fSeconds);
    EXPECT_FLOAT_EQ(2.0f, timer.GetTimeRatio()) << "the keywords after the refused values are still read";
}

TEST(CGameTimerTest, EachPhaseStartsOnItsColourAndBlendsIntoTheNext)
{
    const CGameTimer timer = Loaded(PHASES);
    const auto colour = [&](CGameTimer::Phase phase) { return timer.GetPhase(phase).m_Colour; };
    struct Case {
        float hours;
        D3DXCOLOR expected;
    };
    const Case cases[] = {
        {6.0f, colour(CGameTimer::PHASE_DAWN)},
        {8.0f, colour(CGameTimer::PHASE_DAY)},
        {16.0f, colour(CGameTimer::PHASE_DAY_END)},
        {18.0f, colour(CGameTimer::PHASE_DUSK)},
        {20.0f, colour(CGameTimer::PHASE_NIGHT)},
        {4.0f, colour(CGameTimer::PHASE_NIGHT_END)},
        {7.0f, Lerp(colour(CGameTimer::PHASE_DAWN), colour(CGameTimer::PHASE_DAY), 0.5f)},
        {12.0f, Lerp(colour(CGameTimer::PHASE_DAY), colour(CGameTimer::PHASE_DAY_END), 0.5f)},
        {19.5f, Lerp(colour(CGameTimer::PHASE_DUSK), colour(CGameTimer::PHASE_NIGHT), 0.75f)},
        // The night runs over midnight: 8 hours from 20 to 4.
        {23.0f, Lerp(colour(CGameTimer::PHASE_NIGHT), colour(CGameTimer::PHASE_NIGHT_END), 3.0f / 8.0f)},
        {2.0f, Lerp(colour(CGameTimer::PHASE_NIGHT), colour(CGameTimer::PHASE_NIGHT_END), 6.0f / 8.0f)},
        {5.0f, Lerp(colour(CGameTimer::PHASE_NIGHT_END), colour(CGameTimer::PHASE_DAWN), 0.5f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hours);
        D3DXCOLOR actual;
        ASSERT_TRUE(timer.GetPhaseColour(c.hours, actual));
        ExpectColour(c.expected, actual);
    }

    // An hour past the end of the day (a clock written from outside) lies in no window.
    D3DXCOLOR none;
    EXPECT_FALSE(timer.GetPhaseColour(24.5f, none));
}

class CGameTimerSunTest : public DisplayFixture {
protected:
    void SetUp() override { CreateDisplay(); }
    void TearDown() override
    {
        g_TextMaster.Reset();
        DisplayFixture::TearDown();
    }

    D3DLIGHT8 SunAt(CGameTimer& timer, int hour, int minute)
    {
        SetClock(timer, hour, minute, 0.0f);
        timer.UpdateSkyColor();
        D3DLIGHT8 light = {};
        EXPECT_EQ(D3D_OK, g_Display.GetD3DDevice()->GetLight(0, &light));
        return light;
    }
};

TEST_F(CGameTimerSunTest, TheSunCrossesTheSkyFromDawnToDuskAndLightsTheScene)
{
    CGameTimer timer = Loaded(PHASES);
    struct Case {
        int hour;
        D3DXVECTOR3 sun;
    };
    const Case cases[] = {
        {6, D3DXVECTOR3(0, 0, 10000)},
        {12, D3DXVECTOR3(0, 10000, 0)},
        {20, D3DXVECTOR3(0, 0, 10000)},
        {2, D3DXVECTOR3(0, 0, 10000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hour);
        const D3DLIGHT8 light = SunAt(timer, c.hour, 0);
        const D3DXVECTOR3& sun = timer.GetSunPosition();
        EXPECT_NEAR(c.sun.x, sun.x, 10.0f);
        EXPECT_NEAR(c.sun.y, sun.y, 10.0f);
        EXPECT_NEAR(c.sun.z, sun.z, 10.0f);
        EXPECT_EQ(D3DLIGHT_DIRECTIONAL, light.Type);
        D3DXVECTOR3 expected = -sun;
        D3DXVec3Normalize(&expected, &expected);
        EXPECT_NEAR(expected.x, light.Direction.x, SUN_TOLERANCE);
        EXPECT_NEAR(expected.y, light.Direction.y, SUN_TOLERANCE);
        EXPECT_NEAR(expected.z, light.Direction.z, SUN_TOLERANCE);
        D3DXCOLOR phase;
        ASSERT_TRUE(timer.GetPhaseColour(static_cast<float>(c.hour), phase));
        ExpectColour(phase, light.Diffuse);
        ExpectColour(phase, light.Specular);
        ExpectColour(D3DXCOLOR(0, 0, 0, 0), light.Ambient);
    }

    // Outside every phase window the sun is white.
    const D3DLIGHT8 white = SunAt(timer, 24, 30);
    ExpectColour(D3DXCOLOR(1, 1, 1, 0), white.Diffuse);
}

TEST_F(CGameTimerSunTest, UpdateAdvancesByTheFrameTimeTimesTheRatio)
{
    CGameTimer timer;
    timer.SetTimeRatio(60.0f);
    const FixedFrameTime halfSecond(500);
    timer.Update();
    EXPECT_FLOAT_EQ(30.0f, timer.m_fSeconds);
}

TEST_F(CGameTimerSunTest, DrawTimeQueuesTheHourAndTwoDigitMinutes)
{
    g_TextMaster.Enable();
    CGameTimer timer;
    SetClock(timer, 9, 5, 0.0f);
    timer.DrawTime(0.8f, 0.05f);
    EXPECT_EQ(1u, g_TextMaster.GetQueueCount());
    EXPECT_TRUE(g_TextMaster.IsPrepared(g_TextMaster.GetFont(g_FontVerdana13), "Time: 9:05"));
}

} // namespace
