#pragma once
// Where each component of a flexible vertex format lies in a vertex.

#include "platform/d3d8/D3D8Types.h"

constexpr UINT kMaxTexCoordSets = 8;

struct FvfLayout {
    bool valid = false;
    bool pretransformed = false; // XYZRHW: screen pixels, depth and 1/w
    bool hasNormal = false;
    bool hasPointSize = false;
    bool hasDiffuse = false;
    bool hasSpecular = false;
    UINT texCoordCount = 0;
    UINT normalOffset = 0;
    UINT pointSizeOffset = 0;
    UINT diffuseOffset = 0;
    UINT specularOffset = 0;
    UINT texCoordOffset = 0; // of set 0; each set is two floats
    UINT size = 0;
};

// The layout of an FVF code; `valid` is false for a code without a position
// or with a component the stand-in does not draw (blend weights, texture
// coordinates of other than two floats).
FvfLayout DecodeFvf(DWORD fvf);

// Vertex shader handles have the lowest bit set; FVF codes never do.
inline bool IsFvfCode(DWORD handle)
{
    return (handle & 1) == 0;
}
