#include "Core/DataBuffer.h"

#include <cfloat>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/FatalTrap.h"
#include "support/TempDir.h"

namespace {

// A reader over `script`, read from a real file as the game reads it.
CDataBuffer Load(const std::string& script, const char* separators = SCRIPT_SEPARATORS)
{
    TempDir dir;
    dir.Write("script.txt", script);
    CDataBuffer buffer;
    EXPECT_TRUE(buffer.Init(dir.Path() + "/script.txt", separators));
    return buffer;
}

std::vector<std::string> ReadAll(CDataBuffer& buffer)
{
    std::vector<std::string> tokens;
    while (!buffer.IsEndOfBuffer())
        tokens.push_back(buffer.GetString());
    return tokens;
}

struct TokeniseCase {
    const char* what;
    std::string script;
    const char* separators;
    std::vector<std::string> tokens;
};

} // namespace

TEST(DataBufferTokenise, CutsScriptsIntoTokens)
{
    const char* sep = SCRIPT_SEPARATORS;
    const TokeniseCase cases[] = {
        {"separators", "Speed: 12,\tMass 3", sep, {"Speed", "12", "Mass", "3"}},
        {"runs and blank lines", "a::  ,b\n\n\n  c", sep, {"a", "b", "c"}},
        {"comment after token", "abc;note\nnext", sep, {"abc", "next"}},
        {"comment line before column 0", "x ; note\ny", sep, {"x", "y"}},
        {"comment at end of file", "x 1\nabc;note", sep, {"x", "1", "abc"}},
        {"quoted separators", "Name: \"Big Car\"", sep, {"Name", "Big Car"}},
        {"empty quotes", "Name: \"\"", sep, {"Name"}},
        {"comment inside quotes", "\"a b\";c\nd", sep, {"a b", "d"}},
        {"unbalanced quote spans lines", "\"a b\nc d", sep, {"a b", "c d"}},
        {"quotes inside a token", "ab\"c d\"e", sep, {"abc de"}},
        {"newline escape", "Hello`nWorld x`N", sep, {"Hello\nWorld", "x\n"}},
        {"lone backtick", "a`x b`", sep, {"a`x", "b`"}},
        {"CR LF endings", "a b\r\nc;note\r\nd\r\n", sep, {"a", "b", "c", "d"}},
        {"lone CR", "a\rb", sep, {"a", "b"}},
        {"trailing newline", "a b\n", sep, {"a", "b"}},
        {"trailing separator", "a b, ", sep, {"a", "b"}},
        {"NUL byte ends a token", std::string("a\0b", 3), sep, {"a", "b"}},
        {"empty file", "", sep, {""}},
        {"only comments", "; one\n  \t;two\n;three", sep, {""}},
        {"cinema separators", "Move(1, 2)", CINEMA_SCRIPT_SEPARATORS, {"Move", "1", "2"}},
        {"cinema file, plain separators", "Move(1, 2)", sep, {"Move(1", "2)"}},
    };
    for (const TokeniseCase& c : cases) {
        CDataBuffer buffer = Load(c.script, c.separators);
        EXPECT_EQ(c.tokens, ReadAll(buffer)) << c.what;
    }
}

TEST(DataBufferTokenise, EmptyFileHoldsOneEmptyToken)
{
    CDataBuffer buffer = Load("");
    EXPECT_FALSE(buffer.IsEndOfBuffer());
    EXPECT_EQ("", buffer.PeekString());
    buffer.NextToken();
    EXPECT_TRUE(buffer.IsEndOfBuffer());
}

TEST(DataBufferRead, GetIntUsesAutomaticBaseAndBinaryPrefix)
{
    const struct {
        const char* token;
        uint32_t value;
    } cases[] = {
        {"42", 42},          {"0x10", 16},       {"010", 8},
        {"b101", 5},         {"B11", 3},         {"-1", 0xFFFFFFFFu},
        {"+7", 7},           {"12abc", 12},      {"abc", 0},
        {"4294967296", 0xFFFFFFFFu},             {"0b101", 0},
    };
    std::string script;
    for (const auto& c : cases)
        script += std::string(c.token) + "\n";
    CDataBuffer buffer = Load(script);
    for (const auto& c : cases)
        EXPECT_EQ(c.value, buffer.GetInt()) << c.token;
    EXPECT_TRUE(buffer.IsEndOfBuffer());
}

