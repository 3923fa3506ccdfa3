#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Input/DeviceKeyboard.h"
#include "Input/DeviceMouse.h"
#include "Input/InputManager.h"
#include "platform/win32/Win32Platform.h"

namespace {

const BYTE DOWN = DeviceObject::DOWN;

DWORD g_Now = 0;

DWORD FakeClock()
{
    return g_Now;
}

// A manager over a keyboard and a mouse without DirectInput behind them: the
// tests set the device states where a poll would, between updates.
class CInputManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Manager.Reset();
        m_pKeyboard = new DeviceKeyboard();
        m_pMouse = new DeviceMouse();
        m_Manager.AttachDevice(CInputManager::KEYBOARD_SLOT, std::unique_ptr<DeviceObject>(m_pKeyboard));
        m_Manager.AttachDevice(CInputManager::MOUSE_SLOT, std::unique_ptr<DeviceObject>(m_pMouse));
        m_Manager.SetDefaultBindings(CInputManager::ALL_DEFAULTS);
        g_Now = 1000;
        Win32Platform::SetClockSource(FakeClock);
    }

    void TearDown() override { Win32Platform::SetClockSource(nullptr); }

    void SetKey(int code, bool down) { m_pKeyboard->GetStateBuffer()[code] = down ? DOWN : 0; }
    uint8_t State(int action) const { return m_Manager.GetActionStates()[action]; }

    std::string BindingName(int action) const
    {
        std::string name = "unbound";
        m_Manager.GetBindingName(name, action);
        return name;
    }

    CInputManager m_Manager;
    DeviceKeyboard* m_pKeyboard = nullptr;
    DeviceMouse* m_pMouse = nullptr;
};

TEST_F(CInputManagerTest, ActionsHaveTheirNamesAndDefaultBindings)
{
    const struct {
        int action;
        const char* name;
        const char* binding;
    } actions[] = {
        {0, "Quit", "ESCAPE"},         {1, "Forward", "W"},          {8, "RotDown", "V"},
        {21, "Shift_Down", "L"},       {22, "Get_In_Car", "F"},          {10, "Walk", "LEFT SHIFT"},
        {11, "Fire", "L-MOUSE"},       {13, "Right_Click", "R-MOUSE"}, {19, "HandBrake", "R-MOUSE"},
        {25, "Cell_Enter_0", "NUMPAD 0"}, {35, "Cell_Enter", "ENTER"}, {39, "Radio_Prev", "M-WHEEL UP"},
        {40, "Radio_Next", "M-WHEEL DOWN"}, {41, "NoTextAdded", "K"}, {47, "NoTextAdded", "KEY 210"},
        {70, "NoTextAdded", "KEY 156"}, {76, "NoTextAdded", "NUMPAD 1"},
    };
    for (const auto& entry : actions) {
        EXPECT_EQ(entry.name, m_Manager.GetActionName(entry.action)) << entry.action;
        EXPECT_EQ(entry.binding, BindingName(entry.action)) << entry.action;
    }
    const char* axes[][2] = {{"Mouse_X", "M-X AXIS"}, {"Mouse_Y", "M-Y AXIS"}, {"Look_LR", "M-X AXIS"},
                             {"Look_UD", "M-Y AXIS"}};
    for (int axis = 0; axis < CInputManager::AXIS_ACTION_COUNT; ++axis) {
        EXPECT_EQ(axis, m_Manager.FindAction(axes[axis][0], CInputManager::AXIS_ACTION));
        std::string name;
        m_Manager.GetAxisBindingName(name, axis);
        EXPECT_EQ(axes[axis][1], name);
    }

    EXPECT_EQ(0, m_Manager.FindAction("Quit", CInputManager::BUTTON_ACTION));
    EXPECT_EQ(41, m_Manager.FindAction("NoTextAdded", CInputManager::BUTTON_ACTION));
    EXPECT_EQ(-1, m_Manager.FindAction("quit", CInputManager::BUTTON_ACTION));
    EXPECT_EQ(-1, m_Manager.FindAction("Quit", CInputManager::AXIS_ACTION));
    EXPECT_EQ(-1, m_Manager.FindAction("Quit", 2));

    m_Manager.SetButtonBinding(0, nullptr);
    EXPECT_EQ("unbound", BindingName(0)) << "an unbound action leaves the name as it was";
}

