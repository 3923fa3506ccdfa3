#pragma once
// A ring of text lines with a cursor column in the current one: the
// console's output (whose current line is also the line being typed) and
// its history of entered lines.

#include <cstdint>
#include <string>

class CLineRing {
public:
    enum { LINE_COUNT = 20, SHOWN_COUNT = 13 };
    // The longest line the console types or runs.
    enum { MAX_LINE_LENGTH = 80 };

    CLineRing();

    // Steps to the next line, emptied, with the cursor at its start; the
    // view follows, showing the current line and the ones before it.
    void Print();

    std::string& Current() { return m_Lines[m_Current]; }
    const std::string& Current() const { return m_Lines[m_Current]; }
    const std::string& Line(int index) const { return m_Lines[index]; }
    std::string& Line(int index) { return m_Lines[index]; }
    int32_t GetCurrentIndex() const { return m_Current; }
    // For the history: recalls move the current index around the ring.
    void SetCurrentIndex(int32_t index);
    int32_t GetFirstShown() const { return m_FirstShown; }
    int32_t GetEndMarker() const { return m_EndMarker; }

    static int32_t Next(int32_t index) { return (index + 1) % LINE_COUNT; }
    static int32_t Previous(int32_t index) { return (index + LINE_COUNT - 1) % LINE_COUNT; }

    int32_t m_Column = 0;

private:
    std::string m_Lines[LINE_COUNT];
    int32_t m_Current = 0;
    int32_t m_FirstShown = 0;
    int32_t m_EndMarker = SHOWN_COUNT;
};
