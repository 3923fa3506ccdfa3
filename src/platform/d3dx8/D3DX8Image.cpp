#include "platform/d3dx8/D3DX8Image.h"

#include "platform/d3dx8/ImageFile.h"
#include "platform/d3dx8/ImageTransfer.h"

HRESULT D3DXGetImageInfoFromFile(LPCSTR srcFile, D3DXIMAGE_INFO* info)
{
    if (info == nullptr)
        return D3DERR_INVALIDCALL;
    *info = D3DXIMAGE_INFO();
    if (srcFile == nullptr)
        return D3DERR_INVALIDCALL;
    ArgbImage image;
    const HRESULT loaded = LoadImageWithInfo(srcFile, image, info);
    if (FAILED(loaded))
        *info = D3DXIMAGE_INFO();
    return loaded;
}

HRESULT D3DXLoadSurfaceFromFile(IDirect3DSurface8* destSurface, const PALETTEENTRY* /*destPalette*/,
                                const RECT* destRect, LPCSTR srcFile, const RECT* srcRect, DWORD filter,
                                D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo)
{
    if (destSurface == nullptr || srcFile == nullptr)
        return D3DERR_INVALIDCALL;
    ArgbImage image;
    const HRESULT loaded = LoadImageWithInfo(srcFile, image, srcInfo);
    if (FAILED(loaded))
        return loaded;

    RECT source = {};
    if (!ResolveRect(srcRect, image.width, image.height, source))
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc = {};
    const HRESULT described = destSurface->GetDesc(&desc);
    if (FAILED(described))
        return described;
    RECT dest = {};
    if (!ResolveRect(destRect, desc.Width, desc.Height, dest))
        return D3DERR_INVALIDCALL;

    if (colorKey != 0)
        ApplyColourKey(image, colorKey);
    const ArgbImage cropped = CropImage(image, source);
    const ArgbImage fitted = FitImage(cropped, static_cast<uint32_t>(dest.right - dest.left),
                                      static_cast<uint32_t>(dest.bottom - dest.top), FilterStretches(filter));
    return WriteSurface(destSurface, &dest, fitted);
}

HRESULT D3DXSaveSurfaceToFile(LPCSTR destFile, D3DXIMAGE_FILEFORMAT destFormat, IDirect3DSurface8* srcSurface,
                              const PALETTEENTRY* /*srcPalette*/, const RECT* srcRect)
{
    if (destFile == nullptr || srcSurface == nullptr || destFormat != D3DXIFF_BMP)
        return D3DERR_INVALIDCALL;
    ArgbImage image;
    const HRESULT read = ReadSurface(srcSurface, srcRect, image);
    if (FAILED(read))
        return read;
    return SaveBmpFile(destFile, image) ? D3D_OK : E_FAIL;
}