// Each default key or button, pressed in each context, reaches one action;
// two only where they are one control in two modes that never run together.
TEST_F(CInputManagerTest, EveryDefaultKeyReachesOneActionOfAContext)
{
    const std::set<std::pair<int, int>> oneControlTwoModes = {
        {1, 14}, {2, 15}, {3, 16}, {4, 17}, // the free camera flies where the player runs and drives
        {9, 18},                            // jump on foot, the horn in a car
        {10, 49},                           // walk on foot, the free camera slow
        {11, 12},                           // fire in play, click in the menus
        {13, 19},                           // the free camera looks, the hand brake
    };
    for (int context : {CInputManager::CONTEXT_MENU, CInputManager::CONTEXT_PLAY, CInputManager::CONTEXT_TEXT}) {
        m_Manager.PushContext(context);
        for (int action = 0; action < CInputManager::BUTTON_ACTION_COUNT; ++action) {
            BYTE* binding = m_Manager.GetButtonBinding(action);
            ASSERT_NE(nullptr, binding) << action;
            *binding = DOWN;
            m_Manager.Update();
            *binding = 0;
            for (int other = action + 1; other < CInputManager::BUTTON_ACTION_COUNT; ++other) {
                if (State(action) != CInputManager::STATE_HELD || State(other) != CInputManager::STATE_HELD)
                    continue;
                EXPECT_EQ(1u, oneControlTwoModes.count({action, other}))
                    << BindingName(action) << " is both " << action << " and " << other << " in context " << context;
            }
            m_Manager.Update();
            m_Manager.Update();
        }
        m_Manager.PopContext();
    }
}

TEST_F(CInputManagerTest, ActionStatesRunTwoOneZeroFromPolledSnapshots)
{
    const int forward = 1;
    const int gas = 14;
    std::vector<int> states;

    SetKey(DIK_W, true);
    m_Manager.Update();
    states.push_back(State(forward));
    EXPECT_EQ(2, State(gas)) << "two actions on one key";
    EXPECT_TRUE(m_Manager.IsDown(forward));

    SetKey(DIK_W, false);
    EXPECT_TRUE(m_Manager.WasReleased(forward));
    m_Manager.Update();
    states.push_back(State(forward));
    EXPECT_FALSE(m_Manager.WasReleased(forward));
    m_Manager.Update();
    states.push_back(State(forward));
    m_Manager.Update();
    states.push_back(State(forward));

    SetKey(DIK_W, true);
    m_Manager.Update();
    states.push_back(State(forward));
    EXPECT_EQ((std::vector<int>{2, 1, 0, 0, 2}), states);

    SetKey(DIK_W, false);
    m_Manager.Update();
    m_Manager.Update();
    SetKey(DIK_S, true);
    SetKey(DIK_S, false);
    m_Manager.Update();
    EXPECT_EQ(0, State(2)) << "a press between two updates is never seen";

    m_Manager.SetButtonBinding(forward, nullptr);
    SetKey(DIK_W, true);
    m_Manager.Update();
    EXPECT_EQ(0, State(forward)) << "an unbound action is never down";
    EXPECT_FALSE(m_Manager.IsDown(forward));
    EXPECT_FALSE(m_Manager.IsDown(-1));
    EXPECT_FALSE(m_Manager.WasReleased(CInputManager::BUTTON_ACTION_COUNT));
}

TEST_F(CInputManagerTest, PushContextClearsTheStatesAndPopContextKeepsThem)
{
    SetKey(DIK_W, true);
    DIMOUSESTATE2 mouse = {};
    mouse.lX = 7;
    m_pMouse->ApplyState(mouse);
    m_Manager.Update();
    ASSERT_EQ(2, State(1));
    ASSERT_EQ(7.0f, m_Manager.GetAxisValues()[0]);

    m_Manager.PushContext(CInputManager::CONTEXT_MENU);
    EXPECT_EQ(0, State(1));
    EXPECT_EQ(0.0f, m_Manager.GetAxisValues()[0]);
    m_Manager.Update();
    EXPECT_EQ(0, State(1)) << "the menus do not evaluate Forward";
    EXPECT_EQ(7.0f, m_Manager.GetAxisValues()[0]) << "but they follow the mouse";

    m_Manager.PushContext(CInputManager::CONTEXT_PLAY);
    m_Manager.Update();
    EXPECT_EQ(2, State(1));
    m_Manager.PopContext();
    EXPECT_EQ(CInputManager::CONTEXT_MENU, m_Manager.GetCurrentContext());
    EXPECT_EQ(2, State(1)) << "popping keeps the states";
    m_Manager.PopContext();
    EXPECT_EQ(CInputManager::CONTEXT_PLAY, m_Manager.GetCurrentContext());
    m_Manager.PopContext();
    EXPECT_EQ(CInputManager::CONTEXT_PLAY, m_Manager.GetCurrentContext()) << "an empty stack changes nothing";

    m_Manager.PushContext(CInputManager::CONTEXT_COUNT);
    EXPECT_EQ(CInputManager::CONTEXT_PLAY, m_Manager.GetCurrentContext()) << "no such context";
    EXPECT_EQ(2, State(1));
}

