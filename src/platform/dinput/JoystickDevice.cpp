#include "platform/dinput/JoystickDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

const BYTE DOWN = 0x80;
const LONG DEFAULT_RANGE_MAX = 65535;
const long long SDL_AXIS_MIN = -32768;
const long long SDL_AXIS_SPAN = 65535;
const DWORD POV_CENTRED = 0xFFFFFFFF;

// Where each axis lies in DIJOYSTATE2, in axis order.
const DWORD AXIS_OFFSETS[JoystickDevice::MAX_AXES] = {
    offsetof(DIJOYSTATE2, lX),           offsetof(DIJOYSTATE2, lY),  offsetof(DIJOYSTATE2, lZ),
    offsetof(DIJOYSTATE2, lRx),          offsetof(DIJOYSTATE2, lRy), offsetof(DIJOYSTATE2, lRz),
    offsetof(DIJOYSTATE2, rglSlider[0]), offsetof(DIJOYSTATE2, rglSlider[1]),
};

const char* const AXIS_NAMES[JoystickDevice::MAX_AXES] = {
    "X Axis", "Y Axis", "Z Axis", "X Rotation", "Y Rotation", "Z Rotation", "Slider", "Slider",
};

struct HatAngle {
    Uint8 hat;
    DWORD angle;
};

const HatAngle HAT_ANGLES[] = {
    {SDL_HAT_UP, 0},        {SDL_HAT_RIGHTUP, 4500},  {SDL_HAT_RIGHT, 9000},    {SDL_HAT_RIGHTDOWN, 13500},
    {SDL_HAT_DOWN, 18000},  {SDL_HAT_LEFTDOWN, 22500}, {SDL_HAT_LEFT, 27000},    {SDL_HAT_LEFTUP, 31500},
};

bool WantsType(DWORD flags, DWORD type)
{
    return flags == DIDFT_ALL || (flags & type) != 0;
}

BOOL ReportObject(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref, DWORD offset, DWORD type,
                  const char* name)
{
    DIDEVICEOBJECTINSTANCEA object = {};
    object.dwSize = sizeof(object);
    object.dwOfs = offset;
    object.dwType = type;
    std::snprintf(object.tszName, sizeof(object.tszName), "%s", name);
    return callback(&object, ref);
}

} // namespace

JoystickDevice::JoystickDevice(SDL_Joystick* joystick)
    : InputDevice(c_dfDIJoystick2), m_pJoystick(joystick), m_InstanceId(SDL_JoystickInstanceID(joystick)),
      m_AxisCount(std::min<int>(SDL_JoystickNumAxes(joystick), MAX_AXES)),
      m_ButtonCount(std::min<int>(SDL_JoystickNumButtons(joystick), MAX_BUTTONS)),
      m_PovCount(std::min<int>(SDL_JoystickNumHats(joystick), MAX_POVS))
{
    m_AxisCount = std::max(m_AxisCount, 0);
    m_ButtonCount = std::max(m_ButtonCount, 0);
    m_PovCount = std::max(m_PovCount, 0);
    for (AxisRange& range : m_Ranges)
        range = AxisRange{0, DEFAULT_RANGE_MAX};
    ReadFromSDL();
}

JoystickDevice::~JoystickDevice()
{
    // At exit SDL may have closed every joystick already.
    if (SDL_WasInit(SDL_INIT_JOYSTICK) != 0)
        SDL_JoystickClose(m_pJoystick);
}

LONG JoystickDevice::ScaleAxis(Sint16 value, LONG rangeMin, LONG rangeMax)
{
    const long long span = static_cast<long long>(rangeMax) - rangeMin;
    const long long steps = (value - SDL_AXIS_MIN) * span;
    // Rounded to nearest, so that SDL's centre 0 lands on a symmetric range's centre.
    return static_cast<LONG>(rangeMin + (2 * steps + SDL_AXIS_SPAN) / (2 * SDL_AXIS_SPAN));
}

DWORD JoystickDevice::PovFromHat(Uint8 hat)
{
    for (const HatAngle& entry : HAT_ANGLES) {
        if (entry.hat == hat)
            return entry.angle;
    }
    return POV_CENTRED;
}

HRESULT JoystickDevice::SetProperty(REFGUID property, const DIPROPHEADER* header)
{
    if (header == nullptr || !IsEqualGUID(property, DIPROP_RANGE))
        return DIERR_UNSUPPORTED;
    if (header->dwHeaderSize != sizeof(DIPROPHEADER) || header->dwSize != sizeof(DIPROPRANGE))
        return DIERR_INVALIDPARAM;
    const DIPROPRANGE& range = *reinterpret_cast<const DIPROPRANGE*>(header);
    if (range.lMin >= range.lMax)
        return DIERR_INVALIDPARAM;

    if (header->dwHow == DIPH_DEVICE) {
        if (header->dwObj != 0)
            return DIERR_INVALIDPARAM;
        for (AxisRange& axisRange : m_Ranges)
            axisRange = AxisRange{range.lMin, range.lMax};
        return DI_OK;
    }
    const int axis = FindAxis(*header);
    if (axis < 0)
        return DIERR_OBJECTNOTFOUND;
    m_Ranges[axis] = AxisRange{range.lMin, range.lMax};
    return DI_OK;
}

