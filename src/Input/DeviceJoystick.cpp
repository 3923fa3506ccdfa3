#include "Input/DeviceJoystick.h"

#include <cstdio>
#include <cstring>

namespace {

const char BUTTON_PREFIX = 'J';

// Two per axis, the positive one first.
const char* const DIRECTION_NAMES[DeviceJoystick::DIRECTION_COUNT] = {
    "J_XAXIS_R",   "J_XAXIS_L",   "J_YAXIS_D",   "J_YAXIS_U",   "J_ZAXIS_0",    "J_ZAXIS_1",
    "J_RXAXIS_0",  "J_RXAXIS_1",  "J_RYAXIS_0",  "J_RYAXIS_1",  "J_RZAXIS_0",   "J_RZAXIS_1",
    "J_USLIDER_0", "J_USLIDER_1", "J_VSLIDER_0", "J_VSLIDER_1",
};

const char* const HAT_NAMES[DeviceJoystick::HAT_COUNT] = {"J_POV_U", "J_POV_R", "J_POV_D", "J_POV_L"};

const char* const AXIS_NAMES[DeviceJoystick::AXIS_COUNT] = {
    "J_XAXIS", "J_YAXIS", "J_ZAXIS", "J_RXAXIS", "J_RYAXIS", "J_RZAXIS", "J_USLIDER", "J_VSLIDER",
};

// Hat angles are hundredths of a degree clockwise from up; a quarter turn
// moves to the next hat byte, and a diagonal lies half a quarter past one.
const DWORD QUARTER_TURN = 9000;
const DWORD HALF_QUARTER_TURN = 4500;
const DWORD FULL_TURN = 36000;
const WORD POV_CENTRED = 0xFFFF;

// X, Y, Z, the three rotations and the two sliders.
const LONG& AxisOf(const DIJOYSTATE2& state, int axis)
{
    switch (axis) {
    case 0:
        return state.lX;
    case 1:
        return state.lY;
    case 2:
        return state.lZ;
    case 3:
        return state.lRx;
    case 4:
        return state.lRy;
    case 5:
        return state.lRz;
    case 6:
        return state.rglSlider[0];
    default:
        return state.rglSlider[1];
    }
}

LONG& AxisOf(DIJOYSTATE2& state, int axis)
{
    return const_cast<LONG&>(AxisOf(static_cast<const DIJOYSTATE2&>(state), axis));
}

// The index of `byte` in the `count` bytes from `first`, or -1.
int IndexIn(const BYTE* byte, const BYTE* first, int count)
{
    for (int index = 0; index < count; ++index) {
        if (byte == first + index)
            return index;
    }
    return -1;
}

} // namespace

DeviceJoystick::DeviceJoystick()
{
    std::memset(m_RestValues, 0, sizeof(m_RestValues));
    std::memset(&m_State, 0, sizeof(m_State));
    std::memset(m_Directions, 0, sizeof(m_Directions));
    std::memset(m_Hats, 0, sizeof(m_Hats));
    m_ProductName[0] = '\0';
}

bool DeviceJoystick::Init(HWND hWnd, IDirectInput8A* directInput, const DIDEVICEINSTANCEA* instance)
{
    if (instance == nullptr)
        return false;
    if (!CreateDevice(hWnd, directInput, instance->guidInstance, c_dfDIJoystick2,
                      DISCL_EXCLUSIVE | DISCL_FOREGROUND))
        return false;
    if (FAILED(m_pDevice->EnumObjects(SetAxisRange, m_pDevice, DIDFT_AXIS))) {
        Release();
        return false;
    }
    std::memset(&m_State, 0, sizeof(m_State));
    std::memset(m_Directions, 0, sizeof(m_Directions));
    std::memset(m_Hats, 0, sizeof(m_Hats));

    // Whatever the axes read now is where they rest.
    DeviceObject::Poll();
    DIJOYSTATE2 raw = {};
    ReadDeviceState(sizeof(raw), &raw);
    SetRestValues(raw);
    return true;
}

BOOL CALLBACK DeviceJoystick::SetAxisRange(const DIDEVICEOBJECTINSTANCEA* object, LPVOID context)
{
    IDirectInputDevice8A* device = static_cast<IDirectInputDevice8A*>(context);
    DIPROPRANGE range = {};
    range.diph.dwSize = sizeof(DIPROPRANGE);
    range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    range.diph.dwHow = DIPH_BYID;
    range.diph.dwObj = object->dwType;
    range.lMin = -AXIS_RANGE;
    range.lMax = AXIS_RANGE;
    device->SetProperty(DIPROP_RANGE, &range.diph);
    return DIENUM_CONTINUE;
}

HRESULT DeviceJoystick::Poll()
{
    // A pad pulled out while a button was held must not hold it for good.
    const HRESULT polled = DeviceObject::Poll();
    if (polled == DIERR_UNPLUGGED) {
        ClearState();
        return polled;
    }
    DIJOYSTATE2 raw;
    const HRESULT result = ReadDeviceState(sizeof(raw), &raw);
    if (FAILED(result))
        return result;
    ApplyState(raw);
    return result;
}

void DeviceJoystick::SetRestValues(const DIJOYSTATE2& raw)
{
    for (int axis = 0; axis < AXIS_COUNT; ++axis)
        m_RestValues[axis] = AxisOf(raw, axis);
}

