#pragma once

#include <cstdint>

#include "platform/d3dx8/D3DX8Math.h"

// What the visibility test is asked about: a box in an object's own space
// (its minimum and maximum corners) and the world matrix that places it.
struct COccBoxRecord {
    const D3DXVECTOR3* pMin;
    const D3DXVECTOR3* pMax;
    const D3DXMATRIX* pWorld;
};

// The one culling test of the game: a box is drawn unless its projection
// lies wholly off a virtual 1024 x 1024 screen, wholly in front of the near
// plane or beyond the far plane, or covers less than 40 square units of it.
// No object hides another.
class COccHOMViewport {
public:
    COccHOMViewport();

    // True when the box cannot be seen through `viewProjection`.
    bool IsCulled(const COccBoxRecord& box, const D3DXMATRIX& viewProjection) const;

    uint32_t X;
    uint32_t Y;
    uint32_t Width;
    uint32_t Height;
    float MinZ;
    float MaxZ;
};

// Whether the box is out of sight in the current pass (g_CullViewProj).
bool IsBoxCulled(const COccBoxRecord& box);

extern COccHOMViewport g_VisibilityTester;
// View x projection of the pass being queued; the level writes it.
extern D3DXMATRIX g_CullViewProj;
