// Typing into a line from a key-state buffer of the test's own.

#include <string>

#include <gtest/gtest.h>

#include "Console/FullKeyboard.h"
#include "platform/dinput/DInput.h"

namespace {

// Never a multiple of the repeat times, so no timer lands on them exactly.
const float FRAME = 0.03f;
const BYTE DOWN = 0x80;
const size_t MAX_LINE = 80;

class FullKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Keyboard.SetStateBuffer(m_Keys);
        m_Keyboard.Enable();
    }

    int Frame(size_t maximum = MAX_LINE)
    {
        m_Keyboard.Update(FRAME);
        return m_Keyboard.EditLine(m_Column, m_Line, maximum);
    }
    // `frames` frames with the key held, then one with it up.
    void Hold(int key, int frames)
    {
        m_Keys[key] = DOWN;
        for (int i = 0; i < frames; ++i)
            Frame();
        m_Keys[key] = 0;
        Frame();
    }

    BYTE m_Keys[CFullKeyboard::KEY_COUNT] = {};
    CFullKeyboard m_Keyboard;
    std::string m_Line;
    int32_t m_Column = 0;
};

TEST_F(FullKeyboardTest, AHeldKeyTypesAtOnceThenRepeatsAfterHalfASecondEveryTenth)
{
    struct Case {
        int key;
        bool shift;
        int frames;
        const char* typed;
    };
    const Case cases[] = {
        {DIK_A, false, 1, "a"},          {DIK_A, false, 16, "a"},        // 0.48 s: no repeat yet
        {DIK_A, false, 17, "aa"},        {DIK_A, false, 20, "aa"},       // 0.51 s, then back to 0.4
        {DIK_A, false, 21, "aaa"},       {DIK_A, true, 1, "A"},          // 0.12 s after the first repeat
        {DIK_1, true, 1, "!"},           {DIK_APOSTROPHE, true, 1, "\""}, {DIK_SLASH, false, 1, "/"},
        {DIK_SPACE, true, 1, " "},       {DIK_NUMPAD5, false, 1, "5"},   {DIK_NUMPAD5, true, 1, ""},
        {DIK_SUBTRACT, false, 1, "-"},   {DIK_DECIMAL, true, 1, "."},    {DIK_EQUALS, false, 1, ""},
        {DIK_GRAVE, false, 1, ""},       {DIK_BACKSLASH, true, 1, ""},   {DIK_MULTIPLY, false, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "key " << c.key << " shift " << c.shift << " frames " << c.frames);
        m_Line.clear();
        m_Column = 0;
        m_Keys[DIK_RSHIFT] = c.shift ? DOWN : 0;
        Hold(c.key, c.frames);
        m_Keys[DIK_RSHIFT] = 0;
        Frame();
        EXPECT_EQ(c.typed, m_Line);
        EXPECT_EQ(static_cast<int32_t>(m_Line.size()), m_Column);
    }
}

TEST_F(FullKeyboardTest, TypingInsertsAtTheColumn)
{
    m_Line = "ac";
    m_Column = 1;
    Hold(DIK_B, 1);
    EXPECT_EQ("abc", m_Line);
    EXPECT_EQ(2, m_Column);
}

TEST_F(FullKeyboardTest, AFullLineTakesNothingMoreAtAnyColumnWhileBackspaceAndDeleteStillWork)
{
    for (int32_t column : {0, 40, 80}) {
        SCOPED_TRACE(column);
        m_Line.assign(MAX_LINE, 'x');
        m_Column = column;
        Hold(DIK_A, 30);
        EXPECT_EQ(std::string(MAX_LINE, 'x'), m_Line);
        EXPECT_EQ(column, m_Column);
    }
    m_Column = 40;
    Hold(DIK_BACK, 1);
    EXPECT_EQ(MAX_LINE - 1, m_Line.size());
    EXPECT_EQ(39, m_Column);
    Hold(DIK_DELETE, 1);
    EXPECT_EQ(MAX_LINE - 2, m_Line.size());
    Hold(DIK_A, 1);
    EXPECT_EQ(MAX_LINE - 1, m_Line.size()) << "room again";
}

TEST_F(FullKeyboardTest, BackspaceTakesTheCharacterBeforeTheCursorDeleteTheOneUnderIt)
{
    m_Line = "abcd";
    m_Column = 2;
    Hold(DIK_BACK, 1);
    EXPECT_EQ("acd", m_Line);
    EXPECT_EQ(1, m_Column);
    Hold(DIK_DELETE, 1);
    EXPECT_EQ("ad", m_Line);
    EXPECT_EQ(1, m_Column);

    m_Column = 0;
    Hold(DIK_BACK, 1);
    EXPECT_EQ("ad", m_Line) << "nothing before the start";
    EXPECT_EQ(0, m_Column);
    m_Column = 2;
    Hold(DIK_DELETE, 1);
    EXPECT_EQ("ad", m_Line) << "nothing after the end";

    m_Line = "abcdefgh";
    m_Column = 8;
    Hold(DIK_BACK, 21);
    EXPECT_EQ("abcde", m_Line) << "once, then two repeats";
}

TEST_F(FullKeyboardTest, EnterAndTheArrowsReportOncePerPressAndNeverRepeat)
{
    struct Case {
        int key;
        int action;
    };
    const Case cases[] = {
        {DIK_RETURN, CFullKeyboard::ACTION_ENTER}, {DIK_LEFT, CFullKeyboard::ACTION_LEFT},
        {DIK_RIGHT, CFullKeyboard::ACTION_RIGHT},  {DIK_DOWN, CFullKeyboard::ACTION_DOWN},
        {DIK_UP, CFullKeyboard::ACTION_UP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        m_Keys[c.key] = DOWN;
        int reported = 0;
        for (int frame = 0; frame < 60; ++frame) {
            const int action = Frame();
            if (action != CFullKeyboard::ACTION_NONE) {
                EXPECT_EQ(c.action, action);
                ++reported;
            }
        }
        m_Keys[c.key] = 0;
        Frame();
        EXPECT_EQ(1, reported);
    }
}

TEST_F(FullKeyboardTest, NothingRunsUntilEnabled)
{
    CFullKeyboard keyboard;
    keyboard.SetStateBuffer(m_Keys);
    m_Keys[DIK_A] = DOWN;
    keyboard.Update(FRAME);
    EXPECT_EQ(0.0f, keyboard.GetHoldTime(DIK_A));
    keyboard.Enable();
    keyboard.Update(FRAME);
    EXPECT_FLOAT_EQ(FRAME, keyboard.GetHoldTime(DIK_A));
    m_Keys[DIK_A] = 0;
    keyboard.Update(FRAME);
    EXPECT_EQ(0.0f, keyboard.GetHoldTime(DIK_A));
}

TEST(FullKeyboardKeys, FiftyFiveKeysTypeNinetyNineStrings)
{
    int keys = 0;
    int strings = 0;
    for (int key = 0; key < CFullKeyboard::KEY_COUNT; ++key) {
        const CKeyText& text = GetKeyText(key);
        keys += text.m_Plain != nullptr ? 1 : 0;
        strings += (text.m_Plain != nullptr ? 1 : 0) + (text.m_Shifted != nullptr ? 1 : 0);
    }
    EXPECT_EQ(55, keys);
    EXPECT_EQ(99, strings);
}

} // namespace
