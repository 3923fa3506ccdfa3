#include "platform/d3d8/FvfLayout.h"

namespace {

constexpr DWORD kKnownBits = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE |
                             D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;
constexpr UINT kFloatSize = 4;
constexpr UINT kColourSize = 4;

} // namespace

FvfLayout DecodeFvf(DWORD fvf)
{
    FvfLayout layout;
    if ((fvf & ~kKnownBits) != 0)
        return layout;
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW)
        return layout;
    const UINT texCoords = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCoords > kMaxTexCoordSets)
        return layout;

    layout.pretransformed = position == D3DFVF_XYZRHW;
    UINT offset = (layout.pretransformed ? 4 : 3) * kFloatSize;
    if (fvf & D3DFVF_NORMAL) {
        layout.hasNormal = true;
        layout.normalOffset = offset;
        offset += 3 * kFloatSize;
    }
    if (fvf & D3DFVF_PSIZE) {
        layout.hasPointSize = true;
        layout.pointSizeOffset = offset;
        offset += kFloatSize;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        layout.hasDiffuse = true;
        layout.diffuseOffset = offset;
        offset += kColourSize;
    }
    if (fvf & D3DFVF_SPECULAR) {
        layout.hasSpecular = true;
        layout.specularOffset = offset;
        offset += kColourSize;
    }
    layout.texCoordCount = texCoords;
    layout.texCoordOffset = offset;
    offset += texCoords * 2 * kFloatSize;
    layout.size = offset;
    layout.valid = true;
    return layout;
}
