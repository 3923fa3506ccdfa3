#include "Effects/MinMax.h"

#include "Core/Clock.h"

namespace {

const float INV_RANDOM_MAX = 1.0f / static_cast<float>(CRandomTable::MAX_VALUE);

} // namespace

float DrawRange(float min, float max)
{
    const float span = max - min;
    if (!(span > 0.0f))
        return min;
    return min + static_cast<float>(g_RandomTable.Next()) * INV_RANDOM_MAX * span;
}

float DrawRange(const CMinMax<float>& range)
{
    return DrawRange(range.m_Min, range.m_Max);
}

D3DXVECTOR3 DrawRange(const CMinMax<D3DXVECTOR3>& range)
{
    D3DXVECTOR3 value;
    value.x = DrawRange(range.m_Min.x, range.m_Max.x);
    value.y = DrawRange(range.m_Min.y, range.m_Max.y);
    value.z = DrawRange(range.m_Min.z, range.m_Max.z);
    return value;
}

D3DXCOLOR DrawRange(const CMinMax<D3DXCOLOR>& range)
{
    D3DXCOLOR value;
    value.r = DrawRange(range.m_Min.r, range.m_Max.r);
    value.g = DrawRange(range.m_Min.g, range.m_Max.g);
    value.b = DrawRange(range.m_Min.b, range.m_Max.b);
    value.a = DrawRange(range.m_Min.a, range.m_Max.a);
    return value;
}
