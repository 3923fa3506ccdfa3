#include "Display/Occ_HOM.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

const uint32_t VIRTUAL_SCREEN_SIZE = 1024;
const float VIRTUAL_SCREEN_EDGE = static_cast<float>(VIRTUAL_SCREEN_SIZE);
// Smaller boxes are not worth a draw call.
const float MIN_VISIBLE_AREA = 40.0f;
const float NEAR_DEPTH = 0.0f;
const float FAR_DEPTH = 1.0f;
const int BOX_CORNERS = 8;

struct ScreenBox {
    D3DXVECTOR3 vMin = D3DXVECTOR3(FLT_MAX, FLT_MAX, FLT_MAX);
    D3DXVECTOR3 vMax = D3DXVECTOR3(-FLT_MAX, -FLT_MAX, -FLT_MAX);

    void Grow(const D3DXVECTOR3& point)
    {
        D3DXVec3Minimize(&vMin, &vMin, &point);
        D3DXVec3Maximize(&vMax, &vMax, &point);
    }
};

D3DXVECTOR3 Corner(const COccBoxRecord& box, int index)
{
    const D3DXVECTOR3& lo = *box.pMin;
    const D3DXVECTOR3& hi = *box.pMax;
    return D3DXVECTOR3((index & 1) ? hi.x : lo.x, (index & 2) ? hi.y : lo.y, (index & 4) ? hi.z : lo.z);
}

// Bits of the sides of the view a point in clip space lies beyond.
enum {
    BEYOND_LEFT = 1,
    BEYOND_RIGHT = 2,
    BEYOND_BOTTOM = 4,
    BEYOND_TOP = 8,
    BEYOND_NEAR = 16,
    BEYOND_FAR = 32,
};

unsigned SidesBeyond(const D3DXVECTOR4& clip)
{
    return (clip.x < -clip.w ? BEYOND_LEFT : 0) | (clip.x > clip.w ? BEYOND_RIGHT : 0) |
           (clip.y < -clip.w ? BEYOND_BOTTOM : 0) | (clip.y > clip.w ? BEYOND_TOP : 0) |
           (clip.z < 0.0f ? BEYOND_NEAR : 0) | (clip.z > clip.w ? BEYOND_FAR : 0);
}

bool s_bCullClip = false;
D3DXPLANE s_CullClipPlane;

} // namespace

COccHOMViewport::COccHOMViewport()
    : X(0), Y(0), Width(VIRTUAL_SCREEN_SIZE), Height(VIRTUAL_SCREEN_SIZE), MinZ(NEAR_DEPTH), MaxZ(FAR_DEPTH)
{
}

bool COccHOMViewport::IsCulled(const COccBoxRecord& box, const D3DXMATRIX& viewProjection) const
{
    D3DXMATRIX toClip;
    D3DXMatrixMultiply(&toClip, box.pWorld, &viewProjection);

    ScreenBox screen;
    for (int i = 0; i < BOX_CORNERS; ++i) {
        const D3DXVECTOR3 corner = Corner(box, i);
        D3DXVECTOR4 clip;
        D3DXVec3Transform(&clip, &corner, &toClip);
        // Dividing by |w| keeps corners behind the eye on their own side of
        // the screen, so a box around the eye does not fold over.
        if (clip.w != 0.0f)
            clip /= std::fabs(clip.w);
        screen.Grow(D3DXVECTOR3(X + Width * (clip.x + 1.0f) / 2.0f, Y + Height * (clip.y + 1.0f) / 2.0f, clip.z));
    }

    const bool onScreen = screen.vMin.x < VIRTUAL_SCREEN_EDGE && screen.vMax.x > 0.0f &&
                          screen.vMin.y < VIRTUAL_SCREEN_EDGE && screen.vMax.y > 0.0f;
    const bool withinDepth = screen.vMin.z < FAR_DEPTH && screen.vMax.z > NEAR_DEPTH;
    const float area = (screen.vMax.x - screen.vMin.x) * (screen.vMax.y - screen.vMin.y);
    return !(onScreen && withinDepth && area >= MIN_VISIBLE_AREA);
}

bool IsBoxCulled(const COccBoxRecord& box)
{
    const D3DXPLANE* clip = GetCullClipPlane();
    return (clip != nullptr && IsBoxBehindPlane(box, *clip)) || g_VisibilityTester.IsCulled(box, g_CullViewProj);
}

bool GetBoxScreenHeights(const COccBoxRecord& box, const D3DXMATRIX& viewProjection, float& low, float& high)
{
    D3DXMATRIX toClip;
    D3DXMatrixMultiply(&toClip, box.pWorld, &viewProjection);
    D3DXVECTOR4 corners[BOX_CORNERS];
    for (int i = 0; i < BOX_CORNERS; ++i) {
        const D3DXVECTOR3 corner = Corner(box, i);
        D3DXVec3Transform(&corners[i], &corner, &toClip);
    }
    low = 1.0f;
    high = -1.0f;
    // The box clipped at the near plane (z = 0 in clip space, where w is the
    // near distance): its corners in front of it and the points where its
    // edges cross it.
    auto grow = [&](const D3DXVECTOR4& point) {
        if (!(point.w > 0.0f))
            return false;
        low = std::min(low, point.y / point.w);
        high = std::max(high, point.y / point.w);
        return true;
    };
    for (int i = 0; i < BOX_CORNERS; ++i) {
        if (corners[i].z >= 0.0f && !grow(corners[i]))
            return false;
        for (int axis = 1; axis < BOX_CORNERS; axis <<= 1) {
            const int j = i | axis;
            if (j == i || (corners[i].z >= 0.0f) == (corners[j].z >= 0.0f))
                continue;
            const float t = corners[i].z / (corners[i].z - corners[j].z);
            if (!grow(corners[i] + (corners[j] - corners[i]) * t))
                return false;
        }
    }
    low = std::max(low, -1.0f);
    high = std::min(high, 1.0f);
    return true;
}

bool IsBoxBehindPlane(const COccBoxRecord& box, const D3DXPLANE& plane)
{
    for (int i = 0; i < BOX_CORNERS; ++i) {
        D3DXVECTOR3 corner;
        const D3DXVECTOR3 local = Corner(box, i);
        D3DXVec3TransformCoord(&corner, &local, box.pWorld);
        if (!(D3DXPlaneDotCoord(&plane, &corner) < 0.0f))
            return false;
    }
    return true;
}

bool IsBoxOutsideView(const COccBoxRecord& box, const D3DXMATRIX& viewProjection, const D3DXPLANE* clip)
{
    if (clip != nullptr && IsBoxBehindPlane(box, *clip))
        return true;
    D3DXMATRIX toClip;
    D3DXMatrixMultiply(&toClip, box.pWorld, &viewProjection);
    unsigned sharedSides = ~0u;
    for (int i = 0; i < BOX_CORNERS && sharedSides != 0; ++i) {
        const D3DXVECTOR3 corner = Corner(box, i);
        D3DXVECTOR4 position;
        D3DXVec3Transform(&position, &corner, &toClip);
        sharedSides &= SidesBeyond(position);
    }
    return sharedSides != 0;
}

void SetCullClipPlane(const D3DXPLANE* plane)
{
    s_bCullClip = plane != nullptr;
    if (plane != nullptr)
        s_CullClipPlane = *plane;
}

const D3DXPLANE* GetCullClipPlane()
{
    return s_bCullClip ? &s_CullClipPlane : nullptr;
}
