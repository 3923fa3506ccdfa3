#include "platform/d3d8/D3DDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/d3d8/Adapter.h"
#include "platform/d3d8/D3D8Platform.h"
#include "platform/d3d8/D3DBuffer.h"
#include "platform/d3d8/D3DSurface.h"
#include "platform/d3d8/D3DTexture.h"
#include "platform/d3d8/Direct3D8.h"
#include "platform/d3d8/GlRenderer.h"
#include "platform/d3dx8/ArbVertexProgram.h"
#include "platform/d3dx8/VertexShaderTokens.h"
#include "platform/win32/Win32Platform.h"

namespace {

constexpr DWORD kClearFlags = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
constexpr D3DCOLOR kFrontBufferBackground = 0xFF000000;
constexpr int kSwapWithVsync = 1;
constexpr int kSwapImmediately = 0;

// Vertices (or indices) a primitive count takes; 0 for an unknown type.
uint64_t ElementCount(D3DPRIMITIVETYPE type, UINT primitives)
{
    const uint64_t count = primitives;
    switch (type) {
    case D3DPT_POINTLIST:
        return count;
    case D3DPT_LINELIST:
        return count * 2;
    case D3DPT_LINESTRIP:
        return count + 1;
    case D3DPT_TRIANGLELIST:
        return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return count + 2;
    }
    return 0;
}

// Bytes from the first to the end of the last of `count` vertices.
uint64_t SpanBytes(uint64_t count, UINT stride, UINT vertexSize)
{
    return (count - 1) * stride + vertexSize;
}

D3DSurface* AsSurface(IDirect3DSurface8* surface)
{
    return static_cast<D3DSurface*>(surface);
}

} // namespace

HRESULT D3DDevice::Create(Direct3D8& direct3D, D3DDEVTYPE type, HWND window, const D3DPRESENT_PARAMETERS& parameters,
                          bool stateOnly, IDirect3DDevice8** device)
{
    const HWND deviceWindow = parameters.hDeviceWindow != nullptr ? parameters.hDeviceWindow : window;
    if (!stateOnly && !Win32Platform::MakeGLCurrent(deviceWindow))
        return D3DERR_NOTAVAILABLE;
    D3DDevice* created = new D3DDevice(direct3D, type, deviceWindow, stateOnly);
    const HRESULT result = created->CreateSwapChain(parameters);
    if (FAILED(result)) {
        created->Release();
        return result;
    }
    created->ApplyPresentation(parameters);
    *device = created;
    return D3D_OK;
}

D3DDevice::D3DDevice(Direct3D8& direct3D, D3DDEVTYPE type, HWND window, bool stateOnly)
    : m_Direct3D(direct3D), m_Type(type), m_Window(window)
{
    m_Direct3D.AddRef();
    if (!stateOnly)
        m_Renderer = std::make_unique<GlRenderer>();
}

D3DDevice::~D3DDevice()
{
    m_StateBlocks.clear();
    for (const auto& entry : m_VertexShaders) {
        if (m_Renderer && entry.second->program != 0)
            m_Renderer->DeleteVertexProgram(entry.second->program);
    }
    m_VertexShaders.clear();
    m_RenderTarget = nullptr;
    m_CurrentDepth = nullptr;
    m_BackBuffer.reset();
    m_DepthStencil.reset();
    if (m_Renderer) {
        if (m_BackBufferTexture != 0)
            m_Renderer->DeleteTexture(m_BackBufferTexture);
        if (m_DepthStencilBuffer != 0)
            m_Renderer->DeleteRenderbuffer(m_DepthStencilBuffer);
        m_Renderer.reset();
    }
    m_Direct3D.Release();
}

ULONG D3DDevice::AddRef()
{
    return ++m_References;
}

ULONG D3DDevice::Release()
{
    const ULONG count = --m_References;
    if (count == 0)
        delete this;
    return count;
}

// ---------------------------------------------------------------------------
// Swap chain and frame.

