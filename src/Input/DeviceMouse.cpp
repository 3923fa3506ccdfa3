#include "Input/DeviceMouse.h"

#include <cstdio>
#include <cstring>

namespace {

// Buttons 0 to 2 have names of their own; the others are "M" and their number.
const char* const BUTTON_NAMES[] = {"L-MOUSE", "R-MOUSE", "M-WHEEL"};
const int NAMED_BUTTONS = 3;
const char BUTTON_PREFIX = 'M';

const char* const DIRECTION_NAMES[DeviceMouse::DIRECTION_COUNT] = {
    "M-X AXIS RIGHT", "M-X AXIS LEFT", "M-Y AXIS DOWN", "M-Y AXIS UP", "M-WHEEL UP", "M-WHEEL DOWN",
};

const char* const AXIS_NAMES[DeviceMouse::AXIS_COUNT] = {"M-X AXIS", "M-Y AXIS", "M-WHEEL AXIS"};

// The input manager's actions that default to a mouse button or direction.
enum {
    ACTION_FIRE = 11,
    ACTION_LEFT_CLICK = 12,
    ACTION_RIGHT_CLICK = 13,
    ACTION_HANDBRAKE = 19,
    ACTION_RADIO_PREV = 39,
    ACTION_RADIO_NEXT = 40,
};
enum { BUTTON_LEFT = 0, BUTTON_RIGHT = 1 };
enum { AXIS_X = 0, AXIS_Y = 1, AXIS_WHEEL = 2 };

BYTE DirectionByte(bool on)
{
    return on ? DeviceObject::DOWN : 0;
}

} // namespace

DeviceMouse::DeviceMouse()
{
    std::memset(&m_State, 0, sizeof(m_State));
    std::memset(m_Directions, 0, sizeof(m_Directions));
}

bool DeviceMouse::Init(HWND hWnd, IDirectInput8A* directInput, const DIDEVICEINSTANCEA* /*instance*/)
{
    if (!CreateDevice(hWnd, directInput, GUID_SysMouse, c_dfDIMouse2, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND))
        return false;
    std::memset(&m_State, 0, sizeof(m_State));
    std::memset(m_Directions, 0, sizeof(m_Directions));
    return true;
}

HRESULT DeviceMouse::Poll()
{
    DeviceObject::Poll();
    DIMOUSESTATE2 state;
    const HRESULT result = ReadDeviceState(sizeof(state), &state);
    if (FAILED(result))
        return result;
    ApplyState(state);
    return result;
}

void DeviceMouse::ApplyState(const DIMOUSESTATE2& state)
{
    m_State = state;
    m_Directions[X_RIGHT] = DirectionByte(state.lX >= 1);
    m_Directions[X_LEFT] = DirectionByte(state.lX < 0);
    m_Directions[Y_DOWN] = DirectionByte(state.lY >= 1);
    m_Directions[Y_UP] = DirectionByte(state.lY < 0);
    m_Directions[WHEEL_UP] = DirectionByte(state.lZ >= 1);
    m_Directions[WHEEL_DOWN] = DirectionByte(state.lZ < 0);
}

BYTE* DeviceMouse::GetDefaultButtonBinding(int action)
{
    switch (action) {
    case ACTION_FIRE:
    case ACTION_LEFT_CLICK:
        return &m_State.rgbButtons[BUTTON_LEFT];
    case ACTION_RIGHT_CLICK:
    case ACTION_HANDBRAKE:
        return &m_State.rgbButtons[BUTTON_RIGHT];
    case ACTION_RADIO_PREV:
        return &m_Directions[WHEEL_UP];
    case ACTION_RADIO_NEXT:
        return &m_Directions[WHEEL_DOWN];
    default:
        return nullptr;
    }
}

