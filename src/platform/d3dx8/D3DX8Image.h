#pragma once
// D3DX8's image files: reading a file's size, loading it into a surface with
// an optional colour key, and saving a surface as a bitmap. BMP, PNG and JPEG
// files are read, told apart by their first bytes; BMP is written.
// Pixels travel as A8R8G8B8; surfaces of A8R8G8B8 and X8R8G8B8 are accepted.

#include "platform/d3d8/D3D8.h"

struct PALETTEENTRY; // palettised formats are not supported: always null

#define D3DX_DEFAULT ((UINT)-1)

#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59)

// Filters. With NONE a source of another size than its destination is not
// scaled: it lands in the destination's top-left corner, cropped, and the rest
// is transparent black. Every other filter stretches the source over the
// destination (nearest texel); mip levels are boxed down from the level above.
#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_DITHER (1 << 19)

enum D3DXIMAGE_FILEFORMAT : DWORD {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
};

struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format; // what the pixels are handed out as: A8R8G8B8
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

// Fills `info` from the file. The whole file is decoded, so a file whose
// header reads but whose pixels are damaged fails here already. On failure
// (D3DXERR_INVALIDDATA) `info` is cleared: callers take a height of 0 as an
// unreadable file.
HRESULT D3DXGetImageInfoFromFile(LPCSTR srcFile, D3DXIMAGE_INFO* info);

// Loads `srcRect` of the file (null: all of it) into `destRect` of the
// surface (null: all of it). A non-zero `colorKey` makes every source pixel
// equal to it (as A8R8G8B8) transparent black before filtering. `srcInfo`,
// when given, receives the file's information.
HRESULT D3DXLoadSurfaceFromFile(IDirect3DSurface8* destSurface, const PALETTEENTRY* destPalette,
                                const RECT* destRect, LPCSTR srcFile, const RECT* srcRect, DWORD filter,
                                D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo);

// Writes `srcRect` of the surface (null: all of it) to a 24-bit BMP file;
// alpha is dropped. Any other file format is D3DERR_INVALIDCALL.
HRESULT D3DXSaveSurfaceToFile(LPCSTR destFile, D3DXIMAGE_FILEFORMAT destFormat, IDirect3DSurface8* srcSurface,
                              const PALETTEENTRY* srcPalette, const RECT* srcRect);
