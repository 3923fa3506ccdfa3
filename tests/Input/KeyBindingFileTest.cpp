#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/Window.h"
#include "Input/DeviceJoystick.h"
#include "Input/DeviceKeyboard.h"
#include "Input/DeviceMouse.h"
#include "Input/InputManager.h"
#include "support/TempDir.h"

namespace {

const int BUTTONS = CInputManager::BUTTON_ACTION_COUNT;
const int AXES = CInputManager::AXIS_ACTION_COUNT;

// A manager over a keyboard, a mouse and the given joysticks (by product
// name, from slot 2 on), without DirectInput behind them.
struct Controls {
    explicit Controls(const std::vector<std::string>& joysticks = {})
    {
        manager.Reset();
        manager.AttachDevice(CInputManager::KEYBOARD_SLOT, std::unique_ptr<DeviceObject>(new DeviceKeyboard()));
        manager.AttachDevice(CInputManager::MOUSE_SLOT, std::unique_ptr<DeviceObject>(new DeviceMouse()));
        int slot = CInputManager::FIRST_JOYSTICK_SLOT;
        for (const std::string& name : joysticks) {
            std::unique_ptr<DeviceJoystick> joystick(new DeviceJoystick());
            joystick->SetProductName(name.c_str());
            manager.AttachDevice(slot++, std::move(joystick));
        }
    }

    DeviceObject* Device(int slot) const { return manager.GetDevice(slot); }

    std::string ButtonName(int action) const
    {
        std::string name;
        manager.GetBindingName(name, action);
        return name;
    }

    std::string AxisName(int axis) const
    {
        std::string name;
        manager.GetAxisBindingName(name, axis);
        return name;
    }

