#include <cfloat>
#include <string>

#include <gtest/gtest.h>

#include "Console/ConsoleReaders.h"

namespace {

template <class T>
struct ReadCase {
    const char* text;
    bool read;
    T value;
    const char* left;
};

void ExpectValue(int32_t expected, int32_t value)
{
    EXPECT_EQ(expected, value);
}

void ExpectValue(float expected, float value)
{
    EXPECT_FLOAT_EQ(expected, value);
}

// Each case read by `parse` into a value of 7: whether it read, what it
// stored and what it left of the text.
template <class T, size_t N>
void ExpectReads(bool (*parse)(std::string&, T&), const ReadCase<T> (&cases)[N])
{
    for (const ReadCase<T>& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        T value = 7;
        EXPECT_EQ(c.read, parse(text, value));
        ExpectValue(c.value, value);
        EXPECT_EQ(c.left, text);
    }
}

TEST(ConsoleReaders, ParseIntReadsARunInItsBaseAndRemovesIt)
{
    const ReadCase<int32_t> cases[] = {
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
    ExpectReads<int32_t>(ParseInt, cases);
}

TEST(ConsoleReaders, ParseFloatTakesTheFirstWordAndFailsOnlyOnNothing)
{
    const ReadCase<float> cases[] = {
        {" 1.5 2", true, 1.5f, " 2"}, {"", false, 0.0f, ""},          {"   ", false, 0.0f, ""},
        {"ABC", true, 0.0f, ""},      {"1E999", true, FLT_MAX, ""},   {"-1E999", true, -FLT_MAX, ""},
        {"-2.5,3", true, -2.5f, ""},
    };
    ExpectReads<float>(ParseFloat, cases);
}

// What a command cannot do without: a word that is no number is not read as 0.
TEST(ConsoleReaders, ParseNumberNeedsAWordThatStartsWithANumber)
{
    const ReadCase<float> floats[] = {
        {" 1.5 2", true, 1.5f, " 2"}, {"-.5", true, -0.5f, ""}, {"1E39", true, FLT_MAX, ""},
        {"ABC", false, 0.0f, "ABC"},  {"", false, 0.0f, ""},    {"INF", false, 0.0f, "INF"},
        {"NAN", false, 0.0f, "NAN"},  {"1E999", false, 0.0f, "1E999"},
    };
    ExpectReads<float>(ParseNumber, floats);
    const ReadCase<int32_t> integers[] = {
        {"0X1F", true, 31, ""}, {"12AB", true, 12, ""}, {"ABC", false, -1, "ABC"}, {"-5", false, -1, "-5"},
    };
    ExpectReads<int32_t>(ParseNumber, integers);
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
    text = "1 X 3";
    EXPECT_FALSE(ParseVector3(text, vector)) << "a word is no number";
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