HRESULT D3DDevice::CreateSwapChain(const D3DPRESENT_PARAMETERS& parameters)
{
    m_RenderTarget = nullptr;
    m_CurrentDepth = nullptr;
    m_BackBuffer.reset();
    m_DepthStencil.reset();
    if (m_Renderer) {
        if (m_BackBufferTexture != 0)
            m_Renderer->DeleteTexture(m_BackBufferTexture);
        if (m_DepthStencilBuffer != 0)
            m_Renderer->DeleteRenderbuffer(m_DepthStencilBuffer);
    }
    m_BackBufferTexture = 0;
    m_DepthStencilBuffer = 0;

    const UINT width = parameters.BackBufferWidth;
    const UINT height = parameters.BackBufferHeight;
    if (m_Renderer)
        m_BackBufferTexture = m_Renderer->CreateTexture(*FindSurfaceFormat(parameters.BackBufferFormat), width, height, 1);
    const D3DSurface::Description back = {parameters.BackBufferFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, width,
                                          height};
    m_BackBuffer = std::make_unique<D3DSurface>(*this, D3DSurface::Owner::Container, this, back, m_Renderer.get(),
                                                m_BackBufferTexture, 0, 0u);
    if (parameters.EnableAutoDepthStencil) {
        if (m_Renderer)
            m_DepthStencilBuffer = m_Renderer->CreateDepthStencil(width, height);
        const D3DSurface::Description depth = {D3DFMT_D24S8, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, width, height};
        m_DepthStencil = std::make_unique<D3DSurface>(*this, D3DSurface::Owner::Container, this, depth,
                                                      m_Renderer.get(), 0u, 0, m_DepthStencilBuffer);
    }
    m_RenderTarget = m_BackBuffer.get();
    m_CurrentDepth = m_DepthStencil.get();
    m_Presentation = parameters;
    m_State.SetDefaults(parameters.EnableAutoDepthStencil != FALSE);
    m_InScene = false;
    BindTargets();
    if (m_Renderer)
        m_Renderer->Clear(m_State, 0, nullptr, m_CurrentDepth != nullptr ? kClearFlags : D3DCLEAR_TARGET, 0, 1.0f, 0);
    return D3D_OK;
}

void D3DDevice::ApplyPresentation(const D3DPRESENT_PARAMETERS& parameters)
{
    SDL_Window* window = m_Renderer ? Win32Platform::GetSDLWindow(m_Window) : nullptr;
    if (window == nullptr)
        return;
    const bool vsync = parameters.Windowed ? parameters.SwapEffect == D3DSWAPEFFECT_COPY_VSYNC
                                           : parameters.FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE;
    // Not every driver lets the interval change; presenting works either way.
    SDL_GL_SetSwapInterval(vsync ? kSwapWithVsync : kSwapImmediately);
    const bool fullScreenNow = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
    if (parameters.Windowed) {
        if (fullScreenNow)
            SDL_SetWindowFullscreen(window, 0);
        return;
    }
    SDL_DisplayMode mode = {SDL_PIXELFORMAT_RGB888, static_cast<int>(parameters.BackBufferWidth),
                            static_cast<int>(parameters.BackBufferHeight),
                            static_cast<int>(parameters.FullScreen_RefreshRateInHz), nullptr};
    SDL_SetWindowDisplayMode(window, &mode);
    if (!fullScreenNow)
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
}

void D3DDevice::BindTargets()
{
    if (!m_Renderer || m_RenderTarget == nullptr)
        return;
    const D3DSurface::Description& target = m_RenderTarget->Desc();
    m_Renderer->SetTargets(m_RenderTarget->GlTexture(), m_RenderTarget->GlLevel(), target.width, target.height,
                           m_CurrentDepth != nullptr ? m_CurrentDepth->GlRenderbuffer() : 0);
}

HRESULT D3DDevice::Reset(D3DPRESENT_PARAMETERS* parameters)
{
    if (parameters == nullptr || Adapter::ResetsFail())
        return D3DERR_INVALIDCALL;
    // As in Direct3D: every default-pool object must be gone first.
    if (m_DefaultPoolResources > 0 || m_BackBuffer->OutsideReferences() > 0 ||
        (m_DepthStencil && m_DepthStencil->OutsideReferences() > 0))
        return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS resolved = *parameters;
    const HRESULT checked = Adapter::ResolvePresentation(resolved, m_Window, !m_Renderer);
    if (FAILED(checked))
        return checked;
    if (m_Renderer)
        m_Renderer->EndFrame();
    CreateSwapChain(resolved);
    ApplyPresentation(resolved);
    *parameters = resolved;
    return D3D_OK;
}

