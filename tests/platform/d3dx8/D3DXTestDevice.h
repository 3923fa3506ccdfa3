#pragma once
// A Direct3D device for the D3DX tests. State-only devices keep resources in
// memory and need no window; windowed ones draw into a real back buffer of
// the asked size, which ReadBackBuffer copies out for pixel checks.

#include <cstdint>
#include <vector>

#include "platform/d3d8/D3D8.h"

class D3DXTestDevice {
public:
    D3DXTestDevice() = default;
    ~D3DXTestDevice();
    D3DXTestDevice(const D3DXTestDevice&) = delete;
    D3DXTestDevice& operator=(const D3DXTestDevice&) = delete;

    // Test hooks set before creation (caps, state-only) hold until the object goes.
    bool CreateStateOnly();
    bool CreateWindowed(UINT width, UINT height);

    IDirect3DDevice8* Get() const { return m_Device; }

    // The back buffer's pixels, 0xAARRGGBB, top row first; empty on failure.
    std::vector<uint32_t> ReadBackBuffer() const;
    UINT Width() const { return m_Width; }
    UINT Height() const { return m_Height; }

private:
    bool CreateDevice(HWND window);

    IDirect3D8* m_Direct3D = nullptr;
    IDirect3DDevice8* m_Device = nullptr;
    HWND m_Window = nullptr;
    UINT m_Width = 0;
    UINT m_Height = 0;
};

// A system-memory A8R8G8B8 surface filled with `pixels` (width * height, top
// row first), or null.
IDirect3DSurface8* MakeImageSurface(IDirect3DDevice8* device, UINT width, UINT height,
                                    const std::vector<uint32_t>& pixels);

// Level `level` of a lockable texture, or of any surface, read out whole.
std::vector<uint32_t> ReadTextureLevel(IDirect3DTexture8* texture, UINT level);
std::vector<uint32_t> ReadSurfacePixels(IDirect3DSurface8* surface);
