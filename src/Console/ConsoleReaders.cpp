#include "Console/ConsoleReaders.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

const int HEX_BASE = 16;
const int OCTAL_BASE = 8;
const int DECIMAL_BASE = 10;
const char QUOTE = '"';
const char TIME_SEPARATOR = ':';
const char MODE_SEPARATOR = ',';
const int HOURS_PER_DAY = 24;
const int MINUTES_PER_HOUR = 60;
const uint8_t BYTE_MAX = std::numeric_limits<uint8_t>::max();
const uint16_t WORD_MAX = std::numeric_limits<uint16_t>::max();

bool IsRunCharacter(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool EndsRun(char c)
{
    return c == '\0' || IsConsoleBlank(c) || c == MODE_SEPARATOR || c == TIME_SEPARATOR;
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + DECIMAL_BASE;
    return HEX_BASE;
}

// The run's leading digits of `base`, saturated at `largest`.
uint32_t ReadDigits(const std::string& run, int base, uint32_t largest)
{
    uint64_t value = 0;
    for (char c : run) {
        const int digit = DigitValue(c);
        if (digit >= base)
            break;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > largest)
            return largest;
    }
    return static_cast<uint32_t>(value);
}

// A reader that succeeds only when the comma follows the number at once.
bool TakeModeSeparator(std::string& text)
{
    if (text.empty() || text[0] != MODE_SEPARATOR)
        return false;
    text.erase(0, 1);
    return true;
}

bool ParseBoundedInt(std::string& text, int32_t largest, int32_t& value)
{
    return ParseInt(text, value) && value >= 0 && value <= largest;
}

} // namespace

bool IsConsoleBlank(char c)
{
    return c == ' ' || c == '\t';
}

void SkipBlanks(std::string& text)
{
    size_t blanks = 0;
    while (blanks < text.size() && IsConsoleBlank(text[blanks]))
        ++blanks;
    text.erase(0, blanks);
}

bool ParseInt(std::string& text, int32_t& value)
{
    value = -1;
    SkipBlanks(text);
    const bool hex = text.compare(0, 2, "0X") == 0;
    const size_t start = hex ? 2 : 0;
    size_t end = start;
    while (end < text.size() && IsRunCharacter(text[end]))
        ++end;
    if (end == start || (end < text.size() && !EndsRun(text[end])))
        return false;

    const std::string run = text.substr(start, end - start);
    const uint32_t allBits = std::numeric_limits<uint32_t>::max();
    if (hex)
        value = static_cast<int32_t>(ReadDigits(run, HEX_BASE, allBits));
    else if (run[0] == '0')
        value = static_cast<int32_t>(ReadDigits(run, OCTAL_BASE, allBits));
    else
        value = static_cast<int32_t>(ReadDigits(run, DECIMAL_BASE, std::numeric_limits<int32_t>::max()));
    text.erase(0, end);
    return true;
}

bool ParseFloat(std::string& text, float& value)
{
    SkipBlanks(text);
    if (text.empty()) {
        value = 0.0f;
        return false;
    }
    double number = std::atof(text.c_str());
    if (number > FLT_MAX && number != std::numeric_limits<double>::infinity())
        number = FLT_MAX;
    else if (number < -FLT_MAX && number != -std::numeric_limits<double>::infinity())
        number = -FLT_MAX;
    value = static_cast<float>(number);
    size_t end = 0;
    while (end < text.size() && !IsConsoleBlank(text[end]))
        ++end;
    text.erase(0, end);
    return true;
}

bool ParseNumber(std::string& text, int32_t& value)
{
    SkipBlanks(text);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) {
        value = -1;
        return false;
    }
    return ParseInt(text, value);
}

bool ParseNumber(std::string& text, float& value)
{
    SkipBlanks(text);
    const char* start = text.c_str();
    char* end = nullptr;
    const double number = std::strtod(start, &end);
    if (end == start || !std::isfinite(number)) {
        value = 0.0f;
        return false;
    }
    return ParseFloat(text, value);
}

bool ParseVector3(std::string& text, D3DXVECTOR3& value)
{
    value = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return ParseNumber(text, value.x) && ParseNumber(text, value.y) && ParseNumber(text, value.z);
}

bool ParseColour(std::string& text, D3DXCOLOR& value)
{
    value = D3DXCOLOR(0.0f, 0.0f, 0.0f, 1.0f);
    return ParseNumber(text, value.r) && ParseNumber(text, value.g) && ParseNumber(text, value.b);
}

bool ParseTime(std::string& text, CConsoleTime& value)
{
    value = CConsoleTime();
    int32_t hours = -1;
    int32_t minutes = -1;
    const bool hoursRead = ParseInt(text, hours);
    if (!text.empty() && text[0] == TIME_SEPARATOR)
        text.erase(0, 1);
    if (!ParseInt(text, minutes) || !hoursRead)
        return false;
    if (hours < 0 || hours >= HOURS_PER_DAY || minutes < 0 || minutes >= MINUTES_PER_HOUR)
        return false;
    value.m_Hour = hours;
    value.m_Minute = minutes;
    return true;
}

bool ParseDisplayMode(std::string& text, CDisplayMode& value)
{
    int32_t fullScreen = 0;
    int32_t vsync = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;
    int32_t refresh = 0;
    const bool read = ParseInt(text, fullScreen) && TakeModeSeparator(text) && ParseInt(text, vsync) &&
                      TakeModeSeparator(text) && ParseBoundedInt(text, WORD_MAX, width) &&
                      TakeModeSeparator(text) && ParseBoundedInt(text, WORD_MAX, height) &&
                      TakeModeSeparator(text) && ParseBoundedInt(text, BYTE_MAX, bpp) &&
                      TakeModeSeparator(text) && ParseBoundedInt(text, BYTE_MAX, refresh);
    if (!read)
        return false;
    value.FullScreen = fullScreen != 0 ? 1 : 0;
    value.VSync = vsync != 0 ? 1 : 0;
    value.Width = static_cast<uint16_t>(width);
    value.Height = static_cast<uint16_t>(height);
    value.BPP = static_cast<uint8_t>(bpp);
    value.RefreshRate = static_cast<uint8_t>(refresh);
    return true;
}

// The closing quote goes with the token, so that the arguments after a
// quoted name read from where they begin.
bool NextToken(std::string& text, std::string& token)
{
    SkipBlanks(text);
    if (!text.empty() && text[0] == QUOTE) {
        const size_t close = text.find(QUOTE, 1);
        const size_t end = close == std::string::npos ? text.size() : close;
        token = text.substr(1, end - 1);
        text.erase(0, close == std::string::npos ? end : end + 1);
        return !token.empty();
    }
    size_t end = 0;
    while (end < text.size() && !IsConsoleBlank(text[end]))
        ++end;
    token = text.substr(0, end);
    text.erase(0, end);
    return !token.empty();
}