HRESULT D3DDevice::Present(const RECT* /*sourceRect*/, const RECT* /*destRect*/, HWND /*destWindowOverride*/,
                           const RGNDATA* /*dirtyRegion*/)
{
    if (!m_Renderer)
        return D3D_OK;
    RECT client = {};
    GetClientRect(m_Window, &client);
    const D3DSurface::Description& back = m_BackBuffer->Desc();
    m_Renderer->Present(m_BackBufferTexture, *FindSurfaceFormat(back.format), back.width, back.height,
                        Win32Platform::GetSDLWindow(m_Window), client.right - client.left,
                        client.bottom - client.top);
    m_Renderer->EndFrame();
    return D3D_OK;
}

D3DFORMAT D3DDevice::BackBufferFormat() const
{
    return m_BackBuffer->Desc().format;
}

HRESULT D3DDevice::BeginScene()
{
    if (m_InScene)
        return D3DERR_INVALIDCALL;
    m_InScene = true;
    return D3D_OK;
}

HRESULT D3DDevice::EndScene()
{
    if (!m_InScene)
        return D3DERR_INVALIDCALL;
    m_InScene = false;
    if (m_Renderer)
        m_Renderer->EndFrame();
    return D3D_OK;
}

HRESULT D3DDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil)
{
    if ((flags & ~kClearFlags) != 0 || (count > 0 && rects == nullptr))
        return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 && m_CurrentDepth == nullptr)
        return D3DERR_INVALIDCALL;
    if (m_Renderer)
        m_Renderer->Clear(m_State, count, rects, flags, colour, z, stencil);
    return D3D_OK;
}

HRESULT D3DDevice::GetDeviceCaps(D3DCAPS8* caps)
{
    if (caps == nullptr)
        return D3DERR_INVALIDCALL;
    *caps = Adapter::Caps(m_Type);
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// Resources.

void D3DDevice::AddResource(D3DPOOL pool)
{
    if (pool == D3DPOOL_DEFAULT)
        ++m_DefaultPoolResources;
}

void D3DDevice::RemoveResource(const void* resource, D3DPOOL pool)
{
    if (pool == D3DPOOL_DEFAULT)
        --m_DefaultPoolResources;
    m_State.Forget(resource);
    for (auto& entry : m_StateBlocks)
        entry.second->Forget(resource);
}

void D3DDevice::ForgetTexture(const D3DTexture& texture)
{
    if (m_RenderTarget == nullptr || !texture.OwnsSurface(m_RenderTarget))
        return;
    m_RenderTarget = m_BackBuffer.get();
    BindTargets();
}

HRESULT D3DDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                 IDirect3DTexture8** texture)
{
    return D3DTexture::Create(*this, width, height, levels, usage, format, pool, texture);
}

HRESULT D3DDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                      IDirect3DVertexBuffer8** buffer)
{
    return D3DVertexBuffer::Create(*this, length, usage, fvf, pool, buffer);
}

HRESULT D3DDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     IDirect3DIndexBuffer8** buffer)
{
    return D3DIndexBuffer::Create(*this, length, usage, format, pool, buffer);
}

HRESULT D3DDevice::CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface)
{
    constexpr UINT kMaxImageSide = 8192;
    if (surface == nullptr)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide || !IsTextureFormat(format))
        return D3DERR_INVALIDCALL;
    const D3DSurface::Description description = {format, 0, D3DPOOL_SYSTEMMEM, width, height};
    *surface = new D3DSurface(*this, D3DSurface::Owner::Self, nullptr, description, nullptr, 0u, 0, 0u);
    return D3D_OK;
}

