#include "platform/d3d8/D3DTexture.h"

#include <algorithm>

#include "platform/d3d8/Adapter.h"
#include "platform/d3d8/D3DDevice.h"
#include "platform/d3d8/GlRenderer.h"

namespace {

// Larger sides than any caller asks for are refused rather than allocated.
constexpr UINT kMaxTextureSide = 4096;

} // namespace

UINT FullMipCount(UINT width, UINT height)
{
    UINT count = 1;
    for (UINT side = std::max(width, height); side > 1; side >>= 1)
        ++count;
    return count;
}

D3DTexture::D3DTexture(D3DDevice& device, D3DPOOL pool) : m_Child(device, this, pool) {}

HRESULT D3DTexture::Create(D3DDevice& device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                           D3DPOOL pool, IDirect3DTexture8** texture)
{
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (width == 0 || height == 0 || width > kMaxTextureSide || height > kMaxTextureSide)
        return D3DERR_INVALIDCALL;
    if (!IsTextureFormat(format) || pool > D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    const bool renderTarget = (usage & D3DUSAGE_RENDERTARGET) != 0;
    if ((usage & D3DUSAGE_DEPTHSTENCIL) != 0 || (renderTarget && pool != D3DPOOL_DEFAULT))
        return D3DERR_INVALIDCALL;
    const UINT fullCount = FullMipCount(width, height);
    const UINT levelCount = levels == 0 ? fullCount : levels;
    if (levelCount > fullCount)
        return D3DERR_INVALIDCALL;
    if (Adapter::TextureCreationFails(usage))
        return D3DERR_OUTOFVIDEOMEMORY;

    D3DTexture* created = new D3DTexture(device, pool);
    GlRenderer* renderer = pool == D3DPOOL_SYSTEMMEM ? nullptr : device.Renderer();
    const FormatInfo& info = *FindSurfaceFormat(format);
    if (renderer != nullptr)
        created->m_GlTexture = renderer->CreateTexture(info, width, height, levelCount);
    for (UINT level = 0; level < levelCount; ++level) {
        const D3DSurface::Description description = {format, static_cast<DWORD>(usage & D3DUSAGE_RENDERTARGET), pool,
                                                     std::max<UINT>(width >> level, 1),
                                                     std::max<UINT>(height >> level, 1)};
        created->m_Levels.push_back(std::make_unique<D3DSurface>(device, D3DSurface::Owner::Container, created,
                                                                 description, renderer, created->m_GlTexture,
                                                                 static_cast<int>(level), 0u));
        // New textures read as zero, in OpenGL as in memory.
        D3DSurface& surface = *created->m_Levels.back();
        if (renderer != nullptr && !renderTarget) {
            const std::vector<uint8_t> zeros(static_cast<size_t>(surface.Pitch()) * description.height, 0);
            const RECT whole = {0, 0, static_cast<LONG>(description.width), static_cast<LONG>(description.height)};
            renderer->UploadTexture(created->m_GlTexture, static_cast<int>(level), info, whole, zeros.data(),
                                    surface.Pitch());
        }
    }
    *texture = created;
    return D3D_OK;
}

D3DTexture::~D3DTexture()
{
    m_Child.Device().ForgetTexture(*this);
    m_Levels.clear();
    if (m_GlTexture != 0 && m_Child.Device().Renderer() != nullptr)
        m_Child.Device().Renderer()->DeleteTexture(m_GlTexture);
}

ULONG D3DTexture::AddRef()
{
    return m_Child.AddReference();
}

ULONG D3DTexture::Release()
{
    const ULONG count = m_Child.ReleaseReference();
    if (count == 0)
        delete this;
    return count;
}

HRESULT D3DTexture::GetDevice(IDirect3DDevice8** device)
{
    return m_Child.GetDevice(device);
}

HRESULT D3DTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc)
{
    if (level >= m_Levels.size())
        return D3DERR_INVALIDCALL;
    return m_Levels[level]->GetDesc(desc);
}

HRESULT D3DTexture::GetSurfaceLevel(UINT level, IDirect3DSurface8** surface)
{
    if (surface == nullptr || level >= m_Levels.size())
        return D3DERR_INVALIDCALL;
    m_Levels[level]->AddRef();
    *surface = m_Levels[level].get();
    return D3D_OK;
}

HRESULT D3DTexture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags)
{
    if (level >= m_Levels.size())
        return D3DERR_INVALIDCALL;
    return m_Levels[level]->LockRect(locked, rect, flags);
}

HRESULT D3DTexture::UnlockRect(UINT level)
{
    if (level >= m_Levels.size())
        return D3DERR_INVALIDCALL;
    return m_Levels[level]->UnlockRect();
}

bool D3DTexture::OwnsSurface(const IDirect3DSurface8* surface) const
{
    return std::any_of(m_Levels.begin(), m_Levels.end(),
                       [surface](const std::unique_ptr<D3DSurface>& level) { return level.get() == surface; });
}