LONG* DeviceMouse::GetDefaultAxisBinding(int axis)
{
    // Mouse_X and Look_LR follow X; Mouse_Y and Look_UD follow Y.
    switch (axis) {
    case 0:
    case 2:
        return Axis(AXIS_X);
    case 1:
    case 3:
        return Axis(AXIS_Y);
    default:
        return nullptr;
    }
}

BYTE* DeviceMouse::FindPressedButton(char* name)
{
    for (int index = 0; index < BUTTON_COUNT + DIRECTION_COUNT; ++index) {
        BYTE* byte = ButtonByte(index);
        if ((*byte & DOWN) != 0) {
            GetButtonBindingName(byte, name);
            return byte;
        }
    }
    return nullptr;
}

LONG* DeviceMouse::FindMovedAxis(char* name)
{
    for (int axis = 0; axis < AXIS_COUNT; ++axis) {
        LONG* value = Axis(axis);
        if (*value >= MOVED_THRESHOLD || *value <= -MOVED_THRESHOLD) {
            WriteName(name, AXIS_NAMES[axis]);
            return value;
        }
    }
    return nullptr;
}

void DeviceMouse::PollAndClear()
{
    Poll();
    std::memset(&m_State, 0, sizeof(m_State));
    std::memset(m_Directions, 0, sizeof(m_Directions));
}

void DeviceMouse::GetButtonBindingName(const BYTE* binding, char* name) const
{
    const int index = ButtonByteIndex(binding);
    if (index < 0)
        return;
    if (index < NAMED_BUTTONS)
        WriteName(name, BUTTON_NAMES[index]);
    else if (index < BUTTON_COUNT)
        std::snprintf(name, NAME_SIZE, "%c%d", BUTTON_PREFIX, index);
    else
        WriteName(name, DIRECTION_NAMES[index - BUTTON_COUNT]);
}

void DeviceMouse::GetAxisBindingName(const LONG* binding, char* name) const
{
    for (int axis = 0; axis < AXIS_COUNT; ++axis) {
        if (binding == Axis(axis)) {
            WriteName(name, AXIS_NAMES[axis]);
            return;
        }
    }
}

BYTE* DeviceMouse::NameToButtonBinding(const char* name)
{
    const int named = FindName(name, BUTTON_NAMES, NAMED_BUTTONS);
    if (named >= 0)
        return &m_State.rgbButtons[named];
    const int direction = FindName(name, DIRECTION_NAMES, DIRECTION_COUNT);
    if (direction >= 0)
        return &m_Directions[direction];
    const int button = ParseNumberedButton(name, BUTTON_PREFIX, BUTTON_COUNT);
    return button >= 0 ? &m_State.rgbButtons[button] : nullptr;
}

LONG* DeviceMouse::NameToAxisBinding(const char* name)
{
    const int axis = FindName(name, AXIS_NAMES, AXIS_COUNT);
    return axis >= 0 ? Axis(axis) : nullptr;
}

LONG* DeviceMouse::Axis(int axis)
{
    return const_cast<LONG*>(static_cast<const DeviceMouse*>(this)->Axis(axis));
}

const LONG* DeviceMouse::Axis(int axis) const
{
    switch (axis) {
    case AXIS_X:
        return &m_State.lX;
    case AXIS_Y:
        return &m_State.lY;
    default:
        return &m_State.lZ;
    }
}

// Buttons first, then directions, as one list of bindable bytes.
BYTE* DeviceMouse::ButtonByte(int index)
{
    if (index < BUTTON_COUNT)
        return &m_State.rgbButtons[index];
    return &m_Directions[index - BUTTON_COUNT];
}

int DeviceMouse::ButtonByteIndex(const BYTE* binding) const
{
    if (binding == nullptr)
        return -1;
    for (int button = 0; button < BUTTON_COUNT; ++button) {
        if (binding == &m_State.rgbButtons[button])
            return button;
    }
    for (int direction = 0; direction < DIRECTION_COUNT; ++direction) {
        if (binding == &m_Directions[direction])
            return BUTTON_COUNT + direction;
    }
    return -1;
}
