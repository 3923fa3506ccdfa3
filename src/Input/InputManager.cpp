#include "Input/InputManager.h"

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "Core/Window.h"
#include "Input/DeviceJoystick.h"
#include "Input/DeviceKeyboard.h"
#include "Input/DeviceMouse.h"

namespace {

const char* const CONTROLS_FILE = "controls.cfg";
const char* const UNNAMED_ACTION = "NoTextAdded";

// The named button actions, 0 to 40; the rest are addressed by index only.
const char* const BUTTON_ACTION_NAMES[] = {
    "Quit",         "Forward",      "Backwards",    "StrafLeft",    "StrafRight",   "RotLeft",
    "RotRight",     "RotUp",        "RotDown",      "Jump",         "Walk",         "Fire",
    "Left_Click",   "Right_Click",  "Gas",          "Brake",        "Turn_Left",    "Turn_Right",
    "Horn",         "HandBrake",    "Shift_Up",     "Shift_Down",   "Get_In_Car",   "MinMax_Cell",
    "Hide_Cell",    "Cell_Enter_0", "Cell_Enter_1", "Cell_Enter_2", "Cell_Enter_3", "Cell_Enter_4",
    "Cell_Enter_5", "Cell_Enter_6", "Cell_Enter_7", "Cell_Enter_8", "Cell_Enter_9", "Cell_Enter",
    "Cell_Up",      "Cell_Down",    "Radio_Power",  "Radio_Prev",   "Radio_Next",
};
const int NAMED_BUTTON_ACTIONS = sizeof(BUTTON_ACTION_NAMES) / sizeof(BUTTON_ACTION_NAMES[0]);

const char* const AXIS_ACTION_NAMES[CInputManager::AXIS_ACTION_COUNT] = {
    "Mouse_X", "Mouse_Y", "Look_LR", "Look_UD",
};

// An inclusive range of action indices; contexts are made of them.
struct ActionRange {
    int first;
    int last;
};

// A key held this long in text entry starts repeating, once per update.
const uint32_t KEY_REPEAT_DELAY_MS = 501;
// A rebinding wait need not spin the processor between polls.
const DWORD REBIND_POLL_SLEEP_MS = 1;

void FillContextList(std::vector<int32_t>& list, std::initializer_list<ActionRange> ranges)
{
    for (const ActionRange& range : ranges) {
        for (int action = range.first; action <= range.last; ++action)
            list.push_back(action);
    }
}

struct JoystickEnumeration {
    std::unique_ptr<DeviceObject>* slots;
    HWND window;
    IDirectInput8A* directInput;
    int count;
};

bool IsValidAction(int action)
{
    return action >= 0 && action < CInputManager::BUTTON_ACTION_COUNT;
}

bool IsValidAxis(int axis)
{
    return axis >= 0 && axis < CInputManager::AXIS_ACTION_COUNT;
}

bool IsDownByte(const BYTE* binding)
{
    return binding != nullptr && (*binding & DeviceObject::DOWN) != 0;
}

} // namespace

CInputManager::CInputManager() = default;

CInputManager::~CInputManager()
{
    ReleaseDevices();
}

bool CInputManager::Init()
{
    ReleaseDevices();
    Reset();
    // Raw screen pixels until the first update turns them into fractions.
    POINT cursor = {0, 0};
    if (GetCursorPos(&cursor)) {
        m_WindowCursorX = static_cast<float>(cursor.x);
        m_WindowCursorY = static_cast<float>(cursor.y);
    }

    LPVOID directInput = nullptr;
    if (FAILED(DirectInput8Create(g_hInstance, DIRECTINPUT_VERSION, IID_IDirectInput8A, &directInput, nullptr)))
        return false;
    m_pDirectInput = static_cast<IDirectInput8A*>(directInput);

    std::unique_ptr<DeviceObject> keyboard(new DeviceKeyboard());
    std::unique_ptr<DeviceObject> mouse(new DeviceMouse());
    if (!keyboard->Init(g_hWnd, m_pDirectInput, nullptr) || !mouse->Init(g_hWnd, m_pDirectInput, nullptr)) {
        ReleaseDevices();
        return false;
    }
    m_Devices[KEYBOARD_SLOT] = std::move(keyboard);
    m_Devices[MOUSE_SLOT] = std::move(mouse);

    JoystickEnumeration enumeration = {&m_Devices[FIRST_JOYSTICK_SLOT], g_hWnd, m_pDirectInput, 0};
    m_pDirectInput->EnumDevices(DI8DEVCLASS_GAMECTRL, EnumJoysticksCallback, &enumeration, DIEDFL_ATTACHEDONLY);

    LoadBindings(CONTROLS_FILE);
    return true;
}

