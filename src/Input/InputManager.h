#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Input/Controller.h"
#include "Input/DeviceObject.h"

class DeviceKeyboard;
class DeviceJoystick;

// Turns the polled states of the keyboard, the mouse and up to four
// joysticks into the game's named actions: 77 button actions and 4 axis
// actions, each bound to one byte or one 32-bit value of a device's state.
// An input context says which actions are evaluated; the menus, play and the
// cell phone each have one, and a stack keeps the contexts pushed over each
// other. Everything that reads the player's input reads the action states
// and axis values filled here, through the local controller.
class CInputManager {
public:
    enum {
        BUTTON_ACTION_COUNT = 77,
        AXIS_ACTION_COUNT = 4,
        DEVICE_SLOT_COUNT = 6,
        KEYBOARD_SLOT = 0,
        MOUSE_SLOT = 1,
        FIRST_JOYSTICK_SLOT = 2,
        MAX_JOYSTICKS = 4,
        CONTEXT_COUNT = 5,
        TYPED_TEXT_SIZE = 256,
    };
    // The input contexts. 3 is never made current; 4 evaluates nothing and
    // holds the input while the console or a scripted scene has it.
    enum {
        CONTEXT_MENU = 0,
        CONTEXT_PLAY = 1,
        CONTEXT_TEXT = 2,
        CONTEXT_UNUSED = 3,
        CONTEXT_HELD = 4,
    };
    // SetDefaultBindings codes beyond the button actions: the axis actions
    // are numbered from AXIS_CODE_BASE, and ALL_DEFAULTS resets everything.
    enum { AXIS_CODE_BASE = 77, ALL_DEFAULTS = 81 };
    // FindAction kinds.
    enum { BUTTON_ACTION = 0, AXIS_ACTION = 1 };
    // Action states: held, released at the last update, idle.
    enum { STATE_IDLE = ACTION_STATE_IDLE, STATE_RELEASED = ACTION_STATE_RELEASED, STATE_HELD = ACTION_STATE_HELD };
    // BeginTextEntry flags: what the keys may type.
    enum {
        TEXT_KEYPAD_DIGITS = 0x01,
        TEXT_CAPITALS = 0x02,
        TEXT_LETTERS = 0x04,
        TEXT_CHARACTERS = 0x08,
        TEXT_SPACE = 0x10,
        TEXT_CURSOR_MOVES = 0x20,
        TEXT_DELETION = 0x40,
    };

    CInputManager();
    ~CInputManager();
    CInputManager(const CInputManager&) = delete;
    CInputManager& operator=(const CInputManager&) = delete;

    // Creates DirectInput and its devices on the main window and loads
    // "controls.cfg". False when DirectInput, the keyboard or the mouse
    // cannot be had; a joystick that fails is skipped.
    bool Init();
    // Writes the key-binding file (only over a keyboard and a mouse, so a
    // failed Init leaves the file as it was) and releases every device.
    void Shutdown();
    // The working state Init starts from: the action names, the play
    // context, text entry off and the key-binding file name.
    void Reset();
    // Hands a device to a slot; the manager owns it. Init fills the slots
    // itself; this is for devices that do not come from DirectInput.
    void AttachDevice(int slot, std::unique_ptr<DeviceObject> device);
    DeviceObject* GetDevice(int slot) const;

    // Once per frame, first: evaluates the current context on the states
    // polled last time, then polls every device, then follows typed keys in
    // text entry and the Windows cursor over the client area. True.
    bool Update();

    // Bit 7 of the bound byte as it is now; false for an unbound action.
    bool IsDown(int action) const;
    // Held at the last update and up now.
    bool WasReleased(int action) const;
    // The values bound to axis actions 0 and 1 (the mouse's movement of the
    // last poll by default), read from the device; 0 where unbound.
    void GetMouseDelta(float delta[2]) const;

    // Every action state and axis value is cleared, the current context
    // saved on the stack and `context` made current.
    void PushContext(int context);
    // The saved context comes back; states are kept. An empty stack changes nothing.
    void PopContext();
    // Takes out the context pushed when the stack was `depth` deep and keeps
    // those pushed over it, so a layer that opened and closes on its own
    // (the console) never takes another's context with it. When that layer
    // is on top this is PopContext; when it is already gone, nothing.
    void RemoveContextPushedAt(size_t depth);
    int GetCurrentContext() const { return m_CurrentContext; }
    size_t GetContextDepth() const { return m_ContextStack.size(); }

    void BeginTextEntry(uint8_t flags);
    bool EndTextEntry();
    void ClearTypedText();
    // Applies what was typed since the last call to a text field (its text,
    // a cursor position and a maximum length) and empties the typed text.
    void ApplyTypedText(std::string& text, int32_t& cursor, int32_t maxLength);
    // What a typed key adds to the typed text, given the key's name.
    void TranslateTypedKey(const char* keyName);
    const char* GetTypedText() const { return m_TypedText; }

    // Waits (no frame runs, but the window's messages keep flowing) until a
    // button is pressed on any device and binds the action to it. Returns
    // its name. A window close ends the wait with the old binding kept and
    // an empty name.
    const char* RebindButton(int action);
    // The same for an axis action, with the first axis that moves.
    const char* RebindAxis(int axis);

