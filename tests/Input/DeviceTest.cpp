#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Input/DeviceJoystick.h"
#include "Input/DeviceKeyboard.h"
#include "Input/DeviceMouse.h"

namespace {

const BYTE DOWN = DeviceObject::DOWN;

std::string ButtonName(const DeviceObject& device, const BYTE* binding)
{
    char name[DeviceObject::NAME_SIZE] = {};
    device.GetButtonBindingName(binding, name);
    return name;
}

std::string AxisName(const DeviceObject& device, const LONG* binding)
{
    char name[DeviceObject::NAME_SIZE] = {};
    device.GetAxisBindingName(binding, name);
    return name;
}

// Every name a device gives a byte is its own, distinct, and leads back to
// the byte; pressing the byte alone makes FindPressedButton report it.
void ExpectButtonRoundTrips(DeviceObject& device, const std::vector<std::string>& names)
{
    std::set<const BYTE*> seen;
    for (const std::string& name : names) {
        BYTE* binding = device.NameToButtonBinding(name.c_str());
        ASSERT_NE(nullptr, binding) << name;
        EXPECT_TRUE(seen.insert(binding).second) << name << " shares its byte";
        EXPECT_EQ(name, ButtonName(device, binding));

        *binding = DOWN;
        char found[DeviceObject::NAME_SIZE] = {};
        EXPECT_EQ(binding, device.FindPressedButton(found)) << name;
        EXPECT_EQ(name, found);
        *binding = 0;
    }
    char found[DeviceObject::NAME_SIZE] = {};
    EXPECT_EQ(nullptr, device.FindPressedButton(found));
}

TEST(DeviceKeyboardTest, EveryKeyByteHasANameThatLeadsBackToIt)
{
    DeviceKeyboard keyboard;
    BYTE* keys = keyboard.GetStateBuffer();
    std::vector<std::string> names;
    for (int code = 0; code < DeviceKeyboard::KEY_COUNT; ++code) {
        names.push_back(ButtonName(keyboard, keys + code));
        EXPECT_EQ(keys + code, keyboard.NameToButtonBinding(names.back().c_str()));
    }
    ExpectButtonRoundTrips(keyboard, names);

    const struct {
        int code;
        const char* name;
    } named[] = {
        {DIK_ESCAPE, "ESCAPE"},     {DIK_0, "0"},           {DIK_BACKSLASH, "\\"},       {DIK_RETURN, "ENTER"},
        {DIK_LSHIFT, "LEFT SHIFT"}, {DIK_NUMPAD0, "NUMPAD 0"}, {DIK_RMENU, "RIGHT ALT"}, {DIK_DELETE, "DELETE"},
        {DIK_INSERT, "KEY 210"},    {DIK_NUMPADENTER, "KEY 156"}, {0, "KEY 0"},
    };
    for (const auto& key : named)
        EXPECT_EQ(key.name, ButtonName(keyboard, keys + key.code));
    EXPECT_EQ(nullptr, keyboard.NameToButtonBinding("escape")) << "names compare case-sensitively";
    EXPECT_EQ(nullptr, keyboard.NameToButtonBinding("KEY 256"));

    DeviceMouse mouse;
    EXPECT_EQ("", ButtonName(keyboard, mouse.NameToButtonBinding("L-MOUSE"))) << "another device's byte";
}

TEST(DeviceKeyboardTest, TypedKeysAreOneCharacterKeysAndTheEditingKeys)
{
    DeviceKeyboard keyboard;
    BYTE* keys = keyboard.GetStateBuffer();
    bool shift = true;
    EXPECT_EQ(nullptr, keyboard.FindTypedKey(shift));
    EXPECT_FALSE(shift);

    keys[DIK_RSHIFT] = DOWN;
    keys[DIK_TAB] = DOWN;
    keys[DIK_F1] = DOWN;
    EXPECT_EQ(nullptr, keyboard.FindTypedKey(shift)) << "shift, TAB and F1 type nothing";
    EXPECT_TRUE(shift);

    const int typing[] = {DIK_A, DIK_SLASH, DIK_BACK, DIK_SPACE, DIK_NUMPAD3, DIK_LEFT, DIK_RIGHT, DIK_DELETE};
    for (int code : typing) {
        keys[code] = DOWN;
        EXPECT_EQ(keys + code, keyboard.FindTypedKey(shift)) << DeviceKeyboard::GetKeyName(code);
        keys[code] = 0;
    }
}

TEST(DeviceMouseTest, EveryButtonAndDirectionHasANameThatLeadsBackToIt)
{
    DeviceMouse mouse;
    ExpectButtonRoundTrips(mouse, {"L-MOUSE", "R-MOUSE", "M-WHEEL", "M3", "M4", "M5", "M6", "M7", "M-X AXIS RIGHT",
                                   "M-X AXIS LEFT", "M-Y AXIS DOWN", "M-Y AXIS UP", "M-WHEEL UP", "M-WHEEL DOWN"});
    for (const char* axis : {"M-X AXIS", "M-Y AXIS", "M-WHEEL AXIS"}) {
        LONG* binding = mouse.NameToAxisBinding(axis);
        ASSERT_NE(nullptr, binding) << axis;
        EXPECT_EQ(axis, AxisName(mouse, binding));
    }
    // Numbers read from a file must name one of the 8 buttons.
    for (const char* bad : {"M8", "M99999", "M", "M-1", "M3x", "m3", "J3"})
        EXPECT_EQ(nullptr, mouse.NameToButtonBinding(bad)) << bad;
}

TEST(DeviceMouseTest, DirectionBytesFollowTheMovementAndOnlyBigMovesChooseAnAxis)
{
    DeviceMouse mouse;
    const struct {
        LONG x, y, wheel;
        const char* down;
        const char* moved;
    } cases[] = {
        {1, 0, 0, "M-X AXIS RIGHT", ""},   {-1, 0, 0, "M-X AXIS LEFT", ""},
        {0, 1, 0, "M-Y AXIS DOWN", ""},    {0, -1, 0, "M-Y AXIS UP", ""},
        {0, 0, 120, "M-WHEEL UP", "M-WHEEL AXIS"}, {0, 0, -120, "M-WHEEL DOWN", "M-WHEEL AXIS"},
        {10, 0, 0, "M-X AXIS RIGHT", ""},  {11, 0, 0, "M-X AXIS RIGHT", "M-X AXIS"},
        {0, -11, 0, "M-Y AXIS UP", "M-Y AXIS"}, {0, 0, 0, "", ""},
    };
    for (const auto& entry : cases) {
        DIMOUSESTATE2 state = {};
        state.lX = entry.x;
        state.lY = entry.y;
        state.lZ = entry.wheel;
        mouse.ApplyState(state);
        char pressed[DeviceObject::NAME_SIZE] = {};
        mouse.FindPressedButton(pressed);
        EXPECT_STREQ(entry.down, pressed) << entry.x << "," << entry.y << "," << entry.wheel;
        char moved[DeviceObject::NAME_SIZE] = {};
        mouse.FindMovedAxis(moved);
        EXPECT_STREQ(entry.moved, moved) << entry.x << "," << entry.y << "," << entry.wheel;
    }
}

TEST(DeviceJoystickTest, EveryButtonDirectionHatAndAxisHasANameThatLeadsBackToIt)
{
    DeviceJoystick joystick;
    std::vector<std::string> names;
    for (int button = 0; button < DeviceJoystick::BUTTON_COUNT; ++button)
        names.push_back("J" + std::to_string(button));
    const char* directions[] = {"J_XAXIS_R",   "J_XAXIS_L",   "J_YAXIS_D",   "J_YAXIS_U",  "J_ZAXIS_0",
                                "J_ZAXIS_1",   "J_RXAXIS_0",  "J_RXAXIS_1",  "J_RYAXIS_0", "J_RYAXIS_1",
                                "J_RZAXIS_0",  "J_RZAXIS_1",  "J_USLIDER_0", "J_USLIDER_1", "J_VSLIDER_0",
                                "J_VSLIDER_1", "J_POV_U",     "J_POV_R",     "J_POV_D",    "J_POV_L"};
    names.insert(names.end(), std::begin(directions), std::end(directions));
    ExpectButtonRoundTrips(joystick, names);

    for (const char* axis : {"J_XAXIS", "J_YAXIS", "J_ZAXIS", "J_RXAXIS", "J_RYAXIS", "J_RZAXIS", "J_USLIDER",
                             "J_VSLIDER"}) {
        LONG* binding = joystick.NameToAxisBinding(axis);
        ASSERT_NE(nullptr, binding) << axis;
        EXPECT_EQ(axis, AxisName(joystick, binding));
        *binding = -3;
        char moved[DeviceObject::NAME_SIZE] = {};
        EXPECT_EQ(binding, joystick.FindMovedAxis(moved));
        EXPECT_STREQ(axis, moved);
        *binding = 0;
    }
    for (const char* bad : {"J128", "J99999", "J", "J-1", "J1a"})
        EXPECT_EQ(nullptr, joystick.NameToButtonBinding(bad)) << bad;
}

TEST(DeviceJoystickTest, AxesReadZeroAtRestAndTenthsOfTheirRangeWithDirectionsPastHalf)
{
    DeviceJoystick joystick;
    DIJOYSTATE2 rest = {};
    rest.lZ = -1000; // a throttle resting at one end
    joystick.SetRestValues(rest);

    const struct {
        LONG raw;
        LONG value;
        BYTE positive;
        BYTE negative;
    } cases[] = {
        {0, 0, 0, 0},       {99, 0, 0, 0},        {100, 1, 0, 0},     {-199, -1, 0, 0}, {500, 5, 0, 0},
        {501, 5, DOWN, 0},  {1000, 10, DOWN, 0},  {-500, -5, 0, 0},   {-501, -5, 0, DOWN}, {-1000, -10, 0, DOWN},
    };
    for (const auto& entry : cases) {
        DIJOYSTATE2 raw = rest;
        raw.lX = entry.raw;
        raw.rglSlider[1] = entry.raw;
        raw.rgdwPOV[0] = 0xFFFFFFFF;
        joystick.ApplyState(raw);
        const DIJOYSTATE2& state = joystick.GetState();
        EXPECT_EQ(entry.value, state.lX) << entry.raw;
        EXPECT_EQ(entry.value, state.rglSlider[1]) << entry.raw;
        EXPECT_EQ(0, state.lZ) << "an axis at its rest position reads 0";
        EXPECT_EQ(entry.positive, *joystick.NameToButtonBinding("J_XAXIS_R")) << entry.raw;
        EXPECT_EQ(entry.negative, *joystick.NameToButtonBinding("J_XAXIS_L")) << entry.raw;
        EXPECT_EQ(entry.positive, *joystick.NameToButtonBinding("J_VSLIDER_0")) << entry.raw;
        EXPECT_EQ(entry.negative, *joystick.NameToButtonBinding("J_VSLIDER_1")) << entry.raw;
    }

    DIJOYSTATE2 raw = rest;
    raw.lZ = -999;
    joystick.ApplyState(raw);
    EXPECT_EQ(-9, joystick.GetState().lZ) << "moved off its rest position it reads again";
    EXPECT_EQ(DOWN, *joystick.NameToButtonBinding("J_ZAXIS_1"));
}

TEST(DeviceJoystickTest, TheFirstHatSetsOneByteOrTwoOnADiagonal)
{
    DeviceJoystick joystick;
    const struct {
        DWORD pov;
        const char* down;
    } cases[] = {
        {0xFFFFFFFF, ""},  {0x0000FFFF, ""},        {0, "U"},      {4500, "UR"},   {9000, "R"},
        {13500, "RD"},     {18000, "D"},            {22500, "DL"}, {27000, "L"},   {31500, "UL"},
        {35999, "UL"},     {36000, ""},             {1000000, ""},
    };
    const char letters[] = {'U', 'R', 'D', 'L'};
    const char* names[] = {"J_POV_U", "J_POV_R", "J_POV_D", "J_POV_L"};
    for (const auto& entry : cases) {
        DIJOYSTATE2 raw = {};
        raw.rgdwPOV[0] = entry.pov;
        joystick.ApplyState(raw);
        std::string down;
        for (int hat = 0; hat < DeviceJoystick::HAT_COUNT; ++hat) {
            if (*joystick.NameToButtonBinding(names[hat]) == DOWN)
                down += letters[hat];
        }
        EXPECT_EQ(entry.down, down) << entry.pov;
    }
}

TEST(DeviceObjectTest, DefaultsComeFromTheKeyboardThenTheMouse)
{
    DeviceKeyboard keyboard;
    DeviceMouse mouse;
    DeviceJoystick joystick;
    EXPECT_EQ("ESCAPE", ButtonName(keyboard, keyboard.GetDefaultButtonBinding(0)));
    EXPECT_EQ("KEY 210", ButtonName(keyboard, keyboard.GetDefaultButtonBinding(47)));
    EXPECT_EQ(nullptr, keyboard.GetDefaultButtonBinding(11));
    EXPECT_EQ("L-MOUSE", ButtonName(mouse, mouse.GetDefaultButtonBinding(11)));
    EXPECT_EQ("R-MOUSE", ButtonName(mouse, mouse.GetDefaultButtonBinding(19)));
    EXPECT_EQ("M-WHEEL DOWN", ButtonName(mouse, mouse.GetDefaultButtonBinding(40)));
    EXPECT_EQ(nullptr, mouse.GetDefaultButtonBinding(0));
    EXPECT_EQ(nullptr, joystick.GetDefaultButtonBinding(0));
    EXPECT_EQ("M-X AXIS", AxisName(mouse, mouse.GetDefaultAxisBinding(2)));
    EXPECT_EQ("M-Y AXIS", AxisName(mouse, mouse.GetDefaultAxisBinding(3)));
    EXPECT_EQ("J_ZAXIS", AxisName(joystick, joystick.GetDefaultAxisBinding(2)));
    EXPECT_EQ(nullptr, joystick.GetDefaultAxisBinding(3));
    EXPECT_EQ(nullptr, keyboard.GetDefaultAxisBinding(0));
}

TEST(DeviceObjectTest, ADeviceWithoutDirectInputKeepsItsStateWhenPolled)
{
    DeviceKeyboard keyboard;
    keyboard.GetStateBuffer()[DIK_W] = DOWN;
    EXPECT_TRUE(FAILED(keyboard.Poll()));
    EXPECT_EQ(DOWN, keyboard.GetStateBuffer()[DIK_W]);
    keyboard.PollAndClear();
    EXPECT_EQ(0, keyboard.GetStateBuffer()[DIK_W]);

    DeviceJoystick joystick;
    joystick.SetProductName("A controller with a rather long product name");
    EXPECT_STREQ("A controller with a rather lo", joystick.GetProductName()) << "29 characters are kept";
}

} // namespace
