#include "platform/d3dx8/D3DX8Texture.h"

#include <algorithm>

#include "platform/d3dx8/ImageTransfer.h"

namespace {

constexpr UINT kDefaultTextureSide = 256;

bool IsDefault(UINT value)
{
    return value == 0 || value == D3DX_DEFAULT;
}

UINT NextPowerOfTwo(UINT value)
{
    UINT power = 1;
    while (power < value && power <= (UINT(1) << 30))
        power <<= 1;
    return power;
}

UINT FullChainLength(UINT width, UINT height)
{
    UINT levels = 1;
    UINT side = std::max(width, height);
    while (side > 1) {
        side >>= 1;
        ++levels;
    }
    return levels;
}

void FitSize(const D3DCAPS8& caps, UINT& width, UINT& height)
{
    if (IsDefault(width))
        width = kDefaultTextureSide;
    if (IsDefault(height))
        height = kDefaultTextureSide;
    if ((caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0) {
        width = NextPowerOfTwo(width);
        height = NextPowerOfTwo(height);
    }
    if ((caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0)
        width = height = std::max(width, height);
    if (caps.MaxTextureWidth != 0)
        width = std::min<UINT>(width, caps.MaxTextureWidth);
    if (caps.MaxTextureHeight != 0)
        height = std::min<UINT>(height, caps.MaxTextureHeight);
}

class SurfaceLevel {
public:
    SurfaceLevel(IDirect3DTexture8* texture, UINT level) { m_Result = texture->GetSurfaceLevel(level, &m_Surface); }
    ~SurfaceLevel()
    {
        if (m_Surface != nullptr)
            m_Surface->Release();
    }
    SurfaceLevel(const SurfaceLevel&) = delete;
    SurfaceLevel& operator=(const SurfaceLevel&) = delete;

    HRESULT Result() const { return m_Result; }
    IDirect3DSurface8* Get() const { return m_Surface; }

private:
    IDirect3DSurface8* m_Surface = nullptr;
    HRESULT m_Result = E_FAIL;
};

HRESULT FillLevels(IDirect3DTexture8* texture, ArgbImage image)
{
    const DWORD levels = texture->GetLevelCount();
    for (UINT level = 0; level < levels; ++level) {
        if (level > 0)
            image = HalveImage(image);
        SurfaceLevel surface(texture, level);
        if (FAILED(surface.Result()))
            return surface.Result();
        const HRESULT written = WriteSurface(surface.Get(), nullptr, image);
        if (FAILED(written))
            return written;
    }
    return D3D_OK;
}

} // namespace

HRESULT D3DXCheckTextureRequirements(IDirect3DDevice8* device, UINT* width, UINT* height, UINT* mipLevels,
                                     DWORD /*usage*/, D3DFORMAT* format, D3DPOOL /*pool*/)
{
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    D3DCAPS8 caps = {};
    const HRESULT result = device->GetDeviceCaps(&caps);
    if (FAILED(result))
        return result;
    UINT fittedWidth = width != nullptr ? *width : 0;
    UINT fittedHeight = height != nullptr ? *height : 0;
    FitSize(caps, fittedWidth, fittedHeight);
    if (width != nullptr)
        *width = fittedWidth;
    if (height != nullptr)
        *height = fittedHeight;
    if (mipLevels != nullptr) {
        const UINT chain = FullChainLength(fittedWidth, fittedHeight);
        *mipLevels = IsDefault(*mipLevels) ? chain : std::min(*mipLevels, chain);
    }
    if (format != nullptr && (*format == D3DFMT_UNKNOWN || *format == static_cast<D3DFORMAT>(D3DX_DEFAULT)))
        *format = D3DFMT_A8R8G8B8;
    return D3D_OK;
}

HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture)
{
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    const HRESULT checked = D3DXCheckTextureRequirements(device, &width, &height, &mipLevels, usage, &format, pool);
    if (FAILED(checked))
        return checked;
    return device->CreateTexture(width, height, mipLevels, usage, format, pool, texture);
}

HRESULT D3DXCreateTextureFromFileEx(IDirect3DDevice8* device, LPCSTR srcFile, UINT width, UINT height,
                                    UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                    DWORD /*mipFilter*/, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                    PALETTEENTRY* /*palette*/, IDirect3DTexture8** texture)
{
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (device == nullptr || srcFile == nullptr)
        return D3DERR_INVALIDCALL;
    ArgbImage image;
    const HRESULT loaded = LoadImageWithInfo(srcFile, image, srcInfo);
    if (FAILED(loaded))
        return loaded;

    if (IsDefault(width))
        width = image.width;
    if (IsDefault(height))
        height = image.height;
    IDirect3DTexture8* created = nullptr;
    const HRESULT result = D3DXCreateTexture(device, width, height, mipLevels, usage, format, pool, &created);
    if (FAILED(result))
        return result;

    if (colorKey != 0)
        ApplyColourKey(image, colorKey);
    D3DSURFACE_DESC desc = {};
    HRESULT filled = created->GetLevelDesc(0, &desc);
    if (SUCCEEDED(filled))
        filled = FillLevels(created, FitImage(image, desc.Width, desc.Height, FilterStretches(filter)));
    if (FAILED(filled)) {
        created->Release();
        return filled;
    }
    *texture = created;
    return D3D_OK;
}