TEST(DataBufferRead, ShortIntegerAndFloat)
{
    CDataBuffer buffer = Load("65537 -1  -42 0x10 99999999999  1.5 -2e3 .25 3.5kg inf 0x1p3 abc "
                              "1e300 -1e300 1e999 nan -nan 1e-300");
    EXPECT_EQ(1, buffer.GetShort());
    EXPECT_EQ(0xFFFF, buffer.GetShort());

    EXPECT_EQ(-42, buffer.GetInteger());
    EXPECT_EQ(0, buffer.GetInteger());
    EXPECT_EQ(INT32_MAX, buffer.GetInteger());

    // Past the float range a number stops at the largest float of its sign.
    const float floats[] = {1.5f, -2000.0f, 0.25f, 3.5f, 0.0f, 0.0f, 0.0f, FLT_MAX, -FLT_MAX, FLT_MAX, 0.0f, 0.0f, 0.0f};
    // Exact: the largest float lies within EXPECT_FLOAT_EQ's reach of infinity.
    for (float expected : floats)
        EXPECT_EQ(expected, buffer.GetFloat());
    EXPECT_TRUE(buffer.IsEndOfBuffer());
}

TEST(DataBufferRead, VectorsColourAndMatrix)
{
    CDataBuffer buffer = Load("1 2\n1 2 3\n1, 0.5, 0.25, 0\n"
                              "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16");
    const D3DXVECTOR2 v2 = buffer.GetVector2();
    EXPECT_EQ(1.0f, v2.x);
    EXPECT_EQ(2.0f, v2.y);

    const D3DXVECTOR3 v3 = buffer.GetVector3();
    EXPECT_EQ(1.0f, v3.x);
    EXPECT_EQ(2.0f, v3.y);
    EXPECT_EQ(3.0f, v3.z);

    const D3DXCOLOR color = buffer.GetColor();
    EXPECT_EQ(0.5f, color.r);
    EXPECT_EQ(0.25f, color.g);
    EXPECT_EQ(0.0f, color.b);
    EXPECT_EQ(1.0f, color.a);

    const D3DXMATRIX m = buffer.GetMatrix();
    EXPECT_EQ(1.0f, m._11);
    EXPECT_EQ(2.0f, m._12);
    EXPECT_EQ(5.0f, m._21);
    EXPECT_EQ(12.0f, m._34);
    EXPECT_EQ(16.0f, m._44);
    EXPECT_TRUE(buffer.IsEndOfBuffer());
}

TEST(DataBufferRead, Booleans)
{
    const struct {
        const char* token;
        bool value;
    } cases[] = {
        {"True", true},   {"TRUE", true}, {"true", true}, {"1", true},   {"1abc", true},
        {"10", true},     {"False", false}, {"false", false}, {"0", false}, {"0.5", false},
    };
    std::string script;
    for (const auto& c : cases)
        script += std::string(c.token) + " ";
    CDataBuffer buffer = Load(script + "yes");
    for (const auto& c : cases) {
        EXPECT_EQ(c.value, buffer.PeekBool()) << c.token;
        EXPECT_EQ(c.token, buffer.PeekString()) << "PeekBool must not step";
        EXPECT_EQ(c.value, buffer.GetBool()) << c.token;
    }
    EXPECT_FATAL(buffer.GetBool(), "CDataBuffer::GetBool, could not interpret script file: <yes>");
}

TEST(DataBufferRead, MatchStepsOnlyOnSuccess)
{
    CDataBuffer buffer = Load("Mass 3\nWheels a b End\nTail");
    EXPECT_FALSE(buffer.Match("Speed"));
    EXPECT_EQ("Mass", buffer.PeekString());
    EXPECT_TRUE(buffer.Match("MASS"));
    EXPECT_TRUE(buffer.Match(std::string("3")));

    EXPECT_TRUE(buffer.Match("wheels"));
    std::vector<std::string> wheels;
    while (buffer.NotMatch(std::string("END")))
        wheels.push_back(buffer.GetString());
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), wheels);
    EXPECT_EQ("Tail", buffer.PeekString());

    EXPECT_TRUE(buffer.NotMatch("End"));
    EXPECT_EQ("Tail", buffer.PeekString());
}

