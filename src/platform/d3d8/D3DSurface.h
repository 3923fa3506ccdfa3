#pragma once
// A surface: an image in system memory, a level of a texture, or the device's
// back buffer or depth-stencil buffer. Images and levels of ordinary textures
// keep their pixels in memory (mirrored to OpenGL for textures); render
// targets keep them in OpenGL only and are read back when locked or copied.
// Rows run from the top: OpenGL row 0 is the top row too.

#include <memory>
#include <vector>

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/DeviceChild.h"
#include "platform/d3d8/FormatInfo.h"

class GlRenderer;

class D3DSurface final : public IDirect3DSurface8 {
public:
    // Who counts the surface's references.
    enum class Owner {
        Self,      // an image surface: its own count, it holds the device
        Container, // a texture level or a device's own buffer: the container's count
    };

    struct Description {
        D3DFORMAT format;
        DWORD usage;
        D3DPOOL pool;
        UINT width;
        UINT height;
    };

    // `container` counts the references of a Container surface. `glTexture`
    // and `glLevel` name the OpenGL image behind a texture level or back
    // buffer (0 without OpenGL); `glRenderbuffer` that of a depth-stencil.
    D3DSurface(D3DDevice& device, Owner owner, IUnknown* container, const Description& description,
               GlRenderer* renderer, unsigned glTexture, int glLevel, unsigned glRenderbuffer);
    ~D3DSurface() override;

    // IUnknown
    ULONG AddRef() override;
    ULONG Release() override;

    // IDirect3DSurface8
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    // Copies a rectangle (already inside the surface) out of or into the
    // surface; `pitch` is the row length of `pixels` in bytes.
    void ReadPixels(const RECT& rect, uint8_t* pixels, UINT pitch) const;
    void WritePixels(const RECT& rect, const uint8_t* pixels, UINT pitch);

    const Description& Desc() const { return m_Description; }
    const FormatInfo& Format() const { return *m_Format; }
    UINT Pitch() const { return m_Description.width * m_Format->bytesPerPixel; }
    bool IsLocked() const { return m_Locked; }
    IUnknown* Container() const { return m_Container; }
    unsigned GlTexture() const { return m_GlTexture; }
    int GlLevel() const { return m_GlLevel; }
    unsigned GlRenderbuffer() const { return m_GlRenderbuffer; }
    // References handed out beyond the container's own (for Reset's checks).
    ULONG OutsideReferences() const { return m_OutsideReferences; }

private:
    bool PixelsLiveInGl() const;
    RECT WholeRect() const;

    D3DDevice& m_Device;
    std::unique_ptr<DeviceChild> m_Child; // image surfaces only
    IUnknown* m_Container;
    Description m_Description;
    const FormatInfo* m_Format;
    GlRenderer* m_Renderer;
    unsigned m_GlTexture;
    int m_GlLevel;
    unsigned m_GlRenderbuffer;
    std::vector<uint8_t> m_Pixels;     // when the pixels live in memory
    std::vector<uint8_t> m_LockCopy;   // a locked render target's pixels
    bool m_Locked = false;
    RECT m_LockRect = {};
    DWORD m_LockFlags = 0;
    ULONG m_OutsideReferences = 0;
};

// True when `rect` lies inside a width x height surface and is not empty.
bool IsRectInside(const RECT& rect, UINT width, UINT height);
