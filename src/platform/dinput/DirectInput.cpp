// The DirectInput object: enumerates the system keyboard, the system mouse
// and SDL's joysticks, and creates their devices.

#include <cstdio>
#include <cstring>

#include "platform/dinput/DInput.h"
#include "platform/dinput/InputDevice.h"
#include "platform/dinput/JoystickDevice.h"

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), DIDF_RELAXIS, 256};
const DIDATAFORMAT c_dfDIMouse2 = {sizeof(DIDATAFORMAT), DIDF_RELAXIS, sizeof(DIMOUSESTATE2)};
const DIDATAFORMAT c_dfDIJoystick2 = {sizeof(DIDATAFORMAT), DIDF_ABSAXIS, sizeof(DIJOYSTATE2)};

const GUID GUID_SysKeyboard = {0x4b454c4d, 0x0001, 0x4b42, {'s', 'y', 's', 'k', 'e', 'y', 'b', 'd'}};
const GUID GUID_SysMouse = {0x4b454c4d, 0x0002, 0x4d53, {'s', 'y', 's', 'm', 'o', 'u', 's', 'e'}};
const GUID IID_IDirectInput8A = {0x4b454c4d, 0x0008, 0x4449, {'d', 'i', 'n', 'p', 'u', 't', '8', 'a'}};
const GUID DIPROP_RANGE = {0x4b454c4d, 0x0100, 0x5052, {'p', 'r', 'o', 'p', 'r', 'a', 'n', 'g'}};

namespace {

// A joystick's instance GUID carries its SDL instance id in Data1 after this tag.
const GUID JOYSTICK_INSTANCE_TAG = {0, 0x0004, 0x4a53, {'j', 'o', 'y', 's', 't', 'i', 'c', 'k'}};

GUID JoystickInstanceGuid(SDL_JoystickID instanceId)
{
    GUID guid = JOYSTICK_INSTANCE_TAG;
    guid.Data1 = static_cast<DWORD>(instanceId);
    return guid;
}

bool IsJoystickInstanceGuid(REFGUID guid)
{
    GUID tag = guid;
    tag.Data1 = 0;
    return IsEqualGUID(tag, JOYSTICK_INSTANCE_TAG);
}

// The device index of a joystick that is still attached, or -1.
int FindJoystickIndex(SDL_JoystickID instanceId)
{
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0)
        return -1;
    const int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == instanceId)
            return index;
    }
    return -1;
}

DIDEVICEINSTANCEA SystemInstance(REFGUID guid, DWORD type, const char* name)
{
    DIDEVICEINSTANCEA instance = {};
    instance.dwSize = sizeof(instance);
    instance.guidInstance = guid;
    instance.guidProduct = guid;
    instance.dwDevType = type;
    std::snprintf(instance.tszInstanceName, sizeof(instance.tszInstanceName), "%s", name);
    std::snprintf(instance.tszProductName, sizeof(instance.tszProductName), "%s", name);
    return instance;
}

DIDEVICEINSTANCEA JoystickInstance(int index)
{
    DIDEVICEINSTANCEA instance = {};
    instance.dwSize = sizeof(instance);
    instance.guidInstance = JoystickInstanceGuid(SDL_JoystickGetDeviceInstanceID(index));
    const SDL_JoystickGUID product = SDL_JoystickGetDeviceGUID(index);
    static_assert(sizeof(product.data) == sizeof(GUID), "a joystick GUID fills a GUID");
    std::memcpy(&instance.guidProduct, product.data, sizeof(GUID));
    instance.dwDevType = DI8DEVTYPE_JOYSTICK;
    const char* name = SDL_JoystickNameForIndex(index);
    if (name == nullptr)
        name = "Joystick";
    std::snprintf(instance.tszInstanceName, sizeof(instance.tszInstanceName), "%s", name);
    std::snprintf(instance.tszProductName, sizeof(instance.tszProductName), "%s", name);
    return instance;
}

class DirectInput8 : public RefCounted<IDirectInput8A> {
public:
    DirectInput8() { InputEvents::Start(); }
    DirectInput8(const DirectInput8&) = delete;
    DirectInput8& operator=(const DirectInput8&) = delete;

    HRESULT CreateDevice(REFGUID instance, IDirectInputDevice8A** device, LPUNKNOWN outer) override
    {
        if (device == nullptr)
            return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (outer != nullptr)
            return DIERR_INVALIDPARAM;
        if (IsEqualGUID(instance, GUID_SysKeyboard)) {
            *device = new KeyboardDevice();
            return DI_OK;
        }
        if (IsEqualGUID(instance, GUID_SysMouse)) {
            *device = new MouseDevice();
            return DI_OK;
        }
        if (!IsJoystickInstanceGuid(instance))
            return DIERR_DEVICENOTREG;
        const int index = FindJoystickIndex(static_cast<SDL_JoystickID>(instance.Data1));
        SDL_Joystick* joystick = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
        if (joystick == nullptr)
            return DIERR_DEVICENOTREG;
        *device = new JoystickDevice(joystick);
        return DI_OK;
    }

    HRESULT EnumDevices(DWORD deviceClass, LPDIENUMDEVICESCALLBACKA callback, LPVOID ref,
                        DWORD /*flags*/) override
    {
        // Every device here is attached, so DIEDFL_ATTACHEDONLY changes nothing.
        if (callback == nullptr)
            return DIERR_INVALIDPARAM;
        const bool all = deviceClass == DI8DEVCLASS_ALL;
        if (all || deviceClass == DI8DEVCLASS_KEYBOARD) {
            const DIDEVICEINSTANCEA keyboard = SystemInstance(GUID_SysKeyboard, DI8DEVTYPE_KEYBOARD, "Keyboard");
            if (callback(&keyboard, ref) == DIENUM_STOP)
                return DI_OK;
        }
        if (all || deviceClass == DI8DEVCLASS_POINTER) {
            const DIDEVICEINSTANCEA mouse = SystemInstance(GUID_SysMouse, DI8DEVTYPE_MOUSE, "Mouse");
            if (callback(&mouse, ref) == DIENUM_STOP)
                return DI_OK;
        }
        if ((all || deviceClass == DI8DEVCLASS_GAMECTRL) && SDL_WasInit(SDL_INIT_JOYSTICK) != 0) {
            const int count = SDL_NumJoysticks();
            for (int index = 0; index < count; ++index) {
                const DIDEVICEINSTANCEA joystick = JoystickInstance(index);
                if (callback(&joystick, ref) == DIENUM_STOP)
                    return DI_OK;
            }
        }
        return DI_OK;
    }

private:
    ~DirectInput8() override { InputEvents::Stop(); }
};

} // namespace

HRESULT DirectInput8Create(HINSTANCE /*instance*/, DWORD version, REFIID interfaceId, LPVOID* out,
                           LPUNKNOWN outer)
{
    if (out == nullptr)
        return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (version != DIRECTINPUT_VERSION || outer != nullptr)
        return DIERR_INVALIDPARAM;
    if (!IsEqualGUID(interfaceId, IID_IDirectInput8A))
        return DIERR_NOINTERFACE;
    *out = static_cast<IDirectInput8A*>(new DirectInput8());
    return DI_OK;
}