HRESULT D3DDevice::CopyRects(IDirect3DSurface8* source, const RECT* sourceRects, UINT count, IDirect3DSurface8* dest,
                             const POINT* destPoints)
{
    if (source == nullptr || dest == nullptr)
        return D3DERR_INVALIDCALL;
    D3DSurface* from = AsSurface(source);
    D3DSurface* to = AsSurface(dest);
    const D3DSurface::Description& fromDesc = from->Desc();
    const D3DSurface::Description& toDesc = to->Desc();
    if (fromDesc.format != toDesc.format || from->Format().isDepthStencil || from->IsLocked() || to->IsLocked())
        return D3DERR_INVALIDCALL;
    const RECT whole = {0, 0, static_cast<LONG>(fromDesc.width), static_cast<LONG>(fromDesc.height)};
    const UINT rectCount = sourceRects != nullptr ? count : 1;
    // Every rectangle is checked before anything is copied.
    for (UINT i = 0; i < rectCount; ++i) {
        const RECT& rect = sourceRects != nullptr ? sourceRects[i] : whole;
        const POINT at = destPoints != nullptr ? destPoints[i] : POINT{rect.left, rect.top};
        const RECT target = {at.x, at.y, at.x + (rect.right - rect.left), at.y + (rect.bottom - rect.top)};
        if (!IsRectInside(rect, fromDesc.width, fromDesc.height) || !IsRectInside(target, toDesc.width, toDesc.height))
            return D3DERR_INVALIDCALL;
    }
    const UINT bytesPerPixel = from->Format().bytesPerPixel;
    std::vector<uint8_t> pixels;
    for (UINT i = 0; i < rectCount; ++i) {
        const RECT& rect = sourceRects != nullptr ? sourceRects[i] : whole;
        const POINT at = destPoints != nullptr ? destPoints[i] : POINT{rect.left, rect.top};
        const RECT target = {at.x, at.y, at.x + (rect.right - rect.left), at.y + (rect.bottom - rect.top)};
        const UINT pitch = (rect.right - rect.left) * bytesPerPixel;
        pixels.resize(static_cast<size_t>(pitch) * (rect.bottom - rect.top));
        from->ReadPixels(rect, pixels.data(), pitch);
        to->WritePixels(target, pixels.data(), pitch);
    }
    return D3D_OK;
}

HRESULT D3DDevice::GetFrontBuffer(IDirect3DSurface8* dest)
{
    if (dest == nullptr)
        return D3DERR_INVALIDCALL;
    D3DSurface* to = AsSurface(dest);
    const D3DSurface::Description& desc = to->Desc();
    if (desc.format != D3DFMT_A8R8G8B8 || to->IsLocked())
        return D3DERR_INVALIDCALL;
    const UINT pitch = to->Pitch();
    std::vector<uint32_t> picture(static_cast<size_t>(desc.width) * desc.height, kFrontBufferBackground);
    if (m_Renderer && m_Renderer->FrontWidth() > 0) {
        // The client area sits where it is on the screen; full screen at 0, 0.
        POINT origin = {0, 0};
        if (m_Presentation.Windowed)
            ClientToScreen(m_Window, &origin);
        const LONG left = std::max<LONG>(origin.x, 0);
        const LONG top = std::max<LONG>(origin.y, 0);
        const LONG right = std::min<LONG>(origin.x + m_Renderer->FrontWidth(), static_cast<LONG>(desc.width));
        const LONG bottom = std::min<LONG>(origin.y + m_Renderer->FrontHeight(), static_cast<LONG>(desc.height));
        if (left < right && top < bottom) {
            const RECT front = {left - origin.x, top - origin.y, right - origin.x, bottom - origin.y};
            m_Renderer->ReadFront(front, reinterpret_cast<uint8_t*>(picture.data() + top * desc.width + left), pitch);
        }
    }
    const RECT whole = {0, 0, static_cast<LONG>(desc.width), static_cast<LONG>(desc.height)};
    to->WritePixels(whole, reinterpret_cast<const uint8_t*>(picture.data()), pitch);
    return D3D_OK;
}

HRESULT D3DDevice::SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* depthStencil)
{
    D3DSurface* target = renderTarget != nullptr ? AsSurface(renderTarget) : m_RenderTarget;
    D3DSurface* depth = depthStencil != nullptr ? AsSurface(depthStencil) : nullptr;
    if ((target->Desc().usage & D3DUSAGE_RENDERTARGET) == 0)
        return D3DERR_INVALIDCALL;
    if (depth != nullptr) {
        const D3DSurface::Description& depthDesc = depth->Desc();
        if (!depth->Format().isDepthStencil || depthDesc.width < target->Desc().width ||
            depthDesc.height < target->Desc().height)
            return D3DERR_INVALIDCALL;
    }
    m_RenderTarget = target;
    m_CurrentDepth = depth;
    BindTargets();
    return D3D_OK;
}

HRESULT D3DDevice::GetRenderTarget(IDirect3DSurface8** renderTarget)
{
    if (renderTarget == nullptr)
        return D3DERR_INVALIDCALL;
    m_RenderTarget->AddRef();
    *renderTarget = m_RenderTarget;
    return D3D_OK;
}

