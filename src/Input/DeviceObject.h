#pragma once

#include "platform/dinput/DInput.h"

// One DirectInput device as the input manager sees it. Each device keeps the
// last state it polled in a buffer of its own; a binding is a pointer into
// that buffer (a byte whose bit 7 means down, or a signed 32-bit axis value),
// and each device names its bindable bytes and values and turns the names
// back into bindings, which is how the key-binding file stores them.
//
// A name output is a buffer of NAME_SIZE bytes; a device that does not own
// the binding leaves it untouched, so callers clear its first byte first.
class DeviceObject {
public:
    enum { NAME_SIZE = 256 };
    // Bit 7 of a state byte: the button, key or direction is down.
    static constexpr BYTE DOWN = 0x80;

    DeviceObject() = default;
    virtual ~DeviceObject();
    DeviceObject(const DeviceObject&) = delete;
    DeviceObject& operator=(const DeviceObject&) = delete;

    virtual bool Init(HWND hWnd, IDirectInput8A* directInput, const DIDEVICEINSTANCEA* instance);
    // Unacquires and releases the device interface, if any.
    virtual void Release();
    // The device's Poll; a failure (a lost device) is answered by Acquire and
    // a second Poll, whose result is returned. DIERR_UNPLUGGED when the
    // device has gone for good.
    virtual HRESULT Poll();
    // action 0..76 of the input manager; null when this device offers none.
    virtual BYTE* GetDefaultButtonBinding(int action);
    // axis 0..3 of the input manager; null when this device offers none.
    virtual LONG* GetDefaultAxisBinding(int axis);
    // The first button down, with its name; null when none is.
    virtual BYTE* FindPressedButton(char* name);
    // The first axis that moved, with its name; null when none did.
    virtual LONG* FindMovedAxis(char* name);
    // Poll, then forget the whole state, as if nothing were held.
    virtual void PollAndClear();
    virtual void GetButtonBindingName(const BYTE* binding, char* name) const;
    virtual void GetAxisBindingName(const LONG* binding, char* name) const;
    // The exact, case-sensitive inverse of the binding names; null when the
    // name is none of this device's.
    virtual BYTE* NameToButtonBinding(const char* name);
    virtual LONG* NameToAxisBinding(const char* name);
    // The raw state; only the keyboard offers its key bytes.
    virtual BYTE* GetStateBuffer();

    bool HasDevice() const { return m_pDevice != nullptr; }

protected:
    // Creates the device, sets its data format and cooperative level; on any
    // failure nothing is left behind and the result is false.
    bool CreateDevice(HWND hWnd, IDirectInput8A* directInput, REFGUID instance, const DIDATAFORMAT& format,
                      DWORD cooperativeLevel);
    // Copies the device's state into `data`; the buffer is left as it was on failure.
    HRESULT ReadDeviceState(DWORD size, void* data);

    // The index of `name` among `count` names; -1 when it is none of them.
    static int FindName(const char* name, const char* const* names, int count);
    // The button of a name such as "M5": `prefix` and 1 to 4 decimal digits
    // naming one of `count` buttons; -1 for anything else, since the names
    // come from a file.
    static int ParseNumberedButton(const char* name, char prefix, int count);
    // Writes `text` into a NAME_SIZE name buffer.
    static void WriteName(char* out, const char* text);

    IDirectInputDevice8A* m_pDevice = nullptr;
};
