#pragma once
// What every device shares: reference counting, the data format, the
// cooperative level and acquisition. A foreground device reads only while
// its window has the focus and loses its acquisition when the focus goes;
// its reads then fail until it is acquired again, and the state it returns
// comes only from events seen while it was acquired or held.

#include "platform/dinput/DInput.h"
#include "platform/dinput/InputEvents.h"
#include "platform/dinput/LatchedButtons.h"

class InputDevice : public IDirectInputDevice8A, public InputEvents::Listener {
public:
    explicit InputDevice(const DIDATAFORMAT& format);
    InputDevice(const InputDevice&) = delete;
    InputDevice& operator=(const InputDevice&) = delete;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT SetDataFormat(const DIDATAFORMAT* format) override;
    HRESULT SetCooperativeLevel(HWND hWnd, DWORD flags) override;
    // No property is known to the keyboard and the mouse.
    HRESULT SetProperty(REFGUID property, const DIPROPHEADER* header) override;
    // The keyboard and the mouse list no objects.
    HRESULT EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref, DWORD flags) override;
    HRESULT Acquire() override;
    HRESULT Unacquire() override;
    HRESULT Poll() override;
    HRESULT GetDeviceState(DWORD size, LPVOID data) override;

    void OnEvent(const SDL_Event& event) override;

protected:
    ~InputDevice() override;

    bool IsAcquired() const { return m_bAcquired; }
    // The device went away (a controller unplugged): reads fail as lost.
    void MarkLost();

    // A polled device answers Poll with DI_OK, the others with DI_NOEFFECT.
    virtual HRESULT PollResult() const { return DI_NOEFFECT; }
    // False once the device is gone for good: Acquire answers DIERR_UNPLUGGED.
    virtual bool CanAcquire() const { return true; }
    virtual void OnAcquired() {}
    // The window lost the focus: keys and buttons held are let go.
    virtual void ReleaseHeld() {}
    virtual void HandleEvent(const SDL_Event& event) = 0;
    // Writes the snapshot in the data format's layout.
    virtual void ReadState(void* data) = 0;

private:
    void OnWindowEvent(const SDL_WindowEvent& event);

    ULONG m_RefCount = 1;
    const DIDATAFORMAT& m_Format;
    bool m_bFormatSet = false;
    bool m_bForeground = false;
    Uint32 m_WindowId = 0;
    bool m_bAcquired = false;
    bool m_bLost = false;
};

// The system keyboard: 256 key bytes by DIK code.
class KeyboardDevice : public InputDevice {
public:
    KeyboardDevice();

protected:
    void ReleaseHeld() override;
    void HandleEvent(const SDL_Event& event) override;
    void ReadState(void* data) override;

private:
    LatchedButtons<256> m_Keys;
};

// The system mouse: movement gathered while acquired, taken by each read.
class MouseDevice : public InputDevice {
public:
    MouseDevice();

protected:
    void OnAcquired() override;
    void ReleaseHeld() override;
    void HandleEvent(const SDL_Event& event) override;
    void ReadState(void* data) override;

private:
    void ClearMovement();

    long long m_MoveX = 0;
    long long m_MoveY = 0;
    long long m_MoveWheel = 0;
    LatchedButtons<8> m_Buttons;
};