TEST_F(CInputManagerTest, MouseDeltaReadsTheBoundAxesAndZeroWhenUnbound)
{
    DIMOUSESTATE2 mouse = {};
    mouse.lX = -12;
    mouse.lY = 30;
    m_pMouse->ApplyState(mouse);
    float delta[2] = {1.0f, 1.0f};
    m_Manager.GetMouseDelta(delta);
    EXPECT_EQ(-12.0f, delta[0]);
    EXPECT_EQ(30.0f, delta[1]);

    m_Manager.SetAxisBinding(0, nullptr);
    m_Manager.GetMouseDelta(delta);
    EXPECT_EQ(0.0f, delta[0]);
    m_Manager.Update();
    EXPECT_EQ(0.0f, m_Manager.GetAxisValues()[0]);
    EXPECT_EQ(-12.0f, m_Manager.GetAxisValues()[2]);
}

TEST_F(CInputManagerTest, TypedKeysFollowTheTextEntryFlags)
{
    const uint8_t LETTERS = CInputManager::TEXT_LETTERS;
    const uint8_t CAPITALS = CInputManager::TEXT_CAPITALS;
    const uint8_t CHARACTERS = CInputManager::TEXT_CHARACTERS;
    const uint8_t PHONE = 0x49;
    const struct {
        uint8_t flags;
        bool shift;
        int key;
        const char* typed;
    } cases[] = {
        {LETTERS, false, DIK_A, "a"},
        {LETTERS, true, DIK_A, "A"},
        {CAPITALS, false, DIK_A, "A"},
        {CHARACTERS, false, DIK_A, ""},
        {CHARACTERS, false, DIK_SLASH, "/"},
        {CHARACTERS, true, DIK_SLASH, "?"},
        {CHARACTERS, true, DIK_2, "@"},
        {CHARACTERS, true, DIK_LBRACKET, "{"},
        {CHARACTERS, true, DIK_APOSTROPHE, "\""},
        {LETTERS | CAPITALS | CHARACTERS, false, DIK_SPACE, ""},
        {LETTERS | CAPITALS | CHARACTERS, false, DIK_NUMPAD5, ""},
        {LETTERS | CAPITALS | CHARACTERS, false, DIK_BACK, ""},
        {LETTERS | CAPITALS | CHARACTERS, true, DIK_LEFT, ""},
        {LETTERS | CInputManager::TEXT_SPACE, false, DIK_SPACE, " "},
        {CInputManager::TEXT_KEYPAD_DIGITS, false, DIK_NUMPAD7, "7"},
        {CHARACTERS, false, DIK_NUMPAD7, ""},
        {PHONE, false, DIK_5, "5"},
        {PHONE, false, DIK_NUMPAD0, "0"},
        {PHONE, false, DIK_Q, ""},
    };
    for (const auto& entry : cases) {
        m_Manager.BeginTextEntry(entry.flags);
        SetKey(DIK_LSHIFT, entry.shift);
        SetKey(entry.key, true);
        m_Manager.Update();
        EXPECT_STREQ(entry.typed, m_Manager.GetTypedText())
            << DeviceKeyboard::GetKeyName(entry.key) << " flags " << int(entry.flags) << " shift " << entry.shift;
        SetKey(entry.key, false);
        SetKey(DIK_LSHIFT, false);
        m_Manager.Update();
        EXPECT_FALSE(m_Manager.EndTextEntry());
        EXPECT_EQ(CInputManager::CONTEXT_PLAY, m_Manager.GetCurrentContext());
    }
}