BOOL CALLBACK CInputManager::EnumJoysticksCallback(const DIDEVICEINSTANCEA* instance, LPVOID context)
{
    JoystickEnumeration* enumeration = static_cast<JoystickEnumeration*>(context);
    if (enumeration->count >= MAX_JOYSTICKS)
        return DIENUM_STOP;
    // A joystick that cannot be set up keeps its slot, without a device to poll.
    std::unique_ptr<DeviceJoystick> joystick(new DeviceJoystick());
    joystick->Init(enumeration->window, enumeration->directInput, instance);
    joystick->SetProductName(instance->tszProductName);
    enumeration->slots[enumeration->count] = std::move(joystick);
    ++enumeration->count;
    return DIENUM_CONTINUE;
}

void CInputManager::Shutdown()
{
    // Without the keyboard and the mouse every binding is null: saving them
    // would wipe the player's file.
    if (HasKeyboardAndMouse())
        SaveBindings();
    ReleaseDevices();
}

void CInputManager::Reset()
{
    InitActionNames();
    std::memset(m_HeldFlags, 0, sizeof(m_HeldFlags));
    std::memset(m_ActionStates, STATE_IDLE, sizeof(m_ActionStates));
    std::memset(m_AxisValues, 0, sizeof(m_AxisValues));
    m_ContextStack.clear();
    m_CurrentContext = CONTEXT_PLAY;
    m_ControlType = 0;
    m_TextEntryFlags = 0;
    m_bRepeating = false;
    m_BindingFileName = CONTROLS_FILE;
}

void CInputManager::AttachDevice(int slot, std::unique_ptr<DeviceObject> device)
{
    if (slot < 0 || slot >= DEVICE_SLOT_COUNT)
        return;
    m_Devices[slot] = std::move(device);
}

DeviceObject* CInputManager::GetDevice(int slot) const
{
    if (slot < 0 || slot >= DEVICE_SLOT_COUNT)
        return nullptr;
    return m_Devices[slot].get();
}

void CInputManager::ReleaseDevices()
{
    // Bindings point into the devices' states, so they go with them.
    std::memset(m_ButtonBindings, 0, sizeof(m_ButtonBindings));
    std::memset(m_AxisBindings, 0, sizeof(m_AxisBindings));
    m_pTypedKey = nullptr;
    for (std::unique_ptr<DeviceObject>& device : m_Devices) {
        if (device)
            device->Release();
        device.reset();
    }
    if (m_pDirectInput != nullptr)
        m_pDirectInput->Release();
    m_pDirectInput = nullptr;
}

DeviceKeyboard* CInputManager::GetKeyboard() const
{
    return dynamic_cast<DeviceKeyboard*>(m_Devices[KEYBOARD_SLOT].get());
}

DeviceJoystick* CInputManager::GetJoystick(int slot) const
{
    if (slot < FIRST_JOYSTICK_SLOT || slot >= DEVICE_SLOT_COUNT)
        return nullptr;
    return dynamic_cast<DeviceJoystick*>(m_Devices[slot].get());
}

int CInputManager::CountJoysticks() const
{
    int count = 0;
    for (int slot = FIRST_JOYSTICK_SLOT; slot < DEVICE_SLOT_COUNT; ++slot) {
        if (GetJoystick(slot) != nullptr)
            ++count;
    }
    return count;
}

bool CInputManager::Update()
{
    EvaluateContext();
    PollDevices();
    if (m_CurrentContext == CONTEXT_TEXT)
        FollowTypedKeys();
    UpdateWindowCursor();
    return true;
}

