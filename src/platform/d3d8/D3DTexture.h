#pragma once
// A texture: one surface per mip level over one OpenGL texture. Ordinary
// textures keep each level's pixels in memory and upload what an unlock or
// a copy changed; render targets live in OpenGL only.

#include <memory>
#include <vector>

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/D3DSurface.h"
#include "platform/d3d8/DeviceChild.h"

class D3DTexture final : public IDirect3DTexture8 {
public:
    // D3DERR_INVALIDCALL for a size, format, usage or pool the device does
    // not take.
    static HRESULT Create(D3DDevice& device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture8** texture);
    ~D3DTexture() override;

    // IUnknown
    ULONG AddRef() override;
    ULONG Release() override;

    // IDirect3DResource8
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }

    // IDirect3DBaseTexture8
    DWORD GetLevelCount() override { return static_cast<DWORD>(m_Levels.size()); }

    // IDirect3DTexture8
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    unsigned GlTexture() const { return m_GlTexture; }
    bool OwnsSurface(const IDirect3DSurface8* surface) const;

private:
    D3DTexture(D3DDevice& device, D3DPOOL pool);

    DeviceChild m_Child; // first: it goes last, after the GL texture
    std::vector<std::unique_ptr<D3DSurface>> m_Levels;
    unsigned m_GlTexture = 0;
};

// The number of levels down to 1 x 1.
UINT FullMipCount(UINT width, UINT height);
