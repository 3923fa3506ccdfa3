#include "platform/dinput/InputDevice.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/dinput/KeyCodes.h"
#include "platform/win32/Win32Platform.h"

namespace {

const LONG WHEEL_NOTCH = 120;
const int MOUSE_BUTTONS = 8;

bool IsOneOf(DWORD flags, DWORD first, DWORD second)
{
    return ((flags & first) != 0) != ((flags & second) != 0);
}

LONG ClampToLong(long long value)
{
    return static_cast<LONG>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// SDL numbers the buttons left, middle, right, X1, X2; DirectInput left,
// right, middle, then the others.
int MouseButtonIndex(Uint8 sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    default:
        break;
    }
    const int index = sdlButton - 1;
    return index < MOUSE_BUTTONS ? index : -1;
}

} // namespace

InputDevice::InputDevice(const DIDATAFORMAT& format) : m_Format(format)
{
    InputEvents::Start();
    InputEvents::AddListener(this);
}

InputDevice::~InputDevice()
{
    InputEvents::RemoveListener(this);
    InputEvents::Stop();
}

ULONG InputDevice::AddRef()
{
    return ++m_RefCount;
}

ULONG InputDevice::Release()
{
    if (--m_RefCount > 0)
        return m_RefCount;
    delete this;
    return 0;
}

HRESULT InputDevice::SetDataFormat(const DIDATAFORMAT* format)
{
    if (m_bAcquired)
        return DIERR_ACQUIRED;
    if (format == nullptr || format->dwDataSize != m_Format.dwDataSize || format->dwFlags != m_Format.dwFlags)
        return DIERR_INVALIDPARAM;
    m_bFormatSet = true;
    return DI_OK;
}

HRESULT InputDevice::SetCooperativeLevel(HWND hWnd, DWORD flags)
{
    if (m_bAcquired)
        return DIERR_ACQUIRED;
    if (!IsOneOf(flags, DISCL_EXCLUSIVE, DISCL_NONEXCLUSIVE) || !IsOneOf(flags, DISCL_FOREGROUND, DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM;
    SDL_Window* window = Win32Platform::GetSDLWindow(hWnd);
    const bool foreground = (flags & DISCL_FOREGROUND) != 0;
    if (foreground && window == nullptr)
        return DIERR_INVALIDPARAM;
    m_bForeground = foreground;
    m_WindowId = window != nullptr ? SDL_GetWindowID(window) : 0;
    return DI_OK;
}

HRESULT InputDevice::SetProperty(REFGUID /*property*/, const DIPROPHEADER* /*header*/)
{
    return DIERR_UNSUPPORTED;
}

HRESULT InputDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID /*ref*/, DWORD /*flags*/)
{
    return callback != nullptr ? DI_OK : DIERR_INVALIDPARAM;
}

HRESULT InputDevice::Acquire()
{
    if (!m_bFormatSet)
        return DIERR_INVALIDPARAM;
    if (m_bAcquired)
        return DI_NOEFFECT;
    if (!CanAcquire())
        return DIERR_UNPLUGGED;
    if (m_bForeground && !InputEvents::HasFocus(m_WindowId))
        return DIERR_OTHERAPPHASPRIO;
    m_bAcquired = true;
    m_bLost = false;
    OnAcquired();
    return DI_OK;
}

HRESULT InputDevice::Unacquire()
{
    if (!m_bAcquired)
        return DI_NOEFFECT;
    m_bAcquired = false;
    return DI_OK;
}

HRESULT InputDevice::Poll()
{
    if (!m_bAcquired)
        return m_bLost ? DIERR_INPUTLOST : DIERR_NOTACQUIRED;
    return PollResult();
}

HRESULT InputDevice::GetDeviceState(DWORD size, LPVOID data)
{
    if (data == nullptr || size != m_Format.dwDataSize)
        return DIERR_INVALIDPARAM;
    if (!m_bAcquired)
        return m_bLost ? DIERR_INPUTLOST : DIERR_NOTACQUIRED;
    ReadState(data);
    return DI_OK;
}

void InputDevice::OnEvent(const SDL_Event& event)
{
    if (event.type == SDL_WINDOWEVENT)
        OnWindowEvent(event.window);
    HandleEvent(event);
}

void InputDevice::MarkLost()
{
    m_bAcquired = false;
    m_bLost = true;
}

void InputDevice::OnWindowEvent(const SDL_WindowEvent& event)
{
    if (event.event != SDL_WINDOWEVENT_FOCUS_LOST || event.windowID != m_WindowId)
        return;
    ReleaseHeld();
    if (m_bForeground && m_bAcquired)
        MarkLost();
}

KeyboardDevice::KeyboardDevice() : InputDevice(c_dfDIKeyboard) {}

void KeyboardDevice::ReleaseHeld()
{
    m_Keys.Clear();
}

void KeyboardDevice::HandleEvent(const SDL_Event& event)
{
    // A held key's repeats change nothing.
    if ((event.type != SDL_KEYDOWN && event.type != SDL_KEYUP) || event.key.repeat != 0)
        return;
    const BYTE code = KeyCodes::FromScancode(event.key.keysym.scancode);
    if (code != 0)
        m_Keys.Set(code, event.type == SDL_KEYDOWN);
}

void KeyboardDevice::ReadState(void* data)
{
    m_Keys.Read(static_cast<BYTE*>(data));
}

MouseDevice::MouseDevice() : InputDevice(c_dfDIMouse2) {}

void MouseDevice::OnAcquired()
{
    ClearMovement();
}

void MouseDevice::ReleaseHeld()
{
    ClearMovement();
    m_Buttons.Clear();
}

void MouseDevice::HandleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_MOUSEMOTION:
        if (!IsAcquired())
            return;
        m_MoveX += event.motion.xrel;
        m_MoveY += event.motion.yrel;
        break;
    case SDL_MOUSEWHEEL: {
        if (!IsAcquired())
            return;
        const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        m_MoveWheel += static_cast<long long>(notches) * WHEEL_NOTCH;
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        m_Buttons.Set(MouseButtonIndex(event.button.button), event.type == SDL_MOUSEBUTTONDOWN);
        break;
    }
    default:
        break;
    }
}

void MouseDevice::ReadState(void* data)
{
    DIMOUSESTATE2 state = {};
    state.lX = ClampToLong(m_MoveX);
    state.lY = ClampToLong(m_MoveY);
    state.lZ = ClampToLong(m_MoveWheel);
    m_Buttons.Read(state.rgbButtons);
    std::memcpy(data, &state, sizeof(state));
    ClearMovement();
}

void MouseDevice::ClearMovement()
{
    m_MoveX = 0;
    m_MoveY = 0;
    m_MoveWheel = 0;
}
