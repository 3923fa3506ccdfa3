#pragma once
// The pixel and index formats the stand-in stores, with their OpenGL
// counterparts. Colour formats keep Direct3D's memory layout (little-endian
// words, 0xAARRGGBB) and are uploaded as they are.

#include "platform/d3d8/D3D8Types.h"
#include "platform/d3d8/GlHeaders.h"

struct FormatInfo {
    D3DFORMAT format;
    UINT bytesPerPixel;
    GLenum internalFormat;
    GLenum pixelFormat;
    GLenum pixelType;
    bool isDepthStencil;
};

// The record of a surface format, or null for one the stand-in cannot store.
const FormatInfo* FindSurfaceFormat(D3DFORMAT format);

// True for the formats a texture (render target or not) may have.
bool IsTextureFormat(D3DFORMAT format);

// True for the formats a back buffer may have.
bool IsBackBufferFormat(D3DFORMAT format);

// Bytes per index of an index format; 0 for anything else.
UINT IndexSize(D3DFORMAT format);
