#pragma once
// Moving A8R8G8B8 pictures between image files, decoded images and Direct3D
// surfaces, and the reshaping D3DX does on the way: colour key, crop, fit and
// mip halving.

#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/ArgbImage.h"
#include "platform/d3dx8/D3DX8Image.h"

// Decodes the image file at the game path `srcFile`; `info`, when given,
// receives its description. D3DXERR_INVALIDDATA when it cannot be read.
HRESULT LoadImageWithInfo(LPCSTR srcFile, ArgbImage& image, D3DXIMAGE_INFO* info);

// `rect` within a width x height picture, or the whole picture when null.
// False for an empty, inverted or outlying rectangle.
bool ResolveRect(const RECT* rect, uint32_t width, uint32_t height, RECT& resolved);

// Every pixel equal to `key` becomes transparent black.
void ApplyColourKey(ArgbImage& image, D3DCOLOR key);

// The part of `source` inside `rect`, which must lie within it.
ArgbImage CropImage(const ArgbImage& source, const RECT& rect);

// True for every D3DX filter but D3DX_FILTER_NONE (flags such as DITHER
// aside): the source is then scaled to its destination.
bool FilterStretches(DWORD filter);

// `source` fitted to width x height: stretched to fill when `stretch`
// (nearest texel), else placed in the top-left corner, cropped, with the rest
// transparent black.
ArgbImage FitImage(const ArgbImage& source, uint32_t width, uint32_t height, bool stretch);

// The next mip level: half the size (at least 1), each pixel the rounded
// average of the 2 x 2 block above it.
ArgbImage HalveImage(const ArgbImage& source);

// True for the formats the transfers read and write: 32-bit ARGB and XRGB.
bool IsTransferFormat(D3DFORMAT format);

// Writes `image` into `rect` of the surface (null: all of it); the image must
// be the rectangle's size.
HRESULT WriteSurface(IDirect3DSurface8* surface, const RECT* rect, const ArgbImage& image);

// Reads `rect` of the surface (null: all of it).
HRESULT ReadSurface(IDirect3DSurface8* surface, const RECT* rect, ArgbImage& image);
