#pragma once
// The console's readers of an argument string (upper case). Each first
// removes leading blanks, then what it read, and reports success; the
// handlers read their arguments with them.

#include <cstdint>
#include <string>

#include "Display/Display.h"
#include "platform/d3dx8/D3DX8Math.h"

// The game timer's clock as TIME writes it: year, days, hours, minutes,
// seconds and the time of day.
struct CConsoleTime {
    int32_t m_Year = 0;
    int32_t m_Days = 0;
    int32_t m_Hour = 0;
    int32_t m_Minute = 0;
    float m_fSeconds = 0.0f;
    float m_fTimeOfDay = 0.0f;
};

bool IsConsoleBlank(char c);
void SkipBlanks(std::string& text);

// A run of digits and the letters A to F ending at a blank, the end, a
// comma or a colon: "0X" and base 16 (up to 0xFFFFFFFF bit for bit), a
// leading "0" and base 8, else base 10, each read up to the first character
// that is not a digit of its base. Too large a number saturates. False
// (value -1, nothing removed) when the text holds no such run.
bool ParseInt(std::string& text, int32_t& value);
// atof of the text, whose first word is removed; false only when nothing
// is left to read. A number beyond the float range reads as the largest
// float of its sign.
bool ParseFloat(std::string& text, float& value);
// A number the command cannot do without: as ParseInt and ParseFloat, but
// false (value -1 or 0, nothing removed) unless the next word starts with
// a number: a decimal digit, or for a float anything strtod reads as a
// finite number.
bool ParseNumber(std::string& text, int32_t& value);
bool ParseNumber(std::string& text, float& value);
// Three numbers (ParseNumber); after a failed one the rest are 0.
bool ParseVector3(std::string& text, D3DXVECTOR3& value);
// Red, green and blue, three numbers (ParseNumber); alpha 1.
bool ParseColour(std::string& text, D3DXCOLOR& value);
// "H:MM" or "H MM", hours 0 to 23 and minutes 0 to 59.
bool ParseTime(std::string& text, CConsoleTime& value);
// Full screen, vertical sync, width, height, bits per pixel, refresh rate:
// six integers, each but the last followed at once by a comma, each within
// its field of the mode.
bool ParseDisplayMode(std::string& text, CDisplayMode& value);
// A word, or the text between double quotes; false when it is empty.
bool NextToken(std::string& text, std::string& token);
