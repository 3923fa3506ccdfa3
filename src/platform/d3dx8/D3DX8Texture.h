#pragma once
// D3DX8's texture helpers: creating a texture whose size, level count and
// format are first fitted to what the device can take, and creating one from
// an image file.

#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Image.h"

// Fits a requested texture to the device, as every creation below does: a
// width or height of 0 or D3DX_DEFAULT becomes 256; with D3DPTEXTURECAPS_POW2
// each side is rounded up to a power of two; with SQUAREONLY both take the
// larger side; each side is limited to the device's maximum. A level count of
// 0 or D3DX_DEFAULT becomes the full chain down to 1 x 1, any other count is
// limited to it. D3DFMT_UNKNOWN becomes A8R8G8B8. Null pointers are skipped.
HRESULT D3DXCheckTextureRequirements(IDirect3DDevice8* device, UINT* width, UINT* height, UINT* mipLevels,
                                     DWORD usage, D3DFORMAT* format, D3DPOOL pool);

// A texture fitted as above (render targets included: D3DUSAGE_RENDERTARGET
// in a default pool).
HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);

// A texture holding an image file. A width or height of 0 or D3DX_DEFAULT
// takes the image's, then the size is fitted as above. Level 0 receives the
// image through `filter` (D3DX_FILTER_NONE keeps it unscaled in the top-left
// corner, the rest transparent black); each further level is the one above
// halved. A non-zero `colorKey` makes matching pixels transparent black.
// The texture's format must be A8R8G8B8 or X8R8G8B8.
HRESULT D3DXCreateTextureFromFileEx(IDirect3DDevice8* device, LPCSTR srcFile, UINT width, UINT height,
                                    UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                    DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                    PALETTEENTRY* palette, IDirect3DTexture8** texture);