HRESULT D3DDevice::GetDepthStencilSurface(IDirect3DSurface8** depthStencil)
{
    if (depthStencil == nullptr)
        return D3DERR_INVALIDCALL;
    *depthStencil = m_CurrentDepth;
    if (m_CurrentDepth == nullptr)
        return D3DERR_NOTFOUND;
    m_CurrentDepth->AddRef();
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// State.

HRESULT D3DDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix)
{
    if (matrix == nullptr || !m_State.SetTransform(state, *matrix))
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT D3DDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix)
{
    const D3DMATRIX* current = m_State.Transform(state);
    if (matrix == nullptr || current == nullptr)
        return D3DERR_INVALIDCALL;
    *matrix = *current;
    return D3D_OK;
}

HRESULT D3DDevice::SetMaterial(const D3DMATERIAL8* material)
{
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    m_State.SetMaterial(*material);
    return D3D_OK;
}

HRESULT D3DDevice::GetMaterial(D3DMATERIAL8* material)
{
    if (material == nullptr)
        return D3DERR_INVALIDCALL;
    *material = m_State.Material();
    return D3D_OK;
}

HRESULT D3DDevice::SetLight(DWORD index, const D3DLIGHT8* light)
{
    if (light == nullptr || !m_State.SetLight(index, *light))
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT D3DDevice::GetLight(DWORD index, D3DLIGHT8* light)
{
    const LightSlot* slot = m_State.Light(index);
    if (light == nullptr || slot == nullptr || !slot->defined)
        return D3DERR_INVALIDCALL;
    *light = slot->light;
    return D3D_OK;
}

HRESULT D3DDevice::LightEnable(DWORD index, BOOL enable)
{
    return m_State.EnableLight(index, enable != FALSE) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT D3DDevice::GetLightEnable(DWORD index, BOOL* enable)
{
    const LightSlot* slot = m_State.Light(index);
    if (enable == nullptr || slot == nullptr || !slot->defined)
        return D3DERR_INVALIDCALL;
    *enable = slot->enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT D3DDevice::SetClipPlane(DWORD index, const float* plane)
{
    return m_State.SetClipPlane(index, plane) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT D3DDevice::GetClipPlane(DWORD index, float* plane)
{
    const float* current = m_State.ClipPlane(index);
    if (plane == nullptr || current == nullptr)
        return D3DERR_INVALIDCALL;
    std::copy(current, current + 4, plane);
    return D3D_OK;
}

HRESULT D3DDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    if (Adapter::RenderStateFails(state, value) || !m_State.SetRenderState(state, value))
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT D3DDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value)
{
    if (value == nullptr || !DeviceState::IsRenderState(state))
        return D3DERR_INVALIDCALL;
    *value = m_State.RenderState(state);
    return D3D_OK;
}

HRESULT D3DDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    return m_State.SetStageState(stage, type, value) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT D3DDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value)
{
    if (value == nullptr || stage >= kMaxTextureStages || !DeviceState::IsStageState(type))
        return D3DERR_INVALIDCALL;
    *value = m_State.StageState(stage, type);
    return D3D_OK;
}

HRESULT D3DDevice::CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token)
{
    if (token == nullptr || type < D3DSBT_ALL || type > D3DSBT_VERTEXSTATE)
        return D3DERR_INVALIDCALL;
    const DWORD handle = m_NextStateBlock++;
    m_StateBlocks[handle] = std::make_unique<StateBlock>(type, m_State);
    *token = handle;
    return D3D_OK;
}

HRESULT D3DDevice::ApplyStateBlock(DWORD token)
{
    auto found = m_StateBlocks.find(token);
    if (found == m_StateBlocks.end())
        return D3DERR_INVALIDCALL;
    found->second->Apply(m_State);
    return D3D_OK;
}

HRESULT D3DDevice::DeleteStateBlock(DWORD token)
{
    return m_StateBlocks.erase(token) > 0 ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT D3DDevice::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture)
{
    if (stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    m_State.SetTexture(stage, static_cast<D3DTexture*>(texture));
    return D3D_OK;
}

HRESULT D3DDevice::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture)
{
    if (texture == nullptr || stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    D3DTexture* current = m_State.Texture(stage);
    if (current != nullptr)
        current->AddRef();
    *texture = current;
    return D3D_OK;
}

HRESULT D3DDevice::SetVertexShader(DWORD handle)
{
    m_State.SetVertexShader(handle);
    return D3D_OK;
}

HRESULT D3DDevice::CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle,
                                      DWORD /*usage*/)
{
    if (handle == nullptr || function == nullptr)
        return D3DERR_INVALIDCALL;
    auto shader = std::make_unique<VertexShader>();
    shader->declaration = DecodeShaderDeclaration(declaration);
    if (!shader->declaration.valid)
        return D3DERR_INVALIDCALL;
    const ArbVertexProgram program =
        TranslateVertexShaderToArb(function, VertexShaderToken::kMaxTokens, ArbVertexProgramOptions());
    if (program.text.empty()) {
        std::fprintf(stderr, "Direct3D stand-in: vertex shader refused: %s\n", program.error.c_str());
        return D3DERR_INVALIDCALL;
    }
    if (m_Renderer) {
        shader->program = m_Renderer->CreateVertexProgram(program.text);
        if (shader->program == 0)
            return D3DERR_INVALIDCALL;
    }
    // Handles are odd, which tells them from FVF codes, and never reused, so
    // a stale handle never draws through a later shader.
    const DWORD created = m_NextVertexShader;
    m_NextVertexShader += kVertexShaderHandleStep;
    m_VertexShaders[created] = std::move(shader);
    *handle = created;
    return D3D_OK;
}

HRESULT D3DDevice::DeleteVertexShader(DWORD handle)
{
    auto found = m_VertexShaders.find(handle);
    if (found == m_VertexShaders.end())
        return D3DERR_INVALIDCALL;
    // The handle may stay set (and in state blocks): draws under it then
    // find no shader and draw nothing.
    if (m_Renderer && found->second->program != 0)
        m_Renderer->DeleteVertexProgram(found->second->program);
    m_VertexShaders.erase(found);
    return D3D_OK;
}

HRESULT D3DDevice::SetVertexShaderConstant(DWORD firstRegister, const void* data, DWORD count)
{
    if (data == nullptr || firstRegister >= kShaderConstantRegisters ||
        count > kShaderConstantRegisters - firstRegister)
        return D3DERR_INVALIDCALL;
    std::memcpy(m_ShaderConstants[firstRegister], data, count * sizeof(m_ShaderConstants[0]));
    m_ConstantsDirtyFirst = std::min(m_ConstantsDirtyFirst, firstRegister);
    m_ConstantsDirtyEnd = std::max(m_ConstantsDirtyEnd, firstRegister + count);
    return D3D_OK;
}

HRESULT D3DDevice::GetVertexShader(DWORD* handle)
{
    if (handle == nullptr)
        return D3DERR_INVALIDCALL;
    *handle = m_State.VertexShader();
    return D3D_OK;
}

HRESULT D3DDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride)
{
    if (stream != 0)
        return D3DERR_INVALIDCALL;
    m_State.SetStream(static_cast<D3DVertexBuffer*>(buffer), buffer != nullptr ? stride : 0);
    return D3D_OK;
}

