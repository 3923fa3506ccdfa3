#include "Input/DeviceKeyboard.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

struct KeyName {
    BYTE code;
    const char* name;
};

const KeyName KEY_NAMES[] = {
    {DIK_ESCAPE, "ESCAPE"},
    {DIK_1, "1"},
    {DIK_2, "2"},
    {DIK_3, "3"},
    {DIK_4, "4"},
    {DIK_5, "5"},
    {DIK_6, "6"},
    {DIK_7, "7"},
    {DIK_8, "8"},
    {DIK_9, "9"},
    {DIK_0, "0"},
    {DIK_MINUS, "-"},
    {DIK_EQUALS, "="},
    {DIK_BACK, "BACKSPACE"},
    {DIK_TAB, "TAB"},
    {DIK_Q, "Q"},
    {DIK_W, "W"},
    {DIK_E, "E"},
    {DIK_R, "R"},
    {DIK_T, "T"},
    {DIK_Y, "Y"},
    {DIK_U, "U"},
    {DIK_I, "I"},
    {DIK_O, "O"},
    {DIK_P, "P"},
    {DIK_LBRACKET, "["},
    {DIK_RBRACKET, "]"},
    {DIK_RETURN, "ENTER"},
    {DIK_LCONTROL, "LEFT CTRL"},
    {DIK_A, "A"},
    {DIK_S, "S"},
    {DIK_D, "D"},
    {DIK_F, "F"},
    {DIK_G, "G"},
    {DIK_H, "H"},
    {DIK_J, "J"},
    {DIK_K, "K"},
    {DIK_L, "L"},
    {DIK_SEMICOLON, ";"},
    {DIK_APOSTROPHE, "'"},
    {DIK_GRAVE, "`"},
    {DIK_LSHIFT, "LEFT SHIFT"},
    {DIK_BACKSLASH, "\\"},
    {DIK_Z, "Z"},
    {DIK_X, "X"},
    {DIK_C, "C"},
    {DIK_V, "V"},
    {DIK_B, "B"},
    {DIK_N, "N"},
    {DIK_M, "M"},
    {DIK_COMMA, ","},
    {DIK_PERIOD, "."},
    {DIK_SLASH, "/"},
    {DIK_RSHIFT, "RIGHT SHIFT"},
    {DIK_LMENU, "LEFT ALT"},
    {DIK_SPACE, "SPACE"},
    {DIK_NUMPAD7, "NUMPAD 7"},
    {DIK_NUMPAD8, "NUMPAD 8"},
    {DIK_NUMPAD9, "NUMPAD 9"},
    {DIK_NUMPAD4, "NUMPAD 4"},
    {DIK_NUMPAD5, "NUMPAD 5"},
    {DIK_NUMPAD6, "NUMPAD 6"},
    {DIK_NUMPAD1, "NUMPAD 1"},
    {DIK_NUMPAD2, "NUMPAD 2"},
    {DIK_NUMPAD3, "NUMPAD 3"},
    {DIK_NUMPAD0, "NUMPAD 0"},
    {DIK_RCONTROL, "RIGHT CTRL"},
    {DIK_RMENU, "RIGHT ALT"},
    {DIK_UP, "UP ARROW"},
    {DIK_LEFT, "LEFT ARROW"},
    {DIK_RIGHT, "RIGHT ARROW"},
    {DIK_DOWN, "DOWN ARROW"},
    {DIK_DELETE, "DELETE"},
};

// Every other key is "KEY " and its code.
struct KeyNameTable {
    std::string names[DeviceKeyboard::KEY_COUNT];

    KeyNameTable()
    {
        for (int code = 0; code < DeviceKeyboard::KEY_COUNT; ++code)
            names[code] = "KEY " + std::to_string(code);
        for (const KeyName& key : KEY_NAMES)
            names[key.code] = key.name;
    }
};

const KeyNameTable& KeyNames()
{
    static const KeyNameTable table;
    return table;
}

// The default key of each of the input manager's 77 button actions; 0 where
// the keyboard offers none (the mouse gives those). A key serves two actions
// of one input context only where they are one control in two modes that
// never run together (on foot and in a car, the player and the free camera):
// so "RotDown" is V, F being "Get_In_Car", and 41 is K, L being "Shift_Down".
const BYTE DEFAULT_KEYS[] = {
    DIK_ESCAPE, DIK_W, DIK_S, DIK_A, DIK_D, DIK_Q, DIK_E, DIK_R, DIK_V, DIK_SPACE,       // 0-9
    DIK_LSHIFT, 0, 0, 0, DIK_W, DIK_S, DIK_A, DIK_D, DIK_SPACE, 0,                       // 10-19
    DIK_O, DIK_L, DIK_F, DIK_C, DIK_H,                                                   // 20-24
    DIK_NUMPAD0, DIK_NUMPAD1, DIK_NUMPAD2, DIK_NUMPAD3, DIK_NUMPAD4,                     // 25-29
    DIK_NUMPAD5, DIK_NUMPAD6, DIK_NUMPAD7, DIK_NUMPAD8, DIK_NUMPAD9,                     // 30-34
    DIK_RETURN, DIK_UP, DIK_DOWN, DIK_I, 0, 0,                                           // 35-40
    DIK_K, DIK_EQUALS, DIK_MINUS, DIK_O, DIK_DELETE, DIK_LCONTROL, DIK_INSERT, DIK_HOME, // 41-48
    DIK_LSHIFT, DIK_RSHIFT, DIK_LEFT, DIK_RIGHT, DIK_SUBTRACT, DIK_ADD, DIK_DOWN, DIK_UP, // 49-56
    DIK_MULTIPLY, DIK_DIVIDE, DIK_DECIMAL, DIK_NUMPAD0, DIK_ADD, DIK_SUBTRACT,           // 57-62
    DIK_NUMPAD6, DIK_NUMPAD4, DIK_NUMPAD9, DIK_NUMPAD7, DIK_NUMPAD8, DIK_NUMPAD2,        // 63-68
    DIK_NUMPAD5, DIK_NUMPADENTER, DIK_1, DIK_2, DIK_3, DIK_4, DIK_NUMPAD3, DIK_NUMPAD1,  // 69-76
};
const int DEFAULT_KEY_COUNT = sizeof(DEFAULT_KEYS) / sizeof(DEFAULT_KEYS[0]);
static_assert(DEFAULT_KEY_COUNT == 77, "one default per button action");

