#pragma once
// Value ranges of the effect and particle scripts. A script value written as
// a number v is the range (v, v); Random(a, b) is (a, b). A range is drawn
// from the random table each time it is used, so every particle or effect
// copy can get a value of its own.

#include "platform/d3dx8/D3DX8Math.h"

template <class T>
struct CMinMax {
    T m_Min{};
    T m_Max{};

    CMinMax() = default;
    CMinMax(const T& min, const T& max) : m_Min(min), m_Max(max) {}
};

// min + r / 32767 x (max - min), r the random table's next value; the table is
// read only when max - min > 0, else the value is min and nothing is drawn.
// (CRandomTable::NextFloat always draws: runs would no longer repeat if an
// empty range took a value from the table.)
float DrawRange(float min, float max);
float DrawRange(const CMinMax<float>& range);
// One draw per component, in the order x, y, z.
D3DXVECTOR3 DrawRange(const CMinMax<D3DXVECTOR3>& range);
// One draw per channel, in the order red, green, blue, alpha.
D3DXCOLOR DrawRange(const CMinMax<D3DXCOLOR>& range);
