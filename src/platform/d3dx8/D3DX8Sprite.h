#pragma once
// D3DX8's sprite: a texture drawn as a screen-aligned rectangle in pixels,
// scaled, rotated and moved, modulated by a colour and alpha-blended over
// the target. Each Draw sets the device states it needs and puts every one
// of them back afterwards, so no Begin or End is needed.

#include "platform/d3d8/D3D8.h"
#include "platform/d3dx8/D3DX8Math.h"

class ID3DXSprite : public IUnknown {
public:
    virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;

    // Draws `srcRect` of level 0 (null: all of it) as a rectangle of that many
    // pixels with its top-left corner at the origin, then: scaled by `scaling`
    // (null: 1, 1); rotated by `rotation` radians about `rotationCenter` (null:
    // 0, 0), a point in the scaled rectangle, clockwise on the screen; moved
    // by `translation` (null: 0, 0). An unscaled, unrotated sprite at a whole-
    // pixel translation puts each texel on one pixel. Each texel is multiplied
    // by `color`, then blended over the target by its alpha.
    virtual HRESULT Draw(IDirect3DTexture8* srcTexture, const RECT* srcRect, const D3DXVECTOR2* scaling,
                         const D3DXVECTOR2* rotationCenter, FLOAT rotation, const D3DXVECTOR2* translation,
                         D3DCOLOR color) = 0;
};

typedef ID3DXSprite* LPD3DXSPRITE;

// The sprite holds a reference to the device until its last release.
HRESULT D3DXCreateSprite(IDirect3DDevice8* device, ID3DXSprite** sprite);
