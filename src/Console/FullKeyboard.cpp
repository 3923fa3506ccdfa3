#include "Console/FullKeyboard.h"

#include <algorithm>

#include "platform/dinput/DInput.h"

namespace {

struct KeyRow {
    int m_Key;
    CKeyText m_Text;
};

// The keys that type, as a US keyboard labels them. The equals sign, the
// brackets, the backslash, the grave accent (the console's own key) and the
// number pad's operators other than minus type nothing.
const KeyRow TYPING_KEYS[] = {
    {DIK_1, {"1", "!"}},        {DIK_2, {"2", "@"}},          {DIK_3, {"3", "#"}},
    {DIK_4, {"4", "$"}},        {DIK_5, {"5", "%"}},          {DIK_6, {"6", "^"}},
    {DIK_7, {"7", "&"}},        {DIK_8, {"8", "*"}},          {DIK_9, {"9", "("}},
    {DIK_0, {"0", ")"}},        {DIK_MINUS, {"-", "_"}},      {DIK_Q, {"q", "Q"}},
    {DIK_W, {"w", "W"}},        {DIK_E, {"e", "E"}},          {DIK_R, {"r", "R"}},
    {DIK_T, {"t", "T"}},        {DIK_Y, {"y", "Y"}},          {DIK_U, {"u", "U"}},
    {DIK_I, {"i", "I"}},        {DIK_O, {"o", "O"}},          {DIK_P, {"p", "P"}},
    {DIK_A, {"a", "A"}},        {DIK_S, {"s", "S"}},          {DIK_D, {"d", "D"}},
    {DIK_F, {"f", "F"}},        {DIK_G, {"g", "G"}},          {DIK_H, {"h", "H"}},
    {DIK_J, {"j", "J"}},        {DIK_K, {"k", "K"}},          {DIK_L, {"l", "L"}},
    {DIK_SEMICOLON, {";", ":"}}, {DIK_APOSTROPHE, {"'", "\""}}, {DIK_Z, {"z", "Z"}},
    {DIK_X, {"x", "X"}},        {DIK_C, {"c", "C"}},          {DIK_V, {"v", "V"}},
    {DIK_B, {"b", "B"}},        {DIK_N, {"n", "N"}},          {DIK_M, {"m", "M"}},
    {DIK_COMMA, {",", "<"}},    {DIK_PERIOD, {".", ">"}},     {DIK_SLASH, {"/", "?"}},
    {DIK_SPACE, {" ", " "}},    {DIK_NUMPAD7, {"7", nullptr}}, {DIK_NUMPAD8, {"8", nullptr}},
    {DIK_NUMPAD9, {"9", nullptr}}, {DIK_SUBTRACT, {"-", nullptr}}, {DIK_NUMPAD4, {"4", nullptr}},
    {DIK_NUMPAD5, {"5", nullptr}}, {DIK_NUMPAD6, {"6", nullptr}}, {DIK_NUMPAD1, {"1", nullptr}},
    {DIK_NUMPAD2, {"2", nullptr}}, {DIK_NUMPAD3, {"3", nullptr}}, {DIK_NUMPAD0, {"0", nullptr}},
    {DIK_DECIMAL, {".", "."}},
};

// Enter and the arrows, in the order they are looked at: the first fresh
// press of a frame decides.
struct ActionKey {
    int m_Key;
    int m_Action;
};
const ActionKey ACTION_KEYS[] = {
    {DIK_RETURN, CFullKeyboard::ACTION_ENTER}, {DIK_LEFT, CFullKeyboard::ACTION_LEFT},
    {DIK_RIGHT, CFullKeyboard::ACTION_RIGHT},  {DIK_DOWN, CFullKeyboard::ACTION_DOWN},
    {DIK_UP, CFullKeyboard::ACTION_UP},
};

struct KeyTable {
    CKeyText m_Keys[CFullKeyboard::KEY_COUNT] = {};

    KeyTable()
    {
        for (const KeyRow& row : TYPING_KEYS)
            m_Keys[row.m_Key] = row.m_Text;
    }
};

const KeyTable& Keys()
{
    static const KeyTable table;
    return table;
}

} // namespace

const CKeyText& GetKeyText(int key)
{
    return Keys().m_Keys[key & (CFullKeyboard::KEY_COUNT - 1)];
}

void CFullKeyboard::SetStateBuffer(const BYTE* keys)
{
    m_pKeys = keys;
    m_bInitialised = true;
    m_bReady = true;
}

bool CFullKeyboard::Shutdown()
{
    m_pKeys = nullptr;
    return CStdInterface::Shutdown();
}

void CFullKeyboard::Update(float frameTime)
{
    if (!IsEnabled() || m_pKeys == nullptr)
        return;
    for (int key = 0; key < KEY_COUNT; ++key) {
        if (m_pKeys[key] == 0) {
            m_HoldTimers[key] = 0.0f;
            m_Sent[key] = 0;
        } else if (m_HoldTimers[key] < MAX_HOLD_TIME) {
            m_HoldTimers[key] += frameTime;
        }
    }
}

bool CFullKeyboard::TakePress(int key)
{
    if (m_HoldTimers[key] != 0.0f && m_Sent[key] == 0) {
        m_Sent[key] = 1;
        return true;
    }
    if (m_HoldTimers[key] > REPEAT_DELAY) {
        m_HoldTimers[key] = REPEAT_RESTART;
        return true;
    }
    return false;
}

// A full line takes no more; a key pressed meanwhile is not used up.
void CFullKeyboard::TypeKeys(int32_t& column, std::string& line, size_t maximum)
{
    const bool shift = m_HoldTimers[DIK_LSHIFT] != 0.0f || m_HoldTimers[DIK_RSHIFT] != 0.0f;
    for (int key = 0; key < KEY_COUNT && line.size() < maximum; ++key) {
        const CKeyText& text = GetKeyText(key);
        const char* typed = shift ? text.m_Shifted : text.m_Plain;
        if (typed == nullptr || !TakePress(key))
            continue;
        line.insert(static_cast<size_t>(column), typed);
        ++column;
    }
}

int CFullKeyboard::EditLine(int32_t& column, std::string& line, size_t maximum)
{
    column = std::clamp(column, 0, static_cast<int32_t>(line.size()));
    TypeKeys(column, line, maximum);

    // Backspace takes the character before the cursor, Delete the one under
    // it; neither reaches past its end of the line.
    if (TakePress(DIK_BACK)) {
        if (column > 0) {
            --column;
            line.erase(static_cast<size_t>(column), 1);
        }
    } else if (TakePress(DIK_DELETE) && static_cast<size_t>(column) < line.size()) {
        line.erase(static_cast<size_t>(column), 1);
    }

    for (const ActionKey& action : ACTION_KEYS) {
        if (m_HoldTimers[action.m_Key] != 0.0f && m_Sent[action.m_Key] == 0) {
            m_Sent[action.m_Key] = 1;
            return action.m_Action;
        }
    }
    return ACTION_NONE;
}
