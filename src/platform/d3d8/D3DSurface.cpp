#include "platform/d3d8/D3DSurface.h"

#include <cstring>

#include "platform/d3d8/D3DDevice.h"
#include "platform/d3d8/GlRenderer.h"

bool IsRectInside(const RECT& rect, UINT width, UINT height)
{
    return rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
           static_cast<UINT>(rect.right) <= width && static_cast<UINT>(rect.bottom) <= height;
}

D3DSurface::D3DSurface(D3DDevice& device, Owner owner, IUnknown* container, const Description& description,
                       GlRenderer* renderer, unsigned glTexture, int glLevel, unsigned glRenderbuffer)
    : m_Device(device),
      m_Container(owner == Owner::Container ? container : nullptr),
      m_Description(description),
      m_Format(FindSurfaceFormat(description.format)),
      m_Renderer(renderer),
      m_GlTexture(glTexture),
      m_GlLevel(glLevel),
      m_GlRenderbuffer(glRenderbuffer)
{
    if (owner == Owner::Self)
        m_Child = std::make_unique<DeviceChild>(device, this, description.pool);
    if (!PixelsLiveInGl() && !m_Format->isDepthStencil)
        m_Pixels.assign(static_cast<size_t>(Pitch()) * description.height, 0);
}

D3DSurface::~D3DSurface() = default;

bool D3DSurface::PixelsLiveInGl() const
{
    return m_Renderer != nullptr && m_GlTexture != 0 && (m_Description.usage & D3DUSAGE_RENDERTARGET) != 0;
}

RECT D3DSurface::WholeRect() const
{
    return RECT{0, 0, static_cast<LONG>(m_Description.width), static_cast<LONG>(m_Description.height)};
}

ULONG D3DSurface::AddRef()
{
    ++m_OutsideReferences;
    if (m_Container != nullptr)
        return m_Container->AddRef();
    return m_Child->AddReference();
}

ULONG D3DSurface::Release()
{
    if (m_OutsideReferences > 0)
        --m_OutsideReferences;
    // The container may take this surface with it.
    if (m_Container != nullptr)
        return m_Container->Release();
    const ULONG count = m_Child->ReleaseReference();
    if (count == 0)
        delete this;
    return count;
}

HRESULT D3DSurface::GetDevice(IDirect3DDevice8** device)
{
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    m_Device.AddRef();
    *device = &m_Device;
    return D3D_OK;
}

HRESULT D3DSurface::GetDesc(D3DSURFACE_DESC* desc)
{
    if (desc == nullptr)
        return D3DERR_INVALIDCALL;
    desc->Format = m_Description.format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = m_Description.usage;
    desc->Pool = m_Description.pool;
    desc->Size = Pitch() * m_Description.height;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = m_Description.width;
    desc->Height = m_Description.height;
    return D3D_OK;
}

HRESULT D3DSurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags)
{
    if (locked == nullptr || m_Locked || m_Format->isDepthStencil)
        return D3DERR_INVALIDCALL;
    const RECT area = rect != nullptr ? *rect : WholeRect();
    if (!IsRectInside(area, m_Description.width, m_Description.height))
        return D3DERR_INVALIDCALL;

    uint8_t* pixels = nullptr;
    if (PixelsLiveInGl()) {
        m_LockCopy.assign(static_cast<size_t>(Pitch()) * m_Description.height, 0);
        m_Renderer->ReadTexture(m_GlTexture, m_GlLevel, *m_Format, area,
                                m_LockCopy.data() + area.top * Pitch() + area.left * m_Format->bytesPerPixel, Pitch());
        pixels = m_LockCopy.data();
    } else {
        pixels = m_Pixels.data();
    }
    locked->Pitch = static_cast<int>(Pitch());
    locked->pBits = pixels + area.top * Pitch() + area.left * m_Format->bytesPerPixel;
    m_Locked = true;
    m_LockRect = area;
    m_LockFlags = flags;
    return D3D_OK;
}

HRESULT D3DSurface::UnlockRect()
{
    if (!m_Locked)
        return D3DERR_INVALIDCALL;
    m_Locked = false;
    const bool written = (m_LockFlags & D3DLOCK_READONLY) == 0;
    const uint8_t* source = (PixelsLiveInGl() ? m_LockCopy.data() : m_Pixels.data()) +
                            m_LockRect.top * Pitch() + m_LockRect.left * m_Format->bytesPerPixel;
    if (written && m_Renderer != nullptr && m_GlTexture != 0)
        m_Renderer->UploadTexture(m_GlTexture, m_GlLevel, *m_Format, m_LockRect, source, Pitch());
    m_LockCopy.clear();
    m_LockCopy.shrink_to_fit();
    return D3D_OK;
}

void D3DSurface::ReadPixels(const RECT& rect, uint8_t* pixels, UINT pitch) const
{
    const UINT rowBytes = (rect.right - rect.left) * m_Format->bytesPerPixel;
    if (PixelsLiveInGl()) {
        m_Renderer->ReadTexture(m_GlTexture, m_GlLevel, *m_Format, rect, pixels, pitch);
        return;
    }
    if (m_Pixels.empty())
        return;
    for (LONG row = rect.top; row < rect.bottom; ++row) {
        std::memcpy(pixels + (row - rect.top) * pitch,
                    m_Pixels.data() + row * Pitch() + rect.left * m_Format->bytesPerPixel, rowBytes);
    }
}

void D3DSurface::WritePixels(const RECT& rect, const uint8_t* pixels, UINT pitch)
{
    const UINT rowBytes = (rect.right - rect.left) * m_Format->bytesPerPixel;
    if (!m_Pixels.empty()) {
        for (LONG row = rect.top; row < rect.bottom; ++row) {
            std::memcpy(m_Pixels.data() + row * Pitch() + rect.left * m_Format->bytesPerPixel,
                        pixels + (row - rect.top) * pitch, rowBytes);
        }
    }
    if (m_Renderer != nullptr && m_GlTexture != 0)
        m_Renderer->UploadTexture(m_GlTexture, m_GlLevel, *m_Format, rect, pixels, pitch);
}