    CInputManager manager;
};

// The defaults' names, as a manager without a key-binding file has them.
std::vector<std::string> DefaultButtonNames()
{
    Controls defaults;
    defaults.manager.SetDefaultBindings(CInputManager::ALL_DEFAULTS);
    std::vector<std::string> names;
    for (int action = 0; action < BUTTONS; ++action)
        names.push_back(defaults.ButtonName(action));
    return names;
}

std::string Pairs(const std::vector<std::pair<std::string, std::string>>& pairs, const char* lineEnd)
{
    std::string text = std::string("Version 1.0") + lineEnd;
    for (const auto& pair : pairs)
        text += pair.first + lineEnd + pair.second + lineEnd;
    return text;
}

class KeyBindingFileTest : public ::testing::Test {
protected:
    TempDir m_Folder;
    ScopedWorkingDir m_InFolder{m_Folder.Path()};
};

TEST_F(KeyBindingFileTest, EveryActionAndAxisSurvivesASaveAndALoad)
{
    Controls saved({"Pad"});
    EXPECT_FALSE(saved.manager.LoadBindings("controls.cfg"));
    DeviceObject* keyboard = saved.Device(CInputManager::KEYBOARD_SLOT);
    DeviceObject* mouse = saved.Device(CInputManager::MOUSE_SLOT);
    DeviceObject* pad = saved.Device(CInputManager::FIRST_JOYSTICK_SLOT);
    // Every action on a binding of its own, none of them a default.
    for (int action = 0; action < BUTTONS; ++action)
        saved.manager.SetButtonBinding(action, keyboard->GetStateBuffer() + 0x80 + action);
    saved.manager.SetButtonBinding(5, mouse->NameToButtonBinding("M5"));
    saved.manager.SetButtonBinding(6, pad->NameToButtonBinding("J7"));
    saved.manager.SetButtonBinding(7, pad->NameToButtonBinding("J_POV_L"));
    saved.manager.SetButtonBinding(76, mouse->NameToButtonBinding("M-WHEEL UP"));
    saved.manager.SetAxisBinding(0, pad->NameToAxisBinding("J_RZAXIS"));
    saved.manager.SetAxisBinding(1, mouse->NameToAxisBinding("M-WHEEL AXIS"));
    saved.manager.SetAxisBinding(2, mouse->NameToAxisBinding("M-Y AXIS"));
    saved.manager.SetAxisBinding(3, mouse->NameToAxisBinding("M-X AXIS"));
    saved.manager.SaveBindings();

    const std::string text = m_Folder.Read("controls.cfg");
    EXPECT_EQ(0u, text.find("Version 1.0\r\nQuit\r\nKEY 128\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nRotRight\r\nJ72\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nMouse_X\r\nJ_RZAXIS2\r\n"));
    EXPECT_NE(std::string::npos, text.find("\r\nControl Type\r\nKeyboard\r\nJoysticks 1\r\n2 Pad\r\n"));
    EXPECT_EQ(text.size() - 1, text.rfind('\n'));

    Controls loaded({"Pad"});
    EXPECT_TRUE(loaded.manager.LoadBindings("controls.cfg"));
    for (int action = 0; action < BUTTONS; ++action)
        EXPECT_EQ(saved.ButtonName(action), loaded.ButtonName(action)) << action;
    for (int axis = 0; axis < AXES; ++axis)
        EXPECT_EQ(saved.AxisName(axis), loaded.AxisName(axis)) << axis;
    EXPECT_EQ(loaded.Device(CInputManager::FIRST_JOYSTICK_SLOT)->NameToButtonBinding("J7"),
              loaded.manager.GetButtonBinding(6));

    // The contexts are built although no action fell back to a default.
    loaded.Device(CInputManager::KEYBOARD_SLOT)->GetStateBuffer()[0x80 + 1] = DeviceObject::DOWN;
    loaded.manager.Update();
    EXPECT_EQ(CInputManager::STATE_HELD, loaded.manager.GetActionStates()[1]);
}

TEST_F(KeyBindingFileTest, AnOldFileWithLfLinesLosesOnlyTheLastActionAndMouseX)
{
    // Written before the last action was saved: 76 pairs, then the axes.
    std::vector<std::pair<std::string, std::string>> pairs;
    Controls reference;
    reference.manager.InitActionNames();
    for (int action = 0; action < BUTTONS - 1; ++action)
        pairs.emplace_back(reference.manager.GetActionName(action), "P");
    pairs.insert(pairs.end(), {{"Mouse_X", "M-Y AXIS"},
                               {"Mouse_Y", "M-X AXIS"},
                               {"Look_LR", "M-Y AXIS"},
                               {"Look_UD", "M-X AXIS"},
                               {"Control Type", "Joystick"}});
    m_Folder.Write("controls.cfg", Pairs(pairs, "\n") + "Joysticks 0\n");

    Controls loaded;
    EXPECT_TRUE(loaded.manager.LoadBindings("controls.cfg"));
    for (int action = 0; action < BUTTONS - 1; ++action)
        EXPECT_EQ("P", loaded.ButtonName(action)) << action;
    EXPECT_EQ("NUMPAD 1", loaded.ButtonName(76));
    EXPECT_EQ("M-X AXIS", loaded.AxisName(0));
    EXPECT_EQ("M-X AXIS", loaded.AxisName(1));
    EXPECT_EQ("M-Y AXIS", loaded.AxisName(2));
    EXPECT_EQ("M-X AXIS", loaded.AxisName(3));
    EXPECT_TRUE(loaded.manager.GetControlType());
}

TEST_F(KeyBindingFileTest, WhatTheFileDoesNotGiveCorrectlyFallsBackToTheDefault)
{
    const std::vector<std::string> defaults = DefaultButtonNames();
    Controls reference;
    reference.manager.InitActionNames();
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int action = 0; action < BUTTONS; ++action)
        pairs.emplace_back(reference.manager.GetActionName(action), "P");
    const struct {
        int action;
        const char* value;
    } bad[] = {
        {1, ""},           {2, "KEY 999"},     {3, "p"},          {11, "M9"},
        {12, "M65536"},    {13, "J_XAXIS_R7"}, {14, "J_XAXIS_R3"}, {15, "J200002"},
    };
    for (const auto& entry : bad)
        pairs[entry.action].second = entry.value;
    pairs[75].first = "Mismatched";
    pairs.insert(pairs.end(), {{"Mouse_X", "M-Y AXIS"}, {"Mouse_Y", "J_XAXIS2"}});
    m_Folder.Write("controls.cfg", Pairs(pairs, "\r\n") + "Joysticks 9\r\n2 Pad\r\n");

