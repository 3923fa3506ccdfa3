#include "Display/FakeFontRasteriser.h"

#include <algorithm>

bool FakeFontRasteriser::BeginCanvas(int size)
{
    if (m_bRefuseCanvas || size <= 0)
        return false;
    ++m_Begun;
    m_Size = size;
    m_Pixels.assign(static_cast<size_t>(size) * size, 0);
    return true;
}

bool FakeFontRasteriser::SelectFont(const CFontRequest& request)
{
    m_LastRequest = request;
    m_LastFace = request.m_pFaceName;
    m_LastRequest.m_pFaceName = m_LastFace.c_str();
    return true;
}

SIZE FakeFontRasteriser::MeasureChar(char c)
{
    auto found = m_Cells.find(c);
    return found != m_Cells.end() ? found->second : m_DefaultCell;
}

void FakeFontRasteriser::DrawChar(int x, int y, char c)
{
    const SIZE cell = MeasureChar(c);
    for (int row = std::max(y, 0); row < std::min<int>(y + cell.cy, m_Size); ++row) {
        for (int column = std::max(x, 0); column < std::min<int>(x + cell.cx, m_Size); ++column)
            m_Pixels[static_cast<size_t>(row) * m_Size + column] = m_Ink;
    }
}

void FakeFontRasteriser::EndCanvas()
{
    ++m_Ended;
    m_Pixels.clear();
    m_Size = 0;
}
