#pragma once

#include "Input/DeviceObject.h"

// One game controller, exclusive and foreground, with its 8 axes in the
// range -1000..+1000 as read and -10..+10 as the game sees them (an axis
// still at its start-up position reads 0, so a throttle resting off-centre
// does not push), 128 buttons, two direction bytes per axis and four bytes
// for the first hat (up, right, down, left).
class DeviceJoystick : public DeviceObject {
public:
    enum { AXIS_COUNT = 8, BUTTON_COUNT = 128, DIRECTION_COUNT = 16, HAT_COUNT = 4 };
    enum { PRODUCT_NAME_LENGTH = 29 };
    // The range every axis is read in, and the divisor that brings it to the game's.
    static constexpr LONG AXIS_RANGE = 1000;
    static constexpr LONG AXIS_DIVISOR = 100;
    // A raw value past these sets the axis's direction byte.
    static constexpr LONG POSITIVE_THRESHOLD = 501;
    static constexpr LONG NEGATIVE_THRESHOLD = -500;

    DeviceJoystick();

    bool Init(HWND hWnd, IDirectInput8A* directInput, const DIDEVICEINSTANCEA* instance) override;
    HRESULT Poll() override;
    LONG* GetDefaultAxisBinding(int axis) override;
    // The lowest button down, then the direction bytes, then the hat bytes.
    BYTE* FindPressedButton(char* name) override;
    // The first axis whose value is not 0.
    LONG* FindMovedAxis(char* name) override;
    void PollAndClear() override;
    void GetButtonBindingName(const BYTE* binding, char* name) const override;
    void GetAxisBindingName(const LONG* binding, char* name) const override;
    BYTE* NameToButtonBinding(const char* name) override;
    LONG* NameToAxisBinding(const char* name) override;

    // At most PRODUCT_NAME_LENGTH characters are kept.
    void SetProductName(const char* name);
    const char* GetProductName() const { return m_ProductName; }

    // The axes of a raw state become the positions that read 0.
    void SetRestValues(const DIJOYSTATE2& raw);
    // Takes a raw state just read: rest positions to 0, direction bytes,
    // axes divided down, hat bytes.
    void ApplyState(const DIJOYSTATE2& raw);

    const DIJOYSTATE2& GetState() const { return m_State; }

private:
    static BOOL CALLBACK SetAxisRange(const DIDEVICEOBJECTINSTANCEA* object, LPVOID context);

    LONG* Axis(int axis);
    const LONG* Axis(int axis) const;
    void ApplyHat(DWORD pov);
    // Axes at rest, nothing pressed, the hat centred.
    void ClearState();
    // Buttons, directions and hats as one list of bindable bytes.
    BYTE* ButtonByte(int index);
    int ButtonByteIndex(const BYTE* binding) const;

    LONG m_RestValues[AXIS_COUNT];
    DIJOYSTATE2 m_State;
    BYTE m_Directions[DIRECTION_COUNT];
    BYTE m_Hats[HAT_COUNT];
    char m_ProductName[PRODUCT_NAME_LENGTH + 1];
};