HRESULT JoystickDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref, DWORD flags)
{
    if (callback == nullptr)
        return DIERR_INVALIDPARAM;
    if (WantsType(flags, DIDFT_AXIS)) {
        for (int axis = 0; axis < m_AxisCount; ++axis) {
            const DWORD type = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(axis);
            if (ReportObject(callback, ref, AXIS_OFFSETS[axis], type, AXIS_NAMES[axis]) == DIENUM_STOP)
                return DI_OK;
        }
    }
    if (WantsType(flags, DIDFT_BUTTON)) {
        for (int button = 0; button < m_ButtonCount; ++button) {
            char name[MAX_PATH];
            std::snprintf(name, sizeof(name), "Button %d", button);
            const DWORD offset = offsetof(DIJOYSTATE2, rgbButtons) + button;
            if (ReportObject(callback, ref, offset, DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(button), name) ==
                DIENUM_STOP)
                return DI_OK;
        }
    }
    if (WantsType(flags, DIDFT_POV)) {
        for (int pov = 0; pov < m_PovCount; ++pov) {
            const DWORD offset = offsetof(DIJOYSTATE2, rgdwPOV) + pov * sizeof(DWORD);
            if (ReportObject(callback, ref, offset, DIDFT_POV | DIDFT_MAKEINSTANCE(pov), "Hat Switch") ==
                DIENUM_STOP)
                return DI_OK;
        }
    }
    return DI_OK;
}

void JoystickDevice::OnAcquired()
{
    // Events may have been withheld while the window was in the background.
    ReadFromSDL();
}

void JoystickDevice::HandleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_JOYAXISMOTION:
        if (event.jaxis.which == m_InstanceId && event.jaxis.axis < m_AxisCount)
            m_Axes[event.jaxis.axis] = event.jaxis.value;
        break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        if (event.jbutton.which == m_InstanceId && event.jbutton.button < m_ButtonCount)
            m_Buttons[event.jbutton.button] = event.jbutton.state == SDL_PRESSED ? DOWN : 0;
        break;
    case SDL_JOYHATMOTION:
        if (event.jhat.which == m_InstanceId && event.jhat.hat < m_PovCount)
            m_Hats[event.jhat.hat] = event.jhat.value;
        break;
    case SDL_JOYDEVICEREMOVED:
        if (event.jdevice.which == m_InstanceId) {
            m_bUnplugged = true;
            MarkLost();
        }
        break;
    default:
        break;
    }
}

void JoystickDevice::ReadState(void* data)
{
    DIJOYSTATE2 state = {};
    BYTE* bytes = reinterpret_cast<BYTE*>(&state);
    for (int axis = 0; axis < m_AxisCount; ++axis) {
        const LONG value = ScaleAxis(m_Axes[axis], m_Ranges[axis].min, m_Ranges[axis].max);
        std::memcpy(bytes + AXIS_OFFSETS[axis], &value, sizeof(value));
    }
    for (int pov = 0; pov < MAX_POVS; ++pov)
        state.rgdwPOV[pov] = pov < m_PovCount ? PovFromHat(m_Hats[pov]) : POV_CENTRED;
    std::memcpy(state.rgbButtons, m_Buttons, sizeof(m_Buttons));
    std::memcpy(data, &state, sizeof(state));
}

int JoystickDevice::FindAxis(const DIPROPHEADER& header) const
{
    for (int axis = 0; axis < m_AxisCount; ++axis) {
        if (header.dwHow == DIPH_BYOFFSET && header.dwObj == AXIS_OFFSETS[axis])
            return axis;
        if (header.dwHow == DIPH_BYID && (DIDFT_GETTYPE(header.dwObj) & DIDFT_AXIS) != 0 &&
            DIDFT_GETINSTANCE(header.dwObj) == axis)
            return axis;
    }
    return -1;
}

void JoystickDevice::ReadFromSDL()
{
    for (int axis = 0; axis < m_AxisCount; ++axis)
        m_Axes[axis] = SDL_JoystickGetAxis(m_pJoystick, axis);
    for (int button = 0; button < m_ButtonCount; ++button)
        m_Buttons[button] = SDL_JoystickGetButton(m_pJoystick, button) != 0 ? DOWN : 0;
    // Over every slot, so that the bound the compiler sees is the array's.
    for (int pov = 0; pov < MAX_POVS; ++pov)
        m_Hats[pov] = pov < m_PovCount ? SDL_JoystickGetHat(m_pJoystick, pov) : SDL_HAT_CENTERED;
}
