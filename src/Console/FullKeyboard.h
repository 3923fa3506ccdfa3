#pragma once
// The console's typing keyboard: it reads the keyboard device's key bytes
// directly (the input manager's actions cannot type), times how long each
// key has been held and types into a line with a key repeat of its own.

#include <cstdint>
#include <string>

#include "Core/StdInterface.h"
#include "platform/win32/Win32Types.h"

class CFullKeyboard : public CStdInterface {
public:
    enum { KEY_COUNT = 256 };
    // What EditLine reports besides typing.
    enum Action {
        ACTION_NONE = 0,
        ACTION_ENTER = 1,
        ACTION_DOWN = 2,
        ACTION_UP = 3,
        ACTION_LEFT = 4,
        ACTION_RIGHT = 5,
    };
    // Seconds: a held key types again after REPEAT_DELAY, then every
    // REPEAT_DELAY - REPEAT_RESTART.
    static constexpr float REPEAT_DELAY = 0.5f;
    static constexpr float REPEAT_RESTART = 0.4f;
    // Hold timers stop growing here.
    static constexpr float MAX_HOLD_TIME = 250.0f;

    CFullKeyboard() = default;
    CFullKeyboard(const CFullKeyboard&) = delete;
    CFullKeyboard& operator=(const CFullKeyboard&) = delete;

    // The 256 key bytes to read (the keyboard device's state buffer); the
    // keyboard is then initialised and ready.
    void SetStateBuffer(const BYTE* keys);
    // Forgets the key bytes, which go with the keyboard device.
    bool Shutdown() override;
    // Only while enabled: the hold timers grow while a key is down and
    // are cleared with its sent flag when it is up.
    void Update(float frameTime);
    // One frame of typing into `line` at `column` (moved along), never
    // beyond `maximum` characters, with Backspace and Delete; then the
    // first fresh press of Enter or an arrow key, as an Action.
    int EditLine(int32_t& column, std::string& line, size_t maximum);

    // Each opening of the console adds one; the keyboard runs from one on.
    void Enable() { ++m_EnableCount; }
    bool IsEnabled() const { return m_EnableCount >= 1; }
    float GetHoldTime(int key) const { return m_HoldTimers[key]; }

private:
    // A fresh press (held, not yet sent) marks the key sent; a key held past
    // the repeat delay is set back to repeat once more. True for either.
    bool TakePress(int key);
    void TypeKeys(int32_t& column, std::string& line, size_t maximum);

    const BYTE* m_pKeys = nullptr;
    float m_HoldTimers[KEY_COUNT] = {};
    uint32_t m_Sent[KEY_COUNT] = {};
    int32_t m_EnableCount = 0;
};

// What each key types without and with Shift (US layout); null where it
// types nothing.
struct CKeyText {
    const char* m_Plain;
    const char* m_Shifted;
};
const CKeyText& GetKeyText(int key);

extern CFullKeyboard g_FullKeyboard;
