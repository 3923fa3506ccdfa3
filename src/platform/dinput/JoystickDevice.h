#pragma once
// A game controller over an SDL joystick: axes 0 to 7 are X, Y, Z, the
// three rotations and the two sliders, scaled to the range set for each
// (0 to 65535 until set); the first 128 buttons; the first four hats as POV
// angles.

#include "platform/dinput/InputDevice.h"

class JoystickDevice : public InputDevice {
public:
    enum { MAX_AXES = 8, MAX_BUTTONS = 128, MAX_POVS = 4 };

    // Takes ownership of the opened joystick.
    explicit JoystickDevice(SDL_Joystick* joystick);

    HRESULT SetProperty(REFGUID property, const DIPROPHEADER* header) override;
    HRESULT EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref, DWORD flags) override;

    // An SDL axis value (-32768 to 32767) in the range lMin..lMax, rounded.
    static LONG ScaleAxis(Sint16 value, LONG rangeMin, LONG rangeMax);
    // An SDL hat position as a POV angle in hundredths of a degree.
    static DWORD PovFromHat(Uint8 hat);

protected:
    ~JoystickDevice() override;

    HRESULT PollResult() const override { return DI_OK; }
    bool CanAcquire() const override { return !m_bUnplugged; }
    void OnAcquired() override;
    void HandleEvent(const SDL_Event& event) override;
    void ReadState(void* data) override;

private:
    struct AxisRange {
        LONG min;
        LONG max;
    };

    // The axis a property header names, or -1.
    int FindAxis(const DIPROPHEADER& header) const;
    void ReadFromSDL();

    SDL_Joystick* m_pJoystick;
    SDL_JoystickID m_InstanceId;
    int m_AxisCount;
    int m_ButtonCount;
    int m_PovCount;
    bool m_bUnplugged = false;
    AxisRange m_Ranges[MAX_AXES];
    Sint16 m_Axes[MAX_AXES] = {};
    BYTE m_Buttons[MAX_BUTTONS] = {};
    Uint8 m_Hats[MAX_POVS] = {};
};
