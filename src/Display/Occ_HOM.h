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

// Whether the box is out of sight in the current pass (g_CullViewProj and,
// in the reflection, the water's clip plane).
bool IsBoxCulled(const COccBoxRecord& box);

// True only when no part of the box can be drawn: every corner beyond one
// side of the view of `viewProjection`, or behind the `clip` plane (none when
// null). Boxes too small to matter are not culled.
bool IsBoxOutsideView(const COccBoxRecord& box, const D3DXMATRIX& viewProjection, const D3DXPLANE* clip);
// The heights on screen (-1 at the bottom, 1 at the top) between which the
// part of the box in front of the near plane projects through
// `viewProjection`, clamped to the screen: `low` above `high` when none of
// it is. False when the projection has no bounds (no near plane in front of
// the eye).
bool GetBoxScreenHeights(const COccBoxRecord& box, const D3DXMATRIX& viewProjection, float& low, float& high);
// True when the whole box lies behind the plane: what the device clips away.
bool IsBoxBehindPlane(const COccBoxRecord& box, const D3DXPLANE& plane);

// The plane the reflection pass clips at (geometry under the water cannot be
// mirrored); null in every other pass. The level sets it as it queues a pass.
void SetCullClipPlane(const D3DXPLANE* plane);
const D3DXPLANE* GetCullClipPlane();

extern COccHOMViewport g_VisibilityTester;
// View x projection of the pass being queued; the level writes it.
extern D3DXMATRIX g_CullViewProj;