TEST_F(CInputManagerTest, AHeldKeyRepeatsAfter501MillisecondsThenEveryUpdate)
{
    m_Manager.BeginTextEntry(CInputManager::TEXT_LETTERS);
    SetKey(DIK_A, true);
    const struct {
        DWORD now;
        const char* typed;
    } steps[] = {{1000, "a"}, {1300, "a"}, {1500, "a"}, {1501, "aa"}, {1502, "aaa"}, {1502, "aaaa"}};
    for (const auto& step : steps) {
        g_Now = step.now;
        m_Manager.Update();
        EXPECT_STREQ(step.typed, m_Manager.GetTypedText()) << step.now;
    }

    m_Manager.ClearTypedText();
    SetKey(DIK_A, false);
    m_Manager.Update();
    SetKey(DIK_A, true);
    m_Manager.Update();
    EXPECT_STREQ("a", m_Manager.GetTypedText()) << "pressed again, it types at once";
    m_Manager.Update();
    EXPECT_STREQ("a", m_Manager.GetTypedText()) << "and waits again before repeating";

    SetKey(DIK_A, false);
    m_Manager.Update();
    SetKey(DIK_A, true);
    m_Manager.Update();
    EXPECT_STREQ("aa", m_Manager.GetTypedText()) << "typed twice with a release between";
}

TEST_F(CInputManagerTest, TypedTextEditsTheFieldWithinItsBounds)
{
    const std::vector<std::string> X = {"X"};
    const std::vector<std::string> XY = {"X", "Y"};
    const std::vector<std::string> BACK2 = {"BACKSPACE", "BACKSPACE"};
    const std::vector<std::string> DEL2 = {"DELETE", "DELETE"};
    const std::vector<std::string> DEL3 = {"DELETE", "DELETE", "DELETE"};
    const std::vector<std::string> LEFT = {"LEFT ARROW"};
    const std::vector<std::string> RIGHT = {"RIGHT ARROW"};
    const std::vector<std::string> X_BACK = {"X", "BACKSPACE"};
    const std::vector<std::string> MANY(25, "X");
    const struct {
        const char* text;
        int32_t cursor;
        int32_t maxLength;
        const std::vector<std::string>& keys;
        const char* result;
        int32_t resultCursor;
    } cases[] = {
        {"abc", 3, 10, X, "abcx", 4},
        {"abc", 1, 10, XY, "axybc", 3},
        {"abcdef", 6, 7, XY, "abcdefx", 7},
        {"abcdef", 2, 3, X, "abcdef", 2},
        {"abc", 9, 10, X, "abcx", 4},
        {"abc", -4, 10, X, "xabc", 1},
        {"", 0, 100, MANY, "xxxxxxxxxxxxxxxxxxx", 19},
        {"abcdef", 4, 10, BACK2, "abef", 2},
        {"abc", 1, 10, BACK2, "bc", 0},
        {"abcdef", 2, 10, DEL2, "abef", 2},
        {"abc", 2, 10, DEL3, "ab", 2},
        {"abc", 3, 10, X_BACK, "abc", 3},
        {"abc", 1, 10, LEFT, "abc", 0},
        {"abc", 0, 10, LEFT, "abc", 0},
        {"abc", 1, 10, RIGHT, "abc", 2},
        {"abc", 3, 10, RIGHT, "abc", 3},
    };
    for (const auto& entry : cases) {
        m_Manager.BeginTextEntry(0x7F);
        for (const std::string& key : entry.keys)
            m_Manager.TranslateTypedKey(key.c_str());
        std::string text = entry.text;
        int32_t cursor = entry.cursor;
        m_Manager.ApplyTypedText(text, cursor, entry.maxLength);
        EXPECT_EQ(entry.result, text) << entry.text << " at " << entry.cursor << " + " << entry.keys.front();
        EXPECT_EQ(entry.resultCursor, cursor) << entry.text << " at " << entry.cursor << " + " << entry.keys.front();

        m_Manager.ApplyTypedText(text, cursor, entry.maxLength);
        EXPECT_EQ(entry.result, text) << "applied text is used up";
        m_Manager.EndTextEntry();
    }
}

} // namespace