void DeviceJoystick::ApplyState(const DIJOYSTATE2& raw)
{
    m_State = raw;
    for (int axis = 0; axis < AXIS_COUNT; ++axis) {
        LONG& value = *Axis(axis);
        if (value == m_RestValues[axis])
            value = 0;
        m_Directions[2 * axis] = value >= POSITIVE_THRESHOLD ? DOWN : 0;
        m_Directions[2 * axis + 1] = value < NEGATIVE_THRESHOLD ? DOWN : 0;
        value /= AXIS_DIVISOR;
    }
    ApplyHat(m_State.rgdwPOV[0]);
}

void DeviceJoystick::ApplyHat(DWORD pov)
{
    std::memset(m_Hats, 0, sizeof(m_Hats));
    // An angle of a full turn or more is no position a hat can report.
    if (LOWORD(pov) == POV_CENTRED || pov >= FULL_TURN)
        return;
    m_Hats[pov / QUARTER_TURN] = DOWN;
    m_Hats[((pov + HALF_QUARTER_TURN) / QUARTER_TURN) % HAT_COUNT] = DOWN;
}

LONG* DeviceJoystick::GetDefaultAxisBinding(int axis)
{
    // Mouse_X, Mouse_Y and Look_LR follow X, Y and Z; Look_UD has none.
    if (axis < 0 || axis > 2)
        return nullptr;
    return Axis(axis);
}

BYTE* DeviceJoystick::FindPressedButton(char* name)
{
    for (int index = 0; index < BUTTON_COUNT + DIRECTION_COUNT + HAT_COUNT; ++index) {
        BYTE* byte = ButtonByte(index);
        if ((*byte & DOWN) != 0) {
            GetButtonBindingName(byte, name);
            return byte;
        }
    }
    return nullptr;
}

LONG* DeviceJoystick::FindMovedAxis(char* name)
{
    for (int axis = 0; axis < AXIS_COUNT; ++axis) {
        if (*Axis(axis) != 0) {
            WriteName(name, AXIS_NAMES[axis]);
            return Axis(axis);
        }
    }
    return nullptr;
}

void DeviceJoystick::PollAndClear()
{
    Poll();
    ClearState();
}

void DeviceJoystick::ClearState()
{
    for (int axis = 0; axis < AXIS_COUNT; ++axis)
        *Axis(axis) = 0;
    std::memset(m_State.rgbButtons, 0, sizeof(m_State.rgbButtons));
    std::memset(m_Directions, 0, sizeof(m_Directions));
    std::memset(m_Hats, 0, sizeof(m_Hats));
}

void DeviceJoystick::GetButtonBindingName(const BYTE* binding, char* name) const
{
    const int index = ButtonByteIndex(binding);
    if (index < 0)
        return;
    if (index < BUTTON_COUNT)
        std::snprintf(name, NAME_SIZE, "%c%d", BUTTON_PREFIX, index);
    else if (index < BUTTON_COUNT + DIRECTION_COUNT)
        WriteName(name, DIRECTION_NAMES[index - BUTTON_COUNT]);
    else
        WriteName(name, HAT_NAMES[index - BUTTON_COUNT - DIRECTION_COUNT]);
}

void DeviceJoystick::GetAxisBindingName(const LONG* binding, char* name) const
{
    for (int axis = 0; axis < AXIS_COUNT; ++axis) {
        if (binding == Axis(axis)) {
            WriteName(name, AXIS_NAMES[axis]);
            return;
        }
    }
}

BYTE* DeviceJoystick::NameToButtonBinding(const char* name)
{
    const int direction = FindName(name, DIRECTION_NAMES, DIRECTION_COUNT);
    if (direction >= 0)
        return &m_Directions[direction];
    const int hat = FindName(name, HAT_NAMES, HAT_COUNT);
    if (hat >= 0)
        return &m_Hats[hat];
    const int button = ParseNumberedButton(name, BUTTON_PREFIX, BUTTON_COUNT);
    return button >= 0 ? &m_State.rgbButtons[button] : nullptr;
}

LONG* DeviceJoystick::NameToAxisBinding(const char* name)
{
    const int axis = FindName(name, AXIS_NAMES, AXIS_COUNT);
    return axis >= 0 ? Axis(axis) : nullptr;
}

void DeviceJoystick::SetProductName(const char* name)
{
    std::snprintf(m_ProductName, sizeof(m_ProductName), "%s", name != nullptr ? name : "");
}

LONG* DeviceJoystick::Axis(int axis)
{
    return &AxisOf(m_State, axis);
}

const LONG* DeviceJoystick::Axis(int axis) const
{
    return &AxisOf(m_State, axis);
}

BYTE* DeviceJoystick::ButtonByte(int index)
{
    if (index < BUTTON_COUNT)
        return &m_State.rgbButtons[index];
    if (index < BUTTON_COUNT + DIRECTION_COUNT)
        return &m_Directions[index - BUTTON_COUNT];
    return &m_Hats[index - BUTTON_COUNT - DIRECTION_COUNT];
}

int DeviceJoystick::ButtonByteIndex(const BYTE* binding) const
{
    if (binding == nullptr)
        return -1;
    int index = IndexIn(binding, m_State.rgbButtons, BUTTON_COUNT);
    if (index >= 0)
        return index;
    index = IndexIn(binding, m_Directions, DIRECTION_COUNT);
    if (index >= 0)
        return BUTTON_COUNT + index;
    index = IndexIn(binding, m_Hats, HAT_COUNT);
    if (index >= 0)
        return BUTTON_COUNT + DIRECTION_COUNT + index;
    return -1;
}
