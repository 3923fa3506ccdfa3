#pragma once

#include <cstdint>

#include "platform/d3dx8/D3DX8Math.h"

// A flag and two corners. Level objects and game actors also carry a pending
// velocity change (first corner) and force (second corner) in it from the
// damage they take to their next update.
class CBoundingBox {
public:
    uint8_t m_u8Flag = 0;
    D3DXVECTOR3 m_vMin;
    D3DXVECTOR3 m_vMax;
};
