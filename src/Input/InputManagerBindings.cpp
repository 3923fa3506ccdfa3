// The key-binding file, "controls.cfg": every action's binding by the name
// its device gives it, so that the file stays valid when devices change
// order. A joystick binding carries the slot its joystick had, and the file
// ends with each joystick's product name by slot, so that the binding finds
// its joystick again wherever it is attached now. Whatever the file does not
// give correctly falls back to the action's default.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "Input/DeviceJoystick.h"
#include "Input/InputManager.h"
#include "platform/files/Files.h"

namespace {

const char* const VERSION_LINE = "Version 1.0";
const char* const CONTROL_TYPE_NAME = "Control Type";
const char* const CONTROL_TYPE_JOYSTICK = "Joystick";
const char* const CONTROL_TYPE_KEYBOARD = "Keyboard";
const char* const JOYSTICKS_PREFIX = "Joysticks ";
const char* const NOT_FOUND = "NOTFOUND";
const char* const LINE_END = "\r\n";
const char JOYSTICK_PREFIX = 'J';
// The file the game writes is a few kilobytes; anything past this is no
// key-binding file and is not read.
const long MAX_FILE_BYTES = 1 << 20;

std::vector<std::string> ReadLines(FILE* file)
{
    std::vector<std::string> lines;
    std::string line;
    long bytes = 0;
    int c = 0;
    while ((c = std::fgetc(file)) != EOF && bytes++ < MAX_FILE_BYTES) {
        if (c != '\n') {
            line.push_back(static_cast<char>(c));
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        line.clear();
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// A joystick binding is written with its slot digit after its name ("J_XAXIS_R2").
bool IsJoystickValue(const std::string& value)
{
    return value.size() >= 2 && value[0] == JOYSTICK_PREFIX;
}

char SlotDigit(int slot)
{
    return static_cast<char>('0' + slot);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A count written as decimal digits; -1 for anything else.
int ParseCount(const std::string& text)
{
    if (text.empty() || text.size() > 2)
        return -1;
    for (char c : text) {
        if (!IsDigit(c))
            return -1;
    }
    return std::atoi(text.c_str());
}

} // namespace

// Walks the file's lines. Entries are read in pairs, a name line and a
// value line; the joystick list at the end is looked up without moving on.
class CInputManager::ConfigReader {
public:
    explicit ConfigReader(std::vector<std::string> lines) : m_Lines(std::move(lines)) {}

    void SkipLine()
    {
        if (m_Next < m_Lines.size())
            ++m_Next;
    }

    // The value line after the name line `expected`. A name line that
    // differs is consumed alone, so a mismatch puts the reader one line out
    // of step until a name matches again.
    std::string FindConfigValue(const std::string& expected)
    {
        if (m_Next >= m_Lines.size() || m_Lines[m_Next++] != expected)
            return NOT_FOUND;
        if (m_Next >= m_Lines.size())
            return NOT_FOUND;
        const std::string& value = m_Lines[m_Next++];
        return value.empty() ? NOT_FOUND : value;
    }

    // The product name recorded for the joystick slot `digit`.
    std::string FindJoystickName(char digit) const
    {
        const std::string prefix = JOYSTICKS_PREFIX;
        for (size_t index = m_Next; index < m_Lines.size(); ++index) {
            const std::string& line = m_Lines[index];
            if (line.compare(0, prefix.size(), prefix) != 0)
                continue;
            const int count = ParseCount(line.substr(prefix.size()));
            if (count < 0)
                return NOT_FOUND;
            return FindListedJoystick(index + 1, count, digit);
        }
        return NOT_FOUND;
    }

private:
    std::string FindListedJoystick(size_t first, int count, char digit) const
    {
        const size_t end = std::min(m_Lines.size(), first + static_cast<size_t>(std::min<int>(count, MAX_JOYSTICKS)));
        for (size_t index = first; index < end; ++index) {
            const std::string& line = m_Lines[index];
            if (line.size() >= 2 && line[0] == digit && line[1] == ' ')
                return line.substr(2);
        }
        return NOT_FOUND;
    }

    std::vector<std::string> m_Lines;
    size_t m_Next = 0;
};

void CInputManager::SaveBindings()
{
    if (m_BindingFileName.empty())
        return;
    // Written as bytes with CR LF line ends, as the game has always written it.
    FILE* file = Files::Open(m_BindingFileName, "wb");
    if (file == nullptr)
        return;

    std::string text = std::string(VERSION_LINE) + LINE_END;
    for (int action = 0; action < BUTTON_ACTION_COUNT; ++action) {
        text += m_ActionNames[action] + LINE_END;
        text += BindingFileName(m_ButtonBindings[action], &DeviceObject::GetButtonBindingName) + LINE_END;
    }
    for (int axis = 0; axis < AXIS_ACTION_COUNT; ++axis) {
        text += m_AxisNames[axis] + LINE_END;
        text += BindingFileName(m_AxisBindings[axis], &DeviceObject::GetAxisBindingName) + LINE_END;
    }
    text += std::string(CONTROL_TYPE_NAME) + LINE_END;
    text += std::string(m_ControlType != 0 ? CONTROL_TYPE_JOYSTICK : CONTROL_TYPE_KEYBOARD) + LINE_END;
    text += JOYSTICKS_PREFIX + std::to_string(CountJoysticks()) + LINE_END;
    for (int slot = FIRST_JOYSTICK_SLOT; slot < DEVICE_SLOT_COUNT; ++slot) {
        const DeviceJoystick* joystick = GetJoystick(slot);
        if (joystick != nullptr)
            text += std::string(1, SlotDigit(slot)) + " " + joystick->GetProductName() + LINE_END;
    }
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

bool CInputManager::LoadBindings(const char* fileName)
{
    m_BindingFileName = fileName != nullptr ? fileName : "";
    FILE* file = m_BindingFileName.empty() ? nullptr : Files::Open(m_BindingFileName, "rb");
    if (file == nullptr) {
        SetDefaultBindings(ALL_DEFAULTS);
        return false;
    }
    ConfigReader reader(ReadLines(file));
    std::fclose(file);

    // The version line is not checked: there has only been one.
    reader.SkipLine();
    for (int action = 0; action < BUTTON_ACTION_COUNT; ++action) {
        m_ButtonBindings[action] =
            FindBinding(reader, reader.FindConfigValue(m_ActionNames[action]), &DeviceObject::NameToButtonBinding);
        if (m_ButtonBindings[action] == nullptr)
            SetDefaultBindings(action);
    }
    for (int axis = 0; axis < AXIS_ACTION_COUNT; ++axis) {
        m_AxisBindings[axis] =
            FindBinding(reader, reader.FindConfigValue(m_AxisNames[axis]), &DeviceObject::NameToAxisBinding);
        if (m_AxisBindings[axis] == nullptr)
            SetDefaultBindings(AXIS_CODE_BASE + axis);
    }
    m_ControlType = reader.FindConfigValue(CONTROL_TYPE_NAME) == CONTROL_TYPE_JOYSTICK ? 1 : 0;
    // A file that gives every binding has set no default, and the defaults are what build the contexts.
    BuildContexts();
    return true;
}

template <typename Binding>
std::string CInputManager::BindingFileName(const Binding* binding, BindingNamer<Binding> namer) const
{
    int slot = 0;
    std::string fileName = DeviceBindingName(binding, namer, slot);
    if (!fileName.empty() && slot >= FIRST_JOYSTICK_SLOT)
        fileName += SlotDigit(slot);
    return fileName;
}

std::vector<DeviceJoystick*> CInputManager::FindRecordedJoysticks(const ConfigReader& reader,
                                                                  const std::string& value,
                                                                  std::string& name) const
{
    std::vector<DeviceJoystick*> joysticks;
    const char digit = value.back();
    if (digit < SlotDigit(FIRST_JOYSTICK_SLOT) || digit > SlotDigit(DEVICE_SLOT_COUNT - 1))
        return joysticks;
    const std::string product = reader.FindJoystickName(digit);
    if (product == NOT_FOUND)
        return joysticks;
    name = value.substr(0, value.size() - 1);
    for (int slot = FIRST_JOYSTICK_SLOT; slot < DEVICE_SLOT_COUNT; ++slot) {
        DeviceJoystick* joystick = GetJoystick(slot);
        if (joystick != nullptr && product == joystick->GetProductName())
            joysticks.push_back(joystick);
    }
    return joysticks;
}

// The keyboard has no axes, but its base lookup answers null, so every
// device may be asked for either kind of binding.
template <typename Binding>
Binding* CInputManager::FindBinding(const ConfigReader& reader, const std::string& value,
                                    BindingFinder<Binding> finder) const
{
    if (value == NOT_FOUND)
        return nullptr;
    if (IsJoystickValue(value)) {
        std::string name;
        for (DeviceJoystick* joystick : FindRecordedJoysticks(reader, value, name)) {
            Binding* binding = (joystick->*finder)(name.c_str());
            if (binding != nullptr)
                return binding;
        }
        return nullptr;
    }
    for (const std::unique_ptr<DeviceObject>& device : m_Devices) {
        Binding* binding = device ? (device.get()->*finder)(value.c_str()) : nullptr;
        if (binding != nullptr)
            return binding;
    }
    return nullptr;
}