const char* const TYPED_KEY_NAMES[] = {"BACKSPACE", "SPACE", "LEFT ARROW", "RIGHT ARROW", "DELETE"};
const char* const KEYPAD_DIGIT_PREFIX = "NUMPAD ";

bool IsTypingKeyName(const std::string& name)
{
    if (name.size() == 1)
        return true;
    for (const char* typed : TYPED_KEY_NAMES) {
        if (name == typed)
            return true;
    }
    const size_t prefix = std::strlen(KEYPAD_DIGIT_PREFIX);
    return name.size() == prefix + 1 && name.compare(0, prefix, KEYPAD_DIGIT_PREFIX) == 0;
}

} // namespace

DeviceKeyboard::DeviceKeyboard()
{
    std::memset(m_Keys, 0, sizeof(m_Keys));
}

bool DeviceKeyboard::Init(HWND hWnd, IDirectInput8A* directInput, const DIDEVICEINSTANCEA* /*instance*/)
{
    if (!CreateDevice(hWnd, directInput, GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND))
        return false;
    std::memset(m_Keys, 0, sizeof(m_Keys));
    return true;
}

HRESULT DeviceKeyboard::Poll()
{
    DeviceObject::Poll();
    return ReadDeviceState(sizeof(m_Keys), m_Keys);
}

BYTE* DeviceKeyboard::GetDefaultButtonBinding(int action)
{
    if (action < 0 || action >= DEFAULT_KEY_COUNT || DEFAULT_KEYS[action] == 0)
        return nullptr;
    return &m_Keys[DEFAULT_KEYS[action]];
}

BYTE* DeviceKeyboard::FindPressedButton(char* name)
{
    for (int code = 0; code < KEY_COUNT; ++code) {
        if ((m_Keys[code] & DOWN) != 0) {
            WriteName(name, GetKeyName(code));
            return &m_Keys[code];
        }
    }
    return nullptr;
}

void DeviceKeyboard::PollAndClear()
{
    Poll();
    std::memset(m_Keys, 0, sizeof(m_Keys));
}

void DeviceKeyboard::GetButtonBindingName(const BYTE* binding, char* name) const
{
    const char* keyName = GetKeyNameOf(binding);
    if (keyName != nullptr)
        WriteName(name, keyName);
}

BYTE* DeviceKeyboard::NameToButtonBinding(const char* name)
{
    if (name == nullptr)
        return nullptr;
    const KeyNameTable& table = KeyNames();
    for (int code = 0; code < KEY_COUNT; ++code) {
        if (table.names[code] == name)
            return &m_Keys[code];
    }
    return nullptr;
}

BYTE* DeviceKeyboard::GetStateBuffer()
{
    return m_Keys;
}

BYTE* DeviceKeyboard::FindTypedKey(bool& shift)
{
    shift = (m_Keys[DIK_LSHIFT] & DOWN) != 0 || (m_Keys[DIK_RSHIFT] & DOWN) != 0;
    const KeyNameTable& table = KeyNames();
    for (int code = 0; code < KEY_COUNT; ++code) {
        if ((m_Keys[code] & DOWN) != 0 && IsTypingKeyName(table.names[code]))
            return &m_Keys[code];
    }
    return nullptr;
}

const char* DeviceKeyboard::GetKeyNameOf(const BYTE* binding) const
{
    const int code = KeyCodeOf(binding);
    return code >= 0 ? GetKeyName(code) : nullptr;
}

const char* DeviceKeyboard::GetKeyName(int code)
{
    if (code < 0 || code >= KEY_COUNT)
        return "";
    return KeyNames().names[code].c_str();
}

int DeviceKeyboard::KeyCodeOf(const BYTE* binding) const
{
    // Compared as addresses, so that a binding into another device's state is no key of ours.
    const uintptr_t address = reinterpret_cast<uintptr_t>(binding);
    const uintptr_t first = reinterpret_cast<uintptr_t>(m_Keys);
    if (binding == nullptr || address < first || address >= first + KEY_COUNT)
        return -1;
    return static_cast<int>(address - first);
}
