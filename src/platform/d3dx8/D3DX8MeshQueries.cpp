// The two geometric questions D3DX answers about meshes: the box around a
// run of vertices, and where a ray meets a triangle.

#include <cstring>

#include "platform/d3d8/FvfLayout.h"
#include "platform/d3dx8/D3DX8Mesh.h"

HRESULT D3DXComputeBoundingBox(const void* pointsFvf, DWORD numVertices, DWORD fvf, D3DXVECTOR3* min,
                               D3DXVECTOR3* max)
{
    const FvfLayout layout = DecodeFvf(fvf);
    if (pointsFvf == nullptr || min == nullptr || max == nullptr || numVertices == 0 || !layout.valid)
        return D3DERR_INVALIDCALL;
    const BYTE* vertex = static_cast<const BYTE*>(pointsFvf);
    D3DXVECTOR3 lowest;
    std::memcpy(&lowest.x, vertex, sizeof(float) * 3);
    D3DXVECTOR3 highest = lowest;
    for (DWORD i = 1; i < numVertices; ++i) {
        vertex += layout.size;
        D3DXVECTOR3 position;
        std::memcpy(&position.x, vertex, sizeof(float) * 3);
        D3DXVec3Minimize(&lowest, &lowest, &position);
        D3DXVec3Maximize(&highest, &highest, &position);
    }
    *min = lowest;
    *max = highest;
    return D3D_OK;
}

// Moeller and Trumbore: solve p0 + u e1 + v e2 = rayPos + t rayDir by
// Cramer's rule. The comparisons are written so that a NaN misses.
BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                      const D3DXVECTOR3* rayPos, const D3DXVECTOR3* rayDir, FLOAT* u, FLOAT* v, FLOAT* dist)
{
    if (p0 == nullptr || p1 == nullptr || p2 == nullptr || rayPos == nullptr || rayDir == nullptr)
        return FALSE;
    const D3DXVECTOR3 edge1 = *p1 - *p0;
    const D3DXVECTOR3 edge2 = *p2 - *p0;
    D3DXVECTOR3 p;
    D3DXVec3Cross(&p, rayDir, &edge2);
    const float determinant = D3DXVec3Dot(&edge1, &p);
    // A ray in the triangle's plane, or a triangle without area.
    if (determinant == 0.0f)
        return FALSE;
    const float inverse = 1.0f / determinant;
    const D3DXVECTOR3 toStart = *rayPos - *p0;
    const float hitU = D3DXVec3Dot(&toStart, &p) * inverse;
    if (!(hitU >= 0.0f && hitU <= 1.0f))
        return FALSE;
    D3DXVECTOR3 q;
    D3DXVec3Cross(&q, &toStart, &edge1);
    const float hitV = D3DXVec3Dot(rayDir, &q) * inverse;
    if (!(hitV >= 0.0f && hitU + hitV <= 1.0f))
        return FALSE;
    const float hitDist = D3DXVec3Dot(&edge2, &q) * inverse;
    if (!(hitDist >= 0.0f))
        return FALSE;
    if (u != nullptr)
        *u = hitU;
    if (v != nullptr)
        *v = hitV;
    if (dist != nullptr)
        *dist = hitDist;
    return TRUE;
}
