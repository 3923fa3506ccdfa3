#pragma once

#include "Input/DeviceObject.h"

// The system keyboard: 256 key bytes indexed by DIK code, non-exclusive and
// foreground. Keys are named as the bindings screens show them ("ESCAPE",
// "LEFT SHIFT", "NUMPAD 7", "KEY 210").
class DeviceKeyboard : public DeviceObject {
public:
    enum { KEY_COUNT = 256 };

    DeviceKeyboard();

    bool Init(HWND hWnd, IDirectInput8A* directInput, const DIDEVICEINSTANCEA* instance) override;
    HRESULT Poll() override;
    BYTE* GetDefaultButtonBinding(int action) override;
    // The lowest key code that is down.
    BYTE* FindPressedButton(char* name) override;
    void PollAndClear() override;
    void GetButtonBindingName(const BYTE* binding, char* name) const override;
    BYTE* NameToButtonBinding(const char* name) override;
    BYTE* GetStateBuffer() override;

    // Text entry: the lowest key down that types something (a one-character
    // name, "BACKSPACE", "SPACE", "LEFT ARROW", "RIGHT ARROW", "DELETE" or a
    // keypad digit), or null; `shift` tells whether a shift key is down.
    BYTE* FindTypedKey(bool& shift);
    // The name of the key whose byte `binding` is, or null when it is none of ours.
    const char* GetKeyNameOf(const BYTE* binding) const;

    static const char* GetKeyName(int code);

private:
    int KeyCodeOf(const BYTE* binding) const;

    BYTE m_Keys[KEY_COUNT];
};