TEST(DataBufferRead, MissingClosingKeywordEndsTheLoop)
{
    CDataBuffer buffer = Load("Wheels a b");
    buffer.Match("Wheels");
    int steps = 0;
    while (buffer.NotMatch("End") && steps < 10) {
        buffer.NextToken();
        ++steps;
    }
    EXPECT_EQ(2, steps);
    EXPECT_FALSE(buffer.Match(""));
}

TEST(DataBufferRead, ReadsAtTheEndGiveNothingAndStayThere)
{
    CDataBuffer buffer = Load("last\n");
    EXPECT_EQ("last", buffer.GetString());
    ASSERT_TRUE(buffer.IsEndOfBuffer());
    EXPECT_EQ("", buffer.GetString());
    EXPECT_EQ(0u, buffer.GetInt());
    EXPECT_EQ(0, buffer.GetInteger());
    EXPECT_EQ(0.0f, buffer.GetFloat());
    EXPECT_EQ(0.0f, buffer.GetVector3().z);
    EXPECT_FALSE(buffer.SkipToChar('\0'));
    EXPECT_TRUE(buffer.IsEndOfBuffer());

    buffer.Rewind();
    EXPECT_FALSE(buffer.IsEndOfBuffer());
    EXPECT_EQ("last", buffer.PeekString());
}

TEST(DataBufferRead, SkipToCharAndIsNotChar)
{
    CDataBuffer buffer = Load("Start x abc#def y");
    EXPECT_TRUE(buffer.IsNotChar('#'));
    EXPECT_FALSE(buffer.SkipToChar('!'));
    EXPECT_EQ("Start", buffer.PeekString());
    EXPECT_TRUE(buffer.SkipToChar('#'));
    EXPECT_FALSE(buffer.IsNotChar('#'));
    EXPECT_EQ("#def", buffer.GetString());
    EXPECT_EQ("y", buffer.GetString());
}

TEST(DataBufferLifecycle, InitFailsWhenFullOrMissing)
{
    TempDir dir;
    dir.Write("a.txt", "first");
    dir.Write("b.txt", "second");
    CDataBuffer buffer;
    EXPECT_FALSE(buffer.Init(dir.Path() + "/missing.txt", SCRIPT_SEPARATORS));
    ASSERT_TRUE(buffer.Init(dir.Path() + "/a.txt", SCRIPT_SEPARATORS));
    EXPECT_FALSE(buffer.Init(dir.Path() + "/b.txt", SCRIPT_SEPARATORS));
    EXPECT_EQ("first", buffer.PeekString());

    buffer.Clear();
    EXPECT_EQ("", buffer.PeekString());
    ASSERT_TRUE(buffer.Init(dir.Path() + "/b.txt", SCRIPT_SEPARATORS));
    EXPECT_EQ("second", buffer.PeekString());
}

TEST(DataBufferLifecycle, GamePathResolvesIgnoringCase)
{
    TempDir dir;
    dir.Write("Scripts/Menu/Cars.txt", "Car Porch");
    ScopedWorkingDir cwd(dir.Path());
    CDataBuffer buffer;
    ASSERT_TRUE(buffer.Init("scripts\\MENU\\cars.TXT", SCRIPT_SEPARATORS));
    EXPECT_EQ((std::vector<std::string>{"Car", "Porch"}), ReadAll(buffer));
}

TEST(DataBufferLifecycle, CopiesAreIndependent)
{
    CDataBuffer original = Load("a b c");
    original.NextToken();

    CDataBuffer copy(original);
    CDataBuffer assigned;
    assigned = original;
    original.Clear();

    EXPECT_EQ((std::vector<std::string>{"b", "c"}), ReadAll(copy));
    EXPECT_EQ("b", assigned.GetString());
    assigned.Rewind();
    EXPECT_EQ("a", assigned.PeekString());
    EXPECT_EQ("", original.PeekString());
}
