// Text entry: the keys typed while context 2 is current become a small typed
// text that the cell phone and the menus apply to their text fields.

#include <algorithm>
#include <cstring>

#include "Input/InputManager.h"

namespace {

// The typed text holds pending characters, a deletion (first byte 0, then
// the count, then 'b' or 'd') or a cursor move ('l' or 'r', "pos", count).
const int DELETION_COUNT = 1;
const int DELETION_KIND = 2;
const char BACKSPACE_DELETION = 'b';
const char FORWARD_DELETION = 'd';
const char MOVE_LEFT = 'l';
const char MOVE_RIGHT = 'r';
const char* const MOVE_TAG = "pos";
const int MOVE_COUNT = 4;
const unsigned char MAX_COUNT = 255;
// Characters are added while fewer than this many are pending.
const size_t MAX_PENDING = 19;

const char* const KEY_SPACE = "SPACE";
const char* const KEY_BACKSPACE = "BACKSPACE";
const char* const KEY_DELETE = "DELETE";
const char* const KEY_LEFT_ARROW = "LEFT ARROW";
const char* const KEY_RIGHT_ARROW = "RIGHT ARROW";
const char* const KEYPAD_PREFIX = "NU";
// "NUMPAD 7": the digit follows the prefix and the blank.
const size_t KEYPAD_DIGIT_INDEX = 7;

struct ShiftedCharacter {
    char plain;
    char shifted;
};

const ShiftedCharacter SHIFTED_CHARACTERS[] = {
    {'\'', '"'}, {',', '<'}, {'-', '_'}, {'.', '>'}, {'/', '?'}, {'0', ')'}, {'1', '!'},
    {'2', '@'},  {'3', '#'}, {'4', '$'}, {'5', '%'}, {'6', '^'}, {'7', '&'}, {'8', '*'},
    {'9', '('},  {';', ':'}, {'=', '+'}, {'[', '{'}, {'\\', '|'}, {']', '}'}, {'`', '~'},
};

char Shifted(char plain)
{
    for (const ShiftedCharacter& entry : SHIFTED_CHARACTERS) {
        if (entry.plain == plain)
            return entry.shifted;
    }
    return plain;
}

bool IsMove(const char* text)
{
    return (text[0] == MOVE_LEFT || text[0] == MOVE_RIGHT) && std::strncmp(text + 1, MOVE_TAG, 3) == 0;
}

bool HasPendingCharacters(const char* text)
{
    return text[0] != '\0' && !IsMove(text);
}

} // namespace

void CInputManager::BeginTextEntry(uint8_t flags)
{
    PushContext(CONTEXT_TEXT);
    ClearTypedText();
    m_TextEntryFlags = flags;
}

bool CInputManager::EndTextEntry()
{
    PopContext();
    m_TextEntryFlags = 0;
    ClearTypedText();
    return false;
}

void CInputManager::ClearTypedText()
{
    m_TypedText[0] = '\0';
    m_TypedText[DELETION_COUNT] = '\0';
}

void CInputManager::TranslateTypedKey(const char* keyName)
{
    if (keyName == nullptr || keyName[0] == '\0')
        return;
    const std::string name = keyName;
    std::string text;

    if ((m_TextEntryFlags & TEXT_SPACE) != 0 && name == KEY_SPACE) {
        text = " ";
    } else if ((m_TextEntryFlags & TEXT_DELETION) != 0 && (name == KEY_BACKSPACE || name == KEY_DELETE)) {
        // A deletion first takes back what is pending and not yet applied.
        if (HasPendingCharacters(m_TypedText)) {
            m_TypedText[std::strlen(m_TypedText) - 1] = '\0';
            return;
        }
        if (IsMove(m_TypedText))
            ClearTypedText();
        unsigned char& count = reinterpret_cast<unsigned char&>(m_TypedText[DELETION_COUNT]);
        if (count < MAX_COUNT)
            ++count;
        m_TypedText[DELETION_KIND] = name == KEY_BACKSPACE ? BACKSPACE_DELETION : FORWARD_DELETION;
        return;
    } else if ((m_TextEntryFlags & TEXT_CURSOR_MOVES) != 0 && (name == KEY_LEFT_ARROW || name == KEY_RIGHT_ARROW)) {
        m_TypedText[0] = name == KEY_LEFT_ARROW ? MOVE_LEFT : MOVE_RIGHT;
        std::memcpy(m_TypedText + 1, MOVE_TAG, 3);
        m_TypedText[MOVE_COUNT] = 1;
        m_TypedText[MOVE_COUNT + 1] = '\0';
        return;
    } else if ((m_TextEntryFlags & TEXT_KEYPAD_DIGITS) != 0 && name.compare(0, 2, KEYPAD_PREFIX) == 0) {
        if (name.size() > KEYPAD_DIGIT_INDEX)
            text = name.substr(KEYPAD_DIGIT_INDEX, 1);
    } else if (name.size() != 1) {
        // A named key ("SPACE", "NUMPAD 5") types only through its own flag above.
        return;
    } else if (name[0] >= 'A' && name[0] <= 'Z') {
        if ((m_TextEntryFlags & TEXT_LETTERS) != 0)
            text = m_bShift ? name : std::string(1, static_cast<char>(name[0] - 'A' + 'a'));
        else if ((m_TextEntryFlags & TEXT_CAPITALS) != 0)
            text = name;
    } else if ((m_TextEntryFlags & TEXT_CHARACTERS) != 0) {
        text = std::string(1, m_bShift ? Shifted(name[0]) : name[0]);
    }

    if (text.empty())
        return;
    if (IsMove(m_TypedText))
        ClearTypedText();
    const size_t pending = std::strlen(m_TypedText);
    if (pending >= MAX_PENDING)
        return;
    std::memcpy(m_TypedText + pending, text.c_str(), text.size() + 1);
}

void CInputManager::ApplyTypedText(std::string& text, int32_t& cursor, int32_t maxLength)
{
    const int32_t length = static_cast<int32_t>(text.size());
    cursor = std::clamp(cursor, 0, length);

    if (IsMove(m_TypedText)) {
        const int32_t count = static_cast<unsigned char>(m_TypedText[MOVE_COUNT]);
        if (m_TypedText[0] == MOVE_LEFT)
            cursor = std::max(cursor - count, 0);
        else
            cursor = std::min(cursor + count, length);
    } else if (HasPendingCharacters(m_TypedText)) {
        std::string pending = m_TypedText;
        const int32_t room = std::max(maxLength - length, 0);
        if (static_cast<int32_t>(pending.size()) > room)
            pending.resize(room);
        text.insert(static_cast<size_t>(cursor), pending);
        cursor += static_cast<int32_t>(pending.size());
    } else {
        const int32_t count = static_cast<unsigned char>(m_TypedText[DELETION_COUNT]);
        if (m_TypedText[DELETION_KIND] == FORWARD_DELETION) {
            text.erase(static_cast<size_t>(cursor), static_cast<size_t>(std::min(count, length - cursor)));
        } else if (m_TypedText[DELETION_KIND] == BACKSPACE_DELETION) {
            // Backspace takes the characters before the cursor.
            const int32_t start = std::max(cursor - count, 0);
            text.erase(static_cast<size_t>(start), static_cast<size_t>(cursor - start));
            cursor = start;
        }
    }
    ClearTypedText();
}
