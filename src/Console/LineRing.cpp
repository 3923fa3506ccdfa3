#include "Console/LineRing.h"

CLineRing::CLineRing()
{
    // Typing into a line then never allocates.
    for (std::string& line : m_Lines)
        line.reserve(MAX_LINE_LENGTH);
}

void CLineRing::Print()
{
    m_Current = Next(m_Current);
    m_Lines[m_Current].clear();
    m_Column = 0;
    if (m_Current != m_EndMarker)
        return;
    m_FirstShown = (m_Current - SHOWN_COUNT + LINE_COUNT) % LINE_COUNT;
    m_EndMarker = Next(m_Current);
}

void CLineRing::SetCurrentIndex(int32_t index)
{
    m_Current = ((index % LINE_COUNT) + LINE_COUNT) % LINE_COUNT;
}