HRESULT D3DDevice::GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride)
{
    if (stream != 0 || buffer == nullptr || stride == nullptr)
        return D3DERR_INVALIDCALL;
    D3DVertexBuffer* current = m_State.StreamBuffer();
    if (current != nullptr)
        current->AddRef();
    *buffer = current;
    *stride = m_State.StreamStride();
    return D3D_OK;
}

HRESULT D3DDevice::SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex)
{
    m_State.SetIndices(static_cast<D3DIndexBuffer*>(buffer), baseVertexIndex);
    return D3D_OK;
}

HRESULT D3DDevice::GetIndices(IDirect3DIndexBuffer8** buffer, UINT* baseVertexIndex)
{
    if (buffer == nullptr || baseVertexIndex == nullptr)
        return D3DERR_INVALIDCALL;
    D3DIndexBuffer* current = m_State.IndexBuffer();
    if (current != nullptr)
        current->AddRef();
    *buffer = current;
    *baseVertexIndex = m_State.BaseVertex();
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// Draws. Each is checked against its buffers before anything reaches GL:
// no draw reads outside a buffer, whatever the caller passes.

const FvfLayout* D3DDevice::CurrentLayout(UINT stride)
{
    const DWORD fvf = m_State.VertexShader();
    auto found = m_Layouts.find(fvf);
    if (found == m_Layouts.end())
        found = m_Layouts.emplace(fvf, DecodeFvf(fvf)).first;
    const FvfLayout& layout = found->second;
    if (!layout.valid || stride < layout.size)
        return nullptr;
    return &layout;
}

bool D3DDevice::DrawsNothing(UINT primitiveCount) const
{
    // Handle 0 is no format and no shader; a deleted or never created shader
    // handle draws nothing either, as the game expects of a shader that
    // failed to assemble.
    const DWORD handle = m_State.VertexShader();
    if (handle == 0 || primitiveCount == 0)
        return true;
    return !IsFvfCode(handle) && m_VertexShaders.find(handle) == m_VertexShaders.end();
}

UINT D3DDevice::DescribeVertices(UINT stride, DrawCall& call)
{
    const DWORD handle = m_State.VertexShader();
    if (IsFvfCode(handle)) {
        call.layout = CurrentLayout(stride);
        return call.layout != nullptr ? call.layout->size : 0;
    }
    const VertexShader& shader = *m_VertexShaders.at(handle);
    if (stride < shader.declaration.size)
        return 0;
    call.declaration = &shader.declaration;
    call.vertexProgram = shader.program;
    return shader.declaration.size;
}

HRESULT D3DDevice::Submit(DrawCall& call)
{
    if (!m_Renderer)
        return D3D_OK;
    if (call.declaration != nullptr && m_ConstantsDirtyEnd > m_ConstantsDirtyFirst) {
        m_Renderer->UploadShaderConstants(m_ConstantsDirtyFirst, m_ConstantsDirtyEnd - m_ConstantsDirtyFirst,
                                          m_ShaderConstants[m_ConstantsDirtyFirst]);
        m_ConstantsDirtyFirst = kShaderConstantRegisters;
        m_ConstantsDirtyEnd = 0;
    }
    m_Renderer->Draw(m_State, call);
    return D3D_OK;
}

HRESULT D3DDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount)
{
    if (DrawsNothing(primitiveCount))
        return D3D_OK;
    const uint64_t count = ElementCount(type, primitiveCount);
    const D3DVertexBuffer* buffer = m_State.StreamBuffer();
    const UINT stride = m_State.StreamStride();
    DrawCall call;
    const UINT vertexSize = DescribeVertices(stride, call);
    if (count == 0 || buffer == nullptr || vertexSize == 0 || buffer->Data().IsLocked())
        return D3DERR_INVALIDCALL;
    const BufferData& data = buffer->Data();
    if (static_cast<uint64_t>(startVertex) * stride + SpanBytes(count, stride, vertexSize) > data.Length())
        return D3DERR_INVALIDCALL;

    call.type = type;
    call.count = static_cast<GLsizei>(count);
    call.stride = stride;
    if (data.GlBuffer() != 0) {
        call.vertexBuffer = data.GlBuffer();
        call.firstVertex = static_cast<GLint>(startVertex);
    } else {
        call.userVertices = data.Bytes() + static_cast<size_t>(startVertex) * stride;
        call.userVertexBytes = SpanBytes(count, stride, vertexSize);
    }
    return Submit(call);
}

