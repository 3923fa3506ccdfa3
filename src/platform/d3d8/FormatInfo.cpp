#include "platform/d3d8/FormatInfo.h"

namespace {

const FormatInfo kFormats[] = {
    {D3DFMT_A8R8G8B8, 4, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, false},
    // No alpha channel in GL either, so blending reads destination alpha as 1.
    {D3DFMT_X8R8G8B8, 4, GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, false},
    {D3DFMT_A4R4G4B4, 2, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false},
    {D3DFMT_D24S8, 4, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, true},
};

} // namespace

const FormatInfo* FindSurfaceFormat(D3DFORMAT format)
{
    for (const FormatInfo& info : kFormats) {
        if (info.format == format)
            return &info;
    }
    return nullptr;
}

bool IsTextureFormat(D3DFORMAT format)
{
    const FormatInfo* info = FindSurfaceFormat(format);
    return info != nullptr && !info->isDepthStencil;
}

bool IsBackBufferFormat(D3DFORMAT format)
{
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8;
}

UINT IndexSize(D3DFORMAT format)
{
    if (format == D3DFMT_INDEX16)
        return 2;
    if (format == D3DFMT_INDEX32)
        return 4;
    return 0;
}