// Runs on the states of the previous poll, so a press and release between
// two updates is never seen.
void CInputManager::EvaluateContext()
{
    const InputContext& context = m_Contexts[m_CurrentContext];
    for (int32_t action : context.m_ButtonActions) {
        const BYTE* binding = m_ButtonBindings[action];
        if (binding == nullptr)
            continue;
        if (IsDownByte(binding)) {
            m_HeldFlags[action] = 1;
            m_ActionStates[action] = STATE_HELD;
            continue;
        }
        m_HeldFlags[action] = 0;
        if (m_ActionStates[action] > STATE_IDLE)
            --m_ActionStates[action];
    }
    for (int32_t axis : context.m_AxisActions) {
        const LONG* binding = m_AxisBindings[axis];
        m_AxisValues[axis] = binding != nullptr ? static_cast<float>(*binding) : 0.0f;
    }
}

void CInputManager::PollDevices()
{
    for (std::unique_ptr<DeviceObject>& device : m_Devices) {
        if (device && device->HasDevice())
            device->Poll();
    }
}

void CInputManager::FollowTypedKeys()
{
    DeviceKeyboard* keyboard = GetKeyboard();
    if (keyboard == nullptr)
        return;
    bool shift = false;
    const BYTE* key = keyboard->FindTypedKey(shift);
    m_bShift = shift;
    if (key == nullptr) {
        // The next key found, even the same one, is a new key.
        m_pTypedKey = nullptr;
        return;
    }
    const uint32_t now = timeGetTime();
    if (key != m_pTypedKey) {
        TranslateTypedKey(keyboard->GetKeyNameOf(key));
        m_TypedKeyTime = now;
        m_bRepeating = false;
    } else if (m_bRepeating) {
        TranslateTypedKey(keyboard->GetKeyNameOf(key));
        m_TypedKeyTime = now;
    } else if (now - m_TypedKeyTime >= KEY_REPEAT_DELAY_MS) {
        TranslateTypedKey(keyboard->GetKeyNameOf(key));
        m_bRepeating = true;
        m_TypedKeyTime = now;
    }
    m_pTypedKey = key;
}

void CInputManager::UpdateWindowCursor()
{
    POINT cursor = {0, 0};
    RECT client = {0, 0, 0, 0};
    if (!GetCursorPos(&cursor) || !GetClientRect(g_hWnd, &client))
        return;
    POINT topLeft = {client.left, client.top};
    POINT bottomRight = {client.right, client.bottom};
    ClientToScreen(g_hWnd, &topLeft);
    ClientToScreen(g_hWnd, &bottomRight);

    const float width = static_cast<float>(bottomRight.x - topLeft.x);
    const float height = static_cast<float>(bottomRight.y - topLeft.y);
    m_WindowCursorX = static_cast<float>(cursor.x - topLeft.x);
    m_WindowCursorY = static_cast<float>(cursor.y - topLeft.y);
    if (width != 0.0f)
        m_WindowCursorX /= width;
    if (height != 0.0f)
        m_WindowCursorY /= height;
}

bool CInputManager::IsDown(int action) const
{
    return IsValidAction(action) && IsDownByte(m_ButtonBindings[action]);
}

bool CInputManager::WasReleased(int action) const
{
    if (!IsValidAction(action) || m_ButtonBindings[action] == nullptr)
        return false;
    return m_HeldFlags[action] == 1 && !IsDownByte(m_ButtonBindings[action]);
}

void CInputManager::GetMouseDelta(float delta[2]) const
{
    for (int axis = 0; axis < 2; ++axis) {
        const LONG* binding = m_AxisBindings[axis];
        delta[axis] = binding != nullptr ? static_cast<float>(*binding) : 0.0f;
    }
}

void CInputManager::PushContext(int context)
{
    if (context < 0 || context >= CONTEXT_COUNT)
        return;
    std::memset(m_ActionStates, STATE_IDLE, sizeof(m_ActionStates));
    std::memset(m_AxisValues, 0, sizeof(m_AxisValues));
    m_ContextStack.push_back(m_CurrentContext);
    m_CurrentContext = context;
}

void CInputManager::PopContext()
{
    if (m_ContextStack.empty())
        return;
    m_CurrentContext = m_ContextStack.back();
    m_ContextStack.pop_back();
}