    Controls loaded({"Pad"});
    EXPECT_TRUE(loaded.manager.LoadBindings("controls.cfg"));
    EXPECT_EQ("P", loaded.ButtonName(0));
    for (const auto& entry : bad)
        EXPECT_EQ(defaults[entry.action], loaded.ButtonName(entry.action)) << entry.value;
    EXPECT_EQ("P", loaded.ButtonName(74));
    EXPECT_EQ(defaults[75], loaded.ButtonName(75)) << "the mismatched pair";
    EXPECT_EQ(defaults[76], loaded.ButtonName(76)) << "one line out of step";
    EXPECT_EQ("M-X AXIS", loaded.AxisName(0)) << "still out of step";
    EXPECT_EQ("M-Y AXIS", loaded.AxisName(1));
    EXPECT_FALSE(loaded.manager.GetControlType());
}

TEST_F(KeyBindingFileTest, AJoystickBindingFindsItsJoystickByNameInAnotherSlot)
{
    m_Folder.Write("controls.cfg", Pairs({{"Quit", "ESCAPE"}, {"Forward", "J_YAXIS_U2"}, {"Backwards", "J_YAXIS_D3"}},
                                         "\r\n") +
                                       "Joysticks 2\r\n2 Pad A\r\n3 Pad B\r\n");
    // Nothing for the axes: the joystick list is searched past the missing entries.
    Controls loaded({"Pad B", "Pad A"});
    EXPECT_TRUE(loaded.manager.LoadBindings("controls.cfg"));
    DeviceObject* padB = loaded.Device(2);
    DeviceObject* padA = loaded.Device(3);
    EXPECT_EQ(padA->NameToButtonBinding("J_YAXIS_U"), loaded.manager.GetButtonBinding(1));
    EXPECT_EQ(padB->NameToButtonBinding("J_YAXIS_D"), loaded.manager.GetButtonBinding(2));

    Controls unplugged({"Pad C"});
    EXPECT_TRUE(unplugged.manager.LoadBindings("controls.cfg"));
    EXPECT_EQ("W", unplugged.ButtonName(1)) << "its joystick is gone";
}

TEST_F(KeyBindingFileTest, AMissingFileGivesTheDefaultsAndIsWrittenAtShutdown)
{
    Controls controls;
    EXPECT_FALSE(controls.manager.LoadBindings("controls.cfg"));
    const std::vector<std::string> defaults = DefaultButtonNames();
    for (int action = 0; action < BUTTONS; ++action)
        EXPECT_EQ(defaults[action], controls.ButtonName(action)) << action;
    EXPECT_EQ("M-X AXIS", controls.AxisName(0));

    controls.Device(CInputManager::KEYBOARD_SLOT)->GetStateBuffer()[DIK_W] = DeviceObject::DOWN;
    controls.manager.Update();
    EXPECT_EQ(CInputManager::STATE_HELD, controls.manager.GetActionStates()[1]);

    controls.manager.Shutdown();
    EXPECT_EQ(0u, m_Folder.Read("controls.cfg").find("Version 1.0\r\nQuit\r\nESCAPE\r\n"));
}

TEST_F(KeyBindingFileTest, AFailedInputStartLeavesThePlayersFileAsItWas)
{
    const std::string file = Pairs({{"Quit", "Q"}}, "\r\n");
    m_Folder.Write("controls.cfg", file);
    // Without a window the keyboard and the mouse cannot be had.
    g_hWnd = nullptr;
    CInputManager manager;
    ASSERT_FALSE(manager.Init());
    manager.Shutdown();
    EXPECT_EQ(file, m_Folder.Read("controls.cfg"));
}

} // namespace