    // The index of the first action named exactly `name`; -1 when none.
    int FindAction(const char* name, int kind) const;
    // The binding's name from the first device that knows it; `name` is
    // left as it was when none does.
    void GetBindingName(std::string& name, int action) const;
    void GetAxisBindingName(std::string& name, int axis) const;
    const std::string& GetActionName(int action) const;
    const std::string& GetAxisName(int axis) const;

    void SetDefaultBindings(int code);
    void BuildContexts();
    void InitActionNames();

    // The key-binding file.
    void SaveBindings();
    bool LoadBindings(const char* fileName);

    // What the controllers hand out: 77 action states, 4 axis values.
    const uint8_t* GetActionStates() const { return m_ActionStates; }
    const float* GetAxisValues() const { return m_AxisValues; }
    // The Windows cursor over the client area, as fractions of it (outside 0..1 outside it).
    float GetWindowCursorX() const { return m_WindowCursorX; }
    float GetWindowCursorY() const { return m_WindowCursorY; }
    BYTE* GetButtonBinding(int action) const;
    LONG* GetAxisBinding(int axis) const;
    void SetButtonBinding(int action, BYTE* binding);
    void SetAxisBinding(int axis, LONG* binding);
    bool GetControlType() const { return m_ControlType != 0; }

private:
    struct InputContext {
        std::vector<int32_t> m_ButtonActions;
        std::vector<int32_t> m_AxisActions;
    };
    class ConfigReader;

    static BOOL CALLBACK EnumJoysticksCallback(const DIDEVICEINSTANCEA* instance, LPVOID context);

    DeviceKeyboard* GetKeyboard() const;
    DeviceJoystick* GetJoystick(int slot) const;
    int CountJoysticks() const;
    void ReleaseDevices();
    void EvaluateContext();
    void PollDevices();
    void FollowTypedKeys();
    void UpdateWindowCursor();
    BYTE* DefaultButtonBinding(int action) const;
    LONG* DefaultAxisBinding(int axis) const;
    bool HasAnyDevice() const;
    bool HasKeyboardAndMouse() const;
    // The rebinding wait: pumps the window's messages, updates and asks
    // `found`, until it answers true, or false when the window closes first.
    bool WaitForInput(const std::function<bool()>& found);
    // False once the window is closing; a WM_QUIT is left for the main loop.
    bool PumpMessages();

    // A device's call that names a binding of one kind (a button's or an axis's).
    template <typename Binding>
    using BindingNamer = void (DeviceObject::*)(const Binding* binding, char* name) const;
    // The first attached device's name for the binding, and that device's
    // slot; empty when no device names it.
    template <typename Binding>
    std::string DeviceBindingName(const Binding* binding, BindingNamer<Binding> namer, int& slot) const;
    // That name as the key-binding file writes it: a joystick's carries its slot.
    template <typename Binding>
    std::string BindingFileName(const Binding* binding, BindingNamer<Binding> namer) const;
    // A device's call that finds a binding of one kind by its name.
    template <typename Binding>
    using BindingFinder = Binding* (DeviceObject::*)(const char* name);
    // The binding a value of the key-binding file names; null when none.
    template <typename Binding>
    Binding* FindBinding(const ConfigReader& reader, const std::string& value, BindingFinder<Binding> finder) const;
    // For a joystick value: its name without the slot digit, and the
    // attached joysticks that carry the product name recorded for that slot.
    std::vector<DeviceJoystick*> FindRecordedJoysticks(const ConfigReader& reader, const std::string& value,
                                                       std::string& name) const;

    IDirectInput8A* m_pDirectInput = nullptr;
    std::unique_ptr<DeviceObject> m_Devices[DEVICE_SLOT_COUNT];
    uint8_t m_HeldFlags[BUTTON_ACTION_COUNT] = {};
    BYTE* m_ButtonBindings[BUTTON_ACTION_COUNT] = {};
    uint8_t m_ActionStates[BUTTON_ACTION_COUNT] = {};
    std::string m_ActionNames[BUTTON_ACTION_COUNT];
    std::string m_AxisNames[AXIS_ACTION_COUNT];
    LONG* m_AxisBindings[AXIS_ACTION_COUNT] = {};
    float m_AxisValues[AXIS_ACTION_COUNT] = {};
    int32_t m_CurrentContext = CONTEXT_MENU;
    std::deque<int32_t> m_ContextStack;
    InputContext m_Contexts[CONTEXT_COUNT];
    uint8_t m_ControlType = 0;
    char m_TypedText[TYPED_TEXT_SIZE] = {};
    std::string m_BindingFileName;
    uint8_t m_TextEntryFlags = 0;
    const BYTE* m_pTypedKey = nullptr;
    uint32_t m_TypedKeyTime = 0;
    bool m_bRepeating = false;
    bool m_bShift = false;
    float m_WindowCursorX = 0.0f;
    float m_WindowCursorY = 0.0f;
};

extern CInputManager g_InputManager;