void CInputManager::RemoveContextPushedAt(size_t depth)
{
    if (depth >= m_ContextStack.size())
        return;
    if (depth + 1 == m_ContextStack.size()) {
        PopContext();
        return;
    }
    // The context saved just above `depth` is the one that layer made current.
    m_ContextStack.erase(m_ContextStack.begin() + static_cast<std::ptrdiff_t>(depth) + 1);
}

const char* CInputManager::RebindButton(int action)
{
    m_TypedText[0] = '\0';
    if (!IsValidAction(action) || !HasAnyDevice())
        return m_TypedText;
    BYTE* previous = m_ButtonBindings[action];
    m_ButtonBindings[action] = nullptr;

    BYTE* found = nullptr;
    const bool pressed = WaitForInput([this, &found] {
        for (int slot = 0; slot < DEVICE_SLOT_COUNT && found == nullptr; ++slot) {
            if (m_Devices[slot])
                found = m_Devices[slot]->FindPressedButton(m_TypedText);
        }
        return found != nullptr;
    });
    m_ButtonBindings[action] = pressed ? found : previous;
    return m_TypedText;
}

const char* CInputManager::RebindAxis(int axis)
{
    m_TypedText[0] = '\0';
    if (!IsValidAxis(axis) || !HasAnyDevice())
        return m_TypedText;
    LONG* previous = m_AxisBindings[axis];
    m_AxisBindings[axis] = nullptr;

    LONG* found = nullptr;
    const bool moved = WaitForInput([this, &found] {
        for (int slot = 0; slot < DEVICE_SLOT_COUNT && found == nullptr; ++slot) {
            if (m_Devices[slot])
                found = m_Devices[slot]->FindMovedAxis(m_TypedText);
        }
        return found != nullptr;
    });
    m_AxisBindings[axis] = moved ? found : previous;
    return m_TypedText;
}

bool CInputManager::HasKeyboardAndMouse() const
{
    return m_Devices[KEYBOARD_SLOT] != nullptr && m_Devices[MOUSE_SLOT] != nullptr;
}

bool CInputManager::HasAnyDevice() const
{
    for (const std::unique_ptr<DeviceObject>& device : m_Devices) {
        if (device)
            return true;
    }
    return false;
}

bool CInputManager::WaitForInput(const std::function<bool()>& found)
{
    for (;;) {
        if (!PumpMessages()) {
            m_TypedText[0] = '\0';
            return false;
        }
        Update();
        if (found())
            return true;
        Sleep(REBIND_POLL_SLEEP_MS);
    }
}

bool CInputManager::PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The main loop must still see it to end the game.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == WM_DESTROY)
            return false;
    }
    return true;
}

int CInputManager::FindAction(const char* name, int kind) const
{
    if (name == nullptr)
        return -1;
    if (kind == BUTTON_ACTION) {
        for (int action = 0; action < BUTTON_ACTION_COUNT; ++action) {
            if (m_ActionNames[action] == name)
                return action;
        }
    } else if (kind == AXIS_ACTION) {
        for (int axis = 0; axis < AXIS_ACTION_COUNT; ++axis) {
            if (m_AxisNames[axis] == name)
                return axis;
        }
    }
    return -1;
}

template <typename Binding>
std::string CInputManager::DeviceBindingName(const Binding* binding, BindingNamer<Binding> namer, int& slot) const
{
    for (slot = 0; slot < DEVICE_SLOT_COUNT; ++slot) {
        if (!m_Devices[slot])
            continue;
        char name[DeviceObject::NAME_SIZE] = {};
        (m_Devices[slot].get()->*namer)(binding, name);
        if (name[0] != '\0')
            return name;
    }
    return std::string();
}

// The key-binding file's writer names bindings through these as well.
template std::string CInputManager::DeviceBindingName(const BYTE*, BindingNamer<BYTE>, int&) const;
template std::string CInputManager::DeviceBindingName(const LONG*, BindingNamer<LONG>, int&) const;

void CInputManager::GetBindingName(std::string& name, int action) const
{
    if (!IsValidAction(action))
        return;
    int slot = 0;
    const std::string found = DeviceBindingName(m_ButtonBindings[action], &DeviceObject::GetButtonBindingName, slot);
    if (!found.empty())
        name = found;
}

