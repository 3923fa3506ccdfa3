#include <cfloat>
#include <string>

#include <gtest/gtest.h>

#include "Console/ConsoleReaders.h"

namespace {

TEST(ConsoleReaders, ParseIntReadsARunInItsBaseAndRemovesIt)
{
    struct Case {
        const char* text;
        bool read;
        int32_t value;
        const char* left;
    };
    const Case cases[] = {
        {"0X1F", true, 31, ""},
        {"017", true, 15, ""},
        {"12AB", true, 12, ""},
        {"ABC", true, 0, ""},
        {"09", true, 0, ""},
        {"XYZ", false, -1, "XYZ"},
        {"", false, -1, ""},
        {"0X", false, -1, "0X"},
        {"0XG", false, -1, "0XG"},
        {"12X", false, -1, "12X"},
        {"-5", false, -1, "-5"},
        {"  42 REST", true, 42, " REST"},
        {"12,5", true, 12, ",5"},
        {"14:30", true, 14, ":30"},
        {"0XAF0000FF", true, static_cast<int32_t>(0xAF0000FFu), ""},
        {"0XFFFFFFFF", true, -1, ""},
        {"0X1FFFFFFFF", true, -1, ""},
        {"99999999999", true, INT32_MAX, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        int32_t value = 7;
        EXPECT_EQ(c.read, ParseInt(text, value));
        EXPECT_EQ(c.value, value);
        EXPECT_EQ(c.left, text);
    }
}

TEST(ConsoleReaders, ParseFloatTakesTheFirstWordAndFailsOnlyOnNothing)
{
    struct Case {
        const char* text;
        bool read;
        float value;
        const char* left;
    };
    const Case cases[] = {
        {" 1.5 2", true, 1.5f, " 2"}, {"", false, 0.0f, ""},          {"   ", false, 0.0f, ""},
        {"ABC", true, 0.0f, ""},      {"1E999", true, FLT_MAX, ""},   {"-1E999", true, -FLT_MAX, ""},
        {"-2.5,3", true, -2.5f, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        float value = 7.0f;
        EXPECT_EQ(c.read, ParseFloat(text, value));
        EXPECT_FLOAT_EQ(c.value, value);
        EXPECT_EQ(c.left, text);
    }
}

TEST(ConsoleReaders, VectorsAndColoursNeedAllThreeNumbers)
{
    std::string text = "1 2";
    D3DXVECTOR3 vector;
    EXPECT_FALSE(ParseVector3(text, vector));
    EXPECT_EQ(D3DXVECTOR3(1, 2, 0), vector);
    text = "1 2 3 4";
    EXPECT_TRUE(ParseVector3(text, vector));
    EXPECT_EQ(D3DXVECTOR3(1, 2, 3), vector);
    EXPECT_EQ(" 4", text);

    D3DXCOLOR colour;
    text = "0.5 0.25 1";
    EXPECT_TRUE(ParseColour(text, colour));
    EXPECT_EQ(D3DXCOLOR(0.5f, 0.25f, 1.0f, 1.0f), colour);
    text = "0.5 0.25";
    EXPECT_FALSE(ParseColour(text, colour));
}

TEST(ConsoleReaders, ParseTimeNeedsHoursAndMinutesOfADay)
{
    struct Case {
        const char* text;
        bool read;
        int32_t hours;
        int32_t minutes;
    };
    const Case cases[] = {
        {"14:30", true, 14, 30}, {"14 30", true, 14, 30}, {"0:0", true, 0, 0}, {"23:59", true, 23, 59},
        {"14", false, 0, 0},     {"24:00", false, 0, 0},  {"12:60", false, 0, 0}, {"XY:30", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        CConsoleTime time;
        time.m_Year = 5;
        EXPECT_EQ(c.read, ParseTime(text, time));
        EXPECT_EQ(c.hours, time.m_Hour);
        EXPECT_EQ(c.minutes, time.m_Minute);
        EXPECT_EQ(0, time.m_Year);
        EXPECT_EQ(0, time.m_Days);
    }
}

TEST(ConsoleReaders, ADisplayModeIsSixNumbersWithTheirCommasRightBehindThem)
{
    struct Case {
        const char* text;
        bool read;
        CDisplayMode mode;
    };
    const Case cases[] = {
        {"0,0,640,480,32,0", true, {640, 480, 0, 0, 32, 0}},
        {"5, 2, 800, 600, 16, 60", true, {800, 600, 1, 1, 16, 60}},
        {"0, 0 ,640", false, {}},
        {"0,0,640,480,32", false, {}},
        {"0,0,640,480,32,", false, {}},
        {"0,0,70000,480,32,0", false, {}},
        {"0,0,640,480,300,0", false, {}},
        {"0,0,640,480,32,256", false, {}},
        {"", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        CDisplayMode mode;
        EXPECT_EQ(c.read, ParseDisplayMode(text, mode));
        if (!c.read)
            continue;
        EXPECT_EQ(c.mode.Width, mode.Width);
        EXPECT_EQ(c.mode.Height, mode.Height);
        EXPECT_EQ(c.mode.FullScreen, mode.FullScreen);
        EXPECT_EQ(c.mode.VSync, mode.VSync);
        EXPECT_EQ(c.mode.BPP, mode.BPP);
        EXPECT_EQ(c.mode.RefreshRate, mode.RefreshRate);
    }
}

TEST(ConsoleReaders, NextTokenTakesAWordOrAQuotedName)
{
    struct Case {
        const char* text;
        bool read;
        const char* token;
        const char* left;
    };
    const Case cases[] = {
        {"  SEDAN 1 2 3", true, "SEDAN", " 1 2 3"},
        {"\"POLICE CAR\" 1 2 3", true, "POLICE CAR", " 1 2 3"},
        {"\"OPEN", true, "OPEN", ""},
        {"\"\" 1", false, "", " 1"},
        {"   ", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        std::string token = "old";
        EXPECT_EQ(c.read, NextToken(text, token));
        EXPECT_EQ(c.token, token);
        EXPECT_EQ(c.left, text);
    }
}

} // namespace
