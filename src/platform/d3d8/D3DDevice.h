#pragma once
// The Direct3D 8 device. Every Set call lands in the shadow state
// (DeviceState); draws validate their input against the bound buffers and
// hand it to the GL renderer, which sends only what changed. A device made by
// D3D8Platform::UseStateOnlyDevices has no renderer: it keeps state and
// resources and draws nothing.
//
// Vertex shader handles are odd values (FVF codes are even): each names a
// declaration and an ARB vertex program made from the shader's tokens. The
// 96 constant registers are device state shared by every shader. Draws
// under handle 0 or under a handle with no shader behind it do nothing.

#include <map>
#include <memory>
#include <unordered_map>

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/DeviceState.h"
#include "platform/d3d8/FvfLayout.h"
#include "platform/d3d8/ShaderDeclaration.h"
#include "platform/d3d8/StateBlock.h"

class Direct3D8;
class D3DSurface;
class D3DTexture;
class GlRenderer;
struct DrawCall;

class D3DDevice final : public IDirect3DDevice8 {
public:
    // `parameters` has passed the checks of ResolvePresentation.
    static HRESULT Create(Direct3D8& direct3D, D3DDEVTYPE type, HWND window,
                          const D3DPRESENT_PARAMETERS& parameters, bool stateOnly, IDirect3DDevice8** device);

    // IUnknown
    ULONG AddRef() override;
    ULONG Release() override;

    // IDirect3DDevice8
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const RGNDATA* dirtyRegion) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** buffer) override;
    HRESULT CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface) override;
    HRESULT CopyRects(IDirect3DSurface8* source, const RECT* sourceRects, UINT count, IDirect3DSurface8* dest,
                      const POINT* destPoints) override;
    HRESULT GetFrontBuffer(IDirect3DSurface8* dest) override;
    HRESULT SetRenderTarget(IDirect3DSurface8* renderTarget, IDirect3DSurface8* depthStencil) override;
    HRESULT GetRenderTarget(IDirect3DSurface8** renderTarget) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** depthStencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT GetMaterial(D3DMATERIAL8* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetClipPlane(DWORD index, const float* plane) override;
    HRESULT GetClipPlane(DWORD index, float* plane) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) override;
    HRESULT ApplyStateBlock(DWORD token) override;
    HRESULT DeleteStateBlock(DWORD token) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* handle) override;
    HRESULT CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD* handle,
                               DWORD usage) override;
    HRESULT DeleteVertexShader(DWORD handle) override;
    HRESULT SetVertexShaderConstant(DWORD firstRegister, const void* data, DWORD count) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** buffer, UINT* baseVertexIndex) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount, UINT startIndex,
                                 UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount, UINT primitiveCount,
                                   const void* indices, D3DFORMAT indexFormat, const void* vertices,
                                   UINT stride) override;

    // For the device's resources.
    GlRenderer* Renderer() const { return m_Renderer.get(); }
    D3DFORMAT BackBufferFormat() const;
    void AddResource(D3DPOOL pool);
    void RemoveResource(const void* resource, D3DPOOL pool);
    // A texture going away stops being the render target.
    void ForgetTexture(const D3DTexture& texture);

    const DeviceState& State() const { return m_State; }

private:
    struct VertexShader {
        ShaderDeclaration declaration;
        unsigned program = 0; // the ARB program; 0 on a device without a renderer
    };

    static constexpr DWORD kShaderConstantRegisters = 96;
    static constexpr DWORD kFirstVertexShaderHandle = 1;
    static constexpr DWORD kVertexShaderHandleStep = 2;

    D3DDevice(Direct3D8& direct3D, D3DDEVTYPE type, HWND window, bool stateOnly);
    ~D3DDevice() override;

    HRESULT CreateSwapChain(const D3DPRESENT_PARAMETERS& parameters);
    void ApplyPresentation(const D3DPRESENT_PARAMETERS& parameters);
    void BindTargets();
    const FvfLayout* CurrentLayout(UINT stride);
    bool DrawsNothing(UINT primitiveCount) const;
    // Fills the call's vertex format for the current FVF code or shader; the
    // size of one vertex, or 0 when `stride` cannot hold one.
    UINT DescribeVertices(UINT stride, DrawCall& call);
    HRESULT Submit(DrawCall& call);

    ULONG m_References = 1;
    Direct3D8& m_Direct3D;
    D3DDEVTYPE m_Type;
    HWND m_Window;
    D3DPRESENT_PARAMETERS m_Presentation = {};
    std::unique_ptr<GlRenderer> m_Renderer;
    DeviceState m_State;
    std::unique_ptr<D3DSurface> m_BackBuffer;
    std::unique_ptr<D3DSurface> m_DepthStencil;
    unsigned m_BackBufferTexture = 0;
    unsigned m_DepthStencilBuffer = 0;
    D3DSurface* m_RenderTarget = nullptr;    // observed: the back buffer or a texture level
    D3DSurface* m_CurrentDepth = nullptr;    // observed: null draws without depth
    bool m_InScene = false;
    std::map<DWORD, std::unique_ptr<StateBlock>> m_StateBlocks;
    DWORD m_NextStateBlock = 1;
    std::unordered_map<DWORD, FvfLayout> m_Layouts;
    int m_DefaultPoolResources = 0;
    std::map<DWORD, std::unique_ptr<VertexShader>> m_VertexShaders;
    DWORD m_NextVertexShader = kFirstVertexShaderHandle;
    float m_ShaderConstants[kShaderConstantRegisters][4] = {};
    // The registers set since the renderer last received them: [first, end).
    DWORD m_ConstantsDirtyFirst = 0;
    DWORD m_ConstantsDirtyEnd = kShaderConstantRegisters;
};