void CInputManager::GetAxisBindingName(std::string& name, int axis) const
{
    if (!IsValidAxis(axis))
        return;
    int slot = 0;
    const std::string found = DeviceBindingName(m_AxisBindings[axis], &DeviceObject::GetAxisBindingName, slot);
    if (!found.empty())
        name = found;
}

const std::string& CInputManager::GetActionName(int action) const
{
    static const std::string none;
    return IsValidAction(action) ? m_ActionNames[action] : none;
}

const std::string& CInputManager::GetAxisName(int axis) const
{
    static const std::string none;
    return IsValidAxis(axis) ? m_AxisNames[axis] : none;
}

BYTE* CInputManager::GetButtonBinding(int action) const
{
    return IsValidAction(action) ? m_ButtonBindings[action] : nullptr;
}

LONG* CInputManager::GetAxisBinding(int axis) const
{
    return IsValidAxis(axis) ? m_AxisBindings[axis] : nullptr;
}

void CInputManager::SetButtonBinding(int action, BYTE* binding)
{
    if (IsValidAction(action))
        m_ButtonBindings[action] = binding;
}

void CInputManager::SetAxisBinding(int axis, LONG* binding)
{
    if (IsValidAxis(axis))
        m_AxisBindings[axis] = binding;
}

BYTE* CInputManager::DefaultButtonBinding(int action) const
{
    for (const std::unique_ptr<DeviceObject>& device : m_Devices) {
        BYTE* binding = device ? device->GetDefaultButtonBinding(action) : nullptr;
        if (binding != nullptr)
            return binding;
    }
    return nullptr;
}

LONG* CInputManager::DefaultAxisBinding(int axis) const
{
    for (const std::unique_ptr<DeviceObject>& device : m_Devices) {
        LONG* binding = device ? device->GetDefaultAxisBinding(axis) : nullptr;
        if (binding != nullptr)
            return binding;
    }
    return nullptr;
}

void CInputManager::SetDefaultBindings(int code)
{
    if (code == ALL_DEFAULTS) {
        for (int action = 0; action < BUTTON_ACTION_COUNT; ++action)
            m_ButtonBindings[action] = DefaultButtonBinding(action);
        for (int axis = 0; axis < AXIS_ACTION_COUNT; ++axis)
            m_AxisBindings[axis] = DefaultAxisBinding(axis);
    } else if (IsValidAction(code)) {
        m_ButtonBindings[code] = DefaultButtonBinding(code);
    } else if (IsValidAxis(code - AXIS_CODE_BASE)) {
        LONG*& binding = m_AxisBindings[code - AXIS_CODE_BASE];
        if (binding == nullptr)
            binding = DefaultAxisBinding(code - AXIS_CODE_BASE);
    }
    BuildContexts();
}

void CInputManager::BuildContexts()
{
    for (InputContext& context : m_Contexts) {
        context.m_ButtonActions.clear();
        context.m_AxisActions.clear();
    }
    // The other contexts evaluate nothing.
    FillContextList(m_Contexts[CONTEXT_MENU].m_ButtonActions, {{0, 0}, {12, 13}});
    FillContextList(m_Contexts[CONTEXT_MENU].m_AxisActions, {{0, 1}});
    FillContextList(m_Contexts[CONTEXT_PLAY].m_ButtonActions, {{0, 24}, {35, 41}, {46, 50}, {57, 76}});
    FillContextList(m_Contexts[CONTEXT_PLAY].m_AxisActions, {{0, 3}});
    FillContextList(m_Contexts[CONTEXT_TEXT].m_ButtonActions, {{23, 37}});
}

void CInputManager::InitActionNames()
{
    for (int action = 0; action < BUTTON_ACTION_COUNT; ++action)
        m_ActionNames[action] = action < NAMED_BUTTON_ACTIONS ? BUTTON_ACTION_NAMES[action] : UNNAMED_ACTION;
    for (int axis = 0; axis < AXIS_ACTION_COUNT; ++axis)
        m_AxisNames[axis] = AXIS_ACTION_NAMES[axis];
}