HRESULT D3DDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT /*minIndex*/, UINT /*vertexCount*/,
                                        UINT startIndex, UINT primitiveCount)
{
    if (DrawsNothing(primitiveCount))
        return D3D_OK;
    const uint64_t count = ElementCount(type, primitiveCount);
    const D3DVertexBuffer* vertices = m_State.StreamBuffer();
    const D3DIndexBuffer* indices = m_State.IndexBuffer();
    const UINT stride = m_State.StreamStride();
    DrawCall call;
    const UINT vertexSize = DescribeVertices(stride, call);
    if (count == 0 || vertices == nullptr || indices == nullptr || vertexSize == 0)
        return D3DERR_INVALIDCALL;
    if (vertices->Data().IsLocked() || indices->Data().IsLocked())
        return D3DERR_INVALIDCALL;
    if (static_cast<uint64_t>(startIndex) + count > indices->IndexCount())
        return D3DERR_INVALIDCALL;
    // The index range's largest vertex must lie in the vertex buffer.
    const UINT baseVertex = m_State.BaseVertex();
    const uint64_t lastVertex = static_cast<uint64_t>(baseVertex) +
                                indices->MaxIndex(startIndex, static_cast<UINT>(count));
    const BufferData& vertexData = vertices->Data();
    if (lastVertex * stride + vertexSize > vertexData.Length())
        return D3DERR_INVALIDCALL;

    call.type = type;
    call.count = static_cast<GLsizei>(count);
    call.stride = stride;
    call.indexed = true;
    const UINT indexSize = indices->IndexSize();
    call.indexType = indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    call.baseVertex = static_cast<GLint>(baseVertex);
    if (vertexData.GlBuffer() != 0) {
        call.vertexBuffer = vertexData.GlBuffer();
    } else {
        call.userVertices = vertexData.Bytes();
        call.userVertexBytes = lastVertex * stride + vertexSize;
    }
    const BufferData& indexData = indices->Data();
    if (indexData.GlBuffer() != 0) {
        call.indexBuffer = indexData.GlBuffer();
        call.indexOffset = static_cast<size_t>(startIndex) * indexSize;
    } else {
        call.userIndices = indexData.Bytes() + static_cast<size_t>(startIndex) * indexSize;
        call.userIndexBytes = count * indexSize;
    }
    return Submit(call);
}

