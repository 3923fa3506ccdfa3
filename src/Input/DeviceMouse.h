#pragma once

#include "Input/DeviceObject.h"

// The system mouse, non-exclusive and foreground: the X, Y and wheel
// movement of the last poll, 8 buttons, and 6 direction bytes derived from
// the movement so that a direction can be bound like a button.
class DeviceMouse : public DeviceObject {
public:
    enum { BUTTON_COUNT = 8, DIRECTION_COUNT = 6, AXIS_COUNT = 3 };
    enum Direction { X_RIGHT, X_LEFT, Y_DOWN, Y_UP, WHEEL_UP, WHEEL_DOWN };

    DeviceMouse();

    bool Init(HWND hWnd, IDirectInput8A* directInput, const DIDEVICEINSTANCEA* instance) override;
    HRESULT Poll() override;
    BYTE* GetDefaultButtonBinding(int action) override;
    LONG* GetDefaultAxisBinding(int axis) override;
    // The lowest button down, then the directions in order.
    BYTE* FindPressedButton(char* name) override;
    // The first of X, Y and wheel that moved at least MOVED_THRESHOLD counts.
    LONG* FindMovedAxis(char* name) override;
    void PollAndClear() override;
    void GetButtonBindingName(const BYTE* binding, char* name) const override;
    void GetAxisBindingName(const LONG* binding, char* name) const override;
    BYTE* NameToButtonBinding(const char* name) override;
    LONG* NameToAxisBinding(const char* name) override;

    // Takes a state just read: movement, buttons and the direction bytes.
    void ApplyState(const DIMOUSESTATE2& state);

private:
    // Small jitters are no choice of an axis when rebinding.
    static constexpr LONG MOVED_THRESHOLD = 11;

    LONG* Axis(int axis);
    const LONG* Axis(int axis) const;
    BYTE* ButtonByte(int index);
    int ButtonByteIndex(const BYTE* binding) const;

    DIMOUSESTATE2 m_State;
    BYTE m_Directions[DIRECTION_COUNT];
};