HRESULT D3DDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride)
{
    if (DrawsNothing(primitiveCount))
        return D3D_OK;
    const uint64_t count = ElementCount(type, primitiveCount);
    DrawCall call;
    const UINT vertexSize = DescribeVertices(stride, call);
    if (count == 0 || vertices == nullptr || vertexSize == 0)
        return D3DERR_INVALIDCALL;
    // As in Direct3D, a draw from user memory leaves no stream bound.
    m_State.SetStream(nullptr, 0);

    call.type = type;
    call.count = static_cast<GLsizei>(count);
    call.stride = stride;
    call.userVertices = vertices;
    call.userVertexBytes = SpanBytes(count, stride, vertexSize);
    return Submit(call);
}

HRESULT D3DDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                          UINT primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                          const void* vertices, UINT stride)
{
    if (DrawsNothing(primitiveCount))
        return D3D_OK;
    const uint64_t count = ElementCount(type, primitiveCount);
    DrawCall call;
    const UINT vertexSize = DescribeVertices(stride, call);
    const UINT indexSize = IndexSize(indexFormat);
    if (count == 0 || indices == nullptr || vertices == nullptr || vertexSize == 0 || indexSize == 0 ||
        vertexCount == 0)
        return D3DERR_INVALIDCALL;
    // Only the vertices from minIndex on, vertexCount of them, are the caller's.
    const IndexRange range = ScanIndexRange(static_cast<const uint8_t*>(indices), static_cast<UINT>(count), indexSize);
    if (range.lowest < minIndex || static_cast<uint64_t>(range.highest) >= static_cast<uint64_t>(minIndex) + vertexCount)
        return D3DERR_INVALIDCALL;
    m_State.SetStream(nullptr, 0);
    m_State.SetIndices(nullptr, 0);

    call.type = type;
    call.count = static_cast<GLsizei>(count);
    call.stride = stride;
    call.indexed = true;
    call.indexType = indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    call.userIndices = indices;
    call.userIndexBytes = count * indexSize;
    call.userVertices = static_cast<const uint8_t*>(vertices) + static_cast<size_t>(minIndex) * stride;
    call.userVertexBytes = SpanBytes(range.highest - minIndex + 1, stride, vertexSize);
    call.baseVertex = -static_cast<GLint>(minIndex);
    return Submit(call);
}

size_t D3D8Platform::BuiltProgramCount(IDirect3DDevice8* device)
{
    const GlRenderer* renderer = static_cast<D3DDevice*>(device)->Renderer();
    return renderer != nullptr ? renderer->BuiltProgramCount() : 0;
}

bool D3D8Platform::FrontBufferKeepsBackBufferFormat(IDirect3DDevice8* device)
{
    D3DDevice* concrete = static_cast<D3DDevice*>(device);
    const GlRenderer* renderer = concrete->Renderer();
    if (renderer == nullptr || renderer->FrontStorageFormat() == 0)
        return false;
    return renderer->FrontStorageFormat() == FindSurfaceFormat(concrete->BackBufferFormat())->internalFormat;
}
